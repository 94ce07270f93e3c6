#include "app/engine/ContentAnswerCache.h"

bool CContentAnswerCache::IsWorthKeeping(const zb::FileStamp& stamp) {
    return stamp.links > 1 || stamp.size >= kMinSize;
}

std::optional<bool> CContentAnswerCache::Find(const zb::FileStamp& stamp) const {
    const std::lock_guard guard(m_lock);
    const auto found = m_answers.find({stamp.device, stamp.inode});
    if (found == m_answers.end() || found->second.size != stamp.size ||
        found->second.modified != stamp.modified)
        return std::nullopt;
    return found->second.holds;
}

void CContentAnswerCache::Store(const zb::FileStamp& stamp, bool holds) {
    const std::lock_guard guard(m_lock);
    const Identity id{stamp.device, stamp.inode};
    if (m_answers.size() >= kMaxAnswers && !m_answers.contains(id))
        return;
    m_answers[id] = {stamp.size, stamp.modified, holds};
}
