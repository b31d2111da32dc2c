// The text a failure is reported with.
#pragma once

#include <QString>

#include <exception>
#include <string>

// The text of the exception being handled, "Unknown error" when it says nothing or is not a
// standard exception; call only inside a catch block.
std::string CaughtFailureText();

// What `e` says, for a message box; "Unknown error." when it says nothing.
QString ErrorText(const std::exception& e);
