#pragma once
// Reading the contents of duplicate candidates: a 128-bit XXH3 hash of the
// first bytes or of the whole file, and a byte-by-byte comparison of two
// files. Disk files are opened without following links and must still be the
// regular file of the same identity and size that the walk found; archive
// members are read through their archive's reader. A reader holds readers of
// its own, so readers on several threads never share one.

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include <xxhash.h>

#include "readers/archives/ArchiveHandler.h"
#include "tools/DupFinder.h"

// The bytes whose hash first tells same-sized files apart.
constexpr std::uint64_t kDupFirstBlockBytes = 4096;

class CDupContentReader {
public:
    CDupContentReader();
    ~CDupContentReader();
    CDupContentReader(const CDupContentReader&) = delete;
    CDupContentReader& operator=(const CDupContentReader&) = delete;

    // The hash of the first `limit` bytes (all of them when the file is
    // shorter); false when the file cannot be read whole up to there.
    bool Hash(const CDupFileEntry& entry, std::uint64_t limit, XXH128_hash_t* hash);
    // True when both files can be read and hold the same bytes.
    bool Equal(const CDupFileEntry& a, const CDupFileEntry& b);

private:
    class Stream;
    std::vector<unsigned char> m_bufferA;
    std::vector<unsigned char> m_bufferB;
    // Two reader lists: the two members compared may lie in one archive.
    CArchiveHandlerList m_handlersA;
    CArchiveHandlerList m_handlersB;
};

// Runs job(i, reader) for every i below `count` on up to `threads` threads,
// each with a reader of its own; stops handing out work once `stop` is set.
void RunOnReadPool(std::size_t count, unsigned threads, const std::atomic<bool>& stop,
                   const std::function<void(std::size_t, CDupContentReader&)>& job);
