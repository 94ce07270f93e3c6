#pragma once
// Helpers of the provider tests: items for files on disk and archive members,
// a provider's values as the list shows them, and thumbnail pixels.

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

#include "platform/BitmapImage.h"
#include "readers/details/ColumnInfo.h"
#include "readers/details/FileInfoProvider.h"
#include "support/TempHome.h"

namespace zbtest {

// A new temporary folder whose files get fresh numbered names.
class NumberedFiles {
public:
    explicit NumberedFiles(const std::string& hint) : m_dir(MakeTempDir(hint)) {}

    // Writes `bytes` to the next file, named its number and `suffix`; returns its path.
    std::string Write(const std::string& suffix, const std::string& bytes) {
        return WriteFile(m_dir + "/" + std::to_string(m_count++) + suffix, bytes);
    }
    const std::string& Dir() const { return m_dir; }

private:
    std::string m_dir;
    int m_count = 0;
};

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

// Whether every column of `expected` shows its text after a Load; the failure
// names each column that shows something else.
inline ::testing::AssertionResult Shows(
    CFileInfoProvider& provider, std::initializer_list<std::pair<int, std::string>> expected) {
    std::string wrong;
    for (const auto& [id, text] : expected) {
        const std::string shown = Shown(provider, id);
        if (shown != text)
            wrong += "column " + std::to_string(id) + " shows \"" + shown + "\", expected \"" +
                     text + "\"\n";
    }
    if (wrong.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << wrong;
}

// 0xRRGGBB of a thumbnail pixel.
inline std::uint32_t Rgb(const CBitmap& bitmap, int x, int y) {
    return bitmap.Row(y)[x] & 0xFFFFFFu;
}

}  // namespace zbtest
