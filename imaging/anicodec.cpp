#include "imaging/anicodec.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

namespace vx::img {

namespace {

uint32_t Le16(const unsigned char* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }
uint32_t Le32(const unsigned char* p) { return Le16(p) | (Le16(p + 2) << 16); }

int ColorsOfBits(int bits) { return bits <= 1 ? 2 : bits <= 4 ? 16 : 256; }

// One chunk: its id and data, which lie inside the parent's data.
struct TChunk {
    std::string_view Id, Data;
};

// Walks the chunks of [begin, end) of `in`; every chunk must fit inside.
template <class F>
void ForEachChunk(std::string_view in, size_t begin, size_t end, F&& visit) {
    size_t pos = begin;
    while (pos + 8 <= end) {
        const auto* p = reinterpret_cast<const unsigned char*>(in.data() + pos);
        uint32_t size = Le32(p + 4);
        size_t data = pos + 8;
        if (size > end - data) throw EReadError();
        visit(TChunk{in.substr(pos, 4), in.substr(data, size)});
        pos = data + size + (size & 1);
    }
}

std::string Text255(std::string_view data) {
    std::string s(data.substr(0, 255));
    size_t nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    return s;
}

}  // namespace

bool ReadIconDirectory(std::string_view bytes, int& width, int& height, int& colors) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() < 22 || Le16(p) != 0) return false;
    uint32_t type = Le16(p + 2), count = Le16(p + 4);
    if ((type != 1 && type != 2) || count == 0) return false;
    const unsigned char* e = p + 6;
    width = e[0] ? e[0] : 256;
    height = e[1] ? e[1] : 256;
    uint32_t size = Le32(e + 8), offset = Le32(e + 12);
    if (offset > bytes.size() || size > bytes.size() - offset || size < 8) return false;
    int bits = type == 1 ? int(Le16(e + 6)) : 0;
    const unsigned char* img = p + offset;
    if (bits == 0 && size >= 16 && Le32(img) == 40) bits = int(Le16(img + 14));
    if (bits == 0 && e[2]) bits = e[2] <= 2 ? 1 : e[2] <= 16 ? 4 : 8;
    if (bits == 0) bits = 8;  // a compressed image: true colour
    colors = ColorsOfBits(bits);
    return true;
}

namespace {

uint32_t Be32(const unsigned char* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// The sides of one icon image from its own header; false when it is neither a bitmap of a
// known depth nor a PNG image, or larger than MaxIconSide.
bool IconImageSides(std::string_view image, TIconImage::TKind& kind, int& width, int& height) {
    const auto* p = reinterpret_cast<const unsigned char*>(image.data());
    static constexpr unsigned char PngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (image.size() >= 24 && std::memcmp(p, PngSignature, 8) == 0 && std::memcmp(p + 12, "IHDR", 4) == 0) {
        const uint32_t w = Be32(p + 16), h = Be32(p + 20);
        if (w == 0 || h == 0 || w > uint32_t(MaxIconSide) || h > uint32_t(MaxIconSide)) return false;
        kind = TIconImage::Png;
        width = int(w);
        height = int(h);
        return true;
    }
    // A bitmap's height counts its mask too.
    if (image.size() < 40 || Le32(p) < 40) return false;
    const int32_t w = int32_t(Le32(p + 4)), h = int32_t(Le32(p + 8));
    const uint32_t bits = Le16(p + 14);
    if (w <= 0 || w > MaxIconSide || h <= 0 || h > 2 * MaxIconSide || h % 2 != 0) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    // The header, the palette and the pixel rows must all be there.
    const uint64_t palette = bits <= 8 ? uint64_t(4) << bits : 0, row = (uint64_t(w) * bits + 31) / 32 * 4;
    if (Le32(p) + palette + row * uint64_t(h / 2) > image.size()) return false;
    kind = TIconImage::Bitmap;
    width = w;
    height = h / 2;
    return true;
}

}  // namespace

bool PickIconImage(std::string_view bytes, int side, TIconImage& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() < 6 || Le16(p) != 0 || Le16(p + 2) != 1) return false;
    const size_t count = Le16(p + 4);
    if (count == 0 || count > (bytes.size() - 6) / 16) return false;
    size_t best = count;
    TIconImage::TKind bestKind = TIconImage::Bitmap;
    int bestSide = 0;
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* e = p + 6 + 16 * i;
        const uint32_t size = Le32(e + 8), offset = Le32(e + 12);
        if (offset > bytes.size() || size > bytes.size() - offset) continue;
        TIconImage::TKind kind;
        int w, h;
        if (!IconImageSides(bytes.substr(offset, size), kind, w, h) || w != h) continue;
        // The smallest at least `side`, else the largest below it.
        const bool better = best == count || (bestSide < side ? w > bestSide : w >= side && w < bestSide);
        if (better) best = i, bestKind = kind, bestSide = w;
    }
    if (best == count) return false;
    const unsigned char* e = p + 6 + 16 * best;
    const std::string_view image = bytes.substr(Le32(e + 12), Le32(e + 8));
    out.Kind = bestKind;
    out.Width = out.Height = bestSide;
    if (bestKind == TIconImage::Png) {
        out.Bytes.assign(image);
        return true;
    }
    // An icon file of this image alone: its directory entry now points right behind it.
    out.Bytes.assign(reinterpret_cast<const char*>(p), 4);
    out.Bytes += '\x01';
    out.Bytes += '\0';
    out.Bytes.append(reinterpret_cast<const char*>(e), 12);
    const uint32_t at = 6 + 16;
    for (int k = 0; k < 4; ++k) out.Bytes += char(at >> (8 * k));
    out.Bytes += image;
    return true;
}

// Running out of memory is reported as the reader's own error.
TAniFile ReadAniCursor(std::string_view in) try {
    if (in.size() < 12 || in.substr(0, 4) != "RIFF" || in.substr(8, 4) != "ACON") throw EReadError();
    TAniFile f;
    const size_t end = std::min<size_t>(in.size(), size_t(Le32(reinterpret_cast<const unsigned char*>(in.data()) + 4)) + 8);
    // A step that can get an icon is described by at least four bytes of the file (an entry of
    // "seq ", or an "icon" chunk of the number it waits for), so a file holds no more steps than
    // a quarter of its size, whatever its "anih" chunks announce, all of them together.
    const size_t maxSteps = in.size() / 4;
    size_t rates = 0, sequences = 0;
    uint32_t iconNumber = 0;
    // Where to find the steps that wait for an icon number: the steps of each header, the i-th
    // waiting for icon i (runs, the longest first), and the steps a "seq " chunk renumbered. A
    // step that has since been renumbered or got its icon is passed over.
    struct TRun {
        size_t Start;
        uint32_t Count;
    };
    std::vector<TRun> runs;
    std::unordered_map<uint32_t, std::vector<size_t>> renumbered;
    auto takes = [&](size_t at, int icon) {
        TAniFrameData& frame = f.Frames[at];
        if (frame.Icon >= 0 || frame.Sequence != iconNumber) return false;
        frame.Icon = icon;
        return true;
    };
    ForEachChunk(in, 12, end, [&](const TChunk& c) {
        const auto* d = reinterpret_cast<const unsigned char*>(c.Data.data());
        if (c.Id == "anih") {
            // The header is the first 36 bytes, whatever size the chunk or the header states.
            if (c.Data.size() < 36) throw EReadError();
            uint32_t v[9];
            for (int i = 0; i < 9; ++i) v[i] = Le32(d + 4 * i);
            f.Header = {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]};
            if (!(f.Header.Flags & 1) || f.Header.Steps == 0) throw EReadError();
            // Steps beyond the room left are not made: under a single header they could get no
            // icon and would be dropped anyway; several headers share the room.
            const size_t room = maxSteps - std::min(maxSteps, f.Frames.size());
            const uint32_t count = uint32_t(std::min<size_t>(f.Header.Frames, room));
            const TRun run{f.Frames.size(), count};
            runs.insert(std::upper_bound(runs.begin(), runs.end(), run, [](const TRun& a, const TRun& b) { return a.Count > b.Count; }),
                        run);
            for (uint32_t i = 0; i < count; ++i) f.Frames.push_back({-1, f.Header.DefaultRate, i});
        } else if (c.Id == "rate" || c.Id == "seq ") {
            bool rate = c.Id == "rate";
            size_t& next = rate ? rates : sequences;
            for (size_t i = 0; i + 4 <= c.Data.size(); i += 4, ++next) {
                if (next >= f.Frames.size()) continue;
                TAniFrameData& frame = f.Frames[next];
                if (rate) {
                    frame.Rate = Le32(d + i);
                } else {
                    frame.Sequence = Le32(d + i);
                    if (frame.Icon < 0) renumbered[frame.Sequence].push_back(next);
                }
            }
        } else if (c.Id == "LIST") {
            if (c.Data.size() < 4) throw EReadError();
            std::string_view type = c.Data.substr(0, 4);
            size_t base = size_t(c.Data.data() - in.data());
            ForEachChunk(in, base + 4, base + c.Data.size(), [&](const TChunk& sub) {
                if (type == "fram" && sub.Id == "icon") {
                    TAniIconData icon;
                    if (!ReadIconDirectory(sub.Data, icon.Width, icon.Height, icon.Colors)) throw EReadError();
                    icon.Bytes.assign(sub.Data);
                    int index = int(f.Icons.size());
                    f.MaxColors = std::max(f.MaxColors, icon.Colors);
                    f.Icons.push_back(std::move(icon));
                    // Every step waiting for this icon number takes the icon; with none, the
                    // icon gets a step of its own.
                    bool taken = false;
                    for (size_t r = 0; r < runs.size() && runs[r].Count > iconNumber; ++r)
                        taken |= takes(runs[r].Start + iconNumber, index);
                    if (auto it = renumbered.find(iconNumber); it != renumbered.end()) {
                        for (size_t at : it->second) taken |= takes(at, index);
                        renumbered.erase(it);  // icon numbers only grow: nobody waits here again
                    }
                    if (!taken) f.Frames.push_back({index, f.Header.DefaultRate, iconNumber});
                    ++iconNumber;
                } else if (type == "INFO" && sub.Id == "INAM") {
                    f.Title = Text255(sub.Data);
                } else if (type == "INFO" && sub.Id == "IART") {
                    f.Author = Text255(sub.Data);
                }
            });
        }
    });
    f.Frames.erase(std::remove_if(f.Frames.begin(), f.Frames.end(), [](const TAniFrameData& fr) { return fr.Icon < 0; }),
                   f.Frames.end());
    if (f.Frames.empty()) throw EReadError();
    return f;
} catch (const std::bad_alloc&) {
    throw EReadError();
}

}  // namespace vx::img
