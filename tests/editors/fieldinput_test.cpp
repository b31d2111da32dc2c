// The record editors' back end: each type's input converted and stored byte for byte, inputs
// refused whole, and rows written, appended and inserted with the lists kept in step.
#include "editors/fieldinput.h"

#include "common/bytetext.h"
#include "common/codepage.h"
#include "common/valuetext.h"
#include "editors/recordwriter.h"
#include "editortest.h"

#include <gtest/gtest.h>

using namespace recedit;
using edtest::FieldBytes;

namespace {

template <class T>
std::string LE(T v) {
    return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

class FieldInputs : public ::testing::Test {
protected:
    void SetUp() override {
        vxtest::App();
        vx::SetCodePage(1252);  // the texts below are of this page
        Path = edtest::MakeAllTypes(Dir, 2);
        Host.Open(Path);
        Fields = InputFields(Host.Dbf);
    }
    // Converts the input of a field and writes it into record 1; the refusal, if any.
    std::optional<QString> Write(int field, const TFieldInput& input) {
        TFieldWrite w;
        auto refused = ConvertInput(Fields[size_t(field)], input, w);
        if (!refused) WriteEdit(Host.Dbf, Host.Store, Host.Store.DataList[0], {w});
        return refused;
    }
    std::string Bytes(int field) { return FieldBytes(Path, Host.Dbf, 1, field); }

    vxtest::TempDir Dir;
    std::string Path;
    edtest::TTestHost Host;
    std::vector<TInputField> Fields;
};

}  // namespace

TEST_F(FieldInputs, EachTypeLoadsItsTextAndStoresWhatIsTyped) {
    struct Case {
        int Field;
        const char *Loaded, *Typed;
        std::string Stored;
    };
    const Case cases[] = {
        {0, "ab", "x y", "x y   "},
        {1, "1.50", "-12.345", "  -12.35"},  // rounded on the decimal digits, half away from zero
        {2, "-2.5", "1e2", " 100.0"},
        {3, "T", "F", "F"},
        {4, "2024-01-05", "1999-12-31", "19991231"},
        {5, "2024-01-02", "2000-02-29", LE(int32_t(2451604)) + LE(int32_t(86398000))},
        {6, "1.2345", "-7.50005", LE(int64_t(-75001))},  // four decimals, the rest rounded
        {7, "-7", "2147483647", LE(int32_t(INT32_MAX))},
        {8, "0.333", "2.5", LE(2.5)},
        {10, "Gen", "x", LE(int32_t(9))},  // shown only: nothing is stored
        {11, "Picture", "x", LE(int32_t(0))},
    };
    for (const Case& c : cases) {
        Host.Dbf.Go(1);
        TFieldInput in = LoadInput(Host.Dbf, Fields[size_t(c.Field)]);
        EXPECT_EQ(in.Text, QString::fromLatin1(c.Loaded)) << c.Field;
        in = {QString::fromLatin1(c.Typed), 23, 59, 58};
        std::string before = vxtest::ReadAll(Path);
        ASSERT_FALSE(Write(c.Field, in)) << c.Field;
        EXPECT_EQ(Bytes(c.Field), c.Stored) << c.Field;
        const TField* f = Host.Dbf.GetField(c.Field);  // and nothing else changed
        const size_t at = Host.Dbf.GetHeaderLength() + f->GetOffset();
        EXPECT_EQ(before.replace(at, f->GetLength(), c.Stored), vxtest::ReadAll(Path)) << c.Field;
    }
    Host.Dbf.Go(1);
    EXPECT_EQ(LoadInput(Host.Dbf, Fields[9]).Text, QStringLiteral("hello\r\nworld"));
    ASSERT_FALSE(Write(9, {QStringLiteral("caf\u00e9")}));
    // The row shows what the loader shows for the stored record (the memo read back).
    EXPECT_EQ(Host.Store.DataList[0]->Text(9), "caf\xe9");
    EXPECT_EQ(Host.Store.DataList[0]->Text(1), "-12.35");
}

TEST_F(FieldInputs, EmptyInputsStoreTheBlankValueOfTheirType) {
    const std::string blanks[] = {"      ",       "        ",     "      ",    " ",       "        ",
                                  LE(int64_t(0)), LE(int64_t(0)), LE(int32_t(0)), LE(0.0), LE(int32_t(0))};
    for (int field = 0; field <= 9; ++field) {
        ASSERT_FALSE(Write(field, {})) << field;
        EXPECT_EQ(Bytes(field), blanks[field]) << field;
    }
    // A date input of blanks and separators is empty too.
    for (int field : {4, 5}) {
        ASSERT_FALSE(Write(field, {QStringLiteral("1999-12-31")}));
        ASSERT_FALSE(Write(field, {QStringLiteral("    -  -  ")})) << field;
        EXPECT_EQ(Bytes(field), blanks[field]) << field;
    }
    EXPECT_EQ(NewRecordInput(Fields[3]).Text, QStringLiteral("F"));
    EXPECT_EQ(NewRecordInput(Fields[4]).Text, QStringLiteral("    -  -  "));
}

TEST_F(FieldInputs, NumbersAndDatesThatDoNotFitAreRefusedAndNothingIsWritten) {
    const std::pair<int, const char*> bad[] = {
        {1, "123456.7"}, {1, "abc"}, {1, "1.2.3"},  {2, "--1"},  {7, "2147483648"}, {7, "1.5"},
        {6, "1e20"}, {6, "1,5"}, {8, "inf"},  {8, "1e999"},      {8, "0x10"},
        {4, "2023-02-30"}, {4, "2023-13-01"}, {4, "2023-  -01"}, {5, "2023-02-30"}, {5, "x"}};
    const std::string before = vxtest::ReadAll(Path);
    for (const auto& [field, text] : bad)
        EXPECT_EQ(Write(field, {QString::fromLatin1(text)}), QStringLiteral("Data Format Error!")) << text;
    // A character the code page cannot hold is refused with its own message.
    EXPECT_EQ(Write(0, {QStringLiteral("a\U0001F600b")}), CannotHoldMessage(QStringLiteral("\U0001F600")));
    EXPECT_EQ(vxtest::ReadAll(Path), before);
    EXPECT_EQ(Host.Dbf.GetState(), esBrowse);
}

TEST_F(FieldInputs, UntouchedValuesKeepTheirBytesAndFieldsGoByIndex) {
    // A logical value other than T or F and a blank date-time show as nothing; loading and an
    // edit that stores nothing write nothing.
    Host.Dbf.Go(2);
    Host.Dbf.Edit();
    Host.Dbf.GetField(3)->SetAsString("?");
    Host.Dbf.GetField(5)->SetBlank();
    Host.Dbf.Post();
    Host.Dbf.Go(2);
    EXPECT_EQ(LoadInput(Host.Dbf, Fields[3]).Text, QString());
    EXPECT_EQ(LoadInput(Host.Dbf, Fields[5]).Text, QStringLiteral("    -  -  "));
    const std::string before = vxtest::ReadAll(Path);
    EXPECT_EQ(WriteEdit(Host.Dbf, Host.Store, Host.Store.DataList[1], {TFieldWrite{}}), Host.Store.DataList[1]);
    EXPECT_EQ(vxtest::ReadAll(Path), before);

    // Two fields of one name: each is written by its position.
    const std::string path = Dir.Path("twice.dbf");
    CreateTableFile(path, 0x03, {{"A", 'C', 3}, {"A", 'C', 3}});
    vxtest::WriteAll(path, vxtest::ReadAll(path) + "       ");  // one blank record
    edtest::TTestHost twice;
    twice.Open(path);
    TFieldWrite w;
    ASSERT_FALSE(ConvertInput(InputFields(twice.Dbf)[1], {QStringLiteral("xyz")}, w));
    WriteEdit(twice.Dbf, twice.Store, twice.Store.DataList[0], {w});
    EXPECT_EQ(FieldBytes(path, twice.Dbf, 1, 0) + FieldBytes(path, twice.Dbf, 1, 1), "   xyz");

    // Without its memo file (a table open read-only) a memo input is off.
    edtest::TTestHost missing;
    missing.Dbf.SetReadOnly(true);
    missing.Open(vxtest::CopyFixture(Dir, "dbase_83_missing_memo.dbf"));
    for (const TInputField& s : InputFields(missing.Dbf)) EXPECT_TRUE(s.Type != 'M' || !s.Enabled);
}

// ---- Writing rows ----

namespace {

// Tables of NAME C(4): record i holds "r<i>".
class Inserting : public ::testing::Test {
protected:
    void Make(int records) {
        if (Host.Dbf.Active) Host.Dbf.Close();
        Host.Store.ClearRows();
        CreateTableFile(Dir.Path("t.dbf"), 0x03, {{"NAME", 'C', 4}});
        std::string bytes = vxtest::ReadAll(Dir.Path("t.dbf"));
        for (int i = 1; i <= records; ++i) bytes += " r" + std::to_string(i) + "  ";
        vxtest::WriteAll(Dir.Path("t.dbf"), bytes);
        Host.Open(Dir.Path("t.dbf"));
    }
    // DataList keeps the rows for which keep(row) holds; BackupDataList all of them.
    template <class Pred>
    void Filter(Pred keep) {
        Host.Store.BackupDataList.Assign(Host.Store.DataList.Rows());
        Host.Store.UsingFilter = true;
        Host.Store.DataList.RemoveIf([&](const TDataRow* r) { return !keep(r); });
    }
    static std::vector<TFieldWrite> Name(const std::string& text) {
        TFieldWrite w;
        w.Op = TFieldWrite::TOp::String;
        w.Bytes = text;
        return {w};
    }
    // "<number>:<text>" of each row; every row must carry the number of the record holding
    // its text.
    std::string Listed(const TDataList& list) {
        std::string s;
        for (size_t i = 0; i < list.Count(); ++i) {
            Host.Dbf.Go(list[i]->RecNo());
            EXPECT_EQ(list[i]->Text(0), valuetext::Trim(Host.Dbf.GetField(0)->GetAsView())) << i;
            s += (i ? " " : "") + list[i]->RecNoText() + ":" + std::string(list[i]->Text(0));
        }
        return s;
    }

    vxtest::TempDir Dir;
    edtest::TTestHost Host;
};

}  // namespace

TEST_F(Inserting, BeforeRowKTheLaterRecordsMoveUp) {
    Make(5);
    WriteInsert(Host.Dbf, Host.Store, Host.Store.DataList[2], Name("new"));
    EXPECT_EQ(Listed(Host.Store.DataList), "1:r1 2:r2 3:new 4:r3 5:r4 6:r5");
    EXPECT_FALSE(Host.Store.DataList[2]->Deleted());
}

TEST_F(Inserting, IntoAnEmptyListAppendsTheNextRecord) {
    Make(0);
    WriteInsert(Host.Dbf, Host.Store, nullptr, Name("a"));
    EXPECT_EQ(Listed(Host.Store.DataList), "1:a");
    // A view that shows none of a table's rows: the next number, never 1.
    Make(3);
    Filter([](const TDataRow*) { return false; });
    WriteInsert(Host.Dbf, Host.Store, nullptr, Name("x"));
    EXPECT_EQ(Listed(Host.Store.DataList), "4:x");
    EXPECT_EQ(Listed(Host.Store.BackupDataList), "1:r1 2:r2 3:r3 4:x");
}

TEST_F(Inserting, RowsHiddenByAViewAreRenumberedToo) {
    Make(6);
    Filter([](const TDataRow* r) { return r->RecNo() % 2 == 1; });
    WriteInsert(Host.Dbf, Host.Store, Host.Store.DataList[1], Name("new"));
    EXPECT_EQ(Listed(Host.Store.DataList), "1:r1 3:new 4:r3 6:r5");
    EXPECT_EQ(Listed(Host.Store.BackupDataList), "1:r1 2:r2 3:new 4:r3 5:r4 6:r5 7:r6");
    // Appending under the view puts the row at the end of both lists; an edit replaces it
    // in both.
    WriteAppend(Host.Dbf, Host.Store, Name("end"));
    const TDataRow* row = WriteEdit(Host.Dbf, Host.Store, Host.Store.DataList[0], Name("ed"));
    EXPECT_EQ(Host.Store.BackupDataList[0], row);
    EXPECT_EQ(Listed(Host.Store.DataList), "1:ed 3:new 4:r3 6:r5 8:end");
    EXPECT_EQ(Host.Store.BackupDataList.Count(), 8u);
}

TEST_F(Inserting, AFailedWriteChangesNothing) {
    Make(2);
    Host.Dbf.SetRecordCount(1);  // the row's record has gone (another program shortened the file)
    const std::string before = vxtest::ReadAll(Dir.Path("t.dbf"));
    EXPECT_THROW(WriteEdit(Host.Dbf, Host.Store, Host.Store.DataList[1], Name("x")), EDBFError);
    EXPECT_THROW(WriteInsert(Host.Dbf, Host.Store, Host.Store.DataList[1], Name("x")), EDBFError);
    EXPECT_EQ(Host.Store.DataList[1]->RecNo(), 2u);
    EXPECT_EQ(vxtest::ReadAll(Dir.Path("t.dbf")), before);
    EXPECT_EQ(Host.Dbf.GetState(), esBrowse);
}
