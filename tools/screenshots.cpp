// Writes pictures of the main window at start (welcome page), of the main window with a table
// (also at its minimum size),
// of every page of the options dialog and of a question with "Don't remind me again." into
// the folder given, as a user sees them. Run it under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x800x24" build/screenshots docs/screenshots [table.dbf]
#include "app/formmain.h"
#include "app/formmain_app.h"
#include "app/formoptions.h"
#include "app/msgbox.h"
#include "app/option.h"
#include "app/programfiles.h"

#include <QDir>
#include <QEventLoop>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <filesystem>

namespace {

void Settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool Save(QWidget* w, const QString& file) {
    bool ok = w->grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
    return ok;
}

// Grabs the active modal dialog once it is shown, then closes it.
void GrabModal(const QString& file) {
    QTimer::singleShot(700, [file] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            Save(w, file);
            w->close();
        }
    });
}

}  // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: screenshots FOLDER [table.dbf]\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);
    // Settings of their own, so that a run never touches the program's files.
    const std::string settings = (std::filesystem::temp_directory_path() / "vellibrox-screenshots").string();
    std::filesystem::create_directories(settings);
    vx::SetProgramFilesDir(settings + "/");

    Option = new TOption();
    Option->Load();
    Option->AlwayShowTipOfTheDay = false;
    Option->WelcomePage = true;
    int failures = 0;
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
        MsgBox(QString(), QStringLiteral("Quit?"), mbiQuestion, mbbYesNo, true, false, 30, 30);

        if (argc > 2) {
            form.Open(QString::fromLocal8Bit(argv[2]));
            Settle(1500);
            failures += !Save(&form, out + "/main-table.png");
            // The smallest window the user can make, with a record chosen.
            form.ListViewGoToRec(3);
            form.resize(form.minimumSize());
            Settle(500);
            failures += !Save(&form, out + "/main-minimum.png");
        }
    }
    delete Option;
    Option = nullptr;
    return failures ? 1 : 0;
}
