// The painter's arithmetic: darken, lighten, grey and dim, the working colour set, the gradient
// shades, menu item measuring and the pixel strokes of its small marks.
#include <gtest/gtest.h>

#include "controls/xpcolors.h"

#include <QSet>

namespace {

struct Rgb {
    int R, G, B;
};
Rgb Of(TColor c) { return {GetRValue(c), GetGValue(c), GetBValue(c)}; }
bool operator==(const Rgb& a, const Rgb& b) { return a.R == b.R && a.G == b.G && a.B == b.B; }
void PrintTo(const Rgb& c, std::ostream* os) { *os << "(" << c.R << "," << c.G << "," << c.B << ")"; }

TEST(XPColors, DarkenLightenAndGrey) {
    struct Case {
        const char* what;
        TColor got;
        Rgb want;
    } cases[] = {
        {"darken", Darken(RGB(100, 100, 100), 30), {70, 72, 70}},
        {"darken clamps at 0 and 255", Darken(RGB(10, 254, 5), 1), {9, 255, 4}},
        {"darken below zero", Darken(RGB(10, 250, 5), 20), {0, 232, 0}},
        {"negative darken lightens", Darken(RGB(250, 0, 100), -40), {255, 42, 140}},
        {"system colour resolved first", Darken(clBtnFace, 90), {122, 120, 110}},
        {"lighten", Lighten(clBtnFace, 86), {249, 248, 247}},
        {"lighten rounds halves to even", Lighten(RGB(250, 240, 0), 10), {250, 242, 26}},
        {"lighten caps at 100", Lighten(RGB(10, 20, 30), 150), {255, 255, 255}},
        {"lighten by 0", Lighten(RGB(10, 20, 30), 0), {10, 20, 30}},
        {"grey", Grey(RGB(30, 60, 90), 10), {70, 70, 70}},
        {"grey at most 240", Grey(clWhite, 10), {240, 240, 240}},
        {"grey mean truncates", Grey(RGB(1, 1, 2), 0), {1, 1, 1}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Of(c.got), c.want) << c.what;
}

TEST(XPColors, GrayAndDimBitmapsKeepTransparency) {
    QImage img(3, 1, QImage::Format_ARGB32);
    img.setPixel(0, 0, qRgba(30, 60, 90, 255));
    img.setPixel(1, 0, qRgba(30, 60, 90, 255));  // a run of equal pixels
    img.setPixel(2, 0, qRgba(200, 100, 0, 0));
    const QImage grey = GrayBitmap(img, 10);
    const QImage dim = DimBitmap(img, 50);
    for (int x : {0, 1}) {
        EXPECT_EQ(grey.pixel(x, 0), qRgba(70, 70, 70, 255));
        EXPECT_EQ(dim.pixel(x, 0), qRgba(142, 158, 172, 255));
    }
    EXPECT_EQ(qAlpha(grey.pixel(2, 0)), 0);
    EXPECT_EQ(qAlpha(dim.pixel(2, 0)), 0);
    EXPECT_TRUE(GrayBitmap(QImage(), 10).isNull());
}

TEST(XPColors, ColorSetFollowsPropertiesOrTheSystem) {
    TXPColorProps props;
    props.Color = RGB(1, 2, 3);
    props.IconBackColor = RGB(4, 5, 6);
    props.MenuBarColor = RGB(7, 8, 9);
    props.SelectColor = RGB(255, 144, 0);
    props.SelectBorderColor = clRed;
    props.SelectFontColor = clBlue;
    props.DisabledColor = clSilver;
    props.SeparatorColor = clBtnShadow;
    props.CheckedColor = clGreen;
    props.UseSystemColors = false;
    const TXPColorSet own = CalcColorSet(props, true);
    EXPECT_EQ(own.MenuBack, RGB(1, 2, 3));
    EXPECT_EQ(own.IconBack, RGB(4, 5, 6));
    EXPECT_EQ(own.MenuBar, RGB(7, 8, 9));
    EXPECT_EQ(own.SelectFill, Lighten(props.SelectColor, 68));
    EXPECT_EQ(own.SelectFrame, clRed);
    EXPECT_EQ(own.SelectText, clBlue);
    EXPECT_EQ(own.CheckedFill, Lighten(props.SelectColor, 80));
    EXPECT_EQ(own.CheckedSelFill, Lighten(props.SelectColor, 50));
    EXPECT_EQ(own.CheckFrame, clGreen);
    EXPECT_EQ(own.Disabled, clSilver);
    EXPECT_EQ(own.Separator, ColorToRGB(clBtnShadow));
    EXPECT_EQ(own.MenuFrame, Darken(clBtnFace, 90));
    EXPECT_EQ(own.MenuShadow, Darken(clBtnFace, 76));
    const TXPColorSet ownLow = CalcColorSet(props, false);
    EXPECT_EQ(ownLow.SelectFill, RGB(255, 144, 0));
    EXPECT_EQ(ownLow.CheckedFill, clWhite);
    EXPECT_EQ(ownLow.CheckedSelFill, clSilver);
    EXPECT_EQ(ownLow.MenuFrame, ColorToRGB(clBtnShadow));

    props.UseSystemColors = true;
    const TXPColorSet sys = CalcColorSet(props, true, clWindowText);
    EXPECT_EQ(sys.MenuBack, Lighten(clBtnFace, 86));
    EXPECT_EQ(sys.IconBack, Lighten(clBtnFace, 16));
    EXPECT_EQ(sys.SelectFill, Lighten(clHighlight, 68));
    EXPECT_EQ(sys.SelectFrame, ColorToRGB(clHighlight));
    EXPECT_EQ(sys.SelectText, ColorToRGB(clWindowText));
    EXPECT_EQ(sys.CheckedFill, Lighten(clHighlight, 80));
    EXPECT_EQ(sys.CheckedSelFill, Lighten(clHighlight, 50));
    EXPECT_EQ(sys.MenuBar, ColorToRGB(clBtnFace));
    EXPECT_EQ(sys.Disabled, Lighten(clBtnShadow, 10));
    EXPECT_EQ(sys.Separator, Lighten(clBtnShadow, 25));
    const TXPColorSet sysLow = CalcColorSet(props, false);
    EXPECT_EQ(sysLow.MenuBack, clWhite);
    EXPECT_EQ(sysLow.IconBack, ColorToRGB(clBtnFace));
    EXPECT_EQ(sysLow.SelectFill, clWhite);
    EXPECT_EQ(sysLow.Disabled, ColorToRGB(clBtnShadow));
    EXPECT_EQ(sysLow.Separator, ColorToRGB(clBtnShadow));
}

TEST(XPColors, GradientShadesClimbFastInTheIconColumnThenSlowly) {
    const struct {
        int column, iconWidth, shade;
    } cases[] = {{0, 24, 0}, {1, 24, 3}, {29, 24, 87}, {30, 24, 88}, {38, 24, 96}, {200, 24, 96}, {10, 0, 20}};
    for (const auto& c : cases)
        EXPECT_EQ(GradientShade(c.column, c.iconWidth), c.shade) << c.column << " in " << c.iconWidth;
}

TEST(XPColors, MenuItemsMeasure) {
    auto item = [](QString caption, QString shortcut = {}, int iconW = 0, int iconH = 0, bool top = false,
                   int textHeight = 13) {
        TMenuMeasure m;
        m.Caption = caption;
        m.ShortCut = shortcut;
        m.IconWidth = iconW;
        m.IconHeight = iconH;
        m.MainMenuTopLevel = top;
        m.TextWidth = [](const QString& s) { return 7 * static_cast<int>(s.size()); };
        m.TextHeight = [textHeight](const QString&) { return textHeight; };
        return MeasureMenuItem(m);
    };
    struct Case {
        const char* what;
        QSize got, want;
    } cases[] = {
        {"separator is 4 high whatever the font", item("-", {}, 0, 0, false, 40), {0, 4}},
        {"plain item", item("Open"), {28 + 5 + 24, 23}},
        {"one ampersand is not counted", item("&Open"), {35 + 5 - 7 + 24, 23}},
        {"shortcut measured as caption+WWW+shortcut", item("Open", "Ctrl+O"), {7 * 13 + 5 + 24, 23}},
        {"blank shortcut is no shortcut", item("Open", "  "), {28 + 5 + 24, 23}},
        {"16-high icon with a 13-pixel font", item("Open", {}, 16, 16), {28 + 5 + 24, 23}},
        {"taller icon sets the height", item("Open", {}, 16, 20), {28 + 5 + 24, 26}},
        {"icon wider than the column", item("Open", {}, 32, 16), {28 + 5 + 32, 23}},
        {"menu-bar item: no column, 8 more", item("File(&F)", {}, 0, 0, true), {56 + 5 - 7 + 8, 23}},
        {"menu-bar item with an icon", item("File", {}, 16, 16, true), {28 + 5 + 16 + 8, 23}},
        {"three quarters rounded half to even", item("Open", {}, 0, 0, false, 14), {57, 24}},
        {"three quarters rounded half to even, odd", item("Open", {}, 0, 0, false, 18), {57, 32}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(XPColors, MarksAreStrokesWithoutTheirEndPoints) {
    EXPECT_EQ(LinePixels({0, 0}, {3, 0}), TPixelList({{0, 0}, {1, 0}, {2, 0}}));
    EXPECT_TRUE(LinePixels({4, 4}, {4, 4}).isEmpty());

    const TPixelList arrow = DownArrowPixels(10, 20);
    EXPECT_EQ(arrow.size(), 9);
    for (int y : {20, 21, 22}) {
        int n = 0;
        for (const QPoint& p : arrow) n += p.y() == y;
        EXPECT_EQ(n, 5 - 2 * (y - 20)) << y;
    }

    // Three polylines (2,7)-(4,9)-(9,4) one above the other; their last points left out.
    const TPixelList mark = CheckBoxMarkPixels(0, 12);
    const QSet<QPoint> set(mark.begin(), mark.end());
    for (QPoint p : {QPoint(2, 7), QPoint(4, 9), QPoint(8, 5), QPoint(2, 5), QPoint(4, 7), QPoint(8, 3)})
        EXPECT_TRUE(set.contains(p)) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(9, 4), QPoint(9, 3), QPoint(9, 2), QPoint(4, 10)})
        EXPECT_FALSE(set.contains(p)) << p.x() << "," << p.y();

    const QVector<TGripLine> grip = GripLines(0, 30);
    ASSERT_EQ(grip.size(), 10);
    EXPECT_EQ(grip.front().Y, 6);
    EXPECT_EQ(grip.front().Darkness, 30);
    EXPECT_EQ(grip[1].Y, 8);
    EXPECT_EQ(grip[1].Darkness, 37);
    EXPECT_EQ(grip.back().Y, 24);
}

}  // namespace
