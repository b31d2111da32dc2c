// libFuzzer target of the GIF reader: an arbitrary file is read, every frame small enough is
// decoded, and a decoded frame must survive encoding and decoding again unchanged.
#include "imaging/gifcodec.h"

#include <cstdlib>

using namespace vx::img;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        TGifFileBlocks file = ReadGifBlocks(std::string_view(reinterpret_cast<const char*>(data), size));
        WriteGifBlocks(file, file.TrailingComment);
        for (const TGifFrameBlock& frame : file.Frames) {
            if (uint64_t(frame.Width) * uint64_t(frame.Height) > (1u << 18)) continue;
            int bits = FrameBits(frame, file.GlobalTable);
            TDib dib;
            try {
                dib = DecodeGifFrame(frame, bits, frame.LocalTable);
            } catch (const EImageError&) {
                continue;
            }
            TGifFrameBlock again = frame;
            again.Corrupted = false;
            again.Data = EncodeGifFrame(dib, bits, frame.Interlaced);
            TDib back = DecodeGifFrame(again, bits, frame.LocalTable);
            if (back.Pixels != dib.Pixels) std::abort();
        }
    } catch (const EImageError&) {
    }
    return 0;
}
