#pragma once
// The Option dialog's value mappings, and what the "Option" command does with
// the values after OK: the thumbnail pictures made again at a new size, the
// options stored, the hot-key watcher restarted for a new letter, and the
// recent searches trimmed to a lower limit.

#include <vector>

#include "app/engine/AdvancedOptions.h"
#include "app/engine/SearchData.h"
#include "platform/WinTypes.h"

// The thumbnail sizes the dialog offers, by list index: 32, 48, 64, 96, 128,
// 192 and 256 pixels.
constexpr int kThumbnailSizeCount = 7;
// The list index of a thumbnail width; a width not offered selects 128 (4).
int ThumbnailSizeIndex(int width);
// The size of a list index; an index out of the list gives 128.
int ThumbnailSizeOfIndex(int index);

// The hot-key list: "Disabled", then "Win + A" to "Win + Z".
constexpr int kHotKeyEntryCount = 27;
// The list entry of a letter: 0 for 0, 1 to 26 for 'A' to 'Z'. Any other
// letter is first replaced by 'F' (in `letter`) and selects F's entry.
int HotKeyEntryOfLetter(BYTE& letter);
// The letter of a list entry: 0 for entry 0, 64 + n for entry n.
BYTE HotKeyLetterOfEntry(int entry);

// Deletes the oldest recent searches (from the front) until at most `limit`
// are left; true when any went.
bool TrimRecentSearches(std::vector<CSearchData>& searches, int limit);

// The main window's side of the command.
class IOptionTarget {
public:
    virtual ~IOptionTarget() = default;
    // Whether the result list shows thumbnails.
    virtual bool IsThumbnailViewShown() const = 0;
    // Frees every row's thumbnail once the thumbnail worker has finished with
    // it, so the rows are made again, and sets the thumbnail view up for
    // pictures of the new size.
    virtual void RemakeThumbnails(int width, int height) = 0;
    // Writes the registry settings.
    virtual BOOL SaveSettings() = 0;
    // Closes a running hot-key watcher and, unless `letter` is 0, starts one.
    virtual void RestartHotKeyProgram(BYTE letter) = 0;
    // The recent searches, oldest first.
    virtual std::vector<CSearchData>& RecentSearches() = 0;
};

// Applies the values the dialog returned (`chosen`) to `options` and the window.
void ApplyOptionChanges(const CAdvancedOptions& chosen, CAdvancedOptions& options,
                        IOptionTarget& target);
