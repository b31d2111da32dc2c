// libFuzzer target of the animated-cursor reader: every step shows an icon of the file, and a
// file holds no more steps than a quarter of its bytes and one per icon.
#include "imaging/anicodec.h"

#include <cstdlib>

using namespace vx::img;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        TAniFile file = ReadAniCursor(std::string_view(reinterpret_cast<const char*>(data), size));
        if (file.Frames.size() > size / 4 + file.Icons.size()) std::abort();
        for (const TAniFrameData& f : file.Frames)
            if (f.Icon < 0 || size_t(f.Icon) >= file.Icons.size()) std::abort();
    } catch (const EImageError&) {
    }
    return 0;
}
