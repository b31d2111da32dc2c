#include "controls/controlbar.h"

#include <QBoxLayout>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

TControlBar::TControlBar(QWidget* parent) : QWidget(parent) {
    Layout = new QHBoxLayout(this);
    Layout->setContentsMargins(GripWidth, 1, 2, 1);
    Layout->setSpacing(GripWidth + 2);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QList<QRect> TControlBar::BandRects() const {
    QList<QRect> out;
    for (QObject* o : children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow() || w->isHidden())
            continue;
        const QRect g = w->geometry();
        out.append(QRect(g.left() - GripWidth, 0, g.width() + GripWidth, height()));
    }
    return out;
}

void TControlBar::SetOnBandPaint(TBandPaint handler, const void* owner) {
    OnBandPaint = std::move(handler);
    PaintOwner = OnBandPaint ? owner : nullptr;
    update();
}

void TControlBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    for (QObject* o : children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow() || w->isHidden())
            continue;
        const QRect g = w->geometry();
        const QRect band(g.left() - GripWidth, 0, g.width() + GripWidth, height());
        if (OnBandPaint) {
            p.save();
            OnBandPaint(w, p, band);
            p.restore();
            continue;
        }
        QStyleOption opt;
        opt.initFrom(this);
        opt.rect = QRect(band.left() + 2, band.top() + 3, GripWidth - 4, band.height() - 6);
        opt.state |= QStyle::State_Horizontal;
        style()->drawPrimitive(QStyle::PE_IndicatorToolBarHandle, &opt, &p, this);
    }
}
