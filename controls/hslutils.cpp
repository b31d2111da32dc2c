#include "controls/hslutils.h"

#include <algorithm>
#include <cmath>

namespace {
// Halves go to the even neighbour, as the colour arithmetic has always rounded.
int RoundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

int Channel(double v) { return std::clamp(RoundEven(255.0 * v), 0, 255); }

double HueToValue(double m1, double m2, double hue) {
    if (hue < 0)
        hue += 1;
    else if (hue >= 1)
        hue -= 1;
    if (6 * hue < 1)
        return m1 + (m2 - m1) * 6 * hue;
    if (2 * hue < 1)
        return m2;
    if (3 * hue < 2)
        return m1 + (m2 - m1) * (2.0 / 3.0 - hue) * 6;
    return m1;
}
}  // namespace

void RGBToHSL(TColor Color, int& H, int& S, int& L) {
    const TColor c = ColorToRGB(Color);
    const double r = GetRValue(c) / 255.0, g = GetGValue(c) / 255.0, b = GetBValue(c) / 255.0;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    double h = 0, s = 0;
    const double l = (mx + mn) / 2;
    if (mx != mn) {
        const double d = mx - mn;
        s = l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
        if (r == mx)
            h = (g - b) / d;
        else if (g == mx)
            h = 2 + (b - r) / d;
        else
            h = 4 + (r - g) / d;
        h /= 6;
        if (h < 0)
            h += 1;
    }
    H = RoundEven(239 * h);
    S = RoundEven(HSLRange * s);
    L = RoundEven(HSLRange * l);
}

THSL RGBToHSL(TColor Color) {
    THSL v;
    RGBToHSL(Color, v.H, v.S, v.L);
    return v;
}

TColor HSLToRGB(int H, int S, int L) {
    const double h = H / 239.0, s = S / double(HSLRange), l = L / double(HSLRange);
    if (s == 0) {
        const int v = Channel(l);
        return RGB(v, v, v);
    }
    const double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    const double m1 = 2 * l - m2;
    return RGB(Channel(HueToValue(m1, m2, h + 1.0 / 3.0)), Channel(HueToValue(m1, m2, h)),
               Channel(HueToValue(m1, m2, h - 1.0 / 3.0)));
}
