// The record editor forms: TFormEditRecord changes the record of the selected list row,
// TFormAddRecord appends a record and TFormInsertRecord inserts one before the selected row.
// Each builds one caption and one input per field of the open table, chosen by the field's
// type, and writes the inputs back through the engine (editors/recordwriter.h), then brings
// the main window's row list up to date through TRecordFormHost.
//
// The rows of inputs scroll when the table has more fields than the form shows. Every input
// is converted and checked before anything is written; the edit form writes only the fields
// whose input the user changed.
#pragma once

#include "common/formalphashow.h"
#include "editors/fieldinput.h"

#include <QString>

#include <string>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QTimeEdit;
class QToolBar;
class QAction;
class TDBF;
class TDateEdit;
class TNumberEdit;
class TXPMenu;
struct TRowStore;

// What the record forms ask of the main window.
class TRecordFormHost {
public:
    virtual ~TRecordFormHost() = default;
    virtual TDBF& Table() = 0;
    virtual TRowStore& Rows() = 0;
    // The first selected row of the record list; -1 when none is.
    virtual int SelectedIndex() = 0;
    // Record list navigation (positions are 1-based).
    virtual void GoFirst() = 0;
    virtual void GoPrior() = 0;
    virtual void GoNext() = 0;
    virtual void GoLast() = 0;
    virtual void GoToRec(int position) = 0;
    // A row's texts changed: repaint the list and refresh the file information.
    virtual void RowTextsChanged() = 0;
    // A row was added: record count, item count, repaint, file information, shown/total.
    virtual void RowCountChanged() = 0;
};

class TFormRecord : public TFormAlphaShow {
    Q_OBJECT
public:
    // One field's caption and input. The object names are "lbtmp" + name, "tmp" + name and,
    // for the time part, "tmp" + name + "_t".
    struct TFieldRow {
        recedit::TInputField Field;
        QLabel* Caption = nullptr;
        QWidget* Input = nullptr;  // the control that takes the focus
        TDateEdit* Date = nullptr;
        QTimeEdit* Time = nullptr;
        QComboBox* Logical = nullptr;
        QLineEdit* Edit = nullptr;  // edits, and the memo and read-only displays
        QString Memo;               // the memo text ("tmp" + name + "_m")
        recedit::TFieldInput Loaded;  // what the input showed when it was filled
    };

    QPushButton* BitBtn1 = nullptr;  // OK (not visible)
    QPushButton* BitBtn2 = nullptr;  // Close
    QPushButton* BitBtn3 = nullptr;  // Apply
    QPushButton* BitBtn4 = nullptr;  // Clear
    QFrame* Panel1 = nullptr;
    QScrollArea* FieldArea = nullptr;  // holds the rows
    TXPMenu* XPMenu1 = nullptr;
    std::vector<TFieldRow> FieldRows;  // by field index

    // Apply: writes the inputs and leaves the form open; true when written.
    bool BitBtn3Click();
    // OK: Apply, then closes when it succeeded.
    void BitBtn1Click();
    // Clear: empties the inputs; nothing is written.
    void BitBtn4Click();
    // Opens the memo editor on the memo of field `field`.
    void MemoDblClick(int field);

    // False when the form could not read what it shows (the record, or the table's layout for
    // a new record) and has said why: it is not to be shown.
    bool Ready() const { return IsReady; }

    // What the input of a field holds now / shows a value.
    recedit::TFieldInput CurrentInput(int field) const;
    void ShowInput(int field, const recedit::TFieldInput& input);

    static constexpr int MinWidth = 445;
    // Rows: caption at 20, input at 110 (190 wide), one every 30 pixels.
    static constexpr int RowHeight = 30;

protected:
    TFormRecord(TRecordFormHost& host, QWidget* owner, const QString& objectName, const QString& caption,
                int height, int firstRowTop, int buttonsTop);
    // Builds the rows (the painter off meanwhile).
    void BuildRows();
    // Fills every input from the table's current record / with a new record's values.
    void LoadInputs();
    void LoadNewRecordInputs();
    // Converts the inputs of the fields in `fields`; false after telling the user which input
    // is refused (the focus goes there).
    bool ConvertInputs(const std::vector<int>& fields, std::vector<recedit::TFieldWrite>& writes);
    // Writes the inputs; false when nothing was written. Each form writes its own way.
    virtual bool WriteInputs() = 0;
    // Whether Clear blanks the date of a date-time input.
    virtual bool ClearBlanksDateTime() const { return true; }
    // Reports an engine failure; false.
    bool ReportFailure(const QString& text);
    // The window the form's messages are centred on: the form once it shows, its owner (the
    // main window) while it does not, as when it refuses to open.
    QWidget* MessageOwner();
    // For the forms of a new record: checks that the table still has the layout it was
    // opened with; reports and clears Ready when not.
    void CheckLayout();
    void ShowSucceed(const QString& text);

    void resizeEvent(QResizeEvent* event) override;

    TRecordFormHost& Host;
    int FirstRowTop;
    bool IsReady = true;

private:
    void AddRow(const recedit::TInputField& field, QWidget* content, int top);
};

class TFormEditRecord : public TFormRecord {
    Q_OBJECT
public:
    TFormEditRecord(TRecordFormHost& host, QWidget* owner = nullptr);

    QWidget* EditFormFuncControlBar = nullptr;
    QToolBar* ToolBarRec = nullptr;
    QAction *TB_FIRSTREC = nullptr, *TB_PRIORREC = nullptr, *TB_NEXTREC = nullptr, *TB_LASTREC = nullptr;
    TNumberEdit* EditEditCurRecNo = nullptr;
    QLabel* PanelRecNum = nullptr;

    // Reloads the record of the selected row into the inputs; false when no row is selected
    // or the record could not be read (said to the user).
    bool ReLoadData();
    void TB_FIRSTRECClick();
    void TB_PRIORRECClick();
    void TB_NEXTRECClick();
    void TB_LASTRECClick();
    void EditEditCurRecNoKeyDown(int& key);

protected:
    bool WriteInputs() override;
    bool ClearBlanksDateTime() const override { return false; }
    void resizeEvent(QResizeEvent* event) override;

private:
    int RowCount = 0;  // rows in the list when the form was made
    // The record's bytes when the inputs were filled: Apply writes nothing when another program
    // has changed the record since.
    std::string LoadedImage;
};

class TFormAddRecord : public TFormRecord {
    Q_OBJECT
public:
    TFormAddRecord(TRecordFormHost& host, QWidget* owner = nullptr);

protected:
    bool WriteInputs() override;
};

class TFormInsertRecord : public TFormRecord {
    Q_OBJECT
public:
    TFormInsertRecord(TRecordFormHost& host, QWidget* owner = nullptr);

protected:
    bool WriteInputs() override;
};
