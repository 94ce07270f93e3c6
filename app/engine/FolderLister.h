#pragma once
// What the folder tree shows, read without a window: the desktop root, the
// folders of a shell folder with the archive files among them (they open like
// folders), and the folders inside an archive. A shell folder's entries come
// in the shell's order (its CompareIDs), an archive's in the archive's order.
//
// The lister keeps an archive reader list of its own, apart from the search's:
// an archive stays open from the listing of its folders until the next one,
// CloseArchiveHandlers or the lister's end.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/shell/FolderItem.h"

class CArchiveHandler;

// One node to show: its place, its text, its small icons (closed and open)
// and whether it gets a child button (it may hold more to list).
struct CFolderListEntry {
    std::unique_ptr<FOLDERITEM> data;
    std::string text;  // as the shell names it (bytes)
    int icon = -1;
    int openIcon = -1;
    bool hasChildButton = false;
};

class CFolderLister {
public:
    CFolderLister();
    ~CFolderLister();
    CFolderLister(const CFolderLister&) = delete;
    CFolderLister& operator=(const CFolderLister&) = delete;

    // The desktop root over `desktop`: empty lists, the desktop's name and
    // icons, a child button. Nothing without the shell allocator.
    std::optional<CFolderListEntry> DesktopRoot(IShellFolder* desktop) const;

    // The children of a node. For a shell node: its sub-folders (kind 0; a
    // child button when the shell reports sub-folders or the folder holds an
    // archive file) and its archive files (kind 16, a child button); other
    // files are left out, hidden items are not. For an archive node: the
    // archive's folders directly inside its inner path (kind 16, the archive
    // file's lists, a child button when they hold folders); the archive's
    // files are never listed. Nothing when a shell node's folder cannot be
    // bound; a folder or archive that cannot be read lists no entry.
    // `folder`: a shell node's folder as BindFolder gave it, when the caller
    // bound it already (null: bound here).
    std::optional<std::vector<CFolderListEntry>> ListChildren(const FOLDERITEM& node,
                                                              IShellFolder* folder = nullptr);

    // The folder of a shell node (the root's is its parent folder, the
    // desktop); null when it cannot be bound.
    static zb::ComPtr<IShellFolder> BindFolder(const FOLDERITEM& node);

    // Closes every archive of the lister's reader list; replaces the readers
    // by a fresh set.
    void CloseArchiveHandlers();
    void RecreateArchiveHandlers();

private:
    std::vector<CFolderListEntry> ListFolder(IShellFolder* folder,
                                             LPCITEMIDLIST parentAbsolute) const;
    // The entry of `child` of `folder`: a folder or an archive file; nothing
    // for other items.
    std::optional<CFolderListEntry> ShellEntry(IShellFolder* folder, LPCITEMIDLIST child,
                                               LPCITEMIDLIST parentAbsolute) const;
    std::vector<CFolderListEntry> ListArchiveFolder(const FOLDERITEM& archive);

    zb::ComPtr<IMalloc> m_pMalloc;
    std::vector<std::unique_ptr<CArchiveHandler>> m_arrArchiveHandlers;
};
