#include "app/engine/AdvancedOptions.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr const char* kRecentSearchLimit = "Recent Search Limit Count";
constexpr const char* kSearchResultLimit = "Search Result Max Limit";
constexpr const char* kCheckNewerVersion = "Check newer ver on start";
constexpr const char* kSizeInBytes = "Display size in Bytes";
constexpr const char* kMaxThumbnailSize = "Max Thumbnail Size";
constexpr const char* kHotKey = "Hot Key";

// The thumbnail sizes offered; any other stored width becomes 256.
constexpr std::array<std::int32_t, 6> kSquareSizes = {32, 48, 64, 96, 128, 192};
constexpr std::int32_t kFallbackThumbnailSize = 256;

}  // namespace

BOOL CAdvancedOptions::Load(const CRegKey& key) {
    DWORD value = 0;
    if (key.QueryDWORD(kRecentSearchLimit, value) != ERROR_SUCCESS)
        return FALSE;
    m_nRecentSearchLimit = static_cast<std::int32_t>(value);
    if (key.QueryDWORD(kSearchResultLimit, value) != ERROR_SUCCESS)
        return FALSE;
    m_nSearchResultLimit = static_cast<std::int32_t>(value);

    m_bCheckNewerVersion =
        key.QueryDWORD(kCheckNewerVersion, value) == ERROR_SUCCESS ? static_cast<BOOL>(value) : 1;
    m_bSizeInBytes =
        key.QueryDWORD(kSizeInBytes, value) == ERROR_SUCCESS ? static_cast<BOOL>(value) : 0;

    if (key.QueryDWORD(kMaxThumbnailSize, value) == ERROR_SUCCESS) {
        m_nThumbnailWidth = static_cast<std::int32_t>(value & 0xFFFFu);
        m_nThumbnailHeight = static_cast<std::int32_t>(value >> 16);
    }
    SquareThumbnailSize();

    if (key.QueryDWORD(kHotKey, value) == ERROR_SUCCESS)
        m_cHotKey = static_cast<BYTE>(value & 0xFFu);
    return TRUE;
}

void CAdvancedOptions::SquareThumbnailSize() {
    if (std::find(kSquareSizes.begin(), kSquareSizes.end(), m_nThumbnailWidth) !=
        kSquareSizes.end()) {
        m_nThumbnailHeight = m_nThumbnailWidth;
    } else {
        m_nThumbnailWidth = kFallbackThumbnailSize;
        m_nThumbnailHeight = kFallbackThumbnailSize;
    }
}

BOOL CAdvancedOptions::Save(CRegKey& key) const {
    const DWORD thumbnailSize = static_cast<DWORD>(m_nThumbnailHeight) << 16 |
                                (static_cast<DWORD>(m_nThumbnailWidth) & 0xFFFFu);
    const std::array<std::pair<const char*, DWORD>, 6> values = {{
        {kRecentSearchLimit, static_cast<DWORD>(m_nRecentSearchLimit)},
        {kSearchResultLimit, static_cast<DWORD>(m_nSearchResultLimit)},
        {kCheckNewerVersion, static_cast<DWORD>(m_bCheckNewerVersion)},
        {kSizeInBytes, static_cast<DWORD>(m_bSizeInBytes)},
        {kHotKey, static_cast<DWORD>(m_cHotKey)},
        {kMaxThumbnailSize, thumbnailSize},
    }};
    for (const auto& [name, value] : values) {
        if (key.SetDWORD(name, value) != ERROR_SUCCESS)
            return FALSE;
    }
    return TRUE;
}
