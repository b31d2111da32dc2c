// Writes pictures of the create-table dialog with five fields, the new-field dialog, the
// delete-fields dialog and the progress window while a field is added to a large table, into
// the folder given. Run it under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x800x24" build/screenshots_structure docs/screenshots
#include "mainwindow/formmain.h"
#include "mainwindow/formmain_app.h"
#include "common/option.h"
#include "common/sampletable.h"
#include "controls/flatchecklistbox.h"
#include "controls/flatprogressbar.h"
#include "editors/fieldtypes.h"
#include "editors/formcreatedbf.h"
#include "editors/formfieldadd.h"
#include "editors/formprogress.h"
#include "engine/dbf.h"
#include "tools/shotutil.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>

using shots::Settle;
using shots::Save;

namespace {

// A FoxBASE+ table of `records` records: NAME C(24), AMOUNT N(12,2), DAY D(8).
void MakeLargeTable(const std::string& path, uint32_t records) {
    CreateTableFile(path, 0x03, {{"NAME", 'C', 24}, {"AMOUNT", 'N', 12, 2}, {"DAY", 'D', 8}});
    std::ofstream out(path, std::ios::binary | std::ios::app);
    std::string chunk;
    for (uint32_t i = 1; i <= records; ++i) {
        char rec[64];
        std::snprintf(rec, sizeof rec, " %-24s%12.2f2024%02u%02u", ("Customer " + std::to_string(i)).c_str(), i * 1.25,
                      1 + i % 12, 1 + i % 28);
        chunk.append(rec, 45);
        if (chunk.size() > (1 << 20)) {
            out.write(chunk.data(), std::streamsize(chunk.size()));
            chunk.clear();
        }
    }
    out.write(chunk.data(), std::streamsize(chunk.size()));
    out.close();
    TDBF dbf;  // stores the record count the data hold
    dbf.SetFileName(path);
    dbf.Open();
}

class NoHost : public TCreateTableHost {
public:
    QString OpenFileName(const QString&) override { return {}; }
    QString SaveFileName(const QString&) override { return {}; }
    void CloseDocument() override {}
    bool OpenTable(const QString&) override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: screenshots_structure FOLDER\n");
        return 2;
    }
    const QString out = shots::OutputFolder(argv[1]);
    const std::filesystem::path work = shots::UseOwnSettings("vellibrox-screenshots-structure");
    int failures = 0;
    {
        TFormMain form;
        form.show();
        Settle(500);

        NoHost host;
        TFormCreateDBF create(&host, &form);
        create.cbFileType->setCurrentIndex(fieldtypes::kVisualFoxPro);
        create.AddRow({"CODE", "Character", 10, 0});
        create.AddRow({"NAME", "Character", 40, 0});
        create.AddRow({"PRICE", "Currency", 8, 4});
        create.AddRow({"BORN", "Date", 8, 0});
        create.AddRow({"NOTE", "Memo", 4, 0});
        create.SelectRow(2);
        create.show();
        Settle(400);
        failures += !Save(create.grab(), out + "/structure-create.png");
        create.hide();

        const std::string table = (work / "customers.dbf").string();
        MakeLargeTable(table, 600000);
        form.Open(QString::fromStdString(table));
        while (!form.IsLoadOver() || form.IsWorking()) Settle(100);

        TFormFieldAdd add(*form.CurDBF, &form);
        add.EditName->setText(QStringLiteral("ACTIVE"));
        add.cbType->setCurrentIndex(fieldtypes::tiLogical);
        add.EditFilledValue->setText(QStringLiteral("T"));
        add.show();
        Settle(400);
        failures += !Save(add.grab(), out + "/structure-newfield.png");
        add.hide();

        TFormFieldDelete del(*form.CurDBF, &form);
        del.clbFields->SetChecked(1, true);
        del.show();
        Settle(400);
        failures += !Save(del.grab(), out + "/structure-deletefields.png");
        del.hide();

        // The progress window over the main window while the field goes in.
        bool grabbed = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (grabbed || !form.ProgressForm->isVisible()) return;
            if (form.ProgressForm->FlatProgressBar->Position() < 40) return;
            grabbed = true;
            failures += !Save(QGuiApplication::primaryScreen()->grabWindow(0), out + "/structure-progress.png");
        });
        poll.start(20);
        form.StartFieldAdd({"ACTIVE", 'L', 1, 0, "T"});
        while (form.FieldEditorThread || form.IsWorking()) Settle(50);
        failures += !grabbed;
    }
    delete Option;
    Option = nullptr;
    std::filesystem::remove_all(work);
    return failures ? 1 : 0;
}
