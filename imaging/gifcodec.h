// GIF files without any toolkit: the file's blocks read into plain structures and written
// back, and the LZW coding of a frame's pixels. Every length read from the input is checked
// against the input; nothing is allocated beyond what the input can justify.
#pragma once

#include "imaging/dib.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vx::img {

// A colour table: the entry count, then red, green, blue bytes per entry.
struct TGifColorTable {
    int Count = 0;
    uint8_t Rgb[768] = {};
    uint32_t Color(int i) const { return vx::img::Rgb(Rgb[3 * i], Rgb[3 * i + 1], Rgb[3 * i + 2]); }
    void Set(int i, uint32_t c) {
        Rgb[3 * i] = uint8_t(RedOf(c));
        Rgb[3 * i + 1] = uint8_t(GreenOf(c));
        Rgb[3 * i + 2] = uint8_t(BlueOf(c));
    }
};

// Bits per pixel of a colour count that is a power of two (2 .. 256 give 1 .. 8); raises
// "Wrong number of colors; must be a power of 2" for any other count.
int BitsOfColorCount(int count);

enum TGifExtensionKind { gekGraphicControl = 0, gekPlainText = 1, gekApplication = 2, gekComment = 3 };

// One extension block: its fixed part as the file has it (graphic control: size 4, packed,
// delay low, delay high, transparent index, terminator; plain text: size 12 and 12 bytes;
// application: size 11 and the identifier) and its data sub-blocks.
struct TGifExtension {
    int Kind = gekComment;
    std::string Fixed;
    std::vector<std::string> Blocks;
};

struct TGifFrameBlock {
    std::vector<TGifExtension> Extensions;  // those kept for this frame, in file order
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Interlaced = false;
    bool HasLocalTable = false;
    TGifColorTable LocalTable;
    // The LZW minimum code size byte, the data sub-blocks with their length bytes, and the
    // zero-length block that ends them.
    std::string Data;
    bool Corrupted = false;  // the input ended inside the frame's data
};

struct TGifFileBlocks {
    int Version = 0;  // 1 "87a", 2 "89a"
    int ScreenWidth = 0, ScreenHeight = 0;
    uint8_t Packed = 0, BackgroundIndex = 0, Aspect = 0;
    int ColorResolution = 1;  // 1..8
    int GlobalBits = 1;       // 1..8
    TGifColorTable GlobalTable;
    bool Looping = false;
    int RepeatCount = 1;
    std::vector<TGifFrameBlock> Frames;
    // Comment extensions met after the last frame: one entry per sub-block, with a CR LF CR LF
    // entry between blocks.
    std::vector<std::string> TrailingComment;
};

// Reads a whole GIF file; raises EInvalidGraphicOperation or EReadError (also when memory runs
// out).
TGifFileBlocks ReadGifBlocks(std::string_view bytes);
// Writes the blocks as a GIF file: header, screen descriptor (Packed as given), global table,
// the loop block when looping with several frames, each frame with its extensions, the
// comment lines (each cut at 255 bytes), the trailer.
std::string WriteGifBlocks(const TGifFileBlocks& file, const std::vector<std::string>& comment);

// The bits per pixel the frame's pixels use: those of the table it really uses (its own, else
// the global one), or, with no table at all, those of its code size.
int FrameBits(const TGifFrameBlock& frame, const TGifColorTable& global);

// Decodes a frame's data into an indexed bitmap of 1 (1 bit), 4 (2-4 bits) or 8 (5-8 bits)
// bits per pixel with `table` as palette. `progress(stage, percent)`: stage 0 at the start,
// 1 with the percentage of data consumed, 2 at the end. A frame marked corrupted keeps the
// rows it could decode; others raise the decoding errors. A frame of more pixels than its data
// can give (MaxLzwPixels) is "GIF encoded data is corrupt" before anything is allocated, and
// so is one too large for the memory left.
TDib DecodeGifFrame(const TGifFrameBlock& frame, int bits, const TGifColorTable& table,
                    const std::function<void(int, int)>& progress = {});
// The most pixels `dataBytes` bytes of LZW data at `codeSize` can give: about 2730 per byte
// once the codes are 12 bits wide.
uint64_t MaxLzwPixels(size_t dataBytes, int codeSize);

// LZW-encodes an indexed bitmap (1, 4 or 8 bits; pixel values below 2^bits) into frame data:
// the code size byte (bits, at least 2), sub-blocks of 255 bytes and the final zero block.
std::string EncodeGifFrame(const TDib& dib, int bits, bool interlaced);

// Rows in the order an interlaced frame stores them.
std::vector<int> InterlacedRowOrder(int height);

}  // namespace vx::img
