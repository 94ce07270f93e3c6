#pragma once
// Reads the contents of candidate files on several threads while the walk goes
// on, and hands the records back in the order they were queued, so the rows
// come out exactly as a walk that read every file itself would give them. The
// walk queues a record once every other condition has passed; only the
// contained-text test runs on the workers, each with its own copy of the
// compiled expression. An archive file is queued whole: a worker opens it with
// readers of its own, tests every member and keeps those that pass, and they
// are handed back in the archive's order right after the archive's own record.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/engine/ArchiveMemberSearch.h"
#include "app/engine/CriteriaTest.h"
#include "platform/RefCounted.h"
#include "platform/shell/ItemIdList.h"
#include "readers/archives/ArchiveHandler.h"

// An archive file the walk met: what its members' records refer to.
struct CArchiveSource {
    std::string path;                 // the archive file on disk
    zb::ComPtr<IShellFolder> folder;  // the folder that lists it
    PidlPtr item;                     // its item in that folder
    PidlPtr folderAbsolute;           // that folder's absolute item
};

class CContentScanPool {
public:
    // The answer a queued record is handed over with.
    enum class Outcome {
        Failed,  // its contents do not hold the text
        Passed,  // its contents hold the text, or it is a member of a queued archive that passed
        Ready,   // it passed before it was queued (PushPassed) and comes back as it was queued
    };
    // Receives each queued record in queue order with its answer; returning
    // false ends the handing over (the search stops).
    using Commit = std::function<bool(CResultItem&& record, Outcome outcome)>;

    // `threads` workers: up to kMaxFileReaders of them take every job
    // (started when the first job is queued), the rest only the jobs that
    // compute more than they read, archives and PDF documents (started when
    // the first of those is queued).
    CContentScanPool(const CSearchSnapshot& snapshot, const std::atomic<bool>& stop,
                     unsigned threads);
    ~CContentScanPool();
    CContentScanPool(const CContentScanPool&) = delete;
    CContentScanPool& operator=(const CContentScanPool&) = delete;

    // Queues a record; when the queue is long, first hands over finished
    // records (and tests queued ones on this thread) to make room.
    bool Push(CResultItem&& record, const Commit& commit);
    // Queues a record that has passed every condition already and holds
    // everything its row needs: it is handed over as Ready in its turn, after
    // the records queued before it, so the walk goes on while those are
    // still being read.
    bool PushPassed(CResultItem&& record, const Commit& commit);
    // Queues an archive: its own record first when `record` is set (it has
    // passed every other condition), then the members that pass, which the
    // commit receives as passed.
    bool PushArchive(std::optional<CResultItem> record, std::unique_ptr<CArchiveSource> archive,
                     const Commit& commit);
    // Hands over the finished records at the front of the queue.
    bool CommitReady(const Commit& commit);
    // Hands over every queued record, testing on this thread what no worker
    // has taken yet. With the stop flag set, queued records are dropped.
    bool CommitAll(const Commit& commit);
    bool Empty() const;

    // The number of workers a machine's processors suggest: one per
    // processor beside the walk's.
    static unsigned DefaultThreadCount();

    // Workers that read files on disk at most: more than three readers beside
    // the walk made every open and read slower than the work they shared
    // (measured on an 8-core machine). Archives are unpacked and page text is
    // rendered in memory, so the other workers take only those.
    static constexpr unsigned kMaxFileReaders = 3;

private:
    struct Job {
        CResultItem record;
        bool testRecord = true;  // false: an archive whose own record failed
        bool pageText = false;   // its test may render page text
        std::unique_ptr<CArchiveSource> archive;
        std::vector<CResultItem> members;  // the archive's members that passed
        bool listed = true;                // the archive's listing had no fault
        bool claimed = false;              // a thread tests it, or nothing is left to test
        bool done = false;
        Outcome outcome = Outcome::Failed;
    };
    struct Tester {
        CSearchSnapshot snapshot;
        std::unique_ptr<CCriteriaTest> test;
        // The archive readers of the thread the tester serves, made on first
        // need; a reader is never used by two threads.
        CArchiveHandlerList archives;
        bool archivesMade = false;
    };

    void WorkerLoop(Tester* tester, bool computeOnly);
    // Tests a claimed job's record and searches its archive, without the lock.
    void RunJob(Tester& tester, Job& job);
    // Marks a job that RunJob ended as done, with the lock held.
    void Finished(Job& job);
    bool Queue(Job&& job, const Commit& commit);
    // Claims the oldest job no one tests yet (with `computeOnly` the oldest
    // such archive or PDF document); false when there is none.
    bool ClaimJob(std::unique_lock<std::mutex>& lock, Job** job, bool computeOnly = false);
    void StartFileReaders();
    void StartComputeWorkers();
    bool HandOverFront(std::unique_lock<std::mutex>& lock, const Commit& commit, bool* handed);
    // One step towards a shorter queue: hands over the front when it is done,
    // else tests a job that no worker has taken, else waits for one to end.
    // False when the handing over ends the search.
    bool Step(std::unique_lock<std::mutex>& lock, const Commit& commit);

    const std::atomic<bool>& m_stop;
    mutable std::mutex m_lock;
    std::condition_variable m_work;         // a job was queued, or the pool ends
    std::condition_variable m_computeWork;  // an archive or PDF was queued, or the pool ends
    std::condition_variable m_finished;     // a job was finished
    std::deque<Job> m_jobs;
    std::size_t m_untested = 0;     // jobs in m_jobs not done yet
    std::uint64_t m_frontSeq = 0;   // sequence number of m_jobs.front()
    std::uint64_t m_nextClaim = 0;  // no job before this one is unclaimed
    unsigned m_fileReaders = 0;     // workers that take every job
    bool m_fileReadersStarted = false;
    bool m_computeWorkersStarted = false;
    bool m_ending = false;
    std::vector<std::unique_ptr<Tester>> m_testers;  // [0] serves the walk's own thread
    std::vector<std::thread> m_workers;
};
