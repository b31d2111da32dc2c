// The panels of the main window's status bar. Each panel asks for its design width, or more
// when its text needs it, and gives way down to its text when the bar is short; when even the
// texts do not fit side by side, the panels that do not fit go on a second row (the bar grows
// taller), so that no panel text is ever cut.
#pragma once

#include <QWidget>
#include <vector>

class QLabel;

// Where one panel goes: its row, left edge and width.
struct TPanelPlace {
    int Row = 0;
    int X = 0;
    int Width = 0;
};

// Lays panels of the given minimum and preferred widths out in order, in as few rows of
// `width` as hold them at their minimum widths (a panel wider than the row alone on its row).
// In each row every panel gets its minimum and what is left is shared out in proportion up to the
// preferred widths; the very last panel takes the rest of its row.
std::vector<TPanelPlace> PlaceStatusPanels(const std::vector<int>& minimum, const std::vector<int>& preferred,
                                           int width, int spacing);

class TStatusPanels : public QWidget {
public:
    explicit TStatusPanels(QWidget* parent);
    // Adds a panel at the right end; `designWidth` is the width it asks for.
    void AddPanel(QLabel* panel, int designWidth);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::vector<TPanelPlace> Places(int width) const;
    int RowHeight() const;
    void PlacePanels();

    std::vector<QLabel*> Panels;
    std::vector<int> DesignWidths;
    int LastHeight = -1;
};
