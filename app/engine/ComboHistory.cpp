#include "app/engine/ComboHistory.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/TextCase.h"

int CComboHistory::FindStringExact(std::string_view text) const {
    const std::string wanted = LowerCaseUtf8(text);
    std::string lowered;
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        LowerCaseUtf8(m_items[i].text, lowered);
        if (lowered == wanted)
            return static_cast<int>(i);
    }
    return -1;
}

void CComboHistory::UpdateComboHistoryScores() {
    for (Item& item : m_items) {
        if (item.score > 0)
            --item.score;
    }
    const int index = FindStringExact(m_text);
    if (index < 0)
        return;
    std::int32_t& score = m_items[static_cast<std::size_t>(index)].score;
    constexpr std::int32_t kMaxScore = std::numeric_limits<std::int32_t>::max();
    score = score > kMaxScore - kReuseBonus ? kMaxScore : score + kReuseBonus;
}

void CComboHistory::AddComboHistoryItem() {
    const std::string_view text = TrimWhiteSpace(m_text);
    if (text.empty() || FindStringExact(text) >= 0)
        return;
    if (m_items.size() >= kMaxItems) {
        // min_element returns the first of equal lowest scores.
        m_items.erase(
            std::min_element(m_items.begin(), m_items.end(),
                             [](const Item& a, const Item& b) { return a.score < b.score; }));
    }
    m_items.push_back(Item{std::string(text), kNewItemScore});
}

void CComboHistory::SaveComboHistory(CArchive& ar) const {
    ar.WriteCount(m_items.size());
    for (const Item& item : m_items)
        ar << item.text << item.score;
}

BOOL CComboHistory::LoadComboHistory(CArchive& ar) {
    m_items.clear();
    std::int32_t count = 0;
    ar >> count;
    if (count < 0 || count > kMaxStoredCount)
        return FALSE;
    std::vector<Item> items(static_cast<std::size_t>(count));
    for (Item& item : items)
        ar >> item.text >> item.score;
    m_items = std::move(items);
    return TRUE;
}
