// Writes pictures of the record commands into the folder given, as a user sees them: the
// sample table with its marked rows, the same list with the marked rows hidden, and the
// question that Cut asks. Run it under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x800x24" build/screenshots_records docs/screenshots
#include "app/formmain.h"
#include "app/formmain_app.h"
#include "app/option.h"
#include "app/programfiles.h"
#include "app/sampletable.h"

#include <QDir>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <filesystem>

namespace {

void Settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool Save(QWidget* w, const QString& file) {
    const bool ok = w->grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: screenshots_records FOLDER\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);
    const std::filesystem::path work = std::filesystem::temp_directory_path() / "vellibrox-screenshots-records";
    std::filesystem::create_directories(work);
    vx::SetProgramFilesDir(work.string() + "/");
    const std::string table = (work / "sample.dbf").string();
    MakeSampleTable(table, 40);

    Option = new TOption();
    Option->Load();
    Option->AlwayShowTipOfTheDay = false;
    Option->WelcomePage = false;
    Option->AlwayShowCut = true;
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
        QTimer::singleShot(800, &form, [&] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                failures += !Save(box, out + "/records-cut-confirm.png");
                box->close();
            } else {
                ++failures;
            }
        });
        form.M3_CUTClick();
    }
    delete Option;
    Option = nullptr;
    std::filesystem::remove_all(work);
    return failures ? 1 : 0;
}
