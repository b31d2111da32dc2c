// Appending many records in one write.
#include "dbftestutil.h"

using namespace dbftest;

TEST(DbfAppendRecords, WritesRecordsEndMarkAndCountInOneGo) {
    TempDir dir;
    const std::string path = MakeSmallTable(dir, 1);
    {
        Opened t(path);
        const std::string batch = SmallRecord("A2") + SmallRecord("A3", "  1.50", "20240105", "T", '*');
        t.Dbf.AppendRecords(reinterpret_cast<const uint8_t*>(batch.data()), 2);
        EXPECT_EQ(t.Dbf.GetRecordCount(), 3u);
        t.Dbf.AppendRecords(nullptr, 0);  // nothing
    }
    const std::string after = ReadAll(path);
    EXPECT_EQ(StoredCount(path), 3u);
    EXPECT_EQ(after.size(), size_t(SmallHL + 3 * SmallRL + 1));
    EXPECT_EQ(after.substr(SmallHL + SmallRL), SmallRecord("A2") + SmallRecord("A3", "  1.50", "20240105", "T", '*') + "\x1A");
    EXPECT_EQ(NamesOf(path), "R1,A2,A3,");

    // A table opened read-only refuses and keeps its bytes.
    const std::string now = ReadAll(path);
    Opened ro(path, true);
    const std::string rec = SmallRecord("X");
    EXPECT_NE(ErrorOf([&] { ro.Dbf.AppendRecords(reinterpret_cast<const uint8_t*>(rec.data()), 1); }), "(none)");
    EXPECT_EQ(ReadAll(path), now);
}
