#include "app/engine/RecentSearches.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

CSearchData Search(const std::string& names, const std::string& place, int depth = 5) {
    CSearchData search;
    search.Reset();
    search.m_MainData.m_sFindString = names;
    search.m_MainData.m_sFindRootPath = place;
    search.m_GeneralOptionData.m_nSearchDepth = depth;
    return search;
}

std::vector<std::string> Names(const std::vector<CSearchData>& searches) {
    std::vector<std::string> names;
    for (const CSearchData& search : searches)
        names.push_back(search.m_MainData.m_sFindString + " in " +
                        search.m_MainData.m_sFindRootPath);
    return names;
}

TEST(RecentSearches, TheSameSearchAgainBecomesTheNewest) {
    std::vector<CSearchData> recent;
    AddRecentSearch(recent, Search("*.txt", "/data", 1), 10);
    AddRecentSearch(recent, Search("*.doc", "/data"), 10);
    AddRecentSearch(recent, Search("*.txt", "/data", 2), 10);
    ASSERT_EQ(Names(recent), (std::vector<std::string>{"*.doc in /data", "*.txt in /data"}));
    // The new copy replaces the old one, criteria and all.
    EXPECT_EQ(recent.back().m_GeneralOptionData.m_nSearchDepth, 2);
    // Names and places compare exactly, case and all.
    AddRecentSearch(recent, Search("*.TXT", "/data"), 10);
    AddRecentSearch(recent, Search("*.txt", "/Data"), 10);
    EXPECT_EQ(Names(recent), (std::vector<std::string>{"*.doc in /data", "*.txt in /data",
                                                       "*.TXT in /data", "*.txt in /Data"}));
}

TEST(RecentSearches, TheLimitDropsTheOldest) {
    std::vector<CSearchData> recent;
    for (const char* names : {"a", "b", "c", "d"})
        AddRecentSearch(recent, Search(names, "/"), 3);
    EXPECT_EQ(Names(recent), (std::vector<std::string>{"b in /", "c in /", "d in /"}));
    AddRecentSearch(recent, Search("e", "/"), 0);
    EXPECT_TRUE(recent.empty());
    AddRecentSearch(recent, Search("e", "/"), -4);
    EXPECT_TRUE(recent.empty());
}

TEST(RecentSearches, NeverMoreThanTheMenuCanShow) {
    std::vector<CSearchData> recent;
    for (int i = 0; i < 150; ++i)
        AddRecentSearch(recent, Search(std::to_string(i), "/"), 1000);
    ASSERT_EQ(recent.size(), kMaxMenuListItems);
    EXPECT_EQ(recent.back().m_MainData.m_sFindString, "149");
    EXPECT_EQ(ID_RECENT_SEARCH_FIRST + static_cast<int>(recent.size()) - 1, ID_RECENT_SEARCH_LAST);
}

TEST(RecentSearches, MenuText) {
    EXPECT_EQ(RecentSearchMenuText(Search("*.txt", "/home/me")), "Search *.txt in /home/me");
    EXPECT_EQ(RecentSearchMenuText(Search("", "/home/someone/projects/reports")),
              "Search * in reports");
    // Exactly 20 characters stay whole.
    EXPECT_EQ(RecentSearchMenuText(Search("12345678901234567890", "/twenty/characters/x")),
              "Search 12345678901234567890 in /twenty/characters/x");
    EXPECT_EQ(RecentSearchMenuText(Search("*.txt;*.doc;*.pdf;*.htm", "/")),
              "Search *.txt;*.doc;*.pdf;*.... in /");
    // Characters, not bytes: 25 two-byte letters give 20 of them.
    std::string umlauts;
    for (int i = 0; i < 25; ++i)
        umlauts += "\xC3\xA4";
    const std::string twenty = umlauts.substr(0, 40);
    EXPECT_EQ(RecentSearchMenuText(Search(umlauts, "/")), "Search " + twenty + "... in /");
    // A place of 20 characters in two-byte letters is no longer than 20.
    std::string place = twenty.substr(2);
    place.insert(place.begin(), '/');
    EXPECT_EQ(RecentSearchMenuText(Search("x", place)), "Search x in " + place);
}

}  // namespace
