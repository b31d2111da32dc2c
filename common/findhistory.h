// The search history "OldFindText.txt": one search text per line, newest first, at most 15.
#pragma once

#include <QStringList>
#include <string>
#include <vector>

class QComboBox;

namespace vx {

inline constexpr size_t FindHistoryMax = 15;
// Characters a search box takes (its edit's limit).
inline constexpr int FindTextMaxLength = 32767;

// The lines of the history file as they stand (table bytes), newest first; a missing or
// unreadable file, or one that is not a regular file, is an empty history. At most
// FindHistoryMax lines are kept; a line longer than a search box takes is left out.
std::vector<std::string> ReadFindHistory(const std::string& path);
// The history after a search for `text`: an entry equal to it without regard to letter case
// leaves its place, the text goes on top, and the list keeps its first FindHistoryMax entries.
std::vector<std::string> WithFindText(std::vector<std::string> history, const std::string& text);
// Reads the history file, puts `text` on top as above and writes the file back whole. False
// when it could not be written (the search itself goes on).
bool AddToFindHistory(const std::string& text);
// The history file's lines as texts for the search boxes.
QStringList FindHistoryTexts();
// Makes `box` an editable box of a search text whose list offers the history: its text is
// exactly what the user typed or chose. Nothing completes the typed text from the history (an
// entry may differ from it only in letter case), and Enter adds nothing to the list.
void MakeSearchTextBox(QComboBox* box);

}  // namespace vx
