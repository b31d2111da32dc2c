#include "tools/shotutil.h"

#include "common/option.h"
#include "common/programfiles.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <filesystem>

namespace shots {

void Settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool Save(const QPixmap& picture, const QString& file) {
    const bool ok = picture.save(file);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
    return ok;
}

bool Save(QWidget* widget, const QString& file) { return Save(widget->grab(), file); }

void GrabModal(const QString& file, int delayMs, int* failures) {
    QTimer::singleShot(delayMs, qApp, [file, failures] {
        QWidget* w = QApplication::activeModalWidget();
        const bool ok = w && Save(w, file);
        if (w) w->close();
        if (!ok && failures) ++*failures;
    });
}

QString OutputFolder(const char* argument) {
    const QString out = QDir(QString::fromLocal8Bit(argument)).absolutePath();
    QDir().mkpath(out);
    return out;
}

std::string UseOwnSettings(const char* name, bool welcomePage) {
    const std::string folder = (std::filesystem::temp_directory_path() / name).string();
    std::filesystem::create_directories(folder);
    vx::SetProgramFilesDir(folder + "/");
    Option = new TOption();
    Option->Load();
    Option->AlwayShowTipOfTheDay = false;
    Option->WelcomePage = welcomePage;
    return folder;
}

}  // namespace shots
