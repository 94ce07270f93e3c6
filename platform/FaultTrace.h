#pragma once
// Faults that a search or job turns into "no match" or "no value" (a reader
// that threw on one file, a provider that failed on one picture) are not the
// user's business, but a developer wants to know they happen. The first such
// fault of each search or job is written once to the trace (DebugTrace, shown
// with ZEMBROLT_TRACE=1); the rest pass silently.

#include <atomic>

namespace zb {

// The fault record of one search or job.
class CFaultTrace {
public:
    explicit CFaultTrace(const char* job) : m_job(job) {}
    CFaultTrace(const CFaultTrace&) = delete;
    CFaultTrace& operator=(const CFaultTrace&) = delete;

    // A new search or job: its first fault is traced again.
    void Reset() { m_bReported.store(false, std::memory_order_relaxed); }
    // Traces the fault being handled (only inside a catch block) when it is
    // the first since Reset.
    void Note(const char* where) noexcept;

private:
    const char* m_job;
    std::atomic<bool> m_bReported{false};
};

// While it lives, faults noted on this thread count for `trace`. Threads a
// job starts take the starting thread's trace (CurrentFaultTrace).
class CFaultTraceScope {
public:
    explicit CFaultTraceScope(CFaultTrace* trace);
    ~CFaultTraceScope();
    CFaultTraceScope(const CFaultTraceScope&) = delete;
    CFaultTraceScope& operator=(const CFaultTraceScope&) = delete;

private:
    CFaultTrace* m_pPrevious;
};

// The trace of the job running on this thread, or null.
CFaultTrace* CurrentFaultTrace();

// Inside a catch block that turns a fault into "no match" or "no value":
// notes it for the thread's job, or once for the whole program when the
// thread runs none.
void NoteIgnoredFault(const char* where) noexcept;

}  // namespace zb
