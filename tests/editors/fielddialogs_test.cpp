// The field dialogs: their checks in order with the exact messages and the control that gets
// the focus, the normalised fill values, and the type lists and defaults of the table kinds.
#include "common/bytetext.h"
#include "common/msgbox.h"
#include "controls/validedit.h"
#include "editors/fieldcheck.h"
#include "editors/fieldtypes.h"
#include "editors/formcreatedbf.h"
#include "editors/formfieldadd.h"
#include "editors/formfielditem.h"
#include "engine/dbf.h"
#include "common/sampletable.h"
#include "qtapp.h"
#include "editortest.h"
#include "testutil.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace fieldcheck;
using namespace fieldtypes;

namespace {

struct TCase {
    const char* Name;
    int Type;
    int Width, Decimals;
    const char* Message;  // "" when accepted
    TControl Control;
};

}  // namespace

TEST(FieldChecks, DesignFieldsInOrder) {
    const std::vector<std::string> others = {"CODE", "name"};
    const TCase cases[] = {
        {"   ", tiCharacter, 5, 0, "Name not allow null value!", cName},
        {"ABCDEFGHIJK", -1, 0, 0, "Field name length <= 10!", cName},  // before the type check
        {" A B ", tiCharacter, 5, 0, "Name not allow blank char!", cName},
        {"NEW", -1, 0, 0, "Type not allow null value!", cType},
        {"Name", -1, 0, 0, "Type not allow null value!", cType},  // the type comes before duplicates
        {"NAME", tiCharacter, 5, 0, "Field name already exist!", cName},  // letter case ignored
        {"NEW", tiCharacter, 255, 0, "field width error!", cWidth},
        {"NEW", tiCharacter, 254, 1, "Field decimal error!", cDecimal},
        {"NEW", tiNumeric, 21, 2, "Field width error!", cWidth},
        {"NEW", tiFloat, 20, 20, "Field decimal error!", cDecimal},
        {"NEW", tiNumeric, 20, 19, "", cNone},
        {"NEW", tiDouble, 8, 19, "Field decimal error!", cDecimal},
        {"ABCDEFGHIJ", tiMemo, 4, 0, "", cNone},
    };
    for (const TCase& c : cases) {
        TFieldInput in{QString::fromUtf8(c.Name), c.Type, c.Width, c.Decimals, {}};
        std::string name;
        TCheck check = CheckDesignField(in, others, name);
        EXPECT_EQ(check.Message.toStdString(), c.Message) << c.Name << " type " << c.Type;
        EXPECT_EQ(check.Control, c.Control) << c.Name;
    }
    // A character no 8-bit code page holds.
    const QString emoji = QString::fromUtf8("FELD\U0001F600");
    QString bad;
    ASSERT_FALSE(TryTextToBytes(emoji, &bad));
    std::string name;
    TCheck check = CheckName(emoji, name);
    EXPECT_EQ(check.Message, CannotHoldMessage(bad));
    EXPECT_EQ(check.Control, cName);
}

TEST(FieldChecks, NewFieldsAndTheirFillValues) {
    struct TFill {
        int Type;
        int Width, Decimals;
        const char* Fill;
        const char* Message;
        const char* Stored;
    };
    const TFill cases[] = {
        {tiCharacter, 5, 0, "ab   ", "", "ab"},
        {tiCharacter, 3, 0, "  abc", "Fill value length error!", ""},  // leading blanks are kept
        {tiNumeric, 10, 10, "", "Field decimal error!", ""},
        {tiNumeric, 10, 9, "1.5", "Fill value length error!", ""},  // "1.500000000" needs 11
        {tiNumeric, 10, 2, "1.5", "", "1.50"},
        {tiNumeric, 6, 2, "abc", "Fill value format error!", ""},
        {tiNumeric, 6, 2, "2.675", "", "2.68"},
        {tiNumeric, 4, 2, "12.5", "Fill value length error!", ""},  // "12.50" needs 5
        {tiNumeric, 8, 2, "-0", "", "0.00"},
        {tiDate, 8, 0, "2024-1-5", "", "20240105"},
        {tiDate, 8, 0, "20240105", "Fill value format error!", ""},
        {tiLogical, 1, 0, "t", "Fill value format error!", ""},
        {tiLogical, 1, 0, "T", "", "T"},
        {tiDateTime, 8, 0, "2024-1-5 7:8", "", "2024-01-05 07:08:00"},
        {tiDateTime, 8, 0, "2024-1-5 25:00", "Fill value format error!", ""},
        {tiInteger, 4, 0, "123456789012", "Fill value format error!", ""},
        {tiInteger, 4, 0, "000000000001", "Fill value length error!", ""},
        {tiInteger, 4, 0, "-2147483648", "", "-2147483648"},
        {tiCurrency, 8, 4, "1.23456", "", "1.2346"},
        {tiCurrency, 8, 4, "1.2.3", "Fill value format error!", ""},
        {tiDouble, 8, 19, "1", "Field decimal error!", ""},
        {tiGeneral, 10, 0, "ignored", "", ""},
    };
    for (const TFill& c : cases) {
        TFieldInput in{QStringLiteral("NEW"), c.Type, c.Width, c.Decimals, QString::fromLatin1(c.Fill)};
        TIptFieldRec rec;
        TCheck check = CheckNewField(in, {}, rec);
        EXPECT_EQ(check.Message.toStdString(), c.Message) << c.Type << " " << c.Fill;
        if (check.Ok()) {
            EXPECT_EQ(rec.FillValue, c.Stored) << c.Type << " " << c.Fill;
            EXPECT_EQ(rec.Type, TypeLetter(c.Type));
        }
    }
    // Memo fills are counted in bytes; the name is looked up as the engine does.
    TIptFieldRec rec;
    TFieldInput memo{QStringLiteral("M"), tiMemo, 10, 0, QString(4097, QLatin1Char('x'))};
    EXPECT_EQ(CheckNewField(memo, {}, rec).Message, QStringLiteral("To long!"));
    TFieldInput dup{QStringLiteral(" name"), tiCharacter, 5, 0, {}};
    auto exists = [](const std::string& n) { return n == "name"; };
    EXPECT_EQ(CheckNewField(dup, exists, rec).Message, QStringLiteral("Field name already exist!"));
    QString bad;
    TFieldInput emoji{QStringLiteral("C"), tiCharacter, 5, 0, QString::fromUtf8("\U0001F600")};
    ASSERT_FALSE(TryTextToBytes(emoji.Fill, &bad));
    TCheck refused = CheckNewField(emoji, {}, rec);
    EXPECT_EQ(refused.Control, cFill);
    EXPECT_EQ(refused.Message, CannotHoldMessage(bad));
}

TEST(FieldTypes, KindsOfVersionBytes) {
    EXPECT_EQ(OfferedTypeCount(kOther), OfferedTypeCount(kFoxBase) - 1);  // no memo layout: no Memo
    const std::tuple<uint8_t, int, int> versions[] = {{0x30, 0, 0}, {0x31, 0, 0}, {0xF5, 1, 1}, {0x03, 2, 2},
                                                      {0x83, 2, 2}, {0x43, 3, 3}, {0x63, 3, 3}, {0x8B, 3, 3},
                                                      {0xCB, 3, 3}, {0x02, 2, 4}, {0xFB, 2, 4}, {0x99, 2, 4}};
    for (const auto& [version, design, table] : versions)
        EXPECT_EQ((std::pair{DesignKindOfVersion(version), TableKindOfVersion(version)}), (std::pair{design, table})) << int(version);
}

// ---- The dialogs themselves ----

TEST(FieldDialogs, AddAndModifyRowsOfTheDesign) {
    vxtest::App();
    ScriptedMsgBox boxes;
    structtest::FixedHost host;
    TFormCreateDBF design(&host);
    design.cbFileType->setCurrentIndex(kFoxPro2);
    design.AddRow({"CODE", "Character", 5, 0});
    {
        TFormAddFieldItem add(&design);
        EXPECT_EQ(add.cbType->currentIndex(), -1);
        EXPECT_FALSE(add.EditWidth->isEnabled());
        add.EditName->setText(QStringLiteral("code"));
        add.cbType->setCurrentIndex(tiCharacter);
        add.EditWidth->SetValue(12);
        add.BitBtn1Click();
        ASSERT_EQ(boxes.Asked.size(), 1u);
        EXPECT_EQ(boxes.Asked[0].Text, QStringLiteral("Field name already exist!"));
        EXPECT_EQ(design.RowCount(), 1);
        // Switching the type back and forth gives the defaults each time.
        add.cbType->setCurrentIndex(tiNumeric);
        add.EditWidth->SetValue(15);
        add.cbType->setCurrentIndex(tiDate);
        add.cbType->setCurrentIndex(tiNumeric);
        EXPECT_EQ(add.EditWidth->Value(), 9);
        EXPECT_EQ(add.EditDecimal->Value(), 2);
        add.EditName->setText(QStringLiteral("AMOUNT"));
        add.BitBtn1Click();
        EXPECT_EQ(add.result(), QDialog::Accepted);
    }
    ASSERT_EQ(design.RowCount(), 2);
    EXPECT_EQ(design.Row(1).TypeName, QStringLiteral("Numeric"));
    // A Currency row of a FoxPro 2.x design shows as Float 20,4; keeping its name is fine.
    design.SetRow(0, {"CODE", "Currency", 8, 4});
    design.SelectRow(0);
    TFormModiFieldItem modify(&design);
    EXPECT_EQ(modify.FormerName, QStringLiteral("CODE"));
    EXPECT_EQ(modify.cbType->currentText(), QStringLiteral("Float"));
    EXPECT_EQ(modify.EditWidth->Value(), 20);
    EXPECT_EQ(modify.EditDecimal->Value(), 4);
    modify.BitBtn1Click();
    EXPECT_EQ(modify.result(), QDialog::Accepted);
    EXPECT_EQ(design.Row(0).TypeName, QStringLiteral("Float"));
    EXPECT_EQ(design.Row(0).Width, 20);
}

TEST(FieldDialogs, NewFieldDialogChecksAgainstTheOpenTable) {
    vxtest::App();
    vxtest::TempDir dir;
    const std::string path = dir.Path("t.dbf");
    CreateTableFile(path, 0x02, {{"NAME", 'C', 8}});  // a kind without memo file
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.Open();
    ScriptedMsgBox boxes;
    TFormFieldAdd add(dbf);
    EXPECT_EQ(add.cbType->count(), OfferedTypeCount(kOther));
    const char* const names[] = {" a b", "name", "DAY"};
    add.cbType->setCurrentIndex(tiDate);
    add.EditFilledValue->setText(QStringLiteral("2024-13-1"));
    for (const char* n : names) {
        add.EditName->setText(QString::fromLatin1(n));
        add.BitBtn1Click();
    }
    QStringList asked;
    for (const TMsgBoxRequest& r : boxes.Asked) asked << r.Text;
    EXPECT_EQ(asked, (QStringList{"Name not allow blank char!", "Field name already exist!", "Fill value format error!"}));
    add.EditFilledValue->setText(QStringLiteral(" 2024-2-29 "));
    add.BitBtn1Click();
    EXPECT_EQ(add.result(), QDialog::Accepted);
    EXPECT_EQ((std::tuple{add.FieldRec.Name, add.FieldRec.FillValue, add.FieldRec.Width}),
              (std::tuple{std::string("DAY"), std::string("20240229"), 8}));
}
