// The flat look of a form's menus, tool bars and controls: one painter per form, dropped on
// it like a component. While Active, the form's menu bar and pop-up menus get an icon column,
// a flat selection box and flat check marks; its tool bars, control bars and controls (combo
// boxes, edits, memos, check boxes, radio buttons, buttons, speed buttons, panels, group boxes)
// are painted flat, lighting up while hot or focused. Active off gives every widget back its
// own look.
//
// The drawing is a style of the painter's own (TXPStyle), set on each widget it takes; each
// control also gets one TControlSubClass that follows its hot, focused and pressed states.
// A menu, item (QAction) or control whose dynamic property "Tag" is 999, or a control whose
// parent's is, is left alone. A form that adds controls after the painter went active turns
// Active off before and on after, so that the new controls are taken too.
#pragma once

#include "controls/colors.h"
#include "controls/xpcolors.h"

#include <QFont>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <cstdint>
#include <memory>
#include <stdexcept>

class QMenu;
class QMenuBar;
class QStyle;
class QToolBar;
class QWidget;
class TControlBar;
class TControlSubClass;
class TXPStyle;

// Raised when a painter's owner is not a form or frame.
class EInvalidCast : public std::runtime_error {
public:
    EInvalidCast() : std::runtime_error("Invalid class typecast") {}
};

// Parents whose child controls are painted (bit 0 first).
enum TXPContainer {
    xccForm, xccFrame, xccToolbar, xccCoolbar, xccControlbar, xccPanel, xccScrollBox, xccGroupBox,
    xccTabSheet, xccPageScroller
};
using TXPContainers = uint16_t;
constexpr TXPContainers AllXPContainers = 1023;

// The kinds of menus and controls the painter handles (bit 0 first).
enum TXPControl {
    xcMainMenu, xcPopupMenu, xcToolbar, xcControlbar, xcCombo, xcEdit, xcMaskEdit, xcMemo, xcRichEdit,
    xcCheckBox, xcRadioButton, xcButton, xcBitBtn, xcSpeedButton, xcPanel, xcGroupBox
};
using TXPControls = uint16_t;
constexpr TXPControls AllXPControls = 0xFFFF;
constexpr uint16_t XPBit(int element) { return static_cast<uint16_t>(1u << element); }

// The value of the exclusion tag.
constexpr int XPExcludeTag = 999;
// True when the object's dynamic property "Tag" is 999.
bool XPTagged(const QObject* object);

class TXPMenu : public QObject {
    Q_OBJECT
public:
    // owner: the form (any window) or frame (a plain QWidget inside a form) whose menus and
    // controls are painted; anything else, a control or null, raises EInvalidCast.
    explicit TXPMenu(QWidget* owner);
    ~TXPMenu() override;

    // ---- Properties, with their defaults ----
    int DimLevel() const { return FDimLevel; }  // 30
    void SetDimLevel(int value) { FDimLevel = static_cast<uint8_t>(value); }
    int GrayLevel() const { return FGrayLevel; }  // 10
    void SetGrayLevel(int value) { FGrayLevel = static_cast<uint8_t>(value); }
    // The font of menu texts and button captions (the system menu font) and its colour
    // (clMenuText). Setting either redraws the form's menu bar.
    QFont Font() const { return FFont; }
    void SetFont(const QFont& value);
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor value);
    TColor Color() const { return FProps.Color; }  // clBtnFace
    void SetColor(TColor value) { FProps.Color = value; }
    TColor IconBackColor() const { return FProps.IconBackColor; }  // clBtnFace
    void SetIconBackColor(TColor value) { FProps.IconBackColor = value; }
    TColor MenuBarColor() const { return FProps.MenuBarColor; }  // clBtnFace; redraws the menu bar
    void SetMenuBarColor(TColor value);
    TColor SelectColor() const { return FProps.SelectColor; }  // clHighlight
    void SetSelectColor(TColor value) { FProps.SelectColor = value; }
    TColor SelectBorderColor() const { return FProps.SelectBorderColor; }  // clHighlight
    void SetSelectBorderColor(TColor value) { FProps.SelectBorderColor = value; }
    TColor SelectFontColor() const { return FProps.SelectFontColor; }  // the font's colour
    void SetSelectFontColor(TColor value) { FProps.SelectFontColor = value; }
    TColor DisabledColor() const { return FProps.DisabledColor; }  // clInactiveCaption
    void SetDisabledColor(TColor value) { FProps.DisabledColor = value; }
    TColor SeparatorColor() const { return FProps.SeparatorColor; }  // clBtnFace
    void SetSeparatorColor(TColor value) { FProps.SeparatorColor = value; }
    TColor CheckedColor() const { return FProps.CheckedColor; }  // clHighlight
    void SetCheckedColor(TColor value) { FProps.CheckedColor = value; }
    int IconWidth() const { return FIconWidth; }  // 24
    void SetIconWidth(int value) { FIconWidth = value; }
    bool DrawSelect() const { return FDrawSelect; }  // true
    void SetDrawSelect(bool value) { FDrawSelect = value; }
    // Derive every colour (and the font) from the system's instead of the properties; setting
    // it redraws the menu bar.
    bool UseSystemColors() const { return FProps.UseSystemColors; }  // true
    void SetUseSystemColors(bool value);
    // Take over menus and bars that already have a look of their own (a style set on them).
    bool OverrideOwnerDraw() const { return FOverrideOwnerDraw; }  // false
    void SetOverrideOwnerDraw(bool value);
    bool Gradient() const { return FGradient; }  // false
    void SetGradient(bool value) { FGradient = value; }
    bool FlatMenu() const { return FFlatMenu; }  // false
    void SetFlatMenu(bool value) { FFlatMenu = value; }
    // Take menus, tool bars, tool buttons and control bars added to the form later.
    bool AutoDetect() const { return FAutoDetect; }  // false
    void SetAutoDetect(bool value);
    TXPContainers XPContainers() const { return FXPContainers; }  // all
    void SetXPContainers(TXPContainers value);
    TXPControls XPControls() const { return FXPControls; }  // all
    void SetXPControls(TXPControls value);
    bool Active() const { return FActive; }  // false
    // Hooks (true) or unhooks (false) the form's menus, bars and controls; the same value
    // again does nothing.
    void SetActive(bool value);

    // ---- What the drawing asks ----
    QWidget* Owner() const { return FOwner; }
    // The working colours for a device of at least 16 bits per pixel or fewer.
    TXPColorSet ColorSet(bool highColor) const;
    // The font and its colour in use (the system menu font under UseSystemColors).
    QFont MenuFont() const;
    TColor MenuFontColor() const;
    // The subclass of a painted control, or null.
    TControlSubClass* SubClassOf(const QWidget* control) const;
    int SubClassCount() const { return static_cast<int>(FSubClasses.size()); }
    // True when the widget is drawn by the painter (a menu, bar, tool button or control).
    bool Paints(const QWidget* widget) const;
    // The painter's style (shared by every widget it paints).
    QStyle* Style() const;
    // True for a menu hooked as part of the form's menu bar (not a pop-up menu).
    bool IsMainMenuMenu(const QMenu* menu) const;

    // Hooks or unhooks the menus, bars and controls under container; with repaint they are
    // redrawn.
    void InitItems(QWidget* container, bool enable, bool repaint);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct THooked {
        QPointer<QWidget> Widget;
        QPointer<QStyle> PreviousStyle;
        bool HadOwnStyle = false;
        bool MainMenu = false;
    };
    void Rehook();
    void UpdateMenuBars();
    bool CanTake(const QWidget* widget) const;
    bool HookWidget(QWidget* widget, bool mainMenu = false);
    void UnhookWidget(QWidget* widget);
    void HookMenu(QMenu* menu, bool mainMenu);
    void HookMenuBar(QMenuBar* bar);
    void HookToolBar(QToolBar* bar);
    void HookControlBar(TControlBar* bar, bool enable);
    void HookControl(QWidget* control, bool repaint);
    void Detect(QWidget* widget);
    void PaintBand(QWidget* band, QPainter& canvas, const QRect& rect);

    QWidget* FOwner = nullptr;
    std::unique_ptr<TXPStyle> FStyle;
    TXPColorProps FProps;
    QFont FFont;
    TColor FFontColor = clMenuText;
    uint8_t FDimLevel = 30;
    uint8_t FGrayLevel = 10;
    int FIconWidth = 24;
    bool FDrawSelect = true;
    bool FOverrideOwnerDraw = false;
    bool FGradient = false;
    bool FFlatMenu = false;
    bool FAutoDetect = false;
    TXPContainers FXPContainers = AllXPContainers;
    TXPControls FXPControls = AllXPControls;
    bool FActive = false;

    QHash<const QWidget*, THooked> FHooked;                  // menus, bars, tool buttons
    QHash<const QWidget*, TControlSubClass*> FSubClasses;    // painted controls
    QList<QPointer<TControlBar>> FControlBars;
};

// The painter's companion of one painted control: follows the control's hot (mouse over or
// focus), pressed and Space states and has it repainted when they change; gives the control its
// own style back when it is released.
class TControlSubClass : public QObject {
    Q_OBJECT
public:
    TControlSubClass(TXPMenu* owner, QWidget* control, TXPControl kind);
    ~TControlSubClass() override;

    QWidget* Control() const { return FControl; }
    TXPControl Kind() const { return FKind; }
    bool Hot() const { return FHot; }
    bool LButtonDown() const { return FLButtonDown; }
    bool SpaceDown() const { return FSpaceDown; }
    // The type of the last event seen.
    int LastEvent() const { return FLastEvent; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Repaint();

    QPointer<QWidget> FControl;
    TXPMenu* FOwner;
    TXPControl FKind;
    QPointer<QStyle> FPreviousStyle;
    bool FHadOwnStyle = false;
    bool FHot = false;
    bool FLButtonDown = false;
    bool FSpaceDown = false;
    bool FSpaceHandled = false;
    int FLastEvent = 0;
};
