#pragma once
// Makes the pictures of the Thumbnails view on one worker thread, newest
// request first, through the thumbnail makers (ProviderRegistry.h).
//
// A request carries the list row it was asked for, the record's index in the
// result array (the row's lasting id) and what the makers read of the record
// (CProviderItem); the worker never touches a record. Each result goes back
// through the delivery function with the result generation it was made for;
// the window applies it on its own thread only while that generation is
// still the current one (ApplyIfCurrent). Clearing the results starts a new
// generation, drops every request and waits for the job in hand.
//
// Only rows inside the visible range (published by the window) are made; a
// request for a row out of view is dropped and asked again when the row is
// painted. A record whose picture was made is not made again until the
// window gives that picture up (Release); a record that failed is never
// tried again in its generation. The worker works only while the view is
// active; leaving the view stops it after the job in hand, and the requests
// stay queued.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "platform/BitmapImage.h"
#include "platform/FaultTrace.h"
#include "platform/WinTypes.h"
#include "readers/details/ProviderItem.h"
#include "readers/details/ProviderRegistry.h"

class CThumbnailQueue {
public:
    struct Result {
        std::uint64_t generation = 0;
        int row = -1;            // the row the picture was asked for
        std::size_t record = 0;  // the record's index in the result array
        BOOL made = FALSE;       // FALSE: no picture can be made of the file
        CBitmap bitmap;          // the picture when made
    };
    // Called on the worker thread; it must not wait for the window.
    using Deliver = std::function<void(Result&& result)>;

    explicit CThumbnailQueue(Deliver deliver);
    // Stops the worker and waits for it.
    ~CThumbnailQueue();
    CThumbnailQueue(const CThumbnailQueue&) = delete;
    CThumbnailQueue& operator=(const CThumbnailQueue&) = delete;

    // Takes the makers, when none were given yet (before the first request).
    void SetProviders(CThumbnailProviderList providers);
    bool HasProviders() const;
    // The largest picture (128 by 128 unless set).
    void SetMaxSize(SIZE size);
    // Whether the Thumbnails view is shown: the worker works only then.
    void SetActive(bool active);
    // The rows the view shows now, first to last (first > last: none).
    void SetVisibleRows(int first, int last);
    bool IsRowVisible(int row) const;

    // Adds a request at the head of the queue (a record already queued moves
    // there) and starts the worker when none runs. `generation` is the one
    // the caller read the record in: a request of an earlier generation is
    // dropped.
    void Queue(std::uint64_t generation, int row, std::size_t record, CProviderItem item);
    // The window of `generation` no longer holds the picture of `record`: it
    // is made again when asked for. A record that failed stays failed.
    void Release(std::uint64_t generation, std::size_t record);
    // A new result generation: drops every request, forgets which records
    // were made or failed and waits until the job in hand has ended.
    void Clear();
    std::uint64_t GetGeneration() const;
    // Runs `apply` when `result` belongs to the current generation, so that
    // no Clear comes between the test and the change; FALSE when it is stale.
    BOOL ApplyIfCurrent(const Result& result, const std::function<void()>& apply);
    // Requests waiting in the queue.
    std::size_t GetQueuedCount() const;

private:
    struct Request {
        int row;
        std::size_t record;
        CProviderItem item;
    };

    void WorkerProc();
    // The first maker that supports the item's name: its answer, or FALSE
    // when none does (or it fails on a fault). A picture made is opaque.
    BOOL MakeThumbnail(const CProviderItem& item, CBitmap* bitmap, SIZE maxSize);

    Deliver m_deliver;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;  // a request, a change of the view, or the end
    std::condition_variable m_idle;  // the job in hand has ended
    std::list<Request> m_requests;   // newest first
    std::unordered_map<std::size_t, std::list<Request>::iterator> m_queued;  // by record
    // Records of this generation whose picture was made (and not released),
    // and those of which none can be made.
    std::unordered_set<std::size_t> m_made;
    std::unordered_set<std::size_t> m_failed;
    std::uint64_t m_generation = 0;
    bool m_bActive = false;
    bool m_bBusy = false;
    bool m_bStopping = false;
    SIZE m_maxSize{128, 128};
    std::atomic<std::uint64_t> m_visibleRows;
    CThumbnailProviderList m_providers;
    std::thread m_thread;
    // The first fault of a generation's pictures is traced.
    zb::CFaultTrace m_faults{"the thumbnails"};
};
