// The text a failure is reported with.
#pragma once

#include <QString>

#include <exception>
#include <string>

// The text of the exception being handled, "Unknown error" when it says nothing or is not a
// standard exception; call only inside a catch block.
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

// What `e` says, for a message box; "Unknown error." when it says nothing.
QString ErrorText(const std::exception& e);
