#include "editors/fieldinput.h"

#include "app/bytetext.h"
#include "editortest.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace recedit;
using edtest::FieldBytes;
using edtest::TTestHost;

namespace {

std::string LE(const void* p, size_t n) { return std::string(static_cast<const char*>(p), n); }
template <class T>
std::string LE(T v) {
    return LE(&v, sizeof v);
}

struct Typed {
    int Field;
    const char* Loaded;   // what the input shows for the filled record
    const char* Typed;    // what the user types
    std::string Stored;   // the field's bytes afterwards
};

class FieldInputs : public ::testing::Test {
protected:
    void SetUp() override {
        vxtest::App();
        Path = edtest::MakeAllTypes(Dir, 2);
        Host.Open(Path);
        Specs = FieldSpecs(Host.Dbf);
    }
    // Converts `input` for field `field` and writes it into record 1.
    std::optional<QString> Write(int field, const TFieldInput& input) {
        TFieldWrite w;
        auto refused = ConvertInput(Specs[size_t(field)], input, w);
        if (!refused) WriteEdit(Host.Dbf, Host.Store, Host.Store.DataList[0], {w});
        return refused;
    }
    std::string Bytes(int field) { return FieldBytes(Path, Host.Dbf, 1, field); }

    vxtest::TempDir Dir;
    std::string Path;
    TTestHost Host;
    std::vector<TFieldSpec> Specs;
};

}  // namespace

TEST_F(FieldInputs, EachTypeLoadsItsTextAndStoresWhatIsTyped) {
    const int32_t jd = 2451604;  // 2000-02-29
    const int32_t ms = (23 * 3600 + 59 * 60 + 58) * 1000;
    const Typed cases[] = {
        {0, "ab", "x y", "x y   "},
        {1, "1.50", "-12.345", "  -12.35"},  // rounded on the decimal digits, half away from zero
        {2, "-2.5", "1e2", " 100.0"},
        {3, "T", "F", "F"},
        {4, "2024-01-05", "1999-12-31", "19991231"},
        {5, "2024-01-02", "2000-02-29", LE(jd) + LE(ms)},
        {6, "1.2345", "-7.5", LE(int64_t(-75000))},
        {7, "-7", "2147483647", LE(int32_t(INT32_MAX))},
        {8, "0.333", "2.5", LE(2.5)},
    };
    for (const Typed& c : cases) {
        Host.Dbf.Go(1);
        TFieldInput in = LoadInput(Host.Dbf, Specs[size_t(c.Field)]);
        EXPECT_EQ(in.Text, QString::fromLatin1(c.Loaded)) << c.Field;
        in.Text = QString::fromLatin1(c.Typed);
        in.Hour = 23, in.Minute = 59, in.Second = 58;
        const std::string before = vxtest::ReadAll(Path);
        ASSERT_FALSE(Write(c.Field, in)) << c.Field;
        EXPECT_EQ(Bytes(c.Field), c.Stored) << c.Field;
        // Nothing else of the file changed.
        std::string after = vxtest::ReadAll(Path);
        const TField* f = Host.Dbf.GetField(c.Field);
        const size_t at = Host.Dbf.GetHeaderLength() + f->GetOffset();
        after.replace(at, f->GetLength(), before.substr(at, f->GetLength()));
        EXPECT_EQ(after, before) << c.Field;
    }
    Host.Dbf.Go(1);
    EXPECT_EQ(LoadInput(Host.Dbf, Specs[5]).Hour, 23);
    // The memo: its text, and the new text after an edit.
    EXPECT_EQ(LoadInput(Host.Dbf, Specs[9]).Text, QStringLiteral("hello\r\nworld"));
    ASSERT_FALSE(Write(9, {QStringLiteral("caf\u00e9")}));
    std::string memo;
    Host.Dbf.Go(1);
    Host.Dbf.GetMemo("M", memo);
    EXPECT_EQ(memo, "caf\xe9");
    // The row shows what the loader shows for the stored record.
    EXPECT_EQ(Host.Store.DataList[0]->Text(9), "caf\xe9");
    EXPECT_EQ(Host.Store.DataList[0]->Text(1), "-12.35");
}

TEST_F(FieldInputs, FieldsTheFormsCannotEditAreShownOnly) {
    EXPECT_EQ(Specs[10].Kind, TInputKind::ReadOnly);
    EXPECT_EQ(Specs[11].Kind, TInputKind::ReadOnly);
    Host.Dbf.Go(1);
    EXPECT_EQ(LoadInput(Host.Dbf, Specs[10]).Text, QStringLiteral("Gen"));
    EXPECT_EQ(LoadInput(Host.Dbf, Specs[11]).Text, QStringLiteral("Picture"));
    TFieldWrite w;
    EXPECT_FALSE(ConvertInput(Specs[10], {QStringLiteral("x")}, w));
    EXPECT_EQ(w.Op, TFieldWrite::TOp::Keep);
    const int lengths[] = {6, 8, 6, 0, 0, 0, 20, 11, 20, 0, 0, 0};
    for (size_t i = 0; i < Specs.size(); ++i) EXPECT_EQ(Specs[i].MaxLength, lengths[i]) << i;
}

TEST_F(FieldInputs, EmptyInputsStoreTheBlankValueOfTheirType) {
    const std::string blanks[] = {
        "      ", "        ", "      ", " ", "        ", std::string(8, '\0'), LE(int64_t(0)), LE(int32_t(0)),
        LE(0.0),  std::string(4, '\0')};
    for (int field = 0; field <= 9; ++field) {
        ASSERT_FALSE(Write(field, NewRecordInput(Specs[size_t(field)]).Text == QLatin1String("F")
                                      ? TFieldInput{}
                                      : NewRecordInput(Specs[size_t(field)])));
        EXPECT_EQ(Bytes(field), blanks[field]) << field;
    }
    EXPECT_EQ(NewRecordInput(Specs[3]).Text, QStringLiteral("F"));
    EXPECT_EQ(NewRecordInput(Specs[4]).Text, QStringLiteral("    -  -  "));
}

TEST_F(FieldInputs, NumbersThatDoNotFitAreRefusedAndNothingIsWritten) {
    const std::pair<int, const char*> bad[] = {
        {1, "123456.7"}, {1, "abc"},  {1, "1.2.3"}, {1, "1e"},          {2, "--1"},  {7, "2147483648"},
        {7, "1.5"},      {7, "12a"},  {6, "1.23456"}, {6, "1e20"},      {8, "inf"},  {8, "nan"},
        {8, "1e999"},    {8, "0x10"}, {6, "1,5"}};
    const std::string before = vxtest::ReadAll(Path);
    for (const auto& [field, text] : bad) {
        auto refused = Write(field, {QString::fromLatin1(text)});
        ASSERT_TRUE(refused) << text;
        EXPECT_EQ(*refused, QStringLiteral("Data Format Error!")) << text;
    }
    // A character the code page cannot hold is refused with its own message.
    EXPECT_EQ(Write(0, {QStringLiteral("a\u20acb")}), CannotHoldMessage(QStringLiteral("\u20ac")));
    EXPECT_EQ(vxtest::ReadAll(Path), before);
    EXPECT_EQ(Host.Dbf.GetState(), esBrowse);
}

TEST_F(FieldInputs, AnUntouchedValueKeepsItsBytes) {
    // Loading changes nothing, and a field left out of the writes keeps what it holds, even a
    // logical value other than T or F and a date-time that is blank.
    Host.Dbf.Go(2);
    Host.Dbf.Edit();
    Host.Dbf.GetField(3)->SetAsString("?");
    Host.Dbf.GetField(5)->SetBlank();
    Host.Dbf.Post();
    Host.Dbf.Go(2);
    EXPECT_EQ(LoadInput(Host.Dbf, Specs[3]).Text, QString());
    EXPECT_EQ(LoadInput(Host.Dbf, Specs[5]).Text, QStringLiteral("    -  -  "));
    const std::string before = vxtest::ReadAll(Path);
    for (const TFieldSpec& s : Specs) LoadInput(Host.Dbf, s);
    EXPECT_EQ(WriteEdit(Host.Dbf, Host.Store, Host.Store.DataList[1], {TFieldWrite{}}), Host.Store.DataList[1]);
    EXPECT_EQ(vxtest::ReadAll(Path), before);
}

TEST(FieldSpecs, MemoInputsAreOffWithoutTheMemoFileAndFieldsGoByIndex) {
    vxtest::App();
    vxtest::TempDir dir;
    TTestHost missing;  // read-only, so no empty memo file is made in its place
    missing.Dbf.SetReadOnly(true);
    missing.Open(vxtest::CopyFixture(dir, "dbase_83_missing_memo.dbf"));
    ASSERT_FALSE(missing.Dbf.GetMemoOpened());
    for (const TFieldSpec& s : FieldSpecs(missing.Dbf)) EXPECT_TRUE(s.Type != 'M' || !s.Enabled);

    // Two fields of one name: each is written by its position.
    const std::string path = dir.Path("twice.dbf");
    CreateTableFile(path, 0x03, {{"A", 'C', 3}, {"A", 'C', 3}});
    TTestHost twice;
    twice.Dbf.SetFileName(path);
    twice.Dbf.Open();
    twice.Dbf.Append();
    twice.Dbf.Post();
    twice.LoadRows();
    TFieldWrite w;
    ASSERT_FALSE(ConvertInput(FieldSpecs(twice.Dbf)[1], {QStringLiteral("xyz")}, w));
    WriteEdit(twice.Dbf, twice.Store, twice.Store.DataList[0], {w});
    EXPECT_EQ(FieldBytes(path, twice.Dbf, 1, 0), "   ");
    EXPECT_EQ(FieldBytes(path, twice.Dbf, 1, 1), "xyz");
}
