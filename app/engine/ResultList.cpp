#include "app/engine/ResultList.h"

#include <time.h>

#include "platform/StringTable.h"

namespace {

constexpr std::size_t kRowBatch = 1024;
constexpr auto kRowBatchInterval = std::chrono::milliseconds(100);

// The steady clock read at the resolution of the scheduler's tick: asked for
// every row, where the precise clock costs a measurable part of a search that
// keeps every item, and a tick is nothing beside the batch interval.
std::chrono::steady_clock::time_point CoarseNow() {
    timespec now{};
    if (clock_gettime(CLOCK_MONOTONIC_COARSE, &now) != 0)
        return std::chrono::steady_clock::now();
    return std::chrono::steady_clock::time_point(std::chrono::seconds(now.tv_sec) +
                                                 std::chrono::nanoseconds(now.tv_nsec));
}

}  // namespace

CResultList::CResultList(IResultListView* view) : m_pView(view), m_lastFlush(CoarseNow()) {}

std::ptrdiff_t CResultList::Append(CResultItem&& record) {
    FillResultTypeInfo(record);
    return m_results->Append(std::move(record));
}

BOOL CResultList::AddResultItem() {
    const std::size_t count = m_results->GetCount();
    if (count == 0)
        return 1;
    if (count - m_nPendingFirst >= kRowBatch || CoarseNow() - m_lastFlush >= kRowBatchInterval)
        FlushRows();

    if (m_nLimit > 0 && count >= static_cast<std::size_t>(m_nLimit)) {
        FlushRows();
        ShowLimitMessage();
        return 0;
    }
    return 1;
}

void CResultList::ShowLimitMessage() {
    if (m_pView)
        m_pView->ShowMessage(FormatResourceString(IDS_SEARCH_RESULT_EXCEED, m_nLimit));
}

void CResultList::ReleaseResults() {
    m_results = std::make_shared<CResultArray>();
    m_nPendingFirst = 0;
    if (m_pView)
        m_pView->DeleteAllRows(m_results);
}

void CResultList::FlushRows() {
    const std::size_t count = m_results->GetCount();
    if (count > m_nPendingFirst && m_pView)
        m_pView->InsertRows(m_results, m_nPendingFirst, count - m_nPendingFirst);
    m_nPendingFirst = count;
    m_lastFlush = CoarseNow();
}
