#include "platform/Log.h"

#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Line {
    COLORREF colour;
    std::string text;
};

// Collects lines through both sinks; removes them and restores
// ZEMBROLT_TRACE when the test ends.
class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("ZEMBROLT_TRACE")) {
            m_oldTrace = old;
            m_hadTrace = true;
        }
        setenv("ZEMBROLT_TRACE", "0", 1);
    }
    void TearDown() override {
        SetLogSink({});
        SetTraceSink({});
        if (m_hadTrace) {
            setenv("ZEMBROLT_TRACE", m_oldTrace.c_str(), 1);
        } else {
            unsetenv("ZEMBROLT_TRACE");
        }
    }
    void CollectLog() {
        // The sink runs under the log's lock, so a plain vector is enough.
        SetLogSink([this](COLORREF colour, const std::string& line) {
            m_lines.push_back(Line{colour, line});
        });
    }
    void CollectTraces() {
        SetTraceSink([this](const std::string& line) { m_traces.push_back(line); });
    }

    std::vector<Line> m_lines;
    std::vector<std::string> m_traces;

private:
    std::string m_oldTrace;
    bool m_hadTrace = false;
};

TEST(LogColourTest, RgbPutsRedInTheLowByte) {
    static_assert(RGB(255, 0, 0) == 255);
    static_assert(RGB(0, 0, 255) == 0xFF0000);
    static_assert(RGB(0x12, 0x34, 0x56) == 0x563412);
}

TEST_F(LogTest, EachCallIsOneLineInItsColour) {
    CollectLog();
    LogPrintf(RGB(0, 0, 255), "LOGPIXELSX : %d", 96);
    LogPrintf(RGB(255, 0, 0), "Start : %s", "12:00:00");
    ASSERT_EQ(m_lines.size(), 2u);
    EXPECT_EQ(m_lines[0].colour, 0xFF0000u);
    EXPECT_EQ(m_lines[0].text, "LOGPIXELSX : 96\n");
    EXPECT_EQ(m_lines[1].colour, 255u);
    EXPECT_EQ(m_lines[1].text, "Start : 12:00:00\n");

    LogErrorLocation("search.cpp", 120);
    ASSERT_EQ(m_lines.size(), 3u);
    EXPECT_EQ(m_lines[2].colour, 255u);
    EXPECT_EQ(m_lines[2].text, "Error in file: search.cpp line: 120 \n");

    const int line = __LINE__ + 1;
    LogErrorHere();
    ASSERT_EQ(m_lines.size(), 4u);
    EXPECT_EQ(m_lines[3].text,
              "Error in file: " + std::string(__FILE__) + " line: " + std::to_string(line) + " \n");
}

TEST_F(LogTest, LongTextIsCutTo99999Characters) {
    CollectLog();
    const std::string exact(99999, 'a');
    LogPrintf(0, "%s", exact.c_str());
    const std::string longer(150000, 'b');
    LogPrintf(0, "%s", longer.c_str());
    // A cut inside a two-byte character drops the whole character.
    const std::string utf8 = std::string(99998, 'c') + "\xC3\xA9";
    LogPrintf(0, "%s", utf8.c_str());
    ASSERT_EQ(m_lines.size(), 3u);
    EXPECT_EQ(m_lines[0].text, exact + "\n");
    EXPECT_EQ(m_lines[1].text, std::string(99999, 'b') + "\n");
    EXPECT_EQ(m_lines[2].text, std::string(99998, 'c') + "\n");
}

TEST_F(LogTest, LinesFromSeveralThreadsArriveWhole) {
    CollectLog();
    constexpr int kThreads = 8;
    constexpr int kLines = 200;
    const std::string payload(5000, 'x');
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &payload] {
            for (int i = 0; i < kLines; ++i) {
                LogPrintf(RGB(static_cast<BYTE>(t), 0, 0), "thread %d line %d %s end", t, i,
                          payload.c_str());
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    ASSERT_EQ(m_lines.size(), static_cast<std::size_t>(kThreads * kLines));
    std::map<int, int> nextLine;
    for (const Line& line : m_lines) {
        const int t = static_cast<int>(line.colour);
        // Lines of one thread keep their order and come with that thread's colour.
        const std::string expected = "thread " + std::to_string(t) + " line " +
                                     std::to_string(nextLine[t]++) + " " + payload + " end\n";
        ASSERT_EQ(line.text, expected);
    }
}

TEST_F(LogTest, RemovedSinkReceivesNothing) {
    CollectLog();
    LogPrintf(0, "one");
    SetLogSink({});
    LogPrintf(0, "two");
    EXPECT_EQ(m_lines.size(), 1u);
}

TEST_F(LogTest, TracesAreCutTo255AndEndWithCrLf) {
    CollectTraces();
    DebugTrace("value %d", 42);
    const std::string longer(300, 't');
    DebugTrace("%s", longer.c_str());
    ASSERT_EQ(m_traces.size(), 2u);
    EXPECT_EQ(m_traces[0], "value 42\r\n");
    EXPECT_EQ(m_traces[1], std::string(255, 't') + "\r\n");
}

TEST_F(LogTest, WithoutSinksOutputGoesToStderrOnlyWhenTracing) {
    testing::internal::CaptureStderr();
    DebugTrace("hidden trace");
    LogPrintf(0, "hidden line");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    setenv("ZEMBROLT_TRACE", "1", 1);
    testing::internal::CaptureStderr();
    DebugTrace("shown trace %d", 1);
    LogPrintf(0, "shown line %d", 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "shown trace 1\r\nshown line 2\n");

    // Any other value than "1" keeps stderr quiet.
    setenv("ZEMBROLT_TRACE", "yes", 1);
    testing::internal::CaptureStderr();
    DebugTrace("quiet");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    // With a sink installed, stderr is not used even when tracing.
    setenv("ZEMBROLT_TRACE", "1", 1);
    CollectTraces();
    CollectLog();
    testing::internal::CaptureStderr();
    DebugTrace("to sink");
    LogPrintf(0, "to sink");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(m_traces.size(), 1u);
    EXPECT_EQ(m_lines.size(), 1u);
}

TEST_F(LogTest, SinkMayLogItself) {
    CollectLog();
    SetTraceSink(
        [](const std::string& line) { LogPrintf(RGB(0, 0, 255), "trace: %s", line.c_str()); });
    DebugTrace("nested");
    ASSERT_EQ(m_lines.size(), 1u);
    EXPECT_EQ(m_lines[0].text, "trace: nested\r\n\n");
}

}  // namespace
