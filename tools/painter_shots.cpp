// Writes pictures of the painted forms as a user sees them, menus included: the main window
// with the File menu open, the record list's pop-up menu over a table, the options dialog's
// Color and Box pages. Popped-up menus are separate windows, so the pictures are taken from the
// screen; run it under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x800x24" build/painter_shots OUT-FOLDER PREFIX table.dbf
// and it writes OUT-FOLDER/PREFIX-main-file.png, -popup.png, -options.png, -options-box.png.
#include "app/formmain.h"
#include "app/formmain_app.h"
#include "app/formoptions.h"
#include "app/option.h"
#include "app/programfiles.h"

#include <QDir>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTabWidget>
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

bool Save(const QPixmap& pm, const QString& file) {
    const bool ok = pm.save(file);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
    return ok;
}

// The screen inside the window's frame, grown to take in a menu hanging out of it.
QPixmap ScreenShot(QWidget* window, const QWidget* menu) {
    QRect area(window->mapToGlobal(QPoint(0, 0)), window->size());
    if (menu && menu->isVisible())
        area = area.united(QRect(menu->mapToGlobal(QPoint(0, 0)), menu->size()));
    return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
}

}  // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: painter_shots FOLDER PREFIX table.dbf\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString prefix = out + QLatin1Char('/') + QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    const std::string settings = (std::filesystem::temp_directory_path() / "vellibrox-painter-shots").string();
    std::filesystem::create_directories(settings);
    vx::SetProgramFilesDir(settings + "/");

    Option = new TOption();
    Option->Load();
    Option->AlwayShowTipOfTheDay = false;
    Option->WelcomePage = false;
    int failures = 0;
    {
        TFormMain form;
        form.move(0, 0);
        form.show();
        form.Open(QString::fromLocal8Bit(argv[3]));
        Settle(1500);

        // File menu, the pointer on Open.
        QMenuBar* bar = form.menuBar();
        const QRect fileItem = bar->actionGeometry(form.MenuFile->menuAction());
        form.MenuFile->popup(bar->mapToGlobal(fileItem.bottomLeft() + QPoint(0, 1)));
        bar->setActiveAction(form.MenuFile->menuAction());
        Settle(400);
        form.MenuFile->setActiveAction(form.M1_OPEN);
        Settle(400);
        failures += !Save(ScreenShot(&form, form.MenuFile), prefix + QStringLiteral("-main-file.png"));
        form.MenuFile->close();
        Settle(300);

        // The record list's pop-up menu, the pointer on its first item.
        QWidget* viewport = form.MainListView->viewport();
        form.MainListView->selectRow(1);
        form.MainPopupMenu->popup(viewport->mapToGlobal(QPoint(120, 60)));
        Settle(400);
        form.MainPopupMenu->setActiveAction(form.P1_N1);
        Settle(400);
        failures += !Save(ScreenShot(&form, form.MainPopupMenu), prefix + QStringLiteral("-popup.png"));
        form.MainPopupMenu->close();
        Settle(300);

        TFormOptions options(&form);
        options.move(40, 40);
        options.show();
        Settle(600);
        failures += !Save(ScreenShot(&options, nullptr), prefix + QStringLiteral("-options.png"));
        options.PageControl->setCurrentIndex(1);
        Settle(400);
        failures += !Save(ScreenShot(&options, nullptr), prefix + QStringLiteral("-options-box.png"));
        options.close();
    }
    delete Option;
    Option = nullptr;
    return failures ? 1 : 0;
}
