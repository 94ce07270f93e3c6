#pragma once
// The detail values of a result record, in one word. Most records have none
// (no detail column is shown), and then a stored record spends nothing more
// on them; a record with values holds them in a block of its own.

#include <cstddef>
#include <memory>
#include <vector>

#include "readers/details/ColumnInfo.h"

class CRecordValues {
public:
    CRecordValues() = default;
    explicit CRecordValues(std::size_t count) { resize(count); }
    CRecordValues(const CRecordValues& other);
    CRecordValues& operator=(const CRecordValues& other);
    CRecordValues(CRecordValues&&) noexcept = default;
    CRecordValues& operator=(CRecordValues&&) noexcept = default;

    std::size_t size() const { return m_values ? m_values->size() : 0; }
    bool empty() const { return size() == 0; }
    COLUMNVALUE& operator[](std::size_t slot) { return (*m_values)[slot]; }
    const COLUMNVALUE& operator[](std::size_t slot) const { return (*m_values)[slot]; }
    COLUMNVALUE* begin() { return m_values ? m_values->data() : nullptr; }
    COLUMNVALUE* end() { return begin() + size(); }
    const COLUMNVALUE* begin() const { return m_values ? m_values->data() : nullptr; }
    const COLUMNVALUE* end() const { return begin() + size(); }

    // `count` values; new ones are empty and not valid, no values take no block.
    void resize(std::size_t count);
    void clear() { m_values.reset(); }

private:
    std::unique_ptr<std::vector<COLUMNVALUE>> m_values;
};
