#include "app/engine/ResultItem.h"

#include <cerrno>
#include <cstring>

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
    m_pidl.reset(ILClone(other.m_pidl.get()));
    m_pidlFull.reset(ILClone(other.m_pidlFull.get()));
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

void CResultItem::Clear() {
    m_pParentFolder.Reset();
    m_pidl.reset();
    m_pidlFull.reset();
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
    if (!m_pidlFull || !SHGetPathFromIDList(m_pidlFull.get(), &archivePath))
        return FALSE;
    // The folder is the archive's path, then "\" and the member's folder.
    std::string inner;
    if (m_sFolder.size() > archivePath.size() &&
        m_sFolder.compare(0, archivePath.size(), archivePath) == 0) {
        inner = m_sFolder.substr(archivePath.size() + 1);
    }
    if (!inner.empty())
        inner += '\\';
    *out = inner + m_sName;
    return TRUE;
}

BOOL CResultItem::GetFilePath(std::string* out) const {
    out->clear();
    if (!m_pidlFull)
        return FALSE;
    if (!(m_dwFlags & (RIF_IN_ARCHIVE | RIF_NO_PATH)) && !m_sFolder.empty() && !m_sName.empty()) {
        out->reserve(m_sFolder.size() + 1 + m_sName.size());
        *out = m_sFolder;
        if (out->back() != '/')
            *out += '/';
        *out += m_sName;
        return TRUE;
    }
    return SHGetPathFromIDList(m_pidlFull.get(), out);
}

namespace {

// Splits a disk path at its last "/" into the folder before it and the name
// (a "\" is part of a name on disk). The root "/" has no folder; the items
// directly under it lie in "/".
void SplitPath(const std::string& path, std::string* folder, std::string* name) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || path.size() == 1) {
        folder->clear();
        *name = path;
        return;
    }
    folder->assign(path, 0, slash == 0 ? 1 : slash);
    name->assign(path, slash + 1);
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

}  // namespace

BOOL MakeResultItemWithoutFileData(CResultItem& record, zb::ComPtr<IShellFolder> parent,
                                   PidlPtr item, PidlPtr full, ULONG shellAttributes,
                                   const std::string& folderText, std::string* path,
                                   bool pathKnown) {
    record.Clear();
    record.m_pParentFolder = std::move(parent);
    record.m_pidl = std::move(item);
    record.m_pidlFull = std::move(full);
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
    if ((shellAttributes & SFGAO_CANCOPY) && record.m_pidlFull &&
        (pathKnown || SHGetPathFromIDList(record.m_pidlFull.get(), path))) {
        SplitPath(*path, &record.m_sFolder, &record.m_sName);
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

void ReadResultItemFileData(CResultItem& record, const std::string& path, int dirFd,
                            const zb::HiddenNames* hidden) {
    zb::FileInfo info;
    const bool read = dirFd >= 0 ? zb::GetFileInfoAt(dirFd, record.m_sName.c_str(), hidden, &info)
                                 : zb::GetFileInfo(path, &info);
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
    record.m_pidl = std::move(item);
    record.m_pidlFull = std::move(full);
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

    record.m_sFolder = archivePath;
    const std::size_t lastBackslash = info.m_strName.rfind('\\');
    if (lastBackslash != std::string::npos && lastBackslash > 0) {
        record.m_sFolder += '\\';
        record.m_sFolder.append(info.m_strName, 0, lastBackslash);
    }
    return TRUE;
}

void FillResultTypeInfo(CResultItem& record) {
    SHFILEINFO info;
    if (record.m_dwFlags & RIF_IN_ARCHIVE) {
        SHGetFileInfo(
            record.m_sName, FILE_ATTRIBUTE_NORMAL, &info,
            SHGFI_SYSICONINDEX | SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES | SHGFI_SMALLICON);
    } else if (record.m_pidlFull) {
        constexpr UINT kFlags = SHGFI_SYSICONINDEX | SHGFI_TYPENAME | SHGFI_PIDL | SHGFI_SMALLICON;
        // A record on disk asks the folder it came from, which the walk has
        // bound already, rather than binding it anew from the desktop.
        std::string path;
        if (!(record.m_dwFlags & RIF_NO_PATH) && record.m_pParentFolder && record.m_pidl &&
            record.GetFilePath(&path)) {
            SHGetFileInfoOfChild(record.m_pParentFolder.Get(), record.m_pidl.get(), path, &info,
                                 kFlags);
        } else {
            SHGetFileInfo(record.m_pidlFull.get(), 0, &info, kFlags);
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
            SHGetFileInfo(record.m_sName, attributes, &byName, flags | SHGFI_USEFILEATTRIBUTES);
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
    std::vector<COLUMNVALUE> values = std::move(record.m_arrValues);
    const int thumbnailState = record.m_iThumbnailState;
    const std::string folderText = record.m_sFolder;
    zb::ComPtr<IShellFolder> parent = record.m_pParentFolder;
    PidlPtr relative = std::move(record.m_pidl);
    PidlPtr full = std::move(record.m_pidlFull);
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
        !record.m_pParentFolder || !record.m_pidlFull || !record.GetFilePath(&path))
        return zb::RenameResult::Failed;
    std::string folder;
    std::string oldName;
    SplitPath(path, &folder, &oldName);
    const zb::RenameResult result = zb::RenameItem(folder, oldName, newName, error);
    if (result != zb::RenameResult::Renamed)
        return result;
    // The item is renamed; the record follows when the folder knows the new name.
    LPITEMIDLIST parsed = nullptr;
    if (FAILED(record.m_pParentFolder->ParseDisplayName(newName, nullptr, &parsed, nullptr)) ||
        !parsed)
        return result;
    PidlPtr relative(parsed);
    const PidlPtr parentFull(ILCloneParent(record.m_pidlFull.get()));
    PidlPtr full(ILCombine(parentFull.get(), relative.get()));
    if (!full)
        return result;
    record.m_pidl = std::move(relative);
    record.m_pidlFull = std::move(full);
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
