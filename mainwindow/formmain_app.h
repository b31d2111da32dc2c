// The application object: one place that catches what no command caught, so that an exception
// never crosses the event loop, and shows its text in the program's message box.
#pragma once

#include <QApplication>
#include <functional>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Runs `body` and returns its result; an exception that escapes it is reported in a warning
// box (its text, or "Unknown error." when it carries none) and `false` is returned.
bool RunGuarded(const std::function<bool()>& body);
