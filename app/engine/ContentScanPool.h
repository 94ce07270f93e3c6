#pragma once
// Reads the contents of candidate files on several threads while the walk goes
// on, and hands the records back in the order they were queued, so the rows
// come out exactly as a walk that read every file itself would give them. The
// walk queues a record once every other condition has passed; only the
// contained-text test runs on the workers, each with its own copy of the
// compiled expression.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "app/engine/CriteriaTest.h"

class CContentScanPool {
public:
    // Receives each queued record in queue order with its answer; returning
    // false ends the handing over (the search stops).
    using Commit = std::function<bool(CResultItem&& record, bool passed)>;

    CContentScanPool(const CSearchSnapshot& snapshot, const std::atomic<bool>& stop,
                     unsigned threads);
    ~CContentScanPool();
    CContentScanPool(const CContentScanPool&) = delete;
    CContentScanPool& operator=(const CContentScanPool&) = delete;

    // Queues a record; when the queue is long, first hands over finished
    // records (and tests queued ones on this thread) to make room.
    bool Push(CResultItem&& record, const Commit& commit);
    // Hands over the finished records at the front of the queue.
    bool CommitReady(const Commit& commit);
    // Hands over every queued record, testing on this thread what no worker
    // has taken yet. With the stop flag set, queued records are dropped.
    bool CommitAll(const Commit& commit);
    bool Empty() const;

    // The number of workers a machine's processors suggest.
    static unsigned DefaultThreadCount();

private:
    struct Job {
        CResultItem record;
        bool done = false;
        bool passed = false;
    };
    struct Tester {
        CSearchSnapshot snapshot;
        std::unique_ptr<CCriteriaTest> test;
    };

    void WorkerLoop(Tester* tester);
    // Claims the oldest job no one tests yet; false when there is none.
    bool ClaimJob(std::unique_lock<std::mutex>& lock, Job** job);
    bool HandOverFront(std::unique_lock<std::mutex>& lock, const Commit& commit, bool* handed);
    // One step towards a shorter queue: hands over the front when it is done,
    // else tests a job that no worker has taken, else waits for one to end.
    // False when the handing over ends the search.
    bool Step(std::unique_lock<std::mutex>& lock, const Commit& commit);

    const std::atomic<bool>& m_stop;
    mutable std::mutex m_lock;
    std::condition_variable m_work;      // a job was queued, or the pool ends
    std::condition_variable m_finished;  // a job was finished
    std::deque<Job> m_jobs;
    std::uint64_t m_frontSeq = 0;  // sequence number of m_jobs.front()
    std::uint64_t m_nextClaim = 0;
    bool m_ending = false;
    std::vector<std::unique_ptr<Tester>> m_testers;  // [0] serves the walk's own thread
    std::vector<std::thread> m_workers;
};
