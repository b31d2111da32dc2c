// A structure change never leaves a damaged table: refusals and fill conversion errors come
// before anything is written, and a failure in any step puts the table and memo files back
// byte for byte.
#include "dbftestutil.h"

using namespace dbftest;

namespace {

// A table of `version` with a C field and, when the version has memos, an M field whose
// records hold memos; five records.
std::string MakeTable(const TempDir& dir, uint8_t version, bool memo) {
    std::string path = dir.Path("t.dbf");
    std::vector<FieldDef> fields = {{"NAME", 'C', 6}};
    if (memo) fields.push_back({"NOTES", 'M', uint8_t(version == 0x30 ? 4 : 10)});
    CreateTable(path, version, fields);
    Opened t(path);
    for (int r = 1; r <= 5; ++r) {
        t.Dbf.Append();
        t.Dbf.GetField(0)->SetAsString("R" + std::to_string(r));
        if (memo) t.Dbf.SetMemo("NOTES", "memo of record " + std::to_string(r));
        t.Dbf.Post();
    }
    return path;
}

struct TInjected : std::runtime_error {
    TInjected() : std::runtime_error("injected failure") {}
};

// Runs `change` on the table with the fault hook throwing at (step, record), or with no hook
// when `step` is empty; expects the failure to come out, the table open again as it was, and
// every file of the folder as before.
template <class F>
void ExpectRestored(const TempDir& dir, const std::string& path, const std::string& step, int64_t rec, F change) {
    SCOPED_TRACE(step + " " + std::to_string(rec));
    const auto before = Snapshot(dir);
    {
        Opened t(path);
        const int fieldCount = t.Dbf.FieldCount, memoFields = t.Dbf.MemoFieldCount;
        const uint8_t version = t.Dbf.GetVersion();
        int hits = 0;
        if (!step.empty())
            t.Dbf.StructureFaultHook = [&](const char* s, int64_t i) {
                if (s == step && i == rec) {
                    ++hits;
                    throw TInjected();
                }
            };
        EXPECT_ANY_THROW(change(t.Dbf));
        EXPECT_EQ(hits, step.empty() ? 0 : 1);
        EXPECT_TRUE(t.Dbf.Active);
        EXPECT_EQ(t.Dbf.FieldCount, fieldCount);
        EXPECT_EQ(t.Dbf.MemoFieldCount, memoFields);
        EXPECT_EQ(t.Dbf.GetVersion(), version);
        t.Dbf.Go(3);
        EXPECT_EQ(t.Dbf.GetField(0)->GetAsTrimmedString(), "R3");
        EXPECT_TRUE(memoFields == 0 || t.Memo("NOTES") == "memo of record 3");
    }
    EXPECT_EQ(Snapshot(dir), before);
}

}  // namespace

TEST(StructureSafety, FailureInAnyStepOfAddingRestoresTableAndMemoFiles) {
    for (uint8_t version : {uint8_t(0x30), uint8_t(0x83), uint8_t(0xF5)}) {
        SCOPED_TRACE(int(version));
        TempDir dir;
        std::string path = MakeTable(dir, version, true);
        const uint8_t memoLength = version == 0x30 ? 4 : 10;
        auto addMemo = [&](TDBF& d) { d.AddField("MORE", 'M', memoLength, 0, "a new memo for every record"); };
        for (auto [step, rec] : {std::pair<const char*, int64_t>{"grow", -1}, {"widen", 4}, {"widen", 2},
                                 {"widen", 0}, {"append", -1}})
            ExpectRestored(dir, path, step, rec, addMemo);
        ExpectRestored(dir, path, "widen", 1, [](TDBF& d) { d.AddField("N", 'N', 5, 0, "7"); });
    }
    // A dBASE III table without memo becomes one with memo and gets a memo file: a failure
    // takes both back (the snapshot holds no memo file).
    TempDir dir;
    std::string path = MakeTable(dir, 0x03, false);
    for (auto [step, rec] : {std::pair<const char*, int64_t>{"widen", 2}, {"append", -1}})
        ExpectRestored(dir, path, step, rec, [](TDBF& d) { d.AddField("NOTES", 'M', 10, 0, "text"); });
}

TEST(StructureSafety, FailureInAnyStepOfRemovingOrAStoppedProgressRestoresTheTable) {
    TempDir dir;
    std::string path = MakeTable(dir, 0x30, true);
    std::filesystem::rename(dir.Path("t.fpt"), dir.Path("t.FPT"));  // found ignoring letter case
    ASSERT_TRUE(Opened(path).Dbf.AddField("EXTRA", 'I', 4, 0, "5"));
    const int32_t gone[] = {2};
    auto remove = [&](TDBF& d) { d.RemoveFields(gone, 1); };
    for (auto [step, rec] :
         {std::pair<const char*, int64_t>{"remove", -1}, {"narrow", 0}, {"narrow", 3}, {"finish", -1}})
        ExpectRestored(dir, path, step, rec, remove);
    // The progress callback may stop a change, even with something that is no exception class.
    ExpectRestored(dir, path, "", 0, [](TDBF& d) {
        d.AddField("X", 'C', 3, 0, "x", [](int64_t i, int64_t) { if (i == 1) throw 42; });
    });
    ExpectRestored(dir, path, "", 0, [&](TDBF& d) {
        d.RemoveFields(gone, 1, [](int64_t i, int64_t) { if (i == 3) throw TInjected(); });
    });
}

TEST(StructureSafety, ChangesThatWouldDamageTheTableAreRefusedBeforeAnyWrite) {
    // Fill texts that do not convert.
    TempDir dir;
    std::string path = MakeTable(dir, 0x30, true);
    auto files = Snapshot(dir);
    {
        Opened t(path);
        const std::tuple<char, uint8_t, const char*, std::vector<std::string>> fills[] = {
            {'I', 4, "integer value", {"abc", "2147483648", "1.5"}},
            {'Y', 8, "floating point value", {"1,5", "922337203685478"}},
            {'B', 8, "floating point value", {"1.2.3", "nan", "1e999"}},
            {'T', 8, "date and time", {"2007-13-01", "2007-2-29", "2007-1-1 24:00", "1.5.2007"}}};
        for (const auto& [type, length, kind, texts] : fills)
            for (const std::string& fill : texts)
                EXPECT_EQ(ErrorOf([&, ty = type, len = length] { t.Dbf.AddField("NEW", ty, len, 0, fill); }), "'" + fill + "' is not a valid " + kind);
    }
    EXPECT_EQ(Snapshot(dir), files);
    // Memo fields without a layout, lengths that do not fit the type.
    const std::tuple<uint8_t, char, uint8_t, const char*> cases[] = {
        {0x02, 'M', 10, " - This table type has no memo file!"}, {0xFB, 'M', 10, " - This table type has no memo file!"},
        {0x32, 'M', 4, " - This table type has no memo file!"},  {0x30, 'M', 10, " - Unsupported memo field!"},
        {0x03, 'M', 4, " - Unsupported memo field!"},            {0x03, 'G', 10, " - Unsupported memo field!"},
        {0xF5, 'P', 4, " - Unsupported memo field!"},            {0x03, 'C', 0, " - Invalid field length!"},
        {0x30, 'T', 4, " - Invalid field length!"},              {0x30, 'I', 2, " - Invalid field length!"}};
    for (const auto& [version, type, length, message] : cases) {
        SCOPED_TRACE(std::string(1, type) + " " + std::to_string(version));
        TempDir d;
        path = MakeTable(d, version, false);
        files = Snapshot(d);
        EXPECT_EQ(ErrorOf([&, ty = type, len = length] { Opened(path).Dbf.AddField("NEW", ty, len, 0, ""); }), path + message);
        EXPECT_EQ(Snapshot(d), files);
    }
    // A read-only table.
    TempDir ro;
    path = MakeTable(ro, 0x30, true);
    files = Snapshot(ro);
    {
        Opened r(path, true);
        const int32_t gone[] = {0};
        EXPECT_EQ(ErrorOf([&] { r.Dbf.AddField("X", 'C', 1, 0, ""); }), path + " - The file is opened read-only!");
        EXPECT_THROW(r.Dbf.RemoveFields(gone, 1), EDBFError);
    }
    EXPECT_EQ(Snapshot(ro), files);
    // A record length beyond 65535.
    std::string bytes = ExpectedHeaderArea(0x03, {{"A", 'C', 10}}, 1);
    PutLE16(bytes, 10, 65520);  // the field and padding
    bytes += std::string(65520, ' ');
    path = dir.Path("wide.dbf");
    WriteAll(path, bytes);
    Opened t(path);
    EXPECT_EQ(ErrorOf([&] { t.Dbf.AddField("B", 'C', 16, 0, ""); }), path + " - Record length can not more than 65535!");
    EXPECT_THROW(t.Dbf.GrowForField(16), EDBFError);
    EXPECT_EQ(ReadAll(path), bytes);
    EXPECT_TRUE(t.Dbf.AddField("B", 'C', 15, 0, "b"));
    EXPECT_EQ(t.Dbf.GetRecordLength(), 65535);
}

TEST(StructureSafety, CopyIsRemovedAfterSuccessOrKeptAndReportedWhenRestoringFails) {
    TempDir dir;
    std::string path = MakeTable(dir, 0x30, true);
    WriteAll(path + ".vxcopy", "someone else's file");
    {
        Opened t(path);
        ASSERT_TRUE(t.Dbf.AddField("X", 'M', 4, 0, "x"));
        const int32_t gone[] = {0};
        ASSERT_TRUE(t.Dbf.RemoveFields(gone, 1));
    }
    auto files = Snapshot(dir);
    EXPECT_EQ(files.size(), 3u);
    EXPECT_EQ(files["t.dbf.vxcopy"], "someone else's file");
    // The table's copy lost in the middle of a change: reported, the table stays closed.
    TempDir d3;
    path = MakeTable(d3, 0x83, true);
    Opened t(path);
    t.Dbf.StructureFaultHook = [&](const char* step, int64_t rec) {
        if (std::string(step) == "widen" && rec == 2) {
            std::filesystem::remove(path + ".vxcopy");
            throw TInjected();
        }
    };
    EXPECT_EQ(ErrorOf([&] { t.Dbf.AddField("X", 'M', 10, 0, "x"); }),
              path + " - The table could not be restored after a failed structure change (injected failure); its copy is " +
                  path + ".vxcopy and " + d3.Path("t.dbt.vxcopy") + ".");
    EXPECT_FALSE(t.Dbf.Active);
    // The memo file's copy stays for whoever repairs the table.
    EXPECT_TRUE(std::filesystem::exists(d3.Path("t.dbt.vxcopy")));
}
