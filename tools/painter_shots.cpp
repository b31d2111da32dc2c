// Writes pictures of the painted forms as a user sees them, each beside the same form while its
// painter is not active (every widget in its own look): the main window with the File menu
// open, the record list's pop-up menu over a table, the options dialog's Color and Box pages,
// the record edit form on a table of many fields and the export dialog. Popped-up menus are
// separate windows, so the pictures are taken from the screen; run it under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x800x24" build/painter_shots OUT-FOLDER PREFIX table.dbf
// and it writes OUT-FOLDER/PREFIX-main-file.png, -popup.png, -options.png, -options-box.png,
// -editor.png and -export.png.
#include "mainwindow/formmain.h"
#include "mainwindow/formmain_app.h"
#include "mainwindow/formoptions.h"
#include "common/option.h"
#include "controls/xpmenu.h"
#include "editors/recordforms.h"
#include "export/formexportpreview.h"
#include "tools/shotutil.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>

using shots::Settle;
using shots::Save;

namespace {

// The screen inside the window's frame, grown to take in a menu hanging out of it.
QPixmap ScreenShot(QWidget* window, const QWidget* menu) {
    QRect area(window->mapToGlobal(QPoint(0, 0)), window->size());
    if (menu && menu->isVisible())
        area = area.united(QRect(menu->mapToGlobal(QPoint(0, 0)), menu->size()));
    return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
}

// The two pictures side by side on white, each under its caption.
QPixmap SideBySide(const QPixmap& before, const QPixmap& after) {
    constexpr int Gap = 8, CaptionHeight = 22;
    const int cell = std::max(before.width(), after.width());
    QPixmap both(2 * cell + Gap, CaptionHeight + std::max(before.height(), after.height()));
    both.fill(Qt::white);
    QPainter canvas(&both);
    QFont font = QApplication::font();
    font.setPixelSize(13);
    canvas.setFont(font);
    canvas.setPen(Qt::black);
    const QPixmap* pictures[] = {&before, &after};
    const QString captions[] = {QStringLiteral("Before the painter"), QStringLiteral("With the painter")};
    for (int i = 0; i < 2; ++i) {
        const int left = i * (cell + Gap);
        canvas.drawText(QRect(left, 0, cell, CaptionHeight), Qt::AlignCenter, captions[i]);
        canvas.drawPixmap(left + (cell - pictures[i]->width()) / 2, CaptionHeight, *pictures[i]);
    }
    return both;
}

// The picture `take` makes while the form's painter is not active, beside the one it makes as
// the program shows the form.
QPixmap BeforeAndAfter(TXPMenu* painter, const std::function<QPixmap()>& take) {
    painter->SetActive(false);
    Settle(400);
    const QPixmap before = take();
    painter->SetActive(true);
    Settle(400);
    return SideBySide(before, take());
}

// A pop-up menu shown at `at` (global), the pointer on `item`, with the window behind it.
QPixmap MenuShot(QWidget* window, QMenu* menu, QPoint at, QAction* item, QMenuBar* bar = nullptr) {
    menu->popup(at);
    if (bar)
        bar->setActiveAction(menu->menuAction());
    Settle(400);
    menu->setActiveAction(item);
    Settle(400);
    const QPixmap shot = ScreenShot(window, menu);
    menu->close();
    Settle(300);
    return shot;
}

// The edit form on a table of many fields, its rows scrolled to the middle.
int EditorShot(TFormMain& main, const QString& file) {
    const std::string dir = (std::filesystem::temp_directory_path() / "vellibrox-painter-shots").string();
    for (const char* name : {"dbase_30.dbf", "dbase_30.fpt"})
        std::filesystem::copy_file(std::string(VX_FIXTURES "/") + name, dir + "/" + name,
                                   std::filesystem::copy_options::overwrite_existing);
    main.Open(QString::fromStdString(dir + "/dbase_30.dbf"));
    for (int i = 0; i < 100 && !(main.IsLoadOver() && !main.IsWorking()); ++i) Settle(50);
    main.ListViewGoToRec(3);
    TFormEditRecord edit(main.RecordFormHost(), &main);
    edit.move(40, 40);
    edit.show();
    Settle(300);
    QScrollBar* bar = edit.FieldArea->verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    // The focus on an input in view, to show the focused frame.
    edit.activateWindow();
    for (const TFormRecord::TFieldRow& row : edit.FieldRows)
        if (row.Caption->text() == QLatin1String("OBJNAME"))
            row.Input->setFocus();
    return !Save(BeforeAndAfter(edit.XPMenu1, [&] { return ScreenShot(&edit, nullptr); }), file);
}

// The export dialog on the open table, HTML chosen and a file name typed.
int ExportShot(TFormMain& main, const QString& file) {
    int failures = 1;
    QTimer::singleShot(500, [&] {
        auto* dialog = qobject_cast<TFormExportPreview*>(QApplication::activeModalWidget());
        if (!dialog) return;
        dialog->move(40, 40);
        dialog->cbTypeList->setCurrentIndex(5);
        dialog->EditExportFileName->setText(QStringLiteral("/home/user/dbase_30.html"));
        Settle(300);
        failures = !Save(BeforeAndAfter(dialog->XPMenu1, [&] { return ScreenShot(dialog, nullptr); }), file);
        dialog->reject();
    });
    main.M1_EXPORTClick();
    return failures;
}

}  // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    QApplication::setCursorFlashTime(0);  // a caret that always shows
    if (argc < 4) {
        std::fprintf(stderr, "usage: painter_shots FOLDER PREFIX table.dbf\n");
        return 2;
    }
    const QString out = shots::OutputFolder(argv[1]);
    const QString prefix = out + QLatin1Char('/') + QString::fromLocal8Bit(argv[2]);
    shots::UseOwnSettings("vellibrox-painter-shots");
    int failures = 0;
    {
        TFormMain form;
        form.move(0, 0);
        form.show();
        form.Open(QString::fromLocal8Bit(argv[3]));
        Settle(1500);

        // File menu, the pointer on Open.
        QMenuBar* bar = form.menuBar();
        const QPoint fileAt = bar->mapToGlobal(bar->actionGeometry(form.MenuFile->menuAction()).bottomLeft() + QPoint(0, 1));
        failures += !Save(BeforeAndAfter(form.MainXPMenu,
                                         [&] { return MenuShot(&form, form.MenuFile, fileAt, form.M1_OPEN, bar); }),
                          prefix + QStringLiteral("-main-file.png"));

        // The record list's pop-up menu, the pointer on its first item.
        form.MainListView->selectRow(1);
        const QPoint popupAt = form.MainListView->viewport()->mapToGlobal(QPoint(120, 60));
        failures += !Save(BeforeAndAfter(form.MainXPMenu,
                                         [&] { return MenuShot(&form, form.MainPopupMenu, popupAt, form.P1_N1); }),
                          prefix + QStringLiteral("-popup.png"));

        // The options dialog's Color and Box pages.
        TFormOptions options(&form);
        options.move(40, 40);
        options.show();
        Settle(600);
        const auto optionsShot = [&] { return ScreenShot(&options, nullptr); };
        failures += !Save(BeforeAndAfter(options.XPMenu1, optionsShot), prefix + QStringLiteral("-options.png"));
        options.PageControl->setCurrentIndex(1);
        failures += !Save(BeforeAndAfter(options.XPMenu1, optionsShot), prefix + QStringLiteral("-options-box.png"));
        options.close();

        failures += EditorShot(form, prefix + QStringLiteral("-editor.png"));
        failures += ExportShot(form, prefix + QStringLiteral("-export.png"));
        form.Close(true);
    }
    delete Option;
    Option = nullptr;
    return failures ? 1 : 0;
}
