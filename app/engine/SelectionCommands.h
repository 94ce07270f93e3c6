#pragma once
// What the selected result records allow, decided from their flags alone
// (folder, inside an archive, no path, deletable, archive file, vanished):
// which of the commands on the selection are enabled, and which records take
// part in a command. The window only shows and follows these answers.

#include <cstddef>
#include <span>
#include <string>

#include "platform/WinTypes.h"

class CResultItem;

// The commands whose enabling follows the selection, as bits.
enum SelectionCommand : unsigned {
    SELCMD_COPY = 0x01,
    SELCMD_CUT = 0x02,
    SELCMD_DELETE = 0x04,
    SELCMD_CHANGE_ATTRIBUTES = 0x08,
    SELCMD_CHANGE_FILE_TIME = 0x10,
    SELCMD_RENAME = 0x20,
};
constexpr unsigned SELCMD_ALL = 0x3F;

// The selection's flags gathered one record at a time.
class CSelectionFlags {
public:
    void Add(DWORD flags);

    std::size_t Count() const { return m_nCount; }
    // The commands enabled for this selection: all six, then none without a
    // selection; when every record lies inside an archive only Copy; when
    // every record has no path no Change Attributes, Change File Time or
    // Rename; when no record is deletable no Delete.
    unsigned EnabledCommands() const;
    bool IsEnabled(SelectionCommand command) const { return (EnabledCommands() & command) != 0; }

private:
    std::size_t m_nCount = 0;
    bool m_bAllInArchive = true;
    bool m_bAllWithoutPath = true;
    bool m_bAnyDeletable = false;
};

// The same for a list of flags.
unsigned EnabledSelectionCommands(std::span<const DWORD> flags);

// A record the Delete key and Delete act on: deletable, not inside an
// archive (a member's item is its archive file) and still there.
bool IsDeleteCandidate(DWORD flags);
// A record whose name may be edited in place: not inside an archive, not an
// archive file, still there (its folder must also allow the rename).
bool IsLabelEditable(DWORD flags);
// A record of an item on disk, which Delete and the file tools (attributes,
// file times, the rename tool) act on by its path: neither inside an archive
// nor without a path, and still there.
bool IsFileOnDisk(DWORD flags);

// Whether `records` (the list's records) hold a member of the archive file
// at `archivePath`: renaming that file would leave its members' rows naming
// the old one.
bool HasMemberRecords(std::span<const CResultItem* const> records, const std::string& archivePath);

// Whether the rename tool may take `records` (the selected records on disk)
// together: when one of them is a folder, all must lie in the same folder.
bool MayRenameTogether(std::span<const CResultItem* const> records);
