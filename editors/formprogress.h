// The progress window of a structure change: a flat progress bar and a panel with the percent.
// The main window creates it once and shows it modally while the worker runs; it cannot be
// closed by the user meanwhile, only by the worker's end (Finish).
#pragma once

#include "common/formalphashow.h"

class TFlatPanel;
class TFlatProgressBar;
class TXPMenu;

class TFormProgress : public TFormAlphaShow {
    Q_OBJECT
public:
    explicit TFormProgress(QWidget* owner = nullptr);

    // Bar position and the panel's "42%".
    void SetPosition(int value);
    // Closes the window (the worker has ended).
    void Finish();

    TFlatProgressBar* FlatProgressBar = nullptr;
    TFlatPanel* FlatPanel = nullptr;
    TXPMenu* XPMenu1 = nullptr;

    void reject() override;  // Esc and the title bar's close: ignored while shown for a worker

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool Closing = false;
};
