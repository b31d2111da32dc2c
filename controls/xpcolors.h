// The arithmetic of the menu and control painter, kept free of widgets so that it can be
// checked on its own: the darken, lighten, grey and dim colour routines, the working colour
// set derived from the painter's properties, the shades of the icon column's gradient, the
// size of a menu item, and the pixel strokes of the small marks (check marks, drop-down
// arrows, the control-bar grip).
#pragma once

#include "controls/colors.h"

#include <QImage>
#include <QPoint>
#include <QString>
#include <QVector>

#include <functional>

// Each channel lowered by n (green by n - 2) and kept within 0..255; a negative n lightens.
// System colours are resolved first.
TColor Darken(TColor color, int n);
// Each channel moved toward white by min(p, 100) percent of its distance, rounded half to even.
TColor Lighten(TColor color, int percent);
// The grey of the channels' mean raised by level, at most 240.
TColor Grey(TColor color, int level);

// Every pixel replaced by Grey(pixel, level) / Lighten(pixel, percent); transparency is kept.
QImage GrayBitmap(const QImage& bitmap, int level);
QImage DimBitmap(const QImage& bitmap, int percent);

// The colour properties the working colours are derived from.
struct TXPColorProps {
    TColor Color = clBtnFace;
    TColor IconBackColor = clBtnFace;
    TColor MenuBarColor = clBtnFace;
    TColor SelectColor = clHighlight;
    TColor SelectBorderColor = clHighlight;
    TColor SelectFontColor = clMenuText;
    TColor DisabledColor = clInactiveCaption;
    TColor SeparatorColor = clBtnFace;
    TColor CheckedColor = clHighlight;
    bool UseSystemColors = true;
};

// The working colours of one paint, all as red-green-blue values.
struct TXPColorSet {
    TColor MenuBack = 0;        // text part of a menu item
    TColor IconBack = 0;        // icon column
    TColor SelectFill = 0;      // selection box
    TColor SelectFrame = 0;     // frame of the selection box and of hot controls
    TColor SelectText = 0;      // text of the selected item
    TColor CheckedFill = 0;     // behind a check mark
    TColor CheckedSelFill = 0;  // behind a check mark of the selected item
    TColor CheckFrame = 0;      // frame of a plain check box
    TColor MenuBar = 0;         // menu-bar items
    TColor Disabled = 0;        // disabled texts
    TColor Separator = 0;       // separator lines
    TColor MenuFrame = 0;       // outer frame of a flat menu
    TColor MenuShadow = 0;
};

// The working colours for the properties on a screen of at least 16 bits per pixel
// (highColor) or fewer. systemMenuText is the colour of the system menu font.
TXPColorSet CalcColorSet(const TXPColorProps& props, bool highColor, TColor systemMenuText = clMenuText);

// The shade (lightening percent) of the gradient's one-pixel column at `column` pixels from the
// item's leading edge: 3 more per column inside the icon column (up to iconWidth + 5), 1 more
// per column after it, never above 96.
int GradientShade(int column, int iconWidth);

// What a menu item is measured from.
struct TMenuMeasure {
    QString Caption;
    QString ShortCut;           // the shortcut's text; empty without one
    int IconWidth = 0;          // 0 without an icon
    int IconHeight = 0;
    bool MainMenuTopLevel = false;  // an item of the form's menu bar itself
    int ColumnWidth = 24;       // the painter's IconWidth
    std::function<int(const QString&)> TextWidth;
    std::function<int(const QString&)> TextHeight;
};

// The size a menu item asks for: a separator ("-") is 4 high; otherwise the text (caption, or
// caption + "WWW" + shortcut) plus 5, less one ampersand, plus the icon column, and 8 more for
// an item of the menu bar; the height is the text's and three quarters of it, at least the
// icon's plus 6.
QSize MeasureMenuItem(const TMenuMeasure& item);

// One-pixel strokes in device pixels: every point to fill.
using TPixelList = QVector<QPoint>;
// The pixels of a line from a to b, the end point left out (as a pen drawing to b leaves it).
TPixelList LinePixels(QPoint a, QPoint b);
// The check mark of a menu item inside the square (l, t, r, b), right and bottom exclusive.
TPixelList MenuCheckMarkPixels(int l, int t, int r, int b);
// The check mark of a check box whose inner square has its left at x and its bottom (exclusive)
// at y.
TPixelList CheckBoxMarkPixels(int x, int y);
// A small down arrow whose top row starts at (x, y): 5, 3 and 1 pixels.
TPixelList DownArrowPixels(int x, int y);
// The grip of a control-bar band along the left edge at x, from top + 5 to bottom - 5
// (bottom exclusive): a 3-pixel line on every second row, the k-th darkened by 30 + 7k.
struct TGripLine {
    int Y;
    int Darkness;
};
QVector<TGripLine> GripLines(int top, int bottom);
