#pragma once
// A detail provider whose columns are a fixed list of table ids: the column
// count, the lookups by index and by id and HasColumn come from the list.

#include <span>

#include "readers/details/FileInfoProvider.h"

class CFixedColumnProvider : public CFileInfoProvider {
public:
    int GetColumnCount() const override;
    // The table row of any id the table holds, not only the provider's own.
    BOOL GetColumnById(int id, COLUMNINFO* info) const override;
    // The row of the provider's index-th column; 0 outside the list.
    BOOL GetColumnByIndex(int index, COLUMNINFO* info) const override;
    // 1 for the ids of the list.
    BOOL HasColumn(int id) const override;

protected:
    // `columns` lists the provider's column ids in index order; it must
    // outlive the provider (a constant table of the provider's file).
    explicit CFixedColumnProvider(std::span<const int> columns) : m_columns(columns) {}

private:
    std::span<const int> m_columns;
};
