// Colour arithmetic: HSL on the 0..240 scale, the advanced colours and the 3D frame; the
// painter's darken, lighten, grey and dim, its working colour set, the gradient shades, menu item
// measuring and the pixel strokes of its small marks.
#include "controls/flatutilitys.h"
#include "controls/hslutils.h"
#include "controls/xpcolors.h"
#include "flat_qtapp.h"

#include <QPainter>
#include <QSet>
#include <gtest/gtest.h>

namespace {

using flattest::ExpectPixels;

TEST(HSLColors, ConversionBothWays) {
    const struct {
        TColor color;
        int h, s, l;
    } toHsl[] = {{clRed, 0, 240, 120},
                 // Green and blue sit a third and two thirds round the 239-step hue circle.
                 {clLime, 80, 240, 120}, {clBlue, 159, 240, 120},
                 // Greys have no hue or saturation; lightness rounds half to even.
                 {clGray, 0, 0, 120},
                 {clWindow, 0, 0, 240}};  // system colours are resolved before the arithmetic
    for (const auto& c : toHsl) {
        const THSL v = RGBToHSL(c.color);
        EXPECT_EQ(std::tuple(v.H, v.S, v.L), std::tuple(c.h, c.s, c.l)) << std::hex << c.color;
    }
    for (auto [h, s, l, rgb] : {std::tuple{0, 240, 120, clRed}, {0, 0, 120, RGB(128, 128, 128)},
                                {0, 0, 240, clWhite}, {0, 0, 0, clBlack}})
        EXPECT_EQ(HSLToRGB(h, s, l), rgb) << h << " " << s << " " << l;
    // A few colours come back within a few steps per channel.
    for (TColor c : {TColor(0x996633), TColor(0x8396A0), TColor(0x9CDEF7), TColor(0x0080FF), TColor(0xE1EAEB)}) {
        const THSL v = RGBToHSL(c);
        const TColor back = HSLToRGB(v.H, v.S, v.L);
        EXPECT_NEAR(GetRValue(back), GetRValue(c), 3) << std::hex << c;
        EXPECT_NEAR(GetGValue(back), GetGValue(c), 3) << std::hex << c;
        EXPECT_NEAR(GetBValue(back), GetBValue(c), 3) << std::hex << c;
    }
    // Values off the scale still give valid channels.
    EXPECT_EQ(HSLToRGB(1000, 500, 400) & ~0xFFFFFF, 0);
}

TEST(HSLColors, AdvancedColor) {
    EXPECT_EQ(CalcAdvancedColor(clRed, 0x123456, 0, true), 0x123456);
    EXPECT_EQ(CalcAdvancedColor(clRed, 0x123456, 0, false), 0x123456);
    // L 120 + 10 - 50 = 80 keeps the hue.
    const THSL d = RGBToHSL(CalcAdvancedColor(clRed, clBlack, 50, true));
    EXPECT_EQ(d.H, 0);
    EXPECT_NEAR(d.L, 80, 1);
    // Darkening past zero gives black whatever the hue.
    EXPECT_EQ(CalcAdvancedColor(RGB(0, 0, 20), clWhite, 50, true), clBlack);
    EXPECT_EQ(CalcAdvancedColor(RGB(40, 0, 0), clWhite, 100, true), clBlack);
    // Lightening never makes a colour darker and stops at white.
    EXPECT_EQ(CalcAdvancedColor(clWhite, clBlack, 10, false), clWhite);
    const THSL light = RGBToHSL(CalcAdvancedColor(0xE1EAEB, clBlack, 10, false));
    EXPECT_GE(light.L, RGBToHSL(0xE1EAEB).L);
    EXPECT_EQ(CalcAdvancedColor(clBtnFace, 0, 10, false), CalcAdvancedColor(ColorToRGB(clBtnFace), 0, 10, false));
}

TEST(HSLColors, Frame3DRings) {
    flattest::App();
    QImage img(6, 5, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    QRect r(0, 0, 6, 5);
    Frame3D(p, r, clRed, clBlue, 2);
    p.end();
    EXPECT_EQ(r, QRect(2, 2, 2, 1));
    // The top-right and bottom-left corners belong to the bottom-right colour.
    ExpectPixels(img, {{0, 0, clRed}, {4, 0, clRed}, {5, 0, clBlue}, {0, 4, clBlue}, {0, 3, clRed}, {5, 4, clBlue},
                       {1, 1, clRed}, {4, 3, clBlue}, {2, 2, clWhite}, {3, 2, clWhite}});
}

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
    using S = TXPColorSet;
    // Each listed field of the set holds its colour (the index names the field in a failure).
    auto expect = [](const S& set, const char* what, std::initializer_list<std::pair<TColor S::*, TColor>> fields) {
        int i = 0;
        for (auto [field, color] : fields) EXPECT_EQ(set.*field, color) << what << " field " << i++;
    };
    TXPColorProps props{.Color = RGB(1, 2, 3), .IconBackColor = RGB(4, 5, 6), .MenuBarColor = RGB(7, 8, 9),
                        .SelectColor = RGB(255, 144, 0), .SelectBorderColor = clRed, .SelectFontColor = clBlue,
                        .DisabledColor = clSilver, .SeparatorColor = clBtnShadow, .CheckedColor = clGreen,
                        .UseSystemColors = false};
    expect(CalcColorSet(props, true), "own",
           {{&S::MenuBack, RGB(1, 2, 3)}, {&S::IconBack, RGB(4, 5, 6)}, {&S::MenuBar, RGB(7, 8, 9)},
            {&S::SelectFill, Lighten(props.SelectColor, 68)}, {&S::SelectFrame, clRed}, {&S::SelectText, clBlue},
            {&S::CheckedFill, Lighten(props.SelectColor, 80)}, {&S::CheckedSelFill, Lighten(props.SelectColor, 50)},
            {&S::CheckFrame, clGreen}, {&S::Disabled, clSilver}, {&S::Separator, ColorToRGB(clBtnShadow)},
            {&S::MenuFrame, Darken(clBtnFace, 90)}, {&S::MenuShadow, Darken(clBtnFace, 76)}});
    expect(CalcColorSet(props, false), "own, few colours",
           {{&S::SelectFill, RGB(255, 144, 0)}, {&S::CheckedFill, clWhite}, {&S::CheckedSelFill, clSilver},
            {&S::MenuFrame, ColorToRGB(clBtnShadow)}});
    props.UseSystemColors = true;
    expect(CalcColorSet(props, true, clWindowText), "system",
           {{&S::MenuBack, Lighten(clBtnFace, 86)}, {&S::IconBack, Lighten(clBtnFace, 16)},
            {&S::SelectFill, Lighten(clHighlight, 68)}, {&S::SelectFrame, ColorToRGB(clHighlight)},
            {&S::SelectText, ColorToRGB(clWindowText)}, {&S::CheckedFill, Lighten(clHighlight, 80)},
            {&S::CheckedSelFill, Lighten(clHighlight, 50)}, {&S::MenuBar, ColorToRGB(clBtnFace)},
            {&S::Disabled, Lighten(clBtnShadow, 10)}, {&S::Separator, Lighten(clBtnShadow, 25)}});
    expect(CalcColorSet(props, false), "system, few colours",
           {{&S::MenuBack, clWhite}, {&S::IconBack, ColorToRGB(clBtnFace)}, {&S::SelectFill, clWhite},
            {&S::Disabled, ColorToRGB(clBtnShadow)}, {&S::Separator, ColorToRGB(clBtnShadow)}});
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
