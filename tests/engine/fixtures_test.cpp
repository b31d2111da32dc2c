// Tables written by other programs: opening or refusal, field lists and record counts against
// their summaries, published record values, every memo of every record in each memo layout,
// memo files in another letter case or missing, and editing memos beside foreign ones.
#include "dbftestutil.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace dbftest;
using vxtest::CopyFixture;
using vxtest::Fixture;
namespace fs = std::filesystem;

namespace {

struct MemoRead {
    int32_t Block;
    std::string Text;
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
            out.push_back({block, text});
        }
    }
    return out;
}

// The memo texts through the page cache, as the row loader reads.
std::vector<std::string> AllMemosByPage(TDBF& dbf, int pageSize) {
    std::vector<std::string> texts;
    dbf.AllocPage(pageSize);
    for (int64_t page = 1, got = pageSize; got == pageSize; ++page) {
        got = dbf.ReadPage(page, pageSize);
        for (int k = 1; k <= got; ++k) {
            dbf.SelectPageRecord(k);
            for (int i = 0; i < dbf.FieldCount; ++i)
                if (dbf.GetField(i)->GetFieldType() == 'M') texts.push_back("stale"), dbf.GetMemo(dbf.GetFieldName(i), texts.back());
        }
    }
    dbf.FreePage();
    return texts;
}

// How many references a table holds and the bytes of their texts.
std::pair<int, size_t> MemoTotals(const std::string& table) {
    Opened t(Fixture(table), true);
    std::pair<int, size_t> n{0, 0};
    for (const MemoRead& m : AllMemos(t.Dbf))
        if (m.Block != NoMemoBlock) ++n.first, n.second += m.Text.size();
    return n;
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
        TDBF dbf;
        dbf.SetFileName(Fixture(std::string(name) + ".dbf"));
        dbf.SetReadOnly(true);
        ASSERT_NO_THROW(dbf.Open());
        EXPECT_EQ(dbf.GetRecordCount(), s.Records);
        EXPECT_EQ(dbf.GetMemoOpened(), s.MemoFile);
        ASSERT_EQ(dbf.FieldCount, int(s.Fields.size()));
        int memoFields = 0;
        for (int i = 0; i < dbf.FieldCount; ++i) {
            const Summary::Field& f = s.Fields[size_t(i)];
            EXPECT_EQ(dbf.GetFieldName(i), f.Name);
            EXPECT_EQ(std::string(1, dbf.GetFieldType(i)), f.Type);
            EXPECT_EQ(dbf.GetField(i)->GetLength(), f.Length);
            EXPECT_EQ(dbf.GetField(i)->GetDecimals(), f.Decimals);
            memoFields += f.Type == "M";
        }
        WalkEverything(dbf);
        if (!s.MemoFile) continue;
        EXPECT_EQ(dbf.MemoFieldCount, memoFields);
        std::vector<std::string> texts;
        for (const MemoRead& m : AllMemos(dbf)) texts.push_back(m.Text);
        EXPECT_EQ(texts.size(), size_t(memoFields) * s.Records);
        EXPECT_GT(std::count_if(texts.begin(), texts.end(), [](const std::string& m) { return !m.empty(); }), 0);
        EXPECT_EQ(AllMemosByPage(dbf, 7), texts);
    }
    // Tables without a summary open and read too.
    for (const char* name : {"foxprodb/setup.dbf", "foxprodb/types.dbf", "mazovia.dbf"}) {
        SCOPED_TRACE(name);
        Opened t(Fixture(name), true);
        EXPECT_GT(t.Dbf.FieldCount, 0);
        WalkEverything(t.Dbf);
    }
}

TEST(RealTables, KnownValues) {
    Opened d3(Fixture("dbase_03.dbf"), true);
    d3.Dbf.Go(1);
    EXPECT_EQ(d3.Dbf.GetField(0)->GetAsTrimmedString(), "0507121");
    EXPECT_EQ(d3.Dbf.GetField(8)->GetAsDate(), (TDateTimeParts{2005, 7, 12}));
    EXPECT_EQ(d3.Dbf.GetField(30)->GetFieldType(), 'N');  // the second Point_ID
    Opened vfp(Fixture("dbase_31.dbf"), true);
    vfp.Dbf.Go(1);
    EXPECT_EQ(vfp.Dbf.FieldByName("PRODUCTID")->GetAsInteger(), 1);
    EXPECT_EQ(vfp.Dbf.FieldByName("PRODUCTNAM")->GetAsTrimmedString(), "Chai");
    EXPECT_EQ(vfp.Dbf.FieldByName("UNITPRICE")->GetAsCurrency(), 180000);  // 18.0000
    EXPECT_EQ(vfp.Dbf.GetBacklink(), "northwind.dbc");
}

TEST(RealTables, OtherLayoutsAndEmptyTablesAreRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {"dbase_8c.dbf", " - Unsupported table format (48-byte field descriptors)!"},
        {"dbase_02.dbf", " - Invalid header length!"},  // 16-byte descriptors: header beyond the file
        {"polygon.dbf", " - Invalid field count!"}};
    for (const auto& [name, message] : cases) {
        const std::string p = Fixture(name);
        EXPECT_EQ(ErrorOf([&] { Opened t(p, true); }), p + message);
    }
}

TEST(RealTables, DBaseIIIRecordsMatchTheirPublishedValues) {
    Opened t(Fixture("dbase_83.dbf"), true);
    for (int record : {0, 9}) {
        SCOPED_TRACE(record);
        const std::vector<std::string> want = ReadRecordYaml("dbase_83_record_" + std::to_string(record) + ".yml");
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

TEST(RealMemos, HeadersTextsAndTotalsOfEachLayout) {
    {
        // dBASE III: every record has a memo ended by 0x1A; the last one ends the file unpadded.
        Opened t(Fixture("dbase_83.dbf"), true);
        vx::TDBFMemo& m = t.Dbf.GetMemoObject();
        EXPECT_EQ(m.GetNextBlock(), 0x4F);
        EXPECT_EQ(m.GetBlockSize(), 512);
        EXPECT_NE(m.GetFileSize() % 512, 0);
        std::vector<MemoRead> memos = AllMemos(t.Dbf);
        EXPECT_EQ(memos.size(), 67u);
        for (const MemoRead& r : memos) {
            EXPECT_NE(r.Block, NoMemoBlock);
            EXPECT_FALSE(r.Text.empty());
            EXPECT_EQ(r.Text.find('\x1A'), std::string::npos);
        }
    }
    {
        // dBASE IV: its own block heads.
        Opened t(Fixture("dbase_8b.dbf"), true);
        vx::TDBFMemo& m = t.Dbf.GetMemoObject();
        EXPECT_EQ(m.GetLayout(), vx::TMemoLayout::DBT4);
        EXPECT_EQ(m.GetBlockSize(), 512);
        EXPECT_EQ(m.GetNextBlock(), 10);
        std::vector<std::string> texts;
        for (const MemoRead& r : AllMemos(t.Dbf)) texts.push_back(r.Text);
        EXPECT_EQ(texts, (std::vector<std::string>{"First memo\r\n", "Second memo", "Thierd memo", "Fourth memo",
                                                   "Fifth memo", "Sixth memo", "Seventh memo", "Eigth memo",
                                                   "Nineth memo", ""}));
    }
    {
        Opened t(Fixture("dbase_30.dbf"), true);
        EXPECT_EQ(t.Dbf.GetMemoBlockSize(), 64);
        EXPECT_EQ(t.Dbf.GetMemoNextBlock(), 0x2DA);
        const std::pair<int32_t, const char*> blocks[] = {
            {8, "Domestic Life\r\nWeddings\r\n"},
            {9, "03/05/1999 - Photograph has been cut down from a larger size.  MLP"},
            {11, "All rights belong to the PastPerfect Museum."}};
        std::string text;
        for (const auto& [block, want] : blocks) {
            t.Dbf.ReadMemoBlock(block, text);
            EXPECT_EQ(text, want);
        }
    }
    {
        // The last memo of this file is not padded to its block's end; bytes stay as stored.
        Opened t(Fixture("dbase_f5.dbf"), true);
        EXPECT_EQ(t.Dbf.GetMemoNextBlock(), 0x236);
        EXPECT_NE(t.Dbf.GetMemoFileSize() % 64, 0);
        std::string text;
        t.Dbf.ReadMemoBlock(52, text);
        EXPECT_EQ(text.substr(0, 4), "jos\x82");
        EXPECT_EQ(t.Dbf.GetMemoObject().GetBlockType(), 1u);
    }
    EXPECT_EQ(MemoTotals("dbase_30.dbf"), std::make_pair(303, size_t(33909)));
    EXPECT_EQ(MemoTotals("dbase_f5.dbf"), std::make_pair(211, size_t(27470)));
    EXPECT_EQ(MemoTotals("foxprodb/calls.dbf"), std::make_pair(16, size_t(627)));
    EXPECT_EQ(MemoTotals("foxprodb/contacts.dbf"), std::make_pair(2, size_t(402)));
}

TEST(RealMemos, UpperCaseMemoFilesAreFoundAndReadingWritesNothing) {
    TempDir dir;
    const char* files[] = {"calls.dbf", "calls.FPT", "contacts.dbf", "contacts.FPT"};
    for (const char* f : files) CopyFixture(dir, std::string("foxprodb/") + f);
    {
        // Opened for writing, as the program opens tables.
        Opened t(dir.Path("calls.dbf"));
        ASSERT_TRUE(t.Dbf.GetMemoOpened());
        EXPECT_EQ(t.Dbf.GetMemoFileName(), dir.Path("calls.FPT"));
        EXPECT_EQ(t.Dbf.GetMemoBlockSize(), 64);
        EXPECT_EQ(t.Dbf.GetMemoFileSize(), int64_t(ReadAll(dir.Path("calls.FPT")).size()));
        EXPECT_EQ(t.Dbf.MemoFieldCount, 1);
        EXPECT_EQ(t.Dbf.GetRecordCount(), 16u);
        EXPECT_EQ(t.Dbf.GetBacklink(), "foxpro-db-test.dbc");
        std::vector<MemoRead> notes = AllMemos(t.Dbf);
        ASSERT_EQ(notes.size(), 16u);
        EXPECT_EQ(notes[0].Text, "Nancy told me about their blends. Thinking about it. Should call back later.");
        EXPECT_EQ(notes[1].Text, "Usual monthly order.");
        for (const MemoRead& n : notes) EXPECT_FALSE(n.Text.empty());
        for (uint32_t r = 1; r <= 16; ++r) {
            t.Dbf.Go(r);
            EXPECT_EQ(t.Dbf.FieldByName("CALL_ID")->GetAsInteger(), int32_t(r));
        }
        t.Dbf.Go(1);
        EXPECT_EQ(t.Dbf.FieldByName("SUBJECT")->GetAsTrimmedString(), "Buy flavored coffees.");
        EXPECT_EQ(t.Dbf.FieldByName("CALL_DATE")->GetAsDateTime(), (TDateTimeParts{1994, 11, 21, 13, 35, 39, 0}));
        std::string text;
        t.Dbf.ReadMemoBlock(8, text);
        EXPECT_EQ(text, notes[0].Text);
    }
    {
        Opened t(dir.Path("contacts.dbf"));
        ASSERT_TRUE(t.Dbf.GetMemoOpened());
        std::vector<MemoRead> notes = AllMemos(t.Dbf);
        ASSERT_EQ(notes.size(), 5u);
        EXPECT_FALSE(notes[0].Text.empty() || notes[1].Text.empty());
        EXPECT_EQ(notes[2].Text + notes[3].Text + notes[4].Text, "");
        t.Dbf.Go(1);
        EXPECT_EQ(t.Dbf.FieldByName("FIRST_NAME")->GetAsTrimmedString(), "Nancy");
        EXPECT_EQ(t.Dbf.FieldByName("BIRTHDATE")->GetAsDate(), (TDateTimeParts{1963, 4, 8}));
        EXPECT_EQ(t.Dbf.FieldByName("LAST_MEETI")->GetAsDateTime(), NullDate);
    }
    // No second memo file in lower case, and every file as it was.
    EXPECT_EQ(Snapshot(dir).size(), 4u);
    for (const char* f : files) EXPECT_EQ(ReadAll(dir.Path(f)), ReadAll(Fixture(std::string("foxprodb/") + f))) << f;
}

TEST(RealMemos, ReadOnlyTableWithoutItsMemoFileReadsEmptyMemosAndCreatesNothing) {
    TempDir dir;
    const std::string path = CopyFixture(dir, "dbase_83_missing_memo.dbf");
    const std::string before = ReadAll(path);
    const std::vector<std::string> want = ReadRecordYaml("dbase_83_missing_memo_record_0.yml");
    {
        Opened t(path, true);
        EXPECT_FALSE(t.Dbf.GetMemoOpened());
        t.Dbf.Go(1);
        ASSERT_EQ(want.size(), size_t(t.Dbf.FieldCount));
        EXPECT_EQ(t.Dbf.GetField(6)->GetAsTrimmedString(), want[6]);
        EXPECT_EQ(want[11], "");
        EXPECT_EQ(t.Memo("DESC"), want[11]);
        std::string text = "x";
        t.Dbf.ReadMemoBlock(1, text);
        EXPECT_EQ(text, "");
        EXPECT_EQ(ErrorOf([&] { t.Dbf.SetMemo("DESC", "refused"); }),
                  path + " - The memo file " + dir.Path("dbase_83_missing_memo.dbt") +
                      " is missing, so memo texts cannot be changed!");
        for (const MemoRead& m : AllMemos(t.Dbf)) EXPECT_EQ(m.Text, "");
    }
    EXPECT_EQ(Snapshot(dir).size(), 1u);
    EXPECT_EQ(ReadAll(path), before);
}

TEST(RealMemos, EditingAMemoKeepsEveryOtherMemo) {
    const std::pair<const char*, const char*> cases[] = {
        {"dbase_83.dbf", "dbase_83.dbt"}, {"dbase_8b.dbf", "dbase_8b.dbt"},
        {"dbase_30.dbf", "dbase_30.fpt"}, {"dbase_f5.dbf", "dbase_f5.fpt"}};
    for (const auto& [table, memo] : cases) {
        SCOPED_TRACE(table);
        TempDir dir;
        const std::string path = CopyFixture(dir, table);
        CopyFixture(dir, memo);
        std::vector<MemoRead> before;
        {
            Opened t(path);
            before = AllMemos(t.Dbf);
            // The first memo: a short text stays in place, a long one moves to the end.
            const size_t first = size_t(std::find_if(before.begin(), before.end(), [](const MemoRead& m) {
                                            return m.Block != NoMemoBlock;
                                        }) - before.begin());
            TField* f = nullptr;
            for (uint32_t r = 1; !f; ++r) {
                t.Dbf.Go(r);
                for (int i = 0; i < t.Dbf.FieldCount && !f; ++i)
                    if (t.Dbf.GetField(i)->GetFieldType() == 'M' && t.Dbf.GetField(i)->GetMemoBlock() != NoMemoBlock)
                        f = t.Dbf.GetField(i);
            }
            ASSERT_EQ(f->GetMemoBlock(), before[first].Block);
            const int64_t size = t.Dbf.GetMemoFileSize();
            t.Dbf.Edit();
            t.Dbf.SetMemo(f->GetName(), "short");
            t.Dbf.Post();
            EXPECT_EQ(f->GetMemoBlock(), before[first].Block);
            EXPECT_EQ(t.Memo(f->GetName()), "short");
            t.Dbf.Edit();
            t.Dbf.SetMemo(f->GetName(), std::string(5000, 'L'));
            t.Dbf.Post();
            EXPECT_GT(f->GetMemoBlock(), before[first].Block);
            EXPECT_GE(int64_t(f->GetMemoBlock()) * t.Dbf.GetMemoBlockSize(), size);
            before[first] = {f->GetMemoBlock(), std::string(5000, 'L')};
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
