#include "app/engine/ThumbnailQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// Makes a 2 x 1 picture of every ".jpg" whose name does not hold "bad", and
// can hold the worker inside one name until released.
class FakeMaker : public CThumbnailProvider {
public:
    BOOL InitExtensions() override {
        m_arrExtensions = {"jpg"};
        return TRUE;
    }
    BOOL MakeThumbnail(const CProviderItem& item, CBitmap* bitmap, SIZE maxSize) override {
        std::unique_lock lock(m_lock);
        m_calls.push_back(item.m_sName);
        m_maxSize = maxSize;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return item.m_sName != m_holdName; });
        if (item.m_sName.find("bad") != std::string::npos)
            return FALSE;
        *bitmap = CBitmap(2, 1);
        bitmap->Row(0)[0] = 0x00112233u;
        return TRUE;
    }

    void Hold(const std::string& name) {
        std::lock_guard guard(m_lock);
        m_holdName = name;
    }
    void Release() {
        std::lock_guard guard(m_lock);
        m_holdName.clear();
        m_changed.notify_all();
    }
    // Waits until the worker is inside the maker for `name`.
    bool WaitUntilMaking(const std::string& name) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, std::chrono::seconds(30),
                                  [&] { return !m_calls.empty() && m_calls.back() == name; });
    }
    std::vector<std::string> Calls() {
        std::lock_guard guard(m_lock);
        return m_calls;
    }
    SIZE MaxSize() {
        std::lock_guard guard(m_lock);
        return m_maxSize;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::string> m_calls;
    std::string m_holdName;
    SIZE m_maxSize{};
};

class ThumbnailQueueTest : public ::testing::Test {
protected:
    ThumbnailQueueTest()
        : m_queue([this](CThumbnailQueue::Result&& result) {
              std::lock_guard guard(m_lock);
              m_results.push_back(std::move(result));
              m_delivered.notify_all();
          }) {
        auto maker = std::make_unique<FakeMaker>();
        maker->InitExtensions();
        m_maker = maker.get();
        CThumbnailProviderList makers;
        makers.push_back(std::move(maker));
        m_queue.SetProviders(std::move(makers));
        m_queue.SetVisibleRows(0, 9);
    }
    ~ThumbnailQueueTest() override { m_maker->Release(); }

    void Queue(int row, const std::string& name) {
        CProviderItem item;
        item.m_sName = name;
        item.m_sPath = "/pictures/" + name;
        m_queue.Queue(m_queue.GetGeneration(), row, static_cast<std::size_t>(100 + row), item);
    }
    // Waits for `count` results in all and returns them.
    std::vector<CThumbnailQueue::Result> WaitForResults(std::size_t count) {
        std::unique_lock lock(m_lock);
        m_delivered.wait_for(lock, std::chrono::seconds(30),
                             [&] { return m_results.size() >= count; });
        EXPECT_EQ(m_results.size(), count);
        std::vector<CThumbnailQueue::Result> copy;
        for (const auto& result : m_results)
            copy.push_back({result.generation, result.row, result.record, result.made, {}});
        return copy;
    }

    std::mutex m_lock;
    std::condition_variable m_delivered;
    std::vector<CThumbnailQueue::Result> m_results;
    FakeMaker* m_maker = nullptr;
    CThumbnailQueue m_queue;  // last: its worker stops before the rest goes
};

TEST_F(ThumbnailQueueTest, NewestRequestFirstAndOnlyWhileTheViewIsShown) {
    Queue(1, "one.jpg");
    Queue(2, "two.jpg");
    Queue(3, "three.jpg");
    Queue(1, "one.jpg");  // asked again: it moves to the head
    EXPECT_EQ(m_queue.GetQueuedCount(), 3u);
    m_queue.SetMaxSize(SIZE{96, 64});
    m_queue.SetActive(true);
    const auto results = WaitForResults(3);
    EXPECT_EQ(m_maker->Calls(), (std::vector<std::string>{"one.jpg", "three.jpg", "two.jpg"}));
    EXPECT_EQ(results[0].row, 1);
    EXPECT_EQ(results[0].record, 101u);
    EXPECT_TRUE(results[0].made);
    EXPECT_EQ(m_maker->MaxSize(), (SIZE{96, 64}));
    std::lock_guard guard(m_lock);
    EXPECT_EQ(m_results[0].bitmap.Row(0)[0], 0xFF112233u);  // made opaque
}

TEST_F(ThumbnailQueueTest, RowsOutOfViewStayPendingAndFailuresAreNotRetried) {
    m_queue.SetActive(true);
    m_maker->Hold("first.jpg");
    Queue(0, "first.jpg");
    ASSERT_TRUE(m_maker->WaitUntilMaking("first.jpg"));
    Queue(2, "bad.jpg");
    Queue(50, "far.jpg");   // out of view: dropped, not made
    Queue(3, "notes.txt");  // no maker supports it
    m_maker->Release();
    auto results = WaitForResults(3);
    EXPECT_EQ(m_maker->Calls(), (std::vector<std::string>{"first.jpg", "bad.jpg"}));
    EXPECT_EQ(results[1].row, 3);
    EXPECT_FALSE(results[1].made);
    EXPECT_EQ(results[2].row, 2);
    EXPECT_FALSE(results[2].made);
    EXPECT_EQ(m_queue.GetQueuedCount(), 0u);

    // The failed one is not tried again; the far one is made once in view.
    Queue(2, "bad.jpg");
    m_queue.SetVisibleRows(40, 60);
    Queue(50, "far.jpg");
    results = WaitForResults(4);
    EXPECT_EQ(results[3].row, 50);
    EXPECT_TRUE(results[3].made);
    EXPECT_EQ(m_maker->Calls(), (std::vector<std::string>{"first.jpg", "bad.jpg", "far.jpg"}));
}

TEST_F(ThumbnailQueueTest, AReleasedPictureIsMadeAgainAndAFailureNever) {
    Queue(1, "bad.jpg");
    Queue(0, "kept.jpg");
    m_queue.SetActive(true);
    WaitForResults(2);
    // Each round ends with a new marker asked first, so taken last.
    int markerRow = 5;
    const auto round = [&](const char* marker, std::size_t results) {
        m_queue.SetActive(false);
        Queue(markerRow++, marker);
        Queue(0, "kept.jpg");
        Queue(1, "bad.jpg");
        m_queue.SetActive(true);
        WaitForResults(results);
    };
    // Asked again while the window holds the picture: nothing is made.
    round("one.jpg", 3);
    // The window gave the picture up, and (wrongly) the failure too.
    m_queue.Release(m_queue.GetGeneration(), 100);
    m_queue.Release(m_queue.GetGeneration(), 101);
    round("two.jpg", 5);
    // A release of an earlier generation leaves the new one's records made.
    const std::uint64_t before = m_queue.GetGeneration();
    m_queue.Clear();
    round("three.jpg", 8);
    m_queue.Release(before, 100);
    round("four.jpg", 9);
    EXPECT_EQ(m_maker->Calls(),
              (std::vector<std::string>{"kept.jpg", "bad.jpg", "one.jpg", "kept.jpg", "two.jpg",
                                        "bad.jpg", "kept.jpg", "three.jpg", "four.jpg"}));
}

TEST_F(ThumbnailQueueTest, LeavingTheViewStopsAfterTheJobInHand) {
    m_maker->Hold("a.jpg");
    Queue(0, "b.jpg");
    Queue(1, "a.jpg");
    m_queue.SetActive(true);
    ASSERT_TRUE(m_maker->WaitUntilMaking("a.jpg"));
    m_queue.SetActive(false);
    m_maker->Release();
    WaitForResults(1);
    EXPECT_EQ(m_queue.GetQueuedCount(), 1u);  // b waits for the view
    m_queue.SetActive(true);
    const auto results = WaitForResults(2);
    EXPECT_EQ(results[1].row, 0);
    EXPECT_EQ(m_maker->Calls(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
}

TEST_F(ThumbnailQueueTest, ClearingDuringAJobWaitsForItAndMakesItStale) {
    // Both are queued before the worker may start, so the newer one is the
    // job in hand and the other waits.
    m_maker->Hold("running.jpg");
    Queue(0, "waiting.jpg");
    Queue(1, "running.jpg");
    m_queue.SetActive(true);
    ASSERT_TRUE(m_maker->WaitUntilMaking("running.jpg"));
    // The waiting request stays queued while the view is away.
    m_queue.SetActive(false);
    const std::uint64_t before = m_queue.GetGeneration();
    std::size_t deliveredAtReturn = 0;
    std::thread clearing([&] {
        m_queue.Clear();
        std::lock_guard guard(m_lock);
        deliveredAtReturn = m_results.size();
    });
    std::thread releasing([&] { m_maker->Release(); });
    clearing.join();
    releasing.join();
    // Clear came back only after the job in hand ended and delivered.
    EXPECT_EQ(deliveredAtReturn, 1u);
    const auto results = WaitForResults(1);
    EXPECT_EQ(m_queue.GetGeneration(), before + 1);
    EXPECT_EQ(m_queue.GetQueuedCount(), 0u);
    m_queue.SetActive(true);
    bool applied = false;
    EXPECT_FALSE(m_queue.ApplyIfCurrent(results[0], [&] { applied = true; }));
    EXPECT_FALSE(applied);

    // A request read in the old generation is dropped; a new one is made
    // even for a record made before the clear.
    m_queue.Queue(before, 0, 100, CProviderItem{"old.jpg", "/old.jpg", "", FALSE, FALSE});
    EXPECT_EQ(m_queue.GetQueuedCount(), 0u);
    Queue(1, "running.jpg");
    const auto again = WaitForResults(2);
    EXPECT_TRUE(m_queue.ApplyIfCurrent(again[1], [&] { applied = true; }));
    EXPECT_TRUE(applied);
}

}  // namespace
