#include "common/findhistory.h"

#include "common/bytetext.h"
#include "common/programfiles.h"
#include "platform/filestream.h"

#include <QComboBox>
#include <QLineEdit>

#include <cstdint>

namespace vx {

std::vector<std::string> ReadFindHistory(const std::string& path) {
    std::vector<std::string> lines;
    // A character of the code page takes at most two bytes (and the line end one more).
    constexpr size_t maxLine = 2 * size_t(FindTextMaxLength) + 1;
    ReadFileLines(path, maxLine, UINT64_MAX, [&](std::string_view line) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty() && BytesToText(line).size() <= FindTextMaxLength) lines.emplace_back(line);
        return lines.size() < FindHistoryMax;
    });
    return lines;
}

std::vector<std::string> WithFindText(std::vector<std::string> history, const std::string& text) {
    // A line break would split the entry in two lines of the file.
    std::string entry = text.substr(0, text.find_first_of("\r\n"));
    if (entry.empty()) return history;
    const QString wanted = BytesToText(entry);
    for (auto it = history.begin(); it != history.end(); ++it) {
        if (BytesToText(*it).compare(wanted, Qt::CaseInsensitive) == 0) {
            history.erase(it);
            break;
        }
    }
    history.insert(history.begin(), entry);
    if (history.size() > FindHistoryMax) history.resize(FindHistoryMax);
    return history;
}

bool AddToFindHistory(const std::string& text) {
    const std::string path = FindHistoryPath();
    std::string bytes;
    for (const std::string& line : WithFindText(ReadFindHistory(path), text)) bytes += line + "\n";
    return WriteFileAtomic(path, bytes);
}

QStringList FindHistoryTexts() {
    QStringList out;
    for (const std::string& line : ReadFindHistory(FindHistoryPath())) out << BytesToText(line);
    return out;
}

void MakeSearchTextBox(QComboBox* box) {
    box->setEditable(true);
    box->lineEdit()->setMaxLength(FindTextMaxLength);
    box->setInsertPolicy(QComboBox::NoInsert);
    // The editable box's own completer would complete "Tea" to a listed "tea" (it ignores
    // letter case), and Enter would then choose the listed entry in place of the typed text.
    box->setCompleter(nullptr);
}

}  // namespace vx
