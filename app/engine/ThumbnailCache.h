#pragma once
// The pictures of the Thumbnails view, by the record's index in the result
// array, within a bound on their pixel bytes. A picture counts as used each
// time its row is painted; when the pictures pass the bound, those used
// longest ago go first (rows far out of view), never one the caller keeps
// (the rows in view), so the bound may be passed while the view itself needs
// more. A record whose picture went is made again when its row is painted.
// Used on the window's thread only.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <unordered_map>
#include <vector>

#include "platform/BitmapImage.h"

class CThumbnailCache {
public:
    // 192 MiB: 1,024 pictures of 256 by 192 (photos at the largest size),
    // 4,096 at 128 by 96; screens full of them, and with the rest of the
    // program still under 300 MiB.
    static constexpr std::size_t kDefaultByteLimit = std::size_t{192} << 20;

    explicit CThumbnailCache(std::size_t byteLimit = kDefaultByteLimit) : m_nByteLimit(byteLimit) {}

    void SetByteLimit(std::size_t bytes) { m_nByteLimit = bytes; }
    std::size_t GetByteLimit() const { return m_nByteLimit; }
    // The pixel bytes of the pictures held.
    std::size_t GetBytes() const { return m_nBytes; }
    std::size_t GetCount() const { return m_entries.size(); }
    bool IsOverLimit() const { return m_nBytes > m_nByteLimit; }

    // Takes the picture of `record` (replacing one it had) as just used.
    void Put(std::size_t record, CBitmap picture);
    // The picture of `record`, marked as just used; null when none is held.
    const CBitmap* Use(std::size_t record);
    // The picture of `record` without marking it; null when none is held.
    const CBitmap* Find(std::size_t record) const;
    // While over the bound, drops the pictures used longest ago whose records
    // `keep` does not claim; returns the records dropped, oldest first.
    std::vector<std::size_t> Trim(const std::function<bool(std::size_t record)>& keep);
    void Clear();

private:
    struct Entry {
        std::size_t record;
        CBitmap picture;
    };
    static std::size_t BytesOf(const CBitmap& picture);

    std::size_t m_nByteLimit;
    std::size_t m_nBytes = 0;
    std::list<Entry> m_entries;  // most recently used first
    std::unordered_map<std::size_t, std::list<Entry>::iterator> m_byRecord;
};
