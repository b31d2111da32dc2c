// Animated cursor files (RIFF form "ACON") read into plain structures, without any toolkit.
// Every chunk is kept inside its parent; counts are bounded by the input.
#pragma once

#include "imaging/dib.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx::img {

// The "anih" chunk: 36 bytes of 32-bit fields.
struct TAniHeader {
    uint32_t HeaderSize = 0, Frames = 0, Steps = 0, Width = 0, Height = 0, BitCount = 0, Planes = 0,
             DefaultRate = 0, Flags = 0;
};

struct TAniIconData {
    std::string Bytes;  // the icon (or cursor) file
    int Width = 0, Height = 0, Colors = 0;
};

struct TAniFrameData {
    int Icon = -1;  // index into TAniFile::Icons
    uint32_t Rate = 0;
    uint32_t Sequence = 0;
};

struct TAniFile {
    TAniHeader Header;
    std::string Title, Author;  // at most 255 bytes each
    std::vector<TAniIconData> Icons;
    std::vector<TAniFrameData> Frames;  // every one has an icon
    int MaxColors = 0;                  // 2, 16 or 256
};

// Reads an animated cursor; raises EReadError ("Stream read error") on anything malformed (and
// when memory runs out). However many steps its "anih" chunks announce, a file holds at most
// one step per four of its bytes; announced steps that get no icon are dropped.
TAniFile ReadAniCursor(std::string_view bytes);

// Size and colour count (2, 16 or 256) of the first image of an icon or cursor file; false
// when the bytes are not one.
bool ReadIconDirectory(std::string_view bytes, int& width, int& height, int& colors);

// One image picked out of an icon file, ready for a decoder that reads it alone.
struct TIconImage {
    enum TKind { Bitmap, Png } Kind = Bitmap;
    std::string Bytes;  // Bitmap: an icon file of this one image; Png: the PNG file
    int Width = 0, Height = 0;
};

// The largest image side PickIconImage takes: what icon files hold.
inline constexpr int MaxIconSide = 256;

// Picks the image of an icon file (type 1) whose size suits a box of `side` pixels: the
// smallest square image at least that large, else the largest. Only the directory and the
// headers of the images are read: the count must fit the file, and each image must lie
// inside it with a bitmap or PNG header whose sides are at most MaxIconSide; images that do
// not are passed over. False when the bytes are no icon file or no image qualifies.
bool PickIconImage(std::string_view bytes, int side, TIconImage& out);

}  // namespace vx::img
