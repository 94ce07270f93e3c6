#pragma once
// The results of the current search generation and the rows that show them:
// the engine appends found records and takes them into the list; clearing the
// results starts a new generation, and the old one lives on for as long as a
// reader (the list, the thumbnail thread) still holds it.

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "app/engine/ResultArray.h"

// What the list shows the user; the list's model implements it and carries
// every call over to its own thread.
class IResultListView {
public:
    virtual ~IResultListView() = default;
    // Every row was deleted: the new result generation `results` starts, with
    // no rows. Rows of another generation still on their way are dropped.
    virtual void DeleteAllRows(const std::shared_ptr<CResultArray>& results) = 0;
    // Rows for records [first, first + count) of `results` were added at the
    // end of the list, in this order.
    virtual void InsertRows(const std::shared_ptr<CResultArray>& results, std::size_t first,
                            std::size_t count) = 0;
    // Shows a message box with `text`.
    virtual void ShowMessage(const std::string& text) = 0;
};

class CResultList {
public:
    // "Search Result Max Limit" default.
    static constexpr int kDefaultLimit = 10000;

    explicit CResultList(IResultListView* view = nullptr);

    void SetView(IResultListView* view) { m_pView = view; }
    void SetLimit(int limit) { m_nLimit = limit; }
    int GetLimit() const { return m_nLimit; }

    // The current generation.
    std::shared_ptr<CResultArray> GetResults() const { return m_results; }
    std::size_t GetCount() const { return m_results->GetCount(); }
    CResultItem& GetAt(std::size_t i) { return m_results->GetAt(i); }

    // The rows taken into the list: one for each record of the current
    // generation, row i showing record i (the list's own order is its
    // model's).
    std::size_t GetRowCount() const { return m_results->GetCount(); }

    // Appends a found record to the result array with its icon and type name
    // (asked first, so the stored record shares the type name with the
    // others); its index, or -1 when the storage is full.
    std::ptrdiff_t Append(CResultItem&& record);

    // Takes the record at the end of the result array into the list: a row
    // for it. Returns 0 when the list now holds the result limit's number of
    // rows (after telling the user "Search result exceed %d"), else 1.
    BOOL AddResultItem();

    // Tells the user "Search result exceed %d" with the limit.
    void ShowLimitMessage();

    // Drops every record and row and starts a new generation, which the view
    // is handed.
    void ReleaseResults();

    // Hands the rows taken in since the last hand-over to the view. Rows go
    // to the view in batches (by count and by time), so that a million
    // results keep the window responsive; the search flushes at its end.
    void FlushRows();

private:
    IResultListView* m_pView;
    int m_nLimit = kDefaultLimit;
    std::shared_ptr<CResultArray> m_results = std::make_shared<CResultArray>();
    std::size_t m_nPendingFirst = 0;                    // first record not yet handed to the view
    std::chrono::steady_clock::time_point m_lastFlush;  // of the last hand-over
};
