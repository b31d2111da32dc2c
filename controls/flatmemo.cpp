#include "controls/flatmemo.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

TFlatMemo::TFlatMemo(QWidget* parent) : QPlainTextEdit(parent) {
    // A plain box frame reserves the border around the text and the scroll bars; the border
    // itself is painted over it.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(BorderWidth);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setAttribute(Qt::WA_Hover);
    if (FParentColor && parent)
        FColorFlat = ParentColorOf(this);
    resize(185, 89);
    SetScrollBars(ssNone);
}

QString TFlatMemo::Text() const {
    QString text;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        if (b != document()->begin())
            text += QStringLiteral("\r\n");
        text += b.text();
    }
    return text;
}

void TFlatMemo::SetText(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    setPlainText(t);
}

QStringList TFlatMemo::Lines() const {
    QStringList lines;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        lines << b.text();
    // An empty memo has no lines; a final line break adds no empty line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void TFlatMemo::SetScrollBars(TScrollStyle value) {
    FScrollBars = value;
    const bool h = value == ssHorizontal || value == ssBoth, v = value == ssVertical || value == ssBoth;
    setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    RedrawBorder();
}

void TFlatMemo::SetUseAdvColors(bool value) {
    FUseAdvColors = value;
    FParentColor = value;
    CalcAdvColors();
    RedrawBorder();
}

void TFlatMemo::SetAdvColorFocused(TAdvColors value) {
    FAdvColorFocused = value;
    if (FUseAdvColors) {
        CalcAdvColors();
        RedrawBorder();
    }
}

void TFlatMemo::SetAdvColorBorder(TAdvColors value) {
    FAdvColorBorder = value;
    if (FUseAdvColors) {
        CalcAdvColors();
        RedrawBorder();
    }
}

void TFlatMemo::SetParentColor(bool value) {
    FParentColor = value;
    if (value) {
        FColorFlat = ParentColorOf(this);
        RedrawBorder();
    }
}

void TFlatMemo::SetColorFocused(TColor value) {
    FColorFocused = value;
    RedrawBorder();
}

void TFlatMemo::SetColorBorder(TColor value) {
    FColorBorder = value;
    RedrawBorder();
}

void TFlatMemo::SetColorFlat(TColor value) {
    FColorFlat = value;
    FParentColor = false;
    RedrawBorder();
}

void TFlatMemo::CalcAdvColors() {
    if (!FUseAdvColors)
        return;
    FColorFocused = CalcAdvancedColor(FColorFlat, FColorFocused, FAdvColorFocused, false);
    FColorBorder = CalcAdvancedColor(FColorFlat, FColorBorder, FAdvColorBorder, true);
}

bool TFlatMemo::ActiveLook() const {
    if (hasFocus())
        return true;
    return FMouseInControl && !qobject_cast<TFlatMemo*>(QApplication::focusWidget());
}

void TFlatMemo::SetColor(TColor value) {
    FColor = value;
    QPalette pal = palette();
    const QColor c = ToQColor(value);
    if (pal.color(QPalette::Base) != c) {
        pal.setColor(QPalette::Base, c);
        pal.setColor(QPalette::Window, c);
        setPalette(pal);
    }
}

void TFlatMemo::RedrawBorder() {
    SetColor(ActiveLook() ? FColorFocused : FColorFlat);
    update();
}

void TFlatMemo::PaintBorder() {
    QPainter p(this);
    const QRect r = rect();
    const QColor inner = ToQColor(ActiveLook() ? FColorFocused : FColorFlat);
    p.setPen(ToQColor(FColorBorder));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(inner);
    p.drawRect(r.adjusted(1, 1, -2, -2));
    p.drawRect(r.adjusted(2, 2, -3, -3));
    // The square where the two scroll bars meet.
    QScrollBar* hs = horizontalScrollBar();
    QScrollBar* vs = verticalScrollBar();
    if (hs->isVisible() && vs->isVisible()) {
        const int left = vs->mapTo(this, QPoint(0, 0)).x(), top = hs->mapTo(this, QPoint(0, 0)).y();
        p.fillRect(QRect(left, top, vs->width(), hs->height()), inner);
    }
}

bool TFlatMemo::event(QEvent* e) {
    const bool result = QPlainTextEdit::event(e);
    if (e->type() == QEvent::Paint)
        PaintBorder();
    return result;
}

void TFlatMemo::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    RedrawBorder();
}

void TFlatMemo::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    RedrawBorder();
}

void TFlatMemo::enterEvent(QEnterEvent* event) {
    QPlainTextEdit::enterEvent(event);
    FMouseInControl = true;
    if (QApplication::activeWindow())
        RedrawBorder();
}

void TFlatMemo::leaveEvent(QEvent* event) {
    QPlainTextEdit::leaveEvent(event);
    FMouseInControl = false;
    RedrawBorder();
}

void TFlatMemo::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    switch (event->type()) {
    case QEvent::EnabledChange:
        SetColor(isEnabled() ? clWindow : clBtnFace);
        RedrawBorder();
        break;
    case QEvent::ParentChange:
        if (FUseAdvColors || FParentColor) {
            FColorFlat = ParentColorOf(this);
            CalcAdvColors();
        }
        RedrawBorder();
        break;
    default:
        break;
    }
}
