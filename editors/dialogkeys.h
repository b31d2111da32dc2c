// The keys every dialog of the program shares: Enter moves the focus to the next control (on a
// button it presses the button), Esc closes the dialog as cancelled.
#pragma once

class QDialog;

// Watches the keys of `dialog` and of every control it holds now.
void InstallDialogKeys(QDialog* dialog);
