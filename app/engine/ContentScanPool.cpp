#include "app/engine/ContentScanPool.h"
#include "platform/FaultTrace.h"

#include <algorithm>

namespace {
// Records queued at most that are still to be tested, and at most in all
// (the passed ones behind them); a longer queue makes the walk hand over and
// help, or wait.
constexpr std::size_t kMaxQueued = 512;
constexpr std::size_t kMaxHeld = 1u << 14;
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
    m_fileReaders = std::min(threads, kMaxFileReaders);
}

void CContentScanPool::StartFileReaders() {
    // Only the walk's thread queues jobs, so only it starts workers.
    m_fileReadersStarted = true;
    for (unsigned i = 1; i <= m_fileReaders; ++i)
        m_workers.emplace_back([this, i, faults = zb::CurrentFaultTrace()] {
            const zb::CFaultTraceScope scope(faults);
            WorkerLoop(m_testers[i].get(), false);
        });
}

CContentScanPool::~CContentScanPool() {
    {
        std::lock_guard guard(m_lock);
        m_ending = true;
    }
    m_work.notify_all();
    m_computeWork.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

void CContentScanPool::StartComputeWorkers() {
    // Only the walk's thread queues jobs, so only it starts workers.
    m_computeWorkersStarted = true;
    for (std::size_t i = m_fileReaders + 1; i < m_testers.size(); ++i)
        m_workers.emplace_back([this, i, faults = zb::CurrentFaultTrace()] {
            const zb::CFaultTraceScope scope(faults);
            WorkerLoop(m_testers[i].get(), true);
        });
}

unsigned CContentScanPool::DefaultThreadCount() {
    const unsigned cores = std::max(std::thread::hardware_concurrency(), 2u);
    return cores - 1;
}

bool CContentScanPool::Empty() const {
    std::lock_guard guard(m_lock);
    return m_jobs.empty();
}

bool CContentScanPool::ClaimJob(std::unique_lock<std::mutex>&, Job** job, bool computeOnly) {
    // Jobs are handed over only once done, so every job before the front
    // was claimed.
    const std::uint64_t end = m_frontSeq + m_jobs.size();
    m_nextClaim = std::max(m_nextClaim, m_frontSeq);
    while (m_nextClaim < end && m_jobs[static_cast<std::size_t>(m_nextClaim - m_frontSeq)].claimed)
        ++m_nextClaim;
    for (std::uint64_t seq = m_nextClaim; seq < end; ++seq) {
        Job& candidate = m_jobs[static_cast<std::size_t>(seq - m_frontSeq)];
        if (candidate.claimed || (computeOnly && !candidate.archive && !candidate.pageText))
            continue;
        candidate.claimed = true;
        *job = &candidate;
        return true;
    }
    return false;
}

void CContentScanPool::WorkerLoop(Tester* tester, bool computeOnly) {
    std::condition_variable& work = computeOnly ? m_computeWork : m_work;
    std::unique_lock lock(m_lock);
    for (;;) {
        Job* job = nullptr;
        work.wait(lock, [&] { return m_ending || ClaimJob(lock, &job, computeOnly); });
        if (!job)
            return;
        // A job stays where it is until it is handed over, and it is handed
        // over only once done, so it can be tested without the lock.
        lock.unlock();
        RunJob(*tester, *job);
        lock.lock();
        Finished(*job);
        m_finished.notify_all();
    }
}

void CContentScanPool::RunJob(Tester& tester, Job& job) {
    if (job.testRecord)
        job.outcome =
            !m_stop.load(std::memory_order_relaxed) && tester.test->MatchContainedText(job.record)
                ? Outcome::Passed
                : Outcome::Failed;
    if (!job.archive || m_stop.load(std::memory_order_relaxed))
        return;
    if (!tester.archivesMade) {
        try {
            CreateArchiveHandlers(tester.archives);
        } catch (...) {
            zb::NoteIgnoredFault("the scan pool's archive readers");
            job.listed = false;
            return;
        }
        tester.archivesMade = true;
    }
    // The member tests open the members through FindArchiveHandler too, so
    // they find this thread's reader, which has the archive open already.
    const CThreadArchiveHandlers installed(tester.archives);
    const CArchiveSource& source = *job.archive;
    job.listed = SearchArchiveMembers(source.folder.Get(), source.item.get(), source.path,
                                      source.folderAbsolute.get(), *tester.test, m_stop,
                                      [&job](CResultItem&& member) {
                                          job.members.push_back(std::move(member));
                                          return true;
                                      }) != FALSE;
}

void CContentScanPool::Finished(Job& job) {
    job.done = true;
    --m_untested;
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
    bool go = true;
    if (job.testRecord && !m_stop.load(std::memory_order_relaxed))
        go = commit(std::move(job.record), job.outcome);
    for (CResultItem& member : job.members) {
        if (!go || m_stop.load(std::memory_order_relaxed))
            break;
        go = commit(std::move(member), Outcome::Passed);
    }
    // A fault while listing the archive ends the search, as it would on the
    // walk's own thread.
    if (!job.listed && !m_stop.load(std::memory_order_relaxed))
        go = false;
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
        RunJob(*m_testers[0], *job);
        lock.lock();
        Finished(*job);
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
    Job job;
    job.pageText = m_testers[0]->test->MayReadPageText(record.m_sName.str());
    job.record = std::move(record);
    return Queue(std::move(job), commit);
}

bool CContentScanPool::PushPassed(CResultItem&& record, const Commit& commit) {
    Job job;
    job.record = std::move(record);
    job.claimed = true;
    job.done = true;
    job.outcome = Outcome::Ready;
    return Queue(std::move(job), commit);
}

bool CContentScanPool::PushArchive(std::optional<CResultItem> record,
                                   std::unique_ptr<CArchiveSource> archive, const Commit& commit) {
    Job job;
    job.testRecord = record.has_value();
    if (record)
        job.record = std::move(*record);
    job.archive = std::move(archive);
    return Queue(std::move(job), commit);
}

bool CContentScanPool::Queue(Job&& job, const Commit& commit) {
    const bool compute = job.archive != nullptr || job.pageText;
    const bool untested = !job.done;
    if (untested && !m_fileReadersStarted)
        StartFileReaders();
    if (compute && !m_computeWorkersStarted)
        StartComputeWorkers();
    {
        std::lock_guard guard(m_lock);
        m_jobs.push_back(std::move(job));
        if (untested)
            ++m_untested;
    }
    if (untested)
        m_work.notify_one();
    if (compute)
        m_computeWork.notify_one();
    if (!CommitReady(commit))
        return false;
    std::unique_lock lock(m_lock);
    while (m_untested >= kMaxQueued || m_jobs.size() >= kMaxHeld) {
        if (!Step(lock, commit))
            return false;
    }
    return true;
}
