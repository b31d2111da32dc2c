#include "controls/flatlistbox.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QWheelEvent>

#include <algorithm>

namespace FlatList {

int VisibleCount(int height, int itemHeight, bool scrollBars) {
    const int room = height - (scrollBars ? 4 + ArrowsHeight : 4);
    return std::max(0, room / (std::max(1, itemHeight) + 2));
}

int SnapHeight(int itemHeight, int visibleCount, bool scrollBars) {
    return (itemHeight + 2) * visibleCount + (scrollBars ? 4 + ArrowsHeight : 4);
}

std::vector<QRect> ItemRects(QRect client, int itemHeight, int visibleCount, bool scrollBars) {
    std::vector<QRect> rects;
    int top = client.top() + 3 + (scrollBars ? 13 : 0);
    const int width = client.width() - 6;
    for (int i = 0; i < visibleCount; ++i) {
        rects.emplace_back(client.left() + 3, top, width, itemHeight);
        top += itemHeight + 2;
    }
    return rects;
}

QRect TopArrowRect(QRect client) { return QRect(client.left(), client.top(), client.width(), ArrowStripHeight); }

QRect BottomArrowRect(QRect client) {
    return QRect(client.left(), client.bottom() + 1 - ArrowStripHeight, client.width(), ArrowStripHeight);
}

bool CanScrollUp(int first) { return first > 0; }

bool CanScrollDown(int first, int count, int visible) { return first + visible < count; }

int LineUp(int first) { return std::max(0, first - 1); }

int LineDown(int first, int count, int visible) { return CanScrollDown(first, count, visible) ? first + 1 : first; }

int PageUp(int first, int visible) { return std::max(0, first - visible); }

int PageDown(int first, int count, int visible) {
    if (count - first >= 2 * visible)
        return first + visible;
    return std::max(count - visible, 0);
}

int Wheel(int first, int count, int visible, int delta, int step) {
    if (delta == -120) {
        if (first + visible + step <= count)
            return first + step;
        return std::max(count - visible, 0);
    }
    if (delta == 120)
        return std::max(0, first - step);
    return first;
}

}  // namespace FlatList

namespace {
// Blanks and control characters at both ends go, nothing else.
QString TrimControls(const QString& s) {
    int b = 0, e = int(s.size());
    while (b < e && s.at(b).unicode() <= 32)
        ++b;
    while (e > b && s.at(e - 1).unicode() <= 32)
        --e;
    return s.mid(b, e - b);
}

bool LessText(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; }
}  // namespace

TFlatListBoxBase::TFlatListBoxBase(std::weak_ptr<TFlatListRepeatTimer>& shared, int textIndent, QWidget* parent)
    : QWidget(parent), FTextIndent(textIndent) {
    FRepeat = shared.lock();
    if (!FRepeat) {
        FRepeat = std::make_shared<TFlatListRepeatTimer>();
        FRepeat->Timer.setInterval(600);
        TFlatListRepeatTimer* t = FRepeat.get();
        QObject::connect(&t->Timer, &QTimer::timeout, [t] {
            if (auto* owner = qobject_cast<TFlatListBoxBase*>(t->Owner.data()))
                owner->Repeat();
            else
                t->Timer.stop();
        });
        shared = FRepeat;
    }
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(137, 99);
    Rebuild();
}

TFlatListBoxBase::~TFlatListBoxBase() {
    if (FRepeat->Owner == this || FRepeat->Owner.isNull()) {
        FRepeat->Timer.stop();
        FRepeat->Owner = nullptr;
    }
}

void TFlatListBoxBase::SetTransparentMode(TTransparentMode value) {
    FTransparentMode = value;
    update();
}

void TFlatListBoxBase::SortItems() { std::stable_sort(FItems.begin(), FItems.end(), LessText); }

void TFlatListBoxBase::SetSorted(bool value) {
    if (FSorted == value)
        return;
    FSorted = value;
    if (FSorted)
        SortItems();
    ItemsChanged();
}

void TFlatListBoxBase::SetItems(const QStringList& value) {
    if (value.size() > TItemSet::Capacity)
        return;
    FItems.clear();
    for (const QString& s : value)
        FItems << TrimControls(s);
    AfterItemsEdit();
}

int TFlatListBoxBase::AddItem(const QString& value) {
    int at = int(FItems.size());
    if (FSorted)
        at = int(std::upper_bound(FItems.begin(), FItems.end(), value, LessText) - FItems.begin());
    FItems.insert(at, value);
    AfterItemsEdit();
    return at;
}

void TFlatListBoxBase::InsertItem(int index, const QString& value) {
    if (FSorted) {
        AddItem(value);
        return;
    }
    FItems.insert(std::clamp(index, 0, int(FItems.size())), value);
    AfterItemsEdit();
}

void TFlatListBoxBase::DeleteItem(int index) {
    if (index < 0 || index >= FItems.size())
        return;
    FItems.removeAt(index);
    AfterItemsEdit();
}

void TFlatListBoxBase::ClearItems() {
    FItems.clear();
    AfterItemsEdit();
}

void TFlatListBoxBase::AfterItemsEdit() {
    if (FSorted)
        SortItems();
    // A shorter list must not leave the view scrolled past its end.
    const int last = std::max(Count() - FVisibleCount, 0);
    if (FFirstVisible > last)
        FFirstVisible = last;
    ItemsChanged();
}

void TFlatListBoxBase::SetItemHeight(int value) {
    value = std::clamp(value, 1, 32767);
    FItemHeight = value;
    resize(width(), FlatList::SnapHeight(FItemHeight, FVisibleCount, FScrollBars));
    Rebuild();
}

void TFlatListBoxBase::SetScrollBars(bool value) {
    if (FScrollBars == value)
        return;
    FScrollBars = value;
    FSnapping = true;
    resize(width(), height() + (value ? FlatList::ArrowsHeight : -FlatList::ArrowsHeight));
    FSnapping = false;
    Rebuild();
}

void TFlatListBoxBase::SetUseAdvColors(bool value) {
    FUseAdvColors = value;
    FParentColor = value;
    CalcAdvColors();
    update();
}

void TFlatListBoxBase::SetAdvColorBorder(TAdvColors value) {
    FAdvColorBorder = value;
    CalcAdvColors();
    update();
}

void TFlatListBoxBase::SetColorArrow(TColor value) {
    FColorArrow = value;
    update();
}

void TFlatListBoxBase::SetColorBorder(TColor value) {
    FColorBorder = value;
    update();
}

void TFlatListBoxBase::SetColorItemsRect(TColor value) {
    FColorItemsRect = value;
    update();
}

void TFlatListBoxBase::SetColorItemsSelect(TColor value) {
    FColorItemsSelect = value;
    update();
}

TColor TFlatListBoxBase::Color() const { return FParentColor ? ParentColorOf(this) : FColor; }

void TFlatListBoxBase::SetColor(TColor value) {
    FColor = value;
    FParentColor = false;
    update();
}

void TFlatListBoxBase::SetParentColor(bool value) {
    FParentColor = value;
    update();
}

void TFlatListBoxBase::CalcAdvColors() {
    if (FUseAdvColors)
        FColorBorder = CalcAdvancedColor(Color(), FColorBorder, FAdvColorBorder, true);
}

void TFlatListBoxBase::Rebuild() {
    FVisibleCount = FlatList::VisibleCount(height(), FItemHeight, FScrollBars);
    FItemRects = FlatList::ItemRects(rect(), FItemHeight, FVisibleCount, FScrollBars);
    update();
}

void TFlatListBoxBase::SnapHeight() {
    const int visible = FlatList::VisibleCount(height(), FItemHeight, FScrollBars);
    const int h = FlatList::SnapHeight(FItemHeight, visible, FScrollBars);
    if (h != height()) {
        FSnapping = true;
        resize(width(), h);
        FSnapping = false;
    }
}

void TFlatListBoxBase::SetFirstVisible(int value) {
    if (FFirstVisible != value) {
        FFirstVisible = value;
        update();
    }
}

void TFlatListBoxBase::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!FSnapping)
        SnapHeight();
    Rebuild();
}

void TFlatListBoxBase::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (FTransparentMode != tmNone)
        update();
}

void TFlatListBoxBase::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    if (FTransparentMode != tmNone)
        update();
}

void TFlatListBoxBase::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    if (FTransparentMode != tmNone)
        update();
}

void TFlatListBoxBase::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::ParentChange:
        CalcAdvColors();
        update();
        break;
    case QEvent::EnabledChange:
    case QEvent::FontChange:
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void TFlatListBoxBase::wheelEvent(QWheelEvent* event) {
    int step = QApplication::wheelScrollLines();
    if (step <= 0)
        step = FVisibleCount;
    SetFirstVisible(FlatList::Wheel(FFirstVisible, Count(), FVisibleCount, event->angleDelta().y(), step));
    event->accept();
}

bool TFlatListBoxBase::HandleKey(int) { return false; }

void TFlatListBoxBase::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_PageUp:
        FFirstVisible = FlatList::PageUp(FFirstVisible, FVisibleCount);
        break;
    case Qt::Key_PageDown:
        FFirstVisible = FlatList::PageDown(FFirstVisible, Count(), FVisibleCount);
        break;
    case Qt::Key_Up:
        FFirstVisible = FlatList::LineUp(FFirstVisible);
        break;
    case Qt::Key_Down:
        FFirstVisible = FlatList::LineDown(FFirstVisible, Count(), FVisibleCount);
        break;
    default:
        if (!HandleKey(event->key())) {
            QWidget::keyPressEvent(event);
            return;
        }
        break;
    }
    event->accept();
    update();
}

void TFlatListBoxBase::StartRepeat(bool up) {
    FScrollUp = up;
    FRepeat->Owner = this;
    FRepeat->Timer.stop();
    FRepeat->Timer.setInterval(600);
    FRepeat->Timer.start();
}

void TFlatListBoxBase::Repeat() {
    FRepeat->Timer.setInterval(100);
    if (FScrollUp) {
        if (FlatList::CanScrollUp(FFirstVisible))
            SetFirstVisible(FFirstVisible - 1);
        if (!FlatList::CanScrollUp(FFirstVisible))
            FRepeat->Timer.stop();
    } else {
        if (FlatList::CanScrollDown(FFirstVisible, Count(), FVisibleCount))
            SetFirstVisible(FFirstVisible + 1);
        if (!FlatList::CanScrollDown(FFirstVisible, Count(), FVisibleCount))
            FRepeat->Timer.stop();
    }
}

void TFlatListBoxBase::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    FClicked = true;
    const QPoint pos = event->position().toPoint();
    if (Count() > 0) {
        for (size_t i = 0; i < FItemRects.size(); ++i) {
            if (!FItemRects[i].contains(pos))
                continue;
            const int index = FFirstVisible + int(i);
            if (index < Count()) {
                ClickItem(index, pos, FItemRects[i]);
                return;
            }
            break;
        }
        if (FScrollBars) {
            if (FlatList::TopArrowRect(rect()).contains(pos)) {
                FFirstVisible = FlatList::LineUp(FFirstVisible);
                setFocus(Qt::MouseFocusReason);
                update();
                StartRepeat(true);
                return;
            }
            if (FlatList::BottomArrowRect(rect()).contains(pos)) {
                FFirstVisible = FlatList::LineDown(FFirstVisible, Count(), FVisibleCount);
                setFocus(Qt::MouseFocusReason);
                update();
                StartRepeat(false);
                return;
            }
        }
    }
    if (OnMouseDown)
        OnMouseDown(event);
    QWidget::mousePressEvent(event);
}

void TFlatListBoxBase::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (FRepeat->Owner == this || FRepeat->Owner.isNull()) {
        FRepeat->Timer.stop();
        FRepeat->Timer.setInterval(600);
    }
    if (event->button() == Qt::LeftButton && FClicked) {
        FClicked = false;
        if (rect().contains(event->position().toPoint()) && OnClick)
            OnClick();
    }
}

void TFlatListBoxBase::PaintItemExtras(QPainter&, const QRect&, int) {}

void TFlatListBoxBase::PaintArrow(QPainter& p, const QRect& strip, bool up, bool active) {
    p.fillRect(strip, ToQColor(FColorItemsRect));
    p.setPen(ToQColor(FColorBorder));
    p.setBrush(Qt::NoBrush);
    p.drawRect(strip.adjusted(0, 0, -1, -1));
    // A triangle four rows high, its tip at the strip's middle row minus two.
    const int cx = strip.left() + strip.width() / 2;
    const int top = strip.top() + (strip.height() - 4) / 2;
    auto triangle = [&](int dx, int dy, const QColor& c) {
        for (int row = 0; row < 4; ++row) {
            const int half = up ? row : 3 - row;
            p.fillRect(QRect(cx - half + dx, top + row + dy, 2 * half + 1, 1), c);
        }
    };
    if (active) {
        triangle(0, 0, ToQColor(FColorArrow));
    } else {
        triangle(1, 1, QColor(255, 255, 255));
        triangle(0, 0, QColor(0x80, 0x80, 0x80));
    }
}

void TFlatListBoxBase::paintEvent(QPaintEvent*) {
    const qreal dpr = devicePixelRatioF();
    QPixmap buffer(size() * dpr);
    buffer.setDevicePixelRatio(dpr);
    buffer.fill(Qt::transparent);
    {
        QPainter p(&buffer);
        const bool parentImage =
            FTransparentMode == tmAlways || (FTransparentMode == tmNotFocused && !hasFocus());
        if (parentImage)
            DrawParentImage(this, p);
        else
            p.fillRect(rect(), ToQColor(FColorItemsRect));
        p.setPen(ToQColor(FColorBorder));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));

        p.setFont(font());
        const QColor text = palette().color(QPalette::WindowText);
        for (size_t i = 0; i < FItemRects.size(); ++i) {
            const int index = FFirstVisible + int(i);
            if (index < 0 || index >= Count())
                break;
            const QRect& slot = FItemRects[i];
            if (IsHighlighted(index)) {
                p.fillRect(slot, ToQColor(FColorItemsSelect));
                p.setPen(ToQColor(FColorBorder));
                p.drawRect(slot.adjusted(0, 0, -1, -1));
            }
            const QRect textRect = slot.adjusted(FTextIndent, 0, -3, 0);
            const int flags = Qt::TextSingleLine | Qt::AlignVCenter | Qt::AlignLeft;
            if (isEnabled()) {
                p.setPen(text);
                p.drawText(textRect, flags, FItems.at(index));
            } else {
                p.setPen(ToQColor(clBtnHighlight));
                p.drawText(textRect.translated(1, 1), flags, FItems.at(index));
                p.setPen(ToQColor(clBtnShadow));
                p.drawText(textRect, flags, FItems.at(index));
            }
            PaintItemExtras(p, slot, index);
        }
        if (FScrollBars) {
            PaintArrow(p, FlatList::TopArrowRect(rect()), true, isEnabled() && FlatList::CanScrollUp(FFirstVisible));
            PaintArrow(p, FlatList::BottomArrowRect(rect()), false,
                       isEnabled() && FlatList::CanScrollDown(FFirstVisible, Count(), FVisibleCount));
        }
    }
    QPainter screen(this);
    screen.drawPixmap(0, 0, buffer);
}

std::weak_ptr<TFlatListRepeatTimer> TFlatListBox::SharedTimer;

TFlatListBox::TFlatListBox(QWidget* parent) : TFlatListBoxBase(SharedTimer, 3, parent) {}

long TFlatListBox::SharedTimerUsers() { return SharedTimer.use_count(); }

void TFlatListBox::SetItemIndex(int value) {
    if (FItemIndex == value)
        return;
    FItemIndex = value;
    if (FMultiSelect) {
        FSelected.Toggle(value);
    } else {
        FSelected.Clear();
        FSelected.Set(value);
    }
    update();
}

void TFlatListBox::SetMultiSelect(bool value) {
    FMultiSelect = value;
    if (value)
        SetItemIndex(0);
}

void TFlatListBox::ItemsChanged() {
    if (isEnabled())
        FSelected.Clear();
    update();
}

void TFlatListBox::ClickItem(int index, QPoint, const QRect&) {
    if (FMultiSelect) {
        FSelected.Toggle(index);
    } else {
        FSelected.Clear();
        FSelected.Set(index);
    }
    FItemIndex = index;
    setFocus(Qt::MouseFocusReason);
    update();
}
