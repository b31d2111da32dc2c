#include "controls/flatutilitys.h"

#include "controls/hslutils.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>

TColor CalcAdvancedColor(TColor BaseColor, TColor Color, TAdvColors Percent, bool Darken) {
    if (Percent == 0)
        return Color;
    THSL v = RGBToHSL(ColorToRGB(BaseColor));
    v.L += 10;
    if (Darken)
        v.L = std::max(0, v.L - Percent);
    else
        v.L = v.L + Percent;
    v.L = std::clamp(v.L, 0, HSLRange);
    return HSLToRGB(v.H, v.S, v.L);
}

void Frame3D(QPainter& Canvas, QRect& Rect, TColor TopColor, TColor BottomColor, int Width) {
    const QColor top = ToQColor(TopColor), bottom = ToQColor(BottomColor);
    // Left, top, right and bottom are all inside pixels here.
    int l = Rect.left(), t = Rect.top(), r = Rect.right(), b = Rect.bottom();
    for (; Width > 0; --Width) {
        if (r >= l && b >= t) {
            Canvas.fillRect(QRect(l, t, 1, b - t + 1), top);
            if (r > l)
                Canvas.fillRect(QRect(l, t, r - l, 1), top);
            Canvas.fillRect(QRect(r, t, 1, b - t + 1), bottom);
            Canvas.fillRect(QRect(l, b, r - l + 1, 1), bottom);
        }
        ++l;
        ++t;
        --r;
        --b;
    }
    Rect = QRect(QPoint(l, t), QPoint(r, b));
}

void DrawParentImage(QWidget* Control, QPainter& Canvas) {
    if (!Control || !Control->parentWidget())
        return;
    QWidget* parent = Control->parentWidget();
    const QRect bounds = Control->geometry().intersected(parent->rect());
    if (bounds.isEmpty())
        return;
    Canvas.save();
    Canvas.setClipRect(QRect(bounds.topLeft() - Control->pos(), bounds.size()), Qt::IntersectClip);
    parent->render(&Canvas, bounds.topLeft() - Control->pos(), QRegion(bounds), QWidget::DrawWindowBackground);
    Canvas.restore();
}

TColor ParentColorOf(const QWidget* Control) {
    const QWidget* parent = Control ? Control->parentWidget() : nullptr;
    if (!parent)
        return clBtnFace;
    return FromQColor(parent->palette().color(parent->backgroundRole()));
}
