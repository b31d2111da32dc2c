// The date edit: a masked edit box with a button at its right edge that drops down a month
// calendar.
//
//   auto* edit = new TDateEdit(form);         // mask "9999-99-99" by the program's date format
//   edit->SetText("2024-01-05");              // Text in the form of the mask
//   ...                                        // the button or Alt+Down drops the calendar down
//   QString text = edit->Text();              // "2024-01-05", or "    -  -  " when blank
//   TDateTime d = edit->Date();               // EmptyDate when the text is no date
//
// TCustomComboEdit is the edit-with-button base (TEditButton, TPopupWindow); TEditMask holds the
// mask rules so that they can be used without a widget. TPopupCalendar is the drop-down.
#pragma once

#include "controls/colors.h"
#include "controls/dateutil.h"
#include "controls/rxspeedbutton.h"

#include <QDialog>
#include <QImage>
#include <QKeySequence>
#include <QLineEdit>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class TLocCalendar;
class TRxCalendar;
class TCustomComboEdit;

enum TPopupAlign { epaRight, epaLeft };
enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };
enum TCalendarStyle { csPopup, csDialog };
enum TYearDigits { dyDefault, dyFour, dyTwo };

// An edit mask: the mask characters, then ";" and "0" (literals not kept in the text) or "1",
// then ";" and the character shown for an empty position ("!9999/99/99;1; "). Input positions:
// 0 and 9 digits, # digits and signs, L and l letters, A and a letters and digits, C and c any
// character; ">" upper-cases and "<" lower-cases what follows ("<>" neither); "\" makes the
// next character a literal; "/" stands for the date separator and ":" for the time separator;
// "!" only marks the mask; every other character is a literal.
class TEditMask {
public:
    TEditMask() = default;
    explicit TEditMask(const QString& editMask);

    bool IsMasked() const { return !positions_.empty(); }
    int Length() const { return static_cast<int>(positions_.size()); }
    bool IsInput(int pos) const;
    QChar Literal(int pos) const;
    QChar Blank() const { return blank_; }
    bool SaveLiterals() const { return saveLiterals_; }

    // The edit text with every input position empty.
    QString EmptyText() const;
    // The edit text of a text: its characters go to the input positions in turn, literals of
    // the text meet the mask's literals (a field typed short is padded with blanks), blanks and
    // characters a position does not take leave it empty.
    QString Format(const QString& text) const;
    // The text of an edit text: empty positions as spaces, literals kept when the mask says so.
    QString TextOf(const QString& editText) const;
    // Whether position pos takes c; *stored receives c in the case the mask asks for.
    bool Accepts(int pos, QChar c, QChar* stored = nullptr) const;
    // The first input position at or after pos / the last one before pos; -1 when none.
    int NextInput(int pos) const;
    int PrevInput(int pos) const;

    // Editing of an edit text, with the cursor and the selected range as positions.
    // A typed character fills the next input position (the selection is emptied first); the
    // literal that comes next skips the rest of the field. False when refused.
    bool TypeChar(QString& edit, int& cursor, int selStart, int selLength, QChar c) const;
    void Backspace(QString& edit, int& cursor, int selStart, int selLength) const;
    void Delete(QString& edit, int& cursor, int selStart, int selLength) const;
    // Empties the input positions of a range.
    void Clear(QString& edit, int start, int length) const;
    // Types the characters of a text in turn from the cursor, leaving out what does not fit.
    void Paste(QString& edit, int& cursor, int selStart, int selLength, const QString& text) const;

private:
    struct Position {
        bool input = false;
        QChar maskChar;
        QChar literal;
        int caseMode = 0;  // 0 as typed, 1 upper, 2 lower
    };
    QChar NextLiteral(int pos) const;
    // Fits the edit text to the mask's length (a damaged text becomes empty positions).
    QString Normal(const QString& edit) const;

    std::vector<Position> positions_;
    QChar blank_ = QLatin1Char('_');
    bool saveLiterals_ = true;
};

// The button of a combo edit: a speed button whose left edge blends into the edit.
class TEditButton : public TRxSpeedButton {
    Q_OBJECT
public:
    explicit TEditButton(TCustomComboEdit* edit, QWidget* parent);

protected:
    void PaintButton(QPainter& p) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TCustomComboEdit* edit_;
    bool swallowClick_ = false;
};

// A drop-down window: a bordered popup that leaves the focus with its edit; keys that reach it
// go on to the edit. A left release on its own surface closes it accepting.
class TPopupWindow : public QWidget {
    Q_OBJECT
public:
    explicit TPopupWindow(TCustomComboEdit* owner);

    virtual QVariant GetValue() const;
    virtual void SetValue(const QVariant& value);
    // Keys handed on by the edit while the window is shown; true when used.
    virtual bool PopupKeyDown(int key, Qt::KeyboardModifiers modifiers);
    virtual bool PopupKeyPress(QChar key);

    // Shows the window with its top-left corner at a point of the screen / hides it.
    void Show(QPoint origin);
    void Hide();
    TColor Color() const { return color_; }
    virtual void SetColor(TColor value);

    std::function<void(bool accept)> OnCloseUp;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void CloseUp(bool accept);

    TCustomComboEdit* owner_;

private:
    TColor color_ = clBtnFace;
    bool hiding_ = false;
    bool pressedOnSelf_ = false;
};

class TCustomComboEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TCustomComboEdit(QWidget* parent = nullptr);
    ~TCustomComboEdit() override;

    // The text in the form of the edit mask (the plain text without a mask).
    QString Text() const;
    void SetText(const QString& value);
    QString EditMask() const { return editMask_; }
    void SetEditMask(const QString& value);
    const TEditMask& Mask() const { return mask_; }

    QKeySequence ClickKey() const { return clickKey_; }
    void SetClickKey(const QKeySequence& value) { clickKey_ = value; }
    bool DirectInput() const { return directInput_; }
    void SetDirectInput(bool value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool AlwaysEnable() const { return alwaysEnable_; }
    void SetAlwaysEnable(bool value) { alwaysEnable_ = value; }
    TPopupAlign PopupAlign() const { return popupAlign_; }
    void SetPopupAlign(TPopupAlign value) { popupAlign_ = value; }
    TGlyphKind GlyphKind() const { return glyphKind_; }
    void SetGlyphKind(TGlyphKind value);
    QImage Glyph() const;
    // Turns the glyph kind to gkCustom.
    void SetGlyph(const QImage& value);
    int NumGlyphs() const;
    void SetNumGlyphs(int value);
    // Below 2 hides the button.
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int value);
    QString ButtonHint() const;
    void SetButtonHint(const QString& value);
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool value);

    TEditButton* Button() const { return button_; }
    QWidget* ButtonContainer() const { return container_; }
    TPopupWindow* Popup() const { return popup_; }
    bool IsPopupShown() const { return popupShown_; }

    void DropDown(bool DisableEdit);
    void CloseUp(bool Accept);
    void ShowPopupAt(QPoint origin);
    void HidePopupWindow();
    virtual QVariant ReadPopupValue();
    virtual void WritePopupValue(const QVariant& value);
    virtual bool MayAcceptPopupValue(QVariant& value);
    virtual void TakePopupValue(const QVariant& value);
    virtual void DoButtonClick();
    virtual QImage DefaultGlyphBitmap() const;
    virtual void RefreshMask();

    // Key handling before the edit sees the key: true when used.
    virtual bool KeyDown(int key, Qt::KeyboardModifiers modifiers);
    virtual bool KeyPress(QChar key);

    std::function<void()> OnButtonClick;
    std::function<void()> OnChange;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    virtual void Change();
    // Puts a popup in place of the current one (null for none); the edit owns it.
    void SetPopup(TPopupWindow* popup);
    void UpdateReadOnly();
    void UpdateButtonBounds();
    void RecreateGlyph();
    // Edits of the masked text.
    void MaskedCut();
    void MaskedPaste();
    void MaskedDelete();
    int defaultNumGlyphs_ = 1;

private:
    void ApplyMaskedEdit(const QString& edit, int cursor);
    int FrameWidth() const { return ctl3D_ ? 2 : 1; }

    QWidget* container_ = nullptr;
    TEditButton* button_ = nullptr;
    TPopupWindow* popup_ = nullptr;
    QString editMask_;
    TEditMask mask_;
    QKeySequence clickKey_ = QKeySequence(Qt::ALT | Qt::Key_Down);
    bool directInput_ = true;
    bool readOnly_ = false;
    bool alwaysEnable_ = false;
    bool popupShown_ = false;
    bool editDisabled_ = false;
    TPopupAlign popupAlign_ = epaRight;
    TGlyphKind glyphKind_ = gkCustom;
    int buttonWidth_ = 21;
    bool ctl3D_ = true;
};

// The drop-down of the date edit: a title with the month and year between buttons for the
// previous and next year and month, and the month below.
class TPopupCalendar : public TPopupWindow {
    Q_OBJECT
public:
    explicit TPopupCalendar(TCustomComboEdit* owner);

    // The calendar's date.
    QVariant GetValue() const override;
    // A date moves the calendar there; a text is read with the display format; an empty or
    // null value, EmptyDate or a text of only separators and blanks gives today.
    void SetValue(const QVariant& value) override;
    bool PopupKeyDown(int key, Qt::KeyboardModifiers modifiers) override;
    bool PopupKeyPress(QChar key) override;

    TLocCalendar* Calendar() const { return calendar_; }
    QString TitleText() const;
    // 0 previous year, 1 previous month, 2 next month, 3 next year.
    TRxTimerSpeedButton* NavButton(int index) const { return buttons_[index]; }
    void SetColor(TColor value) override;
    void SetStartOfWeek(TDayOfWeekName value);
    void SetWeekends(TDaysOfWeek value);
    void SetWeekendColor(TColor value);
    // Non-empty lines 1 to 4 replace the hints of the four buttons.
    void SetHints(const QStringList& hints);
    void SetFourDigitYear(bool value) { fourDigitYear_ = value; }
    bool FourDigitYear() const { return fourDigitYear_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateTitle();

    TLocCalendar* calendar_ = nullptr;
    QLabel* title_ = nullptr;
    TRxTimerSpeedButton* buttons_[4] = {};
    bool fourDigitYear_ = true;
};

class TCustomDateEdit : public TCustomComboEdit {
    Q_OBJECT
public:
    explicit TCustomDateEdit(QWidget* parent = nullptr);
    ~TCustomDateEdit() override;

    // The date of the text: the default (today with DefaultToday, else EmptyDate) when the text
    // is no date.
    TDateTime Date() const;
    // An invalid date or EmptyDate writes the default (today with DefaultToday, else an empty
    // text); Modified tells whether the date changed.
    void SetDate(TDateTime value);
    // Writes a date and selects the text.
    void SetDateAndSelect(TDateTime value);
    // A text that is not empty must be a date: throws EConvertError otherwise.
    void ValidateText();
    QString CurrentDateMask() const;
    void RefreshFormat();
    void RefreshPopupSettings();
    void RefreshMask() override;
    QString DisplayFormat() const { return displayFormat_; }

    QChar BlanksChar() const { return blanksChar_; }
    // Characters below 32 become " ".
    void SetBlanksChar(QChar value);
    QString DialogTitle() const { return dialogTitle_; }
    void SetDialogTitle(const QString& value) { dialogTitle_ = value; }
    TColor PopupColor() const;
    void SetPopupColor(TColor value);
    bool CheckOnExit() const { return checkOnExit_; }
    void SetCheckOnExit(bool value) { checkOnExit_ = value; }
    bool DefaultToday() const { return defaultToday_; }
    void SetDefaultToday(bool value) { defaultToday_ = value; }
    QStringList CalendarHints() const { return calendarHints_; }
    // Keeps the first four lines.
    void SetCalendarHints(const QStringList& value);
    TDayOfWeekName StartOfWeek() const { return startOfWeek_; }
    void SetStartOfWeek(TDayOfWeekName value);
    TDaysOfWeek Weekends() const { return weekends_; }
    void SetWeekends(TDaysOfWeek value);
    TColor WeekendColor() const { return weekendColor_; }
    void SetWeekendColor(TColor value);
    TYearDigits YearDigits() const { return yearDigits_; }
    void SetYearDigits(TYearDigits value);
    // csPopup while a drop-down calendar exists; csDialog frees it (the button then opens the
    // date dialog).
    TCalendarStyle CalendarStyle() const;
    void SetCalendarStyle(TCalendarStyle value);
    TPopupCalendar* PopupCalendar() const;

    void WritePopupValue(const QVariant& value) override;
    bool MayAcceptPopupValue(QVariant& value) override;
    void TakePopupValue(const QVariant& value) override;
    void DoButtonClick() override;
    QImage DefaultGlyphBitmap() const override;
    bool KeyDown(int key, Qt::KeyboardModifiers modifiers) override;
    bool KeyPress(QChar key) override;

    // May change the accepted date or refuse it (Action false).
    std::function<void(TCustomDateEdit* sender, TDateTime& date, bool& action)> OnAcceptDate;
    // Shows the conversion error when a text fails the check on leaving the control; tests
    // replace it.
    static std::function<void(QWidget* edit, const QString& message)> ShowConvertError;

protected:
    void Change() override;
    void focusOutEvent(QFocusEvent* event) override;
    bool FourDigits() const;
    void CreatePopupCalendar();

private:
    QChar blanksChar_ = QLatin1Char(' ');
    QString dialogTitle_ = QStringLiteral("Select a Date");
    TColor popupColor_ = clBtnFace;
    bool checkOnExit_ = false;
    bool defaultToday_ = false;
    bool formatting_ = false;
    QStringList calendarHints_;
    TDayOfWeekName startOfWeek_ = Mon;
    TDaysOfWeek weekends_ = DayBit(Sun);
    TColor weekendColor_ = clRed;
    TYearDigits yearDigits_ = dyDefault;
    QString displayFormat_;
    QChar maskSeparator_;
    bool creating_ = false;
    int formatListener_ = 0;
};

class TDateEdit : public TCustomDateEdit {
    Q_OBJECT
public:
    explicit TDateEdit(QWidget* parent = nullptr);
};

// The modal date dialog of the csDialog style: a title with the month and year (double-click
// goes to today), buttons for the previous and next year and month, and the month
// (double-click or OK accepts). PageUp and PageDown change the month, with Ctrl the year.
class TXPMenu;

class TSelectDateDlg : public QDialog {
    Q_OBJECT
public:
    // Starts on the date, or today for EmptyDate.
    TSelectDateDlg(QWidget* parent, TDateTime date);
    TDateTime Date() const;
    TRxCalendar* Calendar() const { return calendar_; }
    QString TitleText() const;
    TRxTimerSpeedButton* NavButton(int index) const { return buttons_[index]; }
    void SetHints(const QStringList& hints);
    TXPMenu* XPMenu1 = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateTitle();
    TRxCalendar* calendar_ = nullptr;
    QLabel* title_ = nullptr;
    TRxTimerSpeedButton* buttons_[4] = {};
};

// Runs the date dialog on a date (today for EmptyDate); true and the chosen date on OK.
bool SelectDate(QWidget* parent, TDateTime& date, const QString& title, TDayOfWeekName startOfWeek,
                TDaysOfWeek weekends, TColor weekendColor, const QStringList& hints);
