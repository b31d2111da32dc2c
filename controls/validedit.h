// Single-line edits: TAlignEdit, whose text can be left-aligned, right-aligned or centred, and
// TNumberEdit, which holds a 32-bit integer typed in decimal, binary, hexadecimal or octal with an
// optional range and optional thousand separators. The text rules live in the free functions of
// namespace numtext so that they can be used (and tested) without a widget.
#pragma once

#include "controls/alignment.h"

#include <QLineEdit>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

enum TInputType { ItDecimal, ItBinary, ItHexaDecimal, ItOctal };

namespace numtext {

// 10, 2, 16 or 8.
int InputBase(TInputType type);

// The characters a text of the mode may hold ("1234567890", "01", "0123456789abcdefABCDEF",
// "01234567"); the decimal set also holds "," when separators are on.
QString AllowedChars(TInputType type, bool separators);

// The number a text stands for. Every "," is skipped; an empty text is 0. Each other character
// counts as a digit of the base whatever the base: "0"-"9" as 0-9, "A"-"F" and "a"-"f" as 10-15,
// anything else as 0 (so a pasted "12x" reads 120 before the clean-up removes the "x"). Decimal
// texts are signed values that must fit 32 bits ("4294967297" is no number, it does not wrap).
// Texts of the other bases are 32-bit patterns ("FFFFFFFF" is -1) and may not need more than
// 32 bits.
std::optional<int32_t> TextToNumber(const QString& text, TInputType type);

// The text of a value: digits "0"-"9", "A"-"F", most significant first; 0 is "0". Decimal values
// are signed ("-12"); the other bases show the 32-bit pattern (-1 in hexadecimal is "FFFFFFFF").
// With separators (decimal only) the digits are grouped by three with ",".
QString NumberToText(int32_t value, TInputType type, bool separators = false);

// Removes every "," and puts one before each group of three digits counted from the right
// ("1234567" -> "1,234,567"); a leading "-" stays in front.
QString GroupThousands(const QString& text);

// The message shown when a value is out of range: the text between double quotation marks
// followed by " is Invalid Value!".
QString InvalidValueMessage(const QString& text);

// True when v lies in the range; a range whose bounds are both 0 is no range.
bool InRange(int64_t v, int32_t minValue, int32_t maxValue);

// The clean-up applied after every change of the text: leading "0" and "," go (an empty result
// is "0"; a leading "-" of a decimal text stays), then every character outside the mode's set.
QString CleanText(const QString& text, TInputType type, bool separators);

// One key typed into a decimal edit with separators, done on the text itself: the selection
// [selStart, selStart + selLength) is deleted, then a digit is inserted at the caret, or Backspace
// without a selection deletes the character before the caret (a "," together with the digit
// before it; at the start of the text nothing), then the text is regrouped. The caret keeps its
// distance from the end of the text.
struct EditResult {
    QString text;
    int caret = 0;
};
EditResult TypeGrouped(const QString& text, int caret, int selStart, int selLength, QChar key);

}  // namespace numtext

// An edit whose text alignment is one of three (default left).
class TAlignEdit : public QLineEdit {
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;
    // Key is the Qt key code and may be set to 0 to drop the key.
    using TKeyEvent = std::function<void(QObject* sender, int& key, Qt::KeyboardModifiers shift)>;
    // Key is the typed character and may be set to 0 to drop it.
    using TKeyPressEvent = std::function<void(QObject* sender, QChar& key)>;

    explicit TAlignEdit(QWidget* parent = nullptr);

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);

    QString Text() const { return text(); }
    void SetText(const QString& value) { setText(value); }

    TNotifyEvent OnChange;    // after every change of the text
    TKeyEvent OnKeyDown;      // every key pressed, before the edit handles it
    TKeyPressEvent OnKeyPress;  // every character typed, before the edit handles it
    TNotifyEvent OnEnter;     // the focus came to the edit
    TNotifyEvent OnExit;      // the focus left it for another control of the window

protected:
    // The text changed (typed, pasted or set); fires OnChange.
    virtual void Change();
    // A character typed (after OnKeyPress); a key cleared to 0 is dropped. The default hands it
    // to the edit.
    virtual void KeyPress(QChar& key);
    // The focus left for another control of the window (not for another window or a menu).
    virtual void DoExit();

    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    TAlignment FAlignment = taLeftJustify;
};

// An edit for a 32-bit integer. Starts right-aligned, decimal, without range or separators,
// showing "0".
class TNumberEdit : public TAlignEdit {
public:
    explicit TNumberEdit(QWidget* parent = nullptr);

    // The number shown, range-checked; 0 when the text is out of range or no 32-bit number
    // (the failure has been reported then).
    int32_t Value();
    // Shows the value when it is in range; otherwise reports the failure and keeps the text.
    void SetValue(int32_t value);

    int32_t MaxValue() const { return FMaxValue; }
    void SetMaxValue(int32_t value);  // ignored when below MinValue
    int32_t MinValue() const { return FMinValue; }
    void SetMinValue(int32_t value);  // ignored when above MaxValue

    TInputType InputType() const { return FInputType; }
    // Keeps the value and shows it in the new base; separators go off outside decimal mode.
    void SetInputType(TInputType value);

    bool ThousandSeparator() const { return FThousandSeparator; }
    // Decimal mode only.
    void SetThousandSeparator(bool value);

    // Called instead of the built-in message when a value is out of range.
    TNotifyEvent OnInvalidEntry;

    // Shows the built-in message; tests replace it to see what would be shown.
    static std::function<void(QWidget* parent, const QString& text)> ShowInvalidMessage;

protected:
    void Change() override;
    void KeyPress(QChar& key) override;
    void DoExit() override;

private:
    bool CheckRange(int64_t value, bool parsed);
    void ReportInvalid();

    int32_t FMaxValue = 0;
    int32_t FMinValue = 0;
    TInputType FInputType = ItDecimal;
    bool FThousandSeparator = false;
};
