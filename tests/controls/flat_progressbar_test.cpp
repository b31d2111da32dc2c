// Flat progress bar and panel: block and smooth geometry, position rules, drawing.
#include "controls/flatpanel.h"
#include "controls/flatprogressbar.h"
#include "flat_qtapp.h"

#include <gtest/gtest.h>

using flattest::At;
using flattest::Shot;

namespace {

TEST(FlatProgressBar, BlockGeometry) {
    EXPECT_EQ(FlatProgress::SnapLength(147, 8), 147);
    EXPECT_EQ(FlatProgress::SnapLength(100, 8), 93);
    EXPECT_EQ(FlatProgress::SnapLength(10, 8), 12);
    EXPECT_EQ(FlatProgress::BlockTotal(147, 8), 16);
    EXPECT_EQ(FlatProgress::BlockFilled(50, 0, 100, 16), 8);
    EXPECT_EQ(FlatProgress::BlockFilled(100, 0, 100, 16), 16);
    EXPECT_EQ(FlatProgress::BlockFilled(0, 0, 100, 16), 0);
    // 1 of 3 blocks per 100/3: the tiny bias keeps exact thirds whole.
    EXPECT_EQ(FlatProgress::BlockFilled(1, 0, 3, 3), 1);
    EXPECT_EQ(FlatProgress::BlockFilled(2, 0, 3, 3), 2);
    // Max not above Min, or Position below Min, draws nothing (no division by zero).
    EXPECT_EQ(FlatProgress::BlockFilled(5, 5, 5, 16), 0);
    EXPECT_EQ(FlatProgress::BlockFilled(5, 10, 0, 16), 0);
    EXPECT_EQ(FlatProgress::BlockFilled(3, 10, 100, 16), 0);
    EXPECT_EQ(FlatProgress::BlockFilled(50, 0, 100, 0), 0);

    auto h = FlatProgress::BlockRects(QSize(147, 16), pbHorizontal, 8, 2);
    ASSERT_EQ(h.size(), 2u);
    EXPECT_EQ(h[0], QRect(2, 2, 8, 12));
    EXPECT_EQ(h[1], QRect(11, 2, 8, 12));
    auto v = FlatProgress::BlockRects(QSize(16, 147), pbVertical, 8, 2);
    EXPECT_EQ(v[0], QRect(2, 137, 12, 8));
    EXPECT_EQ(v[1], QRect(2, 128, 12, 8));
}

TEST(FlatProgressBar, SmoothGeometry) {
    EXPECT_EQ(FlatProgress::SmoothRect(QSize(294, 16), pbHorizontal, 25, 0, 100), QRect(2, 2, 72, 12));
    EXPECT_TRUE(FlatProgress::SmoothRect(QSize(294, 16), pbHorizontal, 50, 50, 100).isEmpty());
    EXPECT_EQ(FlatProgress::SmoothRect(QSize(16, 104), pbVertical, 50, 0, 100), QRect(2, 52, 12, 50));
    EXPECT_TRUE(FlatProgress::SmoothRect(QSize(294, 16), pbHorizontal, 7, 7, 7).isEmpty());
    EXPECT_TRUE(FlatProgress::SmoothRect(QSize(294, 16), pbHorizontal, 3, 10, 100).isEmpty());
    // Large ranges do not overflow.
    EXPECT_EQ(FlatProgress::SmoothRect(QSize(104, 16), pbHorizontal, 2000000000, 0, 2000000000).width(), 100);
}

TEST(FlatProgressBar, PropertiesAndPosition) {
    flattest::App();
    TFlatProgressBar bar;
    EXPECT_EQ(bar.size(), QSize(147, 16));
    EXPECT_EQ(bar.ElementWidth(), 8);
    EXPECT_EQ(bar.ColorElement(), 0x996633);
    EXPECT_EQ(bar.ColorBorder(), 0x8396A0);
    EXPECT_EQ(bar.Step(), 10);
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
    QImage img = Shot(bar);
    EXPECT_EQ(At(img, 5, 8), ColorToRGB(bar.Color()));

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

TEST(FlatProgressBar, DrawsHalfTheBlocks) {
    flattest::App();
    QWidget form;
    form.resize(200, 50);
    TFlatProgressBar bar(&form);
    bar.SetColor(clWhite);
    bar.SetPosition(50);
    QImage img = Shot(bar);
    EXPECT_EQ(At(img, 0, 0), 0x8396A0);
    EXPECT_EQ(At(img, 146, 15), 0x8396A0);
    EXPECT_EQ(At(img, 2, 2), 0x996633);    // first block
    EXPECT_EQ(At(img, 10, 8), clWhite);    // gap after it
    EXPECT_EQ(At(img, 65, 8), 0x996633);   // eighth block ends at 73
    EXPECT_EQ(At(img, 75, 8), clWhite);    // ninth is empty
    EXPECT_EQ(At(img, 1, 8), clWhite);
}

TEST(FlatProgressBar, SmoothBarOfTheProgressWindows) {
    flattest::App();
    TFlatProgressBar bar;
    bar.SetSmooth(true);
    bar.SetColorElement(0x0080FF);
    bar.resize(294, 16);
    bar.SetPosition(25);
    QImage img = Shot(bar);
    EXPECT_EQ(At(img, 2, 8), 0x0080FF);
    EXPECT_EQ(At(img, 73, 8), 0x0080FF);
    EXPECT_NE(At(img, 74, 8), 0x0080FF);
}

TEST(FlatPanel, FrameCaptionAndColours) {
    flattest::App();
    TFlatPanel panel;
    EXPECT_EQ(panel.size(), QSize(185, 41));
    EXPECT_EQ(panel.ColorHighLight(), 0x8396A0);
    EXPECT_EQ(panel.Alignment(), taCenter);
    EXPECT_TRUE(panel.ParentColor());
    panel.SetColorHighLight(clRed);
    panel.SetColorShadow(clBlue);
    panel.SetColor(clWhite);
    EXPECT_FALSE(panel.ParentColor());
    QImage img = Shot(panel);
    EXPECT_EQ(At(img, 0, 10), clRed);
    EXPECT_EQ(At(img, 10, 0), clRed);
    EXPECT_EQ(At(img, 184, 10), clBlue);
    EXPECT_EQ(At(img, 10, 40), clBlue);
    EXPECT_EQ(At(img, 20, 20), clWhite);
    // A caption puts dark pixels in the middle; a left-aligned one near the left edge.
    panel.SetCaption("Working... 50%");
    panel.SetAlignment(taLeftJustify);
    img = Shot(panel);
    bool dark = false;
    for (int x = 1; x < 30 && !dark; ++x)
        for (int y = 10; y < 30 && !dark; ++y)
            dark = qGray(img.pixel(x, y)) < 128;
    EXPECT_TRUE(dark);
    panel.setEnabled(false);
    img = Shot(panel);
    bool shadow = false;
    for (int x = 1; x < 60 && !shadow; ++x)
        for (int y = 5; y < 35 && !shadow; ++y)
            shadow = At(img, x, y) == ColorToRGB(clBtnShadow);
    EXPECT_TRUE(shadow);
}

TEST(FlatPanel, TransparentShowsTheParentWithoutWarnings) {
    flattest::App();
    static QStringList warnings;
    warnings.clear();
    QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext&, const QString& text) {
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
    QImage img = parent.grab().toImage().convertToFormat(QImage::Format_RGB32);
    img = parent.grab().toImage().convertToFormat(QImage::Format_RGB32);
    qInstallMessageHandler(previous);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
    // The parent's colour inside the frame, the frame itself as set.
    EXPECT_EQ(At(img, 55, 24), 0x008000);
    EXPECT_EQ(At(img, 50, 30), 0x8396A0);
    // Opaque again: the panel's own colour.
    panel->SetTransparent(false);
    img = parent.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(At(img, 55, 24), clWhite);
}

}  // namespace
