#include "app/engine/ThumbnailCache.h"

#include <utility>

std::size_t CThumbnailCache::BytesOf(const CBitmap& picture) {
    return static_cast<std::size_t>(picture.Width()) * static_cast<std::size_t>(picture.Height()) *
           sizeof(std::uint32_t);
}

void CThumbnailCache::Put(std::size_t record, CBitmap picture) {
    const auto found = m_byRecord.find(record);
    if (found != m_byRecord.end()) {
        m_nBytes -= BytesOf(found->second->picture);
        m_entries.erase(found->second);
        m_byRecord.erase(found);
    }
    m_nBytes += BytesOf(picture);
    m_entries.push_front(Entry{record, std::move(picture)});
    m_byRecord.emplace(record, m_entries.begin());
}

const CBitmap* CThumbnailCache::Use(std::size_t record) {
    const auto found = m_byRecord.find(record);
    if (found == m_byRecord.end())
        return nullptr;
    m_entries.splice(m_entries.begin(), m_entries, found->second);
    return &found->second->picture;
}

const CBitmap* CThumbnailCache::Find(std::size_t record) const {
    const auto found = m_byRecord.find(record);
    return found == m_byRecord.end() ? nullptr : &found->second->picture;
}

std::vector<std::size_t> CThumbnailCache::Trim(
    const std::function<bool(std::size_t record)>& keep) {
    std::vector<std::size_t> dropped;
    auto entry = m_entries.end();
    while (IsOverLimit() && entry != m_entries.begin()) {
        --entry;
        if (keep(entry->record))
            continue;
        m_nBytes -= BytesOf(entry->picture);
        m_byRecord.erase(entry->record);
        dropped.push_back(entry->record);
        entry = m_entries.erase(entry);
    }
    return dropped;
}

void CThumbnailCache::Clear() {
    m_entries.clear();
    m_byRecord.clear();
    m_nBytes = 0;
}
