#pragma once
// The rename tool without its window: one row per selected record (its new
// name, title and author), the order of the preview list, and the renaming.
//
// Renames never replace a file: renameat2 with RENAME_NOREPLACE (where a file
// system lacks it, a hard link and an unlink, which refuse an existing name
// just as well). A name that differs only in case names another file on
// Linux, so it is refused like any existing name; only when both names lead
// to the same file (a file system that ignores case) is the rename made in
// two steps through a temporary name. Every new name is checked before use,
// and a record is pointed at its new name only when its own rename succeeded.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/engine/ResultItem.h"
#include "readers/details/ProviderRegistry.h"

// The dialog's result when at least one rename failed (the caller then shows
// the log window).
constexpr int IDD_RENAME_FAILED_RESULT = 2001;

// The choices of the three pages.
struct RenameOptions {
    // File Name page.
    int nameCase = 0;
    std::string findText;
    std::string replaceText;
    int replaceMode = 0;
    std::string nameTemplate = "[N]";
    // Extension page (its replace mode is always 0).
    std::string extTemplate = "[E]";
    std::string extFindText;
    int extCase = 0;
    std::string extReplaceText;
    // Counter page.
    unsigned digits = 4;
    std::int64_t start = 1;
    std::int32_t step = 1;
};

// One record's row.
struct RenameRow {
    std::string newName;
    std::string title;
    std::string author;
};

// Columns of the preview list.
enum RenameColumn {
    RENAME_COL_OLD_NAME = 0,
    RENAME_COL_NEW_NAME,
    RENAME_COL_LOCATION,
    RENAME_COL_SIZE,
    RENAME_COL_TYPE,
    RENAME_COL_LAST_WRITE,
    RENAME_COL_AUTHOR,
    RENAME_COL_TITLE,
    RENAME_COLUMN_COUNT
};

// Reads a record's Title and Author (detail columns 2 and 4) through the
// first detail provider that takes its extension; false when none does.
using RenameDetailReader =
    std::function<bool(const CResultItem& record, std::string* title, std::string* author)>;

// The reader over the main window's detail providers (which must outlive it):
// the first provider whose extensions hold the record's loads it, its Title
// and Author texts are taken, and it is reset.
RenameDetailReader MakeRenameDetailReader(const CFileInfoProviderList& providers);

// How one rename ended.
enum class RenameOutcome { Renamed, Exists, Failed };

// Renames `oldPath` to `newPath` without ever replacing a file (see above);
// `error` gets the reason of a failure.
RenameOutcome RenameWithoutReplacing(const std::string& oldPath, const std::string& newPath,
                                     std::string* error);

class CRenameJob {
public:
    // The records (not owned); each row's new name starts as the record's
    // name, its title and author come from `reader` (may be empty).
    void SetItems(const std::vector<CResultItem*>& records, const RenameDetailReader& reader);

    // Rows in list order.
    std::size_t GetCount() const { return m_order.size(); }
    std::size_t RecordIndexAt(std::size_t position) const { return m_order[position]; }
    const CResultItem& RecordAt(std::size_t position) const {
        return *m_records[m_order[position]];
    }
    const RenameRow& RowAt(std::size_t position) const { return m_rows[m_order[position]]; }

    // Recomputes every new name; false (the previous names kept) when the
    // name template is empty or a template is invalid.
    bool UpdateNewNames(const RenameOptions& options);
    // The new name of record `record` at list position `position`.
    std::string MakeNewName(std::size_t record, std::size_t position,
                            const RenameOptions& options) const;

    // Sorts the list by a column, ascending; the current sort column again
    // reverses the order. -1 until the first sort.
    void SortByColumn(int column);
    int GetSortColumn() const { return m_nSortColumn; }
    bool IsSortAscending() const { return m_bAscending; }
    // Moves every selected position one place up (scanning from the top) or
    // down (from the bottom); once a selected row is at the end it moves, no
    // further row moves. `selected` is updated to the new positions.
    void MoveUp(std::vector<std::size_t>* selected);
    void MoveDown(std::vector<std::size_t>* selected);
    // Takes the selected positions out of the list (their records are not renamed).
    void Remove(const std::vector<std::size_t>& selected);

    // Renames every row in list order whose new name differs from its
    // record's name, then points the renamed records at their new names.
    // Failures are logged in red. IDOK (1) when nothing failed, else
    // IDD_RENAME_FAILED_RESULT.
    int DoRename();
    int GetRenamedCount() const { return m_nRenamed; }

private:
    int CompareColumn(std::size_t a, std::size_t b, int column) const;

    std::vector<CResultItem*> m_records;
    std::vector<RenameRow> m_rows;
    std::vector<std::size_t> m_order;  // list position -> record index
    int m_nSortColumn = -1;
    bool m_bAscending = true;
    int m_nRenamed = 0;
};
