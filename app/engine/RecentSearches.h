#pragma once
// The recent searches (oldest first) and the menu lists built from them and
// from the macros. Each list's menu items take the command ids of a fixed
// range, one id per entry, so a list never shows more entries than its
// range holds.

#include <cstddef>
#include <string>
#include <vector>

#include "app/engine/SearchData.h"

// The Recent Search items: 35000 plus the search's index.
constexpr int ID_RECENT_SEARCH_FIRST = 35000;
constexpr int ID_RECENT_SEARCH_LAST = 35100;
// The Macro menu's macro items: 36000 plus the macro's index.
constexpr int ID_MACRO_FIRST = 36000;
constexpr int ID_MACRO_LAST = 36100;
// How many entries a menu list can show.
constexpr std::size_t kMaxMenuListItems = ID_RECENT_SEARCH_LAST - ID_RECENT_SEARCH_FIRST + 1;
static_assert(ID_MACRO_LAST - ID_MACRO_FIRST + 1 == kMaxMenuListItems);

// Deletes the oldest searches (from the front) until at most `limit` are
// left; true when any went.
bool TrimRecentSearches(std::vector<CSearchData>& searches, int limit);

// Remembers `search` as the newest: an earlier search with the same place
// and names (compared exactly) goes, the new one is appended, and the oldest
// go while there are more than `limit` (0 keeps none) or more than the menu
// can show.
void AddRecentSearch(std::vector<CSearchData>& searches, const CSearchData& search, int limit);

// "Search %s in %s" with the names ("*" when empty; the first 20 characters
// and "..." when longer) and the place (its last part when longer than 20
// characters).
std::string RecentSearchMenuText(const CSearchData& search);
