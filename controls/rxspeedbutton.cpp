#include "controls/rxspeedbutton.h"

#include "controls/drawutils.h"

#include <QDialog>
#include <QEnterEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPainter>
#include <QTimer>

#include <algorithm>

// ---- Glyph lists and the shared cache -----------------------------------------------------

TGlyphList::TGlyphList(int width, int height) : width_(width), height_(height) {}

int TGlyphList::Add(const QImage& image) {
    int index = 0;
    while (index < Capacity() && used_[index]) ++index;
    if (index == Capacity()) {
        images_.emplace_back();
        used_.push_back(false);
    }
    images_[index] = image;
    used_[index] = true;
    ++count_;
    return index;
}

void TGlyphList::Delete(int index) {
    if (index < 0 || index >= Capacity() || !used_[index]) return;
    used_[index] = false;
    images_[index] = QImage();
    --count_;
}

QImage TGlyphList::Image(int index) const {
    if (index < 0 || index >= Capacity() || !used_[index]) return QImage();
    return images_[index];
}

namespace {
TGlyphCache* gGlyphCache = nullptr;
int gGlyphObjects = 0;
}  // namespace

TGlyphCache::~TGlyphCache() {
    for (TGlyphList* list : lists_) delete list;
}

TGlyphList* TGlyphCache::GetList(int width, int height) {
    for (TGlyphList* list : lists_)
        if (list->Width() == width && list->Height() == height) return list;
    lists_.push_back(new TGlyphList(width, height));
    return lists_.back();
}

void TGlyphCache::ReturnList(TGlyphList* list) {
    if (!list || list->Count() != 0) return;
    auto it = std::find(lists_.begin(), lists_.end(), list);
    if (it == lists_.end()) return;
    lists_.erase(it);
    delete list;
}

TGlyphCache* TGlyphCache::Shared() { return gGlyphCache; }

// ---- Layout -------------------------------------------------------------------------------

TColor GrayOf(TColor rgb) {
    const int g = (77 * GetRValue(rgb) + 150 * GetGValue(rgb) + 29 * GetBValue(rgb)) >> 8;
    return RGB(g, g, g);
}

TButtonLayoutResult CalcButtonLayout(const QRect& Client, QPoint Offset, const QString& Caption, QSize GlyphSize,
                                     TButtonLayout Layout, int Margin, int Spacing, bool DropDownMark,
                                     const std::function<QSize(const QString&, int maxWidth)>& TextSize,
                                     const std::function<int(const QString&)>& TextWidth) {
    TButtonLayoutResult result;
    const int glyphWidth = std::max(0, GlyphSize.width());
    QSize gs(glyphWidth, std::max(0, GlyphSize.height()));
    if (DropDownMark) {
        gs.setWidth(gs.width() + DropDownMarkWidth);
        if (gs.height() == 0) gs.setHeight(DropDownMarkWidth);
    }
    const bool horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
    const QSize cs = Client.size();

    QString text = Caption.left(255);
    if (!text.isEmpty() && TextWidth) {
        int avail = cs.width();
        if (horizontal) avail -= gs.width() + std::max(Margin, 0) + std::max(Spacing, 0);
        text = ShortenTextToWidth(text, TextWidth, std::max(avail, 0));
    }
    const QSize ts = text.isEmpty() || !TextSize ? QSize(0, 0) : TextSize(text, cs.width());
    result.Text = text;

    QPoint gp, tp;
    if (horizontal) {
        gp.setY((cs.height() - gs.height() + 1) / 2);
        tp.setY((cs.height() - ts.height() + 1) / 2);
    } else {
        gp.setX((cs.width() - gs.width() + 1) / 2);
        tp.setX((cs.width() - ts.width() + 1) / 2);
    }
    if (ts.width() == 0 || gs.width() == 0) Spacing = 0;

    if (Margin == -1) {
        if (Spacing == -1) {
            const QSize total(gs.width() + ts.width(), gs.height() + ts.height());
            Margin = horizontal ? (cs.width() - total.width()) / 3 : (cs.height() - total.height()) / 3;
            Spacing = Margin;
        } else {
            const QSize total(gs.width() + Spacing + ts.width(), gs.height() + Spacing + ts.height());
            Margin = horizontal ? (cs.width() - total.width() + 1) / 2 : (cs.height() - total.height() + 1) / 2;
        }
    } else if (Spacing == -1) {
        const QSize total(cs.width() - (Margin + gs.width()), cs.height() - (Margin + gs.height()));
        Spacing = horizontal ? (total.width() - ts.width()) / 2 : (total.height() - ts.height()) / 2;
    }

    switch (Layout) {
    case blGlyphLeft:
        gp.setX(Margin);
        tp.setX(gp.x() + gs.width() + Spacing);
        break;
    case blGlyphRight:
        gp.setX(cs.width() - Margin - gs.width());
        tp.setX(gp.x() - Spacing - ts.width());
        break;
    case blGlyphTop:
        gp.setY(Margin);
        tp.setY(gp.y() + gs.height() + Spacing);
        break;
    case blGlyphBottom:
        gp.setY(cs.height() - Margin - gs.height());
        tp.setY(gp.y() - Spacing - ts.height());
        break;
    }
    const QPoint origin = Client.topLeft() + Offset;
    result.GlyphPos = gp + origin;
    result.TextBounds = QRect(tp + origin, ts);
    if (DropDownMark)
        result.MarkRect = QRect(result.GlyphPos.x() + glyphWidth, result.GlyphPos.y(), DropDownMarkWidth, gs.height());
    return result;
}

// ---- Glyph --------------------------------------------------------------------------------

TRxButtonGlyph::TRxButtonGlyph() {
    if (gGlyphObjects++ == 0 && !gGlyphCache) gGlyphCache = new TGlyphCache;
}

TRxButtonGlyph::~TRxButtonGlyph() {
    Invalidate();
    if (--gGlyphObjects == 0 && gGlyphCache && gGlyphCache->Empty()) {
        delete gGlyphCache;
        gGlyphCache = nullptr;
    }
}

void TRxButtonGlyph::Invalidate() {
    for (int& index : indexes_) {
        if (index != -1 && list_) list_->Delete(index);
        index = -1;
    }
    if (list_ && gGlyphCache) gGlyphCache->ReturnList(list_);
    list_ = nullptr;
}

void TRxButtonGlyph::SetGlyph(const QImage& glyph) {
    Invalidate();
    glyph_ = glyph;
    transparentColor_ = 0xFF00FF;
    if (glyph_.isNull() || glyph_.width() <= 0 || glyph_.height() <= 0) {
        // An empty glyph has one state and no images.
        glyph_ = QImage();
        numGlyphs_ = 1;
    } else {
        transparentColor_ = FromQColor(glyph_.pixelColor(0, glyph_.height() - 1));
        if (glyph_.width() % glyph_.height() == 0) {
            const int n = glyph_.width() / glyph_.height();
            numGlyphs_ = n > 5 ? 1 : n;
        }
    }
    if (OnChange) OnChange();
}

void TRxButtonGlyph::SetNumGlyphs(int value) {
    value = std::clamp(value, 1, 5);
    if (value == numGlyphs_) return;
    Invalidate();
    numGlyphs_ = value;
    if (OnChange) OnChange();
}

QSize TRxButtonGlyph::GlyphSize() const {
    if (glyph_.isNull()) return QSize(0, 0);
    return QSize(glyph_.width() / numGlyphs_, glyph_.height());
}

QImage TRxButtonGlyph::Cell(int index) const {
    const QSize cs = GlyphSize();
    QImage cell = glyph_.copy(index * cs.width(), 0, cs.width(), cs.height()).convertToFormat(QImage::Format_ARGB32);
    const QRgb clear = ToQColor(transparentColor_).rgb() & 0xFFFFFF;
    for (int y = 0; y < cell.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(cell.scanLine(y));
        for (int x = 0; x < cell.width(); ++x)
            if ((line[x] & 0xFFFFFF) == clear) line[x] = 0;
    }
    return cell;
}

int TRxButtonGlyph::CreateButtonGlyph(TRxButtonState state) {
    if (state == rbsDown && numGlyphs_ < 3) state = rbsUp;
    if (indexes_[state] != -1) return indexes_[state];
    const QSize cs = GlyphSize();
    if (cs.width() <= 0 || cs.height() <= 0 || !gGlyphCache) return -1;
    if (!list_) list_ = gGlyphCache->GetList(cs.width(), cs.height());

    QImage image;
    switch (state) {
    case rbsUp:
    case rbsDown:
    case rbsExclusive:
        image = Cell(state < numGlyphs_ ? state : 0);
        break;
    case rbsDisabled:
        if (numGlyphs_ > 1) {
            image = Cell(1);
        } else {
            image = QImage(cs, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            QPainter p(&image);
            DrawImageDisabled(Cell(0), p, 0, 0, clBtnHighlight, clBtnShadow, true);
        }
        break;
    case rbsInactive:
        if (numGlyphs_ > 4) {
            image = Cell(4);
        } else {
            image = Cell(0);
            const QRgb face = ToQColor(clBtnFace).rgb() & 0xFFFFFF;
            for (int y = 0; y < image.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x) {
                    if (qAlpha(line[x]) == 0 || (line[x] & 0xFFFFFF) == face) continue;
                    const int g = (77 * qRed(line[x]) + 150 * qGreen(line[x]) + 29 * qBlue(line[x])) >> 8;
                    line[x] = qRgb(g, g, g);
                }
            }
        }
        break;
    }
    indexes_[state] = list_->Add(image);
    return indexes_[state];
}

QImage TRxButtonGlyph::StateImage(TRxButtonState state) {
    const int index = CreateButtonGlyph(state);
    return index < 0 || !list_ ? QImage() : list_->Image(index);
}

QRect TRxButtonGlyph::Draw(QPainter& canvas, const QRect& Client, QPoint Offset, const QString& Caption,
                           TButtonLayout Layout, int Margin, int Spacing, TRxButtonState State,
                           Qt::Alignment Alignment, bool DropDownMark, bool WordWrap) {
    const QFontMetrics fm(canvas.font());
    const int flags = Qt::TextShowMnemonic | (WordWrap ? Qt::TextWordWrap : Qt::TextSingleLine) |
                      static_cast<int>(Alignment & Qt::AlignHorizontal_Mask);
    auto textSize = [&](const QString& s, int maxWidth) {
        return fm.boundingRect(QRect(0, 0, std::max(maxWidth, 1), 0x7FFF), flags, s).size();
    };
    std::function<int(const QString&)> textWidth;
    if (!WordWrap) textWidth = [&](const QString& s) { return fm.horizontalAdvance(s); };
    const TButtonLayoutResult layout = CalcButtonLayout(Client, Offset, Caption, GlyphSize(), Layout, Margin,
                                                        Spacing, DropDownMark, textSize, textWidth);

    const QImage image = StateImage(State);
    if (!image.isNull()) canvas.drawImage(layout.GlyphPos, image);

    if (!layout.Text.isEmpty()) {
        if (State == rbsDisabled) {
            canvas.setPen(ToQColor(clBtnHighlight));
            canvas.drawText(layout.TextBounds.translated(1, 1), flags, layout.Text);
            canvas.setPen(ToQColor(clBtnShadow));
        } else {
            canvas.setPen(ToQColor(clBtnText));
        }
        canvas.drawText(layout.TextBounds, flags, layout.Text);
    }

    if (DropDownMark && !layout.MarkRect.isEmpty()) {
        // A small arrow pointing down, centred in its strip.
        const QRect& m = layout.MarkRect;
        const int x = m.left() + (m.width() - 5) / 2;
        const int y = m.top() + (m.height() - 3) / 2;
        const QColor c = ToQColor(State == rbsDisabled ? clBtnShadow : clBtnText);
        for (int row = 0; row < 3; ++row) canvas.fillRect(x + row, y + row, 5 - 2 * row, 1, c);
    }
    return layout.TextBounds;
}

// ---- Button -------------------------------------------------------------------------------

namespace {

// Lines on the top and left edges in tl, bottom and right in br; gives the rectangle inside.
QRect Bevel(QPainter& p, const QRect& r, TColor tl, TColor br) {
    if (r.width() <= 0 || r.height() <= 0) return r;
    p.fillRect(r.left(), r.top(), r.width(), 1, ToQColor(tl));
    p.fillRect(r.left(), r.top(), 1, r.height(), ToQColor(tl));
    p.fillRect(r.left(), r.bottom(), r.width(), 1, ToQColor(br));
    p.fillRect(r.right(), r.top(), 1, r.height(), ToQColor(br));
    return r.adjusted(1, 1, -1, -1);
}

QBrush CheckeredBrush() {
    QImage pattern(2, 2, QImage::Format_RGB32);
    const QRgb face = ToQColor(clBtnFace).rgb();
    const QRgb light = ToQColor(clBtnHighlight).rgb();
    pattern.setPixel(0, 0, face);
    pattern.setPixel(1, 1, face);
    pattern.setPixel(1, 0, light);
    pattern.setPixel(0, 1, light);
    return QBrush(pattern);
}

}  // namespace

TRxSpeedButton::TRxSpeedButton(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    resize(25, 25);
    glyph_.OnChange = [this] { update(); };
}

TRxSpeedButton::~TRxSpeedButton() { glyph_.OnChange = nullptr; }

void TRxSpeedButton::SetAlignment(Qt::Alignment value) {
    alignment_ = value;
    update();
}

void TRxSpeedButton::SetAllowAllUp(bool value) {
    if (allowAllUp_ == value) return;
    allowAllUp_ = value;
    UpdateExclusive();
}

void TRxSpeedButton::SetAllowTimer(bool value) {
    allowTimer_ = value;
    if (!value) StopTimer();
}

void TRxSpeedButton::SetGroupIndex(int value) {
    if (groupIndex_ == value) return;
    groupIndex_ = value;
    UpdateExclusive();
}

void TRxSpeedButton::SetDown(bool value) {
    if (groupIndex_ == 0) value = false;
    if (value == down_) return;
    if (down_ && !allowAllUp_) return;
    down_ = value;
    state_ = value ? rbsExclusive : rbsUp;
    update();
    if (value) UpdateExclusive();
}

void TRxSpeedButton::SetDropDownMenu(QMenu* menu) {
    dropDownMenu_ = menu;
    update();
}

void TRxSpeedButton::SetCaption(const QString& value) {
    if (caption_ == value) return;
    caption_ = value;
    UpdateShortcut();
    update();
}

void TRxSpeedButton::SetFlat(bool value) {
    flat_ = value;
    update();
}

void TRxSpeedButton::SetGlyph(const QImage& value) { glyph_.SetGlyph(value); }

void TRxSpeedButton::SetGrayedInactive(bool value) {
    grayedInactive_ = value;
    update();
}

void TRxSpeedButton::SetLayout(TButtonLayout value) {
    layout_ = value;
    update();
}

void TRxSpeedButton::SetMargin(int value) {
    margin_ = std::max(value, -1);
    update();
}

void TRxSpeedButton::SetMarkDropDown(bool value) {
    markDropDown_ = value;
    update();
}

void TRxSpeedButton::SetNumGlyphs(int value) { glyph_.SetNumGlyphs(value); }

void TRxSpeedButton::SetSpacing(int value) {
    spacing_ = value;
    update();
}

void TRxSpeedButton::SetStyle(TButtonStyle value) {
    style_ = value;
    update();
}

void TRxSpeedButton::SetTransparent(bool value) {
    transparent_ = value;
    update();
}

void TRxSpeedButton::SetWordWrap(bool value) {
    wordWrap_ = value;
    update();
}

TRxButtonState TRxSpeedButton::DrawState() const {
    if (flat_ && !mouseInControl_ && state_ != rbsDisabled) return rbsInactive;
    return state_;
}

void TRxSpeedButton::UpdateExclusive() {
    if (groupIndex_ == 0 || !parentWidget()) return;
    const auto siblings = parentWidget()->findChildren<TRxSpeedButton*>(Qt::FindDirectChildrenOnly);
    for (TRxSpeedButton* b : siblings)
        if (b != this) b->ButtonPressed(this);
}

void TRxSpeedButton::ButtonPressed(TRxSpeedButton* sender) {
    if (sender->groupIndex_ != groupIndex_) return;
    if (sender->down_ && down_) {
        down_ = false;
        state_ = rbsUp;
        update();
    }
    allowAllUp_ = sender->allowAllUp_;
}

void TRxSpeedButton::Click() {
    if (modalResult_ != 0) {
        if (auto* dialog = qobject_cast<QDialog*>(window())) dialog->done(modalResult_);
    }
    if (OnClick) OnClick();
}

void TRxSpeedButton::StopTimer() {
    if (repeatTimer_) repeatTimer_->stop();
}

void TRxSpeedButton::TimerExpired() {
    if (repeatTimer_) repeatTimer_->setInterval(repeatInterval_);
    if (state_ == rbsDown && dragging_) Click();
}

void TRxSpeedButton::UpdateShortcut() {
    if (shortcutId_ != 0) releaseShortcut(shortcutId_);
    shortcutId_ = 0;
    const QKeySequence key = QKeySequence::mnemonic(caption_);
    if (!key.isEmpty()) shortcutId_ = grabShortcut(key);
}

bool TRxSpeedButton::CheckMenuDropDown() {
    if (!dropDownMenu_) return false;
    const QSize menuSize = dropDownMenu_->sizeHint();
    const int alignment = dropDownMenu_->property("Alignment").toInt();
    QPoint p;
    if (menuPosition_ == 0) {
        p = mapToGlobal(QPoint(0, height()));
        if (alignment == 1) p.rx() += width() - menuSize.width();
        else if (alignment == 2) p.rx() += (width() - menuSize.width()) / 2;
    } else {
        p = mapToGlobal(QPoint(width(), 0));
    }
    menuTracking_ = true;
    QPointer<TRxSpeedButton> self(this);
    dropDownMenu_->exec(p);
    if (!self) return true;
    menuTracking_ = false;
    return true;
}

void TRxSpeedButton::FinishPress(bool doClick) {
    if (groupIndex_ == 0) {
        state_ = rbsUp;
        update();
    } else if (doClick) {
        SetDown(!down_);
        update();
    } else {
        state_ = down_ ? rbsExclusive : rbsUp;
        update();
    }
    if (doClick) Click();
}

void TRxSpeedButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled() || menuTracking_) return;
    if (!down_) {
        state_ = rbsDown;
        update();
    }
    dragging_ = true;
    if (dropDownMenu_) {
        QPointer<TRxSpeedButton> self(this);
        if (CheckMenuDropDown()) {
            if (!self) return;
            // The menu took the release: finish the press now, without a click.
            dragging_ = false;
            FinishPress(false);
            return;
        }
    }
    if (allowTimer_) {
        if (!repeatTimer_) {
            repeatTimer_ = new QTimer(this);
            connect(repeatTimer_, &QTimer::timeout, this, &TRxSpeedButton::TimerExpired);
        }
        repeatTimer_->setInterval(initPause_);
        repeatTimer_->start();
    }
}

void TRxSpeedButton::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return;
    const bool inside = rect().contains(event->position().toPoint());
    TRxButtonState newState = down_ ? rbsExclusive : rbsUp;
    if (inside && !down_) newState = rbsDown;
    if (newState != state_) {
        state_ = newState;
        update();
    }
}

void TRxSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_) return;
    dragging_ = false;
    StopTimer();
    const bool inside = rect().contains(event->position().toPoint());
    mouseInControl_ = inside;
    FinishPress(inside);
}

void TRxSpeedButton::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
    if (down_ && OnDblClick) OnDblClick();
}

void TRxSpeedButton::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    if (mouseInControl_ || !isEnabled()) return;
    mouseInControl_ = true;
    if (flat_) update();
    if (OnMouseEnter) OnMouseEnter();
}

void TRxSpeedButton::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (!mouseInControl_ || !isEnabled() || dragging_) return;
    mouseInControl_ = false;
    if (flat_) update();
    if (OnMouseLeave) OnMouseLeave();
}

void TRxSpeedButton::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            StopTimer();
            dragging_ = false;
        }
        update();
    }
}

void TRxSpeedButton::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    StopTimer();
    if (dragging_) {
        dragging_ = false;
        state_ = down_ ? rbsExclusive : rbsUp;
    }
}

bool TRxSpeedButton::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut) {
        if (isEnabled()) Click();
        return true;
    }
    return QWidget::event(event);
}

void TRxSpeedButton::PaintButton(QPainter& p) {
    if (!isEnabled()) {
        state_ = rbsDisabled;
        dragging_ = false;
    } else if (state_ == rbsDisabled) {
        state_ = down_ && groupIndex_ != 0 ? rbsExclusive : rbsUp;
    }
    const TRxButtonState drawState = DrawState();
    const bool pressed = state_ == rbsDown || state_ == rbsExclusive;
    QRect r = rect();

    if (!(flat_ && drawState == rbsInactive)) {
        if (flat_) {
            Bevel(p, r, pressed ? clBtnShadow : clBtnHighlight, pressed ? clBtnHighlight : clBtnShadow);
        } else {
            QRect inner = r;
            if (style_ == bsWin31) inner = Bevel(p, inner, clWindowFrame, clWindowFrame);
            if (pressed) {
                inner = Bevel(p, inner, clBtnShadow, clBtnHighlight);
                Bevel(p, inner, cl3DDkShadow, cl3DLight);
            } else {
                inner = Bevel(p, inner, clBtnHighlight, cl3DDkShadow);
                Bevel(p, inner, cl3DLight, clBtnShadow);
            }
        }
    }
    r.adjust(2, 2, -2, -2);
    if (style_ == bsWin31 && !flat_) r.adjust(1, 1, -1, -1);

    if (state_ == rbsExclusive && !transparent_ && (!flat_ || drawState == rbsInactive)) {
        p.setBrushOrigin(0, 0);
        p.fillRect(r, CheckeredBrush());
    }

    const QPoint offset = pressed ? QPoint(1, 1) : QPoint(0, 0);
    TRxButtonState glyphState = drawState;
    if (glyphState == rbsInactive && !grayedInactive_) glyphState = state_;
    p.setFont(font());
    glyph_.Draw(p, r, offset, caption_, layout_, margin_, spacing_, glyphState, alignment_,
                markDropDown_ && dropDownMenu_ != nullptr, wordWrap_);
}

QImage TRxSpeedButton::PaintFace() {
    QImage face(size(), QImage::Format_ARGB32_Premultiplied);
    face.fill(ToQColor(clBtnFace));
    QPainter p(&face);
    if (transparent_) PaintParentBackground(this, p);
    PaintButton(p);
    return face;
}

void TRxSpeedButton::paintEvent(QPaintEvent*) {
    const QImage face = PaintFace();
    QPainter p(this);
    p.drawImage(0, 0, face);
}

TRxTimerSpeedButton::TRxTimerSpeedButton(QWidget* parent) : TRxSpeedButton(parent) { SetAllowTimer(true); }
