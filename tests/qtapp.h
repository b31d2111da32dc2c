// The application object that widget tests need: made once per test process, on first use.
#pragma once

#include <QApplication>

namespace vxtest {

inline QApplication* App() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "vellibrox-test";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    return qApp;
}

}  // namespace vxtest
