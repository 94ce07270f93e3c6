#pragma once
// The main search window: the file-name and look-in boxes, the folder tree on
// the left, the result list on the right with its buttons above it, and the
// status bar. It owns the search engine and hands it a request on Find; the
// search shows itself through CMainWindowSearchHost and the list's model. The
// commands on the rows (CResultRowCommands), the rows on the desktop
// (CResultShell) and the saved searches (CSavedSearches) are objects of their
// own; keys go through CMainWindowKeyRouter, commands through CMainMenu.

#include <QMessageBox>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindowGeometry.h"
#include "app/engine/AdvancedOptions.h"
#include "app/engine/DataFile.h"
#include "app/engine/DetailColumns.h"
#include "app/engine/SearchEngine.h"
#include "app/engine/SettingsStore.h"
#include "app/engine/UpdateCheck.h"
#include "platform/shell/FolderItem.h"
#include "platform/shell/ShellHelper.h"
#include "tools/RedundantFinder.h"
#include "ui/HelpDialog.h"
#include "ui/ProductLinks.h"

class CAdvanceOptionSheet;
class CColumnChoice;
class CElidedLabel;
class CFolderTreeCtrl;
class CHoverButton;
class CMainMenu;
class CMainWindowKeyRouter;
class CMainWindowSearchHost;
class CResultListCtrl;
class CResultListModel;
class CResultRowCommands;
class CResultShell;
class CSavedSearches;
class CThumbnailLoader;
struct CSelectionClipData;
class QAction;
class QComboBox;
class QLabel;
class QMenuBar;
class QMimeData;
class QStatusBar;

class CZembroltDlg : public CHelpDialog, public CShellHelper, public IUpdateHost {
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
    // "Multi Folder Searching": Find's checks, then each folder chosen in its
    // dialog searched with the window's criteria (no recent search is added).
    void OnMultiFolderSearch();
    // Ctrl+click and Shift+click on a tree folder: the folder's matching
    // items, or all of them, without sub-folders, on this thread.
    void ListFolderMatching();
    void ListFolderAll();

    // Places the controls for the current client size and left pane width.
    void LayoutControls();
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
    // The saved rectangle, and the window moved to it.
    void RestoreSavedPosition();
    SavedWindowRect& SavedPosition() { return m_savedRect; }

    // Registry settings (the look-in path, window position, option pages and
    // program options); a failed load is a first run, which writes them all.
    BOOL LoadSettings();
    BOOL SaveSettings();
    BOOL WriteFirstRunSettings();
    // The data file (names, type groups, histories, option sheet, recent
    // searches, macros, columns); a failed load leaves the built-in ones.
    BOOL LoadDataFile(const std::string& path);
    BOOL SaveDataFile(const std::string& path);
    const std::string& GetDataFilePath() const { return m_strDataPath; }
    const CFileTypeGroupArray& GetFileTypeGroups() const { return m_data.m_Groups; }
    void SetFileTypeGroups(CFileTypeGroupArray groups) { m_data.m_Groups = std::move(groups); }
    CAdvancedOptions& AdvancedOptions() { return m_AdvancedOptions; }
    // The recent searches (oldest first) and the macros (in creation order).
    std::vector<CSearchData>& RecentSearches() { return m_data.m_RecentSearches; }
    std::vector<CSearchMacro>& Macros() { return m_data.m_Macros; }
    // The group menu's command `id` (50000 + index); false for no group.
    bool ApplyFileTypeGroupCommand(UINT id);
    // "File Type Group List": edits the groups in their dialog.
    virtual void OnFileTypeGroupList();

    // IUpdateHost: the update check's question and download page.
    void PostToWindowThread(std::function<void()> task) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    void OpenUrl(const std::string& url) override;
    // How addresses are opened (tests record them instead).
    void SetUrlOpener(UrlOpener opener);

    // The file tools (ZembroltDlgTools.cpp) on the selected rows on disk;
    // the finders fill the list (duplicates behind a progress dialog with
    // their "Dup No", redundant files on the search thread).
    void OnChangeAttributes();
    void OnChangeFileTime();
    void OnRename();
    void OnFindDuplicateFiles();
    void OnFindRedundantFiles();
    // The selected rows' records that are files on disk.
    std::vector<CResultItem*> GetSelectedDiskRecords() const;

    // Runs a command of the menus, the buttons or the command line.
    virtual void OnCommand(int id);
    // The menu bar's item of a command, or nullptr.
    QAction* MenuAction(int id) const;
    // Whether the command's work exists in this build; the others stay grayed.
    bool IsCommandAvailable(int id) const;
    // Grays the commands on the selection that its records do not allow.
    void UpdateSelectionCommands();

    // "%d Objects" for the selected rows, or all rows when none is selected.
    void UpdateStatusText();
    // Deselects every row and updates the status bar.
    void ClearSelection();
    // A right click on the list: with selected rows their context menu (and
    // the status bar after it); without, and unless a search runs, the
    // list's menu (Clear, Option, Column Setting, Print, Export).
    void OnListContextMenu(const QPoint& globalPos);
    void ShowSelectionMenu(const QPoint& globalPos);

    // The objects that do the window's jobs; the window keeps its own names
    // for their calls as forwards.
    CResultRowCommands& RowCommands() { return *m_pRowCommands; }
    void RemoveVanishedSelection();
    void OnExport();
    BOOL ExportText(const std::string& path, bool onlySelected);
    BOOL ExportHtml(const std::string& path, bool onlySelected);
    BOOL ExportM3u(const std::string& path, bool onlySelected);
    BOOL ExportPls(const std::string& path, bool onlySelected);
    void OnPrint();

    CResultShell& Shell() { return *m_pShell; }
    void ResetSelectionData();
    int PrepareSelectionData();
    BOOL RenderDragFormat(CSelectionClipData* data);
    void SetDataPrepared();
    void BeginResultDrag(bool right);
    DWORD OnDragEnter(const QMimeData* data, DWORD keyState, const QPoint& point);
    DWORD OnDragOver(const QMimeData* data, DWORD keyState, const QPoint& point);
    DWORD OnDrop(const QMimeData* data, DWORD effect, const QPoint& point);
    void OnDragScrollTimer(const QPoint& cursor);

    CSavedSearches& SavedSearches() { return *m_pSavedSearches; }
    void AddRecentSearch();
    void BuildRecentMenu();
    void OnRecentSearch(int id);
    void OnSaveMacro();
    void OnMacroList();
    void BuildMacroMenu();
    void OnMacro(int id);

    // What the search shows in the window, from any thread.
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
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
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
    // Find's steps before a search starts: the input checked, the request
    // built (false after showing a refusal), the histories updated, the
    // criteria kept as the current search and the providers made.
    bool PrepareFind(CSearchRequest& request);
    // Starts a prepared search with the result limit, "Dup No" gone first.
    void StartPreparedSearch(CSearchRequest request);
    // Find's answer to a refused request: the message (an invalid include
    // string shows its page); true when the look-in text names the tree's
    // node by its display names, which is then searched.
    bool OnRequestRefused(const SearchRequestResult& refusal, CSearchRequest* request);
    // Selects the searched place in the folder tree.
    void ShowSearchedPlaceInTree(const std::string& path);
    // The folder listings' shared steps: run the driver over the tree's
    // selection with `criteria` and sort the rows again.
    void ListFolder(CSearchData criteria);
    // The "Advance" button pressed (its open picture) while the sheet shows.
    void UpdateAdvanceButton();
    // What the left pane's controls need, across, in the current font.
    int LeftPaneContentWidth() const;
    int StatusBarHeight() const;
    // The saved rectangle kept on the desktop.
    void ClampSavedPosition();
    // The ">" button: a menu of the type groups; the chosen group's patterns
    // become the names. Without groups the group list opens instead.
    void OnFileTypeMenu();
    // Checks "Show Log Window" while the log window is visible.
    void UpdateShowLogAction();
    // The buttons above the list follow their commands' enabled state.
    void UpdateListButtons();
    void ClearResultsCommand();
    // "Dup No" at position 2 unless shown (its index); Size appended unless shown.
    int InsertDupNoColumn();
    void EnsureSizeColumn();
    // Repaints the rows and the status bar after a tool changed records.
    void RedrawResults();

    // Made with the host of its calls and the list's model, which shows its rows.
    CMainWindowSearchHost* m_pSearchHost = nullptr;
    std::unique_ptr<CSearchEngine> m_pEngine;
    // The visible columns and detail providers; the thumbnail makers go first.
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
    // Addresses go to the desktop.
    UrlOpener m_urlOpener;

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
    CResultShell* m_pShell = nullptr;
    CColumnChoice* m_pColumnChoice = nullptr;
    CHoverButton* m_pListButtons[4] = {};
    QStatusBar* m_pStatusBar = nullptr;
    CElidedLabel* m_pStatusPane = nullptr;
};
