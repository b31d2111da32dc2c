// Program entry: the settings, the main window, the event loop; the settings are saved by the
// main window when it closes.
#include "mainwindow/formmain.h"
#include "mainwindow/formmain_app.h"
#include "common/option.h"
#include "platform/filestream.h"

int main(int argc, char** argv) {
    // A write past a file-size limit then fails like any other, and the command that wrote it
    // says so and leaves its files as its failure path leaves them.
    vx::IgnoreFileSizeSignal();
    TApplication app(argc, argv);  // takes its own options out of argv
    TApplication::setApplicationName(QStringLiteral("Vellibrox"));

    Option = new TOption();
    Option->Load();

    int result = 0;
    {
        TFormMain form;
        form.OpenCommandLine(argc, argv);
        form.show();
        result = app.exec();
    }

    delete Option;
    Option = nullptr;
    return result;
}
