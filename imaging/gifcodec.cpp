#include "imaging/gifcodec.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace vx::img {

namespace {

const char* const kCorrupt = "GIF encoded data is corrupt";

// A cursor over the input; reading past its end is "Stream read error".
class TReader {
public:
    explicit TReader(std::string_view in) : In(in) {}
    bool AtEnd() const { return Pos >= In.size(); }
    size_t Left() const { return In.size() - Pos; }
    uint8_t Byte() {
        if (Pos >= In.size()) throw EReadError();
        return uint8_t(In[Pos++]);
    }
    int Word() {
        int lo = Byte();
        return lo | (Byte() << 8);
    }
    std::string_view Take(size_t n) {
        if (n > Left()) throw EReadError();
        std::string_view s = In.substr(Pos, n);
        Pos += n;
        return s;
    }
    std::string_view TakeUpTo(size_t n) {
        n = std::min(n, Left());
        std::string_view s = In.substr(Pos, n);
        Pos += n;
        return s;
    }

private:
    std::string_view In;
    size_t Pos = 0;
};

void ReadTable(TReader& r, TGifColorTable& table, int count) {
    std::string_view bytes = r.Take(size_t(count) * 3);
    table = TGifColorTable();
    table.Count = count;
    std::memcpy(table.Rgb, bytes.data(), bytes.size());
}

// Data sub-blocks up to the zero-length block.
std::vector<std::string> ReadSubBlocks(TReader& r) {
    std::vector<std::string> blocks;
    for (;;) {
        uint8_t n = r.Byte();
        if (n == 0) return blocks;
        blocks.emplace_back(r.Take(n));
    }
}

bool EqualsIgnoreCase(std::string_view a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// The next block separator: the next non-zero byte; the end of the input counts as ';'.
char NextSeparator(TReader& r) {
    while (!r.AtEnd()) {
        uint8_t b = r.Byte();
        if (b != 0) return char(b);
    }
    return ';';
}

// An extension, read by the size bytes the file gives: the fixed part, then sub-blocks.
TGifExtension ReadExtension(TReader& r) {
    uint8_t label = r.Byte();
    TGifExtension ext;
    switch (label) {
    case 0xF9: {
        ext.Kind = gekGraphicControl;
        uint8_t size = r.Byte();
        std::string body(r.Take(size));
        body.resize(std::max<size_t>(body.size(), 4), '\0');
        ext.Fixed = std::string(1, '\x04') + body.substr(0, 4) + std::string(1, '\0');
        ReadSubBlocks(r);  // normally just the terminator
        return ext;
    }
    case 0x01:
    case 0xFF: {
        ext.Kind = label == 0x01 ? gekPlainText : gekApplication;
        uint8_t size = r.Byte();
        ext.Fixed = std::string(1, char(size)) + std::string(r.Take(size));
        ext.Blocks = ReadSubBlocks(r);
        return ext;
    }
    case 0xFE:
        ext.Kind = gekComment;
        ext.Blocks = ReadSubBlocks(r);
        return ext;
    default: {
        char text[64];
        std::snprintf(text, sizeof text, "Unrecognized extension block: %.2x", label);
        throw EInvalidGraphicOperation(text);
    }
    }
}

void ReadFrame(TReader& r, TGifFileBlocks& file, TGifFrameBlock& frame) {
    frame.Left = r.Word();
    frame.Top = r.Word();
    frame.Width = r.Word();
    frame.Height = r.Word();
    uint8_t packed = r.Byte();
    frame.Interlaced = (packed & 0x40) != 0;
    frame.HasLocalTable = (packed & 0x80) != 0;
    if (frame.HasLocalTable) ReadTable(r, frame.LocalTable, 1 << ((packed & 7) + 1));
    else frame.LocalTable = file.GlobalTable;
    if (frame.Width == 0) frame.Width = file.ScreenWidth;
    if (frame.Height == 0) frame.Height = file.ScreenHeight;
    // The code size byte and the data sub-blocks, copied as they are; a sub-block cut short
    // by the end of the input is kept with its real length and the frame marked corrupted.
    if (r.AtEnd()) {
        frame.Corrupted = true;
        return;
    }
    frame.Data.push_back(char(r.Byte()));
    for (;;) {
        if (r.AtEnd()) {
            frame.Corrupted = true;
            frame.Data.push_back('\0');
            return;
        }
        uint8_t n = r.Byte();
        if (n == 0) {
            frame.Data.push_back('\0');
            return;
        }
        std::string_view bytes = r.TakeUpTo(n);
        if (bytes.size() < n) frame.Corrupted = true;
        if (!bytes.empty()) {
            frame.Data.push_back(char(bytes.size()));
            frame.Data.append(bytes);
        }
    }
}

void PutWord(std::string& s, int v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char((v >> 8) & 0xFF));
}

void PutBlocks(std::string& s, const std::string& data) {
    for (size_t i = 0; i < data.size(); i += 255) {
        size_t n = std::min<size_t>(255, data.size() - i);
        s.push_back(char(n));
        s.append(data, i, n);
    }
}

// Packs LZW codes, least significant bit first, into sub-blocks of 255 bytes.
class TCodeWriter {
public:
    explicit TCodeWriter(std::string& out) : Out(out) {}
    void Put(int code, int width) {
        Acc |= uint32_t(code) << Bits;
        Bits += width;
        while (Bits >= 8) {
            Byte(uint8_t(Acc & 0xFF));
            Acc >>= 8;
            Bits -= 8;
        }
    }
    void Finish() {
        if (Bits > 0) Byte(uint8_t(Acc & 0xFF));
        Acc = 0;
        Bits = 0;
        if (Fill) Flush();
        Out.push_back('\0');
    }

private:
    void Byte(uint8_t b) {
        Block[Fill++] = b;
        if (Fill == 255) Flush();
    }
    void Flush() {
        Out.push_back(char(Fill));
        Out.append(reinterpret_cast<const char*>(Block), Fill);
        Fill = 0;
    }
    std::string& Out;
    uint32_t Acc = 0;
    int Bits = 0;
    uint8_t Block[255];
    size_t Fill = 0;
};

}  // namespace

int BitsOfColorCount(int count) {
    for (int bits = 1; bits <= 8; ++bits)
        if (count == (1 << bits)) return bits;
    throw EInvalidGraphicOperation("Wrong number of colors; must be a power of 2");
}

std::vector<int> InterlacedRowOrder(int height) {
    std::vector<int> rows;
    rows.reserve(size_t(std::max(height, 0)));
    static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = start[pass]; y < height; y += step[pass]) rows.push_back(y);
    return rows;
}

// Running out of memory is reported as the reader's own error.
TGifFileBlocks ReadGifBlocks(std::string_view bytes) try {
    TGifFileBlocks file;
    if (bytes.empty()) return file;
    TReader r(bytes);
    if (!EqualsIgnoreCase(r.Take(3), "GIF")) throw EInvalidGraphicOperation("Unknown GIF version");
    std::string_view version = r.Take(3);
    if (EqualsIgnoreCase(version, "87a")) file.Version = 1;
    else if (EqualsIgnoreCase(version, "89a")) file.Version = 2;
    else throw EInvalidGraphicOperation("Unknown GIF version");
    file.ScreenWidth = r.Word();
    file.ScreenHeight = r.Word();
    file.Packed = r.Byte();
    file.BackgroundIndex = r.Byte();
    file.Aspect = r.Byte();
    file.GlobalBits = (file.Packed & 7) + 1;
    file.ColorResolution = ((file.Packed & 0x70) >> 4) + 1;
    if (file.Packed & 0x80) ReadTable(r, file.GlobalTable, 1 << file.GlobalBits);

    std::vector<TGifExtension> pending;
    char sep = NextSeparator(r);
    for (;;) {
        while (sep == '!') {
            TGifExtension ext = ReadExtension(r);
            if (ext.Kind == gekPlainText) {
                pending.clear();
            } else if (ext.Kind == gekApplication) {
                if ((ext.Fixed == std::string("\x0bNETSCAPE2.0", 12) || ext.Fixed == std::string("\x0b" "ANIMEXTS1.0", 12)) &&
                    !ext.Blocks.empty() && ext.Blocks[0].size() >= 3 && ext.Blocks[0][0] == 1) {
                    file.Looping = true;
                    int count = uint8_t(ext.Blocks[0][1]) + 256 * uint8_t(ext.Blocks[0][2]);
                    file.RepeatCount = std::min(count, 30000);
                }
            } else {
                pending.push_back(std::move(ext));
            }
            sep = NextSeparator(r);
        }
        if (sep == ',') {
            TGifFrameBlock frame;
            frame.Extensions = std::move(pending);
            pending.clear();
            ReadFrame(r, file, frame);
            file.Frames.push_back(std::move(frame));
            sep = NextSeparator(r);
            continue;
        }
        if (sep != ';') throw EReadError();
        break;
    }
    // Comments after the last frame belong to the image.
    for (const TGifExtension& ext : pending) {
        if (ext.Kind != gekComment) continue;
        if (!file.TrailingComment.empty()) file.TrailingComment.push_back("\r\n\r\n");
        for (const std::string& b : ext.Blocks) file.TrailingComment.push_back(b);
    }
    return file;
} catch (const std::bad_alloc&) {
    throw EReadError();
}

std::string WriteGifBlocks(const TGifFileBlocks& file, const std::vector<std::string>& comment) {
    std::string s = file.Version == 2 ? "GIF89a" : "GIF87a";
    PutWord(s, file.ScreenWidth);
    PutWord(s, file.ScreenHeight);
    s.push_back(char(file.Packed));
    s.push_back(char(file.BackgroundIndex));
    s.push_back(char(file.Aspect));
    if (file.Packed & 0x80) {
        int count = 1 << ((file.Packed & 7) + 1);
        s.append(reinterpret_cast<const char*>(file.GlobalTable.Rgb), size_t(count) * 3);
    }
    if (file.Looping && file.Frames.size() > 1) {
        s += std::string("!\xFF\x0bNETSCAPE2.0\x03\x01", 16);
        PutWord(s, file.RepeatCount);
        s.push_back('\0');
    }
    static const char labels[4] = {'\xF9', '\x01', '\xFF', '\xFE'};
    for (const TGifFrameBlock& f : file.Frames) {
        for (const TGifExtension& e : f.Extensions) {
            s.push_back('!');
            s.push_back(labels[e.Kind & 3]);
            s += e.Fixed;
            if (e.Kind == gekGraphicControl) continue;  // its fixed part ends with the terminator
            for (const std::string& b : e.Blocks) PutBlocks(s, b);
            s.push_back('\0');
        }
        s.push_back(',');
        PutWord(s, f.Left);
        PutWord(s, f.Top);
        PutWord(s, f.Width);
        PutWord(s, f.Height);
        uint8_t packed = f.Interlaced ? 0x40 : 0;
        int tableBits = f.LocalTable.Count > 0 ? BitsOfColorCount(f.LocalTable.Count) : 1;
        if (f.HasLocalTable) packed |= uint8_t(0x80 | (tableBits - 1));
        s.push_back(char(packed));
        if (f.HasLocalTable) s.append(reinterpret_cast<const char*>(f.LocalTable.Rgb), size_t(1 << tableBits) * 3);
        s += f.Data.empty() ? std::string("\x02\x00", 2) : f.Data;
    }
    bool any = std::any_of(comment.begin(), comment.end(), [](const std::string& l) { return !l.empty(); });
    if (any) {
        s += "!\xFE";
        // An empty line would end the block early, so only lines with text are written.
        for (const std::string& line : comment)
            if (!line.empty()) PutBlocks(s, line.substr(0, 255));
        s.push_back('\0');
    }
    s.push_back(';');
    return s;
}

int FrameBits(const TGifFrameBlock& frame, const TGifColorTable& global) {
    if (frame.LocalTable.Count > 0) return BitsOfColorCount(frame.LocalTable.Count);
    if (global.Count > 0) return BitsOfColorCount(global.Count);
    int size = frame.Data.empty() ? 8 : uint8_t(frame.Data[0]);
    return std::clamp(size, 1, 8);
}

uint64_t MaxLzwPixels(size_t dataBytes, int codeSize) {
    // The k-th code after a clear gives at most k pixels (a table entry is one longer than the
    // string before it) and never more than the table is long. A clear only starts the count
    // again, so one run without clears gives the most. Codes are as narrow as the decoder reads
    // them: code size + 1 bits at first, one more each time the table reaches the next power of
    // two, 12 from then on. One code more than fits covers the bits left over at the end.
    constexpr uint64_t kLongest = 4096;
    auto upTo = [](uint64_t m) {  // the most codes 1 .. m can give
        return m <= kLongest ? m * (m + 1) / 2 : kLongest * (kLongest + 1) / 2 + (m - kLongest) * kLongest;
    };
    codeSize = std::clamp(codeSize, 2, 11);
    uint64_t bits = uint64_t(dataBytes) * 8, codes = 0;
    int width = codeSize + 1, freeCode = (1 << codeSize) + 2;
    while (width < 12) {
        if (bits < uint64_t(width)) return upTo(codes + 1);
        bits -= uint64_t(width);
        if (++codes >= 2 && ++freeCode >= (1 << width)) ++width;
    }
    return upTo(codes + bits / 12 + 1);
}

// A frame too large for the memory left is reported as the decoder's own error.
TDib DecodeGifFrame(const TGifFrameBlock& frame, int bits, const TGifColorTable& table,
                    const std::function<void(int, int)>& progress) try {
    if (bits < 1 || bits > 8) throw EInvalidGraphicOperation("Wrong number of colors; must be a power of 2");
    const bool corrupted = frame.Corrupted;
    auto corrupt = [&] { throw EInvalidGraphicOperation(kCorrupt); };
    if (progress) progress(0, 0);

    // The code bytes, gathered from the sub-blocks.
    std::string codes;
    int codeSize = frame.Data.empty() ? 0 : uint8_t(frame.Data[0]);
    for (size_t i = 1; i < frame.Data.size();) {
        size_t n = uint8_t(frame.Data[i++]);
        if (n == 0) break;
        n = std::min(n, frame.Data.size() - i);
        codes.append(frame.Data, i, n);
        i += n;
    }
    if (codeSize < 2 || codeSize > 9) {
        if (!corrupted) throw EInvalidGraphicOperation("GIF code size not in range 2 to 9");
        codeSize = std::clamp(codeSize, 2, 9);
    }

    // A frame larger than its data can fill is corrupt; nothing is allocated for it.
    const uint64_t pixels = uint64_t(frame.Width) * uint64_t(frame.Height);
    if (pixels > MaxLzwPixels(codes.size(), codeSize)) corrupt();
    int dibBits = bits == 1 ? 1 : bits <= 4 ? 4 : 8;
    TDib dib(frame.Width, frame.Height, dibBits);
    if (table.Count > 0) {
        for (int i = 0; i < table.Count && i < int(dib.Palette.size()); ++i) dib.Palette[size_t(i)] = table.Color(i);
    } else {
        int n = 1 << bits;
        for (int i = 0; i < n && i < int(dib.Palette.size()); ++i) {
            int v = n > 1 ? i * 255 / (n - 1) : 0;
            dib.Palette[size_t(i)] = Rgb(v, v, v);
        }
    }
    if (pixels == 0) {
        if (progress) progress(2, 100);
        return dib;
    }

    // Pixels are written one byte each into `line`: the bitmap's row itself at 8 bits, else a
    // buffer packed into the row once it is full (or when decoding stops inside it).
    std::vector<int> order = frame.Interlaced ? InterlacedRowOrder(frame.Height) : std::vector<int>();
    auto rowAt = [&](int i) { return dib.Row(order.empty() ? i : order[size_t(i)]); };
    std::vector<uint8_t> buffer(dibBits == 8 ? 0 : size_t(frame.Width));
    uint8_t* line = dibBits == 8 ? rowAt(0) : buffer.data();
    const uint8_t pixelMask = uint8_t((1 << bits) - 1);
    int x = 0, rowIndex = 0;
    bool full = false;
    auto endLine = [&] {
        if (dibBits != 8) {
            std::fill(line + x, line + frame.Width, uint8_t(0));
            uint8_t* row = rowAt(rowIndex);
            for (int i = 0; i < frame.Width; ++i) {
                if (dibBits == 4) row[i >> 1] = uint8_t(row[i >> 1] | (line[i] << ((i & 1) ? 0 : 4)));
                else if (line[i]) row[i >> 3] = uint8_t(row[i >> 3] | (0x80 >> (i & 7)));
            }
        }
        x = 0;
        if (++rowIndex == frame.Height) full = true;
        else if (dibBits == 8) line = rowAt(rowIndex);
    };
    auto finish = [&] {
        if (x > 0 && !full && dibBits != 8) endLine();
        if (progress) progress(2, 100);
        return dib;
    };

    const int clear = 1 << codeSize, end = clear + 1;
    int width = codeSize + 1, limit = 1 << width, freeCode = clear + 2;
    // The table: each entry is an earlier string (prefix) and one more pixel (suffix).
    uint16_t prefix[4096], length[4096];
    uint8_t suffix[4096];
    uint8_t stack[4096];
    int old = -1, first = 0;
    uint32_t acc = 0;
    int accBits = 0;
    size_t pos = 0;
    const size_t total = codes.size();
    int lastPercent = -1;
    while (!full) {
        while (accBits < width) {
            if (pos >= total) {
                if (corrupted) return finish();
                throw EReadError();
            }
            acc |= uint32_t(uint8_t(codes[pos++])) << accBits;
            accBits += 8;
        }
        int code = int(acc & uint32_t(limit - 1));
        acc >>= width;
        accBits -= width;
        if (progress) {
            int percent = int(uint64_t(pos) * 100 / total);
            if (percent != lastPercent) progress(1, lastPercent = percent);
        }
        if (code == clear) {
            width = codeSize + 1;
            limit = 1 << width;
            freeCode = clear + 2;
            old = -1;
            continue;
        }
        if (code == end) break;
        if (old < 0) {
            // The first code after a clear must be a pixel value.
            if (code > clear) {
                if (corrupted) break;
                corrupt();
            }
            line[x] = uint8_t(code) & pixelMask;
            if (++x == frame.Width) endLine();
            old = first = code;
            continue;
        }
        if (code > freeCode || (code == freeCode && freeCode >= 4096)) {
            if (corrupted) break;
            corrupt();
        }
        // The string of the code (for the code about to be made: the previous string and its
        // own first pixel), written last pixel first. Every entry's prefix is an earlier code,
        // so no string is longer than the table.
        const bool repeat = code == freeCode;
        int c = repeat ? old : code;
        const int n = (c > end ? length[c] : 1) + (repeat ? 1 : 0);
        if (n <= frame.Width - x) {
            uint8_t* p = line + x + n;
            if (repeat) *--p = uint8_t(first) & pixelMask;
            for (; c > end; c = prefix[c]) *--p = suffix[c] & pixelMask;
            *--p = uint8_t(c) & pixelMask;
            x += n;
            if (x == frame.Width) endLine();
        } else {
            // Across the end of the line: through the stack, then line by line.
            int sp = 0;
            if (repeat) stack[sp++] = uint8_t(first);
            for (; c > end; c = prefix[c]) stack[sp++] = suffix[c];
            stack[sp++] = uint8_t(c);
            while (sp > 0 && !full) {
                line[x] = stack[--sp] & pixelMask;
                if (++x == frame.Width) endLine();
            }
        }
        first = c;
        if (freeCode < 4096) {
            prefix[freeCode] = uint16_t(old);
            suffix[freeCode] = uint8_t(first);
            length[freeCode] = uint16_t((old > end ? length[old] : 1) + 1);
            if (++freeCode >= limit && width < 12) {
                ++width;
                limit <<= 1;
            }
        }
        old = code;
    }
    return finish();
} catch (const std::bad_alloc&) {
    throw EInvalidGraphicOperation(kCorrupt);
}

std::string EncodeGifFrame(const TDib& dib, int bits, bool interlaced) {
    if (dib.Bits != 1 && dib.Bits != 4 && dib.Bits != 8) throw EInvalidGraphicOperation("GIF image encoding error");
    const int codeSize = std::max(bits, 2);
    const int clear = 1 << codeSize, end = clear + 1;
    const int pixelMask = (1 << std::min(bits, 8)) - 1;
    std::string out;
    out.reserve(dib.Pixels.size() / 2 + 64);
    out.push_back(char(codeSize));
    TCodeWriter w(out);

    constexpr int kSlots = 17777;
    std::vector<int16_t> slotCode(kSlots, -1);
    std::vector<uint16_t> slotPrefix(kSlots);
    std::vector<uint8_t> slotPixel(kSlots);
    int width = codeSize + 1, freeCode = clear + 2;
    auto reset = [&] {
        std::fill(slotCode.begin(), slotCode.end(), int16_t(-1));
        width = codeSize + 1;
        freeCode = clear + 2;
    };
    w.Put(clear, width);
    // The code width grows once the table holds 2^width codes, as the reader's does.
    auto emit = [&](int code) {
        w.Put(code, width);
        if (freeCode >= (1 << width) && width < 12) ++width;
    };

    std::vector<int> order = interlaced ? InterlacedRowOrder(dib.Height) : std::vector<int>();
    int prefixCode = -1, prefixHash = 0, length = 0;
    for (int i = 0; i < dib.Height; ++i) {
        int y = order.empty() ? i : order[size_t(i)];
        for (int x = 0; x < dib.Width; ++x) {
            int c = dib.Index(x, y) & pixelMask;
            if (prefixCode < 0) {
                prefixCode = c;
                prefixHash = (c + 3) * 301 % kSlots;
                length = 1;
                continue;
            }
            int hash = int(int64_t(c + length + 1 + 4) * prefixHash % kSlots);
            int h = hash;
            bool found = false;
            while (slotCode[size_t(h)] >= 0) {
                if (slotPrefix[size_t(h)] == prefixCode && slotPixel[size_t(h)] == c) {
                    found = true;
                    break;
                }
                if (++h == kSlots) h = 0;
            }
            if (found) {
                prefixCode = slotCode[size_t(h)];
                prefixHash = hash;
                ++length;
                continue;
            }
            emit(prefixCode);
            if (freeCode < 4094) {
                slotCode[size_t(h)] = int16_t(freeCode++);
                slotPrefix[size_t(h)] = uint16_t(prefixCode);
                slotPixel[size_t(h)] = uint8_t(c);
            } else {
                w.Put(clear, width);
                reset();
            }
            prefixCode = c;
            prefixHash = (c + 3) * 301 % kSlots;
            length = 1;
        }
    }
    if (prefixCode >= 0) emit(prefixCode);
    w.Put(end, width);
    w.Finish();
    return out;
}

}  // namespace vx::img
