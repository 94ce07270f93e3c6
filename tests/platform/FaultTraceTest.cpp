#include "platform/FaultTrace.h"

#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/Log.h"

namespace {

// Collects the trace lines while it lives.
class TraceCapture {
public:
    TraceCapture() {
        SetTraceSink([this](const std::string& line) {
            std::lock_guard guard(m_lock);
            lines.push_back(line);
        });
    }
    ~TraceCapture() { SetTraceSink({}); }
    std::vector<std::string> lines;

private:
    std::mutex m_lock;
};

void FailIn(const char* where) {
    try {
        throw std::runtime_error("bad member");
    } catch (...) {
        zb::NoteIgnoredFault(where);
    }
}

TEST(FaultTraceTest, TheFirstFaultOfEachJobIsTracedOnce) {
    TraceCapture trace;
    zb::CFaultTrace search("the search");
    zb::CFaultTrace thumbnails("the thumbnails");
    {
        const zb::CFaultTraceScope scope(&search);
        FailIn("a reader");
        FailIn("a reader");
        // A thread the job starts counts for the job.
        std::thread([faults = zb::CurrentFaultTrace()] {
            const zb::CFaultTraceScope inner(faults);
            FailIn("a worker");
        }).join();
    }
    {
        // Another job's first fault is its own.
        const zb::CFaultTraceScope scope(&thumbnails);
        FailIn("a maker");
    }
    ASSERT_EQ(trace.lines.size(), 2u);
    EXPECT_EQ(trace.lines[0], "Fault ignored in a reader (the search): bad member\r\n");
    EXPECT_EQ(trace.lines[1], "Fault ignored in a maker (the thumbnails): bad member\r\n");

    // The next search traces its first fault again.
    search.Reset();
    const zb::CFaultTraceScope scope(&search);
    FailIn("a reader");
    EXPECT_EQ(trace.lines.size(), 3u);
    EXPECT_EQ(zb::CurrentFaultTrace(), &search);
}

}  // namespace
