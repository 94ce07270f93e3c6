#pragma once
// Turns the duplicate finder's groups into rows of the result list, through
// the same record making and row insertion as a search: each group numbered
// from 1, its number in the "Dup No" column's detail value. The result limit
// never cuts a group: a group that does not fit whole is not added (the limit
// message says why), nor is a group of which fewer than two files are left.

#include <cstddef>
#include <functional>

#include "app/engine/ResultList.h"
#include "tools/DupFinder.h"

struct DupAddSettings {
    // Disk files first, then the members of each archive together (the
    // order when archives were searched); else group by group.
    bool archiveOrder = false;
    // The detail value slot of the "Dup No" column.
    int dupNoSlot = 0;
    // Fills a record's detail values before its number is set (may be empty).
    std::function<void(CResultItem&)> fillDetails;
    // Called with the progress position (0 .. GetDupAddRange) as adding goes
    // on; the window updates its progress bar and handles pending events.
    std::function<void(std::size_t)> progress;
};

// The progress range: the finder's slot count, one more in archive order.
std::size_t GetDupAddRange(const CDupFinder& finder, bool archiveOrder);

// Adds the rows; returns the number of rows added.
std::size_t AddDuplicateResults(const CDupFinder& finder, CResultList& list,
                                const DupAddSettings& settings);
