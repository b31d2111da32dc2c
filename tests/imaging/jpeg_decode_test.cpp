#include "imaging/jpegimage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace {

// Encodes a w x h picture: red rising from left to right, green from top to bottom, blue 64
// (or the same ramps in grey).
std::vector<unsigned char> Encode(int w, int h, bool grey, bool progressive = false, int quality = 95) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = grey ? 1 : 3;
    c.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(w * (grey ? 1 : 3)));
    while (c.next_scanline < c.image_height) {
        const int y = static_cast<int>(c.next_scanline);
        for (int x = 0; x < w; ++x) {
            const unsigned char px[3] = {static_cast<unsigned char>(x * 255 / (w - 1)),
                                         static_cast<unsigned char>(y * 255 / (h - 1)), 64};
            for (int k = 0; k < c.input_components; ++k) row[size_t(x * c.input_components + k)] = px[k];
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<unsigned char> bytes(out, out + outSize);
    jpeg_destroy_compress(&c);
    std::free(out);
    return bytes;
}

QImage DecodeVec(const std::vector<unsigned char>& v, size_t n, QString* error) {
    // A copy of exactly n bytes on the heap, so that the address sanitizer sees any read past it.
    std::vector<unsigned char> exact(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n));
    return DecodeJpeg(exact.data(), exact.size(), error);
}

TEST(JpegDecode, ColourAndGreyPicturesKeepSizeAndColours) {
    for (bool progressive : {false, true}) {
        const auto bytes = Encode(64, 32, false, progressive);
        QString error;
        const QImage img = DecodeVec(bytes, bytes.size(), &error);
        ASSERT_FALSE(img.isNull()) << error.toStdString();
        EXPECT_TRUE(error.isEmpty());
        EXPECT_EQ(img.size(), QSize(64, 32));
        EXPECT_EQ(img.format(), QImage::Format_RGB888);
        const QColor left = img.pixelColor(1, 1), right = img.pixelColor(62, 30);
        EXPECT_LT(std::max(left.red(), left.green()), 30);
        EXPECT_GT(std::min(right.red(), right.green()), 225);
        EXPECT_NEAR(right.blue(), 64, 16);
    }
    const auto grey = Encode(40, 8, true);
    const QImage g = DecodeJpeg(grey.data(), grey.size());
    ASSERT_FALSE(g.isNull());
    EXPECT_EQ(g.format(), QImage::Format_Grayscale8);
    EXPECT_LT(qGray(g.pixel(0, 4)), 20);
    EXPECT_GT(qGray(g.pixel(39, 4)), 235);
}

TEST(JpegDecode, ShippedPictureFromFile) {
    QString error;
    const QImage img = LoadJpegFile(QStringLiteral(VX_TESTS_DIR "/../resources/pictures/about.jpg"), &error);
    ASSERT_FALSE(img.isNull()) << error.toStdString();
    EXPECT_EQ(img.size(), QSize(440, 120));
    EXPECT_TRUE(LoadJpegFile(QStringLiteral("/nonexistent/picture.jpg"), &error).isNull());
    EXPECT_FALSE(error.isEmpty());
}

TEST(JpegDecode, TruncatedDataFailsAtEveryLength) {
    const auto bytes = Encode(48, 48, false);
    for (size_t n = 0; n + 2 < bytes.size(); n += (n < 700 ? 1 : 37)) {
        QString error;
        const QImage img = DecodeVec(bytes, n, &error);
        EXPECT_TRUE(img.isNull()) << "length " << n;
        EXPECT_FALSE(error.isEmpty()) << "length " << n;
    }
    // Only the end marker missing: all picture data is there, but the file is still cut short.
    QString error;
    EXPECT_TRUE(DecodeVec(bytes, bytes.size() - 2, &error).isNull());
}

TEST(JpegDecode, DamagedAndForeignDataFailWithoutCrash) {
    const auto good = Encode(32, 32, false);
    QString error;
    EXPECT_TRUE(DecodeJpeg(nullptr, 0, &error).isNull());
    EXPECT_FALSE(error.isEmpty());
    const std::string png = "\x89PNG\r\n\x1a\n0000000000000000";
    EXPECT_TRUE(DecodeJpeg(png.data(), png.size(), &error).isNull());
    EXPECT_EQ(error, QStringLiteral("Not a JPEG picture"));

    // Flipped bytes all over the file: each either decodes to the right size or fails cleanly.
    std::srand(7);
    for (int round = 0; round < 300; ++round) {
        auto bad = good;
        const int flips = 1 + round % 6;
        for (int i = 0; i < flips; ++i) bad[2 + std::rand() % (bad.size() - 2)] ^= static_cast<unsigned char>(1 + std::rand() % 255);
        const QImage img = DecodeVec(bad, bad.size(), &error);
        if (img.isNull()) {
            EXPECT_FALSE(error.isEmpty());
        } else {
            EXPECT_GT(img.width() * img.height(), 0);
        }
    }
    // Entropy data garbled after the headers: refused, not shown half grey.
    auto garbled = good;
    for (size_t i = garbled.size() / 2; i < garbled.size() - 2; ++i) garbled[i] = 0xFF;
    EXPECT_TRUE(DecodeVec(garbled, garbled.size(), &error).isNull());
}

TEST(JpegDecode, HugeDeclaredSizeIsRefused) {
    auto bytes = Encode(16, 16, false);
    // Find the SOF0 marker and claim 60000 x 60000 pixels.
    bool patched = false;
    for (size_t i = 2; i + 8 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            bytes[i + 5] = 0xEA; bytes[i + 6] = 0x60;  // height 60000
            bytes[i + 7] = 0xEA; bytes[i + 8] = 0x60;  // width 60000
            patched = true;
            break;
        }
    }
    ASSERT_TRUE(patched);
    QString error;
    EXPECT_TRUE(DecodeVec(bytes, bytes.size(), &error).isNull());
    EXPECT_TRUE(error.contains(QStringLiteral("too large"))) << error.toStdString();
}

}  // namespace
