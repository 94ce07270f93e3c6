#include "app/RowIndex.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

CRowIndex::CRowIndex(std::size_t count) {
    Reserve(count);
    m_size = count;
}

CRowIndex::CRowIndex(const CRowIndex& other) : CRowIndex(other.m_size) {
    if (m_size > 0)
        std::memcpy(m_data, other.m_data, m_size * sizeof(DWORD));
}

CRowIndex& CRowIndex::operator=(const CRowIndex& other) {
    if (this != &other) {
        CRowIndex copy(other);
        swap(copy);
    }
    return *this;
}

CRowIndex& CRowIndex::operator=(CRowIndex&& other) noexcept {
    CRowIndex taken(std::move(other));
    swap(taken);
    return *this;
}

CRowIndex::~CRowIndex() {
    std::free(m_data);
}

void CRowIndex::AppendRun(DWORD first, std::size_t count) {
    if (m_size + count > m_capacity)
        Reserve(std::max(m_size + count, m_capacity * 2));
    for (std::size_t i = 0; i < count; ++i)
        m_data[m_size + i] = first + static_cast<DWORD>(i);
    m_size += count;
}

void CRowIndex::Erase(std::size_t first, std::size_t last) {
    std::memmove(m_data + first, m_data + last, (m_size - last) * sizeof(DWORD));
    m_size -= last - first;
}

void CRowIndex::Clear() {
    CRowIndex empty;
    swap(empty);
}

void CRowIndex::swap(CRowIndex& other) noexcept {
    std::swap(m_data, other.m_data);
    std::swap(m_size, other.m_size);
    std::swap(m_capacity, other.m_capacity);
}

void CRowIndex::Reserve(std::size_t capacity) {
    if (capacity <= m_capacity)
        return;
    auto* grown = static_cast<DWORD*>(std::realloc(m_data, capacity * sizeof(DWORD)));
    if (!grown)
        throw std::bad_alloc();
    m_data = grown;
    m_capacity = capacity;
}
