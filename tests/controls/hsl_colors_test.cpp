// Colour shading: HSL on the 0..240 scale, the advanced colours and the 3D frame.
#include "controls/flatutilitys.h"
#include "controls/hslutils.h"
#include "flat_qtapp.h"

#include <QPainter>
#include <gtest/gtest.h>

using flattest::At;

namespace {

TEST(HSLColors, ConversionBothWays) {
    EXPECT_EQ(RGBToHSL(clRed).H, 0);
    EXPECT_EQ(RGBToHSL(clRed).S, 240);
    EXPECT_EQ(RGBToHSL(clRed).L, 120);
    EXPECT_EQ(HSLToRGB(0, 240, 120), clRed);
    // Green and blue sit a third and two thirds round the 239-step hue circle.
    EXPECT_EQ(RGBToHSL(clLime).H, 80);
    EXPECT_EQ(RGBToHSL(clBlue).H, 159);
    // Greys have no hue or saturation; lightness rounds half to even.
    const THSL grey = RGBToHSL(clGray);
    EXPECT_EQ(grey.H, 0);
    EXPECT_EQ(grey.S, 0);
    EXPECT_EQ(grey.L, 120);
    EXPECT_EQ(HSLToRGB(0, 0, 120), RGB(128, 128, 128));
    EXPECT_EQ(HSLToRGB(0, 0, 240), clWhite);
    EXPECT_EQ(HSLToRGB(0, 0, 0), clBlack);
    // System colours are resolved before the arithmetic.
    EXPECT_EQ(RGBToHSL(clWindow).L, 240);
    // A few colours come back within one step per channel.
    for (TColor c : {TColor(0x996633), TColor(0x8396A0), TColor(0x9CDEF7), TColor(0x0080FF), TColor(0xE1EAEB)}) {
        const THSL v = RGBToHSL(c);
        const TColor back = HSLToRGB(v.H, v.S, v.L);
        EXPECT_NEAR(GetRValue(back), GetRValue(c), 3) << std::hex << c;
        EXPECT_NEAR(GetGValue(back), GetGValue(c), 3) << std::hex << c;
        EXPECT_NEAR(GetBValue(back), GetBValue(c), 3) << std::hex << c;
    }
    // Values off the scale still give valid channels.
    const TColor odd = HSLToRGB(1000, 500, 400);
    EXPECT_EQ(odd & ~0xFFFFFF, 0);
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
    EXPECT_EQ(At(img, 0, 0), clRed);
    EXPECT_EQ(At(img, 4, 0), clRed);
    EXPECT_EQ(At(img, 5, 0), clBlue);  // top-right corner belongs to the bottom-right colour
    EXPECT_EQ(At(img, 0, 4), clBlue);  // and so does the bottom-left one
    EXPECT_EQ(At(img, 0, 3), clRed);
    EXPECT_EQ(At(img, 5, 4), clBlue);
    EXPECT_EQ(At(img, 1, 1), clRed);
    EXPECT_EQ(At(img, 4, 3), clBlue);
    EXPECT_EQ(At(img, 2, 2), clWhite);
    EXPECT_EQ(At(img, 3, 2), clWhite);
}

}  // namespace
