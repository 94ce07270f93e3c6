#pragma once
// Column lists of tests, written as their ids.

#include <initializer_list>
#include <vector>

#include "readers/details/ColumnInfo.h"

namespace zbtest {

// The table rows of the ids, in their order; an id the table lacks is left out.
inline CColumnInfoArray Columns(std::initializer_list<int> ids) {
    CColumnInfoArray columns;
    for (const int id : ids) {
        if (const COLUMNINFO* info = GetColumnInfo(id))
            columns.push_back(*info);
    }
    return columns;
}

inline std::vector<int> ColumnIds(const CColumnInfoArray& columns) {
    std::vector<int> ids;
    for (const COLUMNINFO& column : columns)
        ids.push_back(column.nId);
    return ids;
}

}  // namespace zbtest
