#include "tools/DupResults.h"

#include <algorithm>
#include <cstdint>

#include "platform/Log.h"
#include "tools/ToolRecords.h"

namespace {

// A made record waiting for its row.
struct PendingRow {
    CResultItem record;
    std::size_t entry;
    int group;
};

// The place in the adding code that a failure to make a member's record is
// logged with.
int MemberFailureLine(CToolRecordMaker::Result result) {
    switch (result) {
        case CToolRecordMaker::FOLDER_NOT_PARSED:
            return 397;
        case CToolRecordMaker::FOLDER_NOT_BOUND:
            return 404;
        case CToolRecordMaker::NAME_NOT_PARSED:
            return 411;
        case CToolRecordMaker::NO_ARCHIVE_HANDLER:
            return 422;
        default:
            return 429;
    }
}

}  // namespace

std::size_t GetDupAddRange(const CDupFinder& finder, bool archiveOrder) {
    return finder.GetSlots().size() + (archiveOrder ? 1 : 0);
}

std::size_t AddDuplicateResults(const CDupFinder& finder, CResultList& list,
                                const DupAddSettings& settings) {
    const std::vector<CDupFileEntry>& entries = finder.GetEntries();
    const int limit = list.GetLimit();
    std::size_t room = limit > 0 && static_cast<std::size_t>(limit) > list.GetRowCount()
                           ? static_cast<std::size_t>(limit) - list.GetRowCount()
                           : (limit > 0 ? 0 : SIZE_MAX);
    bool limitReached = false;
    const auto report = [&](std::size_t position) {
        if (settings.progress)
            settings.progress(position);
    };

    // Records for every group that fits, group by group.
    CToolRecordMaker maker;
    std::vector<PendingRow> rows;
    int number = 0;
    const std::vector<CDupSlot>& slots = finder.GetSlots();
    for (std::size_t s = 0; s < slots.size() && !limitReached; ++s) {
        for (const CDupGroup& group : slots[s]) {
            std::vector<PendingRow> made;
            for (const std::size_t index : group) {
                const CDupFileEntry& entry = entries[index];
                PendingRow row{CResultItem(), index, 0};
                if (entry.archivePath.empty()) {
                    // A file that is gone by now is left out without a word.
                    if (maker.MakeFileRecord(entry.path, row.record) != CToolRecordMaker::MADE)
                        continue;
                } else {
                    const CToolRecordMaker::Result result =
                        maker.MakeMemberRecord(entry.archivePath, entry.path, row.record);
                    if (result != CToolRecordMaker::MADE) {
                        LogErrorLocation("ZembroltDlg2", MemberFailureLine(result));
                        continue;
                    }
                }
                made.push_back(std::move(row));
            }
            if (made.size() < 2)
                continue;
            if (made.size() > room) {
                limitReached = true;
                break;
            }
            room -= made.size();
            ++number;
            for (PendingRow& row : made) {
                row.group = number;
                rows.push_back(std::move(row));
            }
        }
        report(s + 1);
    }

    if (settings.archiveOrder) {
        // Byte-wise by archive path: disk files (no archive path) first.
        std::stable_sort(rows.begin(), rows.end(), [&](const PendingRow& a, const PendingRow& b) {
            return entries[a.entry].archivePath < entries[b.entry].archivePath;
        });
    }

    std::size_t added = 0;
    for (PendingRow& row : rows) {
        if (settings.fillDetails)
            settings.fillDetails(row.record);
        const std::size_t slot = static_cast<std::size_t>(std::max(settings.dupNoSlot, 0));
        if (row.record.m_arrValues.size() <= slot)
            row.record.m_arrValues.resize(slot + 1);
        COLUMNVALUE& value = row.record.m_arrValues[slot];
        value.number = static_cast<std::uint64_t>(row.group);
        value.valid = TRUE;
        if (list.Append(std::move(row.record)) < 0) {
            if (!entries[row.entry].archivePath.empty())
                LogErrorLocation("ZembroltDlg2", 441);
            break;
        }
        ++added;
        if (!list.AddResultItem())
            break;  // the limit, reached with a whole group
    }
    list.FlushRows();
    if (settings.archiveOrder)
        report(slots.size() + 1);
    // A group the limit kept out while the list is not full yet: say so, as
    // the list does when it fills up.
    if (limitReached && list.GetRowCount() < static_cast<std::size_t>(limit))
        list.ShowLimitMessage();
    return added;
}
