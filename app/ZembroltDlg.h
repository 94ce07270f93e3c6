#pragma once
// The main search window: the file-name and look-in boxes, the folder tree on
// the left, the result list on the right with its buttons above it, and the
// status bar. It owns the search engine and hands it a request on Find; the
// search shows itself through CMainWindowSearchHost and the list's model. Its
// keys are routed by CMainWindowKeyRouter, its menu bar and command table live
// in CMainMenu.

#include <QMessageBox>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "app/ArchiveExtraction.h"
#include "app/MainMenu.h"
#include "app/MainWindowKeyRouter.h"
#include "app/ResultListCtrl.h"

#include "app/engine/AdvancedOptions.h"
#include "app/engine/ComboHistory.h"
#include "app/engine/DataFile.h"
#include "app/engine/DetailColumns.h"
#include "app/engine/FileTypeGroups.h"
#include "app/engine/ResultExport.h"
#include "app/engine/SearchData.h"
#include "app/engine/SearchEngine.h"
#include "app/engine/SearchMacro.h"
#include "app/engine/SettingsStore.h"
#include "app/engine/UpdateCheck.h"
#include "platform/FileManagerExplore.h"
#include "platform/FileOperation.h"
#include "platform/FolderDropTarget.h"
#include "platform/shell/FolderItem.h"
#include "platform/shell/ShellHelper.h"
#include "tools/FilePropertiesSheet.h"
#include "tools/RedundantFinder.h"
#include "tools/ResultDataSource.h"
#include "tools/ShellContextMenu.h"
#include "tools/ShellMenuPopup.h"
#include "ui/HelpDialog.h"
#include "ui/ProductLinks.h"

class CAdvanceOptionSheet;
class CColumnChoice;
class CElidedLabel;
class CFolderTreeCtrl;
class CHoverButton;
class CMainWindowSearchHost;
class CResultListCtrl;
class CResultListModel;
class CResultRowCommands;
class CSavedSearches;
class CThumbnailLoader;
class QAction;
class QComboBox;
class QDrag;
class QLabel;
class QMenu;
class QMenuBar;
class QStatusBar;
class QTreeWidgetItem;

// Controls and commands of the main window.
constexpr int IDD_ZEMBROLT_DIALOG = 102;
constexpr int IDC_FILE_NAME_COMBO = 1000;
constexpr int IDC_FILE_TYPE_MENU = 1001;
constexpr int IDC_FILE_NAME_LABEL = 1007;
constexpr int IDC_FIND = 1031;
constexpr int IDC_STOP = 1032;
constexpr int IDC_FOLDER_TREE = 1044;
constexpr int IDC_LOOK_IN_LABEL = 1051;
constexpr int IDC_ADVANCE = 1053;
constexpr int IDC_EXPORT = 1055;
constexpr int IDC_PRINT_RESULT = 1056;
constexpr int IDC_SEL_VISIBLE_COL = 1057;
constexpr int IDC_SEL_VIEW_MODE = 1058;
constexpr int IDC_LOOK_IN_COMBO = 2041;
constexpr int IDC_STATUS_BAR = 0xE801;
constexpr int IDM_ABOUTBOX = 16;
constexpr int ID_APP_EXIT = 32771;
constexpr int ID_SHOW_LOG_WINDOW = 32772;

// Smallest window size, in pixels.
constexpr int kMainWindowMinWidth = 560;
constexpr int kMainWindowMinHeight = 440;

// The widest the splitter makes the left pane (wider only when its minimum is).
constexpr int kMaxLeftPaneWidth = 620;

// The left pane's width for a splitter dragged to `wanted`: at most the
// client width less 10, at least `minimum`, and at most kMaxLeftPaneWidth.
int ClampLeftPaneWidth(int wanted, int clientWidth, int minimum);

// A saved window rectangle (left, top, right, bottom).
struct SavedWindowRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Keeps a saved rectangle on a desktop of the given size: left and top at
// least 0, right and bottom at most the desktop's, and left and top far
// enough from the far edges for a window of the smallest size.
void ClampSavedRect(SavedWindowRect& rect, int desktopWidth, int desktopHeight);

class CZembroltDlg : public CHelpDialog,
                     public CShellHelper,
                     public IUpdateHost,
                     public IShellVerbHost,
                     public IResultDragHandler {
    Q_OBJECT
    friend class CZembroltDlgStateHost;

public:
    explicit CZembroltDlg(QWidget* parent = nullptr);
    // Stops a running search and waits for its thread before anything goes.
    ~CZembroltDlg() override;

    // Reads the command line: a path (possibly quoted) or "/idList:...,<path>"
    // sets the look-in place; "/cmd:finddup" and "/cmd:findredundant" post
    // their commands; a broken quote shows "%s is invalid parameter".
    void ParseCommandLine(const QString& commandLine);
    // Makes an existing folder or file the look-in place; 0 (and no change)
    // for a path that does not exist.
    BOOL SetLookIn(const QString& path);
    // Trims the look-in text, selects it in the tree and takes the tree's
    // selected item as the root of `request`. 1 when the tree has one.
    BOOL SetSearchRootFromTree(CSearchRequest* request);

    // Find/Stop: stops a running search, else checks the input and starts one.
    void OnFind();
    void StopSearch();
    bool IsSearching() const { return m_pEngine->IsSearching(); }
    // Builds, once in the window's life, the archive readers, the thumbnail
    // makers and the detail providers (enabled for the visible columns).
    void EnsureProviders();
    // Waits until the search thread has ended.
    void WaitForSearch() { m_pEngine->WaitForSearch(); }

    // Places the controls for the current client size and left pane width.
    void LayoutControls();
    // What the left pane's controls need, across, in the current font.
    int LeftPaneContentWidth() const;
    int StatusBarHeight() const;
    // The "Advance" button pressed with its open picture while the option
    // sheet is shown, and the sheet shown or hidden with it.
    void UpdateAdvanceButton();
    // The "Advance" button's text blue while any option page differs from
    // its defaults, else black.
    void UpdateAdvanceButtonColor();
    // The window's criteria: the names, the place and the advanced flag, and
    // the option sheet's five parts.
    void SaveSearch(CSearchData& data) const;
    // Shows a stored search: its names, place and advanced flag in the
    // window, its other parts in the option sheet.
    void LoadSearch(const CSearchData& data);
    int GetLeftPaneWidth() const { return m_nLeftWndWidth; }
    int GetMinLeftPaneWidth() const { return m_iMinLefWndWidth; }
    // The splitter bar between the left pane and the list.
    QRect GetSplitterRect() const;

    // Ctrl+click and Shift+click on a tree folder: the folder's matching
    // items, or all of them, without sub-folders, on this thread.
    void ListFolderMatching();
    void ListFolderAll();

    // The saved rectangle kept on the desktop, and the window moved to it.
    void ClampSavedPosition();
    void RestoreSavedPosition();
    SavedWindowRect& SavedPosition() { return m_savedRect; }

    // Registry settings: the look-in path, the window position, the option
    // pages and the program options. A failed load means a first run, which
    // writes every value (and registers the "Find with Zembrolt" verbs).
    BOOL LoadSettings();
    BOOL SaveSettings();
    BOOL WriteFirstRunSettings();
    // The data file: the file-name text, the type groups, the histories, the
    // option sheet's state, recent searches, macros and visible columns. A
    // failed load leaves the built-in groups and default columns in place.
    BOOL LoadDataFile(const std::string& path);
    BOOL SaveDataFile(const std::string& path);
    const std::string& GetDataFilePath() const { return m_strDataPath; }
    const CFileTypeGroupArray& GetFileTypeGroups() const { return m_data.m_Groups; }
    void SetFileTypeGroups(CFileTypeGroupArray groups) { m_data.m_Groups = std::move(groups); }
    CAdvancedOptions& AdvancedOptions() { return m_AdvancedOptions; }
    // The recent searches, oldest first.
    std::vector<CSearchData>& RecentSearches() { return m_data.m_RecentSearches; }
    // The macros, in creation order.
    std::vector<CSearchMacro>& Macros() { return m_data.m_Macros; }

    // The recent searches and macros (CSavedSearches).
    CSavedSearches& SavedSearches() { return *m_pSavedSearches; }
    void AddRecentSearch();
    void BuildRecentMenu();
    void OnRecentSearch(int id);
    void OnSaveMacro();
    void OnMacroList();
    void BuildMacroMenu();
    void OnMacro(int id);
    // "Multi Folder Searching": Find's checks, then the folders chosen in
    // their dialog are searched one after the other with the window's
    // criteria. The recent searches stay as they are.
    void OnMultiFolderSearch();
    // The ">" button: a menu of the type groups; the chosen group's patterns
    // become the names. Without groups the group list opens instead.
    void OnFileTypeMenu();
    // Applies the group menu's command `id` (50000 + index); false when it
    // names no group.
    bool ApplyFileTypeGroupCommand(UINT id);
    // "File Type Group List": edits the groups in their dialog.
    virtual void OnFileTypeGroupList();

    // IUpdateHost: the update check's question and download page.
    void PostToWindowThread(std::function<void()> task) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    void OpenUrl(const std::string& url) override;

    // The file tools (ZembroltDlgTools.cpp). Change Attributes, Change File
    // Time and Rename act on the selected rows that are files on disk.
    void OnChangeAttributes();
    void OnChangeFileTime();
    void OnRename();
    // Find Duplicate Files: the settings, the search behind its progress
    // dialog, then the groups as rows with their "Dup No".
    void OnFindDuplicateFiles();
    // Find Redundant Files: the categories, then the search on the search
    // thread (Find stops it).
    void OnFindRedundantFiles();
    // "Dup No" as the first detail column (at position 2) unless shown; its index.
    int InsertDupNoColumn();
    // Appends the Size column when it is not shown.
    void EnsureSizeColumn();
    // The selected rows' records that are files on disk.
    std::vector<CResultItem*> GetSelectedDiskRecords() const;

    // Runs a command of the menus, the buttons or the command line.
    virtual void OnCommand(int id);
    // The menu bar's item of a command, or nullptr.
    QAction* MenuAction(int id) const;
    // Whether the command's work exists in this build; the others stay grayed.
    bool IsCommandAvailable(int id) const;

    // The status bar's "%d Objects" text for the selected rows, or for all
    // rows when none is selected.
    void UpdateStatusText();
    // Deselects every row and updates the status bar.
    void ClearSelection();
    // Enter or a double-click on the list: the selected rows are opened with
    // the desktop; archive members are extracted first (a cancelled
    // extraction opens nothing).
    void OpenSelection();
    // How addresses, and files and folders by their paths, are opened (tests
    // record them instead).
    void SetUrlOpener(UrlOpener opener) { m_urlOpener = std::move(opener); }
    void SetFileOpener(std::function<void(const std::string& path)> opener) {
        m_fileOpener = std::move(opener);
    }

    // The commands on the rows: delete, rename, export, print
    // (CResultRowCommands).
    CResultRowCommands& RowCommands() { return *m_pRowCommands; }
    void RemoveVanishedSelection();
    void OnExport();
    BOOL ExportText(const std::string& path, bool onlySelected);
    BOOL ExportHtml(const std::string& path, bool onlySelected);
    BOOL ExportM3u(const std::string& path, bool onlySelected);
    BOOL ExportPls(const std::string& path, bool onlySelected);
    void OnPrint();
    // Grays the commands on the selection that its records do not allow.
    void UpdateSelectionCommands();
    // A right click on the list: with selected rows their context menu;
    // without, and unless a search runs, the list's menu (Clear, Option,
    // Column Setting, Print, Export).
    void OnListContextMenu(const QPoint& globalPos);

    // The clipboard, drag and drop, the context menus and the properties
    // sheet (ZembroltDlgShell.cpp).
    // Empties the selection's payload, its records, the right-menu flag, the
    // pending members and the drop-happened flag.
    void ResetSelectionData();
    // Fills the payload from the selected rows: members inside archives are
    // pending (extracted when needed), every other row gives its item list,
    // and its path to the file list and the text. 1 when something was
    // offered, else 0 (and the payload is empty).
    int PrepareSelectionData();
    // Delayed rendering: extracts the pending members into the payload and
    // gives the data; FALSE (and an empty payload) when the user cancelled.
    BOOL RenderDragFormat(CSelectionClipData* data);
    // The drop source's "drop happened".
    void SetDataPrepared() { m_bDropHappened = TRUE; }
    BOOL IsDataPrepared() const { return m_bDropHappened; }
    // Copy (1) and Cut (2): the selection with its members extracted goes
    // to the clipboard with that preferred effect.
    void OnCopyCommand(DWORD effect);
    // A right click on selected rows: the context menu of the selection
    // (one row on disk gets "Explore location folder" first).
    void ShowSelectionMenu(const QPoint& globalPos);
    // A right click on a node of the folder tree: its context menu.
    void ShowTreeItemContextMenu(QTreeWidgetItem* item, const QPoint& globalPos);
    CShellContextMenu& ShellContextMenu() { return m_shellMenu; }
    const std::vector<const CResultItem*>& SelectedRecordArray() const {
        return m_arrSelectedRecords;
    }

    // IResultDragHandler: dragging rows out and files dropped on folder rows.
    void BeginResultDrag(bool right) override;
    DWORD OnDragEnter(const QMimeData* data, DWORD keyState, const QPoint& point) override;
    DWORD OnDragOver(const QMimeData* data, DWORD keyState, const QPoint& point) override;
    void OnDragLeave() override;
    DWORD OnDrop(const QMimeData* data, DWORD effect, const QPoint& point) override;
    // Timer 101: scrolls the list a line while a drag hovers near an edge.
    void OnDragScrollTimer(const QPoint& cursor);
    bool IsDragScrollTimerActive() const { return m_dragScrollTimer.isActive(); }

    // How a menu is chosen from and a drag is run (tests answer for the user).
    void SetMenuChooser(MenuChooser chooser) { m_menuChooser = std::move(chooser); }
    void SetDragRunner(std::function<Qt::DropAction(QDrag*)> runner) {
        m_dragRunner = std::move(runner);
    }
    // The file manager's bus (tests record the calls instead).
    void SetFileManagerCaller(std::unique_ptr<zb::IFileManagerCaller> caller) {
        m_pFileManager = std::move(caller);
    }
    // The last properties sheet shown, while it is open.
    CFilePropertiesSheet* LastPropertiesSheet() const { return m_pLastSheet; }

    // IShellVerbHost: what the context menu's commands do.
    void RunVerb(ShellVerb verb, const std::vector<std::string>& paths) override;
    void RunVerbOnItem(ShellVerb verb, const CResultItem& record) override;
    void PutSelectionOnClipboard(DWORD effect) override;
    void DeletePaths(const std::vector<std::string>& paths) override;
    void LaunchApplication(const zb::DesktopApplication& application,
                           const std::vector<std::string>& paths) override;
    void RunProgram(const std::string& program, const std::vector<std::string>& arguments) override;
    void ShowProperties(const std::vector<const CResultItem*>& records) override;

    CArchiveExtraction& ArchiveExtraction() { return m_archiveExtraction; }

    // What the search shows in the window (CMainWindowSearchHost), from any
    // thread.
    void SetSearchButtonState(bool ready);
    void SetStatusText(const std::string& text);
    void BeginSearchUi();
    void EndSearchUi();
    void RemoveDupNoColumn();

    // Controls.
    QComboBox* FileNameCombo() const { return m_pFileNameCombo; }
    QComboBox* LookInCombo() const { return m_pLookInCombo; }
    CHoverButton* FindButton() const { return m_pFindButton; }
    CHoverButton* AdvanceButton() const { return m_pAdvanceButton; }
    CAdvanceOptionSheet* OptionSheet() const { return m_pOptionSheet; }
    CFolderTreeCtrl* FolderTree() const { return m_pFolderTree; }
    CResultListCtrl* ResultList() const { return m_pResultList; }
    CResultListModel* ResultModel() const { return m_pModel; }
    QStatusBar* StatusBar() const { return m_pStatusBar; }
    QString StatusText() const;
    QMenuBar* MenuBar() const;
    CSearchEngine& Engine() { return *m_pEngine; }
    CDetailColumns& DetailColumns() { return m_detailColumns; }
    CColumnChoice* ColumnChoice() const { return m_pColumnChoice; }
    const CSearchData& CurrentSearchData() const { return m_CurSearchData; }

protected:
    // Shows a message box; the one place every message of the window goes.
    virtual void ShowMessageBox(const QString& text, QMessageBox::Icon icon);
    // The multi-folder dialog; true after OK with the folders chosen. Tests
    // answer it instead.
    virtual bool RunMultiFolderDialog(std::vector<SELECTEDFOLDER>& folders);
    // Where Find Redundant Files looks (tests keep it inside their folders).
    virtual RedundantRoots RedundantSearchRoots() const;

    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Enter and Esc never end the window.
    void accept() override {}
    void reject() override {}

private:
    void InitWindow();
    // The controls by area; the search (its host and engine) comes last, as
    // it shows itself in them.
    void CreateMenu();
    void CreateSearchControls();
    void CreateFolderTree();
    void CreateResultList();
    void CreateListButtons();
    void CreateStatusBar();
    void CreateSearch();
    void CreateOptionSheet();
    // The command table: the work of every command this build has.
    void RegisterCommands();
    void OnTreeSelChanged(const QString& path);
    // The names, the place and the advanced flag from the controls.
    void ReadControls();
    // Find's steps before a search starts: the input read and checked, the
    // request built (a refusal is shown: false), the histories updated, the
    // criteria kept as the current search and the providers made.
    bool PrepareFind(CSearchRequest& request);
    // Starts a prepared search with the result limit, the duplicate-group
    // column gone first.
    void StartPreparedSearch(CSearchRequest request);
    // Find's answer to a refused request: the message, and for an invalid
    // include string its page. A look-in text that names a node of the tree
    // by its display names is searched from that node (true).
    bool OnRequestRefused(const SearchRequestResult& refusal, CSearchRequest* request);
    // Selects the searched place in the folder tree.
    void ShowSearchedPlaceInTree(const std::string& path);
    // The folder listings' shared steps: run the driver over the tree's
    // selection with `criteria` and sort the rows again.
    void ListFolder(CSearchData criteria);
    // Runs the context menu of the selection (after SetData); `exploreRow`
    // adds "Explore location folder" for that record.
    void TrackSelectionMenu(const QPoint& globalPos, const CResultItem* exploreRow);
    // The file manager's bus, made on first use; the opener it falls back on.
    zb::IFileManagerCaller& FileManager();
    zb::FolderOpener FolderOpener();
    // The payload as clipboard data with the formats of `formats`.
    CSelectionClipData MakeClipData(std::vector<int> formats) const;
    // Extracts the payload's pending members; false when cancelled (the
    // payload is then emptied).
    bool ExtractPendingMembers();
    // The drop target of the folder row at `point`, or null.
    std::unique_ptr<zb::CFolderDropTarget> RowDropTarget(const QPoint& point) const;
    // Checks "Show Log Window" while the log window is visible.
    void UpdateShowLogAction();
    // The buttons above the list follow their commands' enabled state.
    void UpdateListButtons();
    void ClearResultsCommand();
    // Repaints the rows and the status bar after a tool changed records.
    void RedrawResults();
    // Ages the history's scores, credits the box's current text and shows the
    // history's items in the box.
    static void UseComboHistory(CComboHistory& history, QComboBox* combo);
    // Shows the history's items in the box.
    static void ShowComboHistory(const CComboHistory& history, QComboBox* combo);
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    // Made with the host of its calls and the list's model, which shows its rows.
    CMainWindowSearchHost* m_pSearchHost = nullptr;
    std::unique_ptr<CSearchEngine> m_pEngine;
    // The visible columns and the detail providers; the thumbnail makers go
    // first when the window goes.
    CDetailColumns m_detailColumns;
    std::unique_ptr<CThumbnailLoader> m_pThumbnails;
    CSearchData m_CurSearchData;
    QString m_sFindString;
    QString m_sLookIn;
    BOOL m_bAdvance = TRUE;
    int m_nLeftWndWidth = 310;
    int m_iMinLefWndWidth = 310;
    int m_nDpiMinLeftWidth = 310;  // the screen's part of the minimum
    SavedWindowRect m_savedRect;
    CWindowSettings m_settings;
    CAdvancedOptions m_AdvancedOptions;
    CDataFileContents m_data;  // groups, recent searches and macros live here
    // The redundant-file finder's choices for this run of the program.
    CRedundantOptions m_RedundantOptions;
    std::string m_strDataPath;
    CUpdateCheckThread m_updateCheck;
    bool m_bDraggingSplitter = false;
    int m_nDragStartX = 0;
    int m_nDragStartWidth = 0;
    // A status update is queued for the next turn of the event loop.
    bool m_bStatusUpdatePending = false;
    // Addresses go to the desktop; files and folders to its opener, whose
    // failures are shown.
    UrlOpener m_urlOpener;
    std::function<void(const std::string& path)> m_fileOpener;
    // While members are extracted the window pumps events; it must not close.
    bool m_bExtracting = false;
    // Members extracted from archives; deleted when the window closes.
    CArchiveExtraction m_archiveExtraction{*this};
    // The selection as the clipboard, drags and the context menu see it.
    std::vector<const CResultItem*> m_arrSelectedRecords;
    BOOL m_bRightMenu = FALSE;
    BOOL m_bDropHappened = FALSE;
    CShellContextMenu m_shellMenu{*this};
    MenuChooser m_menuChooser;
    std::function<Qt::DropAction(QDrag*)> m_dragRunner;
    std::unique_ptr<zb::IFileManagerCaller> m_pFileManager;
    QPointer<CFilePropertiesSheet> m_pLastSheet;
    // The key state of a drag over the list: buttons from its start,
    // modifiers from its last move.
    DWORD m_dwDragKeyState = 0;
    QTimer m_dragScrollTimer;

    CMainMenu* m_pMenu = nullptr;
    CSavedSearches* m_pSavedSearches = nullptr;
    std::unique_ptr<CMainWindowKeyRouter> m_pKeyRouter;
    QLabel* m_pFileNameLabel = nullptr;
    QComboBox* m_pFileNameCombo = nullptr;
    CHoverButton* m_pFileTypeButton = nullptr;
    CHoverButton* m_pFindButton = nullptr;
    CHoverButton* m_pAdvanceButton = nullptr;
    CAdvanceOptionSheet* m_pOptionSheet = nullptr;
    QLabel* m_pLookInLabel = nullptr;
    QComboBox* m_pLookInCombo = nullptr;
    CFolderTreeCtrl* m_pFolderTree = nullptr;
    CResultListModel* m_pModel = nullptr;
    CResultListCtrl* m_pResultList = nullptr;
    CResultRowCommands* m_pRowCommands = nullptr;
    CColumnChoice* m_pColumnChoice = nullptr;
    CHoverButton* m_pListButtons[4] = {};
    QStatusBar* m_pStatusBar = nullptr;
    CElidedLabel* m_pStatusPane = nullptr;
};
