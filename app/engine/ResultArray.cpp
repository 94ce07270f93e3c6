#include "app/engine/ResultArray.h"

CResultArray::~CResultArray() {
    for (CResultItem* block : m_blocks)
        delete[] block;
}

std::ptrdiff_t CResultArray::Append(CResultItem&& record) {
    const std::size_t index = m_count.load(std::memory_order_relaxed);
    if (index >= kMaxCount)
        return -1;
    CResultItem*& block = m_blocks[index / kBlockSize];
    if (!block)
        block = new CResultItem[kBlockSize];
    block[index % kBlockSize] = std::move(record);
    m_count.store(index + 1, std::memory_order_release);
    return static_cast<std::ptrdiff_t>(index);
}
