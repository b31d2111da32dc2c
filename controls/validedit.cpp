#include "controls/validedit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>

namespace numtext {

int InputBase(TInputType type) {
    switch (type) {
    case ItBinary: return 2;
    case ItHexaDecimal: return 16;
    case ItOctal: return 8;
    case ItDecimal: break;
    }
    return 10;
}

QString AllowedChars(TInputType type, bool separators) {
    switch (type) {
    case ItBinary: return QStringLiteral("01");
    case ItHexaDecimal: return QStringLiteral("0123456789abcdefABCDEF");
    case ItOctal: return QStringLiteral("01234567");
    case ItDecimal: break;
    }
    return separators ? QStringLiteral("1234567890,") : QStringLiteral("1234567890");
}

static int DigitValue(QChar c) {
    char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    return 0;
}

std::optional<int32_t> TextToNumber(const QString& text, TInputType type) {
    const int base = InputBase(type);
    qsizetype i = 0;
    bool negative = false;
    if (type == ItDecimal && !text.isEmpty() && text.at(0) == u'-') {
        negative = true;
        i = 1;
    }
    // Decimal: magnitude up to 2^31 (for the negative end); other bases: 32-bit patterns.
    const uint64_t limit = type == ItDecimal ? (negative ? 0x80000000ull : 0x7FFFFFFFull) : 0xFFFFFFFFull;
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        QChar c = text.at(i);
        if (c == u',') continue;
        const int d = DigitValue(c);
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        if (value > limit) return std::nullopt;
    }
    if (type == ItDecimal)
        return negative ? static_cast<int32_t>(-static_cast<int64_t>(value)) : static_cast<int32_t>(value);
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

QString NumberToText(int32_t value, TInputType type, bool separators) {
    const unsigned base = static_cast<unsigned>(InputBase(type));
    bool negative = type == ItDecimal && value < 0;
    uint32_t v = negative ? static_cast<uint32_t>(-static_cast<int64_t>(value)) : static_cast<uint32_t>(value);
    static const char digits[] = "0123456789ABCDEF";
    char buf[40];
    int n = 0;
    do {
        buf[n++] = digits[v % base];
        v /= base;
    } while (v != 0);
    QString out;
    out.reserve(n + 1);
    if (negative) out += u'-';
    while (n > 0) out += QChar::fromLatin1(buf[--n]);
    if (type == ItDecimal && separators) out = GroupThousands(out);
    return out;
}

QString GroupThousands(const QString& text) {
    QString s = text;
    s.remove(u',');
    qsizetype start = !s.isEmpty() && s.at(0) == u'-' ? 1 : 0;
    for (qsizetype pos = s.size() - 3; pos > start; pos -= 3) s.insert(pos, u',');
    return s;
}

QString InvalidValueMessage(const QString& text) {
    return u'"' + text + QStringLiteral("\" is Invalid Value!");
}

bool InRange(int64_t v, int32_t minValue, int32_t maxValue) {
    if (minValue == 0 && maxValue == 0) return true;
    return v <= maxValue && v >= minValue;
}

QString CleanText(const QString& text, TInputType type, bool separators) {
    QString s = text;
    qsizetype first = 0;
    bool negative = type == ItDecimal && !s.isEmpty() && s.at(0) == u'-';
    if (negative) first = 1;
    qsizetype n = first;
    while (n < s.size() && (s.at(n) == u'0' || s.at(n) == u',')) ++n;
    s.remove(first, n - first);
    if (s.size() == first) s = QStringLiteral("0");  // "" and "-" alike
    const QString allowed = AllowedChars(type, separators);
    for (qsizetype i = s.size() - 1; i >= 0; --i) {
        if (i == 0 && negative && s.at(0) == u'-') continue;
        if (!allowed.contains(s.at(i))) s.remove(i, 1);
    }
    return s;
}

EditResult TypeGrouped(const QString& text, int caret, int selStart, int selLength, QChar key) {
    QString s = text;
    const int size = static_cast<int>(s.size());
    bool selected = selLength > 0 && selStart >= 0 && selStart < size;
    if (selected) {
        selLength = std::min(selLength, size - selStart);
        s.remove(selStart, selLength);
        caret = selStart;
    }
    caret = std::clamp(caret, 0, static_cast<int>(s.size()));
    const int fromEnd = static_cast<int>(s.size()) - caret;
    if (key >= u'0' && key <= u'9') {
        s.insert(caret, key);
    } else if (key == u'\b' && !selected && caret > 0) {
        if (s.at(caret - 1) == u',' && caret >= 2)
            s.remove(caret - 2, 2);
        else
            s.remove(caret - 1, 1);
    }
    s = GroupThousands(s);
    return {s, std::max(0, static_cast<int>(s.size()) - fromEnd)};
}

}  // namespace numtext

// ---------------------------------------------------------------------------------------------

TAlignEdit::TAlignEdit(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(this, &QLineEdit::textChanged, this, [this] { Change(); });
}

void TAlignEdit::SetAlignment(TAlignment value) {
    if (value == FAlignment) return;
    FAlignment = value;
    Qt::Alignment h = value == taRightJustify ? Qt::AlignRight : value == taCenter ? Qt::AlignHCenter : Qt::AlignLeft;
    setAlignment(h | Qt::AlignVCenter);
}

void TAlignEdit::Change() {
    if (OnChange) OnChange(this);
}

void TAlignEdit::KeyPress(QChar&) {}

void TAlignEdit::DoExit() {
    if (OnExit) OnExit(this);
}

void TAlignEdit::keyPressEvent(QKeyEvent* event) {
    int key = event->key();
    if (OnKeyDown) {
        OnKeyDown(this, key, event->modifiers());
        if (key == 0) {
            event->accept();
            return;
        }
    }
    QString text = event->text();
    if (text.isEmpty() && event->key() == Qt::Key_Backspace) text = QStringLiteral("\b");
    // Delete types no character (X11 still reports it as the text "\x7f"): the edit deletes.
    if (event->key() == Qt::Key_Delete || text == QStringLiteral("\x7f")) text.clear();
    if (text.size() != 1) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    QChar ch = text.at(0);
    if (OnKeyPress) OnKeyPress(this, ch);
    if (!ch.isNull()) KeyPress(ch);
    if (ch.isNull()) {
        event->accept();
        return;
    }
    if (ch == text.at(0)) {
        QLineEdit::keyPressEvent(event);
    } else {
        // A handler changed the character: the edit takes the new one.
        QKeyEvent changed(event->type(), 0, event->modifiers(), QString(ch));
        QLineEdit::keyPressEvent(&changed);
        event->setAccepted(changed.isAccepted());
    }
}

void TAlignEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (OnEnter) OnEnter(this);
}

void TAlignEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Switching to another window or opening a menu or message box is no leaving.
    switch (event->reason()) {
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
    case Qt::MenuBarFocusReason:
        return;
    default:
        DoExit();
    }
}

// ---------------------------------------------------------------------------------------------

std::function<void(QWidget*, const QString&)> TNumberEdit::ShowInvalidMessage =
    [](QWidget* parent, const QString& text) { QMessageBox::critical(parent, QStringLiteral("Error"), text); };

TNumberEdit::TNumberEdit(QWidget* parent) : TAlignEdit(parent) {
    SetAlignment(taRightJustify);
    setText(QStringLiteral("0"));
}

void TNumberEdit::ReportInvalid() {
    if (OnInvalidEntry)
        OnInvalidEntry(this);
    else if (ShowInvalidMessage)
        ShowInvalidMessage(this, numtext::InvalidValueMessage(text()));
}

bool TNumberEdit::CheckRange(int64_t value, bool parsed) {
    if (parsed && numtext::InRange(value, FMinValue, FMaxValue)) return true;
    ReportInvalid();
    return false;
}

int32_t TNumberEdit::Value() {
    std::optional<int32_t> v = numtext::TextToNumber(text(), FInputType);
    if (!CheckRange(v.value_or(0), v.has_value())) return 0;
    return *v;
}

void TNumberEdit::SetValue(int32_t value) {
    if (!CheckRange(value, true)) return;
    setText(numtext::NumberToText(value, FInputType, FThousandSeparator));
}

void TNumberEdit::SetMaxValue(int32_t value) {
    if (value < FMinValue) return;
    FMaxValue = value;
}

void TNumberEdit::SetMinValue(int32_t value) {
    if (value > FMaxValue) return;
    FMinValue = value;
}

void TNumberEdit::SetInputType(TInputType value) {
    int32_t v = Value();
    FInputType = value;
    if (value != ItDecimal) FThousandSeparator = false;
    SetValue(v);
}

void TNumberEdit::SetThousandSeparator(bool value) {
    if (FInputType != ItDecimal || value == FThousandSeparator) return;
    FThousandSeparator = value;
    SetValue(Value());
}

void TNumberEdit::Change() {
    TAlignEdit::Change();
    QString clean = numtext::CleanText(text(), FInputType, FThousandSeparator);
    if (clean != text()) {
        setText(clean);
        setCursorPosition(static_cast<int>(text().size()));
    }
}

void TNumberEdit::KeyPress(QChar& key) {
    const char16_t c = key.unicode();
    const bool decimal = FInputType == ItDecimal;
    if (c < 32 && !(decimal && c == u'\b')) return;
    if (!decimal) {
        bool ok = FInputType == ItBinary ? (c == '0' || c == '1')
                  : FInputType == ItOctal ? (c >= '0' && c <= '7')
                                          : numtext::AllowedChars(ItHexaDecimal, false).contains(key);
        if (!ok) key = QChar();
        return;
    }
    if (!(c >= '0' && c <= '9') && c != u'\b') {
        key = QChar();
        return;
    }
    // A read-only edit is left to refuse the key itself.
    if (!FThousandSeparator || isReadOnly()) return;
    int selStart = hasSelectedText() ? selectionStart() : -1;
    int selLength = hasSelectedText() ? static_cast<int>(selectedText().size()) : 0;
    numtext::EditResult r = numtext::TypeGrouped(text(), cursorPosition(), selStart, selLength, key);
    setText(r.text);
    setCursorPosition(std::min(r.caret, static_cast<int>(text().size())));
    key = QChar();
}

void TNumberEdit::DoExit() {
    TAlignEdit::DoExit();
    // Read once after the focus change is done, so that an out-of-range entry is reported.
    QTimer::singleShot(0, this, [this] { Value(); });
}
