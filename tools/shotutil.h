// Helpers the picture-taking tools share: waiting for the window to draw, writing a picture and
// saying so, and grabbing the modal dialog a command is about to show.
#pragma once

class QPixmap;
class QString;
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

}  // namespace shots
