// The memo editor: a modal window in which the text of one memo field is typed, imported from
// a text file at the caret or cleared, with the number of bytes the text takes. The record
// forms put the text in (FlatMemo->SetText), show it and take the text back however it closes.
#pragma once

#include "common/formalphashow.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <string_view>

class QLabel;
class QAction;
class QStatusBar;
class QToolBar;
class TFlatMemo;
class TXPMenu;

namespace memoimport {

// The lines of a file's text as a string list loads them: a line ends at CR LF, LF or CR, and
// a line break at the very end adds no empty line.
QStringList SplitLines(const QString& text);

// The memo's text (its lines joined by CR LF) after the file lines are put in at the caret,
// which stands in line `row` before column `column`: the first file line continues the caret's
// line, what stood after the caret follows the last file line, and a caret at the end of its
// line leaves a line break after the last file line. No file lines leave the text as it was.
QString InsertLines(const QStringList& memo, int row, int column, const QStringList& file);

}  // namespace memoimport

// "%d Bytes" with the bytes the text takes in the program's code page (a line break is CR LF,
// two bytes).
QString ByteCountText(const QString& text);

class TFormMemoEditor : public TFormAlphaShow {
    Q_OBJECT
public:
    explicit TFormMemoEditor(QWidget* owner = nullptr);

    QWidget* MemoEditorControlBar = nullptr;
    QToolBar* MemoEditorToolBar = nullptr;
    QAction* ME_TB_IMPORT = nullptr;
    QAction* ME_TB_CLEAR = nullptr;
    TFlatMemo* FlatMemo = nullptr;
    QStatusBar* StatusBar = nullptr;
    QLabel* StatusPanel0 = nullptr;  // the byte counter
    TXPMenu* XPMenu1 = nullptr;

    void FlatMemoChange();
    void ME_TB_CLEARClick();
    // Asks for a text file and puts its lines in at the caret.
    void ME_TB_IMPORTClick();
    // Puts the lines of the file in at the caret. A file that cannot be read is reported and
    // the memo keeps its text; returns false then.
    bool ImportFile(const QString& path);

    // Asks for the file to import; an empty name cancels. Tests replace it.
    static std::function<QString(QWidget* parent)> ChooseImportFile;

protected:
    void showEvent(QShowEvent* event) override;
};
