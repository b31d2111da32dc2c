// Helpers of the image tests: pictures of known pixels, and ImageMagick where it is installed.
#pragma once

#include "imaging/dib.h"

#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <sys/wait.h>

namespace vxtest {

// An indexed bitmap of pseudo-random pixels below 2^bits with a palette of distinct colours.
inline vx::img::TDib NoiseDib(int w, int h, int bits, unsigned seed = 7) {
    int dibBits = bits == 1 ? 1 : bits <= 4 ? 4 : 8;
    vx::img::TDib dib(w, h, dibBits);
    for (size_t i = 0; i < dib.Palette.size(); ++i)
        dib.Palette[i] = vx::img::Rgb(int(i * 37 % 256), int(i * 91 % 256), int(255 - i % 256));
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) dib.SetIndex(x, y, int(rng() % (1u << bits)));
    return dib;
}

// The full path of ImageMagick's convert, or empty when it is not installed.
inline std::string ImageMagick() {
    for (const char* p : {"/usr/bin/convert", "/usr/local/bin/convert"})
        if (std::system((std::string(p) + " -version >/dev/null 2>&1").c_str()) == 0) return p;
    return {};
}

// Runs a command; true when it exits with 0.
inline bool Run(const std::string& cmd) {
    int rc = std::system(cmd.c_str());
    return rc != -1 && WIFEXITED(rc) && WEXITSTATUS(rc) == 0;
}

// The image's pixel at (x, y) as 0x00RRGGBB.
inline uint32_t PixelOf(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }

}  // namespace vxtest
