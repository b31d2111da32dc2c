// The row loader over tables and the worksheet import over a scripted sheet: what they ask of the
// window, their status texts, where they stop and how they fail.
#include "common/recordcommands.h"
#include "common/sampletable.h"
#include "common/workthread.h"
#include "engine/dbf.h"
#include "qtapp.h"
#include "records_testutil.h"
#include "testutil.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace {

// Records what the loader asks of the window.
class TRecordingView : public TLoadView {
public:
    std::vector<std::string> Log;
    size_t ItemCount = 0;
    std::string Error;
    void SetPanelFlag(bool on) override { Log.push_back(on ? "panel on" : "panel off"); }
    void RefreshList() override { Log.push_back("refresh"); }
    void ShowFirstItem() override { Log.push_back("first"); }
    void SetStatus(const std::string& t) override { Log.push_back(t); }
    void SetItemCount(size_t c) override {
        ItemCount = c;
        Log.push_back("count " + std::to_string(c));
    }
    void DisableEditing() override { Log.push_back("disable"); }
    void ShowLoadError(const std::string& t) override { Error = "load: " + t; }
    std::vector<std::string> Columns;
    void SetImportColumns(const std::vector<std::string>& c) override { Columns = c; }
    void ShowImportError(const std::string& t) override { Error = t; }
};

std::string MakeTable(const vxtest::TempDir& dir, int records) {
    return rectest::MakeTable(dir.Path("t" + std::to_string(records) + ".dbf"), uint32_t(records));
}

struct Loaded {
    TRecordingView View;
    TRowStore Store;
};

void Load(const std::string& path, Loaded& l) {
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.Open();
    TWorkThread w(&dbf, &l.Store, &l.View, nullptr);
    w.SetMode(TWorkThread::ModeLoadTable);
    w.Resume();
    w.WaitFor();
}

using TSheet = std::vector<std::vector<std::string>>;

struct TImport {
    TRecordingView View;
    TRowStore Store;
    std::vector<std::string> Rows() const {
        std::vector<std::string> out;
        for (size_t i = 0; i < Store.DataList.Count(); ++i) {
            std::string r;
            const TDataRow* row = Store.DataList[i];
            for (size_t k = 0; k < row->FieldCount() + 2; ++k) r += (k ? "|" : "") + row->Item(k);
            out.push_back(r);
        }
        return out;
    }
};

void Import(const TSheet& sheet, TImport& im, const std::string& error = {}, bool failMidway = false) {
    vxtest::App();
    TWorkThread w(nullptr, &im.Store, &im.View, nullptr);
    w.SetMode(TWorkThread::ModeLoadExcel);
    w.SetFileName("book.xls");
    w.SetWorksheetReader([&](const std::string& file, const std::function<bool()>&,
                             const std::function<bool(const std::vector<std::string>&)>& row) -> std::string {
        EXPECT_EQ(file, "book.xls");
        if (!error.empty()) return error;
        for (size_t i = 0; i < sheet.size(); ++i) {
            if (failMidway && i == 2) throw std::runtime_error("read failed");
            if (!row(sheet[i])) break;
        }
        return {};
    });
    w.Resume();
    w.WaitFor();
    QCoreApplication::processEvents();  // the calls still queued for the window
}

}  // namespace

TEST(RowLoader, CallsAndStatusTextsForSmallAndPageSizedTables) {
    vxtest::App();
    vxtest::TempDir dir;
    // One page has no early repaint; it follows the 101st row.
    const std::pair<int, std::vector<std::string>> cases[] = {
        {0, {"panel on", "OnShow/Total:0/0", "panel off", "count 0", "refresh"}},
        {100, {"panel on", "OnShow/Total:100/100", "panel off", "count 100", "refresh"}},
        {101, {"panel on", "refresh", "first", "OnShow/Total:101/101", "panel off", "count 101", "refresh"}},
        {4000, {"panel on", "refresh", "first", "Loading.. [2000/4000]", "Loading.. [4000/4000]",
                "OnShow/Total:4000/4000", "panel off", "count 4000", "refresh"}}};
    for (const auto& [records, log] : cases) {
        Loaded l;
        Load(MakeTable(dir, records), l);
        EXPECT_EQ(l.View.Log, log) << records;
        ASSERT_EQ(l.Store.DataList.Count(), size_t(records));
        if (records < 100) continue;
        EXPECT_EQ(l.Store.DataList[records - 1]->RecNo(), uint32_t(records));
        const TDataRow* r3 = l.Store.DataList[2];
        EXPECT_EQ(r3->Item(0) + r3->Item(1) + r3->Item(2) + r3->Item(3), "13r32024-01-05");
        EXPECT_EQ(l.Store.DataList[1]->Item(0) + l.Store.DataList[1]->Item(3), "0    -  -  ");
    }
}

TEST(RowLoader, EndMarkPaddingNeverShowsAsRowsAndTheFileKeepsEveryByte) {
    vxtest::App();
    vxtest::TempDir dir;
    const std::string p = dir.Path("t.dbf");
    for (const uint16_t rl : {3, 15, 41, 94, 252})
        for (const uint32_t n : {5u, 45u, 150u})
            for (const size_t marks : {size_t(1), size_t(rl + 1), size_t(512), size_t(1024)})
                for (const uint32_t header : {n, n + 2, n - 3}) {
                    const std::string bytes = vxtest::PaddedTableBytes(rl, n, header, marks);
                    vxtest::WriteAll(p, bytes);
                    Loaded l;
                    Load(p, l);
                    ASSERT_EQ(l.Store.DataList.Count(), size_t(n)) << rl << " " << marks << " " << header;
                    EXPECT_EQ(l.Store.DataList[n - 1]->Item(2).substr(0, 1), "r");  // the last record's text
                    const std::string total = "OnShow/Total:" + std::to_string(n) + "/" + std::to_string(n);
                    EXPECT_NE(std::find(l.View.Log.begin(), l.View.Log.end(), total), l.View.Log.end());
                    ASSERT_TRUE(vxtest::ReadAll(p) == bytes);
                }
}

TEST(RowLoader, StatusTextsNeverHoldTheLoaderAndAStopKeepsTheRows) {
    vxtest::App();
    vxtest::TempDir dir;
    std::string path = MakeTable(dir, 10000);
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.Open();
    {
        // With the user-interface thread busy elsewhere, every row still arrives: only the end of
        // the load waits for the window.
        Loaded l;
        TWorkThread w(&dbf, &l.Store, &l.View, nullptr);
        w.Resume();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (l.Store.DataList.Count() < 10000 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(l.Store.DataList.Count(), 10000u);
        w.WaitFor();
        EXPECT_EQ(l.View.Log.back(), "refresh");
        EXPECT_EQ(std::count_if(l.View.Log.begin(), l.View.Log.end(),
                                [](const std::string& t) { return t.rfind("Loading.. [", 0) == 0; }),
                  5);
    }
    {
        // Stopped at a status point, the load ends before the next record.
        Loaded l;
        TWorkThread w(&dbf, &l.Store, &l.View, nullptr);
        w.OnStatusPoint = [&](size_t rows) {
            if (rows == 2000) w.Terminate();
        };
        w.Resume();
        w.WaitFor();
        EXPECT_EQ(l.Store.DataList.Count(), 2000u);
        EXPECT_EQ(l.View.ItemCount, 2000u);
        EXPECT_EQ(l.View.Log.back(), "disable");
        EXPECT_NE(std::find(l.View.Log.begin(), l.View.Log.end(), "OnShow/Total:2000/10000"), l.View.Log.end());
    }
}

TEST(RowLoader, AFailureMidWayIsReportedAndEndsTheLoad) {
    vxtest::App();
    vxtest::TempDir dir;
    std::string path = MakeTable(dir, 1000);
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.Open();
    Loaded l;
    TWorkThread w(&dbf, &l.Store, &l.View, nullptr);
    std::filesystem::resize_file(path, 200);  // the file shrinks under the loader
    w.Resume();
    w.WaitFor();
    // Either the pages read nothing (skipped) or the engine raised: both end the load with
    // the rows read so far and an item count the window can trust.
    EXPECT_EQ(l.View.ItemCount, l.Store.DataList.Count());
    EXPECT_LT(l.Store.DataList.Count(), 1000u);
    EXPECT_EQ(l.View.Log.back(), "disable");
}

// ---- The worksheet import over a scripted sheet ----

TEST(WorksheetImport, CaptionsRowsAndWhereTheyEnd) {
    struct Case {
        const char* Name;
        TSheet Sheet;
        std::vector<std::string> Columns;
        std::vector<std::string> Rows;
    };
    const Case cases[] = {
        {"A1 empty: nothing", {{"", "B"}, {"1", "2"}}, {}, {}},
        {"a gap in D1 ends the captions",
         {{" NAME ", "QTY", "DAY", "", "LOST"}, {"\tx ", "1", "2024-1-5", "", "y"}, {"z"}},
         {"NAME", "QTY", "DAY"},
         {"0|1|x|1|2024-1-5", "0|2|z||"}},
        {"a blank row ends the rows",
         {{"A", "B"}, {"1", "2"}, {" ", "\r\n"}, {"3", "4"}},
         {"A", "B"},
         {"0|1|1|2"}},
        {"any number of columns", {std::vector<std::string>(300, "C"), std::vector<std::string>(300, "v")},
         std::vector<std::string>(300, "C"), {"0|1" + QString("|v").repeated(300).toStdString()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TImport im;
        Import(c.Sheet, im);
        EXPECT_EQ(im.View.Columns, c.Columns);
        EXPECT_EQ(im.Rows(), c.Rows);
        EXPECT_EQ(im.View.Log.back(), "refresh");
        EXPECT_EQ(im.View.Log[im.View.Log.size() - 3], "OnShow/Total:" + std::to_string(c.Rows.size()));
    }
}

TEST(WorksheetImport, The45RowSheetShowsItsProgressEvery20Rows) {
    TSheet sheet{{"N"}};
    for (int i = 1; i <= 45; ++i) sheet.push_back({std::to_string(i)});
    TImport im;
    Import(sheet, im);
    EXPECT_EQ(im.View.Log, (std::vector<std::string>{"count 20", "refresh", "first", "Loading.. [20]", "count 20",
                                                      "Loading.. [40]", "count 40", "OnShow/Total:45", "count 45",
                                                      "refresh"}));
    EXPECT_EQ(im.Rows().back(), "0|45|45");
}

TEST(WorksheetImport, FailuresLeaveTheListAsTheyFindIt) {
    TImport missing;
    Import({{"A"}, {"1"}}, missing, "CreateOleObject Error, ... Office 2000!");
    EXPECT_EQ(missing.View.Error, "CreateOleObject Error, ... Office 2000!");
    EXPECT_TRUE(missing.View.Columns.empty());
    EXPECT_EQ(missing.Store.DataList.Count(), 0u);
    // Failing part-way keeps the rows read and ends with their total.
    TImport broken;
    Import({{"A"}, {"1"}, {"2"}}, broken, {}, true);
    EXPECT_EQ(broken.View.Error, "load: read failed");
    EXPECT_EQ(broken.Rows(), (std::vector<std::string>{"0|1|1"}));
    EXPECT_EQ(broken.View.Log[broken.View.Log.size() - 3], "OnShow/Total:1");
}

TEST(RowLoader, TheRowsItLoadsTellEveryRecordOnSeveralThreadsAtOnce) {
    // A table large enough that the comparison of its records with the rows is shared out
    // among threads: the loader's prints match, a record changed behind the list does not.
    vxtest::App();
    vxtest::TempDir dir;
    const std::string path = MakeTable(dir, 600000);  // every third record marked
    Loaded l;
    Load(path, l);
    ASSERT_EQ(l.Store.DataList.Count(), 600000u);
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.Open();
    {
        TDBF other;  // another program edits a marked record
        other.SetFileName(path);
        other.Open();
        other.Go(599997), other.Edit(), other.GetField(0)->SetAsString("theirs"), other.Post();
    }
    const std::string before = vxtest::ReadAll(path);
    EXPECT_THROW(records::RemoveMarked(dbf, l.Store), EDBFRecordsChanged);
    EXPECT_EQ(vxtest::ReadAll(path), before);
    // The list sorted (rows found through an index), and the record put back: truncating the
    // lower half moves records from the end.
    {
        TDBF other;
        other.SetFileName(path);
        other.Open();
        other.Go(599997), other.Edit(), other.GetField(0)->SetAsString("r599997"), other.Post();
    }
    std::vector<TDataList::Row> rows = l.Store.DataList.Rows();
    std::reverse(rows.begin(), rows.end());
    l.Store.DataList.Assign(rows);
    records::TruncateBelow(dbf, l.Store, 299999);
    EXPECT_EQ(rectest::Mismatch(dbf, l.Store), "");
    records::RemoveMarked(dbf, l.Store);
    EXPECT_EQ(dbf.GetRecordCount(), 200000u);
}
