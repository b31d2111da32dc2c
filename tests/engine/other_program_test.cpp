// Another program writes the table in place while it is open here: what the engine compares
// before it writes (the field layout, the records a command's rows show), where an append
// goes, and which header bytes a structure change keeps.
#include "dbftestutil.h"

#include <set>

using namespace dbftest;

namespace {

// Records shown as a list of (record number, bytes) pairs, as a command's rows would be.
class TShownBytes : public TRecordsShown {
public:
    std::map<uint32_t, std::string> Records;
    int Asked = 0;
    bool IsAsShown(uint32_t recNo, const uint8_t* record) override {
        ++Asked;
        auto it = Records.find(recNo);
        return it != Records.end() && std::memcmp(it->second.data(), record, it->second.size()) == 0;
    }
    size_t ShownCount() override { return Records.size(); }
};

// The records as a copy of the file holds them.
class TShownFile : public TRecordsShown {
public:
    explicit TShownFile(const std::string& path) : Bytes(ReadAll(path)) {}
    bool IsAsShown(uint32_t recNo, const uint8_t* record) override {
        const size_t at = SmallHL + size_t(recNo - 1) * SmallRL;
        return at + SmallRL <= Bytes.size() && std::memcmp(Bytes.data() + at, record, SmallRL) == 0;
    }
    std::string Bytes;
};

// Every record of the file as the shown bytes.
TShownBytes ShowAll(const std::string& path) {
    TShownBytes shown;
    const std::string all = ReadAll(path);
    const uint32_t n = (uint32_t(all.size()) - SmallHL) / SmallRL;
    for (uint32_t r = 1; r <= n; ++r) shown.Records[r] = all.substr(SmallHL + (r - 1) * SmallRL, SmallRL);
    return shown;
}

// The other program takes record `recNo` out, moving the later records down, as a pack does.
void OtherRemoves(const std::string& path, uint32_t recNo) {
    Opened other(path);
    other.Dbf.RemoveRecords({recNo});
}

}  // namespace

TEST(OtherProgram, RecordsMovedOrChangedRefuseEveryCommandBeforeItWrites) {
    TempDir dir;
    // Each command, with its rows shown as they were before the other program changed the
    // table: removing record 2 moves records 3..6 down, editing record 3 changes its bytes.
    struct TCase {
        const char* Name;
        std::function<void(TDBF&)> Command;
    };
    const std::vector<TCase> commands = {
        {"remove 4", [](TDBF& t) { t.RemoveRecords({4}); }},
        {"mark 4", [](TDBF& t) { t.SetDeletedFlags({{4, true}}); }},
        {"mark all", [](TDBF& t) { t.SetAllDeleted(true); }},
        {"fill holes 3", [](TDBF& t) { t.FillHolesFromEnd({3}); }},
        {"delete 4", [](TDBF& t) { t.Go(4), t.Delete(), t.Post(); }},
        {"edit 3", [](TDBF& t) { t.Go(3), t.Edit(), t.GetField(0)->SetAsString("X3"), t.Post(); }},
        {"insert before 4", [](TDBF& t) { t.Go(4), t.Insert(), t.Post(); }},
        {"flag 3", [](TDBF& t) { t.Go(3), t.SetDeleted(true); }},
        {"move 5 to 3", [](TDBF& t) { t.ReplaceRecord(5, 3); }},
        {"cut to 2", [](TDBF& t) { t.SetRecordCount(2); }},
        {"read 3 and 4", [](TDBF& t) {
             std::vector<uint8_t> out;
             const uint32_t recNos[] = {3, 4};
             t.ReadRecords(recNos, 2, out);
         }},
        {"page of 4", [](TDBF& t) {
             const uint32_t recNos[] = {4, 0};
             t.ReadPageRecords(recNos, 2);
         }},
    };
    const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> others = {
        {"removes record 2", [](const std::string& p) { OtherRemoves(p, 2); }},
        {"edits record 3", [](const std::string& p) {
             Opened other(p);
             other.Dbf.Go(3), other.Dbf.Edit(), other.Dbf.GetField(0)->SetAsString("R3 Smith"), other.Dbf.Post();
         }},
        {"cuts the table to 2", [](const std::string& p) { Opened(p).Dbf.SetRecordCount(2); }},
    };
    for (const auto& [what, other] : others)
        for (const TCase& c : commands) {
            const std::string path = MakeSmallTable(dir, 6, "t" + std::to_string(&c - commands.data()) + ".dbf");
            TShownBytes shown = ShowAll(path);
            Opened t(path);
            other(path);
            const std::string before = ReadAll(path);
            {
                TDBF::TShownScope scope(t.Dbf, &shown);
                const std::string error = ErrorOf([&] { c.Command(t.Dbf); });
                // A command that touches no record the other program changed goes on.
                if (error == "(none)") {
                    // Marking every record marks it whatever it holds: only the count counts.
                    const std::set<std::string> elsewhere = {"remove 4", "mark 4", "delete 4", "insert before 4",
                                                             "page of 4", "mark all"};
                    const bool done = std::string(what) == "cuts the table to 2" && std::string(c.Name) == "cut to 2";
                    EXPECT_TRUE(done || (std::string(what) == "edits record 3" && elsewhere.count(c.Name)))
                        << what << ", " << c.Name;
                    continue;
                }
                EXPECT_EQ(error, path + EDBFRecordsChanged::Text) << what << ", " << c.Name;
            }
            EXPECT_EQ(ReadAll(path), before) << what << ", " << c.Name;
        }
}

TEST(OtherProgram, RecordsAsShownAreActedOnAndNoOtherIsAsked) {
    TempDir dir;
    const std::string path = MakeSmallTable(dir, 6);
    TShownBytes shown = ShowAll(path);
    Opened t(path);
    {
        TDBF::TShownScope scope(t.Dbf, &shown);
        t.Dbf.SetDeletedFlags({{2, true}, {5, true}});
        EXPECT_EQ(shown.Asked, 2);
    }
    // Without records lent, nothing is compared.
    t.Dbf.RemoveRecords({1});
    EXPECT_EQ(shown.Asked, 2);
    EXPECT_EQ(NamesOf(path), "R2,R3,R4,R5,R6,");
}

TEST(OtherProgram, AFieldMovedOrRetypedWithBothLengthsKeptIsAStructureChange) {
    TempDir dir;
    // C(10) N(6,2) D L: the other program gives NAME type M (same width), or swaps NAME and a
    // new C(10) at the end for QTY... each keeps the header and record lengths.
    const std::vector<std::pair<const char*, std::function<void(std::string&)>>> changes = {
        {"retyped", [](std::string& h) { h[32 + 11] = 'M'; }},
        {"renamed", [](std::string& h) { h[32] = 'X'; }},
        {"decimals", [](std::string& h) { h[64 + 17] = 1; }},
        {"swapped", [](std::string& h) {  // NAME C10 and QTY N6 change places, lengths kept
             std::string a = h.substr(32, 32), b = h.substr(64, 32);
             h.replace(32, 32, b), h.replace(64, 32, a);
         }},
    };
    for (const auto& [what, change] : changes) {
        const std::string path = MakeSmallTable(dir, 3, std::string(what) + ".dbf");
        Opened t(path);
        std::string bytes = ReadAll(path);
        std::string header = bytes.substr(0, SmallHL);
        change(header);
        bytes.replace(0, SmallHL, header);
        WriteAll(path, bytes);
        EXPECT_EQ(ErrorOf([&] { t.Dbf.Go(1); }), EDBFStructureChanged::Text) << what;
        EXPECT_EQ(ErrorOf([&] { t.Dbf.Append(), t.Dbf.Post(); }), EDBFStructureChanged::Text) << what;
        EXPECT_TRUE(t.Dbf.GetStructureChanged());
        EXPECT_EQ(ReadAll(path), bytes) << what;
    }
}

TEST(OtherProgram, CountDateFlagsCodePageAutoincrementAndBacklinkChangeNoLayout) {
    TempDir dir;
    // Visual FoxPro with an autoincrementing integer: NAME C(10), ID I.
    const std::string path = dir.Path("vfp.dbf");
    CreateTable(path, 0x30, {{"NAME", 'C', 10}, {"ID", 'I', 4}});
    {
        Opened t(path);
        for (const char* n : {"a", "b"}) t.Dbf.Append(), t.Dbf.GetField(0)->SetAsString(n), t.Dbf.Post();
    }
    Opened t(path);
    std::string bytes = ReadAll(path);
    bytes[1] = 99, bytes[2] = 12, bytes[3] = 31;     // last update
    bytes[28] = 0x01;                                // table flags
    bytes[29] = 0xC9;                                // code page
    bytes[64 + 18] = 0x0C;                           // field flags: autoincrement
    PutLE32(bytes, 64 + 19, 1234), bytes[64 + 23] = 7;  // its next value and step
    const size_t backlink = 32 + 2 * 32 + 1;
    bytes.replace(backlink, 9, "..\\db.dbc");
    WriteAll(path, bytes);
    // Records are written as usual; a structure change keeps every byte the other program
    // wrote, with only the lengths of the new layout.
    t.Dbf.Go(1), t.Dbf.Edit(), t.Dbf.GetField(0)->SetAsString("A"), t.Dbf.Post();
    t.Dbf.Append(), t.Dbf.GetField(0)->SetAsString("c"), t.Dbf.Post();
    ASSERT_TRUE(t.Dbf.AddField("MORE", 'C', 3, 0, "x"));
    const std::string added = ReadAll(path);
    EXPECT_EQ(added.substr(0, 4), bytes.substr(0, 4));
    EXPECT_EQ(added.substr(12, 20), bytes.substr(12, 20));
    EXPECT_EQ(added.substr(64 + 18, 6), bytes.substr(64 + 18, 6));
    EXPECT_EQ(added.substr(backlink + 32, 9), "..\\db.dbc");
    const int32_t more[] = {2};
    ASSERT_TRUE(t.Dbf.RemoveFields(more, 1));
    const std::string removed = ReadAll(path);
    EXPECT_EQ(removed.substr(0, 4) + removed.substr(12, 20), bytes.substr(0, 4) + bytes.substr(12, 20));
    EXPECT_EQ(removed.substr(64 + 18, 6), bytes.substr(64 + 18, 6));
    EXPECT_EQ(removed.substr(backlink, 9), "..\\db.dbc");
    EXPECT_EQ(NamesOf(path), "A,b,c,");
}

TEST(OtherProgram, AnAppendGoesRightAfterTheLastWholeRecord) {
    TempDir dir;
    // The other program raises the count from 6 to 8 without adding records.
    {
        const std::string path = MakeSmallTable(dir, 6, "raised.dbf");
        Opened t(path);
        std::string bytes = ReadAll(path) + "\x1A";
        PutLE32(bytes, 4, 8);
        WriteAll(path, bytes);
        t.Dbf.Append(), t.Dbf.GetField(0)->SetAsString("NEW"), t.Dbf.Post();
        EXPECT_EQ(t.Dbf.GetCurrentRecNo(), 7);
        const std::string after = ReadAll(path);
        EXPECT_EQ(after.substr(4, 4), LE32(7));
        EXPECT_EQ(after.size(), SmallHL + 7u * SmallRL + 1);
        EXPECT_EQ(after.substr(0, SmallHL + 6 * SmallRL), bytes.substr(0, 4) + LE32(7) + bytes.substr(8, SmallHL - 8 + 6 * SmallRL));
        const uint8_t batch[SmallRL * 2 + 1] = {};
        std::string two = SmallRecord("B1") + SmallRecord("B2");
        std::memcpy(const_cast<uint8_t*>(batch), two.data(), two.size());
        PutLE32(bytes = ReadAll(path), 4, 12);
        WriteAll(path, bytes);
        t.Dbf.AppendRecords(batch, 2);
        EXPECT_EQ(NamesOf(path), "R1,R2,R3,R4,R5,R6,NEW,B1,B2,");
    }
    // The count was corrected in memory at open (the header said 9 of 6), then the other
    // program cuts the file to 4 records.
    {
        const std::string path = MakeSmallTable(dir, 6, "cut.dbf");
        std::string bytes = ReadAll(path);
        PutLE32(bytes, 4, 9);
        WriteAll(path, bytes);
        Opened t(path);
        EXPECT_EQ(t.Dbf.GetRecordCount(), 6u);
        WriteAll(path, bytes.substr(0, SmallHL + 4 * SmallRL));
        t.Dbf.Append(), t.Dbf.GetField(0)->SetAsString("NEW"), t.Dbf.Post();
        EXPECT_EQ(t.Dbf.GetCurrentRecNo(), 5);
        EXPECT_EQ(NamesOf(path), "R1,R2,R3,R4,NEW,");
    }
}

TEST(OtherProgram, ARemovalPutsBackWhatItMovedWhenALaterRecordIsNotAsShown) {
    // Records are removed a chunk of the file at a time; the one the other program changed
    // lies chunks after the first removed, so records have moved before it is reached.
    TempDir dir;
    const int n = 400000;
    std::string bytes = ExpectedHeaderArea(0x03, SmallFields(), uint32_t(n));
    for (int i = 1; i <= n; ++i) bytes += SmallRecord("R" + std::to_string(i));
    WriteAll(dir.Path("big.dbf"), bytes);
    const std::string path = dir.Path("big.dbf");
    TShownFile shown(path);
    Opened t(path);
    {
        Opened other(path);
        other.Dbf.Go(350000), other.Dbf.Edit(), other.Dbf.GetField(0)->SetAsString("theirs"), other.Dbf.Post();
    }
    const std::string before = ReadAll(path);
    {
        TDBF::TShownScope scope(t.Dbf, &shown);
        EXPECT_EQ(ErrorOf([&] { t.Dbf.RemoveRecords({10, 100000, 100001, 200000, 350000, 399999}); }),
                  path + EDBFRecordsChanged::Text);
    }
    EXPECT_TRUE(ReadAll(path) == before);
    // Without the change the same removal goes through, as shown.
    shown.Bytes = before;
    {
        TDBF::TShownScope scope(t.Dbf, &shown);
        t.Dbf.RemoveRecords({10, 100000, 100001, 200000, 350000, 399999});
    }
    EXPECT_EQ(t.Dbf.GetRecordCount(), uint32_t(n - 6));
    t.Dbf.Go(199996);
    EXPECT_EQ(t.Dbf.GetField(0)->GetAsTrimmedString(), "R199999");
}
