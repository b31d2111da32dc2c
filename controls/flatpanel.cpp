#include "controls/flatpanel.h"

#include "controls/flatutilitys.h"

#include <QEvent>
#include <QPainter>
#include <QPixmap>

TFlatPanel::TFlatPanel(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(185, 41);
}

void TFlatPanel::SetTransparent(bool value) {
    FTransparent = value;
    setAttribute(Qt::WA_OpaquePaintEvent, !value);
    update();
}

void TFlatPanel::SetColorHighLight(TColor value) {
    FColorHighLight = value;
    update();
}

void TFlatPanel::SetColorShadow(TColor value) {
    FColorShadow = value;
    update();
}

void TFlatPanel::SetAlignment(TAlignment value) {
    if (FAlignment != value) {
        FAlignment = value;
        update();
    }
}

TColor TFlatPanel::Color() const { return FParentColor ? ParentColorOf(this) : FColor; }

void TFlatPanel::SetColor(TColor value) {
    FColor = value;
    FParentColor = false;
    update();
}

void TFlatPanel::SetParentColor(bool value) {
    FParentColor = value;
    update();
}

void TFlatPanel::SetCaption(const QString& value) {
    if (FCaption != value) {
        FCaption = value;
        update();
    }
}

void TFlatPanel::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::ParentChange:
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void TFlatPanel::paintEvent(QPaintEvent*) {
    const qreal dpr = devicePixelRatioF();
    QPixmap buffer(size() * dpr);
    buffer.setDevicePixelRatio(dpr);
    // A see-through panel leaves its background clear: the parent, painted beneath it by the
    // window, shows through.
    if (FTransparent) buffer.fill(Qt::transparent);
    {
        QPainter p(&buffer);
        if (!FTransparent) {
            p.fillRect(rect(), ToQColor(Color()));
        }
        QRect r = rect();
        Frame3D(p, r, FColorHighLight, FColorShadow, 1);
        p.setFont(font());
        int flags = Qt::TextSingleLine | Qt::AlignVCenter;
        flags |= FAlignment == taLeftJustify ? Qt::AlignLeft : FAlignment == taRightJustify ? Qt::AlignRight : Qt::AlignHCenter;
        if (isEnabled()) {
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(rect(), flags, FCaption);
        } else {
            p.setPen(ToQColor(clBtnHighlight));
            p.drawText(rect().translated(1, 1), flags, FCaption);
            p.setPen(ToQColor(clBtnShadow));
            p.drawText(rect(), flags, FCaption);
        }
    }
    QPainter screen(this);
    screen.drawPixmap(0, 0, buffer);
}
