#include "app/errortext.h"

std::string CaughtFailureText() {
    std::string text;
    try {
        throw;
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
    }
    return text.empty() ? std::string("Unknown error") : text;
}

QString ErrorText(const std::exception& e) {
    const QString text = QString::fromLocal8Bit(e.what());
    return text.isEmpty() ? QStringLiteral("Unknown error.") : text;
}
