#include "app/engine/ResultArena.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

template <class Part>
template <class Same, class Make>
Part CResultArena::CRecentParts<Part>::Take(const Same& same, const Make& make) {
    for (std::size_t k = 0; k < kRecentFolders; ++k) {
        const std::size_t at = (m_last + kRecentFolders - k) % kRecentFolders;
        if (same(m_parts[at])) {
            m_last = at;
            return m_parts[at];
        }
    }
    m_last = (m_last + 1) % kRecentFolders;
    m_parts[m_last] = make();
    return m_parts[m_last];
}

void* CResultArena::Allocate(std::size_t bytes, std::size_t align) {
    const auto misalign = [&] {
        return static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(m_next) & (align - 1));
    };
    std::size_t pad = m_next ? (align - misalign()) & (align - 1) : 0;
    if (!m_next || m_left < pad + bytes) {
        // A new chunk; chunks grow to the largest size, and a part larger
        // than that gets a chunk of its own.
        const std::size_t size = std::max(m_nextChunk, bytes + align);
        m_chunks.push_back(std::make_unique_for_overwrite<std::byte[]>(size));
        m_reserved += size;
        m_next = m_chunks.back().get();
        m_left = size;
        m_nextChunk = std::min(m_nextChunk * 2, kLargestChunk);
        pad = (align - misalign()) & (align - 1);
    }
    std::byte* at = m_next + pad;
    m_next = at + bytes;
    m_left -= pad + bytes;
    return at;
}

const char* CResultArena::MakeTextBlock(std::string_view text) {
    auto* block = static_cast<char*>(
        Allocate(CRecordText::BlockBytes(text.size()), CRecordText::kBlockAlign));
    CRecordText::WriteBlock(block, text);
    return block;
}

void CResultArena::Pack(CRecordText& text) {
    if (text.empty() || text.IsPacked())
        return;
    text.SetPacked(MakeTextBlock(text.view()));
}

void CResultArena::PackFolder(CRecordText& text) {
    if (text.empty() || text.IsPacked())
        return;
    const std::string_view bytes = text.view();
    text.SetPacked(m_recentFolders.Take(
        [bytes](const char* block) { return block && CRecordText::BlockView(block) == bytes; },
        [&] { return MakeTextBlock(bytes); }));
}

void CResultArena::Intern(CRecordText& text) {
    if (text.empty() || text.IsPacked())
        return;
    const auto found = m_interned.find(text.view());
    if (found != m_interned.end()) {
        text.SetPacked(CRecordText::BlockOf(*found));
        return;
    }
    const char* block = MakeTextBlock(text.view());
    m_interned.insert(CRecordText::BlockView(block));
    text.SetPacked(block);
}

LPCITEMIDLIST CResultArena::CopyList(LPCITEMIDLIST list, std::size_t size) {
    void* bytes = Allocate(size, alignof(WORD));
    std::memcpy(bytes, list, size);
    return static_cast<LPCITEMIDLIST>(bytes);
}

void CResultArena::Pack(CRecordIdList& list) {
    if (!list || list.IsPacked())
        return;
    const std::size_t size = ILGetSize(list.get());
    if (size == 0)
        return;  // not a list the primitives take: it stays the record's own
    list.SetPacked(CopyList(list.get(), size));
}

void CResultArena::PackFolder(CRecordIdList& list) {
    if (!list || list.IsPacked())
        return;
    const std::size_t size = ILGetSize(list.get());
    if (size == 0)
        return;
    LPCITEMIDLIST own = list.get();
    const RecentList packed = m_recentLists.Take(
        [own, size](const RecentList& recent) {
            return recent.size == size && std::memcmp(recent.list, own, size) == 0;
        },
        [&] {
            return RecentList{CopyList(own, size), size};
        });
    list.SetPacked(packed.list);
}
