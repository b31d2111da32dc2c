// Self-drawn flat list boxes: a first-visible index, a fixed set of item slots, scrolling by
// keys, the wheel and two arrow strips with auto-repeat. TFlatListBox selects items;
// TFlatCheckListBox (flatchecklistbox.h) puts a check box in front of each.
#pragma once

#include "controls/colors.h"
#include "controls/flatutilitys.h"

#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <bitset>
#include <functional>
#include <memory>
#include <vector>

// A set of item indexes 0..255; other indexes are never members and are ignored on writes.
class TItemSet {
public:
    static constexpr int Capacity = 256;
    bool Has(int index) const { return index >= 0 && index < Capacity && FBits.test(size_t(index)); }
    void Set(int index, bool value = true) {
        if (index >= 0 && index < Capacity)
            FBits.set(size_t(index), value);
    }
    void Toggle(int index) {
        if (index >= 0 && index < Capacity)
            FBits.flip(size_t(index));
    }
    void Clear() { FBits.reset(); }
    bool Empty() const { return FBits.none(); }
    int Count() const { return int(FBits.count()); }

private:
    std::bitset<Capacity> FBits;
};

// Geometry and scrolling of the item slots, as plain arithmetic.
namespace FlatList {
// Height taken by the two arrow strips together.
constexpr int ArrowsHeight = 20;
// Height of one arrow strip.
constexpr int ArrowStripHeight = 11;
int VisibleCount(int height, int itemHeight, bool scrollBars);
int SnapHeight(int itemHeight, int visibleCount, bool scrollBars);
std::vector<QRect> ItemRects(QRect client, int itemHeight, int visibleCount, bool scrollBars);
QRect TopArrowRect(QRect client);
QRect BottomArrowRect(QRect client);
bool CanScrollUp(int first);
bool CanScrollDown(int first, int count, int visible);
// New first visible index after each kind of move.
int LineUp(int first);
int LineDown(int first, int count, int visible);
int PageUp(int first, int visible);
int PageDown(int first, int count, int visible);
// Delta is the wheel turn in eighths of a degree; only exactly one notch (+-120) moves.
int Wheel(int first, int count, int visible, int delta, int step);
}  // namespace FlatList

// The auto-repeat timer shared by all list boxes of one class, freed with the last of them.
struct TFlatListRepeatTimer {
    QTimer Timer;
    QPointer<QWidget> Owner;
};

class TFlatListBoxBase : public QWidget {
    Q_OBJECT
public:
    ~TFlatListBoxBase() override;

    TTransparentMode TransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode value);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool value);
    // The strings. SetItems takes at most 256 strings (a longer list is ignored) and trims each.
    const QStringList& Items() const { return FItems; }
    void SetItems(const QStringList& value);
    // Edits of the string list; each clears the selection (check) set while enabled.
    int AddItem(const QString& value);
    void InsertItem(int index, const QString& value);
    void DeleteItem(int index);
    void ClearItems();
    int Count() const { return int(FItems.size()); }
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int value);
    int ItemIndex() const { return FItemIndex; }
    virtual void SetItemIndex(int value) = 0;
    bool ScrollBars() const { return FScrollBars; }
    void SetScrollBars(bool value);
    bool UseAdvColors() const { return FUseAdvColors; }
    void SetUseAdvColors(bool value);
    TAdvColors AdvColorBorder() const { return FAdvColorBorder; }
    void SetAdvColorBorder(TAdvColors value);
    TColor ColorArrow() const { return FColorArrow; }
    void SetColorArrow(TColor value);
    TColor ColorBorder() const { return FColorBorder; }
    void SetColorBorder(TColor value);
    TColor ColorItemsRect() const { return FColorItemsRect; }
    void SetColorItemsRect(TColor value);
    TColor ColorItemsSelect() const { return FColorItemsSelect; }
    void SetColorItemsSelect(TColor value);
    TColor Color() const;
    void SetColor(TColor value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);

    int FirstVisible() const { return FFirstVisible; }
    int VisibleCount() const { return FVisibleCount; }
    const std::vector<QRect>& ItemRects() const { return FItemRects; }
    // Direction of the running auto-scroll: true scrolls up.
    bool ScrollingUp() const { return FScrollUp; }
    QSize sizeHint() const override { return QSize(137, 99); }
    // The auto-repeat timer shared by this class.
    QTimer* RepeatTimer() const { return &FRepeat->Timer; }

    // Fired when a left click is released inside the control.
    std::function<void()> OnClick;
    // Fired when the left button goes down outside items and arrows.
    std::function<void(QMouseEvent*)> OnMouseDown;

protected:
    TFlatListBoxBase(std::weak_ptr<TFlatListRepeatTimer>& shared, int textIndent, QWidget* parent);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

    // The class's own parts.
    virtual bool IsHighlighted(int index) const = 0;
    virtual void ItemsChanged() = 0;
    virtual void PaintItemExtras(QPainter& p, const QRect& slot, int index);
    // A left click in a slot that holds an item.
    virtual void ClickItem(int index, QPoint pos, const QRect& slot) = 0;
    virtual bool HandleKey(int key);

    void AfterItemsEdit();
    void Rebuild();
    void SetFirstVisible(int value);
    void Repeat();

    int FItemIndex = -1;

private:
    void SortItems();
    void CalcAdvColors();
    void SnapHeight();
    void StartRepeat(bool up);
    void PaintArrow(QPainter& p, const QRect& strip, bool up, bool active);

    std::shared_ptr<TFlatListRepeatTimer> FRepeat;
    int FTextIndent;
    TTransparentMode FTransparentMode = tmNone;
    int FFirstVisible = 0;
    int FVisibleCount = 0;
    bool FSorted = false;
    QStringList FItems;
    std::vector<QRect> FItemRects;
    int FItemHeight = 17;
    bool FScrollBars = false;
    bool FUseAdvColors = false;
    TAdvColors FAdvColorBorder = 40;
    TColor FColorArrow = clBlack;
    TColor FColorBorder = 0x8396A0;
    TColor FColorItemsRect = clWhite;
    TColor FColorItemsSelect = 0x9CDEF7;
    TColor FColor = clBtnFace;
    bool FParentColor = true;
    bool FScrollUp = false;
    bool FClicked = false;
    bool FSnapping = false;
};

class TFlatListBox : public TFlatListBoxBase {
    Q_OBJECT
public:
    explicit TFlatListBox(QWidget* parent = nullptr);

    void SetItemIndex(int value) override;
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool value);
    bool Selected(int index) const { return FSelected.Has(index); }
    int SelCount() const { return FSelected.Count(); }

    // How many list boxes share the class's auto-repeat timer now.
    static long SharedTimerUsers();

protected:
    bool IsHighlighted(int index) const override { return FSelected.Has(index); }
    void ItemsChanged() override;
    void ClickItem(int index, QPoint pos, const QRect& slot) override;

private:
    static std::weak_ptr<TFlatListRepeatTimer> SharedTimer;
    bool FMultiSelect = false;
    TItemSet FSelected;
};
