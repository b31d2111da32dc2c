// Writes that a full disk or a file-size limit stops part way: a memo rewritten in its blocks,
// a new memo, an append, an insert and a bulk append each fail with their message and leave
// every byte of the table and of the memo file as it was.
#include "dbftestutil.h"
#include "platform/filestream.h"

using namespace dbftest;
using namespace vx;

namespace {

const std::vector<FieldDef> MemoFields = {{"NAME", 'C', 6}, {"NOTE", 'M', 10}};

// A table of one record whose memo lies at `block` of the memo file `memoBytes` (as other
// programs leave it: its last block not padded to the end).
struct MemoTable {
    TempDir Dir;
    std::string Table, Memo;
    MemoTable(uint8_t version, const char* memoName, const std::string& memoBytes, int block) {
        Table = Dir.Path("t.dbf");
        Memo = Dir.Path(memoName);
        std::string ref = std::to_string(block);
        ref.insert(0, 10 - ref.size(), ' ');
        WriteAll(Table, ExpectedHeaderArea(version, MemoFields, 1) + " first " + ref + "\x1A");
        WriteAll(Memo, memoBytes);
    }
};

std::string FptHeader(uint32_t next, uint16_t blockSize) {
    std::string h = BE32(next) + std::string(508, '\0');
    h[6] = char(blockSize >> 8);
    h[7] = char(blockSize & 0xFF);
    return h;
}

// An FPT memo header of block size `blockSize` and, at the first block after it, a text memo
// whose bytes end the file.
std::string FptEndingIn(uint16_t blockSize, const std::string& text, int& block) {
    block = (512 + blockSize - 1) / blockSize;
    std::string bytes = FptHeader(uint32_t(block + 1), blockSize);
    bytes.resize(size_t(block) * blockSize, '\0');
    return bytes + BE32(1) + BE32(uint32_t(text.size())) + text;
}

}  // namespace

TEST(FailedWrites, AMemoRewrittenInItsBlocksKeepsTheOldTextWhenTheFileCannotGrow) {
    // The memo that ends the file fits the new text in its blocks, but its last block reaches
    // past the end: the write that grows the file comes first and fails before the old text
    // is touched. FoxPro 2 with 64-byte blocks, 100-byte blocks, and dBASE III.
    struct Case {
        uint8_t Version;
        const char* MemoName;
        std::string Bytes;
        int Block;
        std::string Old, New;
    };
    std::vector<Case> cases;
    int block = 0;
    std::string fpt = FptEndingIn(64, "torrossolla", block);
    cases.push_back({0xF5, "t.fpt", fpt, block, "torrossolla", "A new note that fits the block"});
    fpt = FptEndingIn(100, std::string(80, 'o'), block);
    cases.push_back({0xF5, "t.fpt", fpt, block, std::string(80, 'o'), std::string(90, 'n')});
    cases.push_back({0x83, "t.dbt", LE32(2) + std::string(508, '\0') + "old dBASE text\x1A", 1, "old dBASE text",
                     "a new dBASE text that still takes one block"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.MemoName + std::to_string(c.Bytes.size()));
        MemoTable t(c.Version, c.MemoName, c.Bytes, c.Block);
        const std::string tableBefore = ReadAll(t.Table);
        {
            Opened o(t.Table);
            o.Dbf.Go(1);
            o.Dbf.Edit();
            {
                TFileSizeLimit full(c.Bytes.size());
                EXPECT_EQ(ErrorOf([&] { o.Dbf.SetMemo("NOTE", c.New); }), t.Table + " - Error in write memo!");
            }
            EXPECT_EQ(o.Memo("NOTE"), c.Old);
            EXPECT_EQ(ReadAll(t.Memo), c.Bytes);
            // With room, the same edit rewrites the memo where it is.
            o.Dbf.SetMemo("NOTE", c.New);
            EXPECT_EQ(o.Dbf.FieldByName("NOTE")->GetMemoBlock(), c.Block);
            o.Dbf.Post();
            EXPECT_EQ(o.Memo("NOTE"), c.New);
        }
        EXPECT_EQ(ReadAll(t.Table), tableBefore);
    }
}

TEST(FailedWrites, ANewMemoThatFailsLeavesTheMemoFileAsItWas) {
    // The file's end is not at a block boundary (as the 40,387 bytes were not).
    int block = 0;
    const std::string memo = FptEndingIn(64, std::string(75, 'm'), block);
    MemoTable t(0xF5, "t.fpt", memo, block);
    const std::string tableBefore = ReadAll(t.Table);
    {
        Opened o(t.Table);
        o.Dbf.Go(1);
        o.Dbf.Edit();
        for (size_t room : {size_t(0), size_t(100), size_t(4000)}) {
            TFileSizeLimit full(memo.size() + room);
            EXPECT_EQ(ErrorOf([&] { o.Dbf.SetMemo("NOTE", std::string(5000, 'x')); }), t.Table + " - Error in write memo!");
            EXPECT_EQ(ReadAll(t.Memo), memo) << room;
        }
        EXPECT_EQ(o.Dbf.GetMemoNextBlock(), block + 1);
        EXPECT_EQ(o.Dbf.FieldByName("NOTE")->GetMemoBlock(), block);
        // The next memo that fits goes where the failed ones would have gone.
        o.Dbf.SetMemo("NOTE", std::string(5000, 'y'));
        EXPECT_EQ(o.Dbf.FieldByName("NOTE")->GetMemoBlock(), int32_t((memo.size() + 63) / 64));
        o.Dbf.Post();
        EXPECT_EQ(o.Memo("NOTE"), std::string(5000, 'y'));
    }
    EXPECT_NE(ReadAll(t.Table), tableBefore);
}

TEST(FailedWrites, AFailedAppendInsertOrBulkAppendKeepsEveryByteAndTheEndMark) {
    TempDir dir;
    // As the program leaves a table: the end-of-file mark after the last record; and as old
    // programs leave one: several marks.
    for (const std::string& end : {std::string("\x1A"), std::string(3, '\x1A')}) {
        const std::string path = MakeSmallTable(dir, 14);
        WriteAll(path, ReadAll(path) + end);
        const std::string before = ReadAll(path);
        Opened t(path);
        // No room at all, room for the first byte only, and room for the record but not the mark.
        for (size_t room : {size_t(0), size_t(1), size_t(SmallRL)}) {
            TFileSizeLimit full(before.size() - end.size() + room);
            t.Dbf.Append();
            t.Dbf.FieldByName("NAME")->SetAsString("NEW");
            EXPECT_EQ(ErrorOf([&] { t.Dbf.Post(); }), path + " - Error in write DBF!") << room;
            EXPECT_EQ(ReadAll(path), before) << room;
        }
        {
            TFileSizeLimit full(before.size() - end.size() + 1);
            t.Dbf.Go(1);
            t.Dbf.Insert();
            EXPECT_EQ(ErrorOf([&] { t.Dbf.Post(); }), path + " - Error in write DBF!");
            EXPECT_EQ(ReadAll(path), before);
            const std::string images(SmallRL * 100, ' ');
            EXPECT_EQ(ErrorOf([&] { t.Dbf.AppendRecords(reinterpret_cast<const uint8_t*>(images.data()), 100); }),
                      path + " - Error in write DBF!");
            EXPECT_EQ(ReadAll(path), before);
        }
        EXPECT_EQ(t.Dbf.GetRecordCount(), 14u);
        // With room, the append goes on as before.
        t.Dbf.Append();
        t.Dbf.Post();
        EXPECT_EQ(NamesOf(path), "R1,R2,R3,R4,R5,R6,R7,R8,R9,R10,R11,R12,R13,R14,,");
    }
}
