#include "imaging/dib.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <limits>
#include <cstdlib>

namespace vx::img {

namespace {

// Bitmaps larger than this are refused before anything is allocated.
constexpr uint64_t kMaxDibBytes = uint64_t(1) << 31;

void Put16(std::string& s, uint32_t v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char((v >> 8) & 0xFF));
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

constexpr std::array<int, 4> kLevels4{0, 85, 170, 255};
constexpr std::array<int, 6> kLevels6{0, 51, 102, 153, 204, 255};
constexpr std::array<int, 7> kLevels7{0, 43, 85, 128, 170, 213, 255};
constexpr std::array<int, 8> kLevels8{0, 36, 73, 109, 146, 182, 219, 255};

// For each byte value the index of its nearest level (the first of equally near ones).
struct TLevelTables {
    uint8_t Near4[256], Near6[256], Near7[256], Near8[256];
    template <size_t N>
    static void Fill(uint8_t* table, const std::array<int, N>& levels) {
        for (int v = 0; v < 256; ++v) {
            int best = 0;
            for (size_t i = 1; i < N; ++i)
                if (std::abs(levels[i] - v) < std::abs(levels[best] - v)) best = int(i);
            table[v] = uint8_t(best);
        }
    }
    TLevelTables() {
        Fill(Near4, kLevels4);
        Fill(Near6, kLevels6);
        Fill(Near7, kLevels7);
        Fill(Near8, kLevels8);
    }
};
const TLevelTables& Levels() {
    static const TLevelTables tables;
    return tables;
}

std::atomic<int> gDefaultMethod{0};

// The standard 16 colours of a 4-bit device.
constexpr std::array<uint32_t, 16> kVga16{
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

int Distance2(uint32_t a, uint32_t b) {
    int dr = RedOf(a) - RedOf(b), dg = GreenOf(a) - GreenOf(b), db = BlueOf(a) - BlueOf(b);
    return dr * dr + dg * dg + db * db;
}

int NearestOf(const uint32_t* colors, int count, uint32_t c) {
    int best = 0, bestD = std::numeric_limits<int>::max();
    for (int i = 0; i < count; ++i) {
        int d = Distance2(colors[i], c);
        if (d < bestD) bestD = d, best = i;
    }
    return best;
}

// Any bitmap as 24 bits.
TDib To24(const TDib& src) {
    if (src.Bits == 24) return src;
    TDib out(src.Width, src.Height, 24);
    for (int y = 0; y < src.Height; ++y) {
        uint8_t* d = out.Row(y);
        for (int x = 0; x < src.Width; ++x) {
            uint32_t c = src.Color(x, y);
            d[3 * x] = uint8_t(BlueOf(c));
            d[3 * x + 1] = uint8_t(GreenOf(c));
            d[3 * x + 2] = uint8_t(RedOf(c));
        }
    }
    return out;
}

// 1 and 4 bits: every pixel takes the nearest colour of the device's fixed palette.
TDib ToFixedPalette(const TDib& src, int bits) {
    static const uint32_t mono[2] = {0x000000, 0xFFFFFF};
    const uint32_t* pal = bits == 1 ? mono : kVga16.data();
    int count = bits == 1 ? 2 : 16;
    TDib out(src.Width, src.Height, bits);
    out.Palette.assign(pal, pal + count);
    for (int y = 0; y < src.Height; ++y)
        for (int x = 0; x < src.Width; ++x) out.SetIndex(x, y, NearestOf(pal, count, src.Color(x, y)));
    return out;
}

inline uint32_t Pixel24(const uint8_t* row, int x) { return Rgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]); }

// Method 0: the most frequent colours. Colours are counted in a small hash table; when more
// than 2048 distinct colours appear, one channel loses its lowest bit and counting starts over.
void Popularity(const TDib& src, TDib& out, int target) {
    constexpr int kSlots = 5191, kMaxEntries = 2048;
    struct TEntry {
        uint32_t Count, Color;
        int Index;
    };
    std::vector<uint16_t> slots(kSlots);
    std::vector<TEntry> entries;
    int rm = 255, gm = 255, bm = 255;
    auto slotOf = [&](uint32_t c, bool add, bool& full) -> int {
        int r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
        int h = int((uint32_t(r + g) * uint32_t(g + b) * uint32_t(b + r)) % kSlots);
        while (slots[h] != 0xFFFF) {
            if (entries[slots[h]].Color == c) return slots[h];
            h = (h + 1) % kSlots;
        }
        if (!add) return -1;
        if (int(entries.size()) == kMaxEntries) {
            full = true;
            return -1;
        }
        slots[h] = uint16_t(entries.size());
        entries.push_back({0, c, -1});
        return slots[h];
    };
    auto masked = [&](uint32_t c) { return Rgb(RedOf(c) & rm, GreenOf(c) & gm, BlueOf(c) & bm); };
    for (;;) {
        std::fill(slots.begin(), slots.end(), uint16_t(0xFFFF));
        entries.clear();
        bool full = false;
        for (int y = 0; y < src.Height && !full; ++y) {
            const uint8_t* row = src.Row(y);
            for (int x = 0; x < src.Width; ++x) {
                int e = slotOf(masked(Pixel24(row, x)), true, full);
                if (full) break;
                ++entries[size_t(e)].Count;
            }
        }
        if (!full) break;
        // Drop the lowest remaining bit of one channel: blue, red, green, blue, ...
        if (rm < gm) gm &= gm - 1;
        else if (rm <= bm) bm &= bm - 1;
        else rm &= rm - 1;
    }
    // The palette: the most frequent colours, the rest grey.
    std::fill(out.Palette.begin(), out.Palette.end(), Rgb(128, 128, 128));
    std::vector<uint32_t> counts(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) counts[i] = entries[i].Count;
    int chosen = 0;
    while (chosen < target && chosen < int(entries.size())) {
        size_t best = 0;
        for (size_t i = 1; i < counts.size(); ++i)
            if (counts[i] > counts[best]) best = i;
        out.Palette[size_t(chosen)] = entries[best].Color;
        entries[best].Index = chosen++;
        counts[best] = 0;
    }
    for (auto& e : entries) {
        if (e.Index >= 0) continue;
        int bestD = 0x30000;
        for (int i = 0; i < chosen; ++i) {
            int d = Distance2(out.Palette[size_t(i)], e.Color);
            if (d < bestD) bestD = d, e.Index = i;
        }
        if (e.Index < 0) e.Index = 0;
    }
    bool full = false;
    for (int y = 0; y < src.Height; ++y) {
        const uint8_t* row = src.Row(y);
        for (int x = 0; x < src.Width; ++x) {
            int e = slotOf(masked(Pixel24(row, x)), false, full);
            out.SetIndex(x, y, e >= 0 ? entries[size_t(e)].Index : 0);
        }
    }
}

// Method 1: median cut over a histogram of 4 bits per channel.
void MedianCut(const TDib& src, TDib& out) {
    constexpr int kCells = 4096;
    std::vector<uint32_t> count(kCells, 0);
    auto cellOf = [](uint32_t c) { return (RedOf(c) >> 4) * 256 + (GreenOf(c) >> 4) * 16 + (BlueOf(c) >> 4); };
    auto channel = [](int cell, int ch) { return ch == 0 ? cell >> 8 : ch == 1 ? (cell >> 4) & 15 : cell & 15; };
    for (int y = 0; y < src.Height; ++y) {
        const uint8_t* row = src.Row(y);
        for (int x = 0; x < src.Width; ++x) ++count[size_t(cellOf(Pixel24(row, x)))];
    }
    struct TBox {
        int Lo[3] = {0, 0, 0}, Extent[3] = {0, 0, 0};
        uint64_t Total = 0;
        std::vector<int> Cells;
    };
    auto measure = [&](TBox& box) {
        int lo[3] = {15, 15, 15}, hi[3] = {0, 0, 0};
        box.Total = 0;
        for (int cell : box.Cells) {
            box.Total += count[size_t(cell)];
            for (int ch = 0; ch < 3; ++ch) {
                lo[ch] = std::min(lo[ch], channel(cell, ch));
                hi[ch] = std::max(hi[ch], channel(cell, ch));
            }
        }
        for (int ch = 0; ch < 3; ++ch) {
            box.Lo[ch] = box.Cells.empty() ? 0 : lo[ch];
            box.Extent[ch] = box.Cells.empty() ? 0 : hi[ch] - lo[ch];
        }
    };
    std::vector<TBox> boxes;
    TBox first;
    for (int cell = 0; cell < kCells; ++cell)
        if (count[size_t(cell)]) first.Cells.push_back(cell);
    if (!first.Cells.empty()) {
        measure(first);
        boxes.push_back(std::move(first));
    }
    while (boxes.size() < 256) {
        int bestBox = -1, bestCh = 0, bestExt = -1;
        for (size_t b = 0; b < boxes.size(); ++b) {
            if (boxes[b].Cells.size() < 2) continue;
            for (int ch = 0; ch < 3; ++ch)
                if (boxes[b].Extent[ch] > bestExt) bestExt = boxes[b].Extent[ch], bestBox = int(b), bestCh = ch;
        }
        if (bestBox < 0) break;
        TBox& box = boxes[size_t(bestBox)];
        std::sort(box.Cells.begin(), box.Cells.end(), [&](int a, int b) {
            int ca = channel(a, bestCh), cb = channel(b, bestCh);
            return ca != cb ? ca < cb : a < b;
        });
        // Split where half the box's pixels are passed; each half keeps at least one cell.
        size_t split = 0;
        uint64_t acc = 0;
        while (split < box.Cells.size()) {
            acc += count[size_t(box.Cells[split++])];
            if (acc * 2 >= box.Total) break;
        }
        split = std::clamp<size_t>(split, 1, box.Cells.size() - 1);
        TBox other;
        other.Cells.assign(box.Cells.begin() + std::ptrdiff_t(split), box.Cells.end());
        box.Cells.resize(split);
        measure(box);
        measure(other);
        boxes.push_back(std::move(other));
    }
    std::vector<uint8_t> boxOfCell(kCells, 0);
    for (size_t b = 0; b < boxes.size(); ++b) {
        uint64_t sum[3] = {0, 0, 0};
        for (int cell : boxes[b].Cells) {
            boxOfCell[size_t(cell)] = uint8_t(b);
            for (int ch = 0; ch < 3; ++ch) sum[ch] += uint64_t(channel(cell, ch)) * 16 + 15;
        }
        uint64_t n = boxes[b].Cells.size();
        int v[3];
        for (int ch = 0; ch < 3; ++ch) v[ch] = int(sum[ch] / n);
        out.Palette[b] = (v[0] <= 16 && v[1] <= 16 && v[2] <= 16) ? 0 : Rgb(v[0], v[1], v[2]);
    }
    out.ColorsUsed = uint32_t(boxes.size());
    for (int y = 0; y < src.Height; ++y) {
        const uint8_t* row = src.Row(y);
        for (int x = 0; x < src.Width; ++x) out.SetIndex(x, y, boxOfCell[size_t(cellOf(Pixel24(row, x)))]);
    }
}

void FixedLevels(const TDib& src, TDib& out, int method) {
    const TLevelTables& t = Levels();
    if (method == 2) {
        for (int r = 0; r < 7; ++r)
            for (int g = 0; g < 8; ++g)
                for (int b = 0; b < 4; ++b) out.Palette[size_t((r * 8 + g) * 4 + b)] = Rgb(kLevels7[r], kLevels8[g], kLevels4[b]);
        out.ColorsUsed = 224;
    } else {
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b) out.Palette[size_t((r * 6 + g) * 6 + b)] = Rgb(kLevels6[r], kLevels6[g], kLevels6[b]);
        out.ColorsUsed = 216;
    }
    for (int y = 0; y < src.Height; ++y) {
        const uint8_t* row = src.Row(y);
        uint8_t* d = out.Row(y);
        for (int x = 0; x < src.Width; ++x) {
            int b = row[3 * x], g = row[3 * x + 1], r = row[3 * x + 2];
            d[x] = method == 2 ? uint8_t((t.Near7[r] * 8 + t.Near8[g]) * 4 + t.Near4[b])
                               : uint8_t((t.Near6[r] * 6 + t.Near6[g]) * 6 + t.Near6[b]);
        }
    }
}

void Ramps(const TDib& src, TDib& out) {
    for (int i = 0; i < 64; ++i) {
        out.Palette[size_t(i)] = Rgb(4 * i, 0, 0);
        out.Palette[size_t(64 + i)] = Rgb(0, 4 * i, 0);
        out.Palette[size_t(128 + i)] = Rgb(0, 0, 4 * i);
    }
    for (int y = 0; y < src.Height; ++y) {
        const uint8_t* row = src.Row(y);
        uint8_t* d = out.Row(y);
        int dibY = src.Height - 1 - y;  // rows are counted as the bitmap file stores them
        for (int x = 0; x < src.Width; ++x) {
            switch ((x + dibY) % 3) {
            case 0: d[x] = uint8_t(row[3 * x + 2] >> 2); break;
            case 1: d[x] = uint8_t((row[3 * x + 1] >> 2) + 64); break;
            default: d[x] = uint8_t((row[3 * x] >> 2) + 128); break;
            }
        }
    }
}

void Grey(const TDib& src, TDib& out) {
    for (int i = 0; i < 256; ++i) out.Palette[size_t(i)] = Rgb(i, i, i);
    for (int y = 0; y < src.Height; ++y) {
        const uint8_t* row = src.Row(y);
        uint8_t* d = out.Row(y);
        for (int x = 0; x < src.Width; ++x) d[x] = uint8_t((77 * row[3 * x + 2] + 150 * row[3 * x + 1] + 29 * row[3 * x]) >> 8);
    }
}

}  // namespace

TDib::TDib(int width, int height, int bits) : Width(width), Height(height), Bits(bits) {
    if (width < 0 || height < 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24))
        throw EInvalidGraphicOperation("Bitmap image is not valid");
    uint64_t bytes = uint64_t(DIBRowBytes(uint64_t(width) * uint64_t(bits))) * uint64_t(height);
    if (bytes > kMaxDibBytes) throw EInvalidGraphicOperation("Bitmap image is not valid");
    Pixels.assign(size_t(bytes), 0);
    if (bits <= 8) Palette.assign(size_t(1) << bits, 0);
}

int TDib::Index(int x, int y) const {
    const uint8_t* r = Row(y);
    switch (Bits) {
    case 1: return (r[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? r[x >> 1] & 0x0F : r[x >> 1] >> 4;
    case 8: return r[x];
    default: return 0;
    }
}

void TDib::SetIndex(int x, int y, int value) {
    uint8_t* r = Row(y);
    switch (Bits) {
    case 1: {
        uint8_t bit = uint8_t(0x80 >> (x & 7));
        r[x >> 3] = uint8_t((value & 1) ? (r[x >> 3] | bit) : (r[x >> 3] & ~bit));
        break;
    }
    case 4:
        r[x >> 1] = uint8_t((x & 1) ? ((r[x >> 1] & 0xF0) | (value & 0x0F)) : ((r[x >> 1] & 0x0F) | ((value & 0x0F) << 4)));
        break;
    case 8: r[x] = uint8_t(value); break;
    default: break;
    }
}

uint32_t TDib::Color(int x, int y) const {
    if (Bits == 24) return Pixel24(Row(y), x);
    size_t i = size_t(Index(x, y));
    return i < Palette.size() ? Palette[i] : 0;
}

void TDib::SetColor(int x, int y, uint32_t rgb) {
    uint8_t* r = Row(y);
    r[3 * x] = uint8_t(BlueOf(rgb));
    r[3 * x + 1] = uint8_t(GreenOf(rgb));
    r[3 * x + 2] = uint8_t(RedOf(rgb));
}

int ColorsOfFormat(TPixelFormat format) {
    switch (format) {
    case pf1bit: return 2;
    case pf4bit: return 16;
    case pf8bit: return 256;
    default: return 0;
    }
}

int BitsOfFormat(TPixelFormat format) {
    switch (format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf24bit: return 24;
    case pf32bit: return 32;
    default: return 0;
    }
}

TPixelFormat FormatOfBits(int bits) {
    switch (bits) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 24: return pf24bit;
    case 32: return pf32bit;
    default: return pfCustom;
    }
}

int NearestLevel(int levels, int value) {
    const TLevelTables& t = Levels();
    value = std::clamp(value, 0, 255);
    switch (levels) {
    case 4: return t.Near4[value];
    case 6: return t.Near6[value];
    case 7: return t.Near7[value];
    case 8: return t.Near8[value];
    default: return 0;
    }
}

TDIBInfo FillDIBHeader(const TDib& dib, TPixelFormat format) {
    TDIBInfo info;
    info.Width = dib.Width;
    info.Height = dib.Height;
    int bits = BitsOfFormat(format);
    info.BitCount = uint16_t(bits == 1 || bits == 4 || bits == 8 || bits == 24 ? bits : dib.Bits);
    info.SizeImage = uint32_t(DIBRowBytes(uint64_t(dib.Width) * info.BitCount) * uint64_t(std::abs(dib.Height)));
    return info;
}

void DIBSizes(const TDib& dib, TPixelFormat format, uint32_t& infoHeaderSize, uint32_t& imageSize) {
    TDIBInfo info = FillDIBHeader(dib, format);
    infoHeaderSize = 40;
    if (info.BitCount <= 8) infoHeaderSize += 4u << info.BitCount;
    imageSize = info.SizeImage;
}

std::string DIBToBitmapFile(const TDib& dib) {
    uint32_t header = 0, image = 0;
    DIBSizes(dib, FormatOfBits(dib.Bits), header, image);
    std::string s;
    s.reserve(14 + header + image);
    s += "BM";
    Put32(s, 14 + header + image);
    Put32(s, 0);
    Put32(s, 14 + header);
    Put32(s, 40);
    Put32(s, uint32_t(dib.Width));
    Put32(s, uint32_t(dib.Height));
    Put16(s, 1);
    Put16(s, uint16_t(dib.Bits));
    Put32(s, 0);  // no compression
    Put32(s, image);
    Put32(s, 0);
    Put32(s, 0);
    Put32(s, dib.Bits <= 8 ? dib.ColorsUsed : 0);
    Put32(s, 0);
    if (dib.Bits <= 8) {
        size_t n = size_t(1) << dib.Bits;
        for (size_t i = 0; i < n; ++i) {
            uint32_t c = i < dib.Palette.size() ? dib.Palette[i] : 0;
            s.push_back(char(BlueOf(c)));
            s.push_back(char(GreenOf(c)));
            s.push_back(char(RedOf(c)));
            s.push_back(0);
        }
    }
    for (int y = dib.Height - 1; y >= 0; --y) s.append(reinterpret_cast<const char*>(dib.Row(y)), dib.RowBytes());
    return s;
}

TDib ConvertDIB(const TDib& source, TPixelFormat format, int method) {
    if (source.Empty()) throw EInvalidGraphicOperation("Bitmap image is not valid");
    if (FormatOfBits(source.Bits) == format && method != 5) return source;
    int bits = BitsOfFormat(format);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) throw ENotImplemented();
    if (bits == 1 || bits == 4) return ToFixedPalette(source, bits);
    TDib rgb = To24(source);
    if (bits == 24) return rgb;
    TDib out(source.Width, source.Height, 8);
    switch (method) {
    case 0: Popularity(rgb, out, 256); break;
    case 1: MedianCut(rgb, out); break;
    case 2:
    case 3: FixedLevels(rgb, out, method); break;
    case 4: Ramps(rgb, out); break;
    case 5: Grey(rgb, out); break;
    default: throw ENotImplemented();
    }
    return out;
}

std::string BitmapToDIBStream(const TDib& source, TPixelFormat format, int method) {
    return DIBToBitmapFile(ConvertDIB(source, format, method));
}

std::string BitmapToDIBStreamByColors(const TDib& source, int colors) {
    TPixelFormat f = colors <= 2 ? pf1bit : colors <= 16 ? pf4bit : colors <= 256 ? pf8bit : pf24bit;
    return BitmapToDIBStream(source, f, DefaultColorMethod());
}

int DefaultColorMethod() { return gDefaultMethod.load(); }
void SetDefaultColorMethod(int method) { gDefaultMethod.store(method); }

}  // namespace vx::img
