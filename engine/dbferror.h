// The one error type of the table engine. Its text is what the user sees: most texts are the
// table's file name followed directly by a fixed text.
#pragma once

#include <stdexcept>
#include <string>

class EDBFError : public std::runtime_error {
public:
    explicit EDBFError(const std::string& text) : std::runtime_error(text) {}
};
