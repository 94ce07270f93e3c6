#pragma once
// The status bar's count text, "%d Objects" followed by the total size: the
// search shows it when it ends, the window whenever the selection changes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "app/engine/ResultArray.h"
#include "platform/WinTypes.h"

// "%d Objects", then (with a count above 0) the total size in kilobytes,
// rounded up, up to 1 MiB, else in megabytes with two decimals.
std::string FormatObjectsStatus(long long count, std::uint64_t totalBytes);

// What a record's size adds to that total: an unknown (negative) size adds nothing.
inline std::uint64_t CountedSize(std::int64_t size) {
    return size > 0 ? static_cast<std::uint64_t>(size) : 0;
}

// The text for the selected rows (list rows, mapped to records through
// `rowIndex`), or for every row when none is selected. Rows outside the map
// and map entries outside `results` add nothing to the size; records
// without a row (their items deleted) add nothing either.
std::string ObjectsStatusText(const CResultArray& results, std::span<const DWORD> rowIndex,
                              std::span<const std::size_t> selectedRows);

// The text for every record of `results`, each shown by the row of its own
// index (the search's rows, before the list reorders or removes any).
std::string ObjectsStatusText(const CResultArray& results);
