// The main window: menus, tool bars, the folder pane, the record list with its record tool
// bar, the file and field information panes, the status bar with its clock and the welcome
// page. It holds no table logic of its own: each handler asks the user, calls a back end and
// updates the view.
//
// The window is defined over several files by concern:
//   formmain.cpp          creation, layout, menus, tool bars, closing
//   formmain_view.cpp     UpdateInterface, the View toggles, panes, quick settings, clock
//   formmain_files.cpp    recent files, welcome page, help menu, dropped files, command line
//   formmain_commands.cpp options, help and the folder pane's commands
//   formmain_records.cpp  record commands and the clipboard
//   formmain_editors.cpp  the record editor forms
//   formmain_find.cpp     find, replace, quick search, filter, sorting, statistics, columns
//   formmain_structure.cpp creating tables, adding and deleting fields
//   formmain_export.cpp   export, save as, worksheet import
//   formmain_open.cpp     opening and closing a table, the row loader's calls and messages,
//                         the file and field information lists
//   formmain_listview.cpp the record list: display, current record and navigation
//   formmain_folders.*    the folder pane's model and filter
#pragma once

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>
#include <QUrl>

#include "common/filter.h"
#include "common/find.h"
#include "mainwindow/recentfiles.h"
#include "mainwindow/recordlistview.h"
#include "common/sort.h"
#include "common/workerthread.h"
#include "editors/fieldeditorthread.h"

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QTabBar;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeView;
class QTreeWidget;
class QCheckBox;
class QStatusBar;
class TNumberEdit;
class TFontComboBox;
class TFlatListBox;
class TColorBox;
class TDBF;
class TFormProgress;
class TDataList;
class TDataListModel;
class TLoadView;
class TMsgBoxCloser;
class TRecordFormHost;
class TWorkThread;
class TSaveAsThread;
class TFormSaveAsProgress;
class TXPMenu;
struct TRowStore;

namespace vx {
class TFolderPaneModel;
}

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // ---- Table document ----
    // Opens a table and starts loading its rows. Any loader still running is stopped first
    // and the previous table is closed; a table that cannot be opened is reported and leaves
    // the window without a table.
    void Open(const QString& fileName);
    // Returns the window to its no-table state; closes the table only when closeTable is true.
    // While a worker runs it only asks to stop it.
    void Close(bool closeTable);
    // Enables or disables every command that needs an open table.
    void EnableTableCommands(bool enabled);
    // Fills the file and field information lists from the open table (empties them without).
    void UpdateFileInfos();

    // True when the open table can be written; otherwise tells the user why (no table, a
    // worker runs, rows still load, the table is open read-only, its file or its memo file
    // was deleted or replaced) and returns false. Every command that writes the table asks
    // this first.
    bool RequireWritable();
    // "Loading... Please wait." (commands that need every row ask IsLoadOver first).
    void ShowLoadingBox();

    // ---- Workers ----
    bool IsWorking() const { return Working; }
    // True when every row of the table is in the list (the loader has delivered its final
    // count and ended). Without a row list nothing is loading, so it is true.
    bool IsLoadOver() const;
    // Sets the worker's terminate flag, waits for it (serving its calls) and frees it.
    void StopThread(TWorkerPtr<TWorkThread>& thread);
    // Asks "Some work is doing,stop it?" while a worker runs and stops it on Yes (when it
    // still runs then); true when it asked, and the command that called it goes no further.
    // False, asking nothing, when no worker runs: one that has just ended is taken in first.
    // False too when the loader's work ends while the question is open: the question closes
    // by itself, the loader's last reports show alone, and the command goes on.
    bool StopWorkAsk();
    void StopWork();
    // The worker messages' handlers.
    void OnWorkStart();
    void OnWorkStop();
    void OnPGStart();
    void OnPGStop();
    void OnPGUpdate() {}
    void OnPGProgress(int percent);
    void OnSAStart();
    void OnSAStop(const std::string& fileName);
    void OnSAUpdate() {}
    void OnSAProgress(int percent);

    // ---- The row list (Index is a position in DataList) ----
    TDataList* DataList() const;        // null when no table is open
    TDataList* BackupDataList() const;  // null when no table is open
    bool GetDataDelFlag(int index) const;
    int GetDataIndex(int index) const;
    void SetDataIndex(int index, int recNo);
    int GetLvIndex(int recNo) const;
    void DataListTruncate(int index);
    void DeleteSingleFast(int /*index*/) {}
    void DataListZap() {}
    QString GetDataFieldStr(int /*index*/, int /*field*/) const { return QString(); }
    // The number of items the record list shows (may run ahead of the rows while loading).
    int ItemCount() const;

    // ---- Record list display and navigation ----
    void MainListViewClick();
    void MainListViewChange();
    void MainListViewDblClick();
    void ListViewNotSelAll();
    void ListViewGoToRec(int position);  // 1-based
    void ListViewGoFirst();
    void ListViewGoNext();
    void ListViewGoPrior();
    void ListViewGoLast();
    void ListViewScrollStart();
    void ListViewScrollEnd();
    void EditCurRecNoKeyDown(int& key);
    void EditCurRecNoChange();
    // Follows View > Show Memo in the list (the setting itself is flipped by M2_MEMOClick).
    void ApplyViewMemo();
    // The alternating row colours and the selection colours from the settings.
    void ApplyListColors();
    // The loader has delivered more rows: repaints the list when some of them are on screen,
    // and shows the current record once its row is there.
    void ListRowsArrived();
    // Puts the keyboard focus in the record list (the welcome page's list while it shows).
    void FocusRecordList();

    // ---- Settings applied to the window ----
    void UpdateInterface();

    // ---- Recent files ----
    void SaveToOldFiles(const QString& path);
    void DelFromOldFiles(const QString& path);
    void UpdateReOpenMenu();
    // Opens a recent file, or warns and forgets it when it no longer exists.
    void OpenRecent(const QString& path, vx::TRecentOrigin origin);
    void MenuItemClickClear();
    // Opens the table named by the program's arguments, if any.
    void OpenCommandLine(int argc, const char* const* argv);
    // What a drop of these addresses does: opens the first when it is a table, or warns.
    void DropFiles(const QList<QUrl>& urls);

    // ---- Status bar ----
    static constexpr int StatusPanelCount = 6;
    void SetStatusText(int panel, const QString& text);
    QString StatusText(int panel) const;

    // Size at start for a screen of the given size: 920 x 580, or the whole screen when it is
    // narrower than 920 pixels.
    static QSize StartSize(const QSize& screen);
    static constexpr int MinWidth = 750;
    static constexpr int MinHeight = 600;

    // ---- State ----
    QString FileName;            // full path of the open table
    vx::TRecentFiles RecentList;  // newest first, at most 20
    bool HideDeleted = false;
    bool ShowOnlyDeleted = false;
    bool Working = false;
    std::unique_ptr<TDBF> CurDBF;     // the open table; null without one
    std::unique_ptr<TRowStore> Rows;  // DataList and BackupDataList; null without a table
    int CurRecNo = -1;                // 1-based list position of the current record; -1 none
    TFindOptions FindOptions;
    TWorkerPtr<TWorkThread> WorkThread;
    TDataListModel* ListModel = nullptr;  // MainListView's model
    // Called after each text the loader puts in PanelRecNum (a seam for tests).
    std::function<void(const QString&)> OnLoadStatus;
    // Handed to each loader: called on its thread with the row count at every status point
    // (a seam for tests, which stop or fail a load there).
    std::function<void(size_t rows)> OnLoaderStatusPoint;

    // ---- Components, by the names the rest of the program uses ----
    QWidget* MainControlBar = nullptr;
    QToolBar* MainToolBar = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QComboBox* TB_QUICKSERACHKEY = nullptr;
    QComboBox* TB_QUICKSERACHFROM = nullptr;
    QSplitter* MainSplitter = nullptr;
    QFrame* MainLeftPanel = nullptr;
    QFrame* PanelLeftTop = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* PanelLeftTopCloseButton = nullptr;
    QTreeView* MainShellTreeView = nullptr;
    vx::TFolderPaneModel* ShellModel = nullptr;
    QWidget* MainClientArea = nullptr;  // holds MainRightPanel and MainWelcomePage, one over the other
    QFrame* MainRightPanel = nullptr;
    QSplitter* MainRightSplitter = nullptr;
    QFrame* MainRightTopPanel = nullptr;
    TRecordListView* MainListView = nullptr;
    QWidget* FuncControlBar = nullptr;
    QToolBar* ToolBarRec = nullptr;
    TNumberEdit* EditCurRecNo = nullptr;
    QLabel* PanelRecNum = nullptr;
    QFrame* MainRightBottomPanel = nullptr;
    QFrame* PanelInfoTitle = nullptr;
    QLabel* Info = nullptr;
    QLabel* LabelInfoTitleCloseButton = nullptr;
    QTreeWidget* MainFileInfoListView = nullptr;
    QTreeWidget* MainFieldInfoListView = nullptr;
    QTabBar* MainTabSet = nullptr;
    QStatusBar* MainStatusBar = nullptr;
    QLabel* StatusPanels[StatusPanelCount] = {};
    QFrame* MainWelcomePage = nullptr;
    QToolButton* Image2 = nullptr;
    QToolButton* Image3 = nullptr;
    QToolButton* Image4 = nullptr;
    QLabel* LabelWelcomeRecent = nullptr;
    TFlatListBox* flbWelcomePageRecentFiles = nullptr;
    QCheckBox* cbAlwayShowWelcomePage = nullptr;
    QPlainTextEdit* MemoClip = nullptr;
    QTimer* MainTimer = nullptr;
    TXPMenu* MainXPMenu = nullptr;  // paints the window's menus, bars and controls

    // Tool bar controls.
    TFontComboBox* TB_QUICKSETTINGFONTFACE = nullptr;
    TColorBox* TB_QUICKSETTINGFONTCOLOR = nullptr;

    // Main menu.
    QMenu* MenuFile = nullptr;
    QMenu* MenuEdit = nullptr;
    QMenu* MenuCommand = nullptr;
    QMenu* MenuView = nullptr;
    QMenu* MenuTools = nullptr;
    QMenu* MenuHelp = nullptr;
    QAction *M1_NEW = nullptr, *M1_NEWFROMFILE = nullptr, *M1_OPEN = nullptr, *M1_IMPORT = nullptr,
            *M1_CLOSE = nullptr, *M1_SAVEAS = nullptr, *M1_EXPORT = nullptr, *M1_STOPWORK = nullptr;
    QMenu* M1_REOPEN = nullptr;
    QAction *M3_COPY = nullptr, *M3_CUT = nullptr, *M3_PASTE = nullptr, *M3_SELALLREC = nullptr,
            *M3_FIND = nullptr, *M3_FINDNEXT = nullptr, *M3_REPLACE = nullptr;
    QAction *M6_EDIT = nullptr, *M6_APPEND = nullptr, *M6_INSERT = nullptr, *M6_APPENDF = nullptr,
            *M6_DELETE = nullptr, *M6_DELETEREC = nullptr, *M6_DELETEBYDELFLAG = nullptr,
            *M6_SETALLDELFLG_T = nullptr, *M6_SETALLDELFLG_F = nullptr, *M6_TRUNCATE = nullptr,
            *M6_ZAP = nullptr, *M6_FILTER = nullptr, *M6_DOFILTER = nullptr, *M6_FIELDADD = nullptr,
            *M6_FIELDMODIFY = nullptr, *M6_FIELDDELETE = nullptr;
    QMenu* M6_SETALLDELFLG = nullptr;
    QAction *M2_HIDEDELREC = nullptr, *M2_SHOWDELREC = nullptr, *M2_REFRESH = nullptr,
            *M2_CONTROLS_TB = nullptr, *M2_CONTROLS_SB = nullptr, *M2_CONTROLS_EB = nullptr,
            *M2_CONTROLS_FI = nullptr, *M2_OEMANSI_OEM = nullptr, *M2_OEMANSI_ANSI = nullptr,
            *M2_COLUMNS = nullptr, *M2_MEMO = nullptr;
    QMenu* M2_CONTROLS = nullptr;
    QMenu* M2_OEMANSI = nullptr;
    QAction *M4_STAT = nullptr, *M4_AdSort = nullptr, *M4_CUSTTB = nullptr, *M4_OPTIONS = nullptr;
    QAction *M5_HELP = nullptr, *M5_TIPOFTHEDAY = nullptr, *M5_HOME = nullptr,
            *M5_CONTRACT = nullptr, *M5_ABOUT = nullptr;

    // Pop-up menus.
    QMenu* MainPopupMenu = nullptr;
    QAction *P1_N1 = nullptr, *P1_N6 = nullptr, *P1_N7 = nullptr, *P1_N2 = nullptr, *P1_N3 = nullptr,
            *P1_N4 = nullptr, *P1_N5_S1 = nullptr, *P1_N5_S2 = nullptr, *P1_N8 = nullptr,
            *P1_N9 = nullptr, *P1_N11 = nullptr, *P1_N12 = nullptr, *P1_N13 = nullptr,
            *P1_N10 = nullptr;
    QMenu* P1_N5 = nullptr;
    QMenu* PopupMenuPanelLeftTop = nullptr;
    QAction *P2_N1 = nullptr, *P2_N2 = nullptr;
    QMenu* MainRecentFiles = nullptr;
    QMenu* PMFileInfoToClip = nullptr;
    QMenu* PMFieldInfoToClip = nullptr;
    QAction *PMFileInfoToClip_1 = nullptr, *PMFieldInfoToClip_1 = nullptr;
    QMenu* PMQuickSettingFontSize = nullptr;
    QMenu* PopupMenuSortColumnAsc = nullptr;
    QMenu* PopupMenuSortColumnDesc = nullptr;

    // Tool bar buttons.
    QAction *TB_NEW = nullptr, *TB_OPEN = nullptr, *TB_SAVEAS = nullptr, *TB_CLOSE = nullptr,
            *TB_COPY = nullptr, *TB_CUT = nullptr, *TB_PASTE = nullptr, *TB_FILTER = nullptr,
            *TB_DOFILTER = nullptr, *TB_FIND = nullptr, *TB_QUICKSETTINGFONTSIZE = nullptr,
            *TB_Help = nullptr, *TB_QUICKFIND = nullptr;
    QAction *TB_FIRSTREC = nullptr, *TB_PRIORREC = nullptr, *TB_NEXTREC = nullptr,
            *TB_LASTREC = nullptr, *TB_SORTASC = nullptr, *TB_SORTDESC = nullptr,
            *TB_STOPWORK = nullptr;

    // ---- Handlers ----
    void M1_NEWClick();
    void M1_NEWFROMFILEClick();
    void M1_OPENClick();
    void M1_IMPORTClick();
    void M1_CLOSEClick();
    void M1_SAVEASClick();
    void M1_EXPORTClick();
    void M1_STOPWORKClick();
    void M3_COPYClick();
    void M3_CUTClick();
    void M3_PASTEClick();
    void M3_SELALLRECClick();
    void M3_FINDClick();
    void M3_FINDNEXTClick();
    void M3_REPLACEClick();
    void M6_EDITClick();
    void M6_APPENDClick();
    void M6_INSERTClick();
    void M6_APPENDFClick();
    void M6_DELETEClick();
    void M6_DELETERECClick();
    void M6_DELETEBYDELFLAGClick();
    void M6_SETALLDELFLG_TClick();
    void M6_SETALLDELFLG_FClick();
    void M6_TRUNCATEClick();
    void M6_ZAPClick();
    void M6_FILTERClick();
    void M6_DOFILTERClick();
    void M6_FIELDADDClick();
    void M6_FIELDMODIFYClick();
    void M6_FIELDDELETEClick();
    void M2_HIDEDELRECClick();
    void M2_SHOWDELRECClick();
    void M2_REFRESHClick();
    // Opens the table again once a command has found (and said) that another program changed
    // its structure; waits while a dialog is open or a worker runs. The clock timer calls it.
    void ReloadIfStructureChanged();
    // The open table's file was deleted, renamed away or replaced since it was opened.
    bool TableFileGone() const;
    // When the table's file or its memo file was deleted or renamed away (nothing is at its
    // path), loading the table again would lose what the list shows: says that the list stays
    // and returns true. A file replaced by another is no reason: that one is loaded.
    bool KeepListOfGoneFiles();
    // Why the open table takes no write because its file or its memo file was deleted,
    // renamed away or replaced since it was opened (the engine's text); empty when neither was.
    QString FilesGoneText() const;
    // Loads the table again from its file, so that the list shows what the file holds; true
    // when it did. A table whose file or memo file is gone or replaced is not loaded again:
    // the list, and the table object that still reads both files, are what the user can still
    // read and save as another file (memo texts and all).
    bool ReloadTable();
    void M2_CONTROLS_TBClick();
    void M2_CONTROLS_SBClick();
    void M2_CONTROLS_EBClick();
    void M2_CONTROLS_FIClick();
    void M2_OEMANSI_OEMClick() {}
    void M2_OEMANSI_ANSIClick() {}
    void M2_COLUMNSClick();
    void M2_MEMOClick();
    void M4_STATClick();
    void M4_AdSortClick();
    void M4_CUSTTBClick() {}
    void M4_OPTIONSClick();
    void M5_HELPClick();
    void M5_TIPOFTHEDAYClick();
    void M5_HOMEClick();
    void M5_CONTRACTClick();
    void M5_ABOUTClick();
    void TB_IMPORTClick() {}
    void TB_FIRSTRECClick();
    void TB_PRIORRECClick();
    void TB_NEXTRECClick();
    void TB_LASTRECClick();
    void TB_QUICKFINDClick();
    void PMFileInfoToClip_1Click();
    void PMFieldInfoToClip_1Click();
    void P2_N1Click();
    void HideFolderPane();
    void MainShellTreeViewDblClick();
    void MainTabSetChange(int index);
    void MainTimerTimer();
    void QuickSettingFontSize(int size);
    void QuickSettingFontFace(const QString& face);
    void QuickSettingFontColor(int32_t color);  // a TColor
    void cbAlwayShowWelcomePageClick(bool checked);
    void flbWelcomePageRecentFilesClick(int index);

    // The web address that Homepage and Contact Us open.
    static const char* HomePageUrl;

    // ---- Record commands and the clipboard (formmain_records.cpp) ----
    // Connects the record list's pop-up menu; called once while the window is made.
    void SetUpRecordCommands();
    // Before the record list's pop-up menu opens: shows the selected row as the current
    // record, or none.
    void MainPopupMenuPopup();
    // Appends the records of a file by its extension: ".dbf" a table, ".xls" a worksheet.
    void AppendFromFile(const QString& fileName);
    void AppendFromDBF(const QString& fileName);
    void AppendFromExcel(const QString& fileName);

    // ---- Record editor forms (formmain_editors.cpp) ----
    // What the record editor forms ask of this window (made on first use).
    TRecordFormHost& RecordFormHost();
    std::shared_ptr<TRecordFormHost> RecordFormHostImpl;  // shared: deleted where it is made

    // ---- Find, replace, filter, sorting, statistics, columns (formmain_find.cpp) ----
    // Searches from FindOptions.StartRow in its direction; goes to the row found, or says
    // "Search string not found!".
    void Find();
    // Find from the row after (before, going up) the selected one, or from the first row.
    void FindNext();
    // Replaces over the range of FindOptions and reports the rows affected.
    void Replace();
    int GetFilterCount() const { return static_cast<int>(FilterList.size()); }
    int GetFilterItemCount(int group) const;
    TFilterItem GetFilterItem(int group, int item) const;
    bool IsHasFilter() const { return !FilterList.empty(); }
    bool IsUsingFilter() const;
    // The check mark of M6_DOFILTER and the down state of TB_DOFILTER.
    void SetUsingFilterFlag(bool on);
    // Forgets the filter (rows it hides come back first); on opening and closing a table.
    void ClearFilter();
    void ClearBackupDataList();
    void DoFilter();
    void UndoFilter();
    // Sorts the list by one field with the comparison of the type letter.
    void Sort(int fieldIndex, bool ascending, char type);
    // Sorts the list by SortKeyList.
    void AdSort();
    void MainListViewColumnClick(int column);
    void MenuItemClickSortAsc(QAction* item);
    void MenuItemClickSortDesc(QAction* item);
    // Sorts by the field a sort menu item names.
    void SortByMenuItem(QAction* item, bool ascending);
    // The open table's field names, and the record list's column captions and widths.
    QStringList FieldNames() const;
    QStringList ColumnCaptions() const;

    TFilterList FilterList;
    std::vector<TSortKey> SortKeyList;
    int SortColumn = 0;
    bool SortAscending = false;


    // ---- Creating tables and changing fields (formmain_structure.cpp) ----
    // The structure-change worker, kept until the change has been shown, and its progress
    // window, created at start and shown modally while the worker runs.
    TWorkerPtr<TFieldEditorThread> FieldEditorThread;
    TFormProgress* ProgressForm = nullptr;
    // The last step of the field commands, after their dialogs: starts the worker.
    void StartFieldAdd(const TIptFieldRec& rec);
    void StartFieldDelete(const std::vector<int32_t>& indexes);
    // On the user-interface thread once the table has changed: the rows get the new layout in
    // a fresh row store, the columns, sort items and quick-search fields follow.
    void UpdateMainColumns(TFieldEditorThread& job);
    // Test seams: answers the file dialogs of the create-table dialog when set (save: the save
    // dialog); called each time the list shows a changed structure.
    std::function<QString(bool save, const QString& filter)> AskFileName;
    std::function<void()> OnStructureShown;

private:
    void SetUpStructure();
    // After the worker: frees it, and when the change failed reports the engine's message and
    // opens the table again so that the list matches the file.
    void FinishFieldEditor();
    // The refusals both field commands share; true when the command may go on.
    bool CanChangeStructure();
    std::unique_ptr<TFieldEditorView> StructureView;

public:

    // ---- Export, save as, worksheet import (formmain_export.cpp) ----
    // The save-as worker last started (kept after it ends) and its progress window, made once.
    TWorkerPtr<TSaveAsThread> SaveAsThread;
    TFormSaveAsProgress* SaveAsProgressForm = nullptr;
    void CreateSaveAsProgressForm();
    // The worksheet import's columns, from the loader: one per caption, 100 wide.
    void SetImportColumns(const std::vector<std::string>& captions);
    // Asks for the workbook to import ("Excel File(*.xls)|*.xls|"); empty on Cancel.
    static std::function<QString(QWidget* parent)> AskImportFile;
    // Opens a finished output with the desktop's handler.
    static std::function<void(const std::string& fileName)> OpenOutputFile;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreatePopupMenus();
    void CreateToolBars();
    QWidget* CreateLeftPanel();
    QWidget* CreateRightPanel();
    QWidget* CreateWelcomePage();
    void CreateStatusBar();
    void SetUpListView();
    void SetUpDocument();
    // Close without asking: stops any loader, then steps of Close.
    void CloseDocument(bool closeTable);
    // One list column, sort item and quick-search field per field of the table, for the rows
    // of `Rows`. With `removed` (ascending) the list keeps its rows and count and only changes
    // its columns: those columns leave and any new fields join at the end.
    void FillColumns(const std::vector<int32_t>* removed = nullptr);
    // Tells once per table what opening it could not do (read-only, memo file missing).
    void ShowOpenNotice();
    QString LastOpenNotice;  // table name and notice last told
    // Connects the column headers, the sort pop-ups and Enter in the quick-search boxes.
    void SetUpFind();
    // The list's item count, status and current record after its rows changed.
    void AfterRowsChanged();
    // After a sort: repaint, nothing selected, the first row current.
    void AfterSort();
    // "Some work is doing..." while a worker runs; true when idle.
    bool RequireIdle();
    void UpdateCurrentRecord(int index, bool click);
    int FirstSelectedRow() const;
    std::unique_ptr<TLoadView> LoadView;  // what the row loader asks of the window
    size_t ArrivedRows = 0;               // rows the list had when the loader last reported
    QString PendingCommandLine;           // a table named on the command line, opened once shown
    QObject* ListWatcher = nullptr;       // clicks and font changes of the record list
    // Shows the confirmation box with "Don't remind me again."; true on Yes, and then the
    // setting becomes the negation of the check box.
    bool ConfirmWithCheckBox(const QString& caption, const QString& text, bool& setting, bool animate,
                             TMsgBoxCloser* closer = nullptr);
    void ApplyMenuColors();
    void UpdateTitleColors(QWidget* focused);
    void SetCloseLabelHover(QLabel* label, bool hover);
    // Keys and the wheel over the closed font face box; true when handled.
    bool FontBoxEvent(QEvent* event);
    static QColor TitleFocusColor();
    bool FirstTick = true;
    // The start-up tip, once due, waits until what the command line's table has to tell (a file
    // that could not be opened, a missing memo file) has been told, so that it never covers it.
    void ShowStartupTip();
    bool StartupTipDue = false;
    // Opens the help file or the web site with the desktop's handler; when no program opens it,
    // says so with the file or address, so that the user can open it by hand.
    void ShellOpenOrTell(const std::string& target, const QString& what);
};

// The main window of the run.
extern TFormMain* FormMain;
