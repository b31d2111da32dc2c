// Conversion between red-green-blue colours and hue, saturation and lightness on the
// 0..240 scale (hue 0..239).
#pragma once

#include "controls/colors.h"

// The top of the saturation and lightness scale.
constexpr int HSLRange = 240;

struct THSL {
    int H = 0;
    int S = 0;
    int L = 0;
};

// System colours are resolved first.
void RGBToHSL(TColor Color, int& H, int& S, int& L);
THSL RGBToHSL(TColor Color);
// Arguments outside their scale give channels clamped to 0..255.
TColor HSLToRGB(int H, int S, int L);
