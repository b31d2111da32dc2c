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

// A header is read for its first 36 bytes whatever size it states, with the chunks after a
// longer one in their places; each "anih" chunk adds its steps to those before (the last gives
// the header), and icons that no step waits for get steps of their own.
TEST(AnimatedCursor, HeadersAreThirtySixBytesAndAddTheirSteps) {
    std::string longer = Anih(2, 2, 1, 7, 40);
    longer.replace(4, 4, Le32(40));  // the chunk holds 40 bytes: 4 more after the header
    longer += Le32(0xFFFFFFFF);
    const struct {
        const char* Name;
        std::string File;
        std::vector<uint32_t> Sequence, Rate;
    } cases[] = {
        {"one step announced, three icons, a header stating 20 bytes", Riff(Anih(1, 1, 1, 6, 20) + Fram(3)), {0, 1, 2},
         {6, 6, 6}},
        // Steps 0 and 1 (rate 6), then 0 again (rate 9); icon 2 is waited for by none.
        {"two headers", Riff(Anih(2, 2, 1, 6) + Anih(1, 1, 1, 9) + Fram(3)), {0, 1, 0, 2}, {6, 6, 9, 9}},
        {"a header of 40 bytes", Riff(longer + Chunk("rate", Le32(21) + Le32(22)) + Fram(2)), {0, 1}, {21, 22}},
        {"an odd header of 37 bytes", Riff(Chunk("anih", Anih(2, 2, 1, 3).substr(8) + 'x') + Chunk("seq ", Le32(1) + Le32(0)) + Fram(2)),
         {1, 0}, {3, 3}},
    };
    for (const auto& c : cases) {
        TAnimatedCursorImage cur;
        cur.LoadFromBytes(c.File);
        ASSERT_EQ(size_t(cur.FrameCount()), c.Sequence.size()) << c.Name;
        for (int i = 0; i < cur.FrameCount(); ++i) {
            EXPECT_EQ(cur.Frame(i).Sequence, c.Sequence[size_t(i)]) << c.Name << " " << i;
            EXPECT_EQ(cur.Frame(i).JiffRate, c.Rate[size_t(i)]) << c.Name << " " << i;
            EXPECT_EQ(CentreOf(cur.FrameIcon(i)), kColors[c.Sequence[size_t(i)]] & 0xFFFFFF) << c.Name << " " << i;
        }
    }
    TAnimatedCursorImage two;
    two.LoadFromBytes(cases[1].File);
    EXPECT_EQ(two.Header.DefaultRate, 9u);
}

// However many steps the headers announce, a file holds at most a quarter of its bytes in
// steps; steps without an icon are dropped rather than the file refused.
TEST(AnimatedCursor, AnnouncedStepsAreBoundedByTheFile) {
    // The smallest icon directory there is: one entry of 8 bytes.
    const std::string icon = std::string("\0\0\1\0\1\0\x10\x10\0\0\1\0\x20\0\x08\0\0\0\x16\0\0\0", 22) + std::string(8, '\0');
    auto fram = [&](int icons) {
        std::string list = "fram";
        for (int i = 0; i < icons; ++i) list += Chunk("icon", icon);
        return Chunk("LIST", list);
    };
    auto headers = [](int n, uint32_t frames) {
        std::string s;
        for (int i = 0; i < n; ++i) s += Anih(frames, 1, 1);
        return s;
    };
    const struct {
        const char* Name;
        std::string File;
        size_t Steps;
    } cases[] = {
        {"2^32 - 1 announced, two icons", Riff(Anih(0xFFFFFFFF, 1, 1) + fram(2)), 2},
        {"a sequence beyond the icons", Riff(Anih(0x40000000, 1, 1) + Chunk("seq ", Le32(1) + Le32(7) + Le32(0)) + fram(2)), 2},
        // Fifty headers of fifty steps each, each step waiting for one of fifty icons.
        {"many headers", Riff(headers(50, 50) + fram(50)), 0},
        {"many headers announcing 2^32 - 1", Riff(headers(400, 0xFFFFFFFF) + fram(3)), 0},
    };
    for (const auto& c : cases) {
        TAniFile f = ReadAniCursor(c.File);
        EXPECT_LE(f.Frames.size(), c.File.size() / 4 + f.Icons.size()) << c.Name;
        if (c.Steps) {
            EXPECT_EQ(f.Frames.size(), c.Steps) << c.Name;
        }
        for (const TAniFrameData& step : f.Frames) ASSERT_TRUE(step.Icon >= 0 && size_t(step.Icon) < f.Icons.size()) << c.Name;
    }
    // The same through the picture class, with real icons.
    TAnimatedCursorImage cur;
    cur.LoadFromBytes(Riff(Anih(0xFFFFFFFF, 3, 1) + Fram(3)));
    EXPECT_EQ(cur.FrameCount(), 3);
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
