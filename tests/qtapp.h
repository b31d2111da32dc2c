// What widget tests need: the application object (made once per test process, on first use),
// hand-made key, mouse and wheel events, and waiting for the event loop.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include <functional>

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

inline void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QCoreApplication::sendEvent(w, &press);
}

// The left button: pressed, released, double-clicked, or no button for a move.
inline void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const QPointF p(at);
    const bool move = type == QEvent::MouseMove;
    const bool down = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    QMouseEvent e(type, p, w->mapToGlobal(p), move ? Qt::NoButton : Qt::LeftButton,
                  down ? Qt::LeftButton : Qt::NoButton, mods);
    QCoreApplication::sendEvent(w, &e);
}

inline void Click(QWidget* w, QPoint at, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    Mouse(w, QEvent::MouseButtonPress, at, mods);
    Mouse(w, QEvent::MouseButtonRelease, at, mods);
}

inline void Wheel(QWidget* w, int delta, QPoint at = QPoint(10, 10)) {
    QWheelEvent e(QPointF(at), w->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &e);
}

// Runs the event loop until `done` or the time is up; returns `done`.
inline bool WaitUntil(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

}  // namespace vxtest
