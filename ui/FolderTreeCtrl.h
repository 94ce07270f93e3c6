#pragma once
// The shell-namespace tree in which the user picks where to search: the
// desktop at the root, every folder of the namespace below it, and archive
// files (and the folders inside them) as expandable nodes, so that a search
// can start inside an archive. It fills itself lazily, one level at a time,
// with what its lister (CFolderLister) gives for the level, in that order;
// it turns the selection into a path and selects an item from a path.
//
// Every node carries a FOLDERITEM, freed with the node. Only the owner
// window's thread uses the tree.

#include <QTimer>
#include <QTreeWidget>

#include <memory>
#include <string>

#include "app/engine/FolderLister.h"
#include "platform/FolderDropTarget.h"
#include "platform/shell/FolderItem.h"
#include "platform/shell/ShellHelper.h"

class CQtFileTypeInfoProvider;
class QKeyEvent;
class QMimeData;

// One node: its FOLDERITEM, its text as the shell gave it (bytes), its icon
// indices and whether its children were filled.
class CFolderTreeItem : public QTreeWidgetItem {
public:
    CFolderTreeItem(std::unique_ptr<FOLDERITEM> data, std::string text);

    FOLDERITEM* Data() const { return m_pData.get(); }
    // Hands the FOLDERITEM over to the caller; the node keeps none.
    std::unique_ptr<FOLDERITEM> TakeData() { return std::move(m_pData); }
    const std::string& Text() const { return m_sText; }

    bool IsExpandedOnce() const { return m_bExpandedOnce; }
    void SetExpandedOnce() { m_bExpandedOnce = true; }
    // The child button: shown before the children are known.
    bool HasChildButton() const;
    void SetChildButton(bool show);

    int m_iIcon = -1;
    int m_iOpenIcon = -1;

private:
    std::unique_ptr<FOLDERITEM> m_pData;
    std::string m_sText;
    bool m_bExpandedOnce = false;
};

class CFolderTreeCtrl : public QTreeWidget, public CShellHelper {
    Q_OBJECT
public:
    explicit CFolderTreeCtrl(QWidget* parent = nullptr);
    ~CFolderTreeCtrl() override;

    // Rebuilds the whole tree: the desktop root, its children, Computer and
    // Network opened, the root selected.
    void Refresh();
    // Gives the nodes the desktop's icons (installs the process's type-info
    // provider).
    void SetSystemImageList();
    // Selects the node of a file-system path or of a path of display names
    // ("Desktop\Home\docs"); anything else selects the root and is logged.
    void SelectPath(const std::string& path);

    // Fills a node the first time it opens.
    void OnItemExpanding(QTreeWidgetItem* item);
    // The path of the newly selected node (a file-system path, else its path
    // of display names) and its children filled. 1 when a path was given.
    BOOL OnSelChanged(QTreeWidgetItem* item, std::string* outPath);

    // The texts of the node and all its ancestors, from the root down,
    // joined by "\".
    std::string GetItemTextPath(QTreeWidgetItem* item) const;
    BOOL IsRootSelected() const;
    FOLDERITEM* GetSelectedFolderItem() const;
    static FOLDERITEM* GetFolderItem(QTreeWidgetItem* item);

    // Closes every archive of the tree's own handler list (its lister's);
    // replaces the handlers by a fresh set.
    void CloseArchiveHandlers() { m_lister.CloseArchiveHandlers(); }
    void RecreateArchiveHandlers() { m_lister.RecreateArchiveHandlers(); }

    // 1 while SelectPath runs, so the owner can ignore the selection changes
    // it causes.
    int IsSelecting() const { return m_bSelecting; }
    // The path the last selection change gave.
    const std::string& SelectedPath() const { return m_sSelectedPath; }

    // Opens a node (filling it first when it never was).
    void ExpandItem(QTreeWidgetItem* item);

    // Drops on the tree: files dropped on a folder are copied, moved or
    // linked there (the desktop folder on disk for the root); archive nodes
    // take nothing. Points are in the viewport; effects and key states the
    // DROPEFFECT_ and MK_ bits. `ui` tells what could not be done.
    void SetFileOperationUi(zb::IFileOperationUi* ui) { m_pFileOperationUi = ui; }
    DWORD OnDragEnter(const QMimeData* data, DWORD keyState, const QPoint& point);
    DWORD OnDragOver(const QMimeData* data, DWORD keyState, const QPoint& point);
    void OnDragLeave();
    DWORD OnDrop(const QMimeData* data, DWORD effect, const QPoint& point);
    // The drop target of a node: its folder on disk, the desktop folder on
    // disk for the root; null for archive nodes and places off the disk.
    std::unique_ptr<zb::CFolderDropTarget> GetItemDropTarget(QTreeWidgetItem* item) const;
    // Timer 101 of a drag: the 8th tick over the same node opens it; other
    // ticks scroll a line when the cursor is within 30 pixels of an edge.
    void OnDragTimer(const QPoint& cursor);
    bool IsDragTimerActive() const { return m_dragTimer.isActive(); }
    QTreeWidgetItem* GetDropHighlight() const { return m_pDropHilite; }

    // A right click: the node under the cursor is selected and, when the
    // click is on its icon or text, ItemContextMenuRequested is emitted.
    void OnRClick(const QPoint& point);

signals:
    // The context menu of `item` is asked for at `globalPos`.
    void ItemContextMenuRequested(QTreeWidgetItem* item, const QPoint& globalPos);
    // The selection changed and gave a path (file-system or display names;
    // display-name paths are UTF-8, file-system paths go through
    // QFile::decodeName).
    void SelChanged(const QString& path);

protected:
    // F5 rebuilds the tree.
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnCurrentItemChanged(QTreeWidgetItem* current);

    CFolderTreeItem* InsertDesktopRoot();
    // Adds a node for each entry under `parent`; TRUE when there was one.
    bool AddChildren(CFolderTreeItem* parent, std::vector<CFolderListEntry> entries);
    // Fills a node that has a child button and was never filled; a shell
    // folder that cannot be bound stays unfilled. `folder`: the shell node's
    // folder when the caller bound it already.
    void FillOnce(CFolderTreeItem* item, IShellFolder* folder = nullptr);

    CFolderTreeItem* FindChildBySpecialFolder(const char* parsingName) const;
    // Selects `item` among its siblings: the first file-system node whose
    // path is the longest prefix of `path` (volume mode) or whose text
    // matches `text` (exactly first, then ignoring case).
    CFolderTreeItem* SelectVolumeByPath(QTreeWidgetItem* computer, const std::string& path);
    CFolderTreeItem* SelectSiblingByText(QTreeWidgetItem* parent, const std::string& text);
    void SelectItem(CFolderTreeItem* item);
    bool SelectDisplayPath(const std::string& path);

    void SetItemIcons(CFolderTreeItem* item) const;
    CFolderTreeItem* NewItem(CFolderListEntry entry) const;

    void SetDropHighlight(QTreeWidgetItem* item);
    // The node under `point`, made the hover node (its tick count starts
    // over when it changes) and highlighted.
    QTreeWidgetItem* TrackHoverItem(const QPoint& point);

    int m_bSelecting = 0;
    DWORD m_dwDragKeyState = 0;
    int m_nHoverTicks = 0;
    QTreeWidgetItem* m_pHoverItem = nullptr;
    QTreeWidgetItem* m_pDropHilite = nullptr;
    QTimer m_dragTimer;
    zb::IFileOperationUi* m_pFileOperationUi = nullptr;
    CFolderLister m_lister;
    zb::ComPtr<IShellFolder> m_pTreeDesktop;  // the desktop of the last Refresh
    CQtFileTypeInfoProvider* m_pImageList = nullptr;
    std::string m_sSelectedPath;
};
