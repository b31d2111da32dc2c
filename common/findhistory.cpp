#include "common/findhistory.h"

#include "common/bytetext.h"
#include "common/programfiles.h"
#include "platform/filestream.h"

#include <QComboBox>

#include <fstream>

namespace vx {

std::vector<std::string> ReadFindHistory(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (lines.size() < FindHistoryMax && in && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
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
    box->setInsertPolicy(QComboBox::NoInsert);
    // The editable box's own completer would complete "Tea" to a listed "tea" (it ignores
    // letter case), and Enter would then choose the listed entry in place of the typed text.
    box->setCompleter(nullptr);
}

}  // namespace vx
