#include "common/errortext.h"

#include "common/bytetext.h"
#include "engine/dbferror.h"

namespace {

bool QuotesValue(const std::exception& e) { return dynamic_cast<const EDBFValueError*>(&e) != nullptr; }

}  // namespace

TFailure CaughtFailure() {
    TFailure failure;
    try {
        throw;
    } catch (const std::exception& e) {
        failure = {e.what(), QuotesValue(e)};
    } catch (...) {
        // Not a standard exception: it says nothing more than that it failed.
    }
    if (failure.Text.empty()) failure = {"Unknown error", false};
    return failure;
}

std::string CaughtFailureText() { return CaughtFailure().Text; }

QString FailureMessage(const TFailure& failure) {
    const QString text =
        failure.QuotesValue ? BytesToText(failure.Text) : QString::fromLocal8Bit(failure.Text.c_str());
    return text.isEmpty() ? QStringLiteral("Unknown error.") : text;
}

QString ErrorText(const std::exception& e) { return FailureMessage({e.what(), QuotesValue(e)}); }
