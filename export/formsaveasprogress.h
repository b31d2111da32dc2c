// The "Save As ..." progress window: the percent of a running save, and what happens when it is
// done (close the window, open the output). Created once by the main window and reused; it
// cannot be closed while a save runs.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class TFlatPanel;
class TFlatProgressBar;
class TXPMenu;

class TFormSaveAsProgress : public QDialog {
    Q_OBJECT
public:
    enum { stRunning = 1, stDone = 2 };

    explicit TFormSaveAsProgress(QWidget* owner);

    void SetState(int state) { State = state; }
    // The bar at `percent` and the strip's text "37%".
    void SetProgress(int percent);
    int Progress() const;
    // Closes the window once the save is done; does nothing while it runs.
    void BitBtnCloseClick();

    int State = 0;
    TFlatPanel* FlatPanel = nullptr;
    TFlatProgressBar* FlatProgressBar = nullptr;
    QLabel* Image1 = nullptr;
    QCheckBox* cbCloseWhenSaveDone = nullptr;
    QCheckBox* cbOpenWhenSaveDone = nullptr;
    QPushButton* BitBtnClose = nullptr;
    TXPMenu* XPMenu1 = nullptr;

    // Closes without asking (done, or the main window goes away).
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Stores the two boxes in the settings and sets the bar back to 0.
    void FormClose();
};
