#include "app/engine/OptionChanges.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/engine/HotKeyWatcherControl.h"

namespace {

TEST(OptionValuesTest, ThumbnailWidthsSelectTheirEntryAndOthers128) {
    const int widths[] = {32, 48, 64, 96, 128, 192, 256};
    for (int i = 0; i < kThumbnailSizeCount; ++i) {
        EXPECT_EQ(ThumbnailSizeIndex(widths[i]), i);
        EXPECT_EQ(ThumbnailSizeOfIndex(i), widths[i]);
    }
    EXPECT_EQ(ThumbnailSizeIndex(100), 4);
    EXPECT_EQ(ThumbnailSizeOfIndex(-1), 128);
    EXPECT_EQ(ThumbnailSizeOfIndex(7), 128);
}

TEST(OptionValuesTest, HotKeyEntriesAndLetters) {
    BYTE letter = 0;
    EXPECT_EQ(HotKeyEntryOfLetter(letter), 0);
    letter = 'A';
    EXPECT_EQ(HotKeyEntryOfLetter(letter), 1);
    letter = 'Z';
    EXPECT_EQ(HotKeyEntryOfLetter(letter), 26);
    for (const BYTE other : {BYTE{'5'}, BYTE{'f'}, BYTE{0xFF}}) {
        letter = other;
        EXPECT_EQ(HotKeyEntryOfLetter(letter), 6);
        EXPECT_EQ(letter, 'F');
    }
    EXPECT_EQ(HotKeyLetterOfEntry(0), 0);
    EXPECT_EQ(HotKeyLetterOfEntry(1), 'A');
    EXPECT_EQ(HotKeyLetterOfEntry(26), 'Z');
}

// Records what the command asks of the window.
class FakeTarget : public IOptionTarget {
public:
    bool IsThumbnailViewShown() const override { return thumbnails; }
    void RemakeThumbnails(int width, int height) override {
        calls.push_back("remake " + std::to_string(width) + "x" + std::to_string(height));
    }
    BOOL SaveSettings() override {
        calls.push_back("save");
        return TRUE;
    }
    void RestartHotKeyProgram(BYTE letter) override {
        calls.push_back("restart " + std::to_string(letter));
    }
    std::vector<CSearchData>& RecentSearches() override { return recent; }

    bool thumbnails = false;
    std::vector<std::string> calls;
    std::vector<CSearchData> recent;
};

TEST(ApplyOptionChangesTest, ThumbnailsAreMadeAgainOnlyInTheirViewAndAtANewSize) {
    CAdvancedOptions options;
    CAdvancedOptions chosen = options;
    FakeTarget target;
    chosen.m_nThumbnailWidth = chosen.m_nThumbnailHeight = 64;
    ApplyOptionChanges(chosen, options, target);
    EXPECT_TRUE(target.calls.empty());
    EXPECT_EQ(options.m_nThumbnailWidth, 64);

    target.thumbnails = true;
    ApplyOptionChanges(chosen, options, target);
    EXPECT_TRUE(target.calls.empty());
    chosen.m_nThumbnailWidth = chosen.m_nThumbnailHeight = 192;
    ApplyOptionChanges(chosen, options, target);
    EXPECT_EQ(target.calls, std::vector<std::string>{"remake 192x192"});
    EXPECT_EQ(options.m_nThumbnailHeight, 192);
}

TEST(ApplyOptionChangesTest, ANewLetterIsSavedBeforeTheWatcherRestarts) {
    CAdvancedOptions options;
    CAdvancedOptions chosen = options;
    chosen.m_nSearchResultLimit = 5000;
    FakeTarget target;
    ApplyOptionChanges(chosen, options, target);
    EXPECT_TRUE(target.calls.empty());
    EXPECT_EQ(options.m_nSearchResultLimit, 5000);

    chosen.m_cHotKey = 0;
    ApplyOptionChanges(chosen, options, target);
    EXPECT_EQ(target.calls, (std::vector<std::string>{"save", "restart 0"}));
    EXPECT_EQ(options.m_cHotKey, 0);
}

TEST(ApplyOptionChangesTest, LoweringTheRecentLimitKeepsTheNewest) {
    CAdvancedOptions options;
    CAdvancedOptions chosen = options;
    FakeTarget target;
    for (int i = 0; i < 10; ++i) {
        CSearchData search;
        search.m_MainData.m_sFindString = "search " + std::to_string(i);
        target.recent.push_back(search);
    }
    chosen.m_nRecentSearchLimit = 3;
    ApplyOptionChanges(chosen, options, target);
    ASSERT_EQ(target.recent.size(), 3u);
    EXPECT_EQ(target.recent[0].m_MainData.m_sFindString, "search 7");
    EXPECT_EQ(target.recent[2].m_MainData.m_sFindString, "search 9");
    chosen.m_nRecentSearchLimit = 0;
    ApplyOptionChanges(chosen, options, target);
    EXPECT_TRUE(target.recent.empty());
}

// A watcher that goes after `closesAfter` checks once asked to close (never
// with -1), and the record of what was done to it.
class FakeWatcher : public IHotKeyWatcherControl {
public:
    bool IsWatcherRunning() override {
        ++checks;
        if (closeAsked && closesAfter >= 0 && checks > closesAfter)
            running = false;
        return running;
    }
    void CloseWatcher() override {
        calls.push_back("close");
        closeAsked = true;
        checks = 0;
    }
    void Sleep(int milliseconds) override { slept += milliseconds; }
    bool StartWatcher() override {
        calls.push_back("start");
        running = true;
        return true;
    }

    bool running = true;
    int closesAfter = 2;
    bool closeAsked = false;
    int checks = 0;
    int slept = 0;
    std::vector<std::string> calls;
};

TEST(RestartHotKeyProgramTest, DisabledClosesTheWatcherAndStartsNone) {
    FakeWatcher watcher;
    RestartHotKeyProgram(0, watcher);
    EXPECT_EQ(watcher.calls, std::vector<std::string>{"close"});
    EXPECT_FALSE(watcher.running);
    EXPECT_EQ(watcher.slept, 300);
}

TEST(RestartHotKeyProgramTest, ANewLetterClosesThenStarts) {
    FakeWatcher watcher;
    RestartHotKeyProgram('G', watcher);
    EXPECT_EQ(watcher.calls, (std::vector<std::string>{"close", "start"}));

    FakeWatcher none;
    none.running = false;
    RestartHotKeyProgram('G', none);
    EXPECT_EQ(none.calls, std::vector<std::string>{"start"});
}

TEST(RestartHotKeyProgramTest, AWatcherThatWillNotCloseIsWaitedForThenLeft) {
    FakeWatcher watcher;
    watcher.closesAfter = -1;
    RestartHotKeyProgram('G', watcher);
    EXPECT_EQ(watcher.calls, (std::vector<std::string>{"close", "start"}));
    EXPECT_EQ(watcher.slept, 2100);
}

}  // namespace
