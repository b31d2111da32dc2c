#include "imaging/dib.h"
#include "imaging/graphic.h"
#include "controls/drawutils.h"

#include <gtest/gtest.h>

#include <QImage>

#include "imagingtest.h"
#include "qtapp.h"

using namespace vx::img;

namespace {

// A 24-bit picture: red across, green down, blue fixed; with `steps`, each channel takes only
// that many values.
TDib Gradient(int w, int h, int blue = 90, int steps = 256) {
    TDib d(w, h, 24);
    auto ramp = [&](int i, int n) {
        int v = i * 255 / std::max(n - 1, 1);
        return steps >= 256 ? v : v * steps / 256 * 255 / (steps - 1);
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) d.SetColor(x, y, Rgb(ramp(x, w), ramp(y, h), blue));
    return d;
}

QImage ReadBmp(const std::string& file) {
    return QImage::fromData(reinterpret_cast<const uchar*>(file.data()), int(file.size()), "BMP");
}

int Channel(uint32_t c, int ch) { return ch == 0 ? RedOf(c) : ch == 1 ? GreenOf(c) : BlueOf(c); }

}  // namespace

// Every method's output is a bitmap file Qt reads, pixel for pixel the palette colour our
// bitmap holds, and near the source by the method's own measure.
TEST(ColorReduction, EveryMethodWritesABitmapQtReadsBack) {
    vxtest::App();
    TDib src = Gradient(40, 30, 90, 12);  // 144 colours: few enough for the palette methods
    for (int method = 0; method <= 5; ++method) {
        TDib out = ConvertDIB(src, pf8bit, method);
        ASSERT_EQ(out.Bits, 8);
        QImage qt = ReadBmp(DIBToBitmapFile(out));
        ASSERT_FALSE(qt.isNull()) << method;
        ASSERT_EQ(qt.size(), QSize(40, 30));
        int worst = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                ASSERT_EQ(vxtest::PixelOf(qt, x, y), out.Color(x, y)) << method;
                uint32_t s = src.Color(x, y), o = out.Color(x, y);
                int d = 0;
                if (method == 4) {  // one channel per pixel, in rotation
                    int ch = (x + (29 - y)) % 3;
                    d = std::abs(Channel(s, ch) - Channel(o, ch));
                } else if (method == 5) {
                    d = std::abs((77 * RedOf(s) + 150 * GreenOf(s) + 29 * BlueOf(s)) / 256 - RedOf(o));
                } else {
                    for (int ch = 0; ch < 3; ++ch) d = std::max(d, std::abs(Channel(s, ch) - Channel(o, ch)));
                }
                worst = std::max(worst, d);
            }
        const int allowed[6] = {0, 15, 22, 26, 4, 1};
        EXPECT_LE(worst, allowed[method]) << "method " << method;
    }
    EXPECT_EQ(ConvertDIB(src, pf8bit, 2).ColorsUsed, 224u);
    EXPECT_EQ(ConvertDIB(src, pf8bit, 3).ColorsUsed, 216u);
}

TEST(ColorReduction, PopularityDropsTheLowestBlueBitFirstPastTwoThousandColours) {
    // 3000 colours that differ pairwise only in blue's lowest bit.
    TDib src(100, 30, 24);
    for (int i = 0; i < 3000; ++i) src.SetColor(i % 100, i / 100, Rgb((i / 2) % 256, (i / 2) / 256 * 16, 4 + (i & 1)));
    TDib out = ConvertDIB(src, pf8bit, 0);
    bool oddRed = false;
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(BlueOf(out.Palette[size_t(i)]), 4) << i;
        oddRed |= (RedOf(out.Palette[size_t(i)]) & 1) != 0;
    }
    EXPECT_TRUE(oddRed);  // red keeps its full precision
}

TEST(ColorReduction, GreyKeepsGreyValuesAndConvertsEvenTheOwnFormat) {
    TDib grey(256, 1, 24);
    for (int v = 0; v < 256; ++v) grey.SetColor(v, 0, Rgb(v, v, v));
    TDib out = ConvertDIB(grey, pf8bit, 5);
    for (int v = 0; v < 256; ++v) EXPECT_EQ(out.Index(v, 0), v);
    TDib indexed = vxtest::NoiseDib(4, 4, 8);
    EXPECT_EQ(ConvertDIB(indexed, pf8bit, 0).Pixels, indexed.Pixels);  // unchanged
    TDib greyed = ConvertDIB(indexed, pf8bit, 5);
    for (uint32_t c : greyed.Palette) EXPECT_TRUE(RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c));
}

// Two colours of very different counts: each gets a box of its own, and no box is empty.
TEST(ColorReduction, MedianCutNeverLeavesABoxEmpty) {
    TDib src(100, 100, 24);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) src.SetColor(x, y, Rgb(10, 10, 200));
    src.SetColor(0, 0, Rgb(250, 250, 10));
    TDib out = ConvertDIB(src, pf8bit, 1);
    EXPECT_EQ(out.ColorsUsed, 2u);
    EXPECT_NE(out.Index(0, 0), out.Index(1, 0));
    EXPECT_NEAR(RedOf(out.Color(0, 0)), 250, 15);
    EXPECT_NEAR(BlueOf(out.Color(5, 5)), 200, 15);
}

TEST(ColorReduction, FormatsFromColourCountsAndDeviceDepths) {
    vxtest::App();
    TDib src = Gradient(16, 16, 255);
    struct TCase {
        int Colors, Bits;
    };
    for (TCase c : {TCase{2, 1}, TCase{16, 4}, TCase{256, 8}, TCase{1000, 24}}) {
        std::string file = BitmapToDIBStreamByColors(src, c.Colors);
        ASSERT_GE(file.size(), 54u);
        EXPECT_EQ(file.substr(0, 2), "BM");
        EXPECT_EQ(uint8_t(file[28]), c.Bits);
        EXPECT_FALSE(ReadBmp(file).isNull()) << c.Colors;
    }
    // 1 and 4 bits take the nearest of the device's fixed colours.
    TDib mono = ConvertDIB(src, pf1bit, 0);
    EXPECT_EQ(mono.Color(0, 0), 0u);  // blue is nearer black than white
    EXPECT_EQ(mono.Color(15, 15), 0xFFFFFFu);
    EXPECT_EQ(ConvertDIB(src, pf4bit, 0).Color(15, 0), 0xFF00FFu);
    EXPECT_THROW(ConvertDIB(src, pf16bit, 0), ENotImplemented);
    EXPECT_THROW(BitmapToDIBStream(QImage(), pf8bit, 0), EInvalidGraphicOperation);
    QString shown;
    auto saved = ShowNotImplementedMessage;
    ShowNotImplementedMessage = [&shown](const QString& t) { shown = t; };
    EXPECT_THROW(BitmapToDIBStream(DibToImage(src), pf16bit, 0), EAbort);
    ShowNotImplementedMessage = saved;
    EXPECT_EQ(shown, "Function not yet implemented");
    EXPECT_THROW(TDib(-1, 4, 24), EInvalidGraphicOperation);
    uint32_t header = 0, image = 0;
    DIBSizes(src, pf8bit, header, image);
    EXPECT_EQ(header, 40u + 1024u);
    EXPECT_EQ(image, 16u * 16u);
}

TEST(ColorReduction, QImageConversionsKeepDepthAndPixels) {
    vxtest::App();
    for (int bits : {1, 4, 8}) {
        TDib dib = vxtest::NoiseDib(13, 7, bits);
        QImage img = DibToImage(dib);
        TDib back = ImageToDib(img);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x) ASSERT_EQ(back.Color(x, y), dib.Color(x, y)) << bits;
        EXPECT_EQ(back.Bits, bits == 1 ? 1 : 8);
    }
    TDib rgb = Gradient(5, 5);
    EXPECT_EQ(vxtest::PixelOf(DibToImage(rgb), 4, 0), rgb.Color(4, 0));
}
