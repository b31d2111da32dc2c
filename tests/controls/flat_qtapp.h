// The application object the widget tests of the flat controls need (made once, shared with
// the other control tests of this executable).
#pragma once

#include <QApplication>
#include <QImage>
#include <QWidget>

#include "controls/colors.h"
#include "qtapp.h"

namespace flattest {

using vxtest::App;

// The widget as drawn, one device pixel per logical pixel.
inline QImage Shot(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

inline TColor At(const QImage& img, int x, int y) { return FromQColor(QColor(img.pixel(x, y))); }

}  // namespace flattest
