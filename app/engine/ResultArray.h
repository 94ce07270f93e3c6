#pragma once
// Append-only storage of result records. Records never move once appended, so
// the list and the thumbnail thread may keep reading a record while the search
// appends more. One writer appends; any thread reads records below the count it
// last saw. Records are grown in blocks of 0x4000, each record made in its
// place when it is appended; its texts and item lists are packed into the
// storage's arena then (CResultArena), so a record costs no heap block of its
// own.

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>

#include "app/engine/ResultArena.h"
#include "app/engine/ResultItem.h"

class CResultArray {
public:
    static constexpr std::size_t kBlockSize = 0x4000;
    static constexpr std::size_t kMaxBlocks = 4096;  // 67 million records
    static constexpr std::size_t kMaxCount = kBlockSize * kMaxBlocks;

    CResultArray() = default;
    CResultArray(const CResultArray&) = delete;
    CResultArray& operator=(const CResultArray&) = delete;
    ~CResultArray();

    // Records appended so far (safe from any thread).
    std::size_t GetCount() const { return m_count.load(std::memory_order_acquire); }
    CResultItem& GetAt(std::size_t i) { return Block(i / kBlockSize)[i % kBlockSize]; }
    const CResultItem& GetAt(std::size_t i) const { return Block(i / kBlockSize)[i % kBlockSize]; }
    CResultItem& operator[](std::size_t i) { return GetAt(i); }
    const CResultItem& operator[](std::size_t i) const { return GetAt(i); }

    // Appends a record and returns its index, or -1 when the storage is full.
    std::ptrdiff_t Append(CResultItem&& record);

    // Bytes the records' blocks and their arena took from the heap.
    std::size_t GetReservedBytes() const;

private:
    // Room for kBlockSize records, made one by one as they are appended.
    struct RecordBlock {
        alignas(CResultItem) std::byte bytes[sizeof(CResultItem) * kBlockSize];
    };

    CResultItem* Block(std::size_t b) const {
        return std::launder(reinterpret_cast<CResultItem*>(m_blocks[b]->bytes));
    }

    std::array<std::unique_ptr<RecordBlock>, kMaxBlocks> m_blocks;
    std::atomic<std::size_t> m_count{0};
    CResultArena m_arena;
};
