// libFuzzer target of the GIF reader: an arbitrary file is read and every frame decoded, however
// large it claims to be (the decoder allocates no more than the frame's data can fill), and a
// decoded frame small enough to encode quickly must survive encoding and decoding again unchanged.
#include "imaging/gifcodec.h"

#include <cstdlib>

using namespace vx::img;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        TGifFileBlocks file = ReadGifBlocks(std::string_view(reinterpret_cast<const char*>(data), size));
        WriteGifBlocks(file, file.TrailingComment);
        for (const TGifFrameBlock& frame : file.Frames) {
            int bits = FrameBits(frame, file.GlobalTable);
            TDib dib;
            try {
                dib = DecodeGifFrame(frame, bits, frame.LocalTable);
            } catch (const EImageError&) {
                continue;
            }
            if (uint64_t(dib.Width) * uint64_t(dib.Height) > (1u << 18)) continue;
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
