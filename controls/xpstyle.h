// The style through which a TXPMenu paints: a proxy over a fresh instance of the application's
// style that draws the flat look for the widgets its painter has taken (menus, the menu bar,
// tool bars and their buttons, combo boxes, edits, memos, check boxes, radio buttons, buttons,
// speed buttons, panels, group boxes) and leaves everything else, and every item or control
// tagged 999, to the base style. Layout metrics stay the base style's, except for menus,
// whose items are measured by the painter's rules.
#pragma once

#include "controls/colors.h"
#include "controls/xpcolors.h"

#include <QProxyStyle>

class QAction;
class QMenu;
class QStyleOptionMenuItem;
class QStyleOptionToolButton;
class TXPMenu;

class TXPStyle : public QProxyStyle {
    Q_OBJECT
public:
    explicit TXPStyle(TXPMenu* painter);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;

    // The width the platform adds to every measured menu item (room for a check mark or a
    // sub-menu arrow).
    static constexpr int MenuCheckWidth = 12;
    // The width of a combo box's drop-down button.
    static constexpr int ThumbWidth = 16;
    // The side of the square a check box or radio button is drawn in.
    static constexpr int CheckSquare = 16;
    // The part of a drop-down tool button that holds its arrow.
    static constexpr int DropDownWidth = 13;

    // Draws one menu item (a menu-bar item when menuBarItem) by the painter's rules.
    void DrawMenuItem(const QStyleOptionMenuItem* item, QPainter* p, const QWidget* widget, bool menuBarItem) const;

private:
    bool Paints(const QWidget* widget) const;
    QAction* MenuAction(const QWidget* widget, const QStyleOption* option) const;
    void DrawRaisedTab(QPainter* p, const QRect& r, const TXPColorSet& cs, bool highColor, bool menuItem) const;
    void DrawMenuFrame(const QStyleOption* option, QPainter* p, const QWidget* widget) const;
    void DrawToolBarButton(const QStyleOptionToolButton* option, QPainter* p, const QWidget* widget) const;
    void DrawSpeedButton(const QStyleOptionToolButton* option, QPainter* p, const QWidget* widget) const;
    void DrawButton(const QStyleOption* option, QPainter* p, const QWidget* widget) const;
    void DrawCombo(const QStyleOptionComplex* option, QPainter* p, const QWidget* widget) const;
    void DrawCheck(const QStyleOption* option, QPainter* p, const QWidget* widget, bool radio) const;
    void DrawEditFrame(const QStyleOption* option, QPainter* p, const QWidget* widget, bool singleBorder) const;
    bool DrawPanel(const QStyleOption* option, QPainter* p, const QWidget* widget) const;
    void DrawGroupBox(const QStyleOptionComplex* option, QPainter* p, const QWidget* widget) const;
    // Icon and caption of a button face, centred in r, by the menu's icon and text rules.
    void DrawFace(QPainter* p, const QRect& r, const QIcon& icon, QSize iconSize, const QString& text, bool enabled,
                  bool lit, bool highColor, const TXPColorSet& cs, Qt::ToolButtonStyle layout,
                  const QWidget* widget) const;
    QImage IconImage(const QIcon& icon, QSize size, bool enabled, bool lit, bool checked, bool highColor,
                     QIcon::Mode mode = QIcon::Normal) const;
    int MnemonicFlag(const QStyleOption* option, const QWidget* widget) const;
    int ShortCutColumn(const QMenu* menu) const;

    TXPMenu* Painter;
};
