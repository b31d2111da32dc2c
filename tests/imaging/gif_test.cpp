#include "imaging/gifimage.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QMimeData>

#include <cstring>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

#include "imagingtest.h"
#include "qtapp.h"
#include "testutil.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VX_HAS_ASAN 1
#endif
#endif
#ifndef VX_HAS_ASAN
#define VX_HAS_ASAN 0
#endif

using namespace vx::img;

namespace {

TGifColorTable TableOf(const TDib& dib, int count) {
    TGifColorTable t;
    t.Count = count;
    for (int i = 0; i < count; ++i) t.Set(i, dib.Palette[size_t(i)]);
    return t;
}

// A GIF file of one frame holding `dib` as it is.
std::string GifOf(const TDib& dib, bool interlaced) {
    TGIFImage gif;
    gif.AddFrame(nullptr);
    gif.Frame(0).SetBitmap(dib);
    gif.Frame(0).Interlaced = interlaced;
    return gif.SaveToBytes();
}

QImage QtDecode(const std::string& bytes) {
    return QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()), "GIF");
}

// LZW codes (code, width) packed least significant bit first, as a frame's data: its code size
// byte, sub-blocks of up to 255 bytes, the zero block.
std::string Codes(int codeSize, const std::vector<std::pair<int, int>>& codes) {
    std::string bytes;
    uint32_t acc = 0;
    int bits = 0;
    for (auto [code, width] : codes) {
        acc |= uint32_t(code) << bits;
        bits += width;
        while (bits >= 8) bytes.push_back(char(acc & 0xFF)), acc >>= 8, bits -= 8;
    }
    if (bits) bytes.push_back(char(acc));
    std::string data(1, char(codeSize));
    for (size_t i = 0; i < bytes.size(); i += 255) data += char(std::min<size_t>(255, bytes.size() - i)) + bytes.substr(i, 255);
    return data + '\0';
}

// The data that gives the most pixels for its length, all of value 1: a pixel, then `codes` - 1
// codes each for a string one longer than the one before (the code about to be made), the
// table once full its last code again and again; with the pixels it gives and the bytes its
// codes take.
struct TSolid {
    std::string Data;
    uint64_t Pixels = 1;
    size_t CodeBytes = 0;
};
TSolid SolidData(int codeSize, int codes) {
    int width = codeSize + 1, freeCode = (1 << codeSize) + 2;
    std::vector<std::pair<int, int>> list{{1, width}};
    TSolid s;
    uint64_t length = 1, bits = uint64_t(width);
    for (int k = 2; k <= codes; ++k) {
        list.push_back({std::min(freeCode, 4095), width});
        bits += uint64_t(width);
        length += freeCode < 4096 ? 1 : 0;
        s.Pixels += length;
        if (freeCode < 4096 && ++freeCode >= (1 << width) && width < 12) ++width;
    }
    s.Data = Codes(codeSize, list);
    s.CodeBytes = size_t((bits + 7) / 8);
    return s;
}

// A file of one frame with the given descriptor packed byte, optional local table and data.
std::string OneFrameFile(int w, int h, const std::string& data, int globalBits = 1, std::string extra = {}) {
    std::string s = "GIF89a";
    s += char(w & 0xFF), s += char(w >> 8), s += char(h & 0xFF), s += char(h >> 8);
    s += char(0x80 | (globalBits - 1)), s += '\0', s += '\0';
    for (int i = 0; i < (1 << globalBits); ++i) s += char(i), s += char(255 - i), s += char(i * 3);
    s += extra;
    s += ',';
    s += std::string(4, '\0');
    s += char(w & 0xFF), s += char(w >> 8), s += char(h & 0xFF), s += char(h >> 8), s += '\0';
    return s + data + ';';
}

std::string Message(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

}  // namespace

struct TRoundTrip {
    int W, H, Bits;
    bool Interlaced;
};

class GifRoundTrip : public testing::TestWithParam<TRoundTrip> {};

// Our encoder's output decodes to the same pixels through our decoder and through Qt's.
TEST_P(GifRoundTrip, EncodedPixelsComeBackThroughBothDecoders) {
    const TRoundTrip p = GetParam();
    vxtest::App();
    TDib dib = vxtest::NoiseDib(p.W, p.H, p.Bits, unsigned(p.W * 31 + p.Bits));
    TGifFrameBlock frame;
    frame.Width = p.W;
    frame.Height = p.H;
    frame.Interlaced = p.Interlaced;
    frame.Data = EncodeGifFrame(dib, p.Bits, p.Interlaced);
    EXPECT_EQ(uint8_t(frame.Data[0]), std::max(p.Bits, 2));
    TDib back = DecodeGifFrame(frame, p.Bits, TableOf(dib, 1 << p.Bits));
    ASSERT_EQ(back.Width, p.W);
    for (int y = 0; y < p.H; ++y)
        for (int x = 0; x < p.W; ++x) ASSERT_EQ(back.Index(x, y), dib.Index(x, y)) << x << "," << y;

    QImage qt = QtDecode(GifOf(dib, p.Interlaced));
    ASSERT_FALSE(qt.isNull());
    for (int y = 0; y < p.H; ++y)
        for (int x = 0; x < p.W; ++x) ASSERT_EQ(vxtest::PixelOf(qt, x, y), dib.Color(x, y)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Sizes, GifRoundTrip,
                         testing::Values(TRoundTrip{1, 1, 1, false}, TRoundTrip{37, 23, 1, true},
                                         TRoundTrip{5, 300, 2, true}, TRoundTrip{64, 64, 4, false},
                                         TRoundTrip{256, 256, 8, false}, TRoundTrip{256, 256, 8, true},
                                         TRoundTrip{1000, 700, 8, false}));

TEST(GifRead, SignaturesLoopCountAndVersionRules) {
    vxtest::App();
    TDib dib = vxtest::NoiseDib(8, 8, 1);
    std::string file = GifOf(dib, false);
    EXPECT_EQ(file.substr(0, 6), "GIF87a");  // one frame, no extensions, no comment
    EXPECT_EQ(uint8_t(file[file.size() - 1]), ';');
    for (const char* sig : {"gif89a", "GIF89A", "gIf87A"}) {
        TGIFImage g;
        EXPECT_NO_THROW(g.LoadFromBytes(std::string(sig) + file.substr(6))) << sig;
        EXPECT_EQ(g.Count(), 1);
    }
    for (const char* sig : {"GIF88a", "JIF89a"}) {
        TGIFImage g;
        EXPECT_EQ(Message([&] { g.LoadFromBytes(std::string(sig) + file.substr(6)); }), "Unknown GIF version");
    }
    // A loop block with count 0xFFFF is held to 30000.
    std::string loop = std::string("!\xFF\x0bNETSCAPE2.0\x03\x01\xFF\xFF\x00", 19);
    TGIFImage g;
    g.LoadFromBytes(OneFrameFile(2, 1, Codes(2, {{4, 3}, {1, 3}, {0, 3}, {5, 3}}), 1, loop));
    EXPECT_TRUE(g.Looping);
    EXPECT_EQ(g.RepeatCount, 30000);
    EXPECT_EQ(g.Frame(0).Bitmap().Index(0, 0), 1);
    EXPECT_EQ(Message([&] { g.LoadFromBytes(OneFrameFile(2, 1, "", 1, "!\x42")); }), "Unrecognized extension block: 42");
}

TEST(GifWrite, TransparencyIntervalCommentAndFramesSurviveARoundTrip) {
    vxtest::App();
    TGIFImage gif;
    gif.AddFrame(nullptr);
    TDib a = vxtest::NoiseDib(20, 10, 4, 1);
    gif.Frame(0).SetBitmap(a);
    gif.Frame(0).TransparentColor = RGB(RedOf(a.Palette[3]), GreenOf(a.Palette[3]), BlueOf(a.Palette[3]));
    gif.Frame(0).AnimateInterval = 250;
    gif.Frame(0).DisposalMethod = 2;
    gif.Frame(0).SetComment({"frame note"});
    gif.AddFrame(nullptr);
    gif.Frame(1).SetBitmap(vxtest::NoiseDib(7, 5, 8, 2));
    gif.Frame(1).Left = 30;
    gif.Frame(gif.AddFrame(nullptr)).SetBitmap(a);
    gif.Looping = true;
    gif.RepeatCount = 3;
    gif.SetComment({"first line", "", "second"});
    std::string bytes = gif.SaveToBytes();
    EXPECT_EQ(bytes.substr(0, 6), "GIF89a");

    TGIFImage back;
    back.LoadFromBytes(bytes);
    ASSERT_EQ(back.Count(), 3);
    EXPECT_EQ(back.Data().ScreenWidth, 37);  // the screen covers the second frame's origin
    EXPECT_EQ(back.Frame(0).TransparentColor, gif.Frame(0).TransparentColor);
    EXPECT_EQ(back.Frame(0).AnimateInterval, 250);
    EXPECT_EQ(back.Frame(0).DisposalMethod, 2);
    EXPECT_EQ(back.Frame(0).Comment(), QStringList{"frame note"});
    // The first frame's table became the global one; every later frame has its own, even one
    // equal to the global table.
    EXPECT_FALSE(back.Frame(0).UsesLocalTable);
    EXPECT_TRUE(back.Frame(1).UsesLocalTable && back.Frame(2).UsesLocalTable);
    EXPECT_EQ(back.Frame(1).Left, 30);
    EXPECT_TRUE(back.Looping);
    EXPECT_EQ(back.RepeatCount, 3);
    EXPECT_EQ(back.Comment(), (QStringList{"first line", "second"}));
    EXPECT_TRUE(back.Transparent());
    for (int f = 0; f < 3; ++f) {
        const TDib& want = gif.Frame(f).Bitmap();
        const TDib& got = back.Frame(f).Bitmap();
        for (int y = 0; y < want.Height; ++y)
            for (int x = 0; x < want.Width; ++x) ASSERT_EQ(got.Color(x, y), want.Color(x, y));
    }
    // A true-colour picture is reduced to 8 bits on writing; few colours stay exact.
    TBitmap bmp;
    bmp.Image = QImage(9, 4, QImage::Format_RGB32);
    bmp.Image.fill(QColor(10, 200, 30));
    bmp.Image.setPixel(2, 1, qRgb(250, 5, 5));
    TGIFImage fromBitmap;
    fromBitmap.Assign(&bmp);
    QImage qt = QtDecode(fromBitmap.SaveToBytes());
    EXPECT_EQ(vxtest::PixelOf(qt, 2, 1), 0xFA0505u);
    EXPECT_EQ(vxtest::PixelOf(qt, 0, 0), 0x0AC81Eu);
    EXPECT_EQ(Message([&] { fromBitmap.SetWidth(3); }), "Cannot change the Size of a GIF image");
    TGIFImage empty;
    empty.AddFrame(nullptr);
    EXPECT_EQ(Message([&] { empty.SaveToBytes(); }), "No GIF Data to write");
}

// Hostile frame data is refused or, in a frame already cut short, stops quietly.
TEST(GifDecode, CorruptDataIsRefusedWithoutReadingPastIt) {
    TGifColorTable table;
    table.Count = 8;
    TGifFrameBlock f;
    f.Width = 4;
    f.Height = 1;
    // Code 7 when the next free code is 6.
    f.Data = Codes(2, {{4, 3}, {1, 3}, {7, 3}, {5, 3}});
    EXPECT_EQ(Message([&] { DecodeGifFrame(f, 2, table); }), "GIF encoded data is corrupt");
    // A first code after a clear that is not a pixel value.
    f.Data = Codes(2, {{4, 3}, {6, 3}, {5, 3}});
    EXPECT_EQ(Message([&] { DecodeGifFrame(f, 2, table); }), "GIF encoded data is corrupt");
    f.Data = Codes(10, {{1024, 11}});
    EXPECT_EQ(Message([&] { DecodeGifFrame(f, 2, table); }), "GIF code size not in range 2 to 9");
    // Data that ends before the frame is full.
    f.Data = Codes(2, {{4, 3}, {1, 3}});
    EXPECT_EQ(Message([&] { DecodeGifFrame(f, 2, table); }), "Stream read error");
    // ...which a frame marked corrupted keeps, with the rows it has.
    f.Corrupted = true;
    TDib kept = DecodeGifFrame(f, 2, table);
    EXPECT_EQ(kept.Index(0, 0), 1);
    // Pixel values beyond the frame's depth are masked: 9 in a 3-bit frame is 1.
    TGifFrameBlock m;
    m.Width = 1;
    m.Height = 1;
    m.Data = Codes(4, {{16, 5}, {9, 5}, {17, 5}});
    EXPECT_EQ(DecodeGifFrame(m, 3, table).Index(0, 0), 1);
    // A frame larger than its data could fill is refused before anything is allocated, even
    // one marked corrupted.
    for (int side : {1000, 65535})
        for (bool cut : {false, true}) {
            m.Width = m.Height = side;
            m.Corrupted = cut;
            EXPECT_EQ(Message([&] { DecodeGifFrame(m, 3, table); }), "GIF encoded data is corrupt") << side << cut;
        }
}

// Data made to give the most pixels it can fills a frame of that size, which the bound allows;
// a frame claiming more than the bound is corrupt.
TEST(GifDecode, FramesAreAllocatedOnlyForWhatTheirDataCanFill) {
    for (auto [codeSize, codes] : {std::pair{2, 2000}, {2, 5000}, {8, 4500}}) {
        SCOPED_TRACE(testing::Message() << codeSize << " " << codes);
        const TSolid solid = SolidData(codeSize, codes);
        const uint64_t bound = MaxLzwPixels(solid.CodeBytes, codeSize);
        EXPECT_GE(bound, solid.Pixels);
        EXPECT_LE(bound, solid.Pixels + solid.Pixels / 50 + 4096);  // and not far above
        const int bits = std::min(codeSize, 8);
        TGifColorTable table;
        table.Count = 1 << bits;
        TGifFrameBlock f;
        f.Width = 4096;
        f.Height = int(solid.Pixels / 4096);
        f.Data = solid.Data;
        TDib dib = DecodeGifFrame(f, bits, table);
        EXPECT_EQ(dib.Index(0, 0), 1);
        EXPECT_EQ(dib.Index(4095, f.Height - 1), 1);
        f.Height = int(bound / 4096) + 1;
        EXPECT_EQ(Message([&] { DecodeGifFrame(f, bits, table); }), "GIF encoded data is corrupt");
    }
}

// A frame its data can fill but memory cannot hold is reported as the decoder's own error.
TEST(GifDecode, AFrameBeyondTheMemoryLeftIsTheDecodersError) {
#if defined(__SANITIZE_ADDRESS__) || VX_HAS_ASAN
    GTEST_SKIP() << "the address sanitizer ends the process instead of failing the allocation";
#endif
    const TSolid solid = SolidData(8, 300000);  // a gigabyte of pixels
    TGifFrameBlock f;
    f.Width = 32768;
    f.Height = int(solid.Pixels / 32768);
    f.Data = solid.Data;
    TGifColorTable table;
    table.Count = 256;
    // The address space may grow by 256 MB only while the frame is decoded.
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    rlimit old{}, small{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
    small = {rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(256) << 20), old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_AS, &small), 0);
    const std::string message = Message([&] { DecodeGifFrame(f, 8, table); });
    setrlimit(RLIMIT_AS, &old);
    EXPECT_EQ(message, "GIF encoded data is corrupt");
}

TEST(GifRead, FramesTakeTheDepthOfTheirOwnTableAndExtensionsTheirOwnSize) {
    // Global table of 256 colours, a frame with a local table of 2: the frame has 1 bit.
    std::string data = Codes(2, {{4, 3}, {1, 3}, {0, 3}, {5, 3}});
    std::string file = OneFrameFile(2, 1, data, 8);
    size_t desc = file.rfind(',');
    file[desc + 9] = char(0x80);  // local table, 2 entries
    file.insert(desc + 10, std::string("\x01\x02\x03\xF0\xF1\xF2", 6));
    // A graphic control block that states 5 bytes instead of 4.
    file.insert(desc, std::string("!\xF9\x05\x01\x0A\x00\x01\x77\x00", 9));
    TGIFImage g;
    g.LoadFromBytes(file);
    ASSERT_EQ(g.Count(), 1);
    EXPECT_EQ(g.Frame(0).BitsPerPixel(), 1);
    EXPECT_EQ(g.Frame(0).Bitmap().Bits, 1);
    EXPECT_EQ(g.Frame(0).Bitmap().Color(0, 0), 0xF0F1F2u);
    EXPECT_EQ(g.Frame(0).AnimateInterval, 100);
    EXPECT_EQ(g.Frame(0).TransparentColor, RGB(0xF0, 0xF1, 0xF2));
}

// A frame whose last sub-block is cut keeps the rows decoded so far.
TEST(GifRead, ATruncatedFrameIsKeptAndDecodesItsFirstRows) {
    TDib dib = vxtest::NoiseDib(64, 64, 8, 3);
    std::string file = GifOf(dib, false);
    TGIFImage g;
    g.LoadFromBytes(file.substr(0, file.size() * 2 / 3));
    ASSERT_EQ(g.Count(), 1);
    EXPECT_TRUE(g.Frame(0).Corrupted);
    const TDib& part = g.Frame(0).Bitmap();
    for (int x = 0; x < 64; ++x) EXPECT_EQ(part.Index(x, 0), dib.Index(x, 0));
}

// Every prefix of a few files reads to a picture or to an image error, never to a crash.
TEST(GifRead, EveryTruncationEndsInAnImageErrorOrAPicture) {
    vxtest::App();
    TGIFImage anim;
    anim.AddFrame(nullptr);
    anim.Frame(0).SetBitmap(vxtest::NoiseDib(12, 9, 3, 5));
    anim.Frame(0).Interlaced = true;
    anim.Frame(0).AnimateInterval = 40;
    anim.AddFrame(nullptr);
    anim.Frame(1).SetBitmap(vxtest::NoiseDib(5, 6, 8, 6));
    anim.Looping = true;
    anim.SetComment({"c"});
    for (const std::string& file : {anim.SaveToBytes(), GifOf(vxtest::NoiseDib(30, 3, 1), false)}) {
        for (size_t n = 0; n <= file.size(); ++n) {
            TGIFImage g;
            try {
                g.LoadFromBytes(file.substr(0, n));
                for (int f = 0; f < g.Count(); ++f) g.Frame(f).Bitmap();
            } catch (const EImageError&) {
            }
        }
    }
}

TEST(GifPicture, LoaderAndClipboardKnowTheFormat) {
    vxtest::App();
    EXPECT_TRUE(TPicture::SupportsClipboardFormat("GIF Image"));
    vxtest::TempDir dir;
    TDib dib = vxtest::NoiseDib(6, 6, 4);
    std::string bytes = GifOf(dib, false);
    vxtest::WriteAll(dir.Path("p.gif"), bytes);
    auto picture = TPicture::LoadFromFile(QString::fromStdString(dir.Path("p.gif")));
    auto* gif = dynamic_cast<TGIFImage*>(picture.get());
    ASSERT_NE(gif, nullptr);
    EXPECT_EQ(gif->Width(), 6);
    QMimeData mime;
    gif->SaveToClipboardFormat(mime);
    EXPECT_TRUE(mime.hasImage());
    auto pasted = TPicture::LoadFromClipboard(mime);
    auto* pastedGif = dynamic_cast<TGIFImage*>(pasted.get());
    ASSERT_NE(pastedGif, nullptr);
    EXPECT_EQ(pastedGif->Frame(0).Bitmap().Color(5, 5), dib.Color(5, 5));
    TBitmap bmp;
    gif->AssignTo(&bmp);
    EXPECT_EQ(vxtest::PixelOf(bmp.Image, 3, 2), dib.Color(3, 2));
}

// Files written by ImageMagick read to the pixels ImageMagick itself reports.
TEST(GifRead, ImageMagickFilesReadToItsOwnPixels) {
    std::string convert = vxtest::ImageMagick();
    if (convert.empty()) GTEST_SKIP() << "ImageMagick is not installed";
    vxtest::TempDir dir;
    struct TCase {
        const char* Name;
        const char* Options;
    };
    const TCase cases[] = {{"plain.gif", "-colors 200"},
                           {"interlaced.gif", "-colors 64 -interlace GIF"},
                           {"sixteen.gif", "-colors 16"},
                           {"anim.gif", "-colors 32 \\( +clone -negate \\) -loop 0 -set delay 20"}};
    for (const TCase& c : cases) {
        std::string gif = dir.Path(c.Name), rgb = dir.Path(std::string(c.Name) + ".rgb");
        ASSERT_TRUE(vxtest::Run(convert + " -size 61x47 -seed 4 plasma:fractal " + c.Options + " " + gif));
        ASSERT_TRUE(vxtest::Run(convert + " '" + gif + "[0]' -depth 8 rgb:" + rgb));
        std::string want = vxtest::ReadAll(rgb);
        TGIFImage g;
        g.LoadFromBytes(vxtest::ReadAll(gif));
        const TDib& got = g.Frame(0).Bitmap();
        ASSERT_EQ(size_t(got.Width * got.Height * 3), want.size()) << c.Name;
        for (int y = 0; y < got.Height; ++y)
            for (int x = 0; x < got.Width; ++x) {
                size_t i = size_t(y * got.Width + x) * 3;
                ASSERT_EQ(got.Color(x, y), Rgb(uint8_t(want[i]), uint8_t(want[i + 1]), uint8_t(want[i + 2])))
                    << c.Name << " " << x << "," << y;
            }
        if (std::string(c.Name) == "anim.gif") {
            EXPECT_EQ(g.Count(), 2);
            EXPECT_TRUE(g.Looping);
            EXPECT_EQ(g.Frame(1).AnimateInterval, 200);
        }
    }
}
