#pragma once
// What the provider tests hand to providers and read of their pictures.

#include <cstdint>
#include <string>

#include "platform/BitmapImage.h"
#include "readers/details/ProviderItem.h"

namespace zbtest {

// A file on disk as a provider sees the record of it.
inline CProviderItem DiskItem(const std::string& path) {
    CProviderItem item;
    item.m_sName = path.substr(path.rfind('/') + 1);
    item.m_sPath = path;
    return item;
}

// 0xRRGGBB of a thumbnail pixel.
inline std::uint32_t Rgb(const CBitmap& bitmap, int x, int y) {
    return bitmap.Row(y)[x] & 0xFFFFFFu;
}

}  // namespace zbtest
