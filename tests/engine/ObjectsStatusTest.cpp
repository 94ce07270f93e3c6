#include "app/engine/ObjectsStatus.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void AppendSized(CResultArray& results, std::uint64_t size) {
    CResultItem record;
    record.m_nSize = size;
    results.Append(std::move(record));
}

}  // namespace

TEST(ObjectsStatusTest, CountsSelectedRowsThroughTheRowMap) {
    CResultArray results;
    AppendSized(results, 1024);
    AppendSized(results, 3000);
    AppendSized(results, static_cast<std::uint64_t>(-1));  // unknown size
    // Rows shown in another order than the records were found.
    const std::vector<DWORD> rows{2, 0, 1};

    EXPECT_EQ(ObjectsStatusText(results, rows, {}), "3 Objects  4KB");
    const std::vector<std::size_t> second{1};
    EXPECT_EQ(ObjectsStatusText(results, rows, second), "1 Objects  1KB");
    const std::vector<std::size_t> unknown{0};
    EXPECT_EQ(ObjectsStatusText(results, rows, unknown), "1 Objects  0KB");
    // A row the map does not hold counts but adds no size.
    const std::vector<std::size_t> outside{2, 7};
    EXPECT_EQ(ObjectsStatusText(results, rows, outside), "2 Objects  3KB");
}

TEST(ObjectsStatusTest, RecordsWhoseRowsLeftCountNoMore) {
    CResultArray results;
    AppendSized(results, 1024);
    AppendSized(results, 5 * 1024);  // deleted: its row left the list
    AppendSized(results, 2048);
    const std::vector<DWORD> rows{0, 2};
    EXPECT_EQ(ObjectsStatusText(results, rows, {}), "2 Objects  3KB");
}

TEST(ObjectsStatusTest, EmptyListAndMegabytes) {
    CResultArray results;
    EXPECT_EQ(ObjectsStatusText(results, {}, {}), "0 Objects");
    AppendSized(results, 3 * 1048576 + 524288);
    const std::vector<DWORD> rows{0};
    EXPECT_EQ(ObjectsStatusText(results, rows, {}), "1 Objects  3.50MB");
}

TEST(ObjectsStatusTest, TheSearchsRowsAreItsRecords) {
    CResultArray results;
    EXPECT_EQ(ObjectsStatusText(results), "0 Objects");
    AppendSized(results, 1024);
    AppendSized(results, static_cast<std::uint64_t>(-1));  // unknown size
    EXPECT_EQ(ObjectsStatusText(results), "2 Objects  1KB");
    AppendSized(results, 2048);
    EXPECT_EQ(ObjectsStatusText(results), "3 Objects  3KB");
}
