// The spreadsheet application, as the program uses it: build a workbook of one sheet cell by
// cell and save it as ".xls"; open a workbook and read the cells of its first sheet. The work is
// done by LibreOffice run headless: a workbook is written as an OpenDocument flat spreadsheet
// and converted to ".xls", and a workbook to read is converted to one and parsed. Nothing
// else in the program knows how LibreOffice is driven.
//
//   TSpreadsheetApp app(stop);             // throws when the application is missing
//   app.AddWorkbook();
//   app.SetSheetName("data.xls");
//   app.SetCell(1, 1, "NAME");             // rows and columns from 1
//   app.SetFont(1, 1, 12, true);
//   app.SetCentered(1, 1);
//   app.SetColumnTextFormat(1);           // "@": the column's cells are texts
//   app.AutoFitColumns();
//   app.SaveAs("/home/u/data.xls");
//   app.CloseWorkbook();
//   app.Quit();                           // also done by the destructor
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A failure of the application; the text is what the user is shown.
class ESpreadsheetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The texts of the two failures the user meets first.
inline constexpr const char* CreateAppErrorText = "CreateOleObject Error, ... Office 2000!";
inline constexpr const char* OpenWorkbookErrorText = "Open Excel Error!";

class TSpreadsheetApp {
public:
    // Starts the application. `stop` is asked while the application works; true stops it
    // at once (the operation then raises). Raises ESpreadsheetError(CreateAppErrorText) when
    // the application is not installed.
    explicit TSpreadsheetApp(std::function<bool()> stop = {});
    ~TSpreadsheetApp();
    TSpreadsheetApp(const TSpreadsheetApp&) = delete;
    TSpreadsheetApp& operator=(const TSpreadsheetApp&) = delete;

    // ---- Building and saving a workbook ----
    // A new workbook of one empty sheet; it replaces any workbook held.
    void AddWorkbook();
    void SetSheetName(const QString& name);
    void SetCell(int row, int column, const QString& text);
    // The same for a text already in UTF-8.
    void SetCellUtf8(int row, int column, std::string text);
    void SetFont(int row, int column, int size, bool bold);
    void SetCentered(int row, int column);
    // Number format "@" for the whole column.
    void SetColumnTextFormat(int column);
    // Every column as wide as its widest text.
    void AutoFitColumns();
    // Saves the workbook as an ".xls" file of the name, replacing one. Raises
    // ESpreadsheetError when the application fails or is stopped; the file is then untouched.
    void SaveAs(const std::string& fileName);
    void CloseWorkbook();
    void Quit();

    // ---- Reading a workbook ----
    // Opens a workbook of any kind the application reads. Raises
    // ESpreadsheetError(OpenWorkbookErrorText) when it cannot.
    void OpenWorkbook(const std::string& fileName);
    // Calls `row` with the texts of each row of the first sheet, from row 1: each cell's value
    // converted to text (numbers as their value, whatever format shows them; dates in the
    // program's date format, "yyyy-M-d"; error cells as the error's text); a row's list ends
    // with its last cell that is not empty. Stops when `row` returns false or the sheet ends.
    // Raises ESpreadsheetError when the converted workbook cannot be read.
    void ReadFirstSheet(const std::function<bool(const std::vector<QString>& cells)>& row);

    // The program run (default "soffice", from PATH); tests point it at a missing one.
    static void SetProgram(const std::string& program);
    static std::string Program();
    // Milliseconds a run of the application may take: a base plus a share per cell, at most
    // MaxTimeLimitMs.
    static int64_t TimeLimitFor(size_t cells);
    static constexpr int64_t MaxTimeLimitMs = 10 * 60 * 1000;

    // The largest row and column numbers a sheet takes.
    static constexpr int MaxRows = 1048576;
    static constexpr int MaxColumns = 16384;

    struct TImpl;

private:
    // Runs the application on the arguments; raises with `failure` unless it made `expected`.
    void Run(const std::vector<std::string>& args, const std::string& expected, size_t cells,
             const std::string& failure);

    std::unique_ptr<TImpl> Impl;
    std::function<bool()> Stop;
    std::string ProgramPath;
    std::string WorkDir;  // the run's own folder: profile, workbooks in and out
};

// The sheet name a workbook saved as `fileName` gets: the name without its folder, extension
// included, without the characters a sheet name cannot hold ([]*?:/\) and cut to 31
// characters.
QString SheetNameFor(const std::string& fileName);

// Reads an OpenDocument flat spreadsheet (the form the application converts workbooks to):
// calls `row` as TSpreadsheetApp::ReadFirstSheet does. Returns false when the text is not such
// a document or is damaged.
bool ReadFlatSheet(const std::string& path, const std::function<bool(const std::vector<QString>& cells)>& row);
