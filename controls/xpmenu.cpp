#include "controls/xpmenu.h"

#include "controls/controlbar.h"
#include "controls/xpstyle.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionEvent>
#include <QApplication>
#include <QCheckBox>
#include <QChildEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

#include <functional>

bool XPTagged(const QObject* object) { return object && object->property("Tag").toInt() == XPExcludeTag; }

namespace {

template <class T>
bool IsExactly(const QWidget* w) {
    return w && w->metaObject() == &T::staticMetaObject;
}

bool HasOwnPainter(const QWidget* w) {
    for (QObject* c : w->children())
        if (qobject_cast<TXPMenu*>(c))
            return true;
    return false;
}

// The widgets under root that belong to its form: not other windows (menus excepted, which
// are windows of their own), not a part that holds a painter of its own.
void Collect(QObject* root, QList<QWidget*>& out) {
    for (QObject* o : root->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w)
            continue;
        if (w->isWindow() && !qobject_cast<QMenu*>(w))
            continue;
        if (HasOwnPainter(w))
            continue;
        out.append(w);
        Collect(w, out);
    }
}

bool IsUnder(const QObject* container, const QObject* o) {
    for (; o; o = o->parent())
        if (o == container)
            return true;
    return false;
}

// The kind of control a widget is, or -1. Plain toolkit controls only: the program's own
// controls (numeric edits, date edits, flat memos ...) keep the look they draw themselves.
int ControlKindOf(const QWidget* w) {
    if (qobject_cast<const QComboBox*>(w))
        return xcCombo;
    if (IsExactly<QLineEdit>(w))
        return static_cast<const QLineEdit*>(w)->inputMask().isEmpty() ? xcEdit : xcMaskEdit;
    if (IsExactly<QPlainTextEdit>(w))
        return xcMemo;
    if (IsExactly<QTextEdit>(w))
        return xcRichEdit;
    if (qobject_cast<const QCheckBox*>(w))
        return xcCheckBox;
    if (qobject_cast<const QRadioButton*>(w))
        return xcRadioButton;
    if (IsExactly<QPushButton>(w))
        return static_cast<const QPushButton*>(w)->icon().isNull() ? xcButton : xcBitBtn;
    if (IsExactly<QToolButton>(w) && !qobject_cast<const QToolBar*>(w->parentWidget()))
        return xcSpeedButton;
    if (IsExactly<QFrame>(w) || (IsExactly<QLabel>(w) && static_cast<const QLabel*>(w)->frameShape() != QFrame::NoFrame))
        return xcPanel;
    if (qobject_cast<const QGroupBox*>(w))
        return xcGroupBox;
    return -1;
}

// The kind of container a parent is, or -1.
int ContainerKindOf(const QWidget* p, const QWidget* form) {
    if (!p)
        return -1;
    if (p == form)
        return xccForm;
    if (auto* mw = qobject_cast<const QMainWindow*>(form); mw && mw->centralWidget() == p)
        return xccForm;
    if (qobject_cast<const QToolBar*>(p))
        return xccToolbar;
    if (qobject_cast<const TControlBar*>(p))
        return xccControlbar;
    if (qobject_cast<const QGroupBox*>(p))
        return xccGroupBox;
    const QWidget* up = p->parentWidget();
    if (up && qobject_cast<const QStackedWidget*>(up) && qobject_cast<const QTabWidget*>(up->parentWidget()))
        return xccTabSheet;
    if (up && up->parentWidget() && qobject_cast<const QScrollArea*>(up->parentWidget()) &&
        static_cast<const QScrollArea*>(up->parentWidget())->widget() == p)
        return xccScrollBox;
    if (IsExactly<QWidget>(p) || IsExactly<QFrame>(p) || qobject_cast<const QSplitter*>(p) ||
        IsExactly<QStackedWidget>(p))
        return xccPanel;
    return -1;
}

// A form (a window) or a frame (a plain QWidget inside a form, holding controls); controls,
// panels included, are neither.
bool IsFormOrFrame(const QWidget* w) { return w && (w->isWindow() || IsExactly<QWidget>(w)); }

// The menu bar a menu hangs from (through its chain of parent menus), or null for a pop-up.
QMenuBar* MenuBarOf(const QMenu* menu, int depth = 0) {
    if (!menu || depth > 32)
        return nullptr;
    for (QObject* o : menu->menuAction()->associatedObjects()) {
        if (auto* bar = qobject_cast<QMenuBar*>(o))
            return bar;
        if (auto* parent = qobject_cast<QMenu*>(o); parent && parent != menu)
            if (QMenuBar* bar = MenuBarOf(parent, depth + 1))
                return bar;
    }
    return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TXPMenu

TXPMenu::TXPMenu(QWidget* owner) : QObject(owner), FOwner(owner) {
    if (!IsFormOrFrame(owner))
        throw EInvalidCast();
    FFont = QApplication::font("QMenu");
    FStyle = std::make_unique<TXPStyle>(this);
}

TXPMenu::~TXPMenu() {
    if (FAutoDetect)
        qApp->removeEventFilter(this);
    InitItems(FOwner, false, false);
    FStyle.reset();
}

QStyle* TXPMenu::Style() const { return FStyle.get(); }

void TXPMenu::SetFont(const QFont& value) {
    FFont = value;
    UpdateMenuBars();
}

void TXPMenu::SetFontColor(TColor value) {
    FFontColor = value;
    UpdateMenuBars();
}

void TXPMenu::SetMenuBarColor(TColor value) {
    FProps.MenuBarColor = value;
    UpdateMenuBars();
}

void TXPMenu::SetUseSystemColors(bool value) {
    FProps.UseSystemColors = value;
    UpdateMenuBars();
}

void TXPMenu::SetOverrideOwnerDraw(bool value) {
    FOverrideOwnerDraw = value;
    if (FActive)
        Rehook();
}

void TXPMenu::SetAutoDetect(bool value) {
    if (value == FAutoDetect)
        return;
    FAutoDetect = value;
    if (FAutoDetect)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

void TXPMenu::SetXPContainers(TXPContainers value) {
    if (value == FXPContainers)
        return;
    if (FActive) {
        InitItems(FOwner, false, false);
        FXPContainers = value;
        InitItems(FOwner, true, true);
    } else {
        FXPContainers = value;
    }
}

void TXPMenu::SetXPControls(TXPControls value) {
    if (value == FXPControls)
        return;
    if (FActive) {
        InitItems(FOwner, false, false);
        FXPControls = value;
        InitItems(FOwner, true, true);
    } else {
        FXPControls = value;
    }
}

void TXPMenu::SetActive(bool value) {
    if (value == FActive)
        return;
    FActive = value;
    InitItems(FOwner, value, true);
    UpdateMenuBars();
}

void TXPMenu::Rehook() {
    InitItems(FOwner, false, false);
    InitItems(FOwner, true, true);
}

TXPColorSet TXPMenu::ColorSet(bool highColor) const { return CalcColorSet(FProps, highColor, clMenuText); }

QFont TXPMenu::MenuFont() const { return FProps.UseSystemColors ? QApplication::font("QMenu") : FFont; }

TColor TXPMenu::MenuFontColor() const { return FProps.UseSystemColors ? clMenuText : FFontColor; }

TControlSubClass* TXPMenu::SubClassOf(const QWidget* control) const { return FSubClasses.value(control, nullptr); }

bool TXPMenu::Paints(const QWidget* widget) const {
    return FActive && (FHooked.contains(widget) || FSubClasses.contains(widget));
}

bool TXPMenu::IsMainMenuMenu(const QMenu* menu) const {
    auto it = FHooked.constFind(menu);
    return it != FHooked.constEnd() && it->MainMenu;
}

void TXPMenu::UpdateMenuBars() {
    for (auto it = FHooked.cbegin(); it != FHooked.cend(); ++it)
        if (auto* bar = qobject_cast<QMenuBar*>(it->Widget.data())) {
            // The items are measured anew with the font and colours now in use.
            QEvent e(QEvent::StyleChange);
            QCoreApplication::sendEvent(bar, &e);
            bar->update();
        }
}

bool TXPMenu::CanTake(const QWidget* widget) const {
    return !XPTagged(widget) && !XPTagged(widget->parentWidget());
}

bool TXPMenu::HookWidget(QWidget* widget, bool mainMenu) {
    if (FHooked.contains(widget))
        return true;
    // A menu or bar with a look of its own keeps it unless told otherwise.
    const bool own = widget->testAttribute(Qt::WA_SetStyle);
    if (own && !FOverrideOwnerDraw)
        return false;
    THooked h;
    h.Widget = widget;
    h.PreviousStyle = own ? widget->style() : nullptr;
    h.HadOwnStyle = own;
    h.MainMenu = mainMenu;
    FHooked.insert(widget, h);
    widget->setStyle(FStyle.get());
    widget->installEventFilter(this);
    connect(widget, &QObject::destroyed, this, [this, widget] { FHooked.remove(widget); });
    return true;
}

void TXPMenu::UnhookWidget(QWidget* widget) {
    auto it = FHooked.find(widget);
    if (it == FHooked.end())
        return;
    const THooked h = *it;
    FHooked.erase(it);
    if (!h.Widget)
        return;
    h.Widget->removeEventFilter(this);
    disconnect(h.Widget, &QObject::destroyed, this, nullptr);
    h.Widget->setStyle(h.HadOwnStyle && h.PreviousStyle ? h.PreviousStyle.data() : nullptr);
}

void TXPMenu::HookMenu(QMenu* menu, bool mainMenu) {
    QSet<QMenu*> seen;
    std::function<void(QMenu*)> hook = [&](QMenu* m) {
        if (!m || seen.contains(m))
            return;
        seen.insert(m);
        HookWidget(m, mainMenu);
        // An item tagged 999 is left alone, but its sub-items are still visited.
        for (QAction* a : m->actions())
            hook(a->menu());
    };
    hook(menu);
}

void TXPMenu::HookMenuBar(QMenuBar* bar) {
    if (!HookWidget(bar, true))
        return;
    for (QAction* a : bar->actions())
        HookMenu(a->menu(), true);
}

void TXPMenu::HookToolBar(QToolBar* bar) {
    if (!HookWidget(bar))
        return;
    for (QObject* o : bar->children())
        if (auto* b = qobject_cast<QToolButton*>(o); b && CanTake(b))
            HookWidget(b);
}

void TXPMenu::HookControlBar(TControlBar* bar, bool enable) {
    if (enable) {
        if (bar->HasBandPaint() && bar->BandPaintOwner() != this && !FOverrideOwnerDraw)
            return;
        bar->SetOnBandPaint([this](QWidget* band, QPainter& canvas, const QRect& rect) { PaintBand(band, canvas, rect); },
                            this);
        if (!FControlBars.contains(bar))
            FControlBars.append(bar);
    } else if (bar->BandPaintOwner() == this) {
        bar->SetOnBandPaint({}, nullptr);
    }
}

void TXPMenu::PaintBand(QWidget* band, QPainter& canvas, const QRect& rect) {
    const bool high = !canvas.device() || canvas.device()->depth() >= 16;
    const QWidget* bar = band->parentWidget();
    const TColor color = FromQColor(bar->palette().color(QPalette::Window));
    canvas.fillRect(rect, ToQColor(high ? Lighten(color, 6) : color));
    for (const TGripLine& line : GripLines(rect.top(), rect.bottom() + 1))
        canvas.fillRect(QRect(rect.left() + 3, line.Y, 3, 1), ToQColor(Darken(color, line.Darkness)));
}

void TXPMenu::HookControl(QWidget* control, bool repaint) {
    if (FSubClasses.contains(control))
        return;
    auto* sub = new TControlSubClass(this, control, static_cast<TXPControl>(ControlKindOf(control)));
    FSubClasses.insert(control, sub);
    // A control destroyed before its form is dropped at once.
    connect(control, &QObject::destroyed, this, [this, control] {
        if (TControlSubClass* s = FSubClasses.take(control))
            delete s;
    });
    if (repaint)
        control->update();
}

void TXPMenu::InitItems(QWidget* container, bool enable, bool repaint) {
    if (!container)
        return;
    if (!enable) {
        const QList<const QWidget*> hooked = FHooked.keys();
        for (const QWidget* key : hooked) {
            QWidget* w = FHooked.value(key).Widget.data();
            if (w && !IsUnder(container, w))
                continue;
            if (w) {
                UnhookWidget(w);
                if (repaint)
                    w->update();
            } else {
                FHooked.remove(key);
            }
        }
        const QList<const QWidget*> controls = FSubClasses.keys();
        for (const QWidget* key : controls) {
            TControlSubClass* sub = FSubClasses.value(key);
            QWidget* w = sub->Control();
            if (w && !IsUnder(container, w))
                continue;
            FSubClasses.remove(key);
            if (w)
                disconnect(w, &QObject::destroyed, this, nullptr);
            delete sub;
            if (w && repaint)
                w->update();
        }
        for (const QPointer<TControlBar>& bar : FControlBars)
            if (bar && IsUnder(container, bar))
                HookControlBar(bar, false);
        FControlBars.removeIf([&](const QPointer<TControlBar>& bar) { return !bar || IsUnder(container, bar); });
        return;
    }

    QList<QWidget*> all;
    if (container == FOwner || !HasOwnPainter(container))
        Collect(container, all);
    for (QWidget* w : all) {
        if (auto* bar = qobject_cast<QMenuBar*>(w)) {
            if ((FXPControls & XPBit(xcMainMenu)) && !XPTagged(bar))
                HookMenuBar(bar);
            continue;
        }
        if (auto* menu = qobject_cast<QMenu*>(w)) {
            // Menus of a menu bar go with the bar; the others are pop-up menus, whose own tag
            // is not looked at (their items' are).
            if (!MenuBarOf(menu) && (FXPControls & XPBit(xcPopupMenu)))
                HookMenu(menu, false);
            continue;
        }
        if (auto* bar = qobject_cast<QToolBar*>(w)) {
            if ((FXPControls & XPBit(xcToolbar)) && CanTake(bar))
                HookToolBar(bar);
            continue;
        }
        if (auto* bar = qobject_cast<TControlBar*>(w)) {
            if ((FXPControls & XPBit(xcControlbar)) && CanTake(bar)) {
                HookControlBar(bar, true);
                if (repaint)
                    bar->update();
            }
            continue;
        }
        const int kind = ControlKindOf(w);
        if (kind < 0 || !(FXPControls & XPBit(kind)))
            continue;
        const int parentKind = ContainerKindOf(w->parentWidget(), FOwner);
        if (parentKind < 0 || !(FXPContainers & XPBit(parentKind)))
            continue;
        if (CanTake(w))
            HookControl(w, repaint);
    }
    if (repaint)
        for (const THooked& h : std::as_const(FHooked))
            if (h.Widget)
                h.Widget->update();
}

void TXPMenu::Detect(QWidget* widget) {
    // A menu, tool bar, tool button or control bar that joined the form after it was hooked.
    if (!FActive || FHooked.contains(widget))
        return;
    bool mine = false;
    for (QObject* o = widget->parent(); o; o = o->parent()) {
        if (o == FOwner) {
            mine = true;
            break;
        }
        auto* pw = qobject_cast<QWidget*>(o);
        if (pw && ((pw->isWindow() && !qobject_cast<QMenu*>(pw)) || HasOwnPainter(pw)))
            break;
    }
    if (!mine)
        return;
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        if (QMenuBar* bar = MenuBarOf(menu)) {
            if (FHooked.contains(bar))
                HookMenu(menu, true);
        } else if (FXPControls & XPBit(xcPopupMenu)) {
            HookMenu(menu, false);
        }
    } else if (auto* bar = qobject_cast<QToolBar*>(widget)) {
        if ((FXPControls & XPBit(xcToolbar)) && CanTake(bar))
            HookToolBar(bar);
    } else if (auto* button = qobject_cast<QToolButton*>(widget)) {
        if (FHooked.contains(button->parentWidget()) && CanTake(button))
            HookWidget(button);
    } else if (auto* cbar = qobject_cast<TControlBar*>(widget)) {
        if ((FXPControls & XPBit(xcControlbar)) && CanTake(cbar))
            HookControlBar(cbar, true);
    }
}

bool TXPMenu::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Polish:
        if (FAutoDetect && FActive)
            if (auto* w = qobject_cast<QWidget*>(watched))
                Detect(w);
        break;
    case QEvent::ActionAdded:
    case QEvent::ActionChanged: {
        // A sub-menu added to a painted menu is painted too.
        auto it = FHooked.constFind(qobject_cast<QWidget*>(watched));
        if (FActive && it != FHooked.constEnd())
            if (QMenu* sub = static_cast<QActionEvent*>(event)->action()->menu())
                HookMenu(sub, it->MainMenu);
        break;
    }
    case QEvent::Show:
        // Every time a painted menu opens, its items' sub-menus are taken again.
        if (auto* menu = qobject_cast<QMenu*>(watched); menu && FActive && FHooked.contains(menu))
            HookMenu(menu, IsMainMenuMenu(menu));
        break;
    case QEvent::ChildPolished: {
        // Buttons a painted tool bar gets later are painted with it, and so is the menu a menu
        // bar opens for the items it has no room for.
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (!FActive || !FHooked.contains(qobject_cast<QWidget*>(watched)))
            break;
        if (auto* b = qobject_cast<QToolButton*>(child); b && qobject_cast<QToolBar*>(watched) && CanTake(b))
            HookWidget(b);
        else if (auto* m = qobject_cast<QMenu*>(child); m && qobject_cast<QMenuBar*>(watched))
            HookMenu(m, true);
        break;
    }
    default:
        break;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// TControlSubClass

TControlSubClass::TControlSubClass(TXPMenu* owner, QWidget* control, TXPControl kind)
    : QObject(owner), FControl(control), FOwner(owner), FKind(kind) {
    FHadOwnStyle = control->testAttribute(Qt::WA_SetStyle);
    if (FHadOwnStyle)
        FPreviousStyle = control->style();
    control->setStyle(owner->Style());
    control->installEventFilter(this);
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        connect(button, &QAbstractButton::toggled, this, [this] {
            FHot = false;
            Repaint();
        });
}

TControlSubClass::~TControlSubClass() {
    if (!FControl)
        return;
    FControl->removeEventFilter(this);
    FControl->setStyle(FHadOwnStyle && FPreviousStyle ? FPreviousStyle.data() : nullptr);
}

void TControlSubClass::Repaint() {
    if (FControl)
        FControl->update();
}

bool TControlSubClass::eventFilter(QObject* watched, QEvent* event) {
    if (watched != FControl || !FOwner->Active())
        return false;
    FLastEvent = event->type();
    const bool enabled = FControl->isEnabled();
    switch (event->type()) {
    case QEvent::FocusIn:
        FHot = true;
        Repaint();
        break;
    case QEvent::FocusOut:
        FHot = false;
        Repaint();
        break;
    case QEvent::Enter:
    case QEvent::Leave:
        if (enabled) {
            FHot = event->type() == QEvent::Enter;
            Repaint();
        }
        break;
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            FLButtonDown = true;
            Repaint();
        }
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            FLButtonDown = false;
            Repaint();
        }
        break;
    case QEvent::MouseButtonDblClick:
        // The toolkit passes a double click on as a second press, so that a quick second
        // click counts; the pressed look follows it.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            (FKind == xcButton || FKind == xcBitBtn || FKind == xcSpeedButton || FKind == xcCheckBox))
            FLButtonDown = true;
        break;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space) {
            FSpaceDown = true;
            if (!FSpaceHandled) {
                FSpaceHandled = true;
                Repaint();
            }
        }
        break;
    }
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && !key->isAutoRepeat()) {
            FSpaceDown = false;
            FSpaceHandled = false;
            Repaint();
        }
        break;
    }
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
    case QEvent::ParentChange:
        Repaint();
        break;
    default:
        break;
    }
    return false;
}
