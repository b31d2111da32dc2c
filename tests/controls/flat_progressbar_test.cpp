// Flat progress bar and panel: block and smooth geometry, position rules, drawing.
#include "controls/flatpanel.h"
#include "controls/flatprogressbar.h"
#include "flat_qtapp.h"

#include <gtest/gtest.h>

#include <tuple>

using flattest::At;
using flattest::ExpectPixels;
using flattest::Shot;

namespace {

TEST(FlatProgressBar, BlockAndSmoothGeometry) {
    EXPECT_EQ(FlatProgress::SnapLength(147, 8), 147);
    EXPECT_EQ(FlatProgress::SnapLength(100, 8), 93);
    EXPECT_EQ(FlatProgress::SnapLength(10, 8), 12);
    EXPECT_EQ(FlatProgress::BlockTotal(147, 8), 16);
    const struct {
        int position, min, max, total, filled;
    } blocks[] = {
        {50, 0, 100, 16, 8}, {100, 0, 100, 16, 16}, {0, 0, 100, 16, 0},
        {1, 0, 3, 3, 1}, {2, 0, 3, 3, 2},  // the tiny bias keeps exact thirds whole
        // Max not above Min, or Position below Min, draws nothing (no division by zero).
        {5, 5, 5, 16, 0}, {7, 5, 5, 16, 0}, {7, 5, 3, 16, 0}, {5, 10, 0, 16, 0}, {3, 10, 100, 16, 0}, {50, 0, 100, 0, 0},
    };
    for (const auto& b : blocks)
        EXPECT_EQ(FlatProgress::BlockFilled(b.position, b.min, b.max, b.total), b.filled) << b.position << " in " << b.min << ".." << b.max;

    auto h = FlatProgress::BlockRects(QSize(147, 16), pbHorizontal, 8, 2);
    ASSERT_EQ(h.size(), 2u);
    EXPECT_EQ(h[0], QRect(2, 2, 8, 12));
    EXPECT_EQ(h[1], QRect(11, 2, 8, 12));
    auto v = FlatProgress::BlockRects(QSize(16, 147), pbVertical, 8, 2);
    EXPECT_EQ(v[0], QRect(2, 137, 12, 8));
    EXPECT_EQ(v[1], QRect(2, 128, 12, 8));

    EXPECT_EQ(FlatProgress::SmoothRect(QSize(294, 16), pbHorizontal, 25, 0, 100), QRect(2, 2, 72, 12));
    EXPECT_EQ(FlatProgress::SmoothRect(QSize(16, 104), pbVertical, 50, 0, 100), QRect(2, 52, 12, 50));
    for (auto [position, min, max] : {std::tuple{50, 50, 100}, {7, 7, 7}, {8, 7, 7}, {9, 7, 5}, {3, 10, 100}})
        EXPECT_TRUE(FlatProgress::SmoothRect(QSize(294, 16), pbHorizontal, position, min, max).isEmpty()) << position;
    // Large ranges do not overflow.
    EXPECT_EQ(FlatProgress::SmoothRect(QSize(104, 16), pbHorizontal, 2000000000, 0, 2000000000).width(), 100);
}

TEST(FlatProgressBar, PositionRulesAndSize) {
    flattest::App();
    TFlatProgressBar bar;
    bar.SetPosition(500);
    EXPECT_EQ(bar.Position(), 100);
    bar.SetPosition(-5);
    EXPECT_EQ(bar.Position(), 0);
    bar.SetPosition(80);
    bar.SetMax(60);
    EXPECT_EQ(bar.Position(), 60);
    bar.SetMin(70);  // Min does not move Position
    EXPECT_EQ(bar.Position(), 60);
    bar.SetPosition(65);
    EXPECT_EQ(bar.Position(), 60);  // Max wins when the range is empty
    // Nothing is drawn for an empty range, and nothing crashes.
    EXPECT_EQ(At(Shot(bar), 5, 8), ColorToRGB(bar.Color()));

    // Block mode snaps the length; smooth mode keeps it.
    bar.show();
    bar.resize(100, 16);
    EXPECT_EQ(bar.width(), 93);
    bar.SetSmooth(true);
    bar.resize(100, 16);
    EXPECT_EQ(bar.width(), 100);
    bar.SetOrientation(pbVertical);
    EXPECT_EQ(bar.size(), QSize(16, 100));
}

TEST(FlatProgressBar, DrawsBlocksOrASmoothBar) {
    flattest::App();
    QWidget form;
    form.resize(200, 50);
    TFlatProgressBar bar(&form);
    bar.SetColor(clWhite);
    bar.SetPosition(50);
    // The frame, the first block and the gap after it, the eighth block (ending at 73), the
    // ninth empty.
    ExpectPixels(Shot(bar), {{0, 0, 0x8396A0}, {146, 15, 0x8396A0}, {2, 2, 0x996633}, {10, 8, clWhite},
                             {65, 8, 0x996633}, {75, 8, clWhite}, {1, 8, clWhite}}, "blocks");

    // The smooth bar of the progress windows.
    bar.SetSmooth(true);
    bar.SetColorElement(0x0080FF);
    bar.resize(294, 16);
    bar.SetPosition(25);
    const QImage img = Shot(bar);
    ExpectPixels(img, {{2, 8, 0x0080FF}, {73, 8, 0x0080FF}}, "smooth");
    EXPECT_NE(At(img, 74, 8), 0x0080FF);
}

TEST(FlatPanel, FrameCaptionAndColours) {
    flattest::App();
    TFlatPanel panel;
    EXPECT_TRUE(panel.ParentColor());
    panel.SetColorHighLight(clRed);
    panel.SetColorShadow(clBlue);
    panel.SetColor(clWhite);
    EXPECT_FALSE(panel.ParentColor());
    const int r = panel.width() - 1, b = panel.height() - 1;
    ExpectPixels(Shot(panel), {{0, 10, clRed}, {10, 0, clRed}, {r, 10, clBlue}, {10, b, clBlue}, {20, 20, clWhite}});
    // A caption puts dark pixels near the left edge when left-aligned; disabled, it is drawn
    // in the shadow colour.
    auto any = [](const QImage& img, QRect area, const std::function<bool(QRgb)>& test) {
        for (int x = area.left(); x <= area.right(); ++x)
            for (int y = area.top(); y <= area.bottom(); ++y)
                if (test(img.pixel(x, y))) return true;
        return false;
    };
    panel.SetCaption("Working... 50%");
    panel.SetAlignment(taLeftJustify);
    EXPECT_TRUE(any(Shot(panel), QRect(1, 10, 29, 20), [](QRgb c) { return qGray(c) < 128; }));
    panel.setEnabled(false);
    EXPECT_TRUE(any(Shot(panel), QRect(1, 5, 59, 30), [](QRgb c) { return FromQColor(QColor(c)) == ColorToRGB(clBtnShadow); }));
}

TEST(FlatPanel, TransparentShowsTheParentWithoutWarnings) {
    flattest::App();
    static QStringList warnings;
    warnings.clear();
    QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg) warnings << text;
    });
    QWidget parent;
    parent.resize(300, 100);
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, QColor(0, 128, 0));
    parent.setPalette(pal);
    parent.setAutoFillBackground(true);
    auto* panel = new TFlatPanel(&parent);
    panel->move(50, 20);
    panel->SetColor(clWhite);
    panel->SetTransparent(true);
    panel->SetCaption("Caption");
    parent.show();
    parent.grab();
    QImage img = Shot(parent);
    qInstallMessageHandler(previous);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
    // The parent's colour inside the frame, the frame itself as set.
    ExpectPixels(img, {{55, 24, 0x008000}, {50, 30, 0x8396A0}});
    // Opaque again: the panel's own colour.
    panel->SetTransparent(false);
    EXPECT_EQ(At(Shot(parent), 55, 24), clWhite);
}

}  // namespace
