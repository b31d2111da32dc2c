#include "controls/dateedit.h"

#include "controls/rxcalendar.h"
#include "controls/xpmenu.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstring>

// ---- Glyph bitmaps ------------------------------------------------------------------------

namespace {

// A bitmap from rows of characters: '.' the transparent magenta, 'k' black, 'r' red, 'w'
// white, 'g' the button shadow, 'h' the button highlight.
QImage ArtImage(std::initializer_list<const char*> rows) {
    const int h = static_cast<int>(rows.size());
    const int w = h ? static_cast<int>(std::strlen(*rows.begin())) : 0;
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(255, 0, 255));
    int y = 0;
    for (const char* row : rows) {
        for (int x = 0; x < w && row[x]; ++x) {
            QColor c;
            switch (row[x]) {
            case 'k': c = Qt::black; break;
            case 'r': c = QColor(192, 0, 0); break;
            case 'w': c = Qt::white; break;
            case 'g': c = ToQColor(clBtnShadow); break;
            case 'h': c = ToQColor(clBtnHighlight); break;
            default: continue;
            }
            img.setPixelColor(x, y, c);
        }
        ++y;
    }
    return img;
}

const QColor kMagenta(255, 0, 255);

// The date edit's button glyph: a calendar page, then the same page in the disabled look.
QImage DateEditGlyph() {
    static const QImage glyph = [] {
        const QImage up = ArtImage({
            "............",
            ".kkkkkkkkkk.",
            ".krrrrrrrrk.",
            ".krrrrrrrrk.",
            ".kkkkkkkkkk.",
            ".kwwwwwwwwk.",
            ".kwkwkwkwwk.",
            ".kwwwwwwwwk.",
            ".kwkwkwkwwk.",
            ".kwwwwwwwwk.",
            ".kkkkkkkkkk.",
            "............",
        });
        QImage both(up.width() * 2, up.height(), QImage::Format_RGB32);
        both.fill(kMagenta);
        QPainter p(&both);
        p.drawImage(0, 0, up);
        p.end();
        // The disabled cell: dark pixels in the shadow colour over a highlight one pixel down
        // and right.
        for (int pass = 0; pass < 2; ++pass) {
            for (int y = 0; y < up.height(); ++y) {
                for (int x = 0; x < up.width(); ++x) {
                    const QColor c = up.pixelColor(x, y);
                    if (c == kMagenta || c == QColor(Qt::white)) continue;
                    if (pass == 0 && x + 1 < up.width() && y + 1 < up.height())
                        both.setPixelColor(up.width() + x + 1, y + 1, ToQColor(clBtnHighlight));
                    if (pass == 1) both.setPixelColor(up.width() + x, y, ToQColor(clBtnShadow));
                }
            }
        }
        return both;
    }();
    return glyph;
}

QImage DropDownGlyph() {
    static const QImage glyph = ArtImage({
        "kkkkkkk",
        ".kkkkk.",
        "..kkk..",
        "...k...",
        ".......",
    });
    return glyph;
}

QImage EllipsisGlyph(int width) {
    QImage img(std::max(width, 10), 4, QImage::Format_RGB32);
    img.fill(kMagenta);
    const int left = (img.width() - 10) / 2;
    for (int dot = 0; dot < 3; ++dot)
        for (int y = 1; y < 3; ++y)
            for (int x = 0; x < 2; ++x) img.setPixelColor(left + dot * 4 + x, y, Qt::black);
    return img;
}

QImage NavGlyph(int index) {
    static const QImage glyphs[4] = {
        ArtImage({"...k...k", "..kk..kk", ".kkk.kkk", "kkkkkkkk", ".kkk.kkk", "..kk..kk", "...k...k", "........"}),
        ArtImage({"...k", "..kk", ".kkk", "kkkk", ".kkk", "..kk", "...k", "...."}),
        ArtImage({"k...", "kk..", "kkk.", "kkkk", "kkk.", "kk..", "k...", "...."}),
        ArtImage({"k...k...", "kk..kk..", "kkk.kkk.", "kkkkkkkk", "kkk.kkk.", "kk..kk..", "k...k...", "........"}),
    };
    return glyphs[index];
}

const char* const kNavHints[4] = {"Previous Year|", "Previous Month|", "Next Month|", "Next Year|"};

// The part of a hint before "|".
QString ShortHint(const QString& hint) {
    const int bar = static_cast<int>(hint.indexOf(QLatin1Char('|')));
    return bar < 0 ? hint : hint.left(bar);
}

// The strip above a calendar: the previous-year and previous-month buttons at its left end, the
// next-month and next-year buttons at its right end, each `button` pixels square, and the month
// caption between them, `titleInset` pixels from either end. The buttons step `calendar`.
QLabel* BuildNavStrip(QWidget* strip, int button, int titleInset, TRxCalendar* calendar,
                      TRxTimerSpeedButton* (&buttons)[4]) {
    const int w = strip->width();
    const int x[4] = {2, 2 + button, w - 2 * button - 2, w - button - 2};
    for (int i = 0; i < 4; ++i) {
        auto* b = new TRxTimerSpeedButton(strip);
        b->resize(button, button);
        b->SetGlyph(NavGlyph(i));
        b->setToolTip(ShortHint(QString::fromLatin1(kNavHints[i])));
        b->move(x[i], 2);
        buttons[i] = b;
    }
    buttons[0]->OnClick = [calendar] { calendar->PrevYear(); };
    buttons[1]->OnClick = [calendar] { calendar->PrevMonth(); };
    buttons[2]->OnClick = [calendar] { calendar->NextMonth(); };
    buttons[3]->OnClick = [calendar] { calendar->NextYear(); };
    auto* title = new QLabel(strip);
    title->setAlignment(Qt::AlignCenter);
    title->setGeometry(titleInset, 0, w - 2 * titleInset, strip->height());
    return title;
}

QFont PopupFont(const QFont& base) {
    QFont f = base;
    f.setPixelSize(11);
    return f;
}

// Punctuation that separates the fields of a text ("-", "/", ".", ":").
bool IsSeparatorChar(QChar c) { return c != QLatin1Char(' ') && (c.isPunct() || c.isSymbol()); }

bool IsShiftKey(Qt::KeyboardModifiers m) {
    return m & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
}

}  // namespace

// ---- TEditMask ----------------------------------------------------------------------------

TEditMask::TEditMask(const QString& editMask) {
    const int n = static_cast<int>(editMask.size());
    int i = 0;
    int caseMode = 0;
    auto literal = [this](QChar c) {
        Position p;
        p.literal = c;
        positions_.push_back(p);
    };
    while (i < n) {
        const QChar c = editMask[i];
        if (c == QLatin1Char(';')) break;
        switch (c.unicode()) {
        case '!':
            ++i;
            continue;
        case '<':
            if (i + 1 < n && editMask[i + 1] == QLatin1Char('>')) {
                caseMode = 0;
                i += 2;
            } else {
                caseMode = 2;
                ++i;
            }
            continue;
        case '>':
            caseMode = 1;
            ++i;
            continue;
        case '\\':
            if (i + 1 < n) literal(editMask[i + 1]);
            i += 2;
            continue;
        case '0': case '9': case '#': case 'L': case 'l': case 'A': case 'a': case 'C': case 'c': {
            Position p;
            p.input = true;
            p.maskChar = c;
            p.caseMode = caseMode;
            positions_.push_back(p);
            ++i;
            continue;
        }
        case '/': literal(DateSeparator()); break;
        case ':': literal(QLatin1Char(':')); break;
        case '_': literal(QLatin1Char(' ')); break;
        default: literal(c); break;
        }
        ++i;
    }
    if (i < n && editMask[i] == QLatin1Char(';')) {
        ++i;
        if (i < n && editMask[i] != QLatin1Char(';')) {
            saveLiterals_ = editMask[i] != QLatin1Char('0');
            ++i;
        }
        if (i < n && editMask[i] == QLatin1Char(';')) {
            ++i;
            if (i < n) blank_ = editMask[i];
        }
    }
}

bool TEditMask::IsInput(int pos) const { return pos >= 0 && pos < Length() && positions_[pos].input; }

QChar TEditMask::Literal(int pos) const {
    return pos >= 0 && pos < Length() && !positions_[pos].input ? positions_[pos].literal : QChar();
}

QString TEditMask::EmptyText() const {
    QString s;
    for (const Position& p : positions_) s += p.input ? blank_ : p.literal;
    return s;
}

QString TEditMask::Normal(const QString& edit) const {
    QString s = EmptyText();
    for (int i = 0; i < Length() && i < edit.size(); ++i)
        if (positions_[i].input) s[i] = edit[i];
    return s;
}

QChar TEditMask::NextLiteral(int pos) const {
    for (int k = pos + 1; k < Length(); ++k)
        if (!positions_[k].input) return positions_[k].literal;
    return QChar();
}

bool TEditMask::Accepts(int pos, QChar c, QChar* stored) const {
    if (!IsInput(pos)) return false;
    const Position& p = positions_[pos];
    const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
    const bool space = c == QLatin1Char(' ');
    bool ok = false;
    switch (p.maskChar.unicode()) {
    case '0': ok = digit; break;
    case '9': ok = digit || space; break;
    case '#': ok = digit || space || c == QLatin1Char('+') || c == QLatin1Char('-'); break;
    case 'L': ok = c.isLetter(); break;
    case 'l': ok = c.isLetter() || space; break;
    case 'A': ok = c.isLetterOrNumber(); break;
    case 'a': ok = c.isLetterOrNumber() || space; break;
    case 'C': ok = c.isPrint() && !space; break;
    case 'c': ok = c.isPrint(); break;
    default: break;
    }
    if (ok && stored) {
        if (space) *stored = blank_;
        else if (p.caseMode == 1) *stored = c.toUpper();
        else if (p.caseMode == 2) *stored = c.toLower();
        else *stored = c;
    }
    return ok;
}

QString TEditMask::Format(const QString& text) const {
    QString out;
    const int n = static_cast<int>(text.size());
    int j = 0;
    for (int i = 0; i < Length(); ++i) {
        const Position& p = positions_[i];
        if (!p.input) {
            // The text's own separator, whichever it is, stands for the mask's literal.
            if (saveLiterals_ && j < n && (text[j] == p.literal || IsSeparatorChar(text[j]))) ++j;
            out += p.literal;
            continue;
        }
        if (j >= n) {
            out += blank_;
            continue;
        }
        const QChar c = text[j];
        QChar stored;
        if (Accepts(i, c, &stored)) {
            out += stored;
            ++j;
            continue;
        }
        out += blank_;
        // A field typed short: its literal waits for the mask's literal.
        const QChar lit = NextLiteral(i);
        if (saveLiterals_ && !lit.isNull() && (c == lit || IsSeparatorChar(c))) continue;
        ++j;
    }
    return out;
}

QString TEditMask::TextOf(const QString& editText) const {
    const QString e = Normal(editText);
    QString out;
    for (int i = 0; i < Length(); ++i) {
        const Position& p = positions_[i];
        if (p.input) out += e[i] == blank_ ? QChar(QLatin1Char(' ')) : e[i];
        else if (saveLiterals_) out += p.literal;
    }
    return out;
}

int TEditMask::NextInput(int pos) const {
    for (int k = std::max(pos, 0); k < Length(); ++k)
        if (positions_[k].input) return k;
    return -1;
}

int TEditMask::PrevInput(int pos) const {
    for (int k = std::min(pos, Length()) - 1; k >= 0; --k)
        if (positions_[k].input) return k;
    return -1;
}

void TEditMask::Clear(QString& edit, int start, int length) const {
    edit = Normal(edit);
    for (int k = std::max(start, 0); k < std::min(start + length, Length()); ++k)
        if (positions_[k].input) edit[k] = blank_;
}

bool TEditMask::TypeChar(QString& edit, int& cursor, int selStart, int selLength, QChar c) const {
    QString work = Normal(edit);
    int p = std::clamp(cursor, 0, Length());
    if (selLength > 0) {
        Clear(work, selStart, selLength);
        p = std::clamp(selStart, 0, Length());
    }
    const int q = NextInput(p);
    QChar stored;
    if (q >= 0 && Accepts(q, c, &stored)) {
        work[q] = stored;
        const int next = NextInput(q + 1);
        cursor = next >= 0 ? next : Length();
        edit = work;
        return true;
    }
    // The literal just passed (the cursor moved over it after a full field): nothing to do.
    if (selLength <= 0 && p > 0 && !IsInput(p - 1) && Literal(p - 1) == c) return true;
    // The literal that follows skips the rest of the field.
    for (int k = p; k < Length(); ++k) {
        if (positions_[k].input) continue;
        if (positions_[k].literal != c) break;
        const int next = NextInput(k + 1);
        cursor = next >= 0 ? next : Length();
        edit = work;
        return true;
    }
    return false;
}

void TEditMask::Backspace(QString& edit, int& cursor, int selStart, int selLength) const {
    if (selLength > 0) {
        Clear(edit, selStart, selLength);
        cursor = std::clamp(selStart, 0, Length());
        return;
    }
    edit = Normal(edit);
    const int q = PrevInput(cursor);
    if (q < 0) return;
    edit[q] = blank_;
    cursor = q;
}

void TEditMask::Delete(QString& edit, int& cursor, int selStart, int selLength) const {
    if (selLength > 0) {
        Clear(edit, selStart, selLength);
        cursor = std::clamp(selStart, 0, Length());
        return;
    }
    edit = Normal(edit);
    const int q = NextInput(cursor);
    if (q >= 0) edit[q] = blank_;
}

void TEditMask::Paste(QString& edit, int& cursor, int selStart, int selLength, const QString& text) const {
    if (selLength > 0) {
        Clear(edit, selStart, selLength);
        cursor = std::clamp(selStart, 0, Length());
    }
    for (QChar c : text) {
        if (cursor >= Length()) break;
        TypeChar(edit, cursor, cursor, 0, c);
    }
}

// ---- TEditButton --------------------------------------------------------------------------

TEditButton::TEditButton(TCustomComboEdit* edit, QWidget* parent) : TRxSpeedButton(parent), edit_(edit) {
    setCursor(Qt::ArrowCursor);
}

void TEditButton::PaintButton(QPainter& p) {
    TRxSpeedButton::PaintButton(p);
    if (state_ != rbsDown) {
        // The left edge blends into the edit.
        p.fillRect(0, 0, 1, height(), ToQColor(clBtnFace));
        p.fillRect(1, 1, 1, std::max(0, height() - 3), ToQColor(clBtnHighlight));
    }
}

void TEditButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && edit_) {
        if (edit_->IsPopupShown()) {
            // Closes the drop-down; the click that follows does nothing.
            edit_->CloseUp(true);
            swallowClick_ = true;
            return;
        }
        if (!edit_->hasFocus() && edit_->focusPolicy() != Qt::NoFocus && edit_->isEnabled())
            edit_->setFocus(Qt::MouseFocusReason);
    }
    TRxSpeedButton::mousePressEvent(event);
}

void TEditButton::mouseReleaseEvent(QMouseEvent* event) {
    if (swallowClick_ && event->button() == Qt::LeftButton) {
        swallowClick_ = false;
        return;
    }
    TRxSpeedButton::mouseReleaseEvent(event);
}

// ---- TPopupWindow -------------------------------------------------------------------------

TPopupWindow::TPopupWindow(TCustomComboEdit* owner)
    : QWidget(owner, Qt::Popup | Qt::FramelessWindowHint), owner_(owner) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    SetColor(clBtnFace);
}

QVariant TPopupWindow::GetValue() const { return QVariant(); }
void TPopupWindow::SetValue(const QVariant&) {}
bool TPopupWindow::PopupKeyDown(int, Qt::KeyboardModifiers) { return false; }
bool TPopupWindow::PopupKeyPress(QChar) { return false; }

void TPopupWindow::SetColor(TColor value) {
    color_ = value;
    update();
}

void TPopupWindow::Show(QPoint origin) {
    setAttribute(Qt::WA_NoMouseReplay, false);
    move(origin);
    show();
    raise();
}

void TPopupWindow::Hide() {
    hiding_ = true;
    hide();
    hiding_ = false;
}

void TPopupWindow::CloseUp(bool accept) {
    if (OnCloseUp) OnCloseUp(accept);
}

void TPopupWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ToQColor(color_));
    p.setPen(ToQColor(clWindowFrame));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TPopupWindow::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (rect().contains(pos)) {
        // Presses that children leave alone end here; only the window's own surface counts.
        pressedOnSelf_ = event->button() == Qt::LeftButton && !childAt(pos);
        event->accept();
        return;
    }
    // A press outside: on the edit's button it closes accepting (and the button does not see
    // it); anywhere else it cancels.
    const QPoint global = event->globalPosition().toPoint();
    QWidget* button = owner_ ? owner_->Button() : nullptr;
    const bool onButton = button && button->isVisible() &&
                          QRect(button->mapToGlobal(QPoint(0, 0)), button->size()).contains(global);
    if (onButton) setAttribute(Qt::WA_NoMouseReplay, true);
    CloseUp(onButton && event->button() == Qt::LeftButton);
}

void TPopupWindow::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton || !pressedOnSelf_) return;
    pressedOnSelf_ = false;
    if (isVisible()) CloseUp(rect().contains(event->position().toPoint()));
}

void TPopupWindow::keyPressEvent(QKeyEvent* event) {
    if (owner_) QCoreApplication::sendEvent(owner_, event);
    else QWidget::keyPressEvent(event);
}

void TPopupWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Closed by the window system (another window activated and the like): a cancel.
    if (!hiding_) CloseUp(false);
}

// ---- TCustomComboEdit ---------------------------------------------------------------------

TCustomComboEdit::TCustomComboEdit(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, ToQColor(clWindow));
    pal.setColor(QPalette::Text, ToQColor(clWindowText));
    pal.setColor(QPalette::Highlight, ToQColor(clHighlight));
    pal.setColor(QPalette::HighlightedText, ToQColor(clHighlightText));
    pal.setColor(QPalette::Window, ToQColor(clBtnFace));
    pal.setColor(QPalette::Disabled, QPalette::Text, ToQColor(clGrayText));
    setPalette(pal);
    container_ = new QWidget(this);
    container_->setCursor(Qt::ArrowCursor);
    button_ = new TEditButton(this, container_);
    button_->OnClick = [this] { DoButtonClick(); };
    resize(121, 21);
    UpdateButtonBounds();
    connect(this, &QLineEdit::textChanged, this, [this] { Change(); });
}

TCustomComboEdit::~TCustomComboEdit() {
    if (popup_) {
        popup_->OnCloseUp = nullptr;
        delete popup_;
        popup_ = nullptr;
    }
    if (button_) button_->OnClick = nullptr;
}

QString TCustomComboEdit::Text() const {
    return mask_.IsMasked() ? mask_.TextOf(QLineEdit::text()) : QLineEdit::text();
}

void TCustomComboEdit::SetText(const QString& value) {
    QLineEdit::setText(mask_.IsMasked() ? mask_.Format(value) : value);
}

void TCustomComboEdit::SetEditMask(const QString& value) {
    const QString text = Text();
    editMask_ = value;
    mask_ = TEditMask(value);
    setAcceptDrops(!mask_.IsMasked());
    SetText(text);
}

void TCustomComboEdit::SetDirectInput(bool value) {
    directInput_ = value;
    UpdateReadOnly();
}

void TCustomComboEdit::SetReadOnly(bool value) {
    readOnly_ = value;
    UpdateReadOnly();
}

void TCustomComboEdit::UpdateReadOnly() {
    QLineEdit::setReadOnly(readOnly_ || !directInput_ || (popupShown_ && editDisabled_));
}

void TCustomComboEdit::SetCtl3D(bool value) {
    ctl3D_ = value;
    UpdateButtonBounds();
    update();
}

void TCustomComboEdit::UpdateButtonBounds() {
    const int f = FrameWidth();
    setContentsMargins(f, f, f, f);
    const QRect client = rect().adjusted(f, f, -f, -f);
    const bool visible = buttonWidth_ >= 2;
    if (visible) {
        container_->setGeometry(client.right() + 1 - buttonWidth_, client.top(), buttonWidth_, client.height());
        button_->setGeometry(0, 0, buttonWidth_, client.height());
        container_->show();
    } else {
        container_->hide();
    }
    setTextMargins(0, 0, (visible ? buttonWidth_ : 0) + 2, 0);
}

void TCustomComboEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    UpdateButtonBounds();
}

void TCustomComboEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    QPainter p(this);
    const QRect r = rect();
    auto bevel = [&p](QRect q, TColor tl, TColor br) {
        p.fillRect(q.left(), q.top(), q.width(), 1, ToQColor(tl));
        p.fillRect(q.left(), q.top(), 1, q.height(), ToQColor(tl));
        p.fillRect(q.left(), q.bottom(), q.width(), 1, ToQColor(br));
        p.fillRect(q.right(), q.top(), 1, q.height(), ToQColor(br));
    };
    if (ctl3D_) {
        bevel(r, clBtnShadow, clBtnHighlight);
        bevel(r.adjusted(1, 1, -1, -1), cl3DDkShadow, cl3DLight);
    } else {
        bevel(r, clWindowFrame, clWindowFrame);
    }
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind value) {
    if (value == glyphKind_) return;
    glyphKind_ = value;
    RecreateGlyph();
}

void TCustomComboEdit::RecreateGlyph() {
    switch (glyphKind_) {
    case gkDefault: {
        const QImage glyph = DefaultGlyphBitmap();
        button_->SetGlyph(glyph);
        button_->SetNumGlyphs(glyph.isNull() ? 1 : defaultNumGlyphs_);
        break;
    }
    case gkDropDown:
        button_->SetGlyph(DropDownGlyph());
        button_->SetNumGlyphs(1);
        break;
    case gkEllipsis:
        button_->SetGlyph(EllipsisGlyph(buttonWidth_ - 6));
        button_->SetNumGlyphs(1);
        break;
    case gkCustom:
        break;
    }
}

QImage TCustomComboEdit::Glyph() const { return button_->Glyph(); }

void TCustomComboEdit::SetGlyph(const QImage& value) {
    glyphKind_ = gkCustom;
    button_->SetGlyph(value);
}

int TCustomComboEdit::NumGlyphs() const { return button_->NumGlyphs(); }
void TCustomComboEdit::SetNumGlyphs(int value) { button_->SetNumGlyphs(value); }

void TCustomComboEdit::SetButtonWidth(int value) {
    if (value == buttonWidth_) return;
    buttonWidth_ = value;
    UpdateButtonBounds();
    if (glyphKind_ == gkEllipsis) RecreateGlyph();
}

QString TCustomComboEdit::ButtonHint() const { return button_->toolTip(); }
void TCustomComboEdit::SetButtonHint(const QString& value) { button_->setToolTip(value); }

QImage TCustomComboEdit::DefaultGlyphBitmap() const { return QImage(); }
void TCustomComboEdit::RefreshMask() {}

void TCustomComboEdit::SetPopup(TPopupWindow* popup) {
    if (popup_ == popup) return;
    if (popup_) {
        if (popupShown_) CloseUp(false);
        popup_->OnCloseUp = nullptr;
        delete popup_;
    }
    popup_ = popup;
    if (popup_) popup_->OnCloseUp = [this](bool accept) { CloseUp(accept); };
}

QVariant TCustomComboEdit::ReadPopupValue() { return popup_ ? popup_->GetValue() : QVariant(); }

void TCustomComboEdit::WritePopupValue(const QVariant& value) {
    if (popup_) popup_->SetValue(value);
}

bool TCustomComboEdit::MayAcceptPopupValue(QVariant&) { return true; }

void TCustomComboEdit::TakePopupValue(const QVariant& value) { SetText(value.toString()); }

void TCustomComboEdit::ShowPopupAt(QPoint origin) {
    if (popup_) popup_->Show(origin);
}

void TCustomComboEdit::HidePopupWindow() {
    if (popup_) popup_->Hide();
}

void TCustomComboEdit::DropDown(bool DisableEdit) {
    if (readOnly_ || popupShown_ || !popup_) return;
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    QScreen* screenHere = QGuiApplication::screenAt(origin);
    if (!screenHere) screenHere = screen();
    const QRect sr = screenHere ? screenHere->geometry() : QRect(0, 0, 1024, 768);
    const int pw = popup_->width();
    const int ph = popup_->height();
    int y = origin.y() + height();
    if (y + ph > sr.bottom() + 1) y = origin.y() - ph;
    int x = origin.x();
    if (popupAlign_ == epaRight) {
        x -= pw - width();
        if (x < sr.left()) x += pw - width();
    } else if (x + pw > sr.right() + 1) {
        x -= pw - width();
    }
    x = std::clamp(x, sr.left(), std::max(sr.left(), sr.right() + 1 - pw));

    WritePopupValue(QVariant(Text()));
    if (focusPolicy() != Qt::NoFocus && isEnabled()) setFocus(Qt::OtherFocusReason);
    ShowPopupAt(QPoint(x, y));
    popupShown_ = true;
    if (DisableEdit) {
        editDisabled_ = true;
        UpdateReadOnly();
    }
}

void TCustomComboEdit::CloseUp(bool Accept) {
    if (!popupShown_) return;
    if (QWidget* grabber = QWidget::mouseGrabber(); grabber && grabber != popup_) grabber->releaseMouse();
    QVariant value = ReadPopupValue();
    HidePopupWindow();
    if (focusPolicy() != Qt::NoFocus && isVisible() && isEnabled()) setFocus(Qt::OtherFocusReason);
    editDisabled_ = false;
    UpdateReadOnly();
    update();
    if (Accept && MayAcceptPopupValue(value) && !readOnly_) {
        TakePopupValue(value);
        if (hasFocus()) selectAll();
    }
    popupShown_ = false;
}

void TCustomComboEdit::DoButtonClick() {
    if (readOnly_ && !alwaysEnable_) return;
    if (OnButtonClick) OnButtonClick();
    if (!popup_) return;
    if (!popupShown_) DropDown(true);
    else CloseUp(true);
}

bool TCustomComboEdit::KeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (clickKey_.isEmpty() || buttonWidth_ <= 0) return false;
    const QKeyCombination combo(modifiers & ~Qt::KeypadModifier, Qt::Key(key));
    if (clickKey_[0] != combo) return false;
    DoButtonClick();
    return true;
}

bool TCustomComboEdit::KeyPress(QChar key) {
    if (key == QLatin1Char('\r') || key == QChar(27)) {
        if (!popupShown_) return false;  // goes on to the dialog
        CloseUp(key == QLatin1Char('\r'));
        return true;
    }
    return false;
}

void TCustomComboEdit::Change() {
    if (OnChange) OnChange();
}

void TCustomComboEdit::ApplyMaskedEdit(const QString& edit, int cursor) {
    if (edit != QLineEdit::text()) QLineEdit::setText(edit);
    setCursorPosition(cursor);
    setModified(true);
}

void TCustomComboEdit::MaskedCut() {
    if (isReadOnly() || !hasSelectedText()) return;
    QGuiApplication::clipboard()->setText(selectedText());
    MaskedDelete();
}

void TCustomComboEdit::MaskedPaste() {
    if (isReadOnly()) return;
    QString edit = QLineEdit::text();
    int cursor = cursorPosition();
    mask_.Paste(edit, cursor, selectionStart(), selectionLength(), QGuiApplication::clipboard()->text());
    ApplyMaskedEdit(edit, cursor);
}

void TCustomComboEdit::MaskedDelete() {
    if (isReadOnly()) return;
    QString edit = QLineEdit::text();
    int cursor = cursorPosition();
    mask_.Delete(edit, cursor, selectionStart(), selectionLength());
    ApplyMaskedEdit(edit, cursor);
}

void TCustomComboEdit::keyPressEvent(QKeyEvent* event) {
    if (KeyDown(event->key(), event->modifiers())) {
        event->accept();
        return;
    }
    const QString text = event->text();
    const bool ctrl = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    if (text.size() == 1 && !ctrl && KeyPress(text[0])) {
        event->accept();
        return;
    }
    const int key = event->key();
    if (!mask_.IsMasked() || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (!isReadOnly()) {
        QString edit = QLineEdit::text();
        int cursor = cursorPosition();
        if (event->matches(QKeySequence::Paste)) {
            MaskedPaste();
            return;
        }
        if (event->matches(QKeySequence::Cut)) {
            MaskedCut();
            return;
        }
        if (key == Qt::Key_Backspace) {
            mask_.Backspace(edit, cursor, selectionStart(), selectionLength());
            ApplyMaskedEdit(edit, cursor);
            return;
        }
        if (key == Qt::Key_Delete) {
            MaskedDelete();
            return;
        }
        if (text.size() == 1 && text[0].isPrint() && !ctrl) {
            if (mask_.TypeChar(edit, cursor, selectionStart(), selectionLength(), text[0]))
                ApplyMaskedEdit(edit, cursor);
            else
                QApplication::beep();
            return;
        }
    }
    // Moving about and selecting: the edit's own handling, undone should it touch the text.
    const QString before = QLineEdit::text();
    const int cursor = cursorPosition();
    QLineEdit::keyPressEvent(event);
    if (QLineEdit::text() != before) {
        QLineEdit::setText(before);
        setCursorPosition(cursor);
    }
}

void TCustomComboEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (!mask_.IsMasked()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    if (!isReadOnly() && !event->commitString().isEmpty()) {
        QString edit = QLineEdit::text();
        int cursor = cursorPosition();
        int selStart = selectionStart();
        int selLength = selectionLength();
        for (QChar c : event->commitString()) {
            mask_.TypeChar(edit, cursor, selStart, selLength, c);
            selLength = 0;
        }
        ApplyMaskedEdit(edit, cursor);
    }
    event->accept();
}

void TCustomComboEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (popupShown_ && event->reason() != Qt::PopupFocusReason) CloseUp(false);
}

void TCustomComboEdit::mousePressEvent(QMouseEvent* event) {
    if (popupShown_ && event->button() == Qt::LeftButton) CloseUp(false);
    QLineEdit::mousePressEvent(event);
}

void TCustomComboEdit::contextMenuEvent(QContextMenuEvent* event) {
    if (!mask_.IsMasked()) {
        QLineEdit::contextMenuEvent(event);
        return;
    }
    QMenu* menu = createStandardContextMenu();
    for (QAction* action : menu->actions()) {
        const QString name = action->objectName();
        if (name == QLatin1String("edit-undo") || name == QLatin1String("edit-redo")) {
            action->setEnabled(false);
        } else if (name == QLatin1String("edit-cut")) {
            action->disconnect();
            connect(action, &QAction::triggered, this, &TCustomComboEdit::MaskedCut);
        } else if (name == QLatin1String("edit-paste")) {
            action->disconnect();
            connect(action, &QAction::triggered, this, &TCustomComboEdit::MaskedPaste);
        } else if (name == QLatin1String("edit-delete")) {
            action->disconnect();
            connect(action, &QAction::triggered, this, &TCustomComboEdit::MaskedDelete);
        }
    }
    menu->exec(event->globalPos());
    delete menu;
}

// ---- TPopupCalendar -----------------------------------------------------------------------

TPopupCalendar::TPopupCalendar(TCustomComboEdit* owner) : TPopupWindow(owner) {
    resize(std::max(187, 180), std::max(124, 120));
    setFont(PopupFont(owner ? owner->font() : font()));
    auto* back = new QWidget(this);
    back->setGeometry(rect().adjusted(1, 1, -1, -1));
    auto* titlePanel = new QWidget(back);
    const int titleHeight = 18;
    titlePanel->setGeometry(0, 0, back->width(), titleHeight);
    const int w = back->width();
    calendar_ = new TLocCalendar(back);
    calendar_->setGeometry(0, titleHeight, w, back->height() - titleHeight);
    calendar_->installEventFilter(this);
    calendar_->OnChange = [this] { UpdateTitle(); };
    title_ = BuildNavStrip(titlePanel, 14, 31, calendar_, buttons_);
    title_->installEventFilter(this);
    SetColor(clBtnFace);
    UpdateTitle();
}

void TPopupCalendar::SetColor(TColor value) {
    TPopupWindow::SetColor(value);
    if (!calendar_) return;
    calendar_->SetColor(value);
    calendar_->SetFixedColor(value);
    QPalette pal = title_->palette();
    pal.setColor(QPalette::WindowText, ToQColor(clWindowText));
    title_->setPalette(pal);
}

QString TPopupCalendar::TitleText() const {
    return LongMonthName(calendar_->Month()) + FormatDate(QStringLiteral(", YYYY"), calendar_->CalendarDate());
}

void TPopupCalendar::UpdateTitle() {
    if (title_) title_->setText(TitleText());
}

QVariant TPopupCalendar::GetValue() const { return QVariant(calendar_->CalendarDate()); }

void TPopupCalendar::SetValue(const QVariant& value) {
    TDateTime date = Today();
    if (value.isValid() && !value.isNull()) {
        if (value.typeId() == QMetaType::Double) {
            const double d = value.toDouble();
            if (d != EmptyDate && IsValidDate(d)) date = std::trunc(d);
        } else {
            const QString text = value.toString();
            if (!ReplaceAllText(text, QString(DateSeparator()), QString()).trimmed().isEmpty())
                date = TextToDateOr(DefaultDateFormat(fourDigitYear_), text, Today());
        }
    }
    calendar_->SetCalendarDate(date);
    UpdateTitle();
}

bool TPopupCalendar::PopupKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    const bool ctrl = modifiers & Qt::ControlModifier;
    if (key == Qt::Key_PageUp) {
        if (ctrl) calendar_->PrevYear();
        else calendar_->PrevMonth();
        return true;
    }
    if (key == Qt::Key_PageDown) {
        if (ctrl) calendar_->NextYear();
        else calendar_->NextMonth();
        return true;
    }
    return calendar_->KeyDown(key, modifiers);
}

bool TPopupCalendar::PopupKeyPress(QChar key) { return calendar_->KeyPress(key); }

void TPopupCalendar::SetStartOfWeek(TDayOfWeekName value) { calendar_->SetStartOfWeek(value); }
void TPopupCalendar::SetWeekends(TDaysOfWeek value) { calendar_->SetWeekends(value); }
void TPopupCalendar::SetWeekendColor(TColor value) { calendar_->SetWeekendColor(value); }

void TPopupCalendar::SetHints(const QStringList& hints) {
    for (int i = 0; i < 4; ++i) {
        QString hint = QString::fromLatin1(kNavHints[i]);
        if (i < hints.size() && !hints[i].isEmpty()) hint = hints[i];
        buttons_[i]->setToolTip(ShortHint(hint));
    }
}

bool TPopupCalendar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == title_ && event->type() == QEvent::MouseButtonDblClick) {
        calendar_->SetCalendarDate(Today());
        return true;
    }
    if (watched == calendar_ && event->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton && !IsShiftKey(me->modifiers())) {
            int col = 0, row = 0;
            if (calendar_->MouseToCell(me->position().toPoint(), col, row) && row > 0 &&
                !calendar_->CellText(col, row).isEmpty()) {
                CloseUp(true);
                return true;
            }
        }
    }
    return TPopupWindow::eventFilter(watched, event);
}

// ---- TCustomDateEdit ----------------------------------------------------------------------

std::function<void(QWidget*, const QString&)> TCustomDateEdit::ShowConvertError = [](QWidget* edit,
                                                                                      const QString& message) {
    // Shown once the focus change is over; the edit takes the focus back.
    QTimer::singleShot(0, edit, [edit, message] {
        QMessageBox::critical(edit->window(), QApplication::applicationName(), message);
        edit->setFocus(Qt::OtherFocusReason);
        if (auto* line = qobject_cast<QLineEdit*>(edit)) line->selectAll();
    });
};

TCustomDateEdit::TCustomDateEdit(QWidget* parent) : TCustomComboEdit(parent) {
    defaultNumGlyphs_ = 2;
    creating_ = true;
    RefreshFormat();
    CreatePopupCalendar();
    SetGlyphKind(gkDefault);
    creating_ = false;
    formatListener_ = AddDateFormatListener([this] { RefreshMask(); });
}

TCustomDateEdit::~TCustomDateEdit() { RemoveDateFormatListener(formatListener_); }

void TCustomDateEdit::CreatePopupCalendar() {
    auto* popup = new TPopupCalendar(this);
    SetPopup(popup);
    popup->SetColor(popupColor_);
    RefreshPopupSettings();
}

TPopupCalendar* TCustomDateEdit::PopupCalendar() const { return qobject_cast<TPopupCalendar*>(Popup()); }

bool TCustomDateEdit::FourDigits() const {
    switch (yearDigits_) {
    case dyFour: return true;
    case dyTwo: return false;
    case dyDefault: break;
    }
    return DefaultFourDigits();
}

void TCustomDateEdit::RefreshFormat() { displayFormat_ = DefaultDateFormat(FourDigits()); }

QString TCustomDateEdit::CurrentDateMask() const { return DefaultDateMask(blanksChar_, FourDigits()); }

void TCustomDateEdit::RefreshPopupSettings() {
    TPopupCalendar* popup = PopupCalendar();
    if (!popup) return;
    popup->SetStartOfWeek(startOfWeek_);
    popup->SetWeekends(weekends_);
    popup->SetWeekendColor(weekendColor_);
    popup->SetHints(calendarHints_);
    popup->SetFourDigitYear(FourDigits());
}

void TCustomDateEdit::RefreshMask() {
    const TDateTime date = Date();
    const QString oldFormat = displayFormat_;
    RefreshFormat();
    const QString mask = CurrentDateMask();
    const QChar separator = DateSeparator();
    if (mask != EditMask() || oldFormat != displayFormat_ || separator != maskSeparator_) {
        SetEditMask(QString());
        SetEditMask(mask);
        maskSeparator_ = separator;
    }
    RefreshPopupSettings();
    SetDate(date);
}

TDateTime TCustomDateEdit::Date() const {
    return TextToDateOr(displayFormat_, Text(), defaultToday_ ? Today() : EmptyDate);
}

void TCustomDateEdit::SetDate(TDateTime value) {
    if (!IsValidDate(value) || value == EmptyDate) value = defaultToday_ ? Today() : EmptyDate;
    const TDateTime before = Date();
    SetText(value == EmptyDate ? QString() : FormatDate(displayFormat_, value));
    setModified(Date() != before);
}

void TCustomDateEdit::SetDateAndSelect(TDateTime value) {
    SetDate(value);
    selectAll();
}

void TCustomDateEdit::ValidateText() {
    const QString empty = QString(QChar(0)) + QLatin1Char(' ') + blanksChar_ + DateSeparator();
    if (AllCharsIn(Text(), empty)) return;
    formatting_ = true;
    try {
        SetDate(TextToDate(displayFormat_, Text()));
    } catch (...) {
        formatting_ = false;
        throw;
    }
    formatting_ = false;
}

void TCustomDateEdit::SetBlanksChar(QChar value) {
    if (value.unicode() < 32) value = QLatin1Char(' ');
    if (value == blanksChar_) return;
    blanksChar_ = value;
    RefreshMask();
}

TColor TCustomDateEdit::PopupColor() const {
    if (const TPopupWindow* popup = Popup()) return popup->Color();
    return popupColor_;
}

void TCustomDateEdit::SetPopupColor(TColor value) {
    popupColor_ = value;
    if (TPopupWindow* popup = Popup()) popup->SetColor(value);
}

void TCustomDateEdit::SetCalendarHints(const QStringList& value) {
    calendarHints_ = value.mid(0, 4);
    RefreshPopupSettings();
}

void TCustomDateEdit::SetStartOfWeek(TDayOfWeekName value) {
    startOfWeek_ = value;
    RefreshPopupSettings();
}

void TCustomDateEdit::SetWeekends(TDaysOfWeek value) {
    weekends_ = value;
    RefreshPopupSettings();
}

void TCustomDateEdit::SetWeekendColor(TColor value) {
    weekendColor_ = value;
    RefreshPopupSettings();
}

void TCustomDateEdit::SetYearDigits(TYearDigits value) {
    if (value == yearDigits_) return;
    yearDigits_ = value;
    RefreshMask();
}

TCalendarStyle TCustomDateEdit::CalendarStyle() const { return Popup() ? csPopup : csDialog; }

void TCustomDateEdit::SetCalendarStyle(TCalendarStyle value) {
    if (value == CalendarStyle()) return;
    if (value == csPopup) CreatePopupCalendar();
    else SetPopup(nullptr);
}

QImage TCustomDateEdit::DefaultGlyphBitmap() const { return DateEditGlyph(); }

void TCustomDateEdit::WritePopupValue(const QVariant& value) {
    if (TPopupWindow* popup = Popup())
        popup->SetValue(QVariant(TextToDateOr(displayFormat_, value.toString(), Today())));
}

bool TCustomDateEdit::MayAcceptPopupValue(QVariant& value) {
    TDateTime date = value.isValid() && !value.isNull() ? value.toDouble() : EmptyDate;
    bool action = true;
    if (OnAcceptDate) OnAcceptDate(this, date, action);
    value = QVariant(date);
    return action;
}

void TCustomDateEdit::TakePopupValue(const QVariant& value) {
    formatting_ = true;
    SetDate(value.toDouble());
    formatting_ = false;
    if (isModified()) TCustomComboEdit::Change();
}

void TCustomDateEdit::DoButtonClick() {
    if (Popup()) {
        TCustomComboEdit::DoButtonClick();
        return;
    }
    if (ReadOnly() && !AlwaysEnable()) return;
    if (OnButtonClick) OnButtonClick();
    TDateTime date = Date();
    if (!SelectDate(this, date, dialogTitle_, startOfWeek_, weekends_, weekendColor_, calendarHints_)) return;
    bool action = true;
    if (OnAcceptDate) OnAcceptDate(this, date, action);
    if (action) SetDateAndSelect(date);
}

bool TCustomDateEdit::KeyDown(int key, Qt::KeyboardModifiers modifiers) {
    const bool keypad = modifiers & Qt::KeypadModifier;
    const bool plusMinus = keypad && (key == Qt::Key_Plus || key == Qt::Key_Minus);
    if (IsPopupShown() && (plusMinus || key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Left ||
                           key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down)) {
        Popup()->PopupKeyDown(key, modifiers);
        return true;
    }
    if (plusMinus && !IsShiftKey(modifiers) && DirectInput()) {
        if (!ReadOnly()) {
            TDateTime date = Date();
            if (date == EmptyDate) date = Today();
            SetDateAndSelect(date + (key == Qt::Key_Plus ? 1 : -1));
        }
        return true;
    }
    return TCustomComboEdit::KeyDown(key, modifiers);
}

bool TCustomDateEdit::KeyPress(QChar key) {
    const bool today = key == QLatin1Char('T') || key == QLatin1Char('t');
    const bool sign = key == QLatin1Char('+') || key == QLatin1Char('-');
    if (IsPopupShown() && (today || sign)) {
        Popup()->PopupKeyPress(key);
        return true;
    }
    if (DirectInput() && (today || sign)) {
        if (today && !ReadOnly()) SetDate(Today());
        return true;
    }
    return TCustomComboEdit::KeyPress(key);
}

void TCustomDateEdit::Change() {
    if (!formatting_) TCustomComboEdit::Change();
}

void TCustomDateEdit::focusOutEvent(QFocusEvent* event) {
    TCustomComboEdit::focusOutEvent(event);
    if (!checkOnExit_) return;
    // Only leaving for another control of the window checks the date: switching to another
    // window, opening a menu or the drop-down calendar is no leaving.
    switch (event->reason()) {
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
    case Qt::MenuBarFocusReason:
        return;
    default:
        break;
    }
    try {
        ValidateText();
    } catch (const EConvertError& error) {
        if (ShowConvertError) ShowConvertError(this, error.Text());
    }
}

TDateEdit::TDateEdit(QWidget* parent) : TCustomDateEdit(parent) { RefreshMask(); }

// ---- TSelectDateDlg -----------------------------------------------------------------------

TSelectDateDlg::TSelectDateDlg(QWidget* parent, TDateTime date) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Select a Date"));
    XPMenu1 = new TXPMenu(this);
    setFixedSize(226, 190);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(clBtnFace));
    setPalette(pal);
    setAutoFillBackground(true);
    auto* titlePanel = new QWidget(this);
    titlePanel->setGeometry(4, 4, width() - 8, 22);
    calendar_ = new TRxCalendar(this);
    calendar_->setGeometry(4, 30, width() - 8, 122);
    calendar_->SetUseCurrentDate(false);
    calendar_->SetCalendarDate(date == EmptyDate || !IsValidDate(date) ? Today() : std::trunc(date));
    calendar_->installEventFilter(this);
    calendar_->OnChange = [this] { UpdateTitle(); };
    title_ = BuildNavStrip(titlePanel, 18, 40, calendar_, buttons_);
    title_->installEventFilter(this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(width() - 160, height() - 32, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setGeometry(width() - 80, height() - 32, 75, 25);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    calendar_->setFocus();
    UpdateTitle();
    XPMenu1->SetActive(true);
}

TDateTime TSelectDateDlg::Date() const { return calendar_->CalendarDate(); }

QString TSelectDateDlg::TitleText() const { return FormatDate(QStringLiteral("MMMM, YYYY"), calendar_->CalendarDate()); }

void TSelectDateDlg::UpdateTitle() { title_->setText(TitleText()); }

void TSelectDateDlg::SetHints(const QStringList& hints) {
    for (int i = 0; i < 4; ++i) {
        QString hint = QString::fromLatin1(kNavHints[i]);
        if (i < hints.size() && !hints[i].isEmpty()) hint = hints[i];
        buttons_[i]->setToolTip(ShortHint(hint));
    }
}

void TSelectDateDlg::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (event->key() == Qt::Key_PageUp) {
        if (ctrl) calendar_->PrevYear();
        else calendar_->PrevMonth();
        return;
    }
    if (event->key() == Qt::Key_PageDown) {
        if (ctrl) calendar_->NextYear();
        else calendar_->NextMonth();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TSelectDateDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == title_) {
            calendar_->SetCalendarDate(Today());
            return true;
        }
        if (watched == calendar_) {
            auto* me = static_cast<QMouseEvent*>(event);
            int col = 0, row = 0;
            if (calendar_->MouseToCell(me->position().toPoint(), col, row) && row > 0 &&
                !calendar_->CellText(col, row).isEmpty())
                accept();
            return true;
        }
    }
    if (watched == calendar_ && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (ke->key() == Qt::Key_PageUp || ke->key() == Qt::Key_PageDown) {
            keyPressEvent(ke);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool SelectDate(QWidget* parent, TDateTime& date, const QString& title, TDayOfWeekName startOfWeek,
                TDaysOfWeek weekends, TColor weekendColor, const QStringList& hints) {
    TSelectDateDlg dlg(parent, date);
    dlg.setWindowTitle(title);
    dlg.Calendar()->SetStartOfWeek(startOfWeek);
    dlg.Calendar()->SetWeekends(weekends);
    dlg.Calendar()->SetWeekendColor(weekendColor);
    dlg.SetHints(hints);
    if (QScreen* s = parent ? parent->screen() : QGuiApplication::primaryScreen())
        dlg.move(s->geometry().center() - dlg.rect().center());
    if (dlg.exec() != QDialog::Accepted) return false;
    date = dlg.Date();
    return true;
}
