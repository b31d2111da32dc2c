// Device-independent bitmaps and colour reduction, without any toolkit: a bitmap of 1, 4, 8
// or 24 bits per pixel held with its palette, written out as a complete "BM" bitmap file, and
// the six ways of reducing a true-colour picture to a palette.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vx::img {

// Errors of the image classes; the texts are the ones the user sees.
class EImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// An operation the image cannot do ("Unknown GIF version", "Bitmap image is not valid", ...).
class EInvalidGraphicOperation : public EImageError {
public:
    using EImageError::EImageError;
};
// Input that ends too early or is malformed: "Stream read error".
class EReadError : public EImageError {
public:
    EReadError() : EImageError("Stream read error") {}
};
// A pixel format no routine converts to (the caller reports "Function not yet implemented").
class ENotImplemented : public EImageError {
public:
    ENotImplemented() : EImageError("Function not yet implemented") {}
};

// Pixel formats, numbered as the picture framework numbers them.
enum TPixelFormat : int {
    pfDevice = 0, pf1bit = 1, pf4bit = 2, pf8bit = 3, pf15bit = 4, pf16bit = 5, pf24bit = 6,
    pf32bit = 7, pfCustom = 8,
};

// Colours are 0x00RRGGBB here.
inline uint32_t Rgb(int r, int g, int b) {
    return (uint32_t(r & 0xFF) << 16) | (uint32_t(g & 0xFF) << 8) | uint32_t(b & 0xFF);
}
inline int RedOf(uint32_t c) { return (c >> 16) & 0xFF; }
inline int GreenOf(uint32_t c) { return (c >> 8) & 0xFF; }
inline int BlueOf(uint32_t c) { return c & 0xFF; }

// Bytes of one bitmap row of `bits` bits, padded to 4 bytes.
inline size_t DIBRowBytes(uint64_t bits) { return static_cast<size_t>((bits + 31) / 32 * 4); }
// 2, 16 and 256 for 1, 4 and 8 bits; 0 for the others.
int ColorsOfFormat(TPixelFormat format);
// Bits per pixel of a format (1, 4, 8, 24; 16 and 32 for those; 0 for device and custom).
int BitsOfFormat(TPixelFormat format);
TPixelFormat FormatOfBits(int bits);

// A bitmap: rows top to bottom, each DIBRowBytes(Width * Bits) long; 24-bit pixels are blue,
// green, red bytes as in a bitmap file. Indexed bitmaps carry their palette.
struct TDib {
    int Width = 0, Height = 0;
    int Bits = 24;                  // 1, 4, 8 or 24
    std::vector<uint32_t> Palette;  // indexed bitmaps: up to 2^Bits colours
    uint32_t ColorsUsed = 0;        // the file's used-colour count (0: all of the palette)
    std::vector<uint8_t> Pixels;

    TDib() = default;
    // A zero-filled bitmap; refuses sizes beyond what memory can hold.
    TDib(int width, int height, int bits);

    size_t RowBytes() const { return DIBRowBytes(uint64_t(Width) * uint64_t(Bits)); }
    uint8_t* Row(int y) { return Pixels.data() + size_t(y) * RowBytes(); }
    const uint8_t* Row(int y) const { return Pixels.data() + size_t(y) * RowBytes(); }
    bool Empty() const { return Width <= 0 || Height <= 0; }

    // Palette index of an indexed bitmap's pixel.
    int Index(int x, int y) const;
    void SetIndex(int x, int y, int value);
    // The colour of any pixel (through the palette for indexed bitmaps).
    uint32_t Color(int x, int y) const;
    void SetColor(int x, int y, uint32_t rgb);  // 24-bit bitmaps
};

// The bitmap as a "BM" file: file header, 40-byte info header, palette, rows bottom-up.
std::string DIBToBitmapFile(const TDib& dib);

// The 40-byte info header's fields for a bitmap in a format, and the sizes of header (with
// palette) and pixels.
struct TDIBInfo {
    int32_t Width = 0, Height = 0;
    uint16_t Planes = 1, BitCount = 0;
    uint32_t SizeImage = 0;
};
TDIBInfo FillDIBHeader(const TDib& dib, TPixelFormat format);
void DIBSizes(const TDib& dib, TPixelFormat format, uint32_t& infoHeaderSize, uint32_t& imageSize);

// Converts a bitmap to `format` (1, 4, 8 or 24 bits; others raise ENotImplemented), reducing
// colours for 8 bits by `method`:
//   0 popularity, 1 median cut, 2 fixed 224 colours, 3 fixed 216 colours,
//   4 three colour ramps, 5 grey levels.
// The bitmap's own format with a method other than 5 comes back unchanged.
TDib ConvertDIB(const TDib& source, TPixelFormat format, int method);
// ConvertDIB as a bitmap file.
std::string BitmapToDIBStream(const TDib& source, TPixelFormat format, int method);
// The format from a colour count (<= 2: 1 bit, <= 16: 4 bits, <= 256: 8 bits, else 24) and
// the default method.
std::string BitmapToDIBStreamByColors(const TDib& source, int colors);

// The method used when none is given; 0 unless changed.
int DefaultColorMethod();
void SetDefaultColorMethod(int method);

// Index of the nearest level of a byte value in the level lists of 4, 6, 7 and 8 levels.
int NearestLevel(int levels, int value);

}  // namespace vx::img
