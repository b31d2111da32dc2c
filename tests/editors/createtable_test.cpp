// The create-table dialog: tables of every kind written byte for byte as designed and read
// back by the engine and by dbfread, designs taken from other tables, the list commands, and
// creating over an existing table.
#include "common/msgbox.h"
#include "common/sampletable.h"
#include "editors/createtable.h"
#include "editors/fieldtypes.h"
#include "editors/formcreatedbf.h"
#include "engine/dbf.h"
#include "engine/dbftestutil.h"
#include "qtapp.h"
#include "editortest.h"
#include "testutil.h"

#include <QComboBox>
#include <QDate>
#include <QTableWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace fieldtypes;
using structtest::FixedHost;

namespace {

// The 32-byte descriptors of fields given as "NAME:T:width:decimals ..."; adds up their widths.
std::string Descriptors(const std::string& spec, int& recordLength) {
    std::string out;
    std::istringstream in(spec);
    for (std::string f; in >> f;) {
        char name[12] = {}, type = 0;
        int width = 0, decimals = 0;
        std::sscanf(f.c_str(), "%11[^:]:%c:%d:%d", name, &type, &width, &decimals);
        std::string d(32, '\0');
        d.replace(0, std::strlen(name), name);
        d[11] = type, d[16] = char(width), d[17] = char(decimals);
        out += d;
        recordLength += width;
    }
    return out;
}

class CreateTableTest : public ::testing::Test {
protected:
    void SetUp() override { vxtest::App(); }
    QString Q(const std::string& s) { return QString::fromStdString(s); }
    vxtest::TempDir Dir;
    ScriptedMsgBox Boxes;
    FixedHost Host;
};

}  // namespace

TEST_F(CreateTableTest, EveryKindIsWrittenAsDesigned) {
    const struct {
        int Kind;
        std::vector<TDesignField> Design;
        uint8_t Version, Flags;
        const char* Stored;  // as dbfread lists the fields too
        const char* Memo;    // the memo file created beside, or ""
    } cases[] = {
        {kVisualFoxPro, {{"NAME", "Character", 10, 0}}, 0x30, 0, "NAME:C:10:0", ""},
        {kVisualFoxPro,
         {{"NAME", "Character", 10, 0}, {"NOTE", "Memo", 10, 0}, {"AT", "DateTime", 8, 0}, {"N", "Integer", 4, 0},
          {"PRICE", "Currency", 8, 4}},
         0x30, 2, "NAME:C:10:0 NOTE:M:4:0 AT:T:8:0 N:I:4:0 PRICE:Y:8:4", "t.fpt"},
        {kFoxPro2, {{"PRICE", "Currency", 8, 4}, {"W", "Double", 8, 3}}, 0x03, 0, "PRICE:F:20:4 W:F:20:3", ""},
        {kFoxPro2, {{"PIC", "General", 4, 0}}, 0xF5, 0, "PIC:G:10:0", "t.fpt"},
        {kFoxBase, {{"AT", "DateTime", 8, 0}, {"N", "Integer", 4, 0}, {"PIC", "General", 4, 0}}, 0x83, 0,
         "AT:D:8:0 N:N:11:0 PIC:M:10:0", "t.dbt"},
        {kDBase4, {{"NOTE", "Memo", 4, 0}, {"OK", "Logical", 1, 0}}, 0x83, 0, "NOTE:M:10:0 OK:L:1:0", "t.dbt"},
    };
    const exporttest::TCodePageScope page(1251);  // marked 0xC9
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.Version));
        vxtest::TempDir dir;
        Host.SaveName = Q(dir.Path("t"));  // no extension: ".dbf" is added
        TFormCreateDBF dialog(&Host);
        dialog.cbFileType->setCurrentIndex(c.Kind);
        for (const TDesignField& f : c.Design) dialog.AddRow(f);
        const QDate today = QDate::currentDate();
        dialog.BitBtn1Click();
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(Host.SaveFilter, createtable::SaveFilter(c.Kind));
        const std::string path = dir.Path("t.dbf");
        EXPECT_EQ(Host.Opened, Q(path));

        int recordLength = 1;
        const std::string descriptors = Descriptors(c.Stored, recordLength);
        const int headerLength = 32 + int(descriptors.size()) + 1 + (c.Kind == kVisualFoxPro ? 263 : 0);
        std::string expected(32, '\0');
        for (auto [at, value] : {std::pair{0, int(c.Version)}, {1, today.year() % 100}, {2, today.month()},
                                 {3, today.day()}, {8, headerLength & 0xFF}, {9, headerLength >> 8},
                                 {10, recordLength & 0xFF}, {11, recordLength >> 8}, {28, int(c.Flags)}, {29, 0xC9}})
            expected[size_t(at)] = char(value);
        expected += descriptors + '\x0D' + std::string(c.Kind == kVisualFoxPro ? 263 : 0, '\0');
        EXPECT_EQ(vxtest::ReadAll(path), expected);
        std::string files;
        for (const auto& [name, bytes] : structtest::Snapshot(dir.Root())) files += name + " ";
        EXPECT_EQ(files, "t.dbf " + std::string(c.Memo) + (*c.Memo ? " " : ""));
        TDBF dbf;  // the engine opens the table with its memo file
        dbf.SetFileName(path);
        dbf.Open();
        EXPECT_EQ(dbf.GetMemoOpened(), *c.Memo != 0);
        const std::string independent = structtest::ReadWithDbfread(path);
        if (!independent.empty()) {
            EXPECT_EQ(independent, std::string(c.Stored) + "\nrecords=0\n");
        }
    }
    if (exporttest::PythonWith("dbfread").empty()) std::printf("python3-dbfread is not installed: not read back by it\n");
}

TEST_F(CreateTableTest, ImportTakesTheDesignAndTheKindOfTheVersionByte) {
    // Every version byte's kind is in fielddialogs_test; one of each kind here.
    const struct {
        uint8_t Version;
        int Kind;
    } versions[] = {{0x31, kVisualFoxPro}, {0xF5, kFoxPro2}, {0x8B, kDBase4}, {0x02, kFoxBase}};
    for (const auto& v : versions) {
        const std::string path = Dir.Path("v" + std::to_string(v.Version) + ".dbf");
        CreateTableFile(path, v.Version, {{"name", 'C', 12}, {"AMOUNT", 'N', 10, 2}});
        Host.OpenName = Q(path);
        TFormCreateDBF dialog(&Host);
        dialog.cbFileType->setCurrentIndex(kVisualFoxPro);
        dialog.BitBtnImportFieldStructureClick();
        EXPECT_EQ(dialog.Kind(), v.Kind) << int(v.Version);
        ASSERT_EQ(dialog.RowCount(), 2);
        const TDesignField f = dialog.Row(0);
        EXPECT_EQ((std::tuple{f.Name, f.TypeName, f.Width, f.Decimals}),
                  (std::tuple{QStringLiteral("name"), QStringLiteral("Character"), 12, 0}));
        // A list that is not empty refuses another import.
        dialog.BitBtnImportFieldStructureClick();
        EXPECT_EQ(Boxes.Asked.back().Text, QStringLiteral("Please Clear the Field List First."));
        EXPECT_EQ(Boxes.Asked.back().Buttons, TMsgBoxButtons::Yes);
    }
    // Damaged files are refused with the dialog's message and leave the list empty.
    vxtest::WriteAll(Dir.Path("bad.dbf"), "not a table");
    Host.OpenName = Q(Dir.Path("bad.dbf"));
    TFormCreateDBF dialog(&Host);
    dialog.BitBtnImportFieldStructureClick();
    EXPECT_EQ(Boxes.Asked.back().Text, QStringLiteral("Open DBF File Error!"));
    EXPECT_EQ(dialog.RowCount(), 0);
}

TEST_F(CreateTableTest, ImportChangesNothingBesideTheSource) {
    // A memo table whose memo file is missing and whose header counts too few records: opening
    // it for writing would create the memo file and correct the count.
    const std::string path = Dir.Path("src.dbf");
    CreateTableFile(path, 0x30, {{"NAME", 'C', 4}, {"NOTE", 'M', 4}, {"PIC", 'P', 4}});
    std::filesystem::remove(Dir.Path("src.fpt"));
    std::string bytes = vxtest::ReadAll(path) + std::string(9, ' ') + std::string(9, ' ');
    vxtest::WriteAll(path, bytes);
    const auto before = structtest::Snapshot(Dir.Root());
    Host.OpenName = Q(path);
    TFormCreateDBF dialog(&Host);
    dialog.BitBtnImportFieldStructureClick();
    EXPECT_EQ(structtest::Snapshot(Dir.Root()), before);
    ASSERT_EQ(dialog.RowCount(), 3);
    EXPECT_EQ(dialog.Row(2).TypeName, QStringLiteral("Picture"));
    // A Picture field is offered by no kind: OK names it and writes nothing.
    Host.SaveName = Q(Dir.Path("new.dbf"));
    dialog.BitBtn1Click();
    EXPECT_EQ(Boxes.Asked.back().Text, QStringLiteral("Field \"PIC\": this file type has no field of its type!"));
    EXPECT_EQ(dialog.SelectedRow(), 2);
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(structtest::Snapshot(Dir.Root()), before);
}

TEST_F(CreateTableTest, ListCommands) {
    TFormCreateDBF dialog(&Host);
    for (const char* n : {"A", "B", "C"}) dialog.AddRow({n, "Character", 1, 0});
    dialog.SelectRow(0);
    dialog.BitBtnMoveDownClick();
    EXPECT_EQ(dialog.Row(1).Name, QStringLiteral("A"));
    // Cancel with rows asks first; No keeps the dialog.
    Boxes.Answer(mrNo);
    dialog.BitBtn2Click();
    EXPECT_EQ(Boxes.Asked.back().Text, QStringLiteral("Give Up?"));
    EXPECT_EQ(dialog.result(), 0);
    // Names equal ignoring letter case are refused at OK too (an imported design may have them).
    dialog.AddRow({"c", "Numeric", 5, 0});
    dialog.BitBtn1Click();
    EXPECT_EQ(Boxes.Asked.back().Text, QStringLiteral("Field \"c\": Field name already exist!"));
    EXPECT_EQ(dialog.SelectedRow(), 3);
    // 254 rows refuse Add.
    for (int i = dialog.RowCount(); i < TFormCreateDBF::MaxFields; ++i) dialog.AddRow({QString::number(i), "Character", 1, 0});
    dialog.BitBtnAddClick();
    EXPECT_EQ(Boxes.Asked.back().Text, QStringLiteral("The Fields Number Could Not Be More Than 254."));
    // An empty list: OK closes and creates nothing.
    TFormCreateDBF empty(&Host);
    empty.BitBtn1Click();
    EXPECT_EQ(empty.result(), QDialog::Accepted);
    EXPECT_TRUE(Host.SaveFilter.isEmpty());
}

TEST_F(CreateTableTest, CreatingOverAnExistingTable) {
    const std::string path = Dir.Path("old.dbf");
    CreateTableFile(path, 0x30, {{"NOTE", 'M', 4}});
    std::filesystem::rename(Dir.Path("old.fpt"), Dir.Path("OLD.FPT"));
    vxtest::WriteAll(Dir.Path("OLD.FPT"), vxtest::ReadAll(Dir.Path("OLD.FPT")) + "memo texts");
    const auto before = structtest::Snapshot(Dir.Root());
    Host.SaveName = Q(path);
    TFormCreateDBF dialog(&Host);
    dialog.AddRow({"NAME", "Character", 5, 0});
    // No keeps everything as it was.
    Boxes.Answer(mrNo);
    dialog.BitBtn1Click();
    EXPECT_EQ(Boxes.Asked.back().Caption, QStringLiteral("Confirm"));
    EXPECT_EQ(Boxes.Asked.back().Text, QStringLiteral("File already exist! Overwrite?"));
    EXPECT_EQ(structtest::Snapshot(Dir.Root()), before);
    EXPECT_EQ(dialog.RowCount(), 1);
    // Yes: a table without memo fields replaces the table and leaves the memo file alone.
    Boxes.Answer(mrYes);
    dialog.BitBtn1Click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Host.Closed, 1);
    auto after = structtest::Snapshot(Dir.Root());
    EXPECT_EQ(after.size(), 2u);
    EXPECT_EQ(after["OLD.FPT"], before.at("OLD.FPT"));
    EXPECT_NE(after["old.dbf"], before.at("old.dbf"));
    // A memo table gets the memo file of exactly its name; the one in another letter case
    // stays as it was.
    TFormCreateDBF memo(&Host);
    memo.AddRow({"TEXT", "Memo", 4, 0});
    Boxes.Answer(mrYes);
    memo.BitBtn1Click();
    after = structtest::Snapshot(Dir.Root());
    EXPECT_EQ(after.size(), 3u);
    EXPECT_EQ(after["OLD.FPT"], before.at("OLD.FPT"));
    EXPECT_EQ(after["old.fpt"].size(), 512u);
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.Open();
    EXPECT_EQ(dbf.GetFieldName(0), "TEXT");
    EXPECT_EQ(dbf.GetMemoFileName(), Dir.Path("old.fpt"));
}

TEST_F(CreateTableTest, ATableWhoseNameDiffersInLetterCaseIsAnotherTable) {
    // OTHER.DBF keeps its memo texts in OTHER.FPT, MEMO.DBF in memo.fpt.
    for (const char* t : {"OTHER", "MEMO"}) CreateTableFile(Dir.Path(std::string(t) + ".DBF"), 0x30, {{"NOTE", 'M', 4}});
    vxtest::WriteAll(Dir.Path("OTHER.FPT"), vxtest::ReadAll(Dir.Path("OTHER.fpt")) + "memo texts");
    std::filesystem::remove(Dir.Path("OTHER.fpt"));
    std::filesystem::rename(Dir.Path("MEMO.fpt"), Dir.Path("memo.fpt"));
    const auto before = structtest::Snapshot(Dir.Root());
    TFormCreateDBF dialog(&Host);
    dialog.AddRow({"TEXT", "Memo", 4, 0});
    // memo.dbf would take MEMO.DBF's memo file: refused, nothing written.
    Host.SaveName = Q(Dir.Path("memo.dbf"));
    dialog.BitBtn1Click();
    EXPECT_NE(Boxes.Asked.back().Text.indexOf(QStringLiteral("belongs to another table!")), -1);
    EXPECT_EQ(structtest::Snapshot(Dir.Root()), before);
    // other.dbf gets a memo file of its own; the other table's files stay byte for byte.
    Host.SaveName = Q(Dir.Path("other.dbf"));
    dialog.BitBtn1Click();
    auto after = structtest::Snapshot(Dir.Root());
    EXPECT_EQ(after.size(), before.size() + 2);
    for (const auto& [name, bytes] : before) EXPECT_EQ(after[name], bytes) << name;
    EXPECT_EQ(after["other.fpt"].size(), 512u);
    TDBF dbf;
    dbf.SetFileName(Dir.Path("other.dbf"));
    dbf.Open();
    EXPECT_EQ(dbf.GetMemoFileName(), Dir.Path("other.fpt"));
}

TEST_F(CreateTableTest, AFailedCreationKeepsTheDialogAndTheOldFiles) {
    TFormCreateDBF dialog(&Host);
    dialog.cbFileType->setCurrentIndex(kVisualFoxPro);
    dialog.AddRow({"NOTE", "Memo", 4, 0});
    // No such folder.
    Host.SaveName = Q(Dir.Path("missing/t.dbf"));
    dialog.BitBtn1Click();
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(Host.Closed, 0);  // the document stays open when nothing could be written
    EXPECT_NE(Boxes.Asked.back().Text.indexOf(QStringLiteral("Can not create the table file!")), -1);
    // A folder stands where the table would go: the memo file already moved in is put back.
    std::filesystem::create_directory(Dir.Path("t.dbf"));
    vxtest::WriteAll(Dir.Path("t.fpt"), "the old memo file");
    const auto before = structtest::Snapshot(Dir.Root());
    Host.SaveName = Q(Dir.Path("t.dbf"));
    Boxes.Answer(mrYes);
    dialog.BitBtn1Click();
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_NE(Boxes.Asked.back().Text.indexOf(QStringLiteral("Can not replace the table file!")), -1);
    EXPECT_EQ(structtest::Snapshot(Dir.Root()), before);
    EXPECT_EQ(dialog.RowCount(), 1);
}

TEST_F(CreateTableTest, AFailedCreationNamesTheFileTheUserChose) {
    TFormCreateDBF dialog(&Host);
    for (int i = 0; i < 20; ++i) dialog.AddRow({QStringLiteral("F%1").arg(i), "Character", 5, 0});
    const std::string path = Dir.Path("t.dbf");
    vxtest::WriteAll(path, "the old table");
    const auto before = structtest::Snapshot(Dir.Root());
    Host.SaveName = Q(path);
    Boxes.Answer(mrYes);
    {
        dbftest::TFileSizeLimit full(200);  // the header takes more
        dialog.BitBtn1Click();
    }
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(Host.Closed, 0);
    EXPECT_EQ(Boxes.Asked.back().Text.toStdString(), path + " - Error in write DBF field type!");
    EXPECT_EQ(structtest::Snapshot(Dir.Root()), before);
}
