// libFuzzer target of the animated-cursor reader.
#include "imaging/anicodec.h"

#include <cstdlib>

using namespace vx::img;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        TAniFile file = ReadAniCursor(std::string_view(reinterpret_cast<const char*>(data), size));
        for (const TAniFrameData& f : file.Frames)
            if (f.Icon < 0 || size_t(f.Icon) >= file.Icons.size()) std::abort();
    } catch (const EImageError&) {
    }
    return 0;
}
