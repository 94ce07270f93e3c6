#include "app/engine/ObjectsStatus.h"

#include <cstdio>

#include "platform/StringTable.h"

std::string FormatObjectsStatus(long long count, std::uint64_t totalBytes) {
    std::string status = FormatResourceString(IDS_OBJECTS, static_cast<int>(count));
    if (count > 0) {
        char text[32];
        if (totalBytes <= 1048576) {
            std::snprintf(text, sizeof text, "  %dKB",
                          static_cast<int>((totalBytes + 1023) / 1024));
        } else {
            std::snprintf(text, sizeof text, "  %.2fMB",
                          static_cast<double>(totalBytes) / 1048576.0);
        }
        status += text;
    }
    return status;
}

std::string ObjectsStatusText(const CResultArray& results, std::span<const DWORD> rowIndex,
                              std::span<const std::size_t> selectedRows) {
    const auto sizeOfRow = [&](std::size_t row) -> std::uint64_t {
        return row < rowIndex.size() && rowIndex[row] < results.GetCount()
                   ? CountedSize(results.GetAt(rowIndex[row]).m_nSize)
                   : 0;
    };
    std::uint64_t total = 0;
    if (!selectedRows.empty()) {
        for (std::size_t row : selectedRows)
            total += sizeOfRow(row);
        return FormatObjectsStatus(static_cast<long long>(selectedRows.size()), total);
    }
    // Every row the list shows: records whose rows left (deleted items) count no more.
    for (std::size_t row = 0; row < rowIndex.size(); ++row)
        total += sizeOfRow(row);
    return FormatObjectsStatus(static_cast<long long>(rowIndex.size()), total);
}

std::string ObjectsStatusText(const CResultArray& results) {
    const std::size_t rows = results.GetCount();
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < rows; ++i)
        total += CountedSize(results.GetAt(i).m_nSize);
    return FormatObjectsStatus(static_cast<long long>(rows), total);
}
