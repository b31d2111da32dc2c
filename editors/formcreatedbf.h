// The create-table dialog: the user picks the table kind, builds the field list with the field
// dialogs or takes it from an existing table, and confirms; the dialog asks for the file name,
// writes the new empty table and has the main window open it in place of its document.
#pragma once

#include "common/formalphashow.h"
#include "editors/fieldtypes.h"

#include <QString>

#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class TXPMenu;
enum class TMsgBoxButtons;

// What the dialog asks of the main window.
class TCreateTableHost {
public:
    virtual ~TCreateTableHost() = default;
    // The main window's open and save dialogs with a filter ("Name(*.DBF)|*.DBF|..."); an
    // empty name when cancelled.
    virtual QString OpenFileName(const QString& filter) = 0;
    virtual QString SaveFileName(const QString& filter) = 0;
    // Closes the document the window shows (and frees its table).
    virtual void CloseDocument() = 0;
    // Opens a table in the window; false when it could not be opened (already reported).
    virtual bool OpenTable(const QString& path) = 0;
};

class TFormCreateDBF : public TFormAlphaShow {
    Q_OBJECT
public:
    static constexpr int MaxFields = 254;

    TFormCreateDBF(TCreateTableHost* host, QWidget* owner = nullptr);

    // The design: the kind and the rows of the field list.
    int Kind() const;
    int RowCount() const;
    fieldtypes::TDesignField Row(int row) const;
    std::vector<fieldtypes::TDesignField> Rows() const;
    void AddRow(const fieldtypes::TDesignField& field);
    void SetRow(int row, const fieldtypes::TDesignField& field);
    int SelectedRow() const;  // -1 when none
    void SelectRow(int row);

    void BitBtnAddClick();
    void BitBtnModiClick();
    void BitBtnDelClick();
    void BitBtnClearClick();
    void BitBtnMoveUpClick();
    void BitBtnMoveDownClick();
    void BitBtnImportFieldStructureClick();
    void BitBtn1Click();
    void BitBtn2Click();
    void ListViewFieldsDblClick();

    // The path of the table created by OK (empty until then).
    QString CreatedFileName;

    QLabel* Image1 = nullptr;
    QComboBox* cbFileType = nullptr;
    QTableWidget* ListViewFields = nullptr;
    QPushButton *BitBtnAdd = nullptr, *BitBtnModi = nullptr, *BitBtnDel = nullptr, *BitBtnClear = nullptr,
                *BitBtnMoveUp = nullptr, *BitBtnMoveDown = nullptr, *BitBtnImportFieldStructure = nullptr,
                *BitBtn1 = nullptr, *BitBtn2 = nullptr;
    TXPMenu* XPMenu1 = nullptr;

    // Esc, Cancel and the title bar's close: "Give Up?" first when the list has rows.
    void reject() override;

private:
    bool Ask(const QString& text);
    void Inform(const QString& text, TMsgBoxButtons buttons);
    void MoveRow(int delta);
    void ModifySelected();

    TCreateTableHost* Host;
    bool Asking = false;
};
