#include "app/engine/ThumbnailQueue.h"

#include <utility>

#include "readers/archives/ArchiveHandler.h"

namespace {

std::uint64_t PackRows(int first, int last) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(first)) << 32) |
           static_cast<std::uint32_t>(last);
}

}  // namespace

CThumbnailQueue::CThumbnailQueue(Deliver deliver)
    : m_deliver(std::move(deliver)), m_visibleRows(PackRows(0, -1)) {}

CThumbnailQueue::~CThumbnailQueue() {
    {
        std::lock_guard guard(m_lock);
        m_bStopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CThumbnailQueue::SetProviders(CThumbnailProviderList providers) {
    std::lock_guard guard(m_lock);
    // The worker reads the makers without the lock: they are set once,
    // before it starts.
    if (m_providers.empty() && !m_thread.joinable())
        m_providers = std::move(providers);
}

bool CThumbnailQueue::HasProviders() const {
    std::lock_guard guard(m_lock);
    return !m_providers.empty();
}

void CThumbnailQueue::SetMaxSize(SIZE size) {
    std::lock_guard guard(m_lock);
    m_maxSize = size;
}

void CThumbnailQueue::SetActive(bool active) {
    {
        std::lock_guard guard(m_lock);
        m_bActive = active;
    }
    m_wake.notify_all();
}

void CThumbnailQueue::SetVisibleRows(int first, int last) {
    m_visibleRows.store(PackRows(first, last), std::memory_order_relaxed);
}

bool CThumbnailQueue::IsRowVisible(int row) const {
    const std::uint64_t rows = m_visibleRows.load(std::memory_order_relaxed);
    const int first = static_cast<int>(static_cast<std::uint32_t>(rows >> 32));
    const int last = static_cast<int>(static_cast<std::uint32_t>(rows & 0xFFFFFFFFu));
    return row >= first && row <= last;
}

void CThumbnailQueue::Queue(std::uint64_t generation, int row, std::size_t record,
                            CProviderItem item) {
    {
        std::lock_guard guard(m_lock);
        if (m_bStopping || generation != m_generation)
            return;
        const auto queued = m_queued.find(record);
        if (queued != m_queued.end()) {
            queued->second->row = row;
            m_requests.splice(m_requests.begin(), m_requests, queued->second);
        } else {
            m_requests.push_front(Request{row, record, std::move(item)});
            m_queued.emplace(record, m_requests.begin());
        }
        if (!m_thread.joinable())
            m_thread = std::thread([this] { WorkerProc(); });
    }
    m_wake.notify_all();
}

void CThumbnailQueue::Release(std::uint64_t generation, std::size_t record) {
    std::lock_guard guard(m_lock);
    if (generation == m_generation)
        m_made.erase(record);
}

void CThumbnailQueue::Clear() {
    std::unique_lock lock(m_lock);
    ++m_generation;
    m_faults.Reset();
    m_requests.clear();
    m_queued.clear();
    m_made.clear();
    m_failed.clear();
    m_idle.wait(lock, [this] { return !m_bBusy; });
}

std::uint64_t CThumbnailQueue::GetGeneration() const {
    std::lock_guard guard(m_lock);
    return m_generation;
}

BOOL CThumbnailQueue::ApplyIfCurrent(const Result& result, const std::function<void()>& apply) {
    std::lock_guard guard(m_lock);
    if (result.generation != m_generation)
        return FALSE;
    apply();
    return TRUE;
}

std::size_t CThumbnailQueue::GetQueuedCount() const {
    std::lock_guard guard(m_lock);
    return m_requests.size();
}

BOOL CThumbnailQueue::MakeThumbnail(const CProviderItem& item, CBitmap* bitmap, SIZE maxSize) {
    CThumbnailProvider* maker = FindThumbnailProvider(m_providers, item.m_sName);
    if (maker == nullptr)
        return FALSE;
    try {
        if (maker->MakeThumbnail(item, bitmap, maxSize)) {
            // The window draws the picture as it stands, without alpha.
            for (int y = 0; y < bitmap->Height(); ++y) {
                std::uint32_t* row = bitmap->Row(y);
                for (int x = 0; x < bitmap->Width(); ++x)
                    row[x] |= 0xFF000000u;
            }
            return TRUE;
        }
    } catch (...) {
        zb::NoteIgnoredFault("a thumbnail maker");
    }
    *bitmap = CBitmap();
    return FALSE;
}

void CThumbnailQueue::WorkerProc() {
    const zb::CFaultTraceScope faults(&m_faults);
    // Makers that read archive members use readers of this thread's own.
    CArchiveHandlerList readers;
    CreateArchiveHandlers(readers);
    const CThreadArchiveHandlers ownReaders(readers);

    std::unique_lock lock(m_lock);
    while (true) {
        m_wake.wait(lock, [this] { return m_bStopping || (m_bActive && !m_requests.empty()); });
        if (m_bStopping)
            break;
        Request request = std::move(m_requests.front());
        m_requests.pop_front();
        m_queued.erase(request.record);
        // A row out of view stays pending: it is asked for again when it
        // is painted.
        if (m_made.count(request.record) != 0 || m_failed.count(request.record) != 0 ||
            !IsRowVisible(request.row))
            continue;
        // Counted as made while in hand, so a second request for it waits
        // for this answer instead of making it twice.
        m_made.insert(request.record);
        const std::uint64_t generation = m_generation;
        Result result;
        result.generation = generation;
        result.row = request.row;
        result.record = request.record;
        const SIZE maxSize = m_maxSize;
        m_bBusy = true;
        lock.unlock();
        result.made = MakeThumbnail(request.item, &result.bitmap, maxSize);
        const bool made = result.made != FALSE;
        m_deliver(std::move(result));
        lock.lock();
        // A Clear meanwhile started a generation that knows nothing of it.
        if (!made && generation == m_generation) {
            m_made.erase(request.record);
            m_failed.insert(request.record);
        }
        m_bBusy = false;
        m_idle.notify_all();
    }
    lock.unlock();
    CloseArchiveHandlers(readers);
}
