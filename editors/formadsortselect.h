// The advanced-sort dialog: the record list's columns on the left, the sort keys (column and
// direction) on the right, moved across and ordered by buttons.
#pragma once

#include "common/columninfo.h"
#include "common/formalphashow.h"
#include "common/sort.h"

#include <QStringList>

#include <vector>

class QAction;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class TXPMenu;

class TFormAdSortSelect : public TFormAlphaShow {
    Q_OBJECT
public:
    // captions: the record list's column captions ("NAME [C] "); columns: the table's fields,
    // which the keys are found among by name.
    TFormAdSortSelect(QWidget* owner, const QStringList& captions, const std::vector<TColumnInfo>& columns);

    std::vector<TSortKey> Keys;  // the keys in priority order (valid after OK)

    QListWidget* ListBoxSrc = nullptr;
    QTreeWidget* ListViewDest = nullptr;
    QPushButton* ButtonToRight = nullptr;
    QPushButton* ButtonToLeft = nullptr;
    QPushButton* ButtonReverse = nullptr;
    QPushButton* ButtonReset = nullptr;
    QPushButton* ButtonUp = nullptr;
    QPushButton* ButtonDown = nullptr;
    QRadioButton* RadioAscending = nullptr;   // shown, without effect
    QRadioButton* RadioDescending = nullptr;  // shown, without effect
    QMenu* PopupMenu1 = nullptr;
    QAction* P_Asc = nullptr;
    QAction* P_Desc = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    TXPMenu* XPMenu1 = nullptr;

    void ButtonToRightClick();
    void ButtonToLeftClick();
    void ButtonUpClick();
    void ButtonDownClick();
    void ButtonReverseClick();
    void ButtonResetClick();
    void ListBoxSrcClick();
    void ListViewDestClick();
    void SetDirection(const QString& text);
    void BitBtn1Click();

private:
    void AppendDest(const QString& caption, const QString& direction);
    int DestIndex() const;
    void AfterSwap();  // the four moving buttons off, Reverse and Reset on
    QStringList Captions;  // every column caption, at most 256
    std::vector<TColumnInfo> Columns;
};
