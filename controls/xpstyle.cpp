#include "controls/xpstyle.h"

#include "controls/controlbar.h"
#include "controls/flatutilitys.h"
#include "controls/xpmenu.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>
#include <QStyleOption>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

#include <algorithm>

namespace {

QColor Q(TColor c) { return ToQColor(c); }
TColor T(const QColor& c) { return FromQColor(c); }

// A device of at least 16 bits per pixel.
bool HighColor(const QPainter* p) { return !p->device() || p->device()->depth() >= 16; }

// The base style: a fresh instance of the application's own.
QStyle* MakeBase() {
    QStyle* base = nullptr;
    if (QStyle* app = QApplication::style())
        base = QStyleFactory::create(app->name());
    if (!base)
        base = QStyleFactory::create(QStringLiteral("Fusion"));
    return base;
}

void Put(QPainter* p, const TPixelList& pixels, TColor c) {
    const QColor q = Q(c);
    for (const QPoint& pt : pixels)
        p->fillRect(QRect(pt, QSize(1, 1)), q);
}

// A horizontal line from x1 to x2 (exclusive) on row y, and a vertical one.
void HLine(QPainter* p, int x1, int x2, int y, TColor c) {
    if (x2 > x1)
        p->fillRect(QRect(x1, y, x2 - x1, 1), Q(c));
}
void VLine(QPainter* p, int x, int y1, int y2, TColor c) {
    if (y2 > y1)
        p->fillRect(QRect(x, y1, 1, y2 - y1), Q(c));
}

// The one-pixel border of r.
void FrameRect(QPainter* p, const QRect& r, TColor c) {
    if (r.width() <= 0 || r.height() <= 0)
        return;
    HLine(p, r.left(), r.right() + 1, r.top(), c);
    HLine(p, r.left(), r.right() + 1, r.bottom(), c);
    VLine(p, r.left(), r.top(), r.bottom() + 1, c);
    VLine(p, r.right(), r.top(), r.bottom() + 1, c);
}

// r filled with brush and bordered with pen.
void Rectangle(QPainter* p, const QRect& r, TColor pen, TColor brush) {
    p->fillRect(r, Q(brush));
    FrameRect(p, r, pen);
}

void Ellipse(QPainter* p, const QRect& r, TColor pen, TColor brush) {
    p->setPen(Q(pen));
    p->setBrush(Q(brush));
    p->drawEllipse(r.adjusted(0, 0, -1, -1));
}

void RoundRect(QPainter* p, const QRect& r, int corner, TColor pen, TColor brush) {
    p->setPen(Q(pen));
    p->setBrush(Q(brush));
    p->drawRoundedRect(QRectF(r.adjusted(0, 0, -1, -1)), corner / 2.0, corner / 2.0);
}

void FillGradient(QPainter* p, const QRect& r, TColor base, int iconWidth, bool rtl) {
    for (int k = 0; k < r.width(); ++k) {
        const int x = rtl ? r.right() - k : r.left() + k;
        p->fillRect(QRect(x, r.top(), 1, r.height()), Q(Lighten(base, GradientShade(k, iconWidth))));
    }
}

TColor ParentColor(const QWidget* w) {
    const QWidget* parent = w ? w->parentWidget() : nullptr;
    return parent ? T(parent->palette().color(QPalette::Window)) : ColorToRGB(clBtnFace);
}

// A small arrow pointing to the right (left when rtl) with its tip row at cy: 7, 5, 3, 1 pixels.
void SubMenuArrow(QPainter* p, int x, int cy, bool rtl, TColor c) {
    for (int i = 0; i < 4; ++i) {
        const int col = rtl ? x + 3 - i : x + i;
        VLine(p, col, cy - (3 - i), cy + (3 - i) + 1, c);
    }
}

QString ShortCutText(const QAction* a) { return a->shortcut().toString(QKeySequence::NativeText); }

}  // namespace

TXPStyle::TXPStyle(TXPMenu* painter) : QProxyStyle(MakeBase()), Painter(painter) {}

bool TXPStyle::Paints(const QWidget* widget) const { return widget && Painter && Painter->Paints(widget); }

QAction* TXPStyle::MenuAction(const QWidget* widget, const QStyleOption* option) const {
    const QPoint at = option->rect.center();
    if (auto* menu = qobject_cast<const QMenu*>(widget))
        return menu->actionAt(at);
    if (auto* bar = qobject_cast<const QMenuBar*>(widget))
        return bar->actionAt(at);
    return nullptr;
}

int TXPStyle::MnemonicFlag(const QStyleOption* option, const QWidget* widget) const {
    return proxy()->styleHint(SH_UnderlineShortcut, option, widget) ? Qt::TextShowMnemonic : Qt::TextHideMnemonic;
}

QImage TXPStyle::IconImage(const QIcon& icon, QSize size, bool enabled, bool lit, bool checked, bool highColor,
                           QIcon::Mode mode) const {
    QImage img = icon.pixmap(size, 1.0, mode, checked ? QIcon::On : QIcon::Off).toImage();
    if (!enabled)
        return DimBitmap(GrayBitmap(img, Painter->GrayLevel()), 40);
    if (!lit && !checked && highColor)
        return DimBitmap(img, Painter->DimLevel());
    return img;
}

// ---- Menus ----

void TXPStyle::DrawRaisedTab(QPainter* p, const QRect& r, const TXPColorSet& cs, bool highColor, bool menuItem) const {
    p->fillRect(r, Q(cs.MenuBar));
    if (!highColor || !menuItem) {
        FrameRect(p, r, cs.MenuFrame);
        return;
    }
    // Open at the bottom, with a shadow fading out to the right.
    const QRect tab = r.adjusted(0, 0, -4, 0);
    VLine(p, tab.left(), tab.top(), r.bottom() + 1, cs.MenuFrame);
    HLine(p, tab.left(), tab.right() + 1, tab.top(), cs.MenuFrame);
    VLine(p, tab.right(), tab.top(), r.bottom() + 1, cs.MenuFrame);
    static const int strip[4] = {100, 60, 30, 10};
    static const int corner[4] = {70, 40, 30, 10};
    for (int i = 0; i < 4; ++i) {
        const int x = tab.right() + 1 + i;
        const int y = tab.top() + 2 + i;
        p->fillRect(QRect(x, y, 1, 1), Q(Darken(cs.MenuBar, corner[i])));
        VLine(p, x, y + 1, r.bottom() + 1, Darken(cs.MenuBar, strip[i]));
    }
}

void TXPStyle::DrawMenuItem(const QStyleOptionMenuItem* mi, QPainter* p, const QWidget* widget, bool bar) const {
    const bool high = HighColor(p);
    const TXPColorSet cs = Painter->ColorSet(high);
    const QFont font = Painter->MenuFont();
    const QFontMetrics fm(font);
    const TColor fontColor = ColorToRGB(Painter->MenuFontColor());
    const QRect R = mi->rect;
    const bool rtl = mi->direction == Qt::RightToLeft;
    const bool enabled = mi->state & State_Enabled;
    // A menu-bar item counts as selected while its menu is open.
    const bool selected = bar ? (mi->state & State_Selected) && (mi->state & State_Sunken)
                              : bool(mi->state & State_Selected);
    const bool separator = mi->menuItemType == QStyleOptionMenuItem::Separator;
    const bool checked = mi->checkType != QStyleOptionMenuItem::NotCheckable && mi->checked;
    const bool radio = mi->checkType == QStyleOptionMenuItem::Exclusive;
    const int IW = Painter->IconWidth();
    const int iconSide = QProxyStyle::pixelMetric(PM_SmallIconSize, mi, widget);
    const bool hasIcon = !separator && !mi->icon.isNull();
    const int iconW = hasIcon ? iconSide : 0;

    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setFont(font);

    const QRect col = rtl ? QRect(R.right() - IW + 1, R.top(), IW, R.height()) : QRect(R.left(), R.top(), IW, R.height());
    QRect check = hasIcon ? QRect(col.left() + 1, col.top() + 2, col.width() - 4, col.height() - 4)
                          : QRect(col.left() + (IW - 10) / 2, R.top() + (R.height() - 10) / 2, 10, 10);
    if (iconW > IW) {
        if (rtl)
            check.setLeft(check.right() - iconW + 1);
        else
            check.setWidth(iconW);
    }
    if (bar)
        check.translate(0, -1);

    int start = bar ? 4 : IW;
    if (iconW > start)
        start = iconW + (rtl ? 8 : 4);
    QRect text = rtl ? QRect(R.left(), R.top(), R.width() - start, R.height())
                     : QRect(R.left() + start, R.top(), R.width() - start, R.height());
    if (bar) {
        if (!hasIcon)
            text = R;
        else if (rtl)
            text.setRight(text.right() + 5);
        else
            text.setLeft(text.left() - 5);
    }

    // Background.
    const bool gradient = high && Painter->Gradient();
    if (bar) {
        p->fillRect(R, Q(cs.MenuBar));
    } else if (!gradient) {
        p->fillRect(R, Q(cs.MenuBack));
        p->fillRect(col, Q(cs.IconBack));
    } else {
        FillGradient(p, R, cs.IconBack, IW, rtl);
    }

    // Selection.
    const bool boxed = selected && Painter->DrawSelect() && (bar || enabled);
    if (selected && Painter->DrawSelect()) {
        if (bar)
            DrawRaisedTab(p, R, cs, high, true);
        else if (enabled)
            Rectangle(p, QRect(R.left(), R.top() + 1, R.width() - (Painter->FlatMenu() ? 1 : 0), R.height() - 2),
                      cs.SelectFrame, cs.SelectFill);
    }

    // Check marks.
    if (checked && !separator) {
        const TColor fill = selected ? cs.CheckedSelFill : cs.CheckedFill;
        const TColor pen = enabled ? cs.SelectFrame : cs.Disabled;
        if (radio) {
            if (hasIcon)
                RoundRect(p, check, 6, pen, fill);
            else
                Ellipse(p, check, pen, fill);
        } else if (hasIcon) {
            Rectangle(p, check, pen, fill);
        } else {
            Rectangle(p, check, enabled ? cs.CheckFrame : cs.Disabled, fill);
            Put(p, MenuCheckMarkPixels(check.left(), check.top(), check.right() + 1, check.bottom() + 1),
                enabled ? ColorToRGB(clBlack) : cs.Disabled);
        }
    }

    // Icon.
    if (hasIcon) {
        const QImage img = IconImage(mi->icon, QSize(iconSide, iconSide), enabled, selected, checked, high);
        int x, y;
        if (bar) {
            x = rtl ? R.right() - 5 - iconW + 1 : R.left() + 1;
            y = R.top() + 1;
        } else {
            const int off = iconW < IW ? (IW - iconW) / 2 - 1 : 2;
            x = rtl ? col.right() - off - iconW + 1 : col.left() + off;
            y = R.top() + 3;
        }
        p->drawImage(QPoint(x, y), img);
    }

    if (separator) {
        const int y = R.top() + R.height() / 2;
        if (rtl)
            HLine(p, text.left(), text.right() + 1 - 7, y, cs.Separator);
        else
            HLine(p, text.left() + 7, text.right() + 1, y, cs.Separator);
        p->restore();
        return;
    }

    // Text.
    QString caption = mi->text, shortcut;
    const int tab = caption.indexOf(QLatin1Char('\t'));
    if (tab >= 0) {
        shortcut = caption.mid(tab + 1);
        caption.truncate(tab);
    }
    QRect tr = text;
    if (rtl)
        tr.setRight(tr.right() - 3);
    else
        tr.setLeft(tr.left() + 3);
    tr.setTop(R.top() + (R.height() - fm.height()) / 2);
    tr.setHeight(fm.height());
    TColor color = enabled ? fontColor : cs.Disabled;
    if (selected) {
        if (bar && Painter->UseSystemColors()) {
            const TColor ib = cs.IconBack;
            const bool dark = (GetRValue(ib) + GetBValue(ib)) / 2 < 151 && GetGValue(ib) < 201;
            color = dark ? Lighten(ib, 90) : fontColor;
        } else {
            color = cs.SelectText;
        }
    }
    if (!enabled)
        color = cs.Disabled;
    const int align = (rtl ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop | Qt::TextSingleLine;
    const int flags = align | MnemonicFlag(mi, widget);
    if (mi->menuItemType == QStyleOptionMenuItem::DefaultItem && enabled) {
        // A soft shadow: the colour under the text darkened, one pixel further each pass.
        TColor under = cs.MenuBack;
        if (bar)
            under = cs.MenuBar;
        else if (boxed)
            under = cs.SelectFill;
        else if (gradient)
            under = Lighten(cs.IconBack, GradientShade(rtl ? R.right() - tr.right() : tr.left() - R.left(), IW));
        static const int steps[4] = {30, 30, 40, 60};
        QPoint off(0, 0);
        for (int i = 0; i < 4; ++i) {
            off += (i % 2 == 0) ? QPoint(1, 0) : QPoint(0, 1);
            p->setPen(Q(Darken(under, steps[i])));
            p->drawText(tr.translated(off), flags, caption);
        }
    }
    p->setPen(Q(color));
    p->drawText(tr, flags, caption);
    if (!shortcut.isEmpty()) {
        QRect sr = tr;
        if (rtl) {
            sr.setLeft(R.left() + 10);
            sr.setRight(R.right());
        } else {
            sr.setLeft(R.left());
            sr.setRight(R.right() - 10);
        }
        p->setPen(Q(high ? Darken(color, -40) : color));
        p->drawText(sr, (rtl ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignTop | Qt::TextSingleLine,
                    shortcut + QLatin1Char(' '));
    }
    if (mi->menuItemType == QStyleOptionMenuItem::SubMenu && !bar)
        SubMenuArrow(p, rtl ? R.left() + 6 : R.right() - 10, R.top() + R.height() / 2, rtl, color);
    p->restore();
}

void TXPStyle::DrawMenuFrame(const QStyleOption* option, QPainter* p, const QWidget*) const {
    const bool high = HighColor(p);
    const TXPColorSet cs = Painter->ColorSet(high);
    QRect r = option->rect;
    p->save();
    if (!Painter->FlatMenu()) {
        // The system's raised menu frame.
        Frame3D(*p, r, cl3DLight, cl3DDkShadow, 1);
        Frame3D(*p, r, clBtnHighlight, clBtnShadow, 1);
        Frame3D(*p, r, clMenu, clMenu, 1);
        p->restore();
        return;
    }
    const bool rtl = option->direction == Qt::RightToLeft;
    FrameRect(p, r, cs.MenuFrame);
    const QRect in = r.adjusted(1, 1, -1, -1);
    const QList<QRect> ring = {QRect(in.left(), in.top(), in.width(), 2), QRect(in.left(), in.bottom() - 1, in.width(), 2),
                               QRect(in.left(), in.top(), 2, in.height()), QRect(in.right() - 1, in.top(), 2, in.height())};
    for (const QRect& band : ring)
        p->fillRect(band, Q(cs.MenuBack));
    // The icon column runs on through the frame.
    const int IW = Painter->IconWidth();
    const int items = rtl ? r.right() - 2 : r.left() + 3;  // first item column
    const bool gradient = high && Painter->Gradient();
    for (int x = in.left(); x <= in.right(); ++x) {
        const int k = rtl ? items - x : x - items;
        TColor c;
        if (gradient)
            c = Lighten(cs.IconBack, GradientShade(std::max(k, 0), IW));
        else if (k < IW)
            c = cs.IconBack;
        else
            continue;
        const bool side = rtl ? x > in.right() - 2 : x < in.left() + 2;
        if (side)
            VLine(p, x, in.top(), in.bottom() + 1, c);
        else {
            VLine(p, x, in.top(), in.top() + 2, c);
            VLine(p, x, in.bottom() - 1, in.bottom() + 1, c);
        }
    }
    p->restore();
}

int TXPStyle::ShortCutColumn(const QMenu* menu) const {
    // What the menu adds to every item for its shortcut texts (the widest of them).
    const QFontMetrics qfm = menu->fontMetrics();
    const bool context = !Painter->IsMainMenuMenu(menu);
    int w = 0;
    for (QAction* a : menu->actions()) {
        if (!a->isVisible() || a->isSeparator() || qobject_cast<QWidgetAction*>(a))
            continue;
        const QString s = a->text();
        const qsizetype t = s.indexOf(QLatin1Char('\t'));
        if (t >= 0)
            w = std::max(w, qfm.horizontalAdvance(s.mid(t + 1)));
        else if ((a->isShortcutVisibleInContextMenu() || !context) && !a->shortcut().isEmpty())
            w = std::max(w, qfm.horizontalAdvance(ShortCutText(a)));
    }
    return w;
}

// ---- Tool bars and buttons ----

void TXPStyle::DrawFace(QPainter* p, const QRect& r, const QIcon& icon, QSize iconSize, const QString& text,
                        bool enabled, bool lit, bool high, const TXPColorSet& cs, Qt::ToolButtonStyle layout,
                        const QWidget* widget) const {
    const bool showIcon = !icon.isNull() && layout != Qt::ToolButtonTextOnly;
    const bool showText = !text.isEmpty() && layout != Qt::ToolButtonIconOnly;
    const QFont font = Painter->MenuFont();
    const QFontMetrics fm(font);
    const TColor color = enabled ? ColorToRGB(Painter->MenuFontColor()) : cs.Disabled;
    QImage img;
    if (showIcon) {
        if (iconSize.isEmpty())
            iconSize = QSize(16, 16);
        img = IconImage(icon, iconSize, enabled, lit, false, high, lit && enabled ? QIcon::Active : QIcon::Normal);
        iconSize = img.deviceIndependentSize().toSize();
    }
    QStyleOption mnemonicOpt;
    const int flags = Qt::TextSingleLine | MnemonicFlag(&mnemonicOpt, widget);
    p->save();
    p->setFont(font);
    p->setPen(Q(color));
    if (showIcon && !showText) {
        p->drawImage(QPoint(r.left() + (r.width() - iconSize.width()) / 2, r.top() + (r.height() - iconSize.height()) / 2),
                     img);
    } else if (!showIcon) {
        p->drawText(r, Qt::AlignCenter | flags, text);
    } else if (layout == Qt::ToolButtonTextUnderIcon) {
        const int total = iconSize.height() + 1 + fm.height();
        const int y = r.top() + (r.height() - total) / 2;
        p->drawImage(QPoint(r.left() + (r.width() - iconSize.width()) / 2, y), img);
        p->drawText(QRect(r.left(), y + iconSize.height() + 1, r.width(), fm.height()), Qt::AlignHCenter | flags, text);
    } else {
        const int tw = fm.horizontalAdvance(QString(text).remove(QLatin1Char('&')));
        const int total = iconSize.width() + 4 + tw;
        const int x = r.left() + std::max((r.width() - total) / 2, 2);
        p->drawImage(QPoint(x, r.top() + (r.height() - iconSize.height()) / 2), img);
        p->drawText(QRect(x + iconSize.width() + 4, r.top(), r.right() - x - iconSize.width() - 3, r.height()),
                    Qt::AlignLeft | Qt::AlignVCenter | flags, text);
    }
    p->restore();
}

void TXPStyle::DrawToolBarButton(const QStyleOptionToolButton* o, QPainter* p, const QWidget* w) const {
    const bool high = HighColor(p);
    const TXPColorSet cs = Painter->ColorSet(high);
    const TColor barColor = ParentColor(w);
    const QRect R = o->rect;
    const bool enabled = o->state & State_Enabled;
    const bool hot = (o->state & State_MouseOver) && enabled;
    const bool checked = o->state & State_On;
    const bool pressed = o->state & State_Sunken;
    const bool hasMenu = o->features & QStyleOptionToolButton::HasMenu;
    const bool split = o->features & QStyleOptionToolButton::MenuButtonPopup;
    const bool menuOpen = pressed && hasMenu && (o->activeSubControls & SC_ToolButtonMenu);
    const int splitX = R.right() + 1 - DropDownWidth;

    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    p->fillRect(R, Q(high ? Lighten(barColor, 16) : barColor));
    if (menuOpen) {
        DrawRaisedTab(p, R, cs, high, false);
    } else if (hot || pressed) {
        Rectangle(p, R, cs.SelectFrame, pressed ? cs.CheckedSelFill : cs.SelectFill);
        if (split)
            VLine(p, splitX, R.top(), R.bottom() + 1, cs.SelectFrame);
    } else if (checked) {
        Rectangle(p, R, cs.SelectFrame, cs.CheckedFill);
    }
    if (hasMenu) {
        const TColor arrow = enabled ? ColorToRGB(clBlack) : cs.Disabled;
        if (split)
            Put(p, DownArrowPixels(splitX + 4, R.top() + (R.height() - 3) / 2), arrow);
        else
            Put(p, DownArrowPixels(R.right() - 6, R.bottom() - 4), arrow);
    }
    const QRect content = split ? QRect(R.left(), R.top(), R.width() - DropDownWidth, R.height()) : R;
    if (o->arrowType != Qt::NoArrow) {
        QStyleOption arrow(*o);
        arrow.rect = content.adjusted(4, 4, -4, -4);
        const PrimitiveElement pe = o->arrowType == Qt::LeftArrow    ? PE_IndicatorArrowLeft
                                    : o->arrowType == Qt::RightArrow ? PE_IndicatorArrowRight
                                    : o->arrowType == Qt::UpArrow    ? PE_IndicatorArrowUp
                                                                     : PE_IndicatorArrowDown;
        QProxyStyle::drawPrimitive(pe, &arrow, p, w);
    } else {
        DrawFace(p, content, o->icon, o->iconSize, o->text, enabled, hot || pressed || checked, high, cs,
                 o->toolButtonStyle, w);
    }
    p->restore();
}

void TXPStyle::DrawSpeedButton(const QStyleOptionToolButton* o, QPainter* p, const QWidget* w) const {
    const bool high = HighColor(p);
    const TXPColorSet cs = Painter->ColorSet(high);
    const TControlSubClass* sub = Painter->SubClassOf(w);
    const QRect R = o->rect;
    const bool enabled = o->state & State_Enabled;
    const bool hot = enabled && (sub ? sub->Hot() : bool(o->state & State_MouseOver));
    const bool down = o->state & State_On;
    const bool pressed = (o->state & State_Sunken) || (sub && sub->LButtonDown() && hot) || (sub && sub->SpaceDown());
    const bool transparent = w && w->property("Transparent").toBool();
    const bool flat = o->state & State_AutoRaise;
    TColor face = cs.IconBack, border = ColorToRGB(clBtnShadow);
    if (down) {
        face = hot ? cs.CheckedSelFill : cs.CheckedFill;
        border = cs.SelectFrame;
    } else if (hot) {
        face = cs.SelectFill;
        border = cs.SelectFrame;
    }
    if (!enabled)
        border = ColorToRGB(clBtnShadow);

    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    if (transparent && (hot || down)) {
        const int depth = p->device() ? p->device()->depth() : 32;
        p->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        p->fillRect(R, Q(Lighten(cs.SelectFill, depth <= 16 ? 40 : 20)));
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    } else if (!transparent) {
        p->fillRect(R, Q(face));
    }
    if (!(flat && transparent && !hot && !down))
        FrameRect(p, R, Lighten(border, 30));
    if (pressed || down) {
        const TColor shadow = Darken(border, 50);
        HLine(p, R.left() + 1, R.right(), R.top() + 1, shadow);
        VLine(p, R.left() + 1, R.top() + 1, R.bottom(), shadow);
    }
    DrawFace(p, R.adjusted(1, 1, -1, -1), o->icon, o->iconSize, o->text, enabled, hot || down, high, cs,
             o->toolButtonStyle, w);
    p->restore();
}

void TXPStyle::DrawButton(const QStyleOption* option, QPainter* p, const QWidget* w) const {
    const auto* btn = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (!btn)
        return;
    const bool high = HighColor(p);
    const TXPColorSet cs = Painter->ColorSet(high);
    const TControlSubClass* sub = Painter->SubClassOf(w);
    const QRect R = option->rect;
    const bool enabled = option->state & State_Enabled;
    const bool hot = enabled && (sub ? sub->Hot() : bool(option->state & State_MouseOver));
    const bool space = sub && sub->SpaceDown();
    const bool focused = option->state & State_HasFocus;
    const bool pressed = sub ? (sub->LButtonDown() && hot) || space : bool(option->state & State_Sunken);
    const TColor border = (hot || focused || space) ? Lighten(cs.SelectFrame, 60) : ColorToRGB(clBtnShadow);
    const TColor face = (hot || space) ? Lighten(clBtnFace, 60) : cs.IconBack;

    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    p->fillRect(R, Q(ParentColor(w)));
    const QRect f = pressed ? R.adjusted(1, 1, 0, 0) : R.adjusted(0, 0, -1, -1);
    RoundRect(p, f, 4, Lighten(border, 30), face);
    if (enabled) {
        const TColor shadow = Darken(border, 50);
        if (pressed) {
            VLine(p, R.left(), R.top() + 2, R.bottom() - 1, shadow);
            HLine(p, R.left() + 2, R.right() - 1, R.top(), shadow);
        } else {
            VLine(p, R.right(), R.top() + 2, R.bottom(), shadow);
            HLine(p, R.left() + 2, R.right(), R.bottom(), shadow);
        }
    }
    QRect content = f.adjusted(2, 2, -2, -2);
    if (btn->features & QStyleOptionButton::HasMenu) {
        Put(p, DownArrowPixels(content.right() - 6, content.top() + (content.height() - 3) / 2),
            enabled ? ColorToRGB(clBlack) : cs.Disabled);
        content.setRight(content.right() - 10);
    }
    DrawFace(p, content, btn->icon, btn->iconSize, btn->text, enabled, hot, high, cs, Qt::ToolButtonTextBesideIcon, w);
    p->restore();
}

// ---- Controls ----

void TXPStyle::DrawCombo(const QStyleOptionComplex* o, QPainter* p, const QWidget* w) const {
    const bool high = HighColor(p);
    const TXPColorSet cs = Painter->ColorSet(high);
    const TControlSubClass* sub = Painter->SubClassOf(w);
    const QRect R = o->rect;
    const bool rtl = o->direction == Qt::RightToLeft;
    const bool enabled = o->state & State_Enabled;
    const bool hot = enabled && sub && sub->Hot();
    const bool focused = o->state & State_HasFocus;
    const bool dropped = o->state & State_On;
    TColor border = Darken(ParentColor(w), 60), face = ColorToRGB(clBtnFace);
    if (focused) {
        border = Lighten(cs.SelectFrame, 60);
        face = cs.CheckedFill;
    }
    if (hot) {
        border = cs.SelectFrame;
        face = cs.SelectFill;
    }
    if (dropped) {
        border = cs.SelectFrame;
        face = cs.CheckedSelFill;
    }
    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    p->fillRect(R, o->palette.brush(QPalette::Base));
    FrameRect(p, R, border);
    const QRect btn = rtl ? QRect(R.left() + 1, R.top() + 1, ThumbWidth, R.height() - 2)
                          : QRect(R.right() - ThumbWidth, R.top() + 1, ThumbWidth, R.height() - 2);
    p->fillRect(btn, Q(face));
    if (rtl)
        VLine(p, btn.right(), btn.top(), btn.bottom() + 1, border);
    else
        VLine(p, btn.left(), btn.top(), btn.bottom() + 1, border);
    const int ax = rtl ? R.left() + 5 : R.right() + 1 - 10;
    const int ay = R.top() + (R.height() - 1) / 2;
    Put(p, DownArrowPixels(ax, ay), (!enabled || dropped) ? ColorToRGB(clWhite) : ColorToRGB(clBlack));
    p->restore();
}

void TXPStyle::DrawCheck(const QStyleOption* o, QPainter* p, const QWidget* w, bool radio) const {
    const bool high = HighColor(p);
    const TXPColorSet cs = Painter->ColorSet(high);
    const TControlSubClass* sub = Painter->SubClassOf(w);
    const bool enabled = o->state & State_Enabled;
    const bool hot = enabled && (sub ? sub->Hot() : bool(o->state & State_MouseOver));
    const bool focused = o->state & State_HasFocus;
    const bool pressed = sub && (sub->SpaceDown() || sub->LButtonDown());
    const bool checked = o->state & (State_On | State_NoChange);
    const QPoint c = o->rect.center();
    const QRect square(c.x() - CheckSquare / 2 + 1, c.y() - CheckSquare / 2 + 1, CheckSquare, CheckSquare);
    const QRect inner = square.adjusted(2, 2, -2, -2);
    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    // The square takes the control's own colour; a control without a background of its own
    // shows its parent's surface (a tab page is lighter than the window colour), so it stays.
    if (w && w->autoFillBackground())
        p->fillRect(square, o->palette.brush(w->backgroundRole()));
    if (!radio) {
        TColor face = ColorToRGB(clWindow), frame = ColorToRGB(clBtnShadow);
        if (hot || focused) {
            face = cs.SelectFill;
            frame = cs.SelectFrame;
        }
        if (pressed)
            face = cs.CheckedSelFill;
        Rectangle(p, inner, frame, face);
        if (checked) {
            const TColor mark = !enabled || (o->state & State_NoChange) ? cs.Disabled
                                : pressed                            ? ColorToRGB(clWindow)
                                                                     : ColorToRGB(clHighlight);
            Put(p, CheckBoxMarkPixels(inner.left(), inner.bottom() + 1), mark);
        }
    } else {
        const TColor face = (hot || focused) ? cs.SelectFill : ColorToRGB(clWindow);
        const TColor frame = hot ? cs.SelectFrame : ColorToRGB(clBtnShadow);
        Ellipse(p, inner, frame, face);
        if (checked) {
            const TColor dot = enabled ? ColorToRGB(clHighlight) : cs.Disabled;
            Ellipse(p, inner.adjusted(2, 2, -2, -2), dot, dot);
        }
    }
    p->restore();
}

void TXPStyle::DrawEditFrame(const QStyleOption* o, QPainter* p, const QWidget* w, bool singleBorder) const {
    const bool high = HighColor(p);
    const TXPColorSet cs = Painter->ColorSet(high);
    const TControlSubClass* sub = Painter->SubClassOf(w);
    const bool hot = (o->state & State_Enabled) && sub && sub->Hot();
    const bool focused = o->state & State_HasFocus;
    const TColor parent = ParentColor(w);
    const TColor border = (hot || focused) ? Lighten(cs.SelectFrame, singleBorder ? 60 : 80)
                                           : (singleBorder ? Darken(parent, 60) : parent);
    p->save();
    p->fillRect(o->rect, o->palette.brush(QPalette::Base));
    FrameRect(p, o->rect, border);
    p->restore();
}

bool TXPStyle::DrawPanel(const QStyleOption* o, QPainter* p, const QWidget*) const {
    const auto* f = qstyleoption_cast<const QStyleOptionFrame*>(o);
    if (!f)
        return false;
    const bool sunken = o->state & State_Sunken, raised = o->state & State_Raised;
    switch (f->frameShape) {
    case QFrame::Box:
    case QFrame::Panel:
    case QFrame::WinPanel:
    case QFrame::StyledPanel:
        break;
    default:
        return false;
    }
    if (!sunken && !raised)
        return false;
    const TColor color = T(o->palette.color(QPalette::Window));
    TColor hi = Lighten(color, 60), sh = Darken(color, 60);
    if (sunken)
        std::swap(hi, sh);
    const int width = f->frameShape == QFrame::WinPanel ? 2 : std::max(f->lineWidth, 1);
    QRect r = o->rect;
    p->save();
    Frame3D(*p, r, hi, sh, width);
    p->restore();
    return true;
}

void TXPStyle::DrawGroupBox(const QStyleOptionComplex* o, QPainter* p, const QWidget* w) const {
    const auto* g = qstyleoption_cast<const QStyleOptionGroupBox*>(o);
    if (!g)
        return;
    const TColor color = T(o->palette.color(QPalette::Window));
    const bool hasLabel = (g->subControls & SC_GroupBoxLabel) && !g->text.isEmpty();
    const QRect tr = proxy()->subControlRect(CC_GroupBox, g, SC_GroupBoxLabel, w);
    p->save();
    if (g->subControls & SC_GroupBoxFrame) {
        QRect fr = proxy()->subControlRect(CC_GroupBox, g, SC_GroupBoxFrame, w);
        // The toolkit's box begins under the caption (and check box), which sits on the left
        // edge; a frame at the very top would run into the caption's upper half.
        if (hasLabel)
            fr.setTop(std::max(fr.top(), tr.bottom() + 1));
        if (g->subControls & SC_GroupBoxCheckBox)
            fr.setTop(std::max(fr.top(), proxy()->subControlRect(CC_GroupBox, g, SC_GroupBoxCheckBox, w).bottom() + 1));
        const bool flat = g->features & QStyleOptionFrame::Flat;
        // The caption keeps the background under it: the frame stops on either side.
        p->save();
        if (hasLabel)
            p->setClipRegion(QRegion(o->rect).subtracted(QRegion(tr.adjusted(-2, 0, 2, 0))), Qt::IntersectClip);
        FrameRect(p, fr.adjusted(1, 1, -1, -1), flat ? Darken(color, 60) : Lighten(color, 60));
        p->restore();
    }
    if (hasLabel) {
        if (g->textColor.isValid())
            p->setPen(g->textColor);
        proxy()->drawItemText(p, tr, Qt::AlignCenter | MnemonicFlag(o, w), g->palette, g->state & State_Enabled, g->text,
                              g->textColor.isValid() ? QPalette::NoRole : QPalette::WindowText);
    }
    if (g->subControls & SC_GroupBoxCheckBox) {
        QStyleOptionButton box;
        box.QStyleOption::operator=(*g);
        box.rect = proxy()->subControlRect(CC_GroupBox, g, SC_GroupBoxCheckBox, w);
        QProxyStyle::drawPrimitive(PE_IndicatorCheckBox, &box, p, w);
    }
    p->restore();
}

// ---- Dispatch ----

void TXPStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
    if (Paints(widget)) {
        switch (element) {
        case PE_FrameMenu:
            if (qobject_cast<const QMenu*>(widget))
                return DrawMenuFrame(option, painter, widget);
            break;
        case PE_PanelMenu:
            if (qobject_cast<const QMenu*>(widget)) {
                painter->fillRect(option->rect, Q(Painter->ColorSet(HighColor(painter)).MenuBack));
                return;
            }
            break;
        case PE_PanelMenuBar:
            if (qobject_cast<const QMenuBar*>(widget)) {
                painter->fillRect(option->rect, option->palette.brush(QPalette::Window));
                return;
            }
            break;
        case PE_PanelToolBar:
            if (qobject_cast<const QToolBar*>(widget)) {
                // Inside a control bar the band shows through.
                if (!qobject_cast<const TControlBar*>(widget->parentWidget()))
                    painter->fillRect(option->rect, option->palette.brush(QPalette::Window));
                return;
            }
            break;
        case PE_IndicatorCheckBox:
            if (qobject_cast<const QCheckBox*>(widget))
                return DrawCheck(option, painter, widget, false);
            break;
        case PE_IndicatorRadioButton:
            if (qobject_cast<const QRadioButton*>(widget))
                return DrawCheck(option, painter, widget, true);
            break;
        case PE_PanelLineEdit:
            if (qobject_cast<const QLineEdit*>(widget) && Painter->SubClassOf(widget)) {
                const auto* f = qstyleoption_cast<const QStyleOptionFrame*>(option);
                return DrawEditFrame(option, painter, widget, f && f->lineWidth > 0);
            }
            break;
        case PE_FrameFocusRect:
            if (qobject_cast<const QPushButton*>(widget) || qobject_cast<const QToolButton*>(widget))
                return;
            break;
        default:
            break;
        }
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void TXPStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                           const QWidget* widget) const {
    if (Paints(widget)) {
        switch (element) {
        case CE_MenuItem:
            if (qobject_cast<const QMenu*>(widget)) {
                const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
                const QAction* a = MenuAction(widget, option);
                if (mi && (mi->menuItemType == QStyleOptionMenuItem::Normal ||
                           mi->menuItemType == QStyleOptionMenuItem::DefaultItem ||
                           mi->menuItemType == QStyleOptionMenuItem::SubMenu ||
                           mi->menuItemType == QStyleOptionMenuItem::Separator) &&
                    !XPTagged(a))
                    return DrawMenuItem(mi, painter, widget, false);
            }
            break;
        case CE_MenuEmptyArea:
            if (qobject_cast<const QMenu*>(widget)) {
                painter->fillRect(option->rect, Q(Painter->ColorSet(HighColor(painter)).MenuBack));
                return;
            }
            break;
        case CE_MenuBarItem:
            if (qobject_cast<const QMenuBar*>(widget)) {
                const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
                if (mi && !XPTagged(MenuAction(widget, option)))
                    return DrawMenuItem(mi, painter, widget, true);
            }
            break;
        case CE_MenuBarEmptyArea:
            if (qobject_cast<const QMenuBar*>(widget)) {
                painter->fillRect(option->rect, option->palette.brush(QPalette::Window));
                return;
            }
            break;
        case CE_ToolBar:
            if (qobject_cast<const QToolBar*>(widget))
                return drawPrimitive(PE_PanelToolBar, option, painter, widget);
            break;
        case CE_PushButton:
            if (qobject_cast<const QPushButton*>(widget) && Painter->SubClassOf(widget))
                return DrawButton(option, painter, widget);
            break;
        case CE_ShapedFrame:
            if (const TControlSubClass* sub = Painter->SubClassOf(widget)) {
                const auto* f = qstyleoption_cast<const QStyleOptionFrame*>(option);
                if ((sub->Kind() == xcMemo || sub->Kind() == xcRichEdit) && f && f->frameShape != QFrame::NoFrame)
                    return DrawEditFrame(option, painter, widget, true);
                if (sub->Kind() == xcPanel && DrawPanel(option, painter, widget))
                    return;
            }
            break;
        default:
            break;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void TXPStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                  const QWidget* widget) const {
    if (Paints(widget)) {
        switch (control) {
        case CC_ToolButton:
            if (const auto* tb = qstyleoption_cast<const QStyleOptionToolButton*>(option)) {
                if (qobject_cast<const QToolBar*>(widget->parentWidget()))
                    return DrawToolBarButton(tb, painter, widget);
                if (Painter->SubClassOf(widget))
                    return DrawSpeedButton(tb, painter, widget);
            }
            break;
        case CC_ComboBox:
            if (Painter->SubClassOf(widget))
                return DrawCombo(option, painter, widget);
            break;
        case CC_GroupBox:
            if (Painter->SubClassOf(widget))
                return DrawGroupBox(option, painter, widget);
            break;
        default:
            break;
        }
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

QSize TXPStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                 const QWidget* widget) const {
    const QSize base = QProxyStyle::sizeFromContents(type, option, size, widget);
    const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (!mi || !Paints(widget))
        return base;
    const bool barItem = type == CT_MenuBarItem && qobject_cast<const QMenuBar*>(widget);
    const bool menuItem = type == CT_MenuItem && qobject_cast<const QMenu*>(widget);
    if (!barItem && !menuItem)
        return base;
    QString caption = mi->text, shortcut;
    const int tab = caption.indexOf(QLatin1Char('\t'));
    if (tab >= 0) {
        shortcut = caption.mid(tab + 1);
        caption.truncate(tab);
    }
    // The item this option is for, to honour its tag.
    if (mi->menuItemType != QStyleOptionMenuItem::Separator) {
        for (QAction* a : widget->actions()) {
            QString t = a->text();
            const qsizetype at = t.indexOf(QLatin1Char('\t'));
            if (at >= 0)
                t.truncate(at);
            if (t == caption && a->isVisible() && !a->isSeparator()) {
                if (XPTagged(a))
                    return base;
                break;
            }
        }
    }
    if (menuItem && mi->menuItemType != QStyleOptionMenuItem::Normal &&
        mi->menuItemType != QStyleOptionMenuItem::DefaultItem && mi->menuItemType != QStyleOptionMenuItem::SubMenu &&
        mi->menuItemType != QStyleOptionMenuItem::Separator)
        return base;
    const QFontMetrics fm(Painter->MenuFont());
    TMenuMeasure m;
    m.Caption = mi->menuItemType == QStyleOptionMenuItem::Separator ? QStringLiteral("-") : caption;
    m.ShortCut = shortcut;
    if (!mi->icon.isNull()) {
        const int side = QProxyStyle::pixelMetric(PM_SmallIconSize, option, widget);
        m.IconWidth = side;
        m.IconHeight = side;
    }
    m.MainMenuTopLevel = barItem;
    m.ColumnWidth = Painter->IconWidth();
    m.TextWidth = [&fm](const QString& s) { return fm.horizontalAdvance(s); };
    m.TextHeight = [&fm](const QString&) { return fm.height(); };
    const QSize s = MeasureMenuItem(m);
    if (barItem)
        return QSize(s.width(), base.height());
    if (mi->menuItemType == QStyleOptionMenuItem::Separator)
        return QSize(1, s.height());
    // The menu adds its shortcut column to every item afterwards; it is already counted here.
    const int width = s.width() + MenuCheckWidth - ShortCutColumn(static_cast<const QMenu*>(widget));
    return QSize(std::max(width, 1), s.height());
}

int TXPStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
    if (Paints(widget)) {
        if (qobject_cast<const QMenu*>(widget)) {
            switch (metric) {
            case PM_MenuPanelWidth:
                return 3;
            case PM_MenuHMargin:
            case PM_MenuVMargin:
                return 0;
            default:
                break;
            }
        } else if (qobject_cast<const QMenuBar*>(widget)) {
            switch (metric) {
            case PM_MenuBarItemSpacing:
            case PM_MenuBarHMargin:
            case PM_MenuBarPanelWidth:
                return 0;
            default:
                break;
            }
        }
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}
