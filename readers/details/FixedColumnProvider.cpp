#include "readers/details/FixedColumnProvider.h"

#include <algorithm>

int CFixedColumnProvider::GetColumnCount() const {
    return static_cast<int>(m_columns.size());
}

BOOL CFixedColumnProvider::GetColumnById(int id, COLUMNINFO* info) const {
    const COLUMNINFO* row = GetColumnInfo(id);
    if (row == nullptr)
        return FALSE;
    *info = *row;
    return TRUE;
}

BOOL CFixedColumnProvider::GetColumnByIndex(int index, COLUMNINFO* info) const {
    if (index < 0 || index >= GetColumnCount())
        return FALSE;
    return GetColumnById(m_columns[static_cast<std::size_t>(index)], info);
}

BOOL CFixedColumnProvider::HasColumn(int id) const {
    return std::find(m_columns.begin(), m_columns.end(), id) != m_columns.end() ? TRUE : FALSE;
}
