#include "app/engine/ResultItem.h"

#include <cerrno>
#include <cstring>

#include "app/engine/ResultArena.h"
#include "platform/FileInfo.h"
#include "platform/FileTime.h"
#include "platform/PathUtils.h"
#include "platform/TextCase.h"
#include "platform/shell/ShellApi.h"
#include "platform/shell/ShellFileInfo.h"
#include "platform/shell/ShellHelper.h"
#include "readers/archives/ArchiveHandler.h"
#include "readers/archives/SourceStream.h"

CResultItem::CResultItem(const CResultItem& other) {
    *this = other;
}

CResultItem& CResultItem::operator=(const CResultItem& other) {
    if (this == &other)
        return *this;
    m_pParentFolder = other.m_pParentFolder;
    m_pidl = other.m_pidl;
    m_pidlFullHead = other.m_pidlFullHead;
    m_bFullWhole = other.m_bFullWhole;
    m_dwFlags = other.m_dwFlags;
    m_sName = other.m_sName;
    m_sFolder = other.m_sFolder;
    m_sTypeName = other.m_sTypeName;
    m_nSize = other.m_nSize;
    m_dwAttributes = other.m_dwAttributes;
    m_iIcon = other.m_iIcon;
    m_ftCreation = other.m_ftCreation;
    m_ftLastAccess = other.m_ftLastAccess;
    m_ftLastWrite = other.m_ftLastWrite;
    m_nArchiveEntry = other.m_nArchiveEntry;
    m_arrValues.resize(other.m_arrValues.size());
    for (std::size_t i = 0; i < other.m_arrValues.size(); ++i) {
        m_arrValues[i] = other.m_arrValues[i];
        m_arrValues[i].valid = other.m_arrValues[i].valid;
    }
    // The picture is the view's, kept for the original: the copy's is made
    // again when it is shown.
    m_iThumbnailState =
        other.m_iThumbnailState == THUMBNAIL_MADE ? THUMBNAIL_NONE : other.m_iThumbnailState;
    return *this;
}

void CResultItem::SetItemLists(PidlPtr item, PidlPtr full) {
    LPCITEMIDLIST last = full ? ILFindLast(full.get()) : nullptr;
    m_bFullWhole = !(last && item && ILGetCount(item.get()) == 1 &&
                     ILItemSize(last) == ILItemSize(item.get()) &&
                     std::memcmp(last, item.get(), ILItemSize(last)) == 0);
    if (m_bFullWhole) {
        m_pidlFullHead = std::move(full);
    } else {
        // The folder's part: the list up to its last item (an empty list for
        // an item of the desktop).
        const std::size_t head = static_cast<std::size_t>(
            reinterpret_cast<const BYTE*>(last) - reinterpret_cast<const BYTE*>(full.get()));
        LPITEMIDLIST folder = ILAlloc(head + sizeof(WORD));
        if (folder && head > 0)
            std::memcpy(folder, full.get(), head);
        m_pidlFullHead.reset(folder);
    }
    m_pidl = std::move(item);
}

void CResultItem::SetItemListsIn(PidlPtr item, LPCITEMIDLIST folderList) {
    m_bFullWhole = !item || ILGetCount(item.get()) != 1;
    if (m_bFullWhole)
        m_pidlFullHead.reset(ILCombine(folderList, item.get()));
    else
        m_pidlFullHead.reset(ILClone(folderList));
    m_pidl = std::move(item);
}

void CResultItem::SetFullPidl(PidlPtr full) {
    SetItemLists(m_pidl.Detach(), std::move(full));
}

PidlPtr CResultItem::GetFullPidl() const {
    if (!m_pidlFullHead)
        return nullptr;
    if (m_bFullWhole)
        return PidlPtr(ILClone(m_pidlFullHead.get()));
    return PidlPtr(ILCombine(m_pidlFullHead.get(), m_pidl.get()));
}

void CResultItem::PackInto(CResultArena& arena) {
    arena.Pack(m_sName);
    arena.PackFolder(m_sFolder);
    arena.Intern(m_sTypeName);
    arena.PackFolder(m_pidlFullHead);
    arena.Pack(m_pidl);
}

void CResultItem::Clear() {
    m_pParentFolder.Reset();
    m_pidl.reset();
    m_pidlFullHead.reset();
    m_bFullWhole = false;
    m_dwFlags = 0;
    m_sName.clear();
    m_sFolder.clear();
    m_sTypeName.clear();
    m_nSize = 0;
    m_dwAttributes = 0;
    m_iIcon = -1;
    m_ftCreation = m_ftLastAccess = m_ftLastWrite = FILETIME{};
    m_nArchiveEntry = -1;
    m_arrValues.clear();
    m_iThumbnailState = THUMBNAIL_NONE;
}

BOOL CResultItem::GetPathInArchive(std::string* out) const {
    out->clear();
    if (!(m_dwFlags & RIF_IN_ARCHIVE))
        return FALSE;
    std::string archivePath;
    const PidlPtr full = GetFullPidl();
    if (!full || !SHGetPathFromIDList(full.get(), &archivePath))
        return FALSE;
    // The folder is the archive's path, then "\" and the member's folder.
    std::string inner;
    const std::string_view folder = m_sFolder;
    if (folder.size() > archivePath.size() && folder.starts_with(archivePath))
        inner = folder.substr(archivePath.size() + 1);
    if (!inner.empty())
        inner += '\\';
    *out = inner + m_sName;
    return TRUE;
}

BOOL CResultItem::GetFilePath(std::string* out) const {
    out->clear();
    if (!HasFullPidl())
        return FALSE;
    if (!(m_dwFlags & (RIF_IN_ARCHIVE | RIF_NO_PATH)) && !m_sFolder.empty() && !m_sName.empty()) {
        out->reserve(m_sFolder.size() + 1 + m_sName.size());
        *out = m_sFolder.view();
        if (out->back() != '/')
            *out += '/';
        *out += m_sName;
        return TRUE;
    }
    return SHGetPathFromIDList(GetFullPidl().get(), out);
}

namespace {

// Splits a disk path at its last "/" into the folder before it and the name
// (a "\" is part of a name on disk). The root "/" has no folder; the items
// directly under it lie in "/".
void SplitPath(std::string_view path, std::string_view* folder, std::string_view* name) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos || path.size() == 1) {
        *folder = {};
        *name = path;
        return;
    }
    *folder = path.substr(0, slash == 0 ? 1 : slash);
    *name = path.substr(slash + 1);
}

// Items of the trash keep their real names in the parsing name; a normal
// display name that hides the extension gets it back.
std::string NameWithRecycledExtension(const std::string& parsingName,
                                      const std::string& normalName) {
    const std::string lower = LowerCaseUtf8(parsingName);
    if (lower.find("recycled") == std::string::npos)
        return normalName;
    const char* ext = GetFileExtension(parsingName.c_str());
    if (!ext)
        return normalName;
    const std::string dotExt = std::string(".") + ext;
    if (normalName.size() < dotExt.size())
        return normalName;
    const std::string tail = normalName.substr(normalName.size() - dotExt.size());
    if (LowerCaseUtf8(tail) == LowerCaseUtf8(dotExt))
        return normalName;
    return normalName + dotExt;
}

// The rest of MakeResultItemWithoutFileData once the record has its folder
// and lists.
BOOL FillResultItemNames(CResultItem& record, ULONG shellAttributes, const std::string& folderText,
                         std::string* path, bool pathKnown) {
    // What the namespace knows stays when the file's own data cannot be read
    // (a folder that can be listed but not entered).
    if (shellAttributes & SFGAO_FOLDER) {
        record.m_dwFlags |= RIF_FOLDER;
        record.m_dwAttributes = FILE_ATTRIBUTE_DIRECTORY;
    }
    if (shellAttributes & SFGAO_CANDELETE)
        record.m_dwFlags |= RIF_DELETABLE;

    if (!pathKnown)
        path->clear();
    if ((shellAttributes & SFGAO_CANCOPY) && record.HasFullPidl() &&
        (pathKnown || SHGetPathFromIDList(record.GetFullPidl().get(), path))) {
        std::string_view folder;
        std::string_view name;
        SplitPath(*path, &folder, &name);
        record.m_sFolder = folder;
        record.m_sName = name;
        return TRUE;
    }
    record.m_dwFlags |= RIF_NO_PATH;
    path->clear();

    std::string parsingName;
    std::string normalName;
    IShellFolder* folder = record.m_pParentFolder.Get();
    CShellHelper::GetItemName(folder, record.m_pidl.get(), SHGDN_FORPARSING | SHGDN_INFOLDER,
                              &parsingName);
    CShellHelper::GetItemName(folder, record.m_pidl.get(), SHGDN_NORMAL, &normalName);
    record.m_sName = NameWithRecycledExtension(parsingName, normalName);
    record.m_sFolder = folderText;
    return FALSE;
}

}  // namespace

BOOL MakeResultItemWithoutFileData(CResultItem& record, zb::ComPtr<IShellFolder> parent,
                                   PidlPtr item, PidlPtr full, ULONG shellAttributes,
                                   const std::string& folderText, std::string* path,
                                   bool pathKnown) {
    record.Clear();
    record.m_pParentFolder = std::move(parent);
    record.SetItemLists(std::move(item), std::move(full));
    return FillResultItemNames(record, shellAttributes, folderText, path, pathKnown);
}

BOOL MakeResultItemOfFolder(CResultItem& record, zb::ComPtr<IShellFolder> parent, PidlPtr item,
                            LPCITEMIDLIST folderList, ULONG shellAttributes,
                            const std::string& folderText, std::string* path, bool pathKnown) {
    record.Clear();
    record.m_pParentFolder = std::move(parent);
    record.SetItemListsIn(std::move(item), folderList);
    return FillResultItemNames(record, shellAttributes, folderText, path, pathKnown);
}

void ReadResultItemFileData(CResultItem& record, const std::string& path, int dirFd,
                            const zb::HiddenNames* hidden, zb::DosBits dos) {
    zb::FileInfo info;
    const bool read = dirFd >= 0 ? zb::GetFileInfoAt(dirFd, record.m_sName.c_str(), hidden, &info,
                                                     zb::LinkMode::NoFollow, dos)
                                 : zb::GetFileInfo(path, &info, zb::LinkMode::NoFollow, dos);
    SetResultItemFileData(record, read ? &info : nullptr);
}

void SetResultItemFileData(CResultItem& record, const zb::FileInfo* info) {
    if (!info) {
        record.m_dwFlags |= RIF_SIZE_UNKNOWN;
        return;
    }
    record.m_dwAttributes = info->dwFileAttributes;
    record.m_ftCreation = info->ftCreationTime;
    record.m_ftLastAccess = info->ftLastAccessTime;
    record.m_ftLastWrite = info->ftLastWriteTime;
    record.m_nSize = info->size;
    if (!info->dosBitsRead)
        record.m_dwFlags |= RIF_DOS_UNREAD;
}

namespace {

// `attributes` with the bits of user.DOSATTRIB of the record's file added.
DWORD WithDosAttributes(const CResultItem& record, DWORD attributes) {
    std::string path;
    if (!record.GetFilePath(&path))
        return attributes;
    const DWORD dos = zb::ReadDosAttributes(path);
    if (dos == 0)
        return attributes;
    // "Normal" stands only for a word without any other bit.
    return (attributes & ~FILE_ATTRIBUTE_NORMAL) | dos;
}

}  // namespace

DWORD GetResultAttributes(const CResultItem& record) {
    if (!(record.m_dwFlags & RIF_DOS_UNREAD))
        return record.m_dwAttributes;
    return WithDosAttributes(record, record.m_dwAttributes);
}

void ReadResultDosAttributes(CResultItem& record) {
    if (!(record.m_dwFlags & RIF_DOS_UNREAD))
        return;
    record.m_dwAttributes = WithDosAttributes(record, record.m_dwAttributes);
    record.m_dwFlags &= ~RIF_DOS_UNREAD;
}

void MakeResultItem(CResultItem& record, zb::ComPtr<IShellFolder> parent, PidlPtr item,
                    PidlPtr full, ULONG shellAttributes, const std::string& folderText) {
    std::string path;
    if (MakeResultItemWithoutFileData(record, std::move(parent), std::move(item), std::move(full),
                                      shellAttributes, folderText, &path))
        ReadResultItemFileData(record, path);
}

BOOL MakeArchiveEntryItem(CArchiveHandler* handler, int entry, CResultItem& record,
                          zb::ComPtr<IShellFolder> parent, PidlPtr item, PidlPtr full) {
    CArchiveEntryInfo info;
    if (!handler || !handler->GetFileInfo(entry, &info))
        return FALSE;

    std::string archivePath;
    if (full)
        SHGetPathFromIDList(full.get(), &archivePath);

    record.Clear();
    record.m_pParentFolder = std::move(parent);
    record.SetItemLists(std::move(item), std::move(full));
    record.m_sName = GetFileNamePart(info.m_strName.c_str());
    FILETIME utc;
    if (!LocalFileTimeToFileTime(&info.m_ftTime, &utc))
        utc = FILETIME{};
    record.m_ftCreation = record.m_ftLastAccess = record.m_ftLastWrite = utc;
    record.m_dwFlags = RIF_IN_ARCHIVE;
    record.m_nArchiveEntry = entry;
    if (info.m_nSize < 0)
        record.m_dwFlags |= RIF_SIZE_UNKNOWN;
    else
        record.m_nSize = static_cast<std::uint64_t>(info.m_nSize);
    record.m_dwAttributes = FILE_ATTRIBUTE_NORMAL;

    const std::size_t lastBackslash = info.m_strName.rfind('\\');
    if (lastBackslash != std::string::npos && lastBackslash > 0) {
        archivePath += '\\';
        archivePath.append(info.m_strName, 0, lastBackslash);
    }
    record.m_sFolder = archivePath;
    return TRUE;
}

void FillResultTypeInfo(CResultItem& record) {
    SHFILEINFO info;
    if (record.m_dwFlags & RIF_IN_ARCHIVE) {
        SHGetFileInfo(
            record.m_sName.str(), FILE_ATTRIBUTE_NORMAL, &info,
            SHGFI_SYSICONINDEX | SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES | SHGFI_SMALLICON);
    } else if (record.HasFullPidl()) {
        constexpr UINT kFlags = SHGFI_SYSICONINDEX | SHGFI_TYPENAME | SHGFI_PIDL | SHGFI_SMALLICON;
        // A record on disk asks the folder it came from, which the walk has
        // bound already, rather than binding it anew from the desktop.
        std::string path;
        if (!(record.m_dwFlags & RIF_NO_PATH) && record.m_pParentFolder && record.m_pidl &&
            record.GetFilePath(&path)) {
            SHGetFileInfoOfChild(record.m_pParentFolder.Get(), record.m_pidl.get(), path, &info,
                                 kFlags);
        } else {
            SHGetFileInfo(record.GetFullPidl().get(), 0, &info, kFlags);
        }
    }
    if (record.m_dwFlags & RIF_NO_PATH) {
        UINT flags = 0;
        if (info.iIcon < 0)
            flags |= SHGFI_SYSICONINDEX | SHGFI_ICON | SHGFI_SMALLICON;
        if (info.szTypeName.empty())
            flags |= SHGFI_TYPENAME;
        if (flags) {
            const DWORD attributes = (record.m_dwFlags & RIF_FOLDER)
                                         ? (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_NORMAL)
                                         : FILE_ATTRIBUTE_NORMAL;
            SHFILEINFO byName;
            SHGetFileInfo(record.m_sName.str(), attributes, &byName,
                          flags | SHGFI_USEFILEATTRIBUTES);
            if (info.iIcon < 0)
                info.iIcon = byName.iIcon;
            if (info.szTypeName.empty())
                info.szTypeName = byName.szTypeName;
        }
    }
    record.m_iIcon = info.iIcon;
    record.m_sTypeName = info.szTypeName;
}

BOOL RefreshResultItem(CResultItem& record) {
    if ((record.m_dwFlags & RIF_IN_ARCHIVE) || !record.m_pParentFolder || !record.m_pidl)
        return FALSE;
    ULONG attributes = SFGAO_CANCOPY | SFGAO_CANDELETE | SFGAO_DROPTARGET | SFGAO_FOLDER |
                       SFGAO_FILESYSTEM | SFGAO_HASSUBFOLDER;
    LPCITEMIDLIST item = record.m_pidl.get();
    if (FAILED(record.m_pParentFolder->GetAttributesOf(1, &item, &attributes)))
        return FALSE;
    // The contents are the same: what was read from them stays.
    CRecordValues values = std::move(record.m_arrValues);
    const int thumbnailState = record.m_iThumbnailState;
    const std::string folderText = record.m_sFolder.str();
    zb::ComPtr<IShellFolder> parent = record.m_pParentFolder;
    PidlPtr full = record.GetFullPidl();
    PidlPtr relative = record.m_pidl.Detach();
    MakeResultItem(record, std::move(parent), std::move(relative), std::move(full), attributes,
                   folderText);
    FillResultTypeInfo(record);
    record.m_arrValues = std::move(values);
    record.m_iThumbnailState = thumbnailState;
    return TRUE;
}

BOOL IsResultItemValid(const CResultItem& record) {
    if (!record.m_pParentFolder || !record.m_pidl)
        return FALSE;
    ULONG attributes = SFGAO_VALIDATE;
    LPCITEMIDLIST item = record.m_pidl.get();
    return SUCCEEDED(record.m_pParentFolder->GetAttributesOf(1, &item, &attributes)) ? TRUE : FALSE;
}

zb::RenameResult RenameResultItem(CResultItem& record, const std::string& newName, int* error) {
    *error = EPERM;
    std::string path;
    if ((record.m_dwFlags & (RIF_IN_ARCHIVE | RIF_ARCHIVE | RIF_NO_PATH | RIF_VANISHED)) ||
        !record.m_pParentFolder || !record.HasFullPidl() || !record.GetFilePath(&path))
        return zb::RenameResult::Failed;
    std::string_view folder;
    std::string_view oldName;
    SplitPath(path, &folder, &oldName);
    const zb::RenameResult result =
        zb::RenameItem(std::string(folder), std::string(oldName), newName, error);
    if (result != zb::RenameResult::Renamed)
        return result;
    // The item is renamed; the record follows when the folder knows the new name.
    LPITEMIDLIST parsed = nullptr;
    if (FAILED(record.m_pParentFolder->ParseDisplayName(newName, nullptr, &parsed, nullptr)) ||
        !parsed)
        return result;
    PidlPtr relative(parsed);
    const PidlPtr parentFull(ILCloneParent(record.GetFullPidl().get()));
    PidlPtr full(ILCombine(parentFull.get(), relative.get()));
    if (!full)
        return result;
    record.SetItemLists(std::move(relative), std::move(full));
    RefreshResultItem(record);
    return result;
}

BOOL OpenResultStream(CSourceStream* stream, const CResultItem& record) {
    std::string path;
    if (!record.GetFilePath(&path)) {
        return FALSE;
    }
    if ((record.m_dwFlags & RIF_IN_ARCHIVE) == 0) {
        return stream->Open(path);
    }
    // For a member the record's path is the archive file's.
    CArchiveHandler* handler = FindArchiveHandler(path);
    std::string inner;
    if (handler == nullptr || !record.GetPathInArchive(&inner)) {
        return FALSE;
    }
    return stream->OpenInArchive(handler, inner, record.m_nArchiveEntry);
}
