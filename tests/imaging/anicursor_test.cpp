#include "imaging/anicursor.h"
#include "imaging/gifimage.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include "imagingtest.h"
#include "qtapp.h"

using namespace vx::img;

namespace {

std::string Le32(uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[size_t(i)] = char((v >> (8 * i)) & 0xFF);
    return s;
}

std::string Chunk(const std::string& id, const std::string& data) {
    std::string s = id + Le32(uint32_t(data.size())) + data;
    if (data.size() & 1) s += '\0';
    return s;
}

// A 16 x 16 icon file of one colour.
std::string IconFile(QRgb color) {
    vxtest::App();
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(color);
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    QImageWriter w(&buf, "ICO");
    EXPECT_TRUE(w.write(img));
    return buf.data().toStdString();
}

std::string Anih(uint32_t frames, uint32_t steps, uint32_t flags, uint32_t rate = 6, uint32_t sizeField = 36) {
    std::string d = Le32(sizeField) + Le32(frames) + Le32(steps) + Le32(16) + Le32(16) + Le32(32) + Le32(1) + Le32(rate) +
                    Le32(flags);
    return Chunk("anih", d);
}

std::string Riff(const std::string& body) { return "RIFF" + Le32(uint32_t(body.size() + 4)) + "ACON" + body; }

const QRgb kColors[3] = {qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200)};

std::string Fram(int icons) {
    std::string list = "fram";
    for (int i = 0; i < icons; ++i) list += Chunk("icon", IconFile(kColors[i % 3]));
    return Chunk("LIST", list);
}

// Three frames showing the icons in reverse order, each with its own rate.
std::string ThreeFrameCursor() {
    std::string seq = Le32(2) + Le32(1) + Le32(0);
    std::string rate = Le32(10) + Le32(20) + Le32(30);
    std::string info = Chunk("LIST", "INFO" + Chunk("INAM", std::string("Spinner\0", 8)) + Chunk("IART", "Someone"));
    return Riff(info + Anih(3, 3, 3) + Chunk("rate", rate) + Chunk("seq ", seq) + Fram(3));
}

QRgb CentreOf(const TIcon& icon) { return icon.Picture().pixel(8, 8) & 0xFFFFFF; }

}  // namespace

TEST(AnimatedCursor, ReadsFramesRatesSequenceAndTexts) {
    TAnimatedCursorImage cur;
    cur.LoadFromBytes(ThreeFrameCursor());
    ASSERT_EQ(cur.FrameCount(), 3);
    EXPECT_EQ(cur.Title, "Spinner");
    EXPECT_EQ(cur.Author, "Someone");
    EXPECT_EQ(cur.MaxColors, 256);
    const uint32_t rates[3] = {10, 20, 30};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cur.Frame(i).JiffRate, rates[i]);
        EXPECT_EQ(cur.Frame(i).Sequence, uint32_t(2 - i));
        EXPECT_EQ(CentreOf(cur.FrameIcon(i)), kColors[2 - i] & 0xFFFFFF);
        EXPECT_EQ(cur.Frame(i).Width, 16);
    }
    // The frame strip: side by side on the bitmap's brush colour.
    TBitmap strip;
    cur.AssignTo(strip);
    ASSERT_EQ(strip.Image.size(), QSize(48, 16));
    for (int i = 0; i < 3; ++i) {
        QColor c(strip.Image.pixel(i * 16 + 8, 8));
        EXPECT_NEAR(c.red(), qRed(kColors[2 - i]), 16);
        EXPECT_NEAR(c.blue(), qBlue(kColors[2 - i]), 16);
    }
    EXPECT_EQ(cur.CreateFrameStrip(true, clBlack, false).size(), QSize(16, 48));
    // A GIF takes one frame per icon; an icon list every icon.
    TGIFImage gif;
    gif.Assign(cur);
    EXPECT_EQ(gif.Count(), 3);
    TIconList list;
    cur.AssignTo(list);
    EXPECT_EQ(list.Count(), 3);
}

TEST(AnimatedCursor, ExtraIconsBecomeFramesAndTheHeaderIsAlwaysThirtySixBytes) {
    TAnimatedCursorImage cur;
    // One frame announced, three icons, a header that states a size of 20.
    cur.LoadFromBytes(Riff(Anih(1, 1, 1, 6, 20) + Fram(3)));
    ASSERT_EQ(cur.FrameCount(), 3);
    EXPECT_EQ(cur.Frame(2).JiffRate, 6u);
    EXPECT_EQ(CentreOf(cur.FrameIcon(2)), kColors[2] & 0xFFFFFF);
}

TEST(AnimatedCursor, MalformedFilesAreRefusedAndLeaveTheObjectCleared) {
    const std::string good = ThreeFrameCursor();
    std::string anihAt = "anih";
    struct TCase {
        const char* Name;
        std::string File;
    };
    std::string listEscape = Chunk("LIST", "fram" + std::string("icon") + Le32(4000) + IconFile(kColors[0]));
    const TCase cases[] = {
        {"flag bit 0 clear", Riff(Anih(1, 1, 2) + Fram(1))},
        {"no steps", Riff(Anih(1, 0, 1) + Fram(1))},
        {"short header", Riff(Chunk("anih", std::string(30, '\1')) + Fram(1))},
        {"frame count beyond the input", Riff(Anih(0x40000000, 1, 1) + Fram(1))},
        {"sub-chunk running out of its list", Riff(Anih(1, 1, 1) + listEscape + std::string(5000, '\0'))},
        {"no frames", Riff(Anih(1, 1, 1))},
        {"not a cursor", "RIFF" + Le32(4) + "WAVE"},
        {"icon that is no icon", Riff(Anih(1, 1, 1) + Chunk("LIST", "fram" + Chunk("icon", std::string(40, 'x'))))},
    };
    for (const TCase& c : cases) {
        TAnimatedCursorImage cur;
        cur.LoadFromBytes(good);
        QBuffer buf;
        buf.setData(QByteArray::fromStdString(c.File));
        buf.open(QIODevice::ReadOnly);
        EXPECT_THROW(cur.LoadFromStream(buf), EReadError) << c.Name;
        EXPECT_EQ(cur.FrameCount(), 0) << c.Name;
        EXPECT_TRUE(cur.Title.isEmpty()) << c.Name;
    }
    // Every prefix of a good file is refused or read, never a crash.
    for (size_t n = 0; n <= good.size(); n += 7) {
        try {
            ReadAniCursor(std::string_view(good).substr(0, n));
        } catch (const EReadError&) {
        }
    }
}

TEST(IconList, StreamsEmptyEntriesAndNotifiesOncePerUpdate) {
    TIcon red, green;
    red.LoadFromBytes(IconFile(kColors[0]));
    green.LoadFromBytes(IconFile(kColors[1]));
    TIconList list;
    int changes = 0;
    list.OnChange = [&] { ++changes; };
    list.BeginUpdate();
    list.BeginUpdate();
    list.Add(&red);
    list.Add(nullptr);
    list.EndUpdate();
    EXPECT_EQ(changes, 0);
    list.Add(&green);
    list.EndUpdate();
    EXPECT_EQ(changes, 1);
    list.Exchange(0, 2);
    list.Move(0, 1);  // empty, green, red
    EXPECT_EQ(changes, 3);

    std::string bytes = list.WriteIcons();
    TIconList back;
    back.ReadIcons(bytes);
    ASSERT_EQ(back.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(back.Get(i) == nullptr, list.Get(i) == nullptr) << i;
        if (list.Get(i)) {
            EXPECT_EQ(back.Get(i)->SaveToBytes(), list.Get(i)->SaveToBytes());
        }
    }
    EXPECT_FALSE(back.IconsDiffer(&list));
    back.Delete(0);
    EXPECT_TRUE(back.IconsDiffer(&list));
    EXPECT_THROW(back.Get(5), std::out_of_range);
    EXPECT_THROW(back.ReadIcons(Le32(1000000) + Le32(3)), EReadError);
    EXPECT_THROW(back.ReadIcons(Le32(1) + Le32(99)), EReadError);
    TIconList single;
    single.Assign(red);
    EXPECT_EQ(single.Count(), 1);
}
