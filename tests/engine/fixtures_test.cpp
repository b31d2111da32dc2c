// Tables written by other programs: opening or refusal, field lists and record counts against
// their summaries, published record values, every memo of every record in each memo layout,
// memo files in another letter case, editing memos beside foreign ones, and memo references
// or memo files that cannot be read.
#include "dbftestutil.h"

#include <algorithm>
#include <sstream>

using namespace dbftest;
using vxtest::CopyFixture;
using vxtest::Fixture;

namespace {

struct MemoRead {
    int32_t Block;
    std::string Text;
    uint32_t Record;
    std::string Field;
};

// Every memo of every record read through the table; each read must keep its reference (a
// failed read would clear it in the buffer), and no reference reads as the empty text.
std::vector<MemoRead> AllMemos(TDBF& dbf) {
    std::vector<MemoRead> out;
    for (uint32_t r = 1; r <= dbf.GetRecordCount(); ++r) {
        dbf.Go(r);
        for (int i = 0; i < dbf.FieldCount; ++i) {
            TField* f = dbf.GetField(i);
            if (f->GetFieldType() != 'M' && f->GetFieldType() != 'G' && f->GetFieldType() != 'P') continue;
            const int32_t block = f->GetMemoBlock();
            std::string text = "stale";
            dbf.GetMemo(f->GetName(), text);
            EXPECT_EQ(f->GetMemoBlock(), block) << "record " << r << " field " << f->GetName();
            EXPECT_TRUE(block != NoMemoBlock || text.empty());
            out.push_back({block, text, r, f->GetName()});
        }
    }
    return out;
}

// The record count, whether a memo file is there, and the fields of a *_summary.txt.
struct Summary {
    uint32_t Records = 0;
    bool MemoFile = false;
    std::vector<std::tuple<std::string, std::string, int, int>> Fields;  // name, type, length, decimals
};

Summary ReadSummary(const std::string& path) {
    Summary s;
    std::istringstream in(ReadAll(path));
    std::string line;
    bool inFields = false;
    while (std::getline(in, line)) {
        if (line.rfind("Records:", 0) == 0) s.Records = uint32_t(std::stoul(line.substr(8)));
        if (line.rfind("Memo File: ", 0) == 0) s.MemoFile = line.substr(11) == "true";
        inFields = inFields || line.rfind("-----", 0) == 0;
        std::istringstream ls(line);
        std::tuple<std::string, std::string, int, int> f;
        if (inFields && ls >> std::get<0>(f) >> std::get<1>(f) >> std::get<2>(f) >> std::get<3>(f)) s.Fields.push_back(f);
    }
    return s;
}

// The list items of a record file: plain, single-quoted and (folded, escaped) double-quoted
// scalars.
std::vector<std::string> ReadRecordYaml(const std::string& name) {
    std::istringstream in(ReadAll(Fixture(name)));
    std::vector<std::string> raw, out;
    std::string line;
    while (std::getline(in, line)) {
        size_t b = line.find_first_not_of(' ');
        if (b == std::string::npos || line == "---") continue;
        if (line.compare(b, 2, "- ") == 0 || line.substr(b) == "-")
            raw.push_back(line.size() > b + 2 ? line.substr(b + 2) : "");
        else if (!raw.empty())
            raw.back() += " " + line.substr(b);  // a folded continuation line
    }
    for (const std::string& r : raw) {
        std::string v;
        const bool quoted = r.size() >= 2 && r.front() == r.back() && (r.front() == '"' || r.front() == '\'');
        for (size_t i = 1; quoted && i + 1 < r.size(); ++i) {
            if (r.front() == '\'') {
                v += r[i];
                if (r[i] == '\'' && r[i + 1] == '\'') ++i;
            } else if (r[i] != '\\') {
                v += r[i];
            } else {
                char e = r[++i];
                v += e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
            }
        }
        if (!quoted) v = r.substr(0, r.find_last_not_of(' ') + 1);
        out.push_back(v);
    }
    return out;
}

}  // namespace

TEST(RealTables, OpenWithTheFieldsCountsAndMemosOfTheirSummaries) {
    for (const char* name : {"cp1251", "dbase_03", "dbase_03_cyrillic", "dbase_30", "dbase_31", "dbase_32",
                             "dbase_83", "dbase_8b", "dbase_f5"}) {
        SCOPED_TRACE(name);
        const Summary s = ReadSummary(Fixture(std::string(name) + "_summary.txt"));
        ASSERT_FALSE(s.Fields.empty());
        Opened t(Fixture(std::string(name) + ".dbf"), true);
        TDBF& dbf = t.Dbf;
        EXPECT_EQ(dbf.GetRecordCount(), s.Records);
        EXPECT_EQ(dbf.GetMemoOpened(), s.MemoFile);
        ASSERT_EQ(dbf.FieldCount, int(s.Fields.size()));
        int memoFields = 0;
        for (int i = 0; i < dbf.FieldCount; ++i) {
            const auto& [fname, type, length, decimals] = s.Fields[size_t(i)];
            EXPECT_EQ(dbf.GetFieldName(i), fname);
            EXPECT_EQ(std::string(1, dbf.GetFieldType(i)), type);
            EXPECT_EQ(dbf.GetField(i)->GetLength(), length);
            EXPECT_EQ(dbf.GetField(i)->GetDecimals(), decimals);
            memoFields += type == "M";
        }
        WalkEverything(dbf);
        if (!s.MemoFile) continue;
        EXPECT_EQ(dbf.MemoFieldCount, memoFields);
        std::vector<std::string> texts;
        for (const MemoRead& m : AllMemos(dbf)) texts.push_back(m.Text);
        EXPECT_EQ(texts.size(), size_t(memoFields) * s.Records);
        EXPECT_GT(std::count_if(texts.begin(), texts.end(), [](const std::string& m) { return !m.empty(); }), 0);
    }
    // Tables without a summary open and read too.
    for (const char* name : {"foxprodb/setup.dbf", "foxprodb/types.dbf", "mazovia.dbf"}) {
        SCOPED_TRACE(name);
        Opened t(Fixture(name), true);
        EXPECT_GT(t.Dbf.FieldCount, 0);
        WalkEverything(t.Dbf);
    }
    // Other layouts and a table without fields are refused.
    const std::pair<const char*, const char*> refused[] = {
        {"dbase_8c.dbf", " - Unsupported table format (48-byte field descriptors)!"},
        {"dbase_02.dbf", " - Invalid header length!"},  // 16-byte descriptors: header beyond the file
        {"polygon.dbf", " - Invalid field count!"}};
    for (const auto& [name, message] : refused)
        EXPECT_EQ(ErrorOf([n = name] { Opened t(Fixture(n), true); }), Fixture(name) + message);
}

TEST(RealTables, KnownValuesAndPublishedRecords) {
    Opened d3(Fixture("dbase_03.dbf"), true);
    EXPECT_EQ(d3.Dbf.GetField(0)->GetAsTrimmedString(), "0507121");
    EXPECT_EQ(d3.Dbf.GetField(8)->GetAsDate(), (TDateTimeParts{2005, 7, 12}));
    EXPECT_EQ(d3.Dbf.GetField(30)->GetFieldType(), 'N');  // the second Point_ID
    Opened vfp(Fixture("dbase_31.dbf"), true);
    EXPECT_EQ(vfp.Dbf.FieldByName("PRODUCTID")->GetAsInteger(), 1);
    EXPECT_EQ(vfp.Dbf.FieldByName("PRODUCTNAM")->GetAsTrimmedString(), "Chai");
    EXPECT_EQ(vfp.Dbf.FieldByName("UNITPRICE")->GetAsCurrency(), 180000);  // 18.0000
    EXPECT_EQ(vfp.Dbf.GetBacklink(), "northwind.dbc");
    Opened calls(Fixture("foxprodb/calls.dbf"), true);
    EXPECT_EQ(calls.Dbf.GetBacklink(), "foxpro-db-test.dbc");
    EXPECT_EQ(calls.Dbf.FieldByName("CALL_DATE")->GetAsDateTime(), (TDateTimeParts{1994, 11, 21, 13, 35, 39, 0}));
    EXPECT_EQ(calls.Memo("NOTES"), "Nancy told me about their blends. Thinking about it. Should call back later.");
    Opened contacts(Fixture("foxprodb/contacts.dbf"), true);
    EXPECT_EQ(contacts.Dbf.FieldByName("BIRTHDATE")->GetAsDate(), (TDateTimeParts{1963, 4, 8}));
    EXPECT_EQ(contacts.Dbf.FieldByName("LAST_MEETI")->GetAsDateTime(), NullDate);
    // Without its memo file, the table's memo reads as the empty text.
    for (auto [name, record] : {std::pair<std::string, int>{"dbase_83", 0}, {"dbase_83", 9}, {"dbase_83_missing_memo", 0}}) {
        SCOPED_TRACE(name + " " + std::to_string(record));
        const std::vector<std::string> want = ReadRecordYaml(name + "_record_" + std::to_string(record) + ".yml");
        Opened t(Fixture(name + ".dbf"), true);
        ASSERT_EQ(want.size(), size_t(t.Dbf.FieldCount));
        t.Dbf.Go(record + 1);
        for (int i = 0; i < t.Dbf.FieldCount; ++i) {
            TField* f = t.Dbf.GetField(i);
            const std::string& w = want[size_t(i)];
            switch (f->GetFieldType()) {
            case 'N': EXPECT_DOUBLE_EQ(f->GetAsFloat(), std::stod(w)) << f->GetName(); break;
            case 'L': EXPECT_EQ(f->GetAsString(), w == "true" ? "T" : "F") << f->GetName(); break;
            case 'M': EXPECT_EQ(t.Memo(f->GetName()), w) << f->GetName(); break;
            default: EXPECT_EQ(f->GetAsTrimmedString(), w) << f->GetName(); break;
            }
        }
    }
}

TEST(RealMemos, HeadersTextsAndTotalsOfEachLayoutAndReadingWritesNothing) {
    // Next free block, block size, the references and the bytes of their texts. dBASE III
    // memos end before their 0x1A; the last memo of dbase_83.dbt and of dbase_f5.fpt is not
    // padded to its block's end; the foxprodb tables find memo files with an upper-case
    // extension.
    const std::tuple<const char*, const char*, int32_t, uint16_t, int, size_t> cases[] = {
        {"dbase_83.dbf", "dbase_83.dbt", 0x4F, 512, 67, 24754}, {"dbase_30.dbf", "dbase_30.fpt", 0x2DA, 64, 303, 33909},
        {"dbase_f5.dbf", "dbase_f5.fpt", 0x236, 64, 211, 27470},
        {"foxprodb/calls.dbf", "foxprodb/calls.FPT", 27, 64, 16, 627},
        {"foxprodb/contacts.dbf", "foxprodb/contacts.FPT", 15, 64, 2, 402}};
    for (const auto& [name, memo, next, blockSize, count, bytes] : cases) {
        SCOPED_TRACE(name);
        TempDir dir;  // copies opened for writing, as the program opens tables
        const std::string path = CopyFixture(dir, name), memoPath = CopyFixture(dir, memo);
        const auto files = Snapshot(dir);
        {
            Opened t(path);
            EXPECT_EQ(t.Dbf.GetMemoFileName(), memoPath);
            EXPECT_EQ(t.Dbf.GetMemoNextBlock(), next);
            EXPECT_EQ(t.Dbf.GetMemoBlockSize(), blockSize);
            std::pair<int, size_t> n{0, 0};
            for (const MemoRead& m : AllMemos(t.Dbf))
                if (m.Block != NoMemoBlock) ++n.first, n.second += m.Text.size();
            EXPECT_EQ(n, std::make_pair(count, bytes));
        }
        EXPECT_EQ(Snapshot(dir), files);
    }
    // dBASE IV: its own block heads.
    Opened t(Fixture("dbase_8b.dbf"), true);
    std::vector<std::string> texts;
    for (const MemoRead& r : AllMemos(t.Dbf)) texts.push_back(r.Text);
    EXPECT_EQ(texts, (std::vector<std::string>{"First memo\r\n", "Second memo", "Thierd memo", "Fourth memo", "Fifth memo",
                                               "Sixth memo", "Seventh memo", "Eigth memo", "Nineth memo", ""}));
    // Bytes stay as stored; the FPT block type is read.
    Opened f5(Fixture("dbase_f5.dbf"), true);
    std::string text;
    f5.Dbf.ReadMemoBlock(52, text);
    EXPECT_EQ(text.substr(0, 4), "jos\x82");
    EXPECT_EQ(f5.Dbf.GetMemoObject().GetBlockType(), 1u);
}

TEST(RealMemos, EditingAMemoKeepsEveryOtherMemo) {
    for (const char* name : {"dbase_83", "dbase_8b", "dbase_30", "dbase_f5"}) {
        SCOPED_TRACE(name);
        TempDir dir;
        const std::string path = CopyFixture(dir, std::string(name) + ".dbf");
        CopyFixture(dir, std::string(name) + (name[6] == '8' ? ".dbt" : ".fpt"));
        std::vector<MemoRead> before;
        {
            Opened t(path);
            before = AllMemos(t.Dbf);
            // The first memo: a short text stays in place, a long one moves to the end.
            MemoRead& m = *std::find_if(before.begin(), before.end(), [](const MemoRead& r) { return r.Block != NoMemoBlock; });
            const int64_t size = t.Dbf.GetMemoFileSize();
            t.Dbf.Go(m.Record);
            for (const std::string& text : {std::string("short"), std::string(5000, 'L')}) {
                t.Dbf.Edit();
                t.Dbf.SetMemo(m.Field, text);
                t.Dbf.Post();
                EXPECT_EQ(t.Memo(m.Field), text);
                EXPECT_TRUE(text != "short" || t.Dbf.FieldByName(m.Field)->GetMemoBlock() == m.Block);  // in place
            }
            m.Block = t.Dbf.FieldByName(m.Field)->GetMemoBlock();
            m.Text = std::string(5000, 'L');
            EXPECT_GE(int64_t(m.Block) * t.Dbf.GetMemoBlockSize(), size);
        }
        // Reopened, every memo reads as before.
        Opened t(path, true);
        std::vector<MemoRead> after = AllMemos(t.Dbf);
        ASSERT_EQ(after.size(), before.size());
        for (size_t i = 0; i < after.size(); ++i) {
            EXPECT_EQ(after[i].Block, before[i].Block) << i;
            EXPECT_EQ(after[i].Text, before[i].Text) << i;
        }
    }
}

TEST(RealMemos, UnreadableReferencesAndMemoFilesReadEmptyAndChangeNothing) {
    TempDir dir;
    const std::string table = dir.Path("bad.dbf");
    CreateTable(table, 0x30, {{"NOTE", 'M', 4}});
    {
        Opened t(table);
        t.Dbf.Append();
        t.Dbf.GetField(0)->SetMemoBlock(100000);  // far beyond the memo file
        t.Dbf.Post();
    }
    const std::string before = ReadAll(table);
    {
        Opened t(table);
        EXPECT_EQ(t.Memo("NOTE"), "");
        EXPECT_EQ(t.Dbf.GetField(0)->GetMemoBlock(), NoMemoBlock);  // in the buffer only
    }
    EXPECT_EQ(ReadAll(table), before);
    // A memo file shorter than its header: the table is open, its memo closed.
    const std::string calls = CopyFixture(dir, "foxprodb/calls.dbf");
    WriteAll(dir.Path("calls.FPT"), "short");
    const auto files = Snapshot(dir);
    TDBF dbf;
    dbf.SetFileName(calls);
    EXPECT_THROW(dbf.Open(), EDBFError);
    EXPECT_TRUE(dbf.Active);
    EXPECT_FALSE(dbf.GetMemoOpened());
    std::string text = "x";
    dbf.GetMemo("NOTES", text);
    EXPECT_EQ(text, "");
    EXPECT_EQ(Snapshot(dir), files);
}
