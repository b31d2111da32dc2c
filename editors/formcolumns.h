// The show/hide columns dialog: one ticked entry per shown column of the record list. A hidden
// column keeps its place with width 0.
#pragma once

#include "common/formalphashow.h"
#include <QStringList>

#include <vector>

class QPushButton;
class TFlatCheckListBox;
class TXPMenu;

// The widths after OK: a ticked column of width 0 gets 100, a column not ticked gets 0, the
// others keep theirs. `ticked` holds captions.
std::vector<int> ColumnWidthsAfter(const QStringList& captions, const std::vector<int>& widths,
                                   const QStringList& ticked);

class TFormColumns : public TFormAlphaShow {
    Q_OBJECT
public:
    // captions and widths: the record list's columns in order.
    TFormColumns(QWidget* owner, const QStringList& captions, const std::vector<int>& widths);

    std::vector<int> Widths;  // the new widths, one per column (valid after OK)

    TFlatCheckListBox* clbColumns = nullptr;
    QPushButton* ButtonUp = nullptr;
    QPushButton* ButtonDown = nullptr;
    QPushButton* ButtonSelAll = nullptr;
    QPushButton* ButtonNotAll = nullptr;
    QPushButton* ButtonAdd = nullptr;  // without effect
    QPushButton* ButtonDel = nullptr;  // without effect
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    TXPMenu* XPMenu1 = nullptr;

    void ButtonUpClick();
    void ButtonDownClick();
    void ButtonSelAllClick();
    void ButtonNotAllClick();
    void BitBtn1Click();

private:
    // Entry i trades places with entry j, ticks included; j is selected.
    void SwapEntries(int i, int j);
    QStringList Captions;     // every column caption, at most 256
    std::vector<int> Widths0;  // the widths when the dialog opened
    QStringList Entries;       // the captions in the dialog's order
};
