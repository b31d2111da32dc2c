// The flat list box with a check box in front of every item.
#pragma once

#include "controls/flatlistbox.h"

class TFlatCheckListBox : public TFlatListBoxBase {
    Q_OBJECT
public:
    explicit TFlatCheckListBox(QWidget* parent = nullptr);

    void SetItemIndex(int value) override;
    // False for indexes outside 0..255; writes outside that range are ignored.
    bool Checked(int index) const { return FChecked.Has(index); }
    void SetChecked(int index, bool value);
    // Empties the strings and the check set and clears ItemIndex.
    void Clear();
    TColor ColorCheck() const { return FColorCheck; }
    void SetColorCheck(TColor value);

    // The check box of a slot.
    static QRect CheckBoxRect(const QRect& slot);
    // How many check list boxes share the class's auto-repeat timer now.
    static long SharedTimerUsers();

    // Fired when a click in an item's box toggles its check.
    std::function<void()> OnClickCheck;

protected:
    bool IsHighlighted(int index) const override { return index == FItemIndex; }
    void ItemsChanged() override;
    void PaintItemExtras(QPainter& p, const QRect& slot, int index) override;
    void ClickItem(int index, QPoint pos, const QRect& slot) override;
    bool HandleKey(int key) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    static std::weak_ptr<TFlatListRepeatTimer> SharedTimer;
    TItemSet FChecked;
    TColor FColorCheck = clBlack;
};
