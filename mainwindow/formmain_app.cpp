#include "mainwindow/formmain_app.h"

#include <QString>
#include <cstdio>
#include <exception>

#include "common/errortext.h"
#include "common/msgbox.h"
#include "controls/colors.h"

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
        MsgBox(QString(), text, TMsgBoxIcon::Warning, TMsgBoxButtons::OK);
    } catch (...) {
        std::fprintf(stderr, "Vellibrox: %s\n", text.toLocal8Bit().constData());
    }
    reporting = false;
}

// The text of the exception being handled; call only inside a catch block.
QString CurrentExceptionText() {
    try {
        throw;
    } catch (const std::exception& e) {
        return ErrorText(e);
    } catch (...) {
        return QStringLiteral("Unknown error.");
    }
}

}  // namespace

bool RunGuarded(const std::function<bool()>& body) {
    QString text;
    try {
        return body();
    } catch (...) {
        text = CurrentExceptionText();
    }
    ReportUncaught(text);
    return false;
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The program's controls resolve system colours to the classic scheme; the toolkit's own
    // widgets take the same colours, so both look alike side by side.
    setStyle(QStringLiteral("Fusion"));
    setPalette(ClassicPalette());
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    QString text;
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        text = CurrentExceptionText();
    }
    ReportUncaught(text);
    return false;
}
