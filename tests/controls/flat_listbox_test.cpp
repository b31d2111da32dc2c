// Flat list box and check list box: slot geometry, scrolling, selection and checks, the
// shared auto-repeat timer and drawing.
#include "controls/flatchecklistbox.h"
#include "controls/flatlistbox.h"
#include "flat_qtapp.h"

#include <QTimer>
#include <gtest/gtest.h>

using flattest::At;
using flattest::ExpectPixels;
using flattest::Shot;

namespace {

QStringList Numbered(int n) {
    QStringList l;
    for (int i = 0; i < n; ++i) l << QStringLiteral("item %1").arg(i);
    return l;
}

void Press(QWidget& w, QPoint at, bool release = true) {
    vxtest::Mouse(&w, QEvent::MouseButtonPress, at);
    if (release) vxtest::Mouse(&w, QEvent::MouseButtonRelease, at);
}
void Key(QWidget& w, int key) { vxtest::Key(&w, key); }
void Wheel(QWidget& w, int delta) { vxtest::Wheel(&w, delta); }
// One expiry of the auto-repeat timer, without waiting for it.
void Expire(QTimer* timer) { QMetaObject::invokeMethod(timer, "timeout"); }

TEST(FlatListGeometry, SlotsAndHeights) {
    EXPECT_EQ(FlatList::VisibleCount(99, 17, false), 5);
    EXPECT_EQ(FlatList::SnapHeight(17, 5, false), 99);
    EXPECT_EQ(FlatList::VisibleCount(99, 17, true), 3);
    EXPECT_EQ(FlatList::SnapHeight(17, 3, true), 81);
    EXPECT_EQ(FlatList::VisibleCount(2, 17, true), 0);
    auto rects = FlatList::ItemRects(QRect(0, 0, 137, 99), 17, 5, false);
    ASSERT_EQ(rects.size(), 5u);
    EXPECT_EQ(rects[0], QRect(3, 3, 131, 17));
    EXPECT_EQ(rects[1], QRect(3, 22, 131, 17));
    EXPECT_EQ(rects[4].bottom(), 95);
    auto arrows = FlatList::ItemRects(QRect(0, 0, 137, 81), 17, 3, true);
    EXPECT_EQ(arrows[0].top(), 16);
    EXPECT_LT(FlatList::TopArrowRect(QRect(0, 0, 137, 81)).bottom(), arrows[0].top());

    // Scrolling rules.
    EXPECT_EQ(FlatList::PageDown(0, 3, 5), 0);
    EXPECT_EQ(FlatList::PageDown(0, 20, 5), 5);
    EXPECT_EQ(FlatList::PageDown(12, 20, 5), 15);
    EXPECT_EQ(FlatList::PageUp(3, 5), 0);
    EXPECT_EQ(FlatList::LineDown(15, 20, 5), 15);
    EXPECT_EQ(FlatList::LineDown(14, 20, 5), 15);
    EXPECT_EQ(FlatList::LineUp(0), 0);
    const struct {
        int first, count, delta, to;
    } wheels[] = {{0, 20, -120, 3}, {13, 20, -120, 15}, {0, 4, -120, 0}, {2, 20, 120, 0},
                  {6, 20, 240, 6},  {6, 20, -240, 6},   {6, 20, 60, 6}};
    for (const auto& w : wheels) EXPECT_EQ(FlatList::Wheel(w.first, w.count, 5, w.delta, 3), w.to) << w.first << " " << w.delta;

    TItemSet set;
    for (int i : {255, 256, -1}) set.Set(i);
    set.Toggle(300);
    EXPECT_TRUE(set.Has(255));
    EXPECT_FALSE(set.Has(256));
    EXPECT_EQ(set.Count(), 1);
}

TEST(FlatListBox, SizeItemsAndSelection) {
    flattest::App();
    TFlatListBox box;
    box.SetScrollBars(true);
    EXPECT_EQ(box.height(), 119);
    EXPECT_EQ(box.VisibleCount(), 5);
    box.SetScrollBars(false);
    EXPECT_EQ(box.height(), 99);
    box.SetItemHeight(0);
    EXPECT_EQ(box.ItemHeight(), 1);
    EXPECT_EQ(box.height(), 3 * 5 + 4);
    box.SetItemHeight(17);

    box.SetItems(Numbered(257));
    EXPECT_EQ(box.Count(), 0);
    QStringList padded;
    for (int i = 0; i < 256; ++i) padded << QStringLiteral("  %1\t").arg(i);
    const QString nbsp(QChar(0xA0));
    padded[7] = " a" + nbsp + "b" + nbsp;  // only blanks and control characters are trimmed
    box.SetItems(padded);
    ASSERT_EQ(box.Count(), 256);
    EXPECT_EQ(box.Items()[0], "0");
    EXPECT_EQ(box.Items()[7], "a" + nbsp + "b" + nbsp);

    box.SetItemIndex(3);
    box.SetItemIndex(4);
    EXPECT_FALSE(box.Selected(3));
    EXPECT_TRUE(box.Selected(4));
    box.SetItemIndex(-1);
    EXPECT_EQ(box.SelCount(), 0);
    box.SetMultiSelect(true);
    EXPECT_EQ(box.ItemIndex(), 0);
    box.SetItemIndex(2);
    EXPECT_TRUE(box.Selected(0));
    EXPECT_TRUE(box.Selected(2));
    box.SetItemIndex(300);
    EXPECT_EQ(box.ItemIndex(), 300);
    EXPECT_FALSE(box.Selected(300));
    // An edit of the strings clears the selection.
    box.AddItem("new");
    EXPECT_EQ(box.SelCount(), 0);
    box.DeleteItem(1000);
    box.DeleteItem(-1);
    EXPECT_EQ(box.Count(), 257);

    box.ClearItems();
    box.SetSorted(true);
    for (const char* s : {"pear", "Apple", "fig"}) box.AddItem(s);
    EXPECT_EQ(box.Items(), (QStringList{"Apple", "fig", "pear"}));
}

TEST(FlatListBox, KeysWheelAndClicks) {
    flattest::App();
    TFlatListBox box;
    box.SetItems(Numbered(12));
    for (auto [key, first] : {std::pair{Qt::Key_PageDown, 5}, {Qt::Key_PageDown, 7}, {Qt::Key_Down, 7},
                              {Qt::Key_Up, 6}, {Qt::Key_PageUp, 1}}) {
        Key(box, key);
        EXPECT_EQ(box.FirstVisible(), first) << key;
    }
    Wheel(box, 240);
    EXPECT_EQ(box.FirstVisible(), 1);
    Wheel(box, 120);
    EXPECT_EQ(box.FirstVisible(), 0);
    const int step = QApplication::wheelScrollLines() > 0 ? QApplication::wheelScrollLines() : 5;
    Wheel(box, -120);
    EXPECT_EQ(box.FirstVisible(), std::min(step, 7));

    // A shorter list does not leave the view past its end.
    box.SetItems(Numbered(3));
    EXPECT_EQ(box.FirstVisible(), 0);
    Key(box, Qt::Key_PageDown);
    EXPECT_EQ(box.FirstVisible(), 0);

    int clicks = 0, downs = 0;
    box.OnClick = [&clicks] { ++clicks; };
    box.OnMouseDown = [&downs](QMouseEvent*) { ++downs; };
    Press(box, box.ItemRects()[1].center());
    EXPECT_EQ(box.ItemIndex(), 1);
    EXPECT_TRUE(box.Selected(1));
    EXPECT_EQ(downs, 0);
    // A slot below the last item changes nothing, but the click is still a click.
    Press(box, box.ItemRects()[4].center());
    EXPECT_EQ(box.ItemIndex(), 1);
    EXPECT_TRUE(box.Selected(1));
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(downs, 1);
}

TEST(FlatListBox, ArrowsAndAutoRepeat) {
    flattest::App();
    TFlatListBox box;
    box.SetScrollBars(true);
    box.SetItems(Numbered(10));
    ASSERT_EQ(box.VisibleCount(), 5);
    const QPoint down(box.width() / 2, box.height() - 4), up(box.width() / 2, 4);
    Press(box, up);
    EXPECT_EQ(box.FirstVisible(), 0);
    Press(box, down, false);
    EXPECT_EQ(box.FirstVisible(), 1);
    QTimer* timer = box.RepeatTimer();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 600);  // first repeat after 600 ms, then every 100 ms
    for (int i = 0; i < 4; ++i) Expire(timer);
    EXPECT_EQ(box.FirstVisible(), 5);
    EXPECT_FALSE(timer->isActive());  // stopped at the end
    EXPECT_EQ(timer->interval(), 100);
    vxtest::Mouse(&box, QEvent::MouseButtonRelease, down);
    EXPECT_EQ(timer->interval(), 600);
}

TEST(FlatListBox, SharedTimerLivesWithTheLastBoxOfItsClass) {
    flattest::App();
    EXPECT_EQ(TFlatListBox::SharedTimerUsers(), 0);
    auto* first = new TFlatListBox;
    auto* second = new TFlatListBox;
    TFlatCheckListBox check;
    EXPECT_EQ(TFlatListBox::SharedTimerUsers(), 2);
    EXPECT_EQ(TFlatCheckListBox::SharedTimerUsers(), 1);
    EXPECT_EQ(first->RepeatTimer(), second->RepeatTimer());
    EXPECT_NE(first->RepeatTimer(), check.RepeatTimer());
    // The second box scrolls by the timer after the first, which started it, is gone.
    first->SetScrollBars(true);
    first->SetItems(Numbered(10));
    Press(*first, QPoint(10, first->height() - 4), false);
    EXPECT_TRUE(first->RepeatTimer()->isActive());
    delete first;
    EXPECT_EQ(TFlatListBox::SharedTimerUsers(), 1);
    EXPECT_FALSE(second->RepeatTimer()->isActive());
    second->SetScrollBars(true);
    second->SetItems(Numbered(7));
    Press(*second, QPoint(10, second->height() - 4), false);
    EXPECT_TRUE(second->RepeatTimer()->isActive());
    Expire(second->RepeatTimer());
    EXPECT_EQ(second->FirstVisible(), 2);
    delete second;
    EXPECT_EQ(TFlatListBox::SharedTimerUsers(), 0);
}

TEST(FlatCheckListBox, ChecksClicksAndKeys) {
    flattest::App();
    TFlatCheckListBox box;
    box.SetItems(Numbered(4));
    int checks = 0, clicks = 0;
    box.OnClickCheck = [&checks] { ++checks; };
    box.OnClick = [&clicks] { ++clicks; };
    const QRect slot = box.ItemRects()[2];
    Press(box, TFlatCheckListBox::CheckBoxRect(slot).center());
    EXPECT_TRUE(box.Checked(2));
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(box.ItemIndex(), -1);
    Press(box, slot.center() + QPoint(30, 0));
    EXPECT_EQ(box.ItemIndex(), 2);
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(clicks, 2);
    Key(box, Qt::Key_Space);
    EXPECT_FALSE(box.Checked(2));
    Key(box, Qt::Key_Space);
    EXPECT_TRUE(box.Checked(2));
    EXPECT_EQ(checks, 1);
    box.SetItemIndex(-1);
    Key(box, Qt::Key_Space);  // no current item: nothing to toggle

    box.SetChecked(300, true);
    EXPECT_FALSE(box.Checked(300));
    box.SetChecked(255, true);
    EXPECT_TRUE(box.Checked(255));
    box.AddItem("more");
    EXPECT_FALSE(box.Checked(2));  // an edit of the strings clears the checks
    box.SetChecked(1, true);
    box.SetItemIndex(1);
    box.Clear();
    EXPECT_EQ(box.Count(), 0);
    EXPECT_FALSE(box.Checked(1));
    EXPECT_EQ(box.ItemIndex(), -1);
}

TEST(FlatCheckListBox, DrawsBoxesMarksAndCurrentItem) {
    flattest::App();
    TFlatCheckListBox box;
    box.SetColorItemsRect(clWhite);
    box.SetColorCheck(clBlack);
    box.SetItems({"one", "two"});
    box.SetChecked(0, true);
    box.SetItemIndex(1);
    const QImage img = Shot(box);
    const QRect s0 = box.ItemRects()[0], s1 = box.ItemRects()[1];
    const QRect b0 = TFlatCheckListBox::CheckBoxRect(s0), b1 = TFlatCheckListBox::CheckBoxRect(s1);
    // The frame and the mark's strokes, the stroke end left out; no mark in the second box.
    ExpectPixels(img, {{b0.left(), b0.top(), 0x8396A0}, {b0.left() + 2, b0.top() + 4, clBlack},
                       {b0.left() + 5, b0.top() + 7, clBlack}, {b0.left() + 7, b0.top() + 3, clBlack},
                       {b0.left() + 6, b0.top() + 8, clWhite}, {b1.left() + 2, b1.top() + 4, clWhite}}, "boxes");
    // The current item is filled and framed.
    ExpectPixels(img, {{s1.right() - 1, s1.center().y(), 0x9CDEF7}, {s1.right(), s1.center().y(), 0x8396A0},
                       {s0.right() - 1, s0.center().y(), clWhite}}, "current item");
}

TEST(FlatListBox, DrawsArrowsByWhetherTheyCanScroll) {
    flattest::App();
    TFlatListBox box;
    box.SetScrollBars(true);
    box.SetColorArrow(clRed);
    box.SetColorBorder(clWindow);
    box.SetColorItemsRect(clWindow);
    box.SetItems(Numbered(9));
    auto count = [](const QImage& img, QRect r, TColor c) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) n += At(img, x, y) == c;
        return n;
    };
    const QRect top = FlatList::TopArrowRect(box.rect()), bottom = FlatList::BottomArrowRect(box.rect());
    QImage img = Shot(box);
    EXPECT_EQ(count(img, top, clRed), 0);
    EXPECT_GT(count(img, top, clGray), 0);
    EXPECT_GT(count(img, bottom, clRed), 0);
    Key(box, Qt::Key_PageDown);
    img = Shot(box);
    EXPECT_GT(count(img, top, clRed), 0);
    EXPECT_EQ(count(img, bottom, clRed), 0);
    box.setEnabled(false);
    EXPECT_EQ(count(Shot(box), top, clRed), 0);
}

QStringList gWarnings;
void CollectWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg) gWarnings << text;
}

TEST(FlatListBox, SeeThroughBackgroundShowsTheParent) {
    flattest::App();
    QWidget form;
    QPalette pal = form.palette();
    pal.setColor(QPalette::Window, QColor(0, 128, 0));
    form.setPalette(pal);
    form.setAutoFillBackground(true);
    form.resize(300, 200);
    TFlatListBox box(&form);
    box.move(10, 10);
    box.SetColorItemsRect(clWhite);
    box.SetItems({"a", "b"});
    box.SetTransparentMode(tmAlways);
    gWarnings.clear();
    auto old = qInstallMessageHandler(CollectWarnings);
    form.show();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    QImage img = Shot(box);
    qInstallMessageHandler(old);
    EXPECT_TRUE(gWarnings.isEmpty()) << gWarnings.join("\n").toStdString();
    EXPECT_EQ(At(img, 60, 60), RGB(0, 128, 0));
    EXPECT_EQ(At(img, 0, 0), 0x8396A0);
    // Not focused: the parent; focused: the items colour.
    box.SetTransparentMode(tmNotFocused);
    box.setFocus();
    QApplication::processEvents();
    EXPECT_EQ(At(Shot(box), 60, 60), box.hasFocus() ? clWhite : RGB(0, 128, 0));
    box.clearFocus();
    QApplication::processEvents();
    EXPECT_EQ(At(Shot(box), 60, 60), RGB(0, 128, 0));
    box.SetTransparentMode(tmNone);
    EXPECT_EQ(At(Shot(box), 60, 60), clWhite);
}

}  // namespace
