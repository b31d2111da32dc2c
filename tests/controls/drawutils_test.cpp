// Drawing helpers: text shortening, transparent and disabled bitmaps, a parent's background,
// the resource error and the small memory and queue helpers.
#include "controls/drawutils.h"
#include "flat_qtapp.h"

#include <QCoreApplication>
#include <QPainter>
#include <gtest/gtest.h>

#include <tuple>

using flattest::At;
using flattest::ExpectPixels;

namespace {

QImage Filled(int w, int h, TColor c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(ToQColor(c));
    return img;
}

TEST(DrawHelpers, ShortenTextToWidth) {
    auto chars = [](const QString& s) { return int(s.size()); };
    // The first cut drops two characters, then one more each round.
    for (auto [text, width, shown] : {std::tuple{"abc", 3, "abc"}, {"", 0, ""}, {"abcdefghijkl", 11, "abcdefgh..."},
                                      {"abcdefghij", 9, "abcdef..."}, {"abcdefghij", 6, "abc..."},
                                      {"abcdefghij", 2, "..."}, {"x", 0, "..."}})
        EXPECT_EQ(ShortenTextToWidth(text, chars, width), shown) << text << " " << width;
    flattest::App();
    QFont f;
    QFontMetrics fm(f);
    const QString longText(200, QLatin1Char('W'));
    const QString cut = ShortenTextToWidth(longText, fm, 100);
    EXPECT_TRUE(cut.endsWith("..."));
    EXPECT_LE(fm.horizontalAdvance(cut), 100);
    EXPECT_EQ(ShortenTextToWidth("Hi", fm, 1000), "Hi");
}

TEST(DrawHelpers, TransparentBitmapDrawing) {
    flattest::App();
    // A 2x2 source: red, blue / green, magenta (bottom-left green).
    QImage src(2, 2, QImage::Format_RGB32);
    src.setPixel(0, 0, qRgb(255, 0, 0));
    src.setPixel(1, 0, qRgb(0, 0, 255));
    src.setPixel(0, 1, qRgb(0, 255, 0));
    src.setPixel(1, 1, qRgb(255, 0, 255));

    {  // clNone copies the rectangle with no transparency.
        QImage dst = Filled(4, 4, clWhite);
        QPainter p(&dst);
        DrawTransparentBitmapPart(p, 1, 1, 0, 0, QRect(0, 0, 2, 2), src, clNone);
        p.end();
        ExpectPixels(dst, {{1, 1, clRed}, {2, 2, clFuchsia}, {0, 0, clWhite}, {3, 3, clWhite}}, "no key");
    }
    {  // A key colour leaves the destination; stretching doubles the pixels.
        QImage dst = Filled(4, 4, clWhite);
        QPainter p(&dst);
        DrawTransparentBitmapEx(p, src, clFuchsia, QRect(), 0, 0, 4, 4);
        p.end();
        ExpectPixels(dst, {{0, 0, clRed}, {1, 1, clRed}, {3, 0, clBlue}, {0, 3, clLime}, {2, 2, clWhite}, {3, 3, clWhite}},
                     "stretched");
    }
    {  // clDefault takes the bottom-left pixel.
        QImage dst = Filled(2, 2, clBlack);
        QPainter p(&dst);
        DrawTransparentBitmapEx(p, src, clDefault, QRect(), 0, 0, 0, 0);
        p.end();
        ExpectPixels(dst, {{0, 1, clBlack}, {1, 1, clFuchsia}}, "default key");
    }
    {  // A part of the bitmap; a rectangle reaching outside the bitmap draws only what exists.
        QImage dst = Filled(4, 4, clWhite);
        QPainter p(&dst);
        DrawTransparentBitmapPart(p, 0, 0, 0, 0, QRect(1, 0, 1, 1), src, clNone);
        DrawTransparentBitmapPart(p, 2, 2, 0, 0, QRect(1, 1, 5, 5), src, clLime);
        DrawTransparentBitmapPart(p, 0, 0, 0, 0, QRect(10, 10, 3, 3), src, clNone);
        p.end();
        ExpectPixels(dst, {{0, 0, clBlue}, {1, 0, clWhite}, {2, 2, clFuchsia}, {3, 2, clWhite}}, "parts");
    }
}

TEST(DrawHelpers, DisabledBitmaps) {
    // A 3x3 white bitmap with a black pixel in the middle.
    QImage src = Filled(3, 3, clWhite);
    src.setPixel(1, 1, qRgb(0, 0, 0));
    ExpectPixels(MakeDisabledBitmap(src, clBlack), {{1, 1, clBtnShadow}, {2, 2, clBtnHighlight}, {0, 0, clBtnFace}, {2, 1, clBtnFace}});
    ExpectPixels(MakeDisabledBitmapEx(src, clBlack, clWhite, clRed, clBlue, false), {{1, 1, clBlue}, {2, 2, clWhite}});
    // A monochrome source paints its white pixels.
    ExpectPixels(MakeDisabledBitmapEx(src.convertToFormat(QImage::Format_Mono), clBlack, clGray, clWhite, clBlack, false),
                 {{0, 0, clBlack}, {1, 1, clGray}}, "mono");
    EXPECT_TRUE(MakeDisabledBitmap(QImage(), clBlack).isNull());

    flattest::App();
    QImage glyph(2, 2, QImage::Format_ARGB32);
    glyph.fill(Qt::transparent);
    glyph.setPixel(0, 0, qRgba(10, 20, 30, 255));
    QImage dst = Filled(4, 4, clSilver);
    QPainter p(&dst);
    DrawImageDisabled(QList<QImage>{glyph}, p, 1, 1, 0, clWhite, clGray, true);
    DrawImageDisabled(QList<QImage>{glyph}, p, 0, 0, 5, clRed, clRed, true);
    DrawImageDisabled(QList<QImage>{glyph}, p, 0, 0, -1, clRed, clRed, true);
    p.end();
    ExpectPixels(dst, {{1, 1, clGray}, {2, 2, clWhite}, {2, 1, clSilver}, {0, 0, clSilver}});
}

// A widget that fills itself with one colour.
class Solid : public QWidget {
public:
    Solid(QWidget* parent, QColor c) : QWidget(parent), C(c) {}
    QColor C;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), C);
    }
};

TEST(DrawHelpers, ParentBackgroundUnderAControl) {
    flattest::App();
    Solid parent(nullptr, Qt::blue);
    parent.resize(100, 100);
    Solid below(&parent, Qt::red);
    below.setGeometry(0, 0, 30, 30);
    QWidget control(&parent);
    control.setGeometry(20, 20, 40, 40);
    Solid above(&parent, Qt::green);
    above.setGeometry(50, 50, 30, 30);
    parent.show();

    QImage img = Filled(40, 40, clBlack);
    QPainter p(&img);
    PaintParentBackground(&control, p);
    p.end();
    EXPECT_EQ(At(img, 5, 5), clRed);     // the sibling below, (25, 25) in the parent
    EXPECT_EQ(At(img, 15, 15), clBlue);  // the parent
    EXPECT_EQ(At(img, 35, 35), clBlue);  // the sibling above is not painted
    QImage none = Filled(2, 2, clBlack);
    QPainter q(&none);
    PaintParentBackground(nullptr, q);
    PaintParentBackground(&parent, q);
    q.end();
    EXPECT_EQ(At(none, 0, 0), clBlack);
}

TEST(DrawHelpers, ErrorsNameTheResourceOrAbortWithTheirMessage) {
    flattest::App();
    auto message = [](const std::function<void()>& f) {
        try {
            f();
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([] { LoadResourceBitmap(QStringLiteral("NO_SUCH_BITMAP")); }), "Resource NO_SUCH_BITMAP not found");
    EXPECT_EQ(message([] { LoadResourceBitmap(4711); }), "Resource 4711 not found");
    // Not implemented: the message shown, the wait cursor taken away, the work aborted.
    QString shown;
    auto saved = ShowNotImplementedMessage;
    ShowNotImplementedMessage = [&shown](const QString& t) { shown = t; };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    EXPECT_THROW(ReportNotImplemented(), EAbort);
    ShowNotImplementedMessage = saved;
    EXPECT_EQ(shown, "Function not yet implemented");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(DrawHelpers, PendingMessagesAndMemory) {
    flattest::App();
    // Counts the events of type User that reach it.
    struct Counter : QObject {
        int Seen = 0;
        bool event(QEvent* e) override {
            Seen += e->type() == QEvent::User;
            return QObject::event(e);
        }
    } counter;
    RemovePendingMessage(&counter, QEvent::User);  // nothing pending: no change
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::Type(QEvent::User + 1)));
    RemovePendingMessage(&counter, QEvent::User);
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.Seen, 1);  // the one posted after the removal

    // Only the memory block helpers guard anything: nothing of a zero-sized block.
    EXPECT_EQ(AllocZeroedGlobalMem(0), nullptr);
    void* block = AllocZeroedGlobalMem(9);
    const char zeros[9] = {};
    EXPECT_TRUE(MemBlocksEqual(block, zeros, 9));
    FreeGlobalMem(block);
    EXPECT_EQ(block, nullptr);
    FreeGlobalMem(block);
}

}  // namespace
