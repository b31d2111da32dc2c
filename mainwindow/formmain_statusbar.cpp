#include "mainwindow/formmain_statusbar.h"

#include <QEvent>
#include <QLabel>
#include <algorithm>

namespace {

constexpr int Spacing = 2;  // between panels, and between rows

}  // namespace

std::vector<TPanelPlace> PlaceStatusPanels(const std::vector<int>& minimum, const std::vector<int>& preferred,
                                           int width, int spacing) {
    const size_t n = std::min(minimum.size(), preferred.size());
    std::vector<TPanelPlace> places(n);
    size_t first = 0;
    for (int row = 0; first < n; ++row) {
        // As many panels as fit at their minimum widths, and at least one.
        size_t end = first + 1;
        int needed = minimum[first];
        while (end < n && needed + spacing + minimum[end] <= width) needed += spacing + minimum[end++];
        long long give = 0;
        for (size_t i = first; i < end; ++i) give += std::max(0, preferred[i] - minimum[i]);
        const long long spare = std::max(0, width - needed);
        int x = 0;
        for (size_t i = first; i < end; ++i) {
            const long long want = std::max(0, preferred[i] - minimum[i]);
            int w = minimum[i] + static_cast<int>(spare >= give ? want : give ? want * spare / give : 0);
            if (end == n && i + 1 == end) w = std::max(w, width - x);
            places[i] = {row, x, w};
            x += w + spacing;
        }
        first = end;
    }
    return places;
}

TStatusPanels::TStatusPanels(QWidget* parent) : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void TStatusPanels::AddPanel(QLabel* panel, int designWidth) {
    panel->setParent(this);
    Panels.push_back(panel);
    DesignWidths.push_back(designWidth);
    updateGeometry();
}

std::vector<TPanelPlace> TStatusPanels::Places(int width) const {
    std::vector<int> minimum, preferred;
    for (size_t i = 0; i < Panels.size(); ++i) {
        const int text = std::max(Panels[i]->sizeHint().width(), Panels[i]->minimumWidth());
        minimum.push_back(text);
        preferred.push_back(std::max(DesignWidths[i], text));
    }
    return PlaceStatusPanels(minimum, preferred, width, Spacing);
}

int TStatusPanels::RowHeight() const {
    int h = 0;
    for (const QLabel* panel : Panels) h = std::max(h, panel->sizeHint().height());
    return h;
}

QSize TStatusPanels::sizeHint() const {
    int w = 0;
    for (size_t i = 0; i < Panels.size(); ++i)
        w += (i ? Spacing : 0) + std::max(DesignWidths[i], Panels[i]->sizeHint().width());
    return QSize(w, RowHeight());
}

QSize TStatusPanels::minimumSizeHint() const {
    int w = 0;
    for (const QLabel* panel : Panels) w = std::max(w, panel->sizeHint().width());
    return QSize(w, RowHeight());
}

int TStatusPanels::heightForWidth(int width) const {
    const std::vector<TPanelPlace> places = Places(width);
    const int rows = places.empty() ? 1 : places.back().Row + 1;
    return rows * RowHeight() + (rows - 1) * Spacing;
}

void TStatusPanels::PlacePanels() {
    const std::vector<TPanelPlace> places = Places(width());
    const int rowHeight = RowHeight();
    for (size_t i = 0; i < Panels.size(); ++i)
        Panels[i]->setGeometry(places[i].X, places[i].Row * (rowHeight + Spacing), places[i].Width, rowHeight);
    // A change in the number of rows changes the bar's height.
    const int h = heightForWidth(width());
    if (h != LastHeight) {
        LastHeight = h;
        updateGeometry();
    }
}

bool TStatusPanels::event(QEvent* event) {
    // A panel's new text asks for its place again.
    if (event->type() == QEvent::LayoutRequest) PlacePanels();
    return QWidget::event(event);
}

void TStatusPanels::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlacePanels();
}
