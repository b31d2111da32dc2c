// The text a failure is reported with.
#pragma once

#include <QString>

#include <exception>
#include <string>

// What a failure says: its text, and whether the text quotes a value's table bytes (and names
// no file), as the engine's EDBFValueError does.
struct TFailure {
    std::string Text;
    bool QuotesValue = false;
    bool empty() const { return Text.empty(); }
};

// The failure being handled, "Unknown error" when it says nothing or is not a standard
// exception; call only inside a catch block.
TFailure CaughtFailure();
std::string CaughtFailureText();

// Runs `job`: "" when it ends normally, else the text of what it threw, as CaughtFailureText.
template <class TJob>
std::string FailureOf(TJob&& job) {
    try {
        job();
    } catch (...) {
        return CaughtFailureText();
    }
    return {};
}

// What a failure says, for a message box: a text quoting table bytes through the byte text,
// any other (file names, fixed texts) as the system's 8-bit text; "Unknown error." when empty.
QString FailureMessage(const TFailure& failure);
QString ErrorText(const std::exception& e);
