#include "app/engine/ResultList.h"

#include "platform/StringTable.h"

namespace {
constexpr std::size_t kRowBatch = 1024;
constexpr auto kRowBatchInterval = std::chrono::milliseconds(100);
}  // namespace

std::ptrdiff_t CResultList::Append(CResultItem&& record) {
    FillResultTypeInfo(record);
    return m_results->Append(std::move(record));
}

BOOL CResultList::AddResultItem() {
    const std::size_t count = m_results->GetCount();
    if (count == 0)
        return 1;
    ++m_nRows;
    if (count - m_nPendingFirst >= kRowBatch ||
        std::chrono::steady_clock::now() - m_lastFlush >= kRowBatchInterval)
        FlushRows();

    if (m_nLimit > 0 && m_nRows >= static_cast<std::size_t>(m_nLimit)) {
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
    m_nRows = 0;
    m_nPendingFirst = 0;
    if (m_pView)
        m_pView->DeleteAllRows(m_results);
}

void CResultList::FlushRows() {
    const std::size_t count = m_results->GetCount();
    if (count > m_nPendingFirst && m_pView)
        m_pView->InsertRows(m_results, m_nPendingFirst, count - m_nPendingFirst);
    m_nPendingFirst = count;
    m_lastFlush = std::chrono::steady_clock::now();
}
