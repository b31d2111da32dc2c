// Date edit: the edit mask rules, the text round trip under a two-digit-year locale, typing,
// the drop-down calendar and its keys, and the button.
#include "controls/dateedit.h"
#include "controls/rxcalendar.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include "qtapp.h"

namespace {

TDateTime D(int y, int m, int d) { return EncodeDate(y, m, d); }

using vxtest::Click;
using vxtest::Key;

void Type(QWidget* w, const QString& s) {
    for (QChar c : s) Key(w, c.isDigit() ? Qt::Key_0 + (c.unicode() - '0') : Qt::Key_unknown, Qt::NoModifier, QString(c));
}
void Escape(QWidget* w) { Key(w, Qt::Key_Escape, Qt::NoModifier, QString(QChar(27))); }

// A locale with a two-digit year for the process (Qt's default and the C library's), put back
// afterwards.
class TwoDigitLocale {
public:
    TwoDigitLocale() : savedQt_(QLocale()) {
        const char* current = std::setlocale(LC_ALL, nullptr);
        savedC_ = current ? current : "C";
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        if (!std::setlocale(LC_ALL, "en_US.UTF-8")) std::setlocale(LC_ALL, "en_US");
    }
    ~TwoDigitLocale() {
        QLocale::setDefault(savedQt_);
        std::setlocale(LC_ALL, savedC_.c_str());
    }

private:
    QLocale savedQt_;
    std::string savedC_;
};

// A date edit on a shown form.
struct ShownEdit {
    QApplication* App = vxtest::App();  // before the form
    QWidget Form;
    TDateEdit* Edit;
    explicit ShownEdit(QRect form = QRect(0, 0, 400, 300), QPoint at = QPoint(10, 10)) {
        Form.setGeometry(form);
        Edit = new TDateEdit(&Form);
        Edit->move(at);
        Form.show();
    }
};

}  // namespace

TEST(DateEditMask, ParseAndFormat) {
    TEditMask mask("!9999/99/99;1; ");
    ASSERT_EQ(mask.Length(), 10);
    EXPECT_EQ(mask.Literal(4), QLatin1Char('-'));  // "/" is the program's separator
    EXPECT_TRUE(mask.SaveLiterals());
    const std::pair<const char*, const char*> formats[] = {
        {"2024-01-05", "2024-01-05"}, {"", "    -  -  "}, {"abcd", "    -  -  "}, {"20240105", "2024-01-05"},
        {"2024-1-5", "2024-1 -5 "},  // short fields wait for their literal
        {"2024/1/5", "2024-1 -5 "},  // another separator still ends a field
        {"2024-01-05-and-more", "2024-01-05"}};
    for (auto [text, formatted] : formats) EXPECT_EQ(mask.Format(text), formatted) << text;
    EXPECT_EQ(mask.TextOf("20"), "20  -  -  ");  // a damaged edit text is padded

    TEditMask underscore("!9999/99/99;1;_");
    EXPECT_EQ(underscore.Format("    -01-05"), "____-01-05");
    EXPECT_EQ(underscore.TextOf("____-01-_5"), "    -01- 5");  // empty positions read as blanks

    TEditMask plain(">LL\\/00;0;*");
    EXPECT_EQ(plain.Literal(2), QLatin1Char('/'));  // escaped: not the date separator
    EXPECT_FALSE(plain.SaveLiterals());
    EXPECT_EQ(plain.Format("ab12"), "AB/12");
    EXPECT_EQ(plain.TextOf("AB/1*"), "AB1 ");
    EXPECT_FALSE(TEditMask("").IsMasked());
}

TEST(DateEditMask, TypingDeletingPasting) {
    TEditMask mask("!9999/99/99;1; ");
    QString edit = mask.EmptyText();
    int cursor = 0;
    for (QChar c : QString("2024")) ASSERT_TRUE(mask.TypeChar(edit, cursor, -1, 0, c));
    EXPECT_EQ(cursor, 5);  // past the literal
    EXPECT_FALSE(mask.TypeChar(edit, cursor, -1, 0, 'x'));
    ASSERT_TRUE(mask.TypeChar(edit, cursor, -1, 0, '1'));
    ASSERT_TRUE(mask.TypeChar(edit, cursor, -1, 0, '-'));  // skips the rest of the month
    EXPECT_EQ(cursor, 8);
    ASSERT_TRUE(mask.TypeChar(edit, cursor, -1, 0, '5'));
    EXPECT_EQ(edit, "2024-1 -5 ");
    ASSERT_TRUE(mask.TypeChar(edit, cursor, -1, 0, '6'));
    EXPECT_EQ(cursor, 10);
    EXPECT_FALSE(mask.TypeChar(edit, cursor, -1, 0, '7'));  // the end
    mask.Backspace(edit, cursor, -1, 0);
    EXPECT_EQ(edit, "2024-1 -5 ");
    EXPECT_EQ(cursor, 9);
    cursor = 8;
    mask.Backspace(edit, cursor, -1, 0);  // over the literal to the month
    EXPECT_EQ(edit, "2024-1 -5 ");
    EXPECT_EQ(cursor, 6);
    cursor = 0;
    mask.Delete(edit, cursor, -1, 0);
    EXPECT_EQ(edit, " 024-1 -5 ");
    mask.Delete(edit, cursor, 0, 10);
    EXPECT_EQ(edit, "    -  -  ");
    EXPECT_EQ(cursor, 0);
    // Typing over a selection empties it first; a refused key leaves it.
    edit = "2024-01-05";
    cursor = 10;
    EXPECT_FALSE(mask.TypeChar(edit, cursor, 5, 2, 'x'));
    EXPECT_EQ(edit, "2024-01-05");
    ASSERT_TRUE(mask.TypeChar(edit, cursor, 5, 2, '1'));
    EXPECT_EQ(edit, "2024-1 -05");
    mask.Paste(edit, cursor, 0, 10, "1999-12-31 and the rest");
    EXPECT_EQ(edit, "1999-12-31");
    cursor = 0;
    mask.Paste(edit, cursor, -1, 0, "20");
    EXPECT_EQ(edit, "2099-12-31");
}

TEST(DateEdit, ButtonGlyphHintsAndBlanks) {
    vxtest::App();
    TDateEdit edit;
    edit.SetButtonWidth(1);
    EXPECT_TRUE(edit.ButtonContainer()->isHidden());
    edit.SetGlyph(QImage(10, 10, QImage::Format_RGB32));
    EXPECT_EQ(edit.GlyphKind(), gkCustom);
    // A hint is cut at "|"; an empty one keeps the default.
    edit.SetCalendarHints({"a|x", "", "c", "d", "e", "f"});
    EXPECT_EQ(edit.CalendarHints().size(), 4);
    EXPECT_EQ(edit.PopupCalendar()->NavButton(0)->toolTip(), "a");
    EXPECT_EQ(edit.PopupCalendar()->NavButton(1)->toolTip(), "Previous Month");
    edit.SetBlanksChar(QChar(7));
    EXPECT_EQ(edit.BlanksChar(), QLatin1Char(' '));
}

TEST(DateEdit, RoundTripUnderTwoDigitYearLocale) {
    vxtest::App();
    TwoDigitLocale locale;
    ASSERT_EQ(QLocale().dateFormat(QLocale::ShortFormat).count(QLatin1Char('y')), 2);
    TDateEdit edit;
    EXPECT_EQ(edit.EditMask(), "!9999/99/99;1; ");
    edit.SetText("2024-01-05");
    EXPECT_EQ(edit.Text(), "2024-01-05");
    EXPECT_EQ(edit.Date(), D(2024, 1, 5));
    edit.SetText("    -  -  ");
    EXPECT_EQ(edit.Date(), EmptyDate);
    edit.SetDate(D(1999, 12, 31));
    EXPECT_EQ(edit.Text(), "1999-12-31");
    edit.SetYearDigits(dyFour);  // a refresh keeps the program's order and separator
    edit.RefreshMask();
    EXPECT_EQ(edit.Text(), "1999-12-31");
}

TEST(DateEdit, FollowsTheProgramDateFormat) {
    vxtest::App();
    TDateEdit edit;
    edit.SetDate(D(2024, 1, 5));
    SetShortDateFormat("d.M.yy", '.');
    EXPECT_EQ(edit.EditMask(), "!99/99/99;1; ");
    EXPECT_EQ(edit.DisplayFormat(), "DD/MM/YY");
    EXPECT_EQ(edit.Text(), "05.01.24");
    EXPECT_EQ(edit.Date(), D(2024, 1, 5));
    edit.SetYearDigits(dyFour);
    EXPECT_EQ(edit.Text(), "05.01.2024");
    SetShortDateFormat("yyyy-M-d", '-');
    EXPECT_EQ(edit.Text(), "2024-01-05");
    edit.SetYearDigits(dyTwo);
    EXPECT_EQ(edit.Text(), "24-01-05");
    edit.SetYearDigits(dyDefault);
    edit.SetBlanksChar('_');
    EXPECT_EQ(edit.EditMask(), "!9999/99/99;1;_");
    EXPECT_EQ(edit.Text(), "2024-01-05");
    edit.SetText("");
    EXPECT_EQ(edit.text(), "____-__-__");
    EXPECT_EQ(edit.Text(), "    -  -  ");
}

TEST(DateEdit, DateReadAndWrite) {
    vxtest::App();
    TDateEdit edit;
    edit.SetText("2025-02-29");  // no date: reads as the default
    EXPECT_EQ(edit.Text(), "2025-02-29");
    EXPECT_EQ(edit.Date(), EmptyDate);
    edit.SetDefaultToday(true);
    EXPECT_EQ(edit.Date(), Today());
    edit.SetDate(EmptyDate);
    EXPECT_EQ(edit.Date(), Today());
    edit.SetDefaultToday(false);
    edit.SetDate(D(2024, 2, 29));
    EXPECT_TRUE(edit.isModified());
    edit.SetDate(D(2024, 2, 29));
    EXPECT_FALSE(edit.isModified());
    edit.SetDate(1e12);  // invalid: cleared
    EXPECT_EQ(edit.Text(), "    -  -  ");
    edit.SetDate(D(2024, 3, 1) + 0.5);
    EXPECT_EQ(edit.Text(), "2024-03-01");

    edit.SetText("2024-13-01");
    EXPECT_THROW(edit.ValidateText(), EConvertError);
    EXPECT_EQ(edit.Text(), "2024-13-01");  // the text stays
    edit.SetText("2024-1 -5 ");
    int changes = 0;
    edit.OnChange = [&] { ++changes; };
    edit.ValidateText();
    EXPECT_EQ(edit.Text(), "2024-01-05");
    EXPECT_EQ(changes, 0);  // the edit's own formatting is no change
    edit.SetText("    -  -  ");
    edit.ValidateText();  // empty is fine
    EXPECT_EQ(changes, 1);

    QString shown;
    auto saved = TCustomDateEdit::ShowConvertError;
    TCustomDateEdit::ShowConvertError = [&](QWidget*, const QString& m) { shown = m; };
    edit.SetCheckOnExit(true);
    edit.SetText("2024-00-01");
    // Only leaving for another control checks: not a window switch, a menu or the calendar.
    for (auto [reason, checks] : {std::pair{Qt::ActiveWindowFocusReason, false}, {Qt::PopupFocusReason, false},
                                  {Qt::MenuBarFocusReason, false}, {Qt::TabFocusReason, true},
                                  {Qt::MouseFocusReason, true}}) {
        shown.clear();
        QFocusEvent out(QEvent::FocusOut, reason);
        QApplication::sendEvent(&edit, &out);
        EXPECT_EQ(shown, checks ? "'2024-00-01' is not a valid date" : "") << reason;
    }
    TCustomDateEdit::ShowConvertError = saved;
}

TEST(DateEdit, TypingThroughKeys) {
    vxtest::App();
    TDateEdit edit;
    int changes = 0;
    edit.OnChange = [&] { ++changes; };
    edit.setCursorPosition(0);
    Type(&edit, "20240105");
    EXPECT_EQ(edit.Text(), "2024-01-05");
    EXPECT_EQ(changes, 8);
    EXPECT_TRUE(edit.isModified());
    edit.SetText("2024-1 -5 ");
    EXPECT_EQ(edit.Date(), D(2024, 1, 5));
    edit.setCursorPosition(9);
    Key(&edit, Qt::Key_Backspace, Qt::NoModifier, "\b");
    EXPECT_EQ(edit.Text(), "2024-1 -  ");
    edit.selectAll();
    Key(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.Text(), "    -  -  ");
    // Keys of the edit that would insert or remove text do not break the mask.
    edit.SetText("2024-01-05");
    edit.setCursorPosition(10);
    Key(&edit, Qt::Key_Backspace, Qt::ControlModifier);
    Key(&edit, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(edit.Text().size(), 10);
    QGuiApplication::clipboard()->setText("1999-12-31");
    edit.selectAll();
    Key(&edit, Qt::Key_V, Qt::ControlModifier, QString(QChar(22)));
    EXPECT_EQ(edit.Text(), "1999-12-31");

    // T sets today, + and - are swallowed, numeric-pad + and - step a day.
    edit.SetDate(D(2024, 2, 28));
    Key(&edit, Qt::Key_Plus, Qt::KeypadModifier, "+");
    EXPECT_EQ(edit.Date(), D(2024, 2, 29));
    Key(&edit, Qt::Key_Plus, Qt::KeypadModifier, "+");
    EXPECT_EQ(edit.Date(), D(2024, 3, 1));
    Key(&edit, Qt::Key_Minus, Qt::NoModifier, "-");
    EXPECT_EQ(edit.Text(), "2024-03-01");
    Key(&edit, Qt::Key_T, Qt::NoModifier, "t");
    EXPECT_EQ(edit.Date(), Today());
    edit.SetText("");
    Key(&edit, Qt::Key_Minus, Qt::KeypadModifier, "-");
    EXPECT_EQ(edit.Date(), Today() - 1);
    // Read-only: nothing changes.
    edit.SetReadOnly(true);
    edit.SetDate(D(2024, 2, 28));
    Key(&edit, Qt::Key_Plus, Qt::KeypadModifier, "+");
    Key(&edit, Qt::Key_T, Qt::NoModifier, "T");
    edit.setCursorPosition(0);
    Type(&edit, "1");
    EXPECT_EQ(edit.Date(), D(2024, 2, 28));
    // Without direct input the text is read-only, but the calendar still works.
    edit.SetReadOnly(false);
    edit.SetDirectInput(false);
    EXPECT_TRUE(edit.isReadOnly());
    Key(&edit, Qt::Key_Down, Qt::AltModifier);
    EXPECT_TRUE(edit.IsPopupShown());
    Escape(&edit);
    EXPECT_FALSE(edit.IsPopupShown());
}

TEST(DateEdit, DropDownCalendarWithKeys) {
    ShownEdit shown(QRect(0, 0, 400, 300), QPoint(300, 20));
    TDateEdit* edit = shown.Edit;
    edit->SetText("2024-01-31");
    int changes = 0, accepted = 0;
    edit->OnChange = [&] { ++changes; };
    edit->OnAcceptDate = [&](TCustomDateEdit*, TDateTime&, bool&) { ++accepted; };

    Key(edit, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(edit->IsPopupShown());
    TPopupCalendar* popup = edit->PopupCalendar();
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->GetValue().toDouble(), D(2024, 1, 31));
    EXPECT_TRUE(edit->isReadOnly());
    // Below the edit, right edges aligned.
    const QPoint editOrigin = edit->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(popup->pos(), QPoint(editOrigin.x() + edit->width() - popup->width(), editOrigin.y() + edit->height()));

    Key(popup, Qt::Key_PageDown);  // keys reaching the popup go through the edit
    EXPECT_EQ(popup->GetValue().toDouble(), D(2024, 2, 29));
    Key(edit, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(popup->GetValue().toDouble(), D(2023, 2, 28));
    Key(edit, Qt::Key_Right);
    Key(edit, Qt::Key_Plus, Qt::KeypadModifier, "+");
    EXPECT_EQ(popup->GetValue().toDouble(), D(2023, 3, 2));
    EXPECT_EQ(popup->TitleText(), "March, 2023");
    Escape(edit);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(edit->Text(), "2024-01-31");  // nothing taken
    EXPECT_FALSE(edit->isReadOnly());
    EXPECT_EQ(changes, 0);

    edit->DoButtonClick();
    ASSERT_TRUE(edit->IsPopupShown());
    Key(edit, Qt::Key_Left);
    Key(popup, Qt::Key_Return, Qt::NoModifier, "\r");
    EXPECT_FALSE(edit->IsPopupShown());
    EXPECT_EQ(edit->Text(), "2024-01-30");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(accepted, 1);

    // The accept event may change the date or refuse it.
    edit->OnAcceptDate = [](TCustomDateEdit*, TDateTime& d, bool&) { d = D(2000, 1, 1); };
    edit->DoButtonClick();
    edit->DoButtonClick();  // a second click closes accepting
    EXPECT_EQ(edit->Text(), "2000-01-01");
    edit->OnAcceptDate = [](TCustomDateEdit*, TDateTime&, bool& action) { action = false; };
    edit->DoButtonClick();
    Key(edit, Qt::Key_T, Qt::NoModifier, "T");  // today in the calendar
    EXPECT_EQ(popup->GetValue().toDouble(), Today());
    edit->CloseUp(true);
    EXPECT_EQ(edit->Text(), "2000-01-01");

    // An empty edit opens on today; a read-only one does not open.
    edit->SetText("");
    edit->DropDown(true);
    EXPECT_EQ(popup->GetValue().toDouble(), Today());
    edit->CloseUp(false);
    EXPECT_EQ(edit->Text(), "    -  -  ");
    edit->SetReadOnly(true);
    edit->DoButtonClick();
    edit->DropDown(false);
    EXPECT_FALSE(edit->IsPopupShown());
}

TEST(DateEdit, MouseOnButtonAndCalendar) {
    ShownEdit shown;
    TDateEdit* edit = shown.Edit;
    edit->SetText("2025-06-15");
    TEditButton* button = edit->Button();
    Click(button, QPoint(5, 5));
    ASSERT_TRUE(edit->IsPopupShown());
    // A press on the button while shown closes accepting; its click does nothing.
    vxtest::Mouse(button, QEvent::MouseButtonPress, QPoint(5, 5));
    EXPECT_FALSE(edit->IsPopupShown());
    vxtest::Mouse(button, QEvent::MouseButtonRelease, QPoint(5, 5));
    EXPECT_FALSE(edit->IsPopupShown());

    edit->DropDown(true);
    TLocCalendar* cal = edit->PopupCalendar()->Calendar();
    Click(cal, cal->CellRect(4, 4).center());
    EXPECT_FALSE(edit->IsPopupShown());
    EXPECT_EQ(edit->Text(), "2025-06-20");
    // A click on an empty cell keeps it open; the next-month button steps.
    edit->DropDown(true);
    Click(cal, cal->CellRect(0, 1).center());
    EXPECT_TRUE(edit->IsPopupShown());
    Click(edit->PopupCalendar()->NavButton(2), QPoint(3, 3));
    EXPECT_EQ(cal->CalendarDate(), D(2025, 7, 20));
    // A press outside the popup cancels.
    vxtest::Mouse(edit->PopupCalendar(), QEvent::MouseButtonPress, QPoint(-50, -50));
    EXPECT_FALSE(edit->IsPopupShown());
    EXPECT_EQ(edit->Text(), "2025-06-20");
}

TEST(DateEdit, PopupPlacementValuesAndStyle) {
    vxtest::App();
    ShownEdit shown(QGuiApplication::primaryScreen()->geometry());
    TDateEdit* edit = shown.Edit;
    edit->move(0, shown.Form.height() - 30);
    edit->DropDown(false);
    const QPoint origin = edit->mapToGlobal(QPoint(0, 0));
    TPopupCalendar* popup = edit->PopupCalendar();
    EXPECT_EQ(popup->y(), origin.y() - popup->height());  // no room below: above the edit
    EXPECT_EQ(popup->x(), origin.x());  // no room to the left: the right alignment is undone
    EXPECT_FALSE(edit->isReadOnly());   // opened without disabling the text
    edit->CloseUp(false);
    edit->SetPopupAlign(epaLeft);
    edit->move(shown.Form.width() - 150, 10);
    edit->DropDown(false);
    EXPECT_EQ(popup->x() + popup->width(), edit->mapToGlobal(QPoint(0, 0)).x() + edit->width());
    edit->CloseUp(false);

    const std::pair<QVariant, TDateTime> values[] = {
        {QString("    -  -  "), Today()}, {QString("2024-02-29"), D(2024, 2, 29)}, {EmptyDate, Today()},
        {D(1999, 1, 2), D(1999, 1, 2)},   {QVariant(), Today()}};
    for (const auto& [value, date] : values) {
        popup->SetValue(value);
        EXPECT_EQ(popup->GetValue().toDouble(), date) << value.toString().toStdString();
    }

    edit->SetPopupColor(clWindow);
    edit->SetCalendarStyle(csDialog);
    EXPECT_EQ(edit->Popup(), nullptr);
    edit->DropDown(true);
    EXPECT_FALSE(edit->IsPopupShown());
    edit->SetCalendarStyle(csPopup);
    ASSERT_NE(edit->PopupCalendar(), nullptr);
    EXPECT_EQ(edit->PopupColor(), clWindow);
}

TEST(DateEdit, SelectDateDialog) {
    vxtest::App();
    EXPECT_EQ(TSelectDateDlg(nullptr, EmptyDate).Date(), Today());
    TSelectDateDlg dlg(nullptr, D(2024, 1, 31));
    Key(&dlg, Qt::Key_PageDown);
    EXPECT_EQ(dlg.Date(), D(2024, 2, 29));
    Key(&dlg, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(dlg.Date(), D(2023, 2, 28));
    EXPECT_EQ(dlg.TitleText(), "February, 2023");
    dlg.SetHints({"", "Back"});
    EXPECT_EQ(dlg.NavButton(0)->toolTip(), "Previous Year");
    EXPECT_EQ(dlg.NavButton(1)->toolTip(), "Back");
}
