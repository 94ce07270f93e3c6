#include "app/engine/SelectionCommands.h"

#include <algorithm>

#include "app/engine/ResultItem.h"

void CSelectionFlags::Add(DWORD flags) {
    ++m_nCount;
    m_bAllInArchive = m_bAllInArchive && (flags & RIF_IN_ARCHIVE) != 0;
    m_bAllWithoutPath = m_bAllWithoutPath && (flags & RIF_NO_PATH) != 0;
    m_bAnyDeletable = m_bAnyDeletable || IsDeleteCandidate(flags);
}

unsigned CSelectionFlags::EnabledCommands() const {
    if (m_nCount == 0)
        return 0;
    unsigned enabled = SELCMD_ALL;
    if (m_bAllInArchive)
        enabled &= ~(SELCMD_CUT | SELCMD_DELETE | SELCMD_CHANGE_ATTRIBUTES |
                     SELCMD_CHANGE_FILE_TIME | SELCMD_RENAME);
    if (m_bAllWithoutPath)
        enabled &= ~(SELCMD_CHANGE_ATTRIBUTES | SELCMD_CHANGE_FILE_TIME | SELCMD_RENAME);
    if (!m_bAnyDeletable)
        enabled &= ~SELCMD_DELETE;
    return enabled;
}

unsigned EnabledSelectionCommands(std::span<const DWORD> flags) {
    CSelectionFlags selection;
    for (const DWORD each : flags)
        selection.Add(each);
    return selection.EnabledCommands();
}

bool IsDeleteCandidate(DWORD flags) {
    return (flags & RIF_DELETABLE) && !(flags & (RIF_IN_ARCHIVE | RIF_VANISHED));
}

bool IsLabelEditable(DWORD flags) {
    return !(flags & (RIF_IN_ARCHIVE | RIF_ARCHIVE | RIF_VANISHED));
}

bool IsFileOnDisk(DWORD flags) {
    return !(flags & (RIF_IN_ARCHIVE | RIF_NO_PATH | RIF_VANISHED));
}

bool MayRenameTogether(std::span<const CResultItem* const> records) {
    bool folder = false;
    for (const CResultItem* record : records)
        folder = folder || (record->m_dwFlags & RIF_FOLDER);
    for (const CResultItem* record : records) {
        if (folder && record->m_sFolder != records.front()->m_sFolder)
            return false;
    }
    return true;
}

bool HasMemberRecords(std::span<const CResultItem* const> records, const std::string& archivePath) {
    // A member's folder is the archive's path, then "\" and its inner folder.
    return std::any_of(records.begin(), records.end(), [&](const CResultItem* record) {
        const std::string_view folder = record->m_sFolder;
        return (record->m_dwFlags & RIF_IN_ARCHIVE) &&
               folder.compare(0, archivePath.size(), archivePath) == 0 &&
               (folder.size() == archivePath.size() || folder[archivePath.size()] == '\\');
    });
}
