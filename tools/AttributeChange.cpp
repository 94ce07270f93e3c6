#include "tools/AttributeChange.h"

#include <sys/stat.h>

#include <map>

#include "platform/FileInfo.h"
#include "platform/Log.h"
#include "platform/PathUtils.h"
#include "platform/shell/ShellRoots.h"
#include "tools/ToolRecords.h"
#include "tools/TreeWalk.h"

namespace {
constexpr DWORD kAllBits = 0xFFFFFFFFu;
}  // namespace

void CAttributeChange::SetItems(const std::vector<CResultItem*>& records) {
    m_records = records;
    m_dwAnd = records.empty() ? 0 : kAllBits;
    m_dwOr = 0;
    m_bNoFolder = TRUE;
    for (CResultItem* record : records) {
        // A search that showed no attributes left these bits unread; the
        // boxes and the change start from the whole word.
        ReadResultDosAttributes(*record);
        m_dwAnd &= record->m_dwAttributes;
        m_dwOr |= record->m_dwAttributes;
        if (record->m_dwAttributes & FILE_ATTRIBUTE_DIRECTORY)
            m_bNoFolder = FALSE;
    }
    m_nChanged = 0;
    m_failedPaths.clear();
}

AttributeBox CAttributeChange::InitialBox(DWORD bit) const {
    if (m_dwAnd & bit)
        return AttributeBox::Checked;
    return (m_dwOr & bit) ? AttributeBox::Gray : AttributeBox::Clear;
}

void CAttributeChange::AddBox(AttributeBox box, DWORD bit, DWORD* set, DWORD* keep) {
    if (box == AttributeBox::Checked)
        *set |= bit;
    else if (box == AttributeBox::Clear)
        *keep &= ~bit;
}

void CAttributeChange::Fail(const std::string& path, const std::string& reason) {
    m_failedPaths.insert(path);
    LogPrintf(kToolLogRed, "Cannot change the attributes of %s: %s", path.c_str(), reason.c_str());
}

void CAttributeChange::FlushHiddenList(const std::string& folder) {
    std::string reason;
    std::set<std::string> names;
    if (!m_hidden.Flush(folder, &reason, &names)) {
        for (const std::string& name : names)
            Fail(zb::JoinPath(folder, name), reason);
    }
}

bool CAttributeChange::ChangeOne(const std::string& path, DWORD oldAttributes, DWORD set,
                                 DWORD keep) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    DWORD updated = set | (oldAttributes & keep);
    // Only regular files have a read-only state of their own.
    if (!S_ISREG(st.st_mode))
        updated = (updated & ~FILE_ATTRIBUTE_READONLY) | (oldAttributes & FILE_ATTRIBUTE_READONLY);
    if (((updated ^ oldAttributes) & kChangeableAttributes) == 0)
        return false;
    ++m_nChanged;
    std::string reason;
    if (!ChangeDosAttributes(path, oldAttributes, updated, m_hidden, &reason))
        Fail(path, reason);
    return true;
}

int CAttributeChange::Apply(DWORD set, DWORD keep, BOOL subFolders) {
    if (set == 0 && keep == kAllBits)
        return 0;
    const std::size_t failedBefore = m_failedPaths.size();
    std::vector<std::pair<CResultItem*, std::string>> changed;
    for (CResultItem* record : m_records) {
        std::string path;
        if (!IsChangeableRecord(*record, &path))
            continue;
        const DWORD attributes = record->m_dwAttributes;
        if (attributes == 0 || attributes == INVALID_FILE_ATTRIBUTES)
            continue;
        if (subFolders && (record->m_dwFlags & RIF_FOLDER))
            ApplyToFolder(path, set, keep);
        if (ChangeOne(path, attributes, set, keep))
            changed.emplace_back(record, path);
    }
    for (const std::string& folder : m_hidden.PendingFolders())
        FlushHiddenList(folder);
    // What the file has now, whatever part of the change held.
    for (auto& [record, path] : changed) {
        const DWORD now = zb::GetFileAttributes(path);
        if (now != INVALID_FILE_ATTRIBUTES)
            record->m_dwAttributes = now;
    }
    const int failed = static_cast<int>(m_failedPaths.size() - failedBefore);
    if (failed > 0)
        LogPrintf(kToolLogRed, "The attributes of %d files could not be changed.", failed);
    return failed;
}

int CAttributeChange::ApplyToFolder(const std::string& path, DWORD set, DWORD keep) {
    const std::size_t failedBefore = m_failedPaths.size();
    // Each folder's ".hidden" list, read once while its entries are changed.
    std::map<std::string, zb::HiddenNames> lists;
    const auto apply = [&](const TreeEntry& entry) {
        const std::string folder = GetParentFolder(entry.path);
        auto list = lists.find(folder);
        if (list == lists.end())
            list = lists.emplace(folder, zb::HiddenNames::Load(entry.dirFd)).first;
        const std::string name(entry.name);
        zb::FileInfo info;
        if (!zb::GetFileInfoAt(entry.dirFd, name.c_str(), &list->second, &info))
            return;
        // A name hidden by its own dot stays hidden: clearing Hidden passes it by.
        const DWORD dotKeep = name.front() == '.' ? FILE_ATTRIBUTE_HIDDEN : 0;
        ChangeOne(entry.path, info.dwFileAttributes, set, keep | dotKeep);
    };
    const auto folderDone = [&](const std::string& folder) {
        FlushHiddenList(folder);
        lists.erase(folder);
    };
    const auto mountPoint = [&](const TreeEntry& entry) { Fail(entry.path, kMountPointNote); };
    if (ApplyBelowFolder(path, apply, folderDone, mountPoint) == CTreeWalk::WALK_UNREACHABLE)
        Fail(path, "the folder cannot be opened");
    return static_cast<int>(m_failedPaths.size() - failedBefore);
}
