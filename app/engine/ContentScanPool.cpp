#include "app/engine/ContentScanPool.h"

#include <algorithm>

namespace {
// Records queued at most; a longer queue makes the walk hand over and help.
constexpr std::size_t kMaxQueued = 512;
}  // namespace

CContentScanPool::CContentScanPool(const CSearchSnapshot& snapshot, const std::atomic<bool>& stop,
                                   unsigned threads)
    : m_stop(stop) {
    for (unsigned i = 0; i <= threads; ++i) {
        auto tester = std::make_unique<Tester>();
        tester->snapshot = snapshot;
        tester->test = std::make_unique<CCriteriaTest>(tester->snapshot, m_stop);
        m_testers.push_back(std::move(tester));
    }
    for (unsigned i = 1; i <= threads; ++i)
        m_workers.emplace_back([this, i] { WorkerLoop(m_testers[i].get()); });
}

CContentScanPool::~CContentScanPool() {
    {
        std::lock_guard guard(m_lock);
        m_ending = true;
    }
    m_work.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

unsigned CContentScanPool::DefaultThreadCount() {
    // More than three readers beside the walk made every open and read slower
    // than the work they shared (measured on an 8-core machine), so the pool
    // stays small.
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(cores, 2u, 4u) - 1;
}

bool CContentScanPool::Empty() const {
    std::lock_guard guard(m_lock);
    return m_jobs.empty();
}

bool CContentScanPool::ClaimJob(std::unique_lock<std::mutex>&, Job** job) {
    if (m_nextClaim >= m_frontSeq + m_jobs.size())
        return false;
    *job = &m_jobs[static_cast<std::size_t>(m_nextClaim - m_frontSeq)];
    ++m_nextClaim;
    return true;
}

void CContentScanPool::WorkerLoop(Tester* tester) {
    std::unique_lock lock(m_lock);
    for (;;) {
        Job* job = nullptr;
        m_work.wait(lock, [&] { return m_ending || ClaimJob(lock, &job); });
        if (!job)
            return;
        // A job stays where it is until it is handed over, and it is handed
        // over only once done, so it can be tested without the lock.
        lock.unlock();
        const bool passed = !m_stop.load(std::memory_order_relaxed) &&
                            tester->test->MatchContainedText(job->record);
        lock.lock();
        job->passed = passed;
        job->done = true;
        m_finished.notify_all();
    }
}

bool CContentScanPool::HandOverFront(std::unique_lock<std::mutex>& lock, const Commit& commit,
                                     bool* handed) {
    *handed = false;
    if (m_jobs.empty() || !m_jobs.front().done)
        return true;
    Job job = std::move(m_jobs.front());
    m_jobs.pop_front();
    ++m_frontSeq;
    *handed = true;
    lock.unlock();
    const bool go =
        m_stop.load(std::memory_order_relaxed) ? true : commit(std::move(job.record), job.passed);
    lock.lock();
    return go;
}

bool CContentScanPool::CommitReady(const Commit& commit) {
    std::unique_lock lock(m_lock);
    for (bool handed = true; handed;) {
        if (!HandOverFront(lock, commit, &handed))
            return false;
    }
    return true;
}

bool CContentScanPool::Step(std::unique_lock<std::mutex>& lock, const Commit& commit) {
    bool handed = false;
    if (!HandOverFront(lock, commit, &handed))
        return false;
    if (handed)
        return true;
    // The front is not done yet: test a job that no worker has taken, or
    // wait for the workers.
    Job* job = nullptr;
    if (ClaimJob(lock, &job)) {
        lock.unlock();
        const bool passed = !m_stop.load(std::memory_order_relaxed) &&
                            m_testers[0]->test->MatchContainedText(job->record);
        lock.lock();
        job->passed = passed;
        job->done = true;
    } else {
        m_finished.wait(lock, [&] { return m_jobs.front().done; });
    }
    return true;
}

bool CContentScanPool::CommitAll(const Commit& commit) {
    std::unique_lock lock(m_lock);
    while (!m_jobs.empty()) {
        if (!Step(lock, commit))
            return false;
    }
    return true;
}

bool CContentScanPool::Push(CResultItem&& record, const Commit& commit) {
    {
        std::lock_guard guard(m_lock);
        m_jobs.push_back(Job{std::move(record)});
    }
    m_work.notify_one();
    if (!CommitReady(commit))
        return false;
    std::unique_lock lock(m_lock);
    while (m_jobs.size() >= kMaxQueued) {
        if (!Step(lock, commit))
            return false;
    }
    return true;
}
