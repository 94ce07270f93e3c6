#include "app/engine/ResultArena.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

std::string_view BlockText(const char* block) {
    std::uint32_t size = 0;
    std::memcpy(&size, block, sizeof size);
    return {block + sizeof size, size};
}

}  // namespace

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
        Allocate(CRecordText::kHeaderBytes + text.size() + 1, alignof(std::uint32_t)));
    const auto size = static_cast<std::uint32_t>(text.size());
    std::memcpy(block, &size, sizeof size);
    std::memcpy(block + CRecordText::kHeaderBytes, text.data(), text.size());
    block[CRecordText::kHeaderBytes + text.size()] = '\0';
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
    for (std::size_t k = 0; k < kRecentFolders; ++k) {
        const std::size_t at = (m_lastFolder + kRecentFolders - k) % kRecentFolders;
        const char* block = m_recentFolders[at];
        if (block && BlockText(block) == bytes) {
            m_lastFolder = at;
            text.SetPacked(block);
            return;
        }
    }
    const char* block = MakeTextBlock(bytes);
    m_lastFolder = (m_lastFolder + 1) % kRecentFolders;
    m_recentFolders[m_lastFolder] = block;
    text.SetPacked(block);
}

void CResultArena::Intern(CRecordText& text) {
    if (text.empty() || text.IsPacked())
        return;
    const auto found = m_interned.find(text.view());
    if (found != m_interned.end()) {
        text.SetPacked(found->data() - CRecordText::kHeaderBytes);
        return;
    }
    const char* block = MakeTextBlock(text.view());
    m_interned.insert(BlockText(block));
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
    for (std::size_t k = 0; k < kRecentFolders; ++k) {
        const std::size_t at = (m_lastList + kRecentFolders - k) % kRecentFolders;
        const RecentList& recent = m_recentLists[at];
        if (recent.size == size && std::memcmp(recent.list, list.get(), size) == 0) {
            m_lastList = at;
            list.SetPacked(recent.list);
            return;
        }
    }
    LPCITEMIDLIST packed = CopyList(list.get(), size);
    m_lastList = (m_lastList + 1) % kRecentFolders;
    m_recentLists[m_lastList] = {packed, size};
    list.SetPacked(packed);
}
