#include "app/engine/ComboHistory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

using Item = CComboHistory::Item;

std::string Numbered(const char* prefix, int i) {
    std::string text = prefix;
    text += std::to_string(i);
    return text;
}

void Use(CComboHistory& box, const std::string& text) {
    box.SetText(text);
    box.UpdateComboHistoryScores();
    box.AddComboHistoryItem();
}

std::vector<std::uint8_t> Save(const CComboHistory& box) {
    std::vector<std::uint8_t> bytes;
    CArchive ar(bytes);
    box.SaveComboHistory(ar);
    return bytes;
}

TEST(ComboHistory, NewEntriesAreAppendedWithTheStartScore) {
    CComboHistory box;
    box.SetText("  zeta  ");
    box.AddComboHistoryItem();
    box.SetText("alpha");
    box.AddComboHistoryItem();
    // Unsorted: list order is the order of adding.
    EXPECT_EQ(box.GetItems(), (std::vector<Item>{{"zeta", 1000000}, {"alpha", 1000000}}));
}

TEST(ComboHistory, BlankOrKnownTextAddsNothing) {
    CComboHistory box;
    box.SetText(" \t ");
    box.AddComboHistoryItem();
    EXPECT_TRUE(box.GetItems().empty());

    box.SetText("Report");
    box.AddComboHistoryItem();
    box.SetText("report");
    box.AddComboHistoryItem();
    box.SetText(" REPORT ");
    box.AddComboHistoryItem();
    box.SetText("\xC3\x84rger");  // Ärger
    box.AddComboHistoryItem();
    box.SetText("\xC3\xA4rger");  // ärger
    box.AddComboHistoryItem();
    EXPECT_EQ(box.GetItems(), (std::vector<Item>{{"Report", 1000000}, {"\xC3\x84rger", 1000000}}));
}

TEST(ComboHistory, UseAgesEveryEntryAndRewardsReuse) {
    CComboHistory box;
    Use(box, "a");  // a 1000000
    Use(box, "b");  // a 999999, b 1000000
    Use(box, "A");  // a 999998 + 100, b 999999
    EXPECT_EQ(box.GetItems(), (std::vector<Item>{{"a", 1000098}, {"b", 999999}}));
}

TEST(ComboHistory, OnlyPositiveScoresAge) {
    std::vector<std::uint8_t> bytes;
    {
        CArchive ar(bytes);
        ar << std::int32_t{3} << std::string("zero") << std::int32_t{0} << std::string("neg")
           << std::int32_t{-5} << std::string("one") << std::int32_t{1};
    }
    CComboHistory box;
    CArchive in(bytes.data(), bytes.size());
    ASSERT_EQ(box.LoadComboHistory(in), TRUE);
    box.SetText("unknown");
    box.UpdateComboHistoryScores();
    EXPECT_EQ(box.GetItems(), (std::vector<Item>{{"zero", 0}, {"neg", -5}, {"one", 0}}));
}

TEST(ComboHistory, ReuseSaturatesAtTheLargestScore) {
    std::vector<std::uint8_t> bytes;
    {
        CArchive ar(bytes);
        ar << std::int32_t{1} << std::string("x") << std::numeric_limits<std::int32_t>::max();
    }
    CComboHistory box;
    CArchive in(bytes.data(), bytes.size());
    box.LoadComboHistory(in);
    box.SetText("x");
    box.UpdateComboHistoryScores();
    EXPECT_EQ(box.GetItems().front().score, std::numeric_limits<std::int32_t>::max());
}

TEST(ComboHistory, FullListLosesItsLowestScoredEntry) {
    CComboHistory box;
    for (int i = 0; i < 100; ++i)
        Use(box, Numbered("item", i));
    ASSERT_EQ(box.GetItems().size(), 100u);
    // item0 was aged most; reuse it so that item1 becomes the lowest.
    Use(box, "item0");
    Use(box, "new");
    ASSERT_EQ(box.GetItems().size(), 100u);
    EXPECT_EQ(box.GetItems().front().text, "item0");
    EXPECT_EQ(box.GetItems()[1].text, "item2");
    EXPECT_EQ(box.GetItems().back(), (Item{"new", 1000000}));
}

TEST(ComboHistory, FirstOfEqualLowestScoresIsDropped) {
    std::vector<std::uint8_t> bytes;
    {
        CArchive ar(bytes);
        ar << std::int32_t{100};
        for (int i = 0; i < 100; ++i) {
            const std::int32_t score = (i == 40 || i == 70) ? 5 : 1000 + i;
            ar << Numbered("e", i) << score;
        }
    }
    CComboHistory box;
    CArchive in(bytes.data(), bytes.size());
    ASSERT_EQ(box.LoadComboHistory(in), TRUE);
    box.SetText("fresh");
    box.AddComboHistoryItem();
    ASSERT_EQ(box.GetItems().size(), 100u);
    EXPECT_EQ(box.FindStringExact("e40"), -1);
    EXPECT_EQ(box.FindStringExact("e70"), 69);
    EXPECT_EQ(box.GetItems().back().text, "fresh");
}

TEST(ComboHistory, SaveWritesCountThenTextAndScorePairs) {
    CComboHistory box;
    Use(box, "ab");
    Use(box, "c");
    std::vector<std::uint8_t> expected = {2, 0, 0, 0, 2, 'a', 'b'};
    const std::int32_t scoreAb = 999999;
    const std::int32_t scoreC = 1000000;
    for (int i = 0; i < 4; ++i)
        expected.push_back(static_cast<std::uint8_t>(scoreAb >> (8 * i)));
    expected.insert(expected.end(), {1, 'c'});
    for (int i = 0; i < 4; ++i)
        expected.push_back(static_cast<std::uint8_t>(scoreC >> (8 * i)));
    EXPECT_EQ(Save(box), expected);
}

TEST(ComboHistory, LoadRestoresTheSavedList) {
    CComboHistory box;
    for (const char* text : {"one", "two", "three", "two"})
        Use(box, text);
    const std::vector<std::uint8_t> bytes = Save(box);

    CComboHistory loaded;
    Use(loaded, "replaced");
    CArchive in(bytes.data(), bytes.size());
    EXPECT_EQ(loaded.LoadComboHistory(in), TRUE);
    EXPECT_EQ(loaded.GetItems(), box.GetItems());
    EXPECT_EQ(in.BytesLeft(), 0u);
}

TEST(ComboHistory, CountOutOfRangeReadsNothingMore) {
    for (const std::int32_t count : {-1, 0x8000, std::numeric_limits<std::int32_t>::min()}) {
        std::vector<std::uint8_t> bytes;
        {
            CArchive ar(bytes);
            ar << count << std::string("next item of the file");
        }
        CComboHistory box;
        Use(box, "kept?");
        CArchive in(bytes.data(), bytes.size());
        EXPECT_EQ(box.LoadComboHistory(in), FALSE);
        EXPECT_TRUE(box.GetItems().empty());
        EXPECT_EQ(in.GetPosition(), 4u);
    }
}

TEST(ComboHistory, CountLimitsAreInclusive) {
    std::vector<std::uint8_t> empty;
    {
        CArchive ar(empty);
        ar << std::int32_t{0};
    }
    CComboHistory box;
    CArchive in(empty.data(), empty.size());
    EXPECT_EQ(box.LoadComboHistory(in), TRUE);
    EXPECT_TRUE(box.GetItems().empty());

    std::vector<std::uint8_t> full;
    {
        CArchive ar(full);
        ar << std::int32_t{0x7FFF};
        for (int i = 0; i < 0x7FFF; ++i)
            ar << std::string("x") << std::int32_t{i};
    }
    CArchive fullIn(full.data(), full.size());
    EXPECT_EQ(box.LoadComboHistory(fullIn), TRUE);
    EXPECT_EQ(box.GetItems().size(), 0x7FFFu);
}

TEST(ComboHistory, TruncatedArchiveThrowsAndLeavesTheListEmpty) {
    CComboHistory box;
    Use(box, "alpha");
    Use(box, "beta");
    const std::vector<std::uint8_t> bytes = Save(box);
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        CComboHistory loaded;
        Use(loaded, "old");
        CArchive in(bytes.data(), size);
        EXPECT_THROW(loaded.LoadComboHistory(in), CArchiveException) << "size " << size;
        EXPECT_TRUE(loaded.GetItems().empty());
    }
}

}  // namespace
