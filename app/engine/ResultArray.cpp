#include "app/engine/ResultArray.h"

#include <new>

CResultArray::~CResultArray() {
    const std::size_t count = m_count.load(std::memory_order_relaxed);
    for (std::size_t i = 0; i < count; ++i)
        GetAt(i).~CResultItem();
}

std::ptrdiff_t CResultArray::Append(CResultItem&& record) {
    const std::size_t index = m_count.load(std::memory_order_relaxed);
    if (index >= kMaxCount)
        return -1;
    std::unique_ptr<RecordBlock>& block = m_blocks[index / kBlockSize];
    if (!block)
        block = std::make_unique_for_overwrite<RecordBlock>();
    CResultItem* stored = new (block->bytes + sizeof(CResultItem) * (index % kBlockSize))
        CResultItem(std::move(record));
    stored->PackInto(m_arena);
    m_count.store(index + 1, std::memory_order_release);
    return static_cast<std::ptrdiff_t>(index);
}

std::size_t CResultArray::GetReservedBytes() const {
    std::size_t blocks = 0;
    for (const auto& block : m_blocks)
        blocks += block ? sizeof(RecordBlock) : 0;
    return blocks + m_arena.GetReservedBytes();
}
