// The worksheet import's loader over a scripted sheet: columns, rows, where it stops, its
// status texts and its failures.
#include "app/workthread.h"
#include "qtapp.h"

#include <gtest/gtest.h>

namespace {

class TImportView : public TLoadView {
public:
    std::vector<std::string> Log;
    std::vector<std::string> Columns;
    std::string Error;
    void SetPanelFlag(bool) override {}
    void RefreshList() override { Log.push_back("refresh"); }
    void ShowFirstItem() override { Log.push_back("first"); }
    void SetStatus(const std::string& t) override { Log.push_back(t); }
    void SetItemCount(size_t c) override { Log.push_back("count " + std::to_string(c)); }
    void DisableEditing() override { Log.push_back("disable"); }
    void ShowLoadError(const std::string& t) override { Error = "load: " + t; }
    void SetImportColumns(const std::vector<std::string>& c) override { Columns = c; }
    void ShowImportError(const std::string& t) override { Error = t; }
};

using TSheet = std::vector<std::vector<std::string>>;

struct TImport {
    TImportView View;
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
