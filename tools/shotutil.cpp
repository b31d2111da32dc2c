#include "tools/shotutil.h"

#include <QApplication>
#include <QEventLoop>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <cstdio>

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

}  // namespace shots
