#pragma once
// The contained-text answers of the files one search has read, by file
// identity, so that a file reached again under another name (a symbolic link,
// a hard link) is not read a second time. An answer holds only while the
// file's size and last write time are those it was read with. The threads of
// a search share one; every search starts with a new one.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "platform/InputFile.h"

class CContentAnswerCache {
public:
    // Whether a file's answer is worth keeping: it has more than one name, or
    // it is larger than one block of the scan (smaller ones cost about as
    // much to read again as the lookups of every such file cost).
    static bool IsWorthKeeping(const zb::FileStamp& stamp);

    // The answer kept for the file, when it still stands as it was read.
    std::optional<bool> Find(const zb::FileStamp& stamp) const;
    // Keeps an answer (beyond kMaxAnswers files, none).
    void Store(const zb::FileStamp& stamp, bool holds);

    static constexpr std::int64_t kMinSize = 64 * 1024;
    static constexpr std::size_t kMaxAnswers = 1u << 20;

private:
    struct Identity {
        dev_t device;
        ino_t inode;
        bool operator==(const Identity&) const = default;
    };
    struct IdentityHash {
        std::size_t operator()(const Identity& id) const {
            return std::hash<ino_t>()(id.inode) * 31 + std::hash<dev_t>()(id.device);
        }
    };
    struct Answer {
        std::int64_t size;
        std::int64_t modified;
        bool holds;
    };

    mutable std::mutex m_lock;
    std::unordered_map<Identity, Answer, IdentityHash> m_answers;
};
