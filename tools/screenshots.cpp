// Writes pictures of the main window at start (welcome page), of the main window with a table
// (also at its minimum size),
// of every page of the options dialog, of a question with "Don't remind me again." and of the
// export dialog before, during and after an export of a large table, and of the "Save As ..."
// window during and after saving that table, into the folder given, as
// a user sees them. Run it under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x800x24" build/screenshots docs/screenshots [table.dbf [picture.png]]
// The table's picture is "main-table.png" unless named; table bytes show in the code page of
// the locale the run has (LANG=ru_RU.UTF-8 for a Cyrillic table).
// With "editors" in place of the table it writes the record editor forms and the memo editor
// instead: the edit form on a table of many fields (scrolled), the add form and the memo
// editor with a long text (editor-*.png).
#include "common/bytetext.h"
#include "common/columninfo.h"
#include "common/findhistory.h"
#include "mainwindow/formmain.h"
#include "mainwindow/formmain_app.h"
#include "mainwindow/formoptions.h"
#include "common/msgbox.h"
#include "common/option.h"
#include "common/sampletable.h"
#include "common/stats.h"
#include "controls/flatmemo.h"
#include "controls/flatprogressbar.h"
#include "editors/formadsortselect.h"
#include "editors/formcolumns.h"
#include "editors/formfilter.h"
#include "editors/formfind.h"
#include "editors/formreplace.h"
#include "editors/formstat.h"
#include "editors/memoeditor.h"
#include "editors/recordforms.h"
#include "engine/dbf.h"
#include "export/formexportpreview.h"
#include "export/formsaveasprogress.h"
#include "export/saveasthread.h"
#include "tools/shotutil.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTreeWidget>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <filesystem>

using shots::Settle;
using shots::Save;
using shots::GrabModal;

namespace {

// Opens a table in the window and waits for its rows.
void OpenAndWait(TFormMain& form, const std::string& path) {
    form.Open(QString::fromStdString(path));
    for (int i = 0; i < 100 && !(form.IsLoadOver() && !form.IsWorking()); ++i) Settle(50);
    Settle(200);
}

int EditorShots(TFormMain& form, const QString& out, const std::string& dir) {
    int failures = 0;
    // A table of many fields: the edit form scrolled to the middle of its rows.
    const std::string wide = dir + "/dbase_30.dbf";
    std::filesystem::copy_file(VX_FIXTURES "/dbase_30.dbf", wide, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(VX_FIXTURES "/dbase_30.fpt", dir + "/dbase_30.fpt",
                               std::filesystem::copy_options::overwrite_existing);
    OpenAndWait(form, wide);
    form.ListViewGoToRec(3);
    {
        TFormEditRecord edit(form.RecordFormHost(), &form);
        edit.show();
        Settle(300);
        QScrollBar* bar = edit.FieldArea->verticalScrollBar();
        bar->setValue(bar->maximum() / 2);
        Settle(300);
        failures += !Save(&edit, out + "/editor-edit.png");
    }
    // The sample table: the add form, and the memo editor holding a long text.
    const std::string sample = dir + "/sample.dbf";
    MakeSampleTable(sample, 20);
    OpenAndWait(form, sample);
    form.ListViewGoToRec(2);
    {
        TFormAddRecord add(form.RecordFormHost(), &form);
        add.show();
        Settle(300);
        failures += !Save(&add, out + "/editor-add.png");

        TFormMemoEditor memo(&add);
        QString text;
        for (int i = 1; i <= 40; ++i)
            text += QStringLiteral("Line %1 of a long memo: the quick brown fox jumps over the lazy dog, "
                                   "caf\u00e9 na\u00efve \u00a9.\r\n")
                        .arg(i);
        memo.FlatMemo->SetText(text);
        memo.show();
        Settle(300);
        failures += !Save(&memo, out + "/editor-memo.png");
    }
    return failures;
}

// Shows a dialog, lets it paint and saves its picture.
int SaveDialog(QWidget* dialog, const QString& file) {
    dialog->show();
    Settle(400);
    const bool ok = Save(dialog, file);
    dialog->close();
    return ok ? 0 : 1;
}

// The find, replace, filter, advanced-sort, statistics and columns dialogs over the open table,
// and the list sorted by its first column.
int FindAndSortPictures(TFormMain& form, const QString& out) {
    int failures = 0;
    for (const char* text : {"Smith", "2024", "abc"}) vx::AddToFindHistory(text);
    const QStringList fields = form.FieldNames();
    {
        TFormFind find(&form, fields, form.FindOptions, 0);
        failures += SaveDialog(&find, out + "/find-find.png");
    }
    {
        TFindOptions o = form.FindOptions;
        TFormReplace replace(&form, fields, o, static_cast<int>(form.DataList()->Count()));
        replace.EditReplaceValue->setText(QStringLiteral("Smyth"));
        failures += SaveDialog(&replace, out + "/find-replace.png");
    }
    {
        TFilterList filter = {{{TextToBytes(fields.value(0)), 7, "a"}, {TextToBytes(fields.value(1)), 4, "10"}}};
        TFormFilter dialog(&form, fields, filter, true);
        dialog.cbFieldName->setCurrentIndex(0);
        dialog.cbCondition->setCurrentIndex(1);
        dialog.EditValue->setText(QStringLiteral("Smith"));
        failures += SaveDialog(&dialog, out + "/find-filter.png");
    }
    {
        TFormAdSortSelect sort(&form, form.ColumnCaptions(), ColumnInfos(*form.CurDBF));
        for (int row : {1, 0}) {
            sort.ListBoxSrc->setCurrentRow(row);
            sort.ButtonToRightClick();
        }
        sort.SetDirection(QStringLiteral("Descending"));
        failures += SaveDialog(&sort, out + "/find-adsort.png");
    }
    {
        TFormStat stat(&form, FieldStatistics(*form.DataList(), ColumnInfos(*form.CurDBF)));
        failures += SaveDialog(&stat, out + "/find-stat.png");
    }
    {
        std::vector<int> widths;
        for (int i = 0; i < fields.size(); ++i) widths.push_back(i == 2 ? 0 : form.MainListView->columnWidth(i));
        TFormColumns columns(&form, form.ColumnCaptions(), widths);
        failures += SaveDialog(&columns, out + "/find-columns.png");
    }
    form.MainListViewColumnClick(0);
    form.MainListViewColumnClick(0);  // descending
    Settle(400);
    failures += !Save(&form, out + "/find-sorted-list.png");
    return failures;
}

// A table of a million records (NAME C(30), AMOUNT N(12,2), DAY D(8)) written in one go.
std::string MakeLargeTable(const std::string& path, uint32_t records) {
    CreateTableFile(path, 0x03, {{"NAME", 'C', 30}, {"AMOUNT", 'N', 12, 2}, {"DAY", 'D', 8}});
    TDBF t;
    t.SetFileName(path);
    t.Open();
    std::string batch;
    for (uint32_t i = 1; i <= records; ++i) {
        char rec[64];
        std::snprintf(rec, sizeof rec, "%c%-30s%12.2f2024%02u%02u", i % 97 ? ' ' : '*',
                      ("Customer " + std::to_string(i)).c_str(), i * 0.25, 1 + i % 12, 1 + i % 28);
        batch.append(rec, 51);
        if (batch.size() > (1 << 20) || i == records) {
            t.AppendRecords(reinterpret_cast<const uint8_t*>(batch.data()), batch.size() / 51);
            batch.clear();
        }
    }
    return path;
}

// The export dialog before, during and after an export of a large table to HTML.
// Pictures of `window` while a job runs (once, when `progress` is between 30 and 80) and after
// `running` says it has ended ("PREFIX-during.png", "PREFIX-after.png"); counts what is missing.
template <class TRunning, class TProgress>
int DuringAndAfter(QWidget* window, const QString& prefix, TRunning&& running, TProgress&& progress) {
    int failures = 0;
    bool during = false;
    while (running()) {
        Settle(5);
        const int at = progress();
        if (!during && at >= 30 && at <= 80) {
            during = true;
            failures += !Save(window, prefix + "-during.png");
        }
    }
    failures += !during;
    Settle(300);
    return failures + !Save(window, prefix + "-after.png");
}

int ExportShots(TFormMain& form, const QString& out, const std::string& folder) {
    form.Open(QString::fromStdString(MakeLargeTable(folder + "/customers.dbf", 1000000)));
    while (!form.IsLoadOver() || form.IsWorking()) Settle(100);
    Settle(300);
    std::filesystem::remove(folder + "/customers.html");
    const TMsgBoxHandler previous = SetMsgBoxHandler([](const TMsgBoxRequest& r) {
        return TMsgBoxResult{r.Buttons == TMsgBoxButtons::YesNo ? mrYes : mrOk, false};
    });
    int failures = 0;
    QTimer::singleShot(500, [&] {
        auto* dialog = qobject_cast<TFormExportPreview*>(QApplication::activeModalWidget());
        if (!dialog) return;
        dialog->cbTypeList->setCurrentIndex(5);
        dialog->EditExportFileName->setText(QString::fromStdString(folder + "/customers.html"));
        Settle(300);
        failures += !Save(dialog, out + "/export-before.png");
        dialog->BitBtn5Click();
        failures += DuringAndAfter(
            dialog, out + "/export", [&] { return dialog->Worker && (!dialog->Worker->Finished() || dialog->Exporting); },
            [&] { return dialog->ExportProgressBar->Position(); });
        dialog->reject();
    });
    form.M1_EXPORTClick();
    SetMsgBoxHandler(previous);
    return failures;
}

// The "Save As ..." window during and after saving the large table as HTML.
int SaveAsShots(TFormMain& form, const QString& out, const std::string& folder) {
    const auto previousAsk = TFormExportPreview::AskFileName;
    TFormExportPreview::AskFileName = [&](QWidget*, const QStringList&, QString& name, int& index) {
        name = QString::fromStdString(folder + "/saved");
        index = 6;
        return true;
    };
    const TMsgBoxHandler previous = SetMsgBoxHandler([](const TMsgBoxRequest&) { return TMsgBoxResult{mrYes, false}; });
    Option->CloseWhenJobDone = false;
    Option->OpenWhenJobDone = false;
    int failures = 0;
    form.M1_SAVEASClick();
    TFormSaveAsProgress* progress = form.SaveAsProgressForm;
    failures += DuringAndAfter(
        progress, out + "/saveas",
        [&] {
            return !form.SaveAsThread || !form.SaveAsThread->Finished() || progress->State != TFormSaveAsProgress::stDone;
        },
        [&] { return progress->Progress(); });
    progress->BitBtnCloseClick();
    SetMsgBoxHandler(previous);
    TFormExportPreview::AskFileName = previousAsk;
    return failures;
}

}  // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: screenshots FOLDER [table.dbf [picture.png] | editors]\n");
        return 2;
    }
    const QString out = shots::OutputFolder(argv[1]);
    const std::string settings = shots::UseOwnSettings("vellibrox-screenshots", true);
    int failures = 0;
    if (argc > 2 && std::string(argv[2]) == "editors") {
        TFormMain form;
        form.resize(920, 580);
        form.show();
        Settle(500);
        failures += EditorShots(form, out, settings);
        form.Close(true);
        delete Option;
        Option = nullptr;
        return failures ? 1 : 0;
    }
    {
        TFormMain form;
        form.show();
        Settle(800);
        failures += !Save(&form, out + "/main-welcome.png");

        TFormOptions options(&form);
        options.show();
        for (int i = 0; i < options.PageControl->count(); ++i) {
            options.PageControl->setCurrentIndex(i);
            Settle(300);
            failures += !Save(&options, out + QStringLiteral("/options-%1.png").arg(i));
        }
        options.close();

        GrabModal(out + "/question-checkbox.png");
        MsgBox(QString(), QStringLiteral("Quit?"), TMsgBoxIcon::Question, TMsgBoxButtons::YesNo, true, false, 30, 30);

        if (argc > 2) {
            form.Open(QString::fromLocal8Bit(argv[2]));
            Settle(1500);
            failures += !Save(&form, out + "/" + (argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("main-table.png")));
            {
                // The smallest window the user can make, with a record chosen.
                const QSize size = form.size();
                form.ListViewGoToRec(3);
                form.resize(form.minimumSize());
                Settle(500);
                failures += !Save(&form, out + "/main-minimum.png");
                form.ListViewNotSelAll();
                form.resize(size);
                Settle(300);
            }
            failures += FindAndSortPictures(form, out);
        }
        failures += ExportShots(form, out, settings);
        failures += SaveAsShots(form, out, settings);
    }
    delete Option;
    Option = nullptr;
    return failures ? 1 : 0;
}
