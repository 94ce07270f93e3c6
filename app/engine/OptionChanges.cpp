#include "app/engine/OptionChanges.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<int, kThumbnailSizeCount> kThumbnailSizes = {32, 48, 64, 96, 128, 192, 256};
constexpr int kDefaultThumbnailIndex = 4;

}  // namespace

int ThumbnailSizeIndex(int width) {
    for (int i = 0; i < kThumbnailSizeCount; ++i) {
        if (kThumbnailSizes[static_cast<std::size_t>(i)] == width)
            return i;
    }
    return kDefaultThumbnailIndex;
}

int ThumbnailSizeOfIndex(int index) {
    if (index < 0 || index >= kThumbnailSizeCount)
        index = kDefaultThumbnailIndex;
    return kThumbnailSizes[static_cast<std::size_t>(index)];
}

int HotKeyEntryOfLetter(BYTE& letter) {
    if (letter == 0)
        return 0;
    if (letter < 'A' || letter > 'Z')
        letter = 'F';
    return letter - 'A' + 1;
}

BYTE HotKeyLetterOfEntry(int entry) {
    return entry <= 0 || entry >= kHotKeyEntryCount ? BYTE{0} : static_cast<BYTE>(64 + entry);
}

bool TrimRecentSearches(std::vector<CSearchData>& searches, int limit) {
    const std::size_t keep = static_cast<std::size_t>(std::max(limit, 0));
    if (searches.size() <= keep)
        return false;
    searches.erase(searches.begin(),
                   searches.begin() + static_cast<std::ptrdiff_t>(searches.size() - keep));
    return true;
}

void ApplyOptionChanges(const CAdvancedOptions& chosen, CAdvancedOptions& options,
                        IOptionTarget& target) {
    if (target.IsThumbnailViewShown() && (chosen.m_nThumbnailWidth != options.m_nThumbnailWidth ||
                                          chosen.m_nThumbnailHeight != options.m_nThumbnailHeight))
        target.RemakeThumbnails(chosen.m_nThumbnailWidth, chosen.m_nThumbnailHeight);

    const BYTE oldLetter = options.m_cHotKey;
    options = chosen;

    // The watcher reads the letter from the registry, so it is saved first.
    if (options.m_cHotKey != oldLetter) {
        target.SaveSettings();
        target.RestartHotKeyProgram(options.m_cHotKey);
    }

    TrimRecentSearches(target.RecentSearches(), options.m_nRecentSearchLimit);
}
