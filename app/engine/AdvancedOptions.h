#pragma once
// The program options the main window holds and keeps in the registry key
// HKEY_LOCAL_MACHINE\SOFTWARE\Zembrolt: the two list limits, the update check
// at start, the thumbnail size, sizes in bytes and the hot-key letter.

#include <cstdint>

#include "platform/Registry.h"
#include "platform/WinTypes.h"

class CAdvancedOptions {
public:
    virtual ~CAdvancedOptions() = default;

    // Reads the options from `key`. "Recent Search Limit Count" and "Search
    // Result Max Limit" are required (0 when either is missing); "Check newer
    // ver on start" defaults to 1 and "Display size in Bytes" to 0. "Max
    // Thumbnail Size" holds the width in its low and the height in its high 16
    // bits; the size is then made square: a width of 32, 48, 64, 96, 128 or 192
    // becomes the height too, any other width makes both 256. "Hot Key" holds
    // the letter in its low byte. A missing thumbnail size or hot key keeps
    // the value held before (first-run set-up writes both).
    BOOL Load(const CRegKey& key);
    // Writes the options in a fixed order and stops with 0 at the first value
    // that cannot be written.
    BOOL Save(CRegKey& key) const;

    // Makes the thumbnail size square as Load does.
    void SquareThumbnailSize();

    std::int32_t m_nRecentSearchLimit = 10;     // how many recent searches are kept
    std::int32_t m_nSearchResultLimit = 10000;  // the search stops at this many rows
    BOOL m_bCheckNewerVersion = TRUE;           // run the update check at start
    std::int32_t m_nThumbnailWidth = 128;
    std::int32_t m_nThumbnailHeight = 128;
    BOOL m_bSizeInBytes = FALSE;  // sizes shown as bytes instead of KB
    BYTE m_cHotKey = 'F';         // with the Windows key starts the program; 0 for none
};
