// Small drawing, memory and message helpers shared by the custom controls: integer minimum
// and maximum, the two extra hand cursors, resource bitmaps with a clear error, transparent
// and stretched bitmap drawing, disabled (embossed) glyphs, a parent's background under a
// see-through control, text shortened with "...", and a few memory and queue helpers.
#pragma once

#include "controls/colors.h"

#include <QCursor>
#include <QEvent>
#include <QFontMetrics>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QRect>
#include <QString>

#include <cstddef>
#include <functional>
#include <stdexcept>

class QObject;
class QPainter;
class QWidget;

// Raised when a bitmap resource cannot be found; the text names the resource.
class EResNotFound : public std::runtime_error {
public:
    explicit EResNotFound(const QString& text) : std::runtime_error(text.toStdString()) {}
};

// The silent abort: ends the current operation without a message. Whoever starts an operation
// from an event handler catches it there (it never crosses the event loop).
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

inline int IntMax(int A, int B) { return A > B ? A : B; }
inline int IntMin(int A, int B) { return A < B ? A : B; }

// Extra cursor identifiers: a pointing hand and a dragging hand.
constexpr int crHand = 14000;
constexpr int crDragHand = 14001;
// Fills the two extra cursor slots; runs once, later calls do nothing.
void RegisterExtraCursors();
// The cursor of an identifier: the two extra hands, or the arrow for anything else.
QCursor ExtraCursor(int id);

// Throws EResNotFound with "Resource <name> not found"; a numeric identifier is named by its
// number.
[[noreturn]] void RaiseResourceNotFound(const QString& resName);
[[noreturn]] void RaiseResourceNotFound(int resId);
// A bitmap from the program's resources (":/" + name, also tried with ".bmp" and ".png"; a
// name starting with ':' is taken as it is); a missing one raises EResNotFound.
QPixmap LoadResourceBitmap(const QString& resName);
QPixmap LoadResourceBitmap(int resId);

// Paints into Dest, whose origin is Control's top-left corner, what lies under Control: the
// parent's background and own painting, then the visible siblings below Control in stacking
// order that overlap it. Nothing happens without a control or parent.
void PaintParentBackground(QWidget* Control, QPainter& Dest);

// The colour as red-green-blue with the palette-relative flag 0x02000000 set.
TColor PaletteRelativeColor(TColor Color);

// Stretched copy of the source rectangle onto the destination rectangle in which source pixels
// of TransparentColor leave the destination unchanged (nearest-neighbour stretching). Parts of
// the source rectangle outside the image are left out.
void StretchCopyTransparent(QPainter& Dst, int DstX, int DstY, int DstW, int DstH, const QImage& Src, int SrcX,
                            int SrcY, int SrcW, int SrcH, TColor TransparentColor);

// Draws Bitmap (or its part SrcRect; an empty rectangle takes the whole bitmap) stretched to
// DstW x DstH at (DstX, DstY); a width or height below 1 takes the bitmap's. TransparentColor
// clNone copies without transparency, clDefault takes the bitmap's bottom-left pixel, and a
// monochrome bitmap always leaves out white.
void DrawTransparentBitmapEx(QPainter& Dest, const QImage& Bitmap, TColor TransparentColor, const QRect& SrcRect,
                             int DstX, int DstY, int DstW, int DstH);
void DrawTransparentBitmapEx(QPainter& Dest, const QPixmap& Bitmap, TColor TransparentColor, const QRect& SrcRect,
                             int DstX, int DstY, int DstW, int DstH);
// The same, the source size taken from SrcRect when DstW/DstH are below 1.
void DrawTransparentBitmapPart(QPainter& Dest, int DstX, int DstY, int DstW, int DstH, const QRect& SrcRect,
                               const QImage& Bitmap, TColor TransparentColor);
void DrawTransparentBitmapPart(QPainter& Dest, int DstX, int DstY, int DstW, int DstH, const QRect& SrcRect,
                               const QPixmap& Bitmap, TColor TransparentColor);

// The disabled look of Source: a bitmap of its size in BackColor where the pixels of
// OutlineColor (white ones for a monochrome source) are drawn in ShadowColor and, with
// DrawHighlight, first in HighlightColor one pixel right and down.
QImage MakeDisabledBitmapEx(const QImage& Source, TColor OutlineColor, TColor BackColor, TColor HighlightColor,
                            TColor ShadowColor, bool DrawHighlight);
// The above with clBtnFace, clBtnHighlight, clBtnShadow and the highlight.
QImage MakeDisabledBitmap(const QImage& Source, TColor OutlineColor);

// Draws an image in the disabled look at (X, Y): its opaque pixels in GrayColor and, with
// DrawHighlight, first in HighlightColor at (X + 1, Y + 1). The list form draws Images[Index]
// and ignores an index outside the list.
void DrawImageDisabled(const QImage& Image, QPainter& Canvas, int X, int Y, TColor HighlightColor, TColor GrayColor,
                       bool DrawHighlight);
void DrawImageDisabled(const QList<QImage>& Images, QPainter& Canvas, int X, int Y, int Index,
                       TColor HighlightColor, TColor GrayColor, bool DrawHighlight);

// Shows "Function not yet implemented" (information, OK), restores the normal cursor and
// throws EAbort. The message goes through ShowNotImplementedMessage so that tests can
// replace it.
[[noreturn]] void ReportNotImplemented();
extern std::function<void(const QString&)> ShowNotImplementedMessage;

// Right - Left / Bottom - Top of a rectangle.
inline int WidthOfRect(const QRect& R) { return R.width(); }
inline int HeightOfRect(const QRect& R) { return R.height(); }

// Removes the pending posted events of type Type for Receiver; nothing when none is pending.
void RemovePendingMessage(QObject* Receiver, QEvent::Type Type);

// Text shortened with "..." until it fits MaxWidth: whole when it fits, "..." alone when
// nothing does.
QString ShortenTextToWidth(const QString& Text, const QFontMetrics& Metrics, int MaxWidth);
QString ShortenTextToWidth(const QString& Text, const std::function<int(const QString&)>& WidthOf, int MaxWidth);

// Zero-filled memory block (nullptr for Size < 1) / frees a non-null block and clears P.
void* AllocZeroedGlobalMem(long long Size);
void FreeGlobalMem(void*& P);
// True when Count bytes are equal (Count 0 or less gives true).
bool MemBlocksEqual(const void* P1, const void* P2, long long Count);
inline void* OffsetPtr(void* P, std::ptrdiff_t Offset) { return static_cast<char*>(P) + Offset; }
inline const void* OffsetPtr(const void* P, std::ptrdiff_t Offset) { return static_cast<const char*>(P) + Offset; }
void CopyMemBlock(void* Dst, const void* Src, long long Count);
inline QString StrPassThrough(const QString& S) { return S; }

// True when the application's active window lives on the calling thread.
bool ActiveWindowIsOurs();
