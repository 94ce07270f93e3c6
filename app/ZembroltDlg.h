#pragma once
// The main search window: the file-name and look-in boxes, the folder tree, the result list
// with its buttons and the status bar. It owns the search engine, which shows itself through
// CMainWindowSearchHost and the list's model, and the objects that do its jobs on the rows:
// CResultRowCommands, CResultShell, CFileToolCommands and CSavedSearches. Keys go through
// CMainWindowKeyRouter, commands through CMainMenu.

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
#include "ui/HelpDialog.h"
#include "ui/ProductLinks.h"

class CAdvanceOptionSheet;
class CColumnChoice;
class CElidedLabel;
class CFileToolCommands;
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

    // The command line: a path or "/idList:...,<path>" sets the look-in place,
    // "/cmd:finddup" and "/cmd:findredundant" post their commands.
    void ParseCommandLine(const QString& commandLine);
    // Makes an existing folder or file the look-in place; 0 when there is none.
    BOOL SetLookIn(const QString& path);
    // Trims the look-in text, selects it in the tree and takes the tree's
    // selected item as the root of `request`. 1 when the tree has one.
    BOOL SetSearchRootFromTree(CSearchRequest* request);

    // Find/Stop: stops a running search, else checks the input and starts one.
    void OnFind();
    void StopSearch();
    bool IsSearching() const { return m_pEngine->IsSearching(); }
    // Makes the archive readers, thumbnail makers and detail providers, once.
    void EnsureProviders();
    // "Multi Folder Searching": Find's checks, then each folder chosen in its
    // dialog searched with the window's criteria (no recent search is added).
    void OnMultiFolderSearch();
    // Ctrl+ and Shift+click on a tree folder: its matching or all items, here.
    void ListFolderMatching();
    void ListFolderAll();

    // Places the controls for the current client size and left pane width.
    void LayoutControls();
    // The "Advance" button's text blue while an option page is not its default.
    void UpdateAdvanceButtonColor();
    // The criteria of the window and its option sheet, and a stored search shown there.
    void SaveSearch(CSearchData& data) const;
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
    // A right click on the list: the selection's menu (then the status bar),
    // else unless a search runs the list's own (Clear, Option, ..., Export).
    void OnListContextMenu(const QPoint& globalPos);
    void ShowSelectionMenu(const QPoint& globalPos);

    // The objects doing the window's jobs, and the window's own names for their calls.
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

    CFileToolCommands& FileTools() { return *m_pFileTools; }
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

    QComboBox* FileNameCombo() const { return m_pFileNameCombo; }
    QComboBox* LookInCombo() const { return m_pLookInCombo; }
    CHoverButton* FindButton() const { return m_pFindButton; }
    CHoverButton* AdvanceButton() const { return m_pAdvanceButton; }
    CAdvanceOptionSheet* OptionSheet() const { return m_pOptionSheet; }
    CFolderTreeCtrl* FolderTree() const { return m_pFolderTree; }
    CResultListCtrl* ResultList() const { return m_pResultList; }
    CResultListModel* ResultModel() const { return m_pModel; }
    CThumbnailLoader* Thumbnails() const { return m_pThumbnails.get(); }
    QStatusBar* StatusBar() const { return m_pStatusBar; }
    QString StatusText() const;
    QMenuBar* MenuBar() const;
    CDetailColumns& DetailColumns() { return m_detailColumns; }
    CColumnChoice* ColumnChoice() const { return m_pColumnChoice; }
    const CSearchData& CurrentSearchData() const { return m_CurSearchData; }

protected:
    // Shows a message box; the one place every message of the window goes.
    virtual void ShowMessageBox(const QString& text, QMessageBox::Icon icon);
    // The multi-folder dialog: true after OK with the folders (tests answer).
    virtual bool RunMultiFolderDialog(std::vector<SELECTEDFOLDER>& folders);

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
    // The controls by area; the search comes after them, as it shows in them.
    void CreateMenu();
    void CreateSearchControls();
    void CreateFolderTree();
    void CreateResultList();
    void CreateListButtons();
    void CreateStatusBar();
    void CreateSearch();
    void CreateFileTools();
    void CreateOptionSheet();
    // The command table: the work of every command this build has.
    void RegisterCommands();
    void OnTreeSelChanged(const QString& path);
    // The names, the place and the advanced flag from the controls.
    void ReadControls();
    // Find's steps up to the search: input checked, request built (false after
    // a refusal), histories updated, criteria kept, providers made.
    bool PrepareFind(CSearchRequest& request);
    // Starts a prepared search with the result limit, "Dup No" gone first.
    void StartPreparedSearch(CSearchRequest request);
    // Shows a refusal (an invalid include string with its page); true when
    // the look-in text is the tree node's display path, searched instead.
    bool OnRequestRefused(const SearchRequestResult& refusal, CSearchRequest* request);
    // Selects the searched place in the folder tree.
    void ShowSearchedPlaceInTree(const std::string& path);
    // The folder listings: the driver over the tree's node, then the rows sorted.
    void ListFolder(CSearchData criteria);
    // The "Advance" button pressed (its open picture) while the sheet shows.
    void UpdateAdvanceButton();
    // What the left pane's controls need, across, in the current font.
    int LeftPaneContentWidth() const;
    int StatusBarHeight() const;
    void ClampSavedPosition();  // the saved rectangle kept on the desktop
    // The ">" button: the type groups' menu (their list when there are none).
    void OnFileTypeMenu();
    // Checks "Show Log Window" while the log window is visible.
    void UpdateShowLogAction();
    void UpdateListButtons();  // the buttons above the list follow their commands
    void ClearResultsCommand();

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
    std::string m_strDataPath;
    CUpdateCheckThread m_updateCheck;
    bool m_bDraggingSplitter = false;
    int m_nDragStartX = 0;
    int m_nDragStartWidth = 0;
    bool m_bStatusUpdatePending = false;  // for the next turn of the event loop
    UrlOpener m_urlOpener;                // addresses go to the desktop

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
    CFileToolCommands* m_pFileTools = nullptr;
    CColumnChoice* m_pColumnChoice = nullptr;
    CHoverButton* m_pListButtons[4] = {};
    QStatusBar* m_pStatusBar = nullptr;
    CElidedLabel* m_pStatusPane = nullptr;
};
