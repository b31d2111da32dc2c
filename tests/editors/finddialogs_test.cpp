// The find, replace, filter, advanced-sort and columns dialogs: their checks and what they
// hand back, driven without showing them.
#include "common/bytetext.h"
#include "common/findhistory.h"
#include "common/msgbox.h"
#include "common/programfiles.h"
#include "controls/flatchecklistbox.h"
#include "controls/validedit.h"
#include "editors/formadsortselect.h"
#include "editors/formcolumns.h"
#include "editors/formfilter.h"
#include "editors/formfind.h"
#include "editors/formreplace.h"
#include "qtapp.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

namespace {

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        vxtest::App();
        vx::SetProgramFilesDir(Dir.Root().string() + "/");
    }
    void TearDown() override { vx::SetProgramFilesDir(std::string()); }
    QStringList Asked() const {
        QStringList out;
        for (const TMsgBoxRequest& r : Boxes.Asked) out << r.Text;
        return out;
    }
    vxtest::TempDir Dir;
    ScriptedMsgBox Boxes;
    const QStringList Fields = {QStringLiteral("NAME"), QStringLiteral("AMOUNT"), QStringLiteral("DAY")};
};

}  // namespace

TEST_F(DialogTest, FindChecksTheTextAndFillsTheSearch) {
    vxtest::WriteAll(vx::FindHistoryPath(), "older\nold\n");
    TFindOptions o;
    o.FieldIndex = 7;  // from a wider table
    o.IgnoreCase = false;
    TFormFind form(nullptr, Fields, o, 4);
    EXPECT_EQ(form.cbKeyvalue->currentText(), QStringLiteral("older"));
    EXPECT_EQ(form.cbField->currentIndex(), 0);
    EXPECT_TRUE(form.CheckIgnoreCase->isChecked());
    form.cbKeyvalue->setEditText(QString());
    form.BitBtn1Click();
    form.cbKeyvalue->setEditText(QStringLiteral("\U0001F6005"));  // in no code page
    form.BitBtn1Click();
    EXPECT_EQ(form.result(), 0);
    EXPECT_EQ(Asked(), (QStringList{"Please Enter Text!", CannotHoldMessage(QStringLiteral("\U0001F600"))}));
    form.cbKeyvalue->setEditText(QStringLiteral("OLD"));
    form.cbMatch->setCurrentIndex(2);
    form.cbSearch->setCurrentIndex(1);
    form.cbField->setCurrentIndex(2);
    form.CheckIgnoreCase->setChecked(false);
    form.BitBtn1Click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    const TFindOptions& got = form.Options;
    EXPECT_EQ((std::tuple{got.Text, got.Match, got.Direction, got.FieldIndex, got.IgnoreCase, got.StartRow}),
              (std::tuple{std::string("OLD"), 2, 1, 2, true, 4}));
    EXPECT_EQ(vxtest::ReadAll(vx::FindHistoryPath()), "OLD\nolder\n");
}

TEST_F(DialogTest, ReplaceChecksItsRange) {
    TFindOptions o;
    o.Direction = 1;
    o.StartRow = 9;
    TFormReplace form(nullptr, Fields, o, 5);
    EXPECT_EQ(form.ReplaceFrom->Value(), 1);
    EXPECT_EQ(form.ReplaceTo->Value(), 5);
    EXPECT_FALSE(form.ReplaceFrom->isEnabled());
    form.BitBtn1Click();
    form.cbKeyvalue->setEditText(QStringLiteral("a"));
    form.BitBtn1Click();
    form.EditReplaceValue->setText(QStringLiteral("b"));
    auto range = [&](bool from, int f, bool to, int t) {
        form.cbFrom->setChecked(from);
        form.cbFromClick();
        form.cbTo->setChecked(to);
        form.cbToClick();
        form.ReplaceFrom->SetValue(f);
        form.ReplaceTo->SetValue(t);
        form.BitBtn1Click();
    };
    range(true, 0, false, 0);
    range(false, 0, true, 6);
    range(true, 4, true, 3);
    range(true, -2, false, 0);
    EXPECT_EQ(form.result(), 0);
    EXPECT_EQ(Asked(), (QStringList{"Please enter search text!", "Please enter replace text!"} +
                        QStringList(4, QStringLiteral("From..to.. value error!"))));
    form.cbFrom->setChecked(false);
    form.cbFromClick();  // back to 1, disabled
    EXPECT_EQ(form.ReplaceFrom->Value(), 1);
    form.cbTo->setChecked(true);
    form.cbToClick();
    form.ReplaceTo->SetValue(3);
    form.BitBtn1Click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    const TFindOptions& got = form.Options;  // direction and start untouched
    EXPECT_EQ((std::tuple{got.From, got.To, got.ReplaceText, got.Direction, got.StartRow}),
              (std::tuple{-1, 3, std::string("b"), 1, 9}));
    TFormReplace empty(nullptr, Fields, o, 0);
    EXPECT_EQ(empty.ReplaceFrom->Value(), 0);
}

TEST_F(DialogTest, FilterItemsAreCheckedListedAndHandedBack) {
    TFilterList current = {{{"AMOUNT", 4, "10"}}};
    TFormFilter shown(nullptr, Fields, current, true);
    ASSERT_EQ(shown.lvFilters->topLevelItemCount(), 1);
    EXPECT_EQ(shown.lvFilters->topLevelItem(0)->text(1), QStringLiteral(">="));
    TFormFilter form(nullptr, Fields, current, false);  // not applied: starts empty
    EXPECT_EQ(form.lvFilters->topLevelItemCount(), 0);
    form.BitBtn1Click();  // no conditions: stays open
    EXPECT_EQ(form.result(), 0);
    form.TB_ADDClick();
    form.cbFieldName->setCurrentIndex(0);
    form.TB_ADDClick();
    form.cbCondition->setCurrentIndex(7);
    form.EditValue->setText(QStringLiteral("   "));
    form.TB_ADDClick();
    EXPECT_EQ(Asked(), (QStringList{"Please Select Field Name!", "Please Select Condition!", "Please Enter Value!"}));
    form.EditValue->setText(QStringLiteral(" \u00E9t\u00E9 "));
    form.TB_ADDClick();
    EXPECT_EQ((std::pair{form.cbFieldName->currentIndex(), form.EditValue->text()}), (std::pair{-1, QString()}));
    form.cbFieldName->setCurrentIndex(1);
    form.cbCondition->setCurrentIndex(2);
    form.EditValue->setText(QStringLiteral("5"));
    form.TB_ADDClick();
    form.lvFilters->setCurrentItem(form.lvFilters->topLevelItem(0));
    form.TB_DELClick();
    form.cbFieldName->setCurrentIndex(0);
    form.cbCondition->setCurrentIndex(7);
    form.EditValue->setText(QStringLiteral("\u00E9t\u00E9"));
    form.TB_ADDClick();
    form.BitBtn1Click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    std::string filter;  // the value in bytes of the code page
    for (const auto& group : form.Filter)
        for (const auto& c : group) filter += c.FieldName + " " + std::to_string(c.Operator) + " " + c.Value + ";";
    EXPECT_EQ(filter, "AMOUNT 2 5;NAME 7 \xE9t\xE9;");
}

TEST_F(DialogTest, AdvancedSortMovesKeysAndBuildsThem) {
    const QStringList captions = {QStringLiteral("NAME [C] "), QStringLiteral("AMOUNT [N] "), QStringLiteral("DAY [D] ")};
    const std::vector<TColumnInfo> columns = {{"NAME", 'C', 8, 0}, {"AMOUNT", 'N', 8, 2}, {"DAY", 'D', 8, 0}};
    TFormAdSortSelect form(nullptr, captions, columns);
    // The count of columns left, then the keys with their directions.
    auto lists = [&] {
        QString s = QString::number(form.ListBoxSrc->count());
        for (int i = 0; i < form.ListViewDest->topLevelItemCount(); ++i)
            s += QLatin1Char('|') + form.ListViewDest->topLevelItem(i)->text(0) + form.ListViewDest->topLevelItem(i)->text(1);
        return s;
    };
    EXPECT_FALSE(form.ButtonToRight->isEnabled());
    form.BitBtn1Click();
    EXPECT_EQ(Asked(), QStringList{QStringLiteral("Please Select One Or More Column!")});
    form.ListBoxSrc->setCurrentRow(2);
    EXPECT_TRUE(form.ButtonToRight->isEnabled());
    form.ButtonToRightClick();  // DAY; the selection goes to the first entry
    EXPECT_EQ(form.ListBoxSrc->currentRow(), 0);
    form.ButtonToRightClick();  // NAME
    EXPECT_TRUE(form.ButtonUp->isEnabled());
    form.SetDirection(QStringLiteral("Descending"));  // NAME descending
    form.ButtonUpClick();
    EXPECT_EQ(lists(), QStringLiteral("1|NAME [C] Descending|DAY [D] Ascending"));
    form.BitBtn1Click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    std::string keys;
    for (const auto& k : form.Keys) keys += std::to_string(k.FieldIndex) + k.FieldType + std::to_string(k.Order) + " ";
    EXPECT_EQ(keys, "0C2 2D1 ");
    form.ButtonReverseClick();  // AMOUNT alone on the right, ascending
    EXPECT_EQ(lists(), QStringLiteral("2|AMOUNT [N] Ascending"));
    EXPECT_FALSE(form.ButtonToLeft->isEnabled());
    form.ButtonResetClick();
    EXPECT_EQ(lists(), QStringLiteral("3"));
}

TEST_F(DialogTest, ColumnsHiddenThenShownGetWidth100) {
    const QStringList captions = {QStringLiteral("A [C] "), QStringLiteral("B [N] "), QStringLiteral("C [D] ")};
    TFormColumns form(nullptr, captions, {40, 0, 70});
    auto ticks = [&] { return std::vector<bool>{form.clbColumns->Checked(0), form.clbColumns->Checked(1), form.clbColumns->Checked(2)}; };
    EXPECT_EQ(ticks(), (std::vector<bool>{true, false, true}));
    form.clbColumns->SetItemIndex(0);
    form.ButtonDownClick();  // A moves below B with its tick
    EXPECT_EQ(ticks(), (std::vector<bool>{false, true, true}));
    EXPECT_EQ(form.clbColumns->ItemIndex(), 1);
    form.ButtonNotAllClick();
    form.clbColumns->SetChecked(2, true);  // C
    form.BitBtn1Click();
    EXPECT_EQ(form.Widths, (std::vector<int>{0, 0, 70}));
    EXPECT_EQ(ColumnWidthsAfter(captions, {0, 0, 0}, {captions[0]}), (std::vector<int>{100, 0, 0}));
}
