#include "export/worksheetappend.h"

#include "common/bytetext.h"
#include "common/recordimage.h"
#include "common/valuetext.h"
#include "engine/dbf.h"
#include "export/spreadsheet.h"
#include "export/worksheetimport.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

std::string UpperAscii(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}

// The letters of a sheet column counted from 0: A..Z, AA, AB, ...
std::string ColumnLetters(size_t column) {
    std::string s;
    for (size_t n = column + 1; n > 0; n = (n - 1) / 26) s.insert(s.begin(), char('A' + (n - 1) % 26));
    return s;
}

std::string Utf8(std::string_view bytes) { return BytesToText(bytes).toStdString(); }

}  // namespace

records::TAppendSource ReadWorksheetRecords(TDBF& dbf, const std::string& fileName, const std::function<bool()>& stop) {
    records::TAppendSource result;
    TRecordImage image(dbf);
    TNewRecords& out = result.Records;
    for (int i = 0; i < dbf.FieldCount; ++i)
        if (image.Field(i).GetFieldType() == 'M') out.MemoFields.push_back(i);
    // For each field, the sheet column of its name (-1: none).
    std::vector<int> from(size_t(dbf.FieldCount), -1);
    bool header = true;
    size_t columns = 0, sheetRow = 0;
    std::vector<std::string> cells;
    std::vector<char> held;
    std::string failure;
    try {
        const std::string unread = ReadWorksheetTexts(fileName, stop, [&](const std::vector<QString>& texts) {
            ++sheetRow;
            // Each cell in the program's code page; one a field takes must fit it exactly.
            cells.assign(texts.size(), std::string());
            held.assign(texts.size(), 1);
            for (size_t c = 0; c < texts.size(); ++c) {
                QString bad;
                if (std::optional<std::string> bytes = TryTextToBytes(texts[c], &bad)) {
                    cells[c] = std::move(*bytes);
                } else if (!header && c < columns && std::find(from.begin(), from.end(), int(c)) != from.end()) {
                    failure = "Row " + std::to_string(sheetRow) + ", column " + ColumnLetters(c) + ": " +
                              CannotHoldMessage(bad).toStdString() + " Nothing was appended.";
                    return false;
                } else {
                    cells[c] = "\x7F";  // a text no field takes: it only counts as not empty
                    held[c] = 0;
                }
            }
            if (header) {
                header = false;
                for (; columns < cells.size() && !valuetext::Trim(cells[columns]).empty(); ++columns) {
                    const std::string name = UpperAscii(valuetext::Trim(cells[columns]));
                    for (int i = 0; i < dbf.FieldCount && held[columns]; ++i)
                        if (from[size_t(i)] < 0 && UpperAscii(dbf.GetFieldName(i)) == name) from[size_t(i)] = int(columns);
                }
                return columns > 0;
            }
            bool any = false;
            for (size_t c = 0; c < columns && c < cells.size(); ++c) any |= !valuetext::Trim(cells[c]).empty();
            if (!any) return false;
            image.Blank();
            for (int i = 0; i < dbf.FieldCount; ++i) {
                const int c = from[size_t(i)];
                const std::string_view text =
                    c >= 0 && size_t(c) < cells.size() ? valuetext::Trim(cells[size_t(c)]) : std::string_view();
                if (image.Field(i).GetFieldType() == 'M') {
                    out.MemoTexts.emplace_back(text);
                    continue;
                }
                const TRecordImage::TStore stored = image.StoreText(i, text, TRecordImage::TTextKind::Display);
                if (stored == TRecordImage::TStore::Ok) continue;
                failure = "Record " + std::to_string(out.Count + 1) + ", field " + Utf8(dbf.GetFieldName(i)) + ": \"" +
                          Utf8(text) + "\"" +
                          (stored == TRecordImage::TStore::TooWide ? " is wider than the field."
                                                                   : " is not a valid value for this field.") +
                          " Nothing was appended.";
                return false;
            }
            out.Images.insert(out.Images.end(), image.Data(), image.Data() + image.Size());
            ++out.Count;
            return true;
        });
        if (failure.empty()) failure = unread;
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (!failure.empty() || (stop && stop())) {
        result.Message = failure;
        result.Records = TNewRecords{};
        return result;
    }
    result.Ok = true;
    return result;
}

records::TAppendSource ReadWorksheetRecordsWaiting(QWidget* owner, TDBF& dbf, const std::string& fileName,
                                                   bool& cancelled) {
    records::TAppendSource source;
    std::atomic<bool> stop{false}, done{false};
    QProgressDialog wait(QString::fromLatin1(WaitForSpreadsheetText), QStringLiteral("Cancel"), 0, 0, owner);
    wait.setObjectName(QStringLiteral("WaitForSpreadsheet"));
    wait.setWindowTitle(QStringLiteral("Append Record From"));
    wait.setWindowModality(Qt::WindowModal);
    wait.setAutoClose(false);
    wait.setAutoReset(false);
    wait.setMinimumDuration(0);
    QEventLoop loop;
    // Its Cancel button, its title bar's close and Esc all cancel; the reader then stops the
    // application's process and returns at once.
    auto cancel = [&] {
        stop = true;
        wait.hide();
    };
    QObject::connect(&wait, &QProgressDialog::canceled, &loop, cancel);
    QObject::connect(&wait, &QDialog::rejected, &loop, cancel);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done) loop.quit();
    });
    // The table is the reader's until it ends.
    dbf.Owner.Lend(TThreadOwner::TLoan::Whole);
    std::thread reader([&] {
        dbf.Owner.Borrow();
        source = ReadWorksheetRecords(dbf, fileName, [&stop] { return stop.load(); });
        dbf.Owner.Return();
        done = true;
    });
    poll.start(20);
    wait.show();
    loop.exec();
    reader.join();
    cancelled = stop;
    if (cancelled) source = records::TAppendSource();
    return source;
}
