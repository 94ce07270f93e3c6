#pragma once
// Helpers of the provider tests: items for files on disk and archive members,
// a provider's values as the list shows them, and thumbnail pixels.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/BitmapImage.h"
#include "readers/details/ColumnInfo.h"
#include "readers/details/FileInfoProvider.h"

namespace zbtest {

// An item for the file at `path` on disk.
inline CProviderItem DiskItem(const std::string& path) {
    CProviderItem item;
    item.m_sName = path.substr(path.rfind('/') + 1);
    item.m_sPath = path;
    return item;
}

// An item for member `inner` ("\" separated) of the archive at `archive`.
inline CProviderItem MemberItem(const std::string& archive, const std::string& inner) {
    CProviderItem item;
    item.m_sName = inner.substr(inner.rfind('\\') + 1);
    item.m_sPath = archive;
    item.m_sInnerPath = inner;
    item.m_bInArchive = TRUE;
    return item;
}

// The text the list shows for column `id` after a Load; "<none>" when the
// provider delivers no value.
inline std::string Shown(CFileInfoProvider& provider, int id) {
    COLUMNVALUE value;
    if (!provider.GetValue(id, &value))
        return "<none>";
    const COLUMNINFO* row = GetColumnInfo(id);
    return row != nullptr ? FormatColumnValue(value, *row) : "<no row>";
}

// 0xRRGGBB of a thumbnail pixel.
inline std::uint32_t Rgb(const CBitmap& bitmap, int x, int y) {
    return bitmap.Row(y)[x] & 0xFFFFFFu;
}

}  // namespace zbtest
