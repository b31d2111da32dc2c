// Tables with memo files written by other programs, read through the table: field layout and
// record count against their summaries, every memo of every record (single records and the
// page cache), and the values of the records whose contents are published.
#include "dbftestutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

using vxtest::CopyFixture;
using vxtest::Fixture;
using vxtest::ReadAll;
using vxtest::TempDir;

namespace {

struct SummaryField {
    std::string Name;
    char Type;
    int Length, Decimals;
};

struct Summary {
    uint32_t Records = 0;
    bool MemoFile = false;
    std::vector<SummaryField> Fields;
};

Summary ReadSummary(const std::string& name) {
    std::istringstream in(ReadAll(Fixture(name)));
    Summary s;
    std::string line;
    bool fields = false;
    while (std::getline(in, line)) {
        if (line.rfind("Records: ", 0) == 0) s.Records = uint32_t(std::stoul(line.substr(9)));
        if (line.rfind("Memo File: ", 0) == 0) s.MemoFile = line.substr(11) == "true";
        if (line.rfind("-----", 0) == 0) {
            fields = true;
            continue;
        }
        std::istringstream f(line);
        SummaryField field;
        std::string type;
        if (fields && f >> field.Name >> type >> field.Length >> field.Decimals) {
            field.Type = type[0];
            s.Fields.push_back(field);
        }
    }
    return s;
}

// The list items of a record file: plain, single-quoted and (folded, escaped) double-quoted
// scalars.
std::vector<std::string> ReadRecordYaml(const std::string& name) {
    std::istringstream in(ReadAll(Fixture(name)));
    std::vector<std::string> raw;
    std::string line;
    while (std::getline(in, line)) {
        size_t b = line.find_first_not_of(' ');
        if (b == std::string::npos || line == "---") continue;
        if (line.compare(b, 2, "- ") == 0 || line.substr(b) == "-") {
            raw.push_back(line.size() > b + 2 ? line.substr(b + 2) : "");
        } else if (!raw.empty()) {
            raw.back() += " " + line.substr(b);  // a folded continuation line
        }
    }
    std::vector<std::string> out;
    for (const std::string& r : raw) {
        std::string v;
        if (r.size() >= 2 && r.front() == '"' && r.back() == '"') {
            for (size_t i = 1; i + 1 < r.size(); ++i) {
                if (r[i] != '\\') {
                    v += r[i];
                    continue;
                }
                char e = r[++i];
                v += e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
            }
        } else if (r.size() >= 2 && r.front() == '\'' && r.back() == '\'') {
            for (size_t i = 1; i + 1 < r.size(); ++i) {
                v += r[i];
                if (r[i] == '\'' && r[i + 1] == '\'') ++i;
            }
        } else {
            v = r;
            while (!v.empty() && v.back() == ' ') v.pop_back();
        }
        out.push_back(v);
    }
    return out;
}

struct Opened {
    TDBF Dbf;
    explicit Opened(const std::string& path, bool readOnly = true) {
        Dbf.SetFileName(path);
        Dbf.SetReadOnly(readOnly);
        Dbf.Open();
    }
};

// Every memo of every record read through the table; each read must keep its reference
// (a failed read would clear it in the buffer). Returns the texts in record order.
std::vector<std::string> AllMemos(TDBF& dbf) {
    std::vector<std::string> texts;
    const uint32_t n = dbf.GetRecordCount();
    for (uint32_t r = 1; r <= n; ++r) {
        dbf.Go(r);
        for (int i = 0; i < dbf.FieldCount; ++i) {
            TField* f = dbf.GetField(i);
            char t = f->GetFieldType();
            if (t != 'M' && t != 'G' && t != 'P') continue;
            const int32_t block = f->GetMemoBlock();
            std::string text;
            dbf.GetMemo(f->GetName(), text);
            EXPECT_EQ(f->GetMemoBlock(), block) << "record " << r << " field " << f->GetName();
            if (block == NoMemoBlock) {
                EXPECT_EQ(text, "");
            }
            texts.push_back(text);
        }
    }
    return texts;
}

// The same through the page cache, as the row loader reads.
std::vector<std::string> AllMemosByPage(TDBF& dbf, int pageSize) {
    std::vector<std::string> texts;
    dbf.AllocPage(pageSize);
    for (int64_t page = 1;; ++page) {
        int got = dbf.ReadPage(page, pageSize);
        for (int k = 1; k <= got; ++k) {
            dbf.SelectPageRecord(k);
            for (int i = 0; i < dbf.FieldCount; ++i) {
                TField* f = dbf.GetField(i);
                if (f->GetFieldType() != 'M') continue;
                std::string text;
                dbf.GetMemo(f->GetName(), text);
                texts.push_back(text);
            }
        }
        if (got < pageSize) break;
    }
    dbf.FreePage();
    return texts;
}

}  // namespace

TEST(FixtureMemo, TablesMatchTheirSummariesAndEveryMemoReads) {
    for (const char* name : {"dbase_30", "dbase_83", "dbase_8b", "dbase_f5"}) {
        SCOPED_TRACE(name);
        const Summary s = ReadSummary(std::string(name) + "_summary.txt");
        ASSERT_FALSE(s.Fields.empty());
        Opened t(Fixture(std::string(name) + ".dbf"));
        EXPECT_EQ(t.Dbf.GetRecordCount(), s.Records);
        EXPECT_EQ(t.Dbf.GetMemoOpened(), s.MemoFile);
        ASSERT_EQ(t.Dbf.FieldCount, int(s.Fields.size()));
        int memoFields = 0;
        for (int i = 0; i < t.Dbf.FieldCount; ++i) {
            const SummaryField& f = s.Fields[size_t(i)];
            EXPECT_EQ(t.Dbf.GetFieldName(i), f.Name);
            EXPECT_EQ(t.Dbf.GetFieldType(i), f.Type);
            EXPECT_EQ(t.Dbf.GetField(i)->GetLength(), f.Length);
            EXPECT_EQ(t.Dbf.GetField(i)->GetDecimals(), f.Decimals);
            if (f.Type == 'M') ++memoFields;
        }
        EXPECT_EQ(t.Dbf.MemoFieldCount, memoFields);

        std::vector<std::string> memos = AllMemos(t.Dbf);
        EXPECT_EQ(memos.size(), size_t(memoFields) * s.Records);
        EXPECT_GT(std::count_if(memos.begin(), memos.end(), [](const std::string& m) { return !m.empty(); }), 0);
        EXPECT_EQ(AllMemosByPage(t.Dbf, 7), memos);
    }
}

TEST(FixtureMemo, DBaseIIIRecordsMatchTheirPublishedValues) {
    Opened t(Fixture("dbase_83.dbf"));
    for (int record : {0, 9}) {
        SCOPED_TRACE(record);
        std::vector<std::string> want = ReadRecordYaml("dbase_83_record_" + std::to_string(record) + ".yml");
        ASSERT_EQ(want.size(), size_t(t.Dbf.FieldCount));
        t.Dbf.Go(record + 1);
        for (int i = 0; i < t.Dbf.FieldCount; ++i) {
            TField* f = t.Dbf.GetField(i);
            SCOPED_TRACE(f->GetName());
            const std::string& w = want[size_t(i)];
            switch (f->GetFieldType()) {
            case 'N': EXPECT_DOUBLE_EQ(f->GetAsFloat(), std::stod(w)); break;
            case 'L': EXPECT_EQ(f->GetAsString(), w == "true" ? "T" : "F"); break;
            case 'M': {
                std::string text;
                t.Dbf.GetMemo(f->GetName(), text);
                EXPECT_EQ(text, w);
                break;
            }
            default: EXPECT_EQ(f->GetAsTrimmedString(), w); break;
            }
        }
    }
}

TEST(FixtureMemo, TableWithoutItsMemoFileReadsEmptyMemosAndCreatesNothing) {
    TempDir dir;
    std::string path = CopyFixture(dir, "dbase_83_missing_memo.dbf");
    const std::string before = ReadAll(path);
    std::vector<std::string> want = ReadRecordYaml("dbase_83_missing_memo_record_0.yml");
    Opened t(path);
    EXPECT_FALSE(t.Dbf.GetMemoOpened());
    t.Dbf.Go(1);
    ASSERT_EQ(want.size(), size_t(t.Dbf.FieldCount));
    EXPECT_EQ(t.Dbf.GetField(6)->GetAsTrimmedString(), want[6]);
    std::string text = "stale";
    t.Dbf.GetMemo("DESC", text);
    EXPECT_EQ(text, want[11]);
    EXPECT_EQ(text, "");
    for (const std::string& m : AllMemos(t.Dbf)) EXPECT_EQ(m, "");
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("dbase_83_missing_memo.dbt")));
}

TEST(FixtureMemo, FoxProDatabaseTablesWithUpperCaseMemoFiles) {
    TempDir dir;
    for (const char* f : {"calls.dbf", "calls.FPT", "contacts.dbf", "contacts.FPT"})
        CopyFixture(dir, std::string("foxprodb/") + f);
    const std::string calls = dir.Path("calls.dbf"), contacts = dir.Path("contacts.dbf");
    {
        // Opened for writing, as the program opens tables; reading writes nothing.
        Opened t(calls, false);
        ASSERT_TRUE(t.Dbf.GetMemoOpened());
        EXPECT_EQ(t.Dbf.GetMemoFileName(), dir.Path("calls.FPT"));
        EXPECT_EQ(t.Dbf.GetRecordCount(), 16u);
        std::vector<std::string> notes = AllMemos(t.Dbf);
        ASSERT_EQ(notes.size(), 16u);
        EXPECT_EQ(notes[1], "Usual monthly order.");
        for (const std::string& n : notes) EXPECT_FALSE(n.empty());
        for (uint32_t r = 1; r <= 16; ++r) {
            t.Dbf.Go(r);
            EXPECT_EQ(t.Dbf.FieldByName("CALL_ID")->GetAsInteger(), int32_t(r));
        }
        t.Dbf.Go(1);
        EXPECT_EQ(t.Dbf.FieldByName("SUBJECT")->GetAsTrimmedString(), "Buy flavored coffees.");
        EXPECT_EQ(t.Dbf.FieldByName("CALL_DATE")->GetAsDateTime(), (TDateTimeParts{1994, 11, 21, 13, 35, 39, 0}));
    }
    {
        Opened t(contacts, false);
        ASSERT_TRUE(t.Dbf.GetMemoOpened());
        std::vector<std::string> notes = AllMemos(t.Dbf);
        ASSERT_EQ(notes.size(), 5u);
        EXPECT_FALSE(notes[0].empty());
        EXPECT_FALSE(notes[1].empty());
        EXPECT_EQ(notes[2] + notes[3] + notes[4], "");
        t.Dbf.Go(1);
        EXPECT_EQ(t.Dbf.FieldByName("FIRST_NAME")->GetAsTrimmedString(), "Nancy");
        EXPECT_EQ(t.Dbf.FieldByName("BIRTHDATE")->GetAsDate(), (TDateTimeParts{1963, 4, 8}));
        EXPECT_EQ(t.Dbf.FieldByName("LAST_MEETI")->GetAsDateTime(), NullDate);
    }
    for (const char* f : {"calls.dbf", "calls.FPT", "contacts.dbf", "contacts.FPT"})
        EXPECT_EQ(ReadAll(dir.Path(f)), ReadAll(Fixture(std::string("foxprodb/") + f))) << f;
}
