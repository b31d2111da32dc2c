#include "app/formmain_app.h"

#include <QString>
#include <cstdio>
#include <exception>

#include "app/msgbox.h"

namespace {

void ReportUncaught(const QString& text) {
    // A failure while the report itself is shown goes to the error stream instead, so reports
    // never pile up one inside another.
    static bool reporting = false;
    if (reporting) {
        std::fprintf(stderr, "Vellibrox: %s\n", text.toLocal8Bit().constData());
        return;
    }
    reporting = true;
    try {
        MsgBox(QString(), text, mbiWarning, mbbOK);
    } catch (...) {
        std::fprintf(stderr, "Vellibrox: %s\n", text.toLocal8Bit().constData());
    }
    reporting = false;
}

}  // namespace

bool RunGuarded(const std::function<bool()>& body) {
    QString text;
    try {
        return body();
    } catch (const std::exception& e) {
        text = QString::fromLocal8Bit(e.what());
    } catch (...) {
        text = QString();
    }
    if (text.isEmpty())
        text = QStringLiteral("Unknown error.");
    ReportUncaught(text);
    return false;
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    return RunGuarded([&] { return QApplication::notify(receiver, event); });
}
