#include "controls/flatchecklistbox.h"

#include <QPainter>

std::weak_ptr<TFlatListRepeatTimer> TFlatCheckListBox::SharedTimer;

TFlatCheckListBox::TFlatCheckListBox(QWidget* parent) : TFlatListBoxBase(SharedTimer, 19, parent) {}

long TFlatCheckListBox::SharedTimerUsers() { return SharedTimer.use_count(); }

QRect TFlatCheckListBox::CheckBoxRect(const QRect& slot) { return QRect(slot.left() + 3, slot.top() + 3, 11, 11); }

void TFlatCheckListBox::SetItemIndex(int value) {
    FItemIndex = value;
    update();
}

void TFlatCheckListBox::SetChecked(int index, bool value) {
    FChecked.Set(index, value);
    update();
}

void TFlatCheckListBox::Clear() {
    ClearItems();
    FChecked.Clear();
    FItemIndex = -1;
    update();
}

void TFlatCheckListBox::SetColorCheck(TColor value) {
    FColorCheck = value;
    update();
}

void TFlatCheckListBox::ItemsChanged() {
    if (isEnabled())
        FChecked.Clear();
    update();
}

void TFlatCheckListBox::ClickItem(int index, QPoint pos, const QRect& slot) {
    if (CheckBoxRect(slot).contains(pos)) {
        FChecked.Toggle(index);
        setFocus(Qt::MouseFocusReason);
        if (OnClickCheck)
            OnClickCheck();
        update();
        return;
    }
    FItemIndex = index;
    setFocus(Qt::MouseFocusReason);
    update();
}

bool TFlatCheckListBox::HandleKey(int key) {
    if (key != Qt::Key_Space)
        return false;
    FChecked.Toggle(FItemIndex);
    return true;
}

void TFlatCheckListBox::focusOutEvent(QFocusEvent* event) {
    TFlatListBoxBase::focusOutEvent(event);
    FItemIndex = -1;
    update();
}

void TFlatCheckListBox::PaintItemExtras(QPainter& p, const QRect& slot, int index) {
    const QRect box = CheckBoxRect(slot);
    p.fillRect(box, ToQColor(ColorItemsRect()));
    p.setPen(ToQColor(ColorBorder()));
    p.setBrush(Qt::NoBrush);
    p.drawRect(box.adjusted(0, 0, -1, -1));
    if (!FChecked.Has(index))
        return;
    // Six diagonal strokes, each without its end point.
    const int x = box.left(), y = box.top();
    static constexpr int strokes[6][4] = {{2, 4, 6, 8}, {2, 5, 5, 8}, {2, 6, 5, 9},
                                          {8, 2, 4, 6}, {8, 3, 4, 7}, {8, 4, 5, 7}};
    const QColor c = ToQColor(FColorCheck);
    for (const auto& s : strokes) {
        const int dx = s[2] > s[0] ? 1 : -1, dy = s[3] > s[1] ? 1 : -1;
        const int n = std::abs(s[3] - s[1]);
        for (int k = 0; k < n; ++k)
            p.fillRect(QRect(x + s[0] + k * dx, y + s[1] + k * dy, 1, 1), c);
    }
}
