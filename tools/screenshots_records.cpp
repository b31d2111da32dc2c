// Writes pictures of the record commands into the folder given, as a user sees them: the
// sample table with its marked rows, the same list with the marked rows hidden, and the
// question that Cut asks. Run it under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x800x24" build/screenshots_records docs/screenshots
#include "mainwindow/formmain.h"
#include "mainwindow/formmain_app.h"
#include "common/option.h"
#include "common/sampletable.h"
#include "tools/shotutil.h"

#include <QItemSelectionModel>
#include <QTableView>

#include <cstdio>
#include <filesystem>

using shots::Save;
using shots::Settle;

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: screenshots_records FOLDER\n");
        return 2;
    }
    const QString out = shots::OutputFolder(argv[1]);
    const std::filesystem::path work = shots::UseOwnSettings("vellibrox-screenshots-records");
    Option->AlwayShowCut = true;
    const std::string table = (work / "sample.dbf").string();
    MakeSampleTable(table, 40);
    int failures = 0;
    {
        TFormMain form;
        form.show();
        form.Open(QString::fromStdString(table));
        Settle(1200);
        failures += !Save(&form, out + "/records-marked.png");

        form.M2_HIDEDELRECClick();
        Settle(500);
        failures += !Save(&form, out + "/records-hidden.png");

        // Cut two rows: the question comes first; the picture is taken while it is open and
        // the answer is No, so nothing is cut.
        auto* sel = form.MainListView->selectionModel();
        for (int row : {2, 3})
            sel->select(form.MainListView->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        form.activateWindow();
        form.MainListView->setFocus();
        Settle(500);
        if (!form.MainListView->hasFocus()) {
            std::fprintf(stderr, "the record list did not get the focus; no picture of Cut\n");
            ++failures;
        }
        shots::GrabModal(out + "/records-cut-confirm.png", 800, &failures);
        form.M3_CUTClick();
    }
    delete Option;
    Option = nullptr;
    std::filesystem::remove_all(work);
    return failures ? 1 : 0;
}
