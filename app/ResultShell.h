#pragma once
// The found rows on the desktop, as a file manager offers them: opened with
// the desktop's applications (archive members extracted first), their
// payload for the clipboard and drags (Copy and Cut, rows dragged out, the
// members rendered only when a target asks), files dropped on folder rows,
// the context menus of rows and tree folders with what their commands do
// (IShellVerbHost), and the properties sheet.

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ArchiveExtraction.h"
#include "app/ResultListCtrl.h"
#include "platform/FileManagerExplore.h"
#include "platform/FolderDropTarget.h"
#include "tools/ShellContextMenu.h"
#include "tools/windows/FilePropertiesSheet.h"
#include "tools/windows/ResultDataSource.h"
#include "tools/windows/ShellMenuPopup.h"
#include "ui/ProductLinks.h"

class CFolderTreeCtrl;
class CResultListModel;
class CResultRowCommands;
class QDrag;
class QTreeWidgetItem;
class QWidget;

class CResultShell : public QObject, public IShellVerbHost, public IResultDragHandler {
    Q_OBJECT
public:
    // The rows of `list` over `model`; `shell` makes item lists of extracted
    // members and names special folders, and `rows` deletes and renames and
    // answers the file operations' questions. All must outlive the object,
    // whose menus, dialogs and programs belong to `window`. It takes the
    // list's Enter, its drags and its drops.
    CResultShell(QWidget* window, CShellHelper& shell, CResultListModel* model,
                 CResultListCtrl* list, CResultRowCommands& rows);

    // Shows a message box (the window's one sink).
    void SetMessageBox(std::function<void(const QString&, QMessageBox::Icon)> show) {
        m_showMessage = std::move(show);
    }
    // How files and folders are opened by their paths, and addresses (tests
    // record them instead).
    void SetFileOpener(std::function<void(const std::string& path)> opener) {
        m_fileOpener = std::move(opener);
    }
    void SetUrlOpener(UrlOpener opener) { m_urlOpener = std::move(opener); }
    // How a menu is chosen from and a drag is run (tests answer for the user).
    void SetMenuChooser(MenuChooser chooser) { m_menuChooser = std::move(chooser); }
    void SetDragRunner(std::function<Qt::DropAction(QDrag*)> runner) {
        m_dragRunner = std::move(runner);
    }
    // The file manager's bus (tests record the calls instead).
    void SetFileManagerCaller(std::unique_ptr<zb::IFileManagerCaller> caller) {
        m_pFileManager = std::move(caller);
    }

    // Members extracted from archives; deleted when the window closes.
    CArchiveExtraction& ArchiveExtraction() { return m_archiveExtraction; }
    // While members are extracted events are pumped: the window must not close.
    bool IsExtracting() const { return m_bExtracting; }
    // The last properties sheet shown, while it is open.
    CFilePropertiesSheet* LastPropertiesSheet() const { return m_pLastSheet; }
    CShellContextMenu& ShellContextMenu() { return m_shellMenu; }

    // Enter or a double-click on the list: the selected rows are opened with
    // the desktop; archive members are extracted first (a cancelled
    // extraction opens nothing).
    void OpenSelection();
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
    // A right click on a node of `tree`: its context menu.
    void ShowTreeItemContextMenu(CFolderTreeCtrl& tree, QTreeWidgetItem* item,
                                 const QPoint& globalPos);

    // IResultDragHandler: dragging rows out and files dropped on folder rows.
    void BeginResultDrag(bool right) override;
    DWORD OnDragEnter(const QMimeData* data, DWORD keyState, const QPoint& point) override;
    DWORD OnDragOver(const QMimeData* data, DWORD keyState, const QPoint& point) override;
    void OnDragLeave() override;
    DWORD OnDrop(const QMimeData* data, DWORD effect, const QPoint& point) override;
    // Timer 101: scrolls the list a line while a drag hovers near an edge.
    void OnDragScrollTimer(const QPoint& cursor);
    bool IsDragScrollTimerActive() const { return m_dragScrollTimer.isActive(); }

    // IShellVerbHost: what the context menu's commands do.
    void RunVerb(ShellVerb verb, const std::vector<std::string>& paths) override;
    void RunVerbOnItem(ShellVerb verb, const CResultItem& record) override;
    void PutSelectionOnClipboard(DWORD effect) override;
    void DeletePaths(const std::vector<std::string>& paths) override;
    void LaunchApplication(const zb::DesktopApplication& application,
                           const std::vector<std::string>& paths) override;
    void RunProgram(const std::string& program, const std::vector<std::string>& arguments) override;
    void ShowProperties(const std::vector<const CResultItem*>& records) override;

private:
    // Runs the context menu of the selection (after SetData); `exploreRow`
    // adds "Explore location folder" for that record.
    void TrackSelectionMenu(const QPoint& globalPos, const CResultItem* exploreRow);
    // The file manager's bus, made on first use; the opener it falls back on.
    zb::IFileManagerCaller& FileManager();
    zb::FolderOpener FolderOpener();
    // The payload as clipboard data with the formats of `formats`.
    CSelectionClipData MakeClipData(std::vector<int> formats);
    // Extracts the payload's pending members; false when cancelled (the
    // payload is then emptied).
    bool ExtractPendingMembers();
    // The drop target of the folder row at `point`, or null.
    std::unique_ptr<zb::CFolderDropTarget> RowDropTarget(const QPoint& point) const;
    void ShowWarning(const QString& text) { m_showMessage(text, QMessageBox::Warning); }

    QWidget* m_pWindow;
    CShellHelper& m_shell;
    CResultListModel* m_pModel;
    CResultListCtrl* m_pList;
    CResultRowCommands& m_rows;
    std::function<void(const QString&, QMessageBox::Icon)> m_showMessage;
    // Addresses go to the desktop; files and folders to its opener, whose
    // failures are shown.
    std::function<void(const std::string& path)> m_fileOpener;
    UrlOpener m_urlOpener;
    bool m_bExtracting = false;
    CArchiveExtraction m_archiveExtraction;
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
};
