#include "app/engine/RecentSearches.h"

#include <algorithm>

#include "platform/PathUtils.h"
#include "platform/StringTable.h"
#include "platform/TextCase.h"

namespace {

constexpr std::size_t kMenuPartChars = 20;

// The names as the menu shows them.
std::string MenuNames(const std::string& typed) {
    if (typed.empty())
        return "*";
    if (Utf8CharCount(typed) > kMenuPartChars)
        return std::string(Utf8Prefix(typed, kMenuPartChars)).append("...");
    return typed;
}

}  // namespace

bool TrimRecentSearches(std::vector<CSearchData>& searches, int limit) {
    const std::size_t keep = static_cast<std::size_t>(std::max(limit, 0));
    if (searches.size() <= keep)
        return false;
    searches.erase(searches.begin(),
                   searches.begin() + static_cast<std::ptrdiff_t>(searches.size() - keep));
    return true;
}

void AddRecentSearch(std::vector<CSearchData>& searches, const CSearchData& search, int limit) {
    const CFindMainData& added = search.m_MainData;
    const auto same = std::find_if(searches.begin(), searches.end(), [&](const CSearchData& old) {
        return old.m_MainData.m_sFindRootPath == added.m_sFindRootPath &&
               old.m_MainData.m_sFindString == added.m_sFindString;
    });
    if (same != searches.end())
        searches.erase(same);
    searches.push_back(search);
    TrimRecentSearches(searches, std::min(limit, static_cast<int>(kMaxMenuListItems)));
}

std::string RecentSearchMenuText(const CSearchData& search) {
    const std::string names = MenuNames(search.m_MainData.m_sFindString);
    std::string place = search.m_MainData.m_sFindRootPath;
    if (Utf8CharCount(place) > kMenuPartChars)
        place = GetFileNamePart(place.c_str());
    return FormatResourceString(IDS_RECENT_SEARCH, names, place);
}
