#pragma once
// What Change Attributes does to the selected result records: the AND and the
// OR of their attributes, from which the dialog's boxes start, and the change
// itself: new = set | (old & keep) for each record and, with sub-folders,
// for everything below a selected folder first. Records inside archives and
// records without a path are never changed. Every file that cannot be changed
// is counted and logged in red with the reason.

#include <set>
#include <string>
#include <vector>

#include "app/engine/ResultItem.h"
#include "platform/WinTypes.h"
#include "tools/DosAttributes.h"

// The state of one attribute box.
enum class AttributeBox { Clear, Checked, Gray };

class CAttributeChange {
public:
    // The records (not owned; they must outlive the change). AND starts at
    // all bits and OR at 0, both fold in every record's attributes (no
    // records: both 0), read whole first; a folder record clears the
    // no-folder flag.
    void SetItems(const std::vector<CResultItem*>& records);
    DWORD GetAnd() const { return m_dwAnd; }
    DWORD GetOr() const { return m_dwOr; }
    BOOL HasNoFolder() const { return m_bNoFolder; }

    // A box starts checked when AND has its bit, gray when only OR has it.
    AttributeBox InitialBox(DWORD bit) const;
    // Adds a box to the masks: a checked box sets its bit, a cleared one
    // removes it from the keep mask, a gray one changes nothing.
    static void AddBox(AttributeBox box, DWORD bit, DWORD* set, DWORD* keep);

    // Applies the masks to every record that may be changed; with
    // `subFolders` the contents of a folder record come first. A set mask of
    // 0 with a keep mask of all bits does nothing at all. A record whose
    // attributes change stores the attributes its file has afterwards.
    // Returns the number of files that could not be changed.
    int Apply(DWORD set, DWORD keep, BOOL subFolders);
    // Applies the masks to everything below the folder `path` (on its file
    // system; links are not followed), a folder after its contents.
    int ApplyToFolder(const std::string& path, DWORD set, DWORD keep);

    // Files whose change was attempted and those that failed, since SetItems.
    int GetChangedCount() const { return m_nChanged; }
    int GetFailedCount() const { return static_cast<int>(m_failedPaths.size()); }

private:
    // Changes one file from `oldAttributes`; true when something was asked of it.
    bool ChangeOne(const std::string& path, DWORD oldAttributes, DWORD set, DWORD keep);
    void Fail(const std::string& path, const std::string& reason);
    void FlushHiddenList(const std::string& folder);

    std::vector<CResultItem*> m_records;
    DWORD m_dwAnd = 0;
    DWORD m_dwOr = 0;
    BOOL m_bNoFolder = TRUE;
    CHiddenListWriter m_hidden;
    int m_nChanged = 0;
    std::set<std::string> m_failedPaths;
};
