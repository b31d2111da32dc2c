// Helpers the picture-taking tools share: waiting for the window to draw, writing a picture and
// saying so, and grabbing the modal dialog a command is about to show.
#pragma once

#include <QString>

#include <string>

class QPixmap;
class QWidget;

namespace shots {

// Runs the event loop for `ms` milliseconds so that windows draw and timers fire.
void Settle(int ms);

// Writes the picture to `file` and prints whether it was written.
bool Save(const QPixmap& picture, const QString& file);
bool Save(QWidget* widget, const QString& file);

// After `delayMs`, writes the active modal dialog to `file` and closes it; counts a missing
// dialog or an unwritten picture in `failures` when given.
void GrabModal(const QString& file, int delayMs = 700, int* failures = nullptr);

// The folder of the pictures, the first argument made absolute; created when missing.
QString OutputFolder(const char* argument);

// Gives the tool settings of its own in folder `name` under the temporary folder, so that a run
// never touches the program's files, and loads them into Option without the tip of the day;
// returns the folder.
std::string UseOwnSettings(const char* name, bool welcomePage = false);

}  // namespace shots
