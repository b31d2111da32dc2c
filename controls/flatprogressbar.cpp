#include "controls/flatprogressbar.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace FlatProgress {

int SnapLength(int length, int elementWidth) {
    if (length < 12)
        return 12;
    return ((length - 3) / (elementWidth + 1)) * (elementWidth + 1) + 3;
}

int BlockTotal(int clientLength, int elementWidth) {
    if (elementWidth < 0 || clientLength < 3)
        return 0;
    return (clientLength - 3) / (elementWidth + 1);
}

int BlockFilled(int position, int min, int max, int total) {
    if (max <= min || total <= 0 || position <= min)
        return 0;
    const double perBlock = (double(max) - double(min)) / total;
    const double n = std::trunc((double(position) - double(min)) / perBlock + 0.00000001);
    return n >= total ? total : static_cast<int>(n);
}

std::vector<QRect> BlockRects(QSize client, TProgressBarOrientation orientation, int elementWidth, int filled) {
    std::vector<QRect> rects;
    for (int k = 0; k < filled; ++k) {
        const int shift = k * (elementWidth + 1);
        if (orientation == pbHorizontal)
            rects.emplace_back(QPoint(2 + shift, 2), QPoint(2 + elementWidth + shift - 1, client.height() - 2 - 1));
        else
            rects.emplace_back(QPoint(2, client.height() - 2 - elementWidth - shift),
                               QPoint(client.width() - 2 - 1, client.height() - 2 - shift - 1));
    }
    return rects;
}

QRect SmoothRect(QSize client, TProgressBarOrientation orientation, int position, int min, int max) {
    if (max <= min || position <= min)
        return QRect();
    const int clientLength = orientation == pbHorizontal ? client.width() : client.height();
    const int64_t length = int64_t(clientLength - 4) * (int64_t(position) - min) / (int64_t(max) - min);
    if (length <= 0)
        return QRect();
    const int len = static_cast<int>(length);
    if (orientation == pbHorizontal)
        return QRect(2, 2, len, client.height() - 4);
    return QRect(2, client.height() - 2 - len, client.width() - 4, len);
}

}  // namespace FlatProgress

TFlatProgressBar::TFlatProgressBar(QWidget* parent) : QWidget(parent) {
    resize(147, 16);
}

QSize TFlatProgressBar::sizeHint() const { return FOrientation == pbHorizontal ? QSize(147, 16) : QSize(16, 147); }

void TFlatProgressBar::SetTransparent(bool value) {
    if (FTransparent != value) {
        FTransparent = value;
        update();
    }
}

void TFlatProgressBar::SetSmooth(bool value) {
    if (FSmooth != value) {
        FSmooth = value;
        SnapSize();
        update();
    }
}

void TFlatProgressBar::SetUseAdvColors(bool value) {
    FUseAdvColors = value;
    FParentColor = value;
    CalcAdvColors();
    update();
}

void TFlatProgressBar::SetAdvColorBorder(TAdvColors value) {
    FAdvColorBorder = value;
    CalcAdvColors();
    update();
}

void TFlatProgressBar::SetOrientation(TProgressBarOrientation value) {
    if (FOrientation == value)
        return;
    FOrientation = value;
    resize(height(), width());
    updateGeometry();
    update();
}

void TFlatProgressBar::SetColorElement(TColor value) {
    FColorElement = value;
    update();
}

void TFlatProgressBar::SetColorBorder(TColor value) {
    FColorBorder = value;
    update();
}

void TFlatProgressBar::SetPosition(int value) {
    value = std::clamp(value, FMin, std::max(FMin, FMax));
    if (value > FMax)
        value = FMax;
    if (value == FPosition)
        return;
    // Growing only adds elements over the current picture; shrinking redraws the whole bar.
    FPosition = value;
    update();
}

void TFlatProgressBar::SetMin(int value) {
    if (FMin != value) {
        FMin = value;
        update();
    }
}

void TFlatProgressBar::SetMax(int value) {
    if (value < FPosition)
        FPosition = value;
    FMax = value;
    update();
}

void TFlatProgressBar::SetStep(int value) { FStep = value; }

TColor TFlatProgressBar::Color() const { return FParentColor ? ParentColorOf(this) : FColor; }

void TFlatProgressBar::SetColor(TColor value) {
    FColor = value;
    FParentColor = false;
    update();
}

void TFlatProgressBar::SetParentColor(bool value) {
    FParentColor = value;
    update();
}

void TFlatProgressBar::CalcAdvColors() {
    if (FUseAdvColors)
        FColorBorder = CalcAdvancedColor(Color(), FColorBorder, FAdvColorBorder, true);
}

void TFlatProgressBar::SnapSize() {
    if (FSmooth)
        return;
    if (FOrientation == pbHorizontal) {
        const int w = FlatProgress::SnapLength(width(), FElementWidth);
        if (w != width())
            resize(w, height());
    } else {
        const int h = FlatProgress::SnapLength(height(), FElementWidth);
        if (h != height())
            resize(width(), h);
    }
}

void TFlatProgressBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    SnapSize();
}

void TFlatProgressBar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange) {
        if (FUseAdvColors) {
            FParentColor = true;
            CalcAdvColors();
        }
        update();
    }
    QWidget::changeEvent(event);
}

void TFlatProgressBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QSize client = size();
    if (FTransparent)
        DrawParentImage(this, p);
    else
        p.fillRect(rect(), ToQColor(Color()));
    p.setPen(ToQColor(FColorBorder));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(0, 0, client.width() - 1, client.height() - 1));
    const QColor element = ToQColor(FColorElement);
    if (FSmooth) {
        const QRect r = FlatProgress::SmoothRect(client, FOrientation, FPosition, FMin, FMax);
        if (!r.isEmpty())
            p.fillRect(r, element);
        return;
    }
    const int length = FOrientation == pbHorizontal ? client.width() : client.height();
    const int total = FlatProgress::BlockTotal(length, FElementWidth);
    const int filled = FlatProgress::BlockFilled(FPosition, FMin, FMax, total);
    for (const QRect& r : FlatProgress::BlockRects(client, FOrientation, FElementWidth, filled))
        p.fillRect(r, element);
}
