#include "tools/ToolRecords.h"

#include "platform/PosixFile.h"
#include "platform/shell/ShellApi.h"
#include "platform/shell/ShellHelper.h"
#include "readers/archives/ArchiveHandler.h"

namespace {

// What is asked of an item that becomes a row.
constexpr ULONG kRecordAttributes = SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM | SFGAO_FOLDER |
                                    SFGAO_REMOVABLE | SFGAO_DROPTARGET | SFGAO_CANDELETE |
                                    SFGAO_CANCOPY;

void SplitDiskPath(const std::string& path, std::string* folder, std::string* name) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        folder->clear();
        *name = path;
        return;
    }
    *folder = slash == 0 ? "/" : path.substr(0, slash);
    *name = path.substr(slash + 1);
}

}  // namespace

BOOL IsChangeableRecord(const CResultItem& record, std::string* path) {
    if (record.m_dwFlags & (RIF_IN_ARCHIVE | RIF_NO_PATH))
        return FALSE;
    return record.GetFilePath(path);
}

CToolRecordMaker::Result CToolRecordMaker::ParseItem(const std::string& path,
                                                     zb::ComPtr<IShellFolder>* folder,
                                                     PidlPtr* child, PidlPtr* full,
                                                     ULONG* attributes) {
    std::string folderPath;
    std::string name;
    SplitDiskPath(path, &folderPath, &name);
    if (folderPath.empty() || name.empty())
        return FOLDER_NOT_PARSED;
    if (!m_pFolder || folderPath != m_sFolder) {
        m_pFolder.Reset();
        m_sFolder.clear();
        CShellHelper helper;
        LPITEMIDLIST parsed = nullptr;
        if (FAILED(helper.ParseDisplayName(folderPath, &parsed, nullptr)) || !parsed)
            return FOLDER_NOT_PARSED;
        m_pidlFolder.reset(parsed);
        m_pFolder = helper.BindToFolder(parsed);
        if (!m_pFolder)
            return FOLDER_NOT_BOUND;
        m_sFolder = folderPath;
    }
    ULONG eaten = 0;
    LPITEMIDLIST item = nullptr;
    if (FAILED(m_pFolder->ParseDisplayName(name, &eaten, &item, nullptr)) || !item)
        return NAME_NOT_PARSED;
    child->reset(item);
    *attributes = kRecordAttributes;
    LPCITEMIDLIST asked = item;
    if (FAILED(m_pFolder->GetAttributesOf(1, &asked, attributes)))
        *attributes = 0;
    full->reset(CShellHelper::ConcatPidls(m_pidlFolder.get(), item));
    if (!*full)
        return NAME_NOT_PARSED;
    *folder = m_pFolder;
    return MADE;
}

CToolRecordMaker::Result CToolRecordMaker::MakeFileRecord(const std::string& path,
                                                          CResultItem& record) {
    zb::ComPtr<IShellFolder> folder;
    PidlPtr child;
    PidlPtr full;
    ULONG attributes = 0;
    const Result result = ParseItem(path, &folder, &child, &full, &attributes);
    if (result != MADE)
        return result;
    MakeResultItem(record, folder, std::move(child), std::move(full), attributes, m_sFolder);
    return MADE;
}

CToolRecordMaker::Result CToolRecordMaker::MakeMemberRecord(const std::string& archivePath,
                                                            const std::string& memberPath,
                                                            CResultItem& record) {
    zb::ComPtr<IShellFolder> folder;
    PidlPtr child;
    PidlPtr full;
    ULONG attributes = 0;
    const Result result = ParseItem(archivePath, &folder, &child, &full, &attributes);
    if (result != MADE)
        return result;
    InitArchiveHandlers();
    CArchiveHandler* handler = FindArchiveHandler(archivePath);
    if (!handler)
        return NO_ARCHIVE_HANDLER;
    const int entry = handler->FindEntry(memberPath);
    if (entry < 0 ||
        !MakeArchiveEntryItem(handler, entry, record, folder, std::move(child), std::move(full)))
        return ENTRY_NOT_FOUND;
    return MADE;
}

bool ReparseRenamedRecord(CResultItem& record, const std::string& newName) {
    if (!record.m_pParentFolder)
        return false;
    ULONG eaten = 0;
    LPITEMIDLIST child = nullptr;
    if (FAILED(record.m_pParentFolder->ParseDisplayName(newName, &eaten, &child, nullptr)) ||
        !child)
        return false;
    PidlPtr childOwner(child);
    const std::string path = zb::JoinPath(record.m_sFolder.str(), newName);
    CShellHelper helper;
    LPITEMIDLIST full = nullptr;
    if (FAILED(helper.ParseDisplayName(path, &full, nullptr)) || !full)
        return false;
    record.SetItemLists(std::move(childOwner), PidlPtr(full));
    record.m_sName = newName;
    return true;
}
