// Shared pieces of the flat controls: their small enumerations, the advanced-colour shading,
// a 3D frame and painting a parent's background into a child.
#pragma once

#include "controls/colors.h"

#include <QRect>

#include <cstdint>

class QPainter;
class QWidget;

enum TProgressBarOrientation { pbHorizontal, pbVertical };
enum TTransparentMode { tmAlways, tmNotFocused, tmNone };
// A percentage used by the advanced-colour properties.
using TAdvColors = uint8_t;

// The colour BaseColor shaded by Percent on the lightness scale: lightness is raised by 10,
// then lowered (Darken) or raised by Percent and kept within 0..240. Percent 0 returns Color
// unchanged; otherwise Color plays no part.
TColor CalcAdvancedColor(TColor BaseColor, TColor Color, TAdvColors Percent, bool Darken);

// Width rings of a 3D frame: left and top edges in TopColor, right and bottom edges in
// BottomColor (which also takes the two corners where they meet). Rect shrinks by one on each
// side per ring and is left shrunk.
void Frame3D(QPainter& Canvas, QRect& Rect, TColor TopColor, TColor BottomColor, int Width);

// Paints into Canvas, whose origin is Control's top-left corner, the parent's background and
// own painting under Control. Nothing without a parent.
void DrawParentImage(QWidget* Control, QPainter& Canvas);

// The colour a control with ParentColor set takes: its parent's window colour, or clBtnFace
// without a parent.
TColor ParentColorOf(const QWidget* Control);
