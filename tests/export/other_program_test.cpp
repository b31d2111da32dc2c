// Export and Save As after another program wrote the table in place: every record written is
// the one its row shows (memo texts too when they are written), or the output is refused.
#include "common/records_testutil.h"
#include "platform/filestream.h"
#include "saveasfixture.h"

using namespace exporttest;
using namespace saveastest;

namespace {

class OutputsBesideAnotherProgram : public ::testing::Test {
protected:
    void Save(uint8_t mode, const std::string& file, bool memo, TSaveRun& run) {
        RunSaveAs(&Rows.Table, &Rows.Store.DataList, mode, file, memo, run);
    }
    TempDir Dir;
    std::string Path = rectest::MakeNotesTable(Dir.Path("t.dbf"));
    TTableRows Rows{Path};
};

}  // namespace

TEST_F(OutputsBesideAnotherProgram, RecordsRemovedUnderTheListAreNeitherSkippedNorWrittenBlank) {
    {
        TDBF other;
        other.SetFileName(Path);
        other.Open();
        other.RemoveRecords({2, 3});  // r4..r6 move down; records 5 and 6 are gone
    }
    for (const uint8_t mode : {TSaveAsThread::ModeVisualFoxPro, TSaveAsThread::ModeCsv}) {
        const std::string out = Dir.Path(mode == TSaveAsThread::ModeCsv ? "out.csv" : "out.dbf");
        TSaveRun run;
        Save(mode, out, true, run);
        EXPECT_EQ(run.Outcome, TSaveAsThread::soFailed) << int(mode);
        EXPECT_EQ(run.Message, Path + EDBFRecordsChanged::Text);
        EXPECT_FALSE(vx::FileExists(out)) << int(mode);
    }
    TRecordingSink sink;
    EXPECT_THROW(WriteCSV(Dir.Path("export.csv"), Rows.Source(), sink), EDBFRecordsChanged);
    // Once the list is read again, the table is written as it now is.
    Rows.ReadRows();
    TSaveRun run;
    Save(TSaveAsThread::ModeVisualFoxPro, Dir.Path("again.dbf"), true, run);
    EXPECT_EQ(run.Outcome, TSaveAsThread::soDone) << run.Message;
    EXPECT_EQ(rectest::Names(Dir.Path("again.dbf")), "r1,r4,r5,r6,");
}

TEST_F(OutputsBesideAnotherProgram, AMemoRewrittenInPlaceCountsOnlyWhereMemoTextsAreWritten) {
    rectest::RewriteMemoInPlace(Path, Dir.Path("t.fpt"), 5, "their note");
    TSaveRun withMemos, without;
    Save(TSaveAsThread::ModeCsv, Dir.Path("memos.csv"), true, withMemos);
    EXPECT_EQ(withMemos.Outcome, TSaveAsThread::soFailed);
    EXPECT_EQ(withMemos.Message, Path + EDBFRecordsChanged::Text);
    // Without memo texts the word "Memo" stands for each: the records are as shown.
    Save(TSaveAsThread::ModeCsv, Dir.Path("plain.csv"), false, without);
    EXPECT_EQ(without.Outcome, TSaveAsThread::soDone) << without.Message;
    EXPECT_EQ(ReadAll(Dir.Path("plain.csv")).substr(0, 10), "r1,Memo\r\nr");
}
