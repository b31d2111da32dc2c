// Speed button: glyph slicing into the state images, the shared glyph lists, face layout,
// groups, auto-repeat timing and the painted frame.
#include "controls/rxspeedbutton.h"

#include <QDialog>
#include <QTimer>
#include <gtest/gtest.h>
#include "flat_qtapp.h"

using flattest::ExpectPixels;

namespace {

// A glyph of n cells of h x h: a magenta background (transparent), cell i filled with colour
// i + 1 except its bottom-left pixel.
QImage MakeGlyph(int cells, int h) {
    QImage img(cells * h, h, QImage::Format_RGB32);
    img.fill(QColor(255, 0, 255));
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan};
    for (int c = 0; c < cells; ++c)
        for (int y = 0; y < h - 1; ++y)
            for (int x = 1; x < h; ++x) img.setPixelColor(c * h + x, y, colours[c % 5]);
    return img;
}

// The left button, held while the mouse moves.
void Mouse(QWidget* w, QEvent::Type type, QPoint pos) {
    QMouseEvent e(type, pos, w->mapToGlobal(pos), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
void ClickAt(QWidget* w, QPoint pos = QPoint(5, 5)) { vxtest::Click(w, pos); }

}  // namespace

TEST(SpeedButtonGlyph, CountFollowsWholeMultiplesUpToFiveAndEmptyHasNone) {
    TRxButtonGlyph g;
    for (auto [cells, count] : {std::pair{4, 4}, {6, 1}}) {
        g.SetGlyph(MakeGlyph(cells, 16));
        EXPECT_EQ(g.NumGlyphs(), count) << cells;
        EXPECT_EQ(g.GlyphSize(), QSize(16 * cells / count, 16)) << cells;
    }
    g.SetNumGlyphs(2);
    QImage odd(30, 16, QImage::Format_RGB32);
    odd.fill(Qt::white);
    g.SetGlyph(odd);  // not a whole multiple: the count stays
    EXPECT_EQ(g.NumGlyphs(), 2);
    EXPECT_EQ(g.GlyphSize(), QSize(15, 16));
    g.SetNumGlyphs(9);
    EXPECT_EQ(g.NumGlyphs(), 5);
    // An empty glyph has one state and no images.
    g.SetNumGlyphs(3);
    g.SetGlyph(QImage());
    EXPECT_EQ(g.NumGlyphs(), 1);
    for (int s = rbsUp; s <= rbsInactive; ++s) EXPECT_EQ(g.CreateButtonGlyph(TRxButtonState(s)), -1);
    EXPECT_EQ(g.List(), nullptr);
    g.SetGlyph(QImage(0, 16, QImage::Format_RGB32));
    EXPECT_EQ(g.NumGlyphs(), 1);
    EXPECT_EQ(g.CreateButtonGlyph(rbsUp), -1);
}

TEST(SpeedButtonGlyph, StateImagesFromCellsAndMadeOnce) {
    TRxButtonGlyph g;
    g.SetGlyph(MakeGlyph(2, 8));
    EXPECT_EQ(g.TransparentColor(), clFuchsia);  // the bottom-left pixel
    const QImage up = g.StateImage(rbsUp);
    ASSERT_EQ(up.size(), QSize(8, 8));
    EXPECT_EQ(qAlpha(up.pixel(0, 7)), 0);         // transparent colour left out
    EXPECT_EQ(up.pixelColor(3, 3), QColor(Qt::red));
    EXPECT_EQ(g.StateImage(rbsDisabled).pixelColor(3, 3), QColor(Qt::green));  // own cell
    // Down has no own cell with fewer than three: it is the up image; exclusive falls back too.
    EXPECT_EQ(g.CreateButtonGlyph(rbsDown), g.CreateButtonGlyph(rbsUp));
    EXPECT_EQ(g.StateImage(rbsExclusive).pixelColor(3, 3), QColor(Qt::red));
    const int index = g.CreateButtonGlyph(rbsInactive);
    EXPECT_EQ(g.CreateButtonGlyph(rbsInactive), index);
    EXPECT_EQ(g.List()->Count(), 4);  // up, disabled, exclusive, inactive
}

TEST(SpeedButtonGlyph, MadeDisabledAndGreyedImages) {
    TRxButtonGlyph g;
    QImage img = MakeGlyph(1, 8);
    img.setPixelColor(2, 2, ToQColor(clBtnFace));
    g.SetGlyph(img);
    const QImage inactive = g.StateImage(rbsInactive);
    EXPECT_EQ(inactive.pixelColor(3, 3), QColor(76, 76, 76));  // red: (77 * 255) shr 8
    EXPECT_EQ(inactive.pixelColor(2, 2), ToQColor(clBtnFace));  // the face colour stays
    EXPECT_EQ(qAlpha(inactive.pixel(0, 7)), 0);
    EXPECT_EQ(GrayOf(RGB(0, 255, 0)), RGB(149, 149, 149));
    const QImage disabled = g.StateImage(rbsDisabled);
    EXPECT_EQ(disabled.pixelColor(3, 3), ToQColor(clBtnShadow));
    EXPECT_EQ(qAlpha(disabled.pixel(0, 0)), 0);
}

TEST(SpeedButtonGlyph, ListsSharedBySizeAndFreedWhenEmpty) {
    auto* a = new TRxButtonGlyph;
    auto* b = new TRxButtonGlyph;
    TGlyphCache* cache = TGlyphCache::Shared();
    ASSERT_NE(cache, nullptr);
    a->SetGlyph(MakeGlyph(1, 16));
    b->SetGlyph(MakeGlyph(3, 16));
    a->CreateButtonGlyph(rbsUp);
    b->CreateButtonGlyph(rbsUp);
    EXPECT_EQ(a->List(), b->List());
    EXPECT_EQ(a->List()->Count(), 2);
    TRxButtonGlyph c;
    c.SetGlyph(MakeGlyph(1, 10));
    c.CreateButtonGlyph(rbsUp);
    EXPECT_EQ(cache->ListCount(), 2);
    a->Invalidate();
    EXPECT_EQ(b->List()->Count(), 1);
    // A freed slot is taken again first.
    EXPECT_EQ(b->CreateButtonGlyph(rbsDisabled), 0);
    delete a;
    delete b;
    EXPECT_EQ(cache->ListCount(), 1);

    // A list deletes a slot once and refuses one it does not have.
    TGlyphList list(4, 4);
    QImage img(4, 4, QImage::Format_ARGB32);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(list.Add(img), i);
    for (int i : {1, 1, 7}) list.Delete(i);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_TRUE(list.Image(1).isNull());
    EXPECT_EQ(list.Add(img), 1);
    EXPECT_EQ(list.Capacity(), 3);
}

TEST(SpeedButtonLayout, GlyphAndCaptionPlacement) {
    auto size = [](const QString& s, int) { return QSize(6 * int(s.size()), 13); };
    auto width = [](const QString& s) { return 6 * int(s.size()); };
    const QRect client(2, 2, 21, 21);
    // No caption: centred glyph.
    auto r = CalcButtonLayout(client, QPoint(0, 0), QString(), QSize(16, 16), blGlyphTop, -1, 1, false, size, width);
    EXPECT_EQ(r.GlyphPos, QPoint(2 + 3, 2 + 3));
    // Left layout, margin and spacing -1: three equal gaps.
    const QRect wide(0, 0, 100, 20);
    r = CalcButtonLayout(wide, QPoint(1, 1), "abcd", QSize(16, 16), blGlyphLeft, -1, -1, false, size, width);
    EXPECT_EQ(r.GlyphPos, QPoint(20 + 1, 2 + 1));
    EXPECT_EQ(r.TextBounds, QRect(20 + 16 + 20 + 1, 4 + 1, 24, 13));
    // Margin -1 only: glyph and caption centred as one block.
    r = CalcButtonLayout(wide, QPoint(0, 0), "abcd", QSize(16, 16), blGlyphRight, -1, 4, false, size, width);
    EXPECT_EQ(r.GlyphPos.x(), 100 - 28 - 16);
    EXPECT_EQ(r.TextBounds.left(), 100 - 28 - 16 - 4 - 24);
    // Spacing -1 only: the caption centred in what the glyph leaves.
    r = CalcButtonLayout(QRect(0, 0, 20, 100), QPoint(0, 0), "ab", QSize(16, 16), blGlyphBottom, 4, -1, false, size,
                         width);
    EXPECT_EQ(r.GlyphPos.y(), 100 - 4 - 16);
    EXPECT_EQ(r.TextBounds.top(), 100 - 4 - 16 - (80 - 13) / 2 - 13);
    // A caption too wide is shortened; the drop-down mark widens the glyph block.
    r = CalcButtonLayout(QRect(0, 0, 40, 20), QPoint(0, 0), "abcdefghij", QSize(0, 0), blGlyphLeft, 0, 0, true, size,
                         width);
    EXPECT_EQ(r.Text, "ab...");  // 31 pixels beside the mark
    EXPECT_EQ(r.MarkRect.width(), DropDownMarkWidth);
    EXPECT_EQ(r.TextBounds.left(), DropDownMarkWidth);
}

TEST(SpeedButtonGroup, OneDownPerGroupAndAllowAllUp) {
    vxtest::App();
    QWidget form;
    TRxSpeedButton a(&form), b(&form), c(&form), other(&form);
    for (auto* x : {&a, &b, &c}) x->SetGroupIndex(1);
    other.SetGroupIndex(2);
    other.SetDown(true);
    int clicks = 0;
    b.OnClick = [&] { ++clicks; };
    ClickAt(&a);
    EXPECT_TRUE(a.Down());
    EXPECT_EQ(a.State(), rbsExclusive);
    ClickAt(&b);
    EXPECT_FALSE(a.Down());
    EXPECT_EQ(a.State(), rbsUp);
    EXPECT_TRUE(b.Down());
    EXPECT_TRUE(other.Down());  // another group is left alone
    ClickAt(&b);                // without AllowAllUp it stays down, but still clicks
    EXPECT_TRUE(b.Down());
    EXPECT_EQ(b.State(), rbsExclusive);
    EXPECT_EQ(clicks, 2);
    b.SetDown(false);
    EXPECT_TRUE(b.Down());
    c.SetAllowAllUp(true);  // every button of the group takes it over
    EXPECT_TRUE(a.AllowAllUp());
    ClickAt(&b);
    EXPECT_FALSE(b.Down());
    // Outside a group a button never stays down.
    TRxSpeedButton single(&form);
    single.SetDown(true);
    EXPECT_FALSE(single.Down());
    ClickAt(&single);
    EXPECT_FALSE(single.Down());
    EXPECT_EQ(single.State(), rbsUp);
}

TEST(SpeedButtonMouse, DragOutsideCancelsAndDoubleClickOnDown) {
    vxtest::App();
    QWidget form;
    TRxSpeedButton b(&form);
    int clicks = 0, dbl = 0;
    b.OnClick = [&] { ++clicks; };
    b.OnDblClick = [&] { ++dbl; };
    Mouse(&b, QEvent::MouseButtonPress, QPoint(5, 5));
    EXPECT_EQ(b.State(), rbsDown);
    Mouse(&b, QEvent::MouseMove, QPoint(40, 5));
    EXPECT_EQ(b.State(), rbsUp);
    Mouse(&b, QEvent::MouseMove, QPoint(6, 6));
    EXPECT_EQ(b.State(), rbsDown);
    Mouse(&b, QEvent::MouseMove, QPoint(-3, 5));
    Mouse(&b, QEvent::MouseButtonRelease, QPoint(-3, 5));
    EXPECT_EQ(clicks, 0);
    b.SetGroupIndex(3);
    b.SetAllowAllUp(true);
    ClickAt(&b);
    ASSERT_TRUE(b.Down());
    Mouse(&b, QEvent::MouseButtonDblClick, QPoint(5, 5));
    EXPECT_EQ(dbl, 1);
    // A disabled button ignores the mouse.
    b.setEnabled(false);
    ClickAt(&b);
    EXPECT_EQ(clicks, 1);
}

TEST(SpeedButtonMouse, ClickSetsTheDialogResultFirst) {
    vxtest::App();
    QDialog dlg;
    TRxSpeedButton b(&dlg);
    b.SetModalResult(QDialog::Accepted);
    int resultAtClick = -1;
    b.OnClick = [&] { resultAtClick = dlg.result(); };
    dlg.setResult(0);
    ClickAt(&b);
    EXPECT_EQ(resultAtClick, QDialog::Accepted);
}

TEST(SpeedButtonTimer, RepeatAfterInitPauseThenEveryInterval) {
    vxtest::App();
    QWidget form;
    TRxTimerSpeedButton b(&form);
    b.SetInitPause(400);
    int clicks = 0;
    b.OnClick = [&] { ++clicks; };
    Mouse(&b, QEvent::MouseButtonPress, QPoint(5, 5));
    ASSERT_NE(b.RepeatTimer(), nullptr);
    EXPECT_TRUE(b.RepeatTimer()->isActive());
    EXPECT_EQ(b.RepeatTimer()->interval(), 400);
    b.TimerExpired();
    EXPECT_EQ(b.RepeatTimer()->interval(), b.RepeatInterval());
    EXPECT_EQ(clicks, 1);
    // Dragged outside, an expiry does not click.
    Mouse(&b, QEvent::MouseMove, QPoint(60, 5));
    b.TimerExpired();
    EXPECT_EQ(clicks, 1);
    Mouse(&b, QEvent::MouseMove, QPoint(5, 5));
    Mouse(&b, QEvent::MouseButtonRelease, QPoint(5, 5));
    EXPECT_FALSE(b.RepeatTimer()->isActive());
    EXPECT_EQ(clicks, 2);  // the release clicks once more
}

TEST(SpeedButtonPaint, FramesByStateAndFlatLook) {
    vxtest::App();
    QWidget form;
    TRxSpeedButton b(&form);
    QImage face = b.PaintFace().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(face.size(), QSize(25, 25));
    ExpectPixels(face, {{0, 0, clBtnHighlight}, {24, 24, cl3DDkShadow}, {23, 23, clBtnShadow}}, "up");
    b.SetGroupIndex(1);
    b.SetDown(true);
    face = b.PaintFace().convertToFormat(QImage::Format_RGB32);
    ExpectPixels(face, {{0, 0, clBtnShadow}}, "down");
    EXPECT_NE(face.pixel(10, 10), face.pixel(11, 10));  // the exclusive face is checkered
    b.SetAllowAllUp(true);
    b.SetDown(false);
    b.SetGroupIndex(0);
    b.SetFlat(true);
    ExpectPixels(b.PaintFace().convertToFormat(QImage::Format_RGB32), {{0, 0, clBtnFace}}, "flat");
    EXPECT_EQ(b.DrawState(), rbsInactive);
    QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    int entered = 0;
    b.OnMouseEnter = [&] { ++entered; };
    QApplication::sendEvent(&b, &enter);
    EXPECT_EQ(entered, 1);
    ExpectPixels(b.PaintFace().convertToFormat(QImage::Format_RGB32), {{0, 0, clBtnHighlight}, {24, 24, clBtnShadow}}, "flat hot");
    b.setEnabled(false);
    b.PaintFace();
    EXPECT_EQ(b.State(), rbsDisabled);
    b.setEnabled(true);
    b.PaintFace();
    EXPECT_EQ(b.State(), rbsUp);
}
