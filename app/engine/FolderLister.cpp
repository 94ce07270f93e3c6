#include "app/engine/FolderLister.h"

#include <algorithm>

#include "app/engine/ArchiveMemberSearch.h"
#include "platform/PathUtils.h"
#include "platform/PosixFile.h"
#include "platform/shell/ShellApi.h"
#include "platform/shell/ShellFileInfo.h"
#include "platform/shell/ShellHelper.h"
#include "platform/shell/ShellMalloc.h"
#include "platform/shell/ShellRoots.h"
#include "readers/archives/ArchiveHandler.h"

namespace {

// Children asked for: folders, non-folders and hidden items.
constexpr DWORD kEnumFlags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;
// Attributes asked of every child: has-subfolder, folder, non-enumerated, 0x80.
constexpr ULONG kChildAttributes = 0xA0100080;
constexpr ULONG kFolderBits = SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
// Small system icon of an item list; the same opened.
constexpr UINT kIconFlags = SHGFI_SYSICONINDEX | SHGFI_PIDL | SHGFI_SMALLICON;
constexpr UINT kOpenIconFlags = kIconFlags | SHGFI_OPENICON;

bool IsArchiveItem(LPCITEMIDLIST absolute) {
    std::string path;
    return SHGetPathFromIDList(absolute, &path) && IsArchiveFileName(path);
}

// Whether the folder on disk holds an archive file, hidden ones included;
// the listing stops at the first.
bool HasArchiveFile(LPCITEMIDLIST absolute) {
    std::string path;
    if (!SHGetPathFromIDList(absolute, &path))
        return false;
    bool found = false;
    zb::ForEachFolderName(path, [&found](std::string_view name) {
        found = IsArchiveFileName(std::string(name)) != FALSE;
        return !found;
    });
    return found;
}

// The small icons of the item at `absolute`.
void SetShellIcons(LPCITEMIDLIST absolute, CFolderListEntry* entry) {
    entry->icon = CShellHelper::GetIconIndex(absolute, kIconFlags);
    entry->openIcon = CShellHelper::GetIconIndex(absolute, kOpenIconFlags);
}

// A shell folder's entries in the order its CompareIDs gives (a failed
// comparison counts as equal).
void SortInShellOrder(std::vector<CFolderListEntry>* entries) {
    std::stable_sort(
        entries->begin(), entries->end(), [](const CFolderListEntry& a, const CFolderListEntry& b) {
            const FOLDERITEM& first = *a.data;
            const HRESULT hr =
                first.m_pParentFolder->CompareIDs(0, first.m_pidl.get(), b.data->m_pidl.get());
            return SUCCEEDED(hr) && ShortFromResult(hr) < 0;
        });
}

// Folders inside an archive all show the plain folder icons of the Desktop
// folder on disk.
struct PlainFolderIcons {
    int icon;
    int openIcon;
};

PlainFolderIcons PlainFolderIconsOfDesktop() {
    const std::string desktopDir = zb::CurrentShellRoots()->desktopDir;
    constexpr UINT kPlainFolder = SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES;
    return {
        CShellHelper::GetIconIndexByAttributes(desktopDir, FILE_ATTRIBUTE_DIRECTORY, kPlainFolder),
        CShellHelper::GetIconIndexByAttributes(desktopDir, FILE_ATTRIBUTE_DIRECTORY,
                                               kPlainFolder | SHGFI_OPENICON)};
}

// Member `i` of the archive open in `handler` as an entry below `archive`'s
// node when it is a folder: the archive file's place, the member's path as
// inner path, its last part as text.
std::optional<CFolderListEntry> ArchiveEntry(const CArchiveHandler& handler, int i,
                                             const FOLDERITEM& archive,
                                             const PlainFolderIcons& icons) {
    DWORD attributes = 0;
    std::string name;
    if (!handler.GetAttributes(i, &attributes) || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !handler.GetName(i, &name)) {
        return std::nullopt;
    }
    CFolderListEntry entry;
    entry.data = std::make_unique<FOLDERITEM>();
    FOLDERITEM& data = *entry.data;
    data.m_pParentFolder = archive.m_pParentFolder;
    data.m_pidl.reset(ILClone(archive.m_pidl.get()));
    data.m_pidlFull.reset(ILClone(archive.m_pidlFull.get()));
    data.m_pidlParentFull.reset(ILClone(archive.m_pidlFull.get()));
    data.m_nKind = FOLDERITEM_ARCHIVE;
    data.m_sInnerPath = name;
    BOOL has = FALSE;
    entry.hasChildButton = handler.HasSubfolders(name, &has) && has;
    entry.text = GetFileNamePart(name.c_str());
    entry.icon = icons.icon;
    entry.openIcon = icons.openIcon;
    return entry;
}

}  // namespace

CFolderLister::CFolderLister() {
    SHGetMalloc(&m_pMalloc);
    if (g_arrArchiveExtensions.empty())
        InitArchiveExtensions();
}

CFolderLister::~CFolderLister() {
    DeleteArchiveHandlers(m_arrArchiveHandlers);
}

std::optional<CFolderListEntry> CFolderLister::DesktopRoot(IShellFolder* desktop) const {
    if (!m_pMalloc)
        return std::nullopt;
    CFolderListEntry root;
    root.data = std::make_unique<FOLDERITEM>();
    FOLDERITEM& data = *root.data;
    data.m_pParentFolder = zb::ComPtr<IShellFolder>(desktop);
    data.m_pidl.reset(ILAlloc(2));
    data.m_pidlFull.reset(ILAlloc(2));
    if (!data.m_pidl || !data.m_pidlFull)
        return std::nullopt;
    CShellHelper::GetPidlDisplayName(data.m_pidlFull.get(), &root.text);
    SetShellIcons(data.m_pidlFull.get(), &root);
    root.hasChildButton = true;
    return root;
}

std::optional<std::vector<CFolderListEntry>> CFolderLister::ListChildren(const FOLDERITEM& node,
                                                                         IShellFolder* folder) {
    if (node.m_nKind == FOLDERITEM_ARCHIVE)
        return ListArchiveFolder(node);
    zb::ComPtr<IShellFolder> bound(folder);
    if (!bound)
        bound = BindFolder(node);
    if (!bound)
        return std::nullopt;
    return ListFolder(bound.Get(), node.m_pidlFull.get());
}

zb::ComPtr<IShellFolder> CFolderLister::BindFolder(const FOLDERITEM& node) {
    if (!node.m_pParentFolder)
        return nullptr;
    if (ILIsEmpty(node.m_pidl.get()))
        return node.m_pParentFolder;
    zb::ComPtr<IShellFolder> folder;
    if (FAILED(node.m_pParentFolder->BindToObject(node.m_pidl.get(), &folder)))
        return nullptr;
    return folder;
}

std::vector<CFolderListEntry> CFolderLister::ListFolder(IShellFolder* folder,
                                                        LPCITEMIDLIST parentAbsolute) const {
    std::vector<CFolderListEntry> entries;
    zb::ComPtr<IEnumIDList> items;
    if (!m_pMalloc || FAILED(folder->EnumObjects(kEnumFlags, &items)) || !items)
        return entries;
    LPITEMIDLIST raw = nullptr;
    ULONG fetched = 0;
    while (items->Next(1, &raw, &fetched) == S_OK && fetched == 1) {
        const PidlPtr child(raw);
        if (std::optional<CFolderListEntry> entry = ShellEntry(folder, child.get(), parentAbsolute))
            entries.push_back(std::move(*entry));
    }
    SortInShellOrder(&entries);
    return entries;
}

std::optional<CFolderListEntry> CFolderLister::ShellEntry(IShellFolder* folder, LPCITEMIDLIST child,
                                                          LPCITEMIDLIST parentAbsolute) const {
    ULONG attributes = kChildAttributes;
    if (FAILED(folder->GetAttributesOf(1, &child, &attributes)))
        return std::nullopt;
    PidlPtr absolute(CShellHelper::ConcatPidls(parentAbsolute, child));
    if (!absolute)
        return std::nullopt;
    CFolderListEntry entry;
    entry.data = std::make_unique<FOLDERITEM>();
    FOLDERITEM& data = *entry.data;
    if (attributes & kFolderBits) {
        entry.hasChildButton =
            ((attributes & SFGAO_HASSUBFOLDER) && !(attributes & SFGAO_NONENUMERATED)) ||
            HasArchiveFile(absolute.get());
    } else if (IsArchiveItem(absolute.get())) {
        data.m_nKind = FOLDERITEM_ARCHIVE;
        entry.hasChildButton = true;
    } else {
        return std::nullopt;
    }
    CShellHelper::GetItemName(folder, child, SHGDN_NORMAL, &entry.text);
    data.m_pParentFolder = zb::ComPtr<IShellFolder>(folder);
    data.m_pidl.reset(CShellHelper::CopyItemID(m_pMalloc.Get(), child));
    data.m_pidlParentFull.reset(ILClone(parentAbsolute));
    SetShellIcons(absolute.get(), &entry);
    data.m_pidlFull = std::move(absolute);
    return entry;
}

std::vector<CFolderListEntry> CFolderLister::ListArchiveFolder(const FOLDERITEM& archive) {
    std::vector<CFolderListEntry> entries;
    std::string path;
    if (!SHGetPathFromIDList(archive.m_pidlFull.get(), &path))
        return entries;
    RecreateArchiveHandlers();
    const CArchiveHandler* handler = FindArchiveHandlerIn(path, m_arrArchiveHandlers);
    if (handler == nullptr)
        return entries;
    const PlainFolderIcons icons = PlainFolderIconsOfDesktop();
    for (const int i : ArchiveFolderMembers(*handler, archive.m_sInnerPath, FALSE)) {
        if (std::optional<CFolderListEntry> entry = ArchiveEntry(*handler, i, archive, icons))
            entries.push_back(std::move(*entry));
    }
    return entries;
}

void CFolderLister::CloseArchiveHandlers() {
    ::CloseArchiveHandlers(m_arrArchiveHandlers);
}

void CFolderLister::RecreateArchiveHandlers() {
    CreateArchiveHandlers(m_arrArchiveHandlers);
}
