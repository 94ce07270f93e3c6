#include "readers/details/ColumnInfo.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace {

// The table, in the order the list, the defaults and the column choice use.
// Fields: id, type, width, align, title, long title, format, reserved, flags.
// The "%I64u" of the size row is the 64-bit unsigned form; the formatter reads
// it as such.
constexpr std::array<COLUMNINFO, 56> kColumns{{
    {2, 1, 16, 0, "Title", "Title", "%s", 0, 4},
    {3, 1, 20, 0, "Subject", "Subject", "%s", 0, 4},
    {4, 1, 20, 0, "Author", "Author", "%s", 0, 4},
    {5, 1, 20, 0, "Keywords", "Keywords", "%s", 0, 4},
    {6, 1, 20, 0, "Comments", "Comments", "%s", 0, 4},
    {50, 9, 8, 1, "Page Count", "Page Count", "%d Pages", 0, 4},
    {51, 9, 8, 1, "Word Count", "Word Count", "%d", 0, 4},
    {52, 9, 8, 1, "Char Count", "Char Count", "%d", 0, 4},
    {53, 1, 8, 0, "Template", "Template", "%s", 0, 4},
    {54, 4, 8, 1, "Code Page", "Code Page", "0x%04x", 0, 4},
    {59, 1, 8, 0, "Category", "Category", "%s", 0, 4},
    {55, 1, 8, 0, "Last Author", "Last Author", "%s", 0, 4},
    {56, 9, 8, 1, "Rev Number", "Rev Number", "%d", 0, 4},
    {57, 1, 8, 0, "Producer", "Producer", "%s", 0, 4},
    {58, 9, 8, 1, "Security", "Security", "%d", 0, 4},
    {102, 9, 12, 1, "Frequency", "Frequency", "%dhz", 0, 4},
    {103, 9, 12, 1, "Channel Count", "Channel Count", "%d", 0, 4},
    {104, 1, 12, 0, "Genre", "Genre", "%s", 0, 4},
    {105, 1, 12, 0, "Album", "Album", "%s", 0, 4},
    {106, 9, 12, 1, "Bits Per Sample", "Bits Per Sample", "%d bits", 0, 4},
    {201, 9, 12, 1, "Time Length", "Time Length", "%d sec", 0, 4},
    {202, 9, 8, 1, "Bits Rate", "Bits Rate", "%d kbit", 0, 4},
    {203, 9, 8, 1, "Track Count", "Track Count", "%d", 0, 4},
    {301, 9, 6, 1, "Width (pixel)", "Width (pixel)", "%d", 0, 4},
    {302, 9, 6, 1, "Height (pixel)", "Height (pixel)", "%d", 0, 4},
    {303, 9, 10, 1, "Color Depth", "Color Depth", "%dbit", 0, 4},
    {304, 13, 10, 1, "Width (cm)", "Width (cm)", "%8.2f", 0, 4},
    {305, 13, 10, 1, "Height (cm)", "Height (cm)", "%8.2f", 0, 4},
    {306, 9, 10, 1, "Frame Count", "Frame Count", "%d", 0, 4},
    {307, 9, 10, 1, "Frame Rate", "Frame Rate", "%d", 0, 4},
    {401, 9, 8, 1, "FPS", "FPS", "%d", 0, 4},
    {1210, 1, 10, 0, "Special Build", "Special Build", "%s", 0, 4},
    {1209, 1, 10, 0, "Original Filename", "Original Filename", "%s", 0, 4},
    {1208, 1, 10, 0, "File Version", "File Version", "%s", 0, 4},
    {1207, 1, 10, 0, "Private Build", "Private Build", "%s", 0, 4},
    {1206, 1, 10, 0, "Legal Trademark", "Legal Trademark", "%s", 0, 4},
    {1205, 1, 10, 0, "File Description", "File Description", "%s", 0, 4},
    {1204, 1, 10, 0, "Product Version", "Product Version", "%s", 0, 4},
    {1203, 1, 10, 0, "Legal Copyright", "Legal Copyright", "%s", 0, 4},
    {1202, 1, 10, 0, "Company Name", "Company Name", "%s", 0, 4},
    {1201, 1, 10, 0, "Product Name", "Product Name", "%s", 0, 4},
    {1200, 1, 10, 0, "Internal Name", "Internal Name", "%s", 0, 4},
    {107, 1, 10, 0, "Mode", "Mode", "%s", 0, 4},
    {1001, 1, 12, 0, "Name", "Name", "%s", 0, 3},
    {1002, 1, 16, 0, "Location", "Location", "%s", 0, 3},
    {1003, 11, 6, 1, "Size", "Size", "%I64u", 0, 1},
    {1004, 15, 15, 0, "Last Write Time", "Last Write Time", "", 0, 1},
    {1005, 15, 15, 0, "Last Access Time", "Last Access Time", "", 0, 0},
    {1006, 15, 15, 0, "Create Time", "Create Time", "", 0, 0},
    {1007, 1, 10, 0, "Type", "Type", "%s", 0, 1},
    {1008, 9, 9, 2, "Attribute", "Attribute", "", 0, 0},
    {1300, 9, 9, 1, "Dup No", "Duplicate Group No", "%d", 0, 4},
    {1250, 1, 10, 0, "Arguments", "Arguments", "%s", 0, 4},
    {1251, 1, 10, 0, "Hot Key", "Hot Key", "%s", 0, 4},
    {1252, 1, 10, 0, "Link Target", "Link Target", "%s", 0, 4},
    {1253, 1, 10, 0, "Working Directory", "Working Directory", "%s", 0, 4},
}};

void CopyRowsWhere(CColumnInfoArray& columns, bool (*wanted)(const COLUMNINFO&)) {
    columns.clear();
    std::copy_if(kColumns.begin(), kColumns.end(), std::back_inserter(columns), wanted);
}

}  // namespace

const COLUMNINFO* GetColumnInfo(int id) {
    const auto it = std::find_if(kColumns.begin(), kColumns.end(),
                                 [id](const COLUMNINFO& row) { return row.nId == id; });
    return it == kColumns.end() ? nullptr : &*it;
}

const COLUMNINFO* GetColumnTable() {
    return kColumns.data();
}

std::size_t GetColumnTableSize() {
    return kColumns.size();
}

void GetDefaultVisibleColumns(CColumnInfoArray& columns) {
    CopyRowsWhere(columns,
                  [](const COLUMNINFO& row) { return (row.nFlags & COLUMN_FLAG_DEFAULT) != 0; });
}

void GetStandardColumns(CColumnInfoArray& columns) {
    CopyRowsWhere(columns,
                  [](const COLUMNINFO& row) { return (row.nFlags & COLUMN_FLAG_DETAIL) == 0; });
}

BOOL IsColumnInList(int id, const CColumnInfoArray& columns) {
    return std::any_of(columns.begin(), columns.end(),
                       [id](const COLUMNINFO& row) { return row.nId == id; })
               ? TRUE
               : FALSE;
}
