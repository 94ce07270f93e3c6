#pragma once
// A folder over a POSIX directory. Its items are the directory's entries
// ("." and ".." left out) as Entry items, listed in the namespace's name
// order (case-insensitive, ties by bytes), sorted once per listing.
//
// The listing reads d_type from the directory and calls fstatat only for
// entries whose type the file system leaves unknown; attributes that need a
// file's status (read-only, validation, the sticky-directory rule) take one
// lstat for the item only when asked.
//
// Hidden items (the rule of platform/FileInfo.h): a name starting with '.',
// a name listed in the folder's ".hidden" file, or the hidden bit of the
// entry's user.DOSATTRIB. They are listed only with SHCONTF_INCLUDEHIDDEN and
// carry SFGAO_HIDDEN. The attribute is read only where the name does not
// already decide it, and only when hidden items are filtered or asked for.
//
// Parsing a relative name ("a/b/c"; empty parts and "." are skipped, ".."
// is refused) gives one entry item per part; each part must exist (lstat),
// and every part but the last must be a directory itself, not a link to one:
// E_FILE_NOT_FOUND when the last part is missing, E_PATH_NOT_FOUND when an
// earlier one is missing or no directory.
//
// Symbolic links are never folders: they carry SFGAO_LINK, and binding to
// one fails, so a walk through the namespace cannot loop. A folder reached
// through an entry opens its directory with O_NOFOLLOW, so an entry swapped
// for a link after it was listed is refused too.

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FileInfo.h"
#include "platform/shell/ShellFolderBase.h"

namespace zb {

// Where a file-system folder lies and what it calls itself.
struct FolderPlace {
    std::string dir;              // the directory that is listed
    std::string name;             // its own normal display name
    std::string parsingName;      // its own parsing name: its path, or "::Trash"
    bool reachedByEntry = false;  // open with O_NOFOLLOW
    bool missingIsEmpty = false;  // a missing directory lists no items
};

class CFileSystemFolder final : public CShellFolderBase {
public:
    CFileSystemFolder(std::shared_ptr<const ShellRoots> roots, FolderPlace place)
        : CShellFolderBase(std::move(roots)), m_place(std::move(place)) {}

    const std::string& Directory() const { return m_place.dir; }

    HRESULT BindChild(const ShellItem& item, ComPtr<CShellFolderBase>* child) override;
    HRESULT ChildAttributes(const ShellItem& item, ULONG asked, ULONG* attributes) override;
    HRESULT ChildName(const ShellItem& item, DWORD shgdn, std::string* name) override;
    void OwnName(DWORD shgdn, std::string* name) override;
    HRESULT ParseItems(std::string_view name, std::string* items) override;
    HRESULT ListItems(DWORD shcontf, CItemListBuilder* items) override;
    // The same listing read from `dirFd`, a descriptor of this folder's own
    // directory that a walk holds open (opened relative to its parent's, so
    // that neither the path's length nor its links matter). The descriptor
    // stays the caller's; it is read from its start.
    HRESULT ListItemsAt(int dirFd, DWORD shcontf, CItemListBuilder* items);
    // Every item of the directory open at `dirFd`, hidden ones included, as
    // ListItemsAt lists them; needs no folder object, so any thread may list
    // a directory it opened itself.
    static HRESULT ListEveryItemAt(int dirFd, CItemListBuilder* items);

private:
    struct DirectoryFacts {
        bool writable = false;
        bool sticky = false;
        unsigned owner = 0;
    };

    template <class IsHiddenName>
    static HRESULT ListDirectoryAt(int dirFd, DWORD shcontf, CItemListBuilder* items,
                                   const IsHiddenName& isHidden);
    // Runs `init` the first time `done` is asked about.
    template <class Init>
    void Once(std::atomic<bool>& done, Init&& init);
    const zb::HiddenNames& HiddenNames();
    const DirectoryFacts& Facts();
    bool IsHidden(std::string_view name);

    FolderPlace m_place;
    std::mutex m_onceLock;
    std::atomic<bool> m_hiddenLoaded{false};
    zb::HiddenNames m_hiddenNames;
    std::atomic<bool> m_factsKnown{false};
    DirectoryFacts m_facts;
};

// True when the directory at `path` holds at least one sub-directory
// (symbolic links do not count). A directory that cannot be read counts as
// having one, so that it still shows as expandable.
bool DirectoryHasSubfolder(const std::string& path, bool noFollow);

}  // namespace zb
