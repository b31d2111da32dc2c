// The application object the widget tests of the flat controls need (made once, shared with
// the other control tests of this executable), and pixel checks of drawn controls.
#pragma once

#include <QApplication>
#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "controls/colors.h"
#include "qtapp.h"

namespace flattest {

using vxtest::App;

// The widget as drawn, one device pixel per logical pixel.
inline QImage Shot(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

inline TColor At(const QImage& img, int x, int y) { return FromQColor(QColor(img.pixel(x, y))); }

// A pixel and the colour it must have (a system colour is resolved first).
struct Px {
    int X, Y;
    TColor C;
};

// Each listed pixel of the image has its colour.
inline void ExpectPixels(const QImage& img, std::initializer_list<Px> pixels, const std::string& what = {}) {
    for (const Px& p : pixels) EXPECT_EQ(At(img, p.X, p.Y), ColorToRGB(p.C)) << what << " at " << p.X << "," << p.Y;
}

}  // namespace flattest
