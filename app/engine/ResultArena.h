#pragma once
// The storage into which the records of one result generation pack their
// texts and item lists: chunks of bytes that never move and go with the
// generation. A record's variable parts are copied here once, when the record
// is stored, without a heap block (and its overhead) each; the records of a
// folder share their folder's text and absolute list, and all records share
// each type name.
//
// One thread packs at a time (the one that appends records); the packed bytes
// never change, so any thread may read them.

#include <array>
#include <cstddef>
#include <memory>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "app/engine/RecordIdList.h"
#include "app/engine/RecordText.h"

class CResultArena {
public:
    CResultArena() = default;
    CResultArena(const CResultArena&) = delete;
    CResultArena& operator=(const CResultArena&) = delete;

    // A record's own text (its name): its bytes are copied here.
    void Pack(CRecordText& text);
    // A folder's text, which the records of that folder share: the bytes of
    // one of the folders packed last are taken again when they are the same.
    void PackFolder(CRecordText& text);
    // A text of few values (a type name): each value is kept once.
    void Intern(CRecordText& text);
    // A record's own list (its item).
    void Pack(CRecordIdList& list);
    // A folder's absolute list, which the records of that folder share: the
    // bytes of one of the folders packed last are taken again when they are
    // the same.
    void PackFolder(CRecordIdList& list);

    // Bytes taken from the heap for the chunks.
    std::size_t GetReservedBytes() const { return m_reserved; }

private:
    static constexpr std::size_t kFirstChunk = 64 * 1024;
    static constexpr std::size_t kLargestChunk = 1024 * 1024;
    static constexpr std::size_t kRecentFolders = 16;

    void* Allocate(std::size_t bytes, std::size_t align);
    // A block of `text` in CRecordText's layout.
    const char* MakeTextBlock(std::string_view text);
    // A copy of the `size` bytes of `list` here, aligned to its WORD fields
    // (CRecordIdList tells a packed list by the lowest bit of its address).
    LPCITEMIDLIST CopyList(LPCITEMIDLIST list, std::size_t size);

    std::vector<std::unique_ptr<std::byte[]>> m_chunks;
    std::byte* m_next = nullptr;
    std::size_t m_left = 0;
    std::size_t m_nextChunk = kFirstChunk;
    std::size_t m_reserved = 0;
    // The parts (texts, lists) of the folders packed last, the latest first
    // to be compared (the records of a folder mostly come one after the
    // other).
    template <class Part>
    class CRecentParts {
    public:
        // The part `same` accepts, else the one `make` gives, which becomes
        // the latest.
        template <class Same, class Make>
        Part Take(const Same& same, const Make& make);

    private:
        std::array<Part, kRecentFolders> m_parts{};
        std::size_t m_last = 0;
    };
    struct RecentList {
        LPCITEMIDLIST list = nullptr;
        std::size_t size = 0;
    };
    CRecentParts<const char*> m_recentFolders;
    CRecentParts<RecentList> m_recentLists;
    // The interned texts' bytes, in their blocks here.
    std::unordered_set<std::string_view> m_interned;
};
