#pragma once
// The result list's row map: for each list row, the index of the record it
// shows. Ten million rows make 40 MB; the map grows with realloc, which
// moves the pages of a block that large instead of copying them, so taking in
// more rows never costs the window's thread a copy of all of it.

#include <cstddef>
#include <span>

#include "platform/WinTypes.h"

class CRowIndex {
public:
    CRowIndex() = default;
    // `count` rows, their values still to be set.
    explicit CRowIndex(std::size_t count);
    CRowIndex(const CRowIndex& other);
    CRowIndex& operator=(const CRowIndex& other);
    CRowIndex(CRowIndex&& other) noexcept { swap(other); }
    CRowIndex& operator=(CRowIndex&& other) noexcept;
    ~CRowIndex();

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    DWORD operator[](std::size_t row) const { return m_data[row]; }
    DWORD& operator[](std::size_t row) { return m_data[row]; }
    const DWORD* begin() const { return m_data; }
    const DWORD* end() const { return m_data + m_size; }
    DWORD* data() { return m_data; }
    operator std::span<const DWORD>() const { return {m_data, m_size}; }

    // Appends the rows of records first, first + 1, ... (`count` of them).
    void AppendRun(DWORD first, std::size_t count);
    // Removes rows [first, last).
    void Erase(std::size_t first, std::size_t last);
    // Removes every row and gives back the memory.
    void Clear();
    void swap(CRowIndex& other) noexcept;

private:
    void Reserve(std::size_t capacity);

    DWORD* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};
