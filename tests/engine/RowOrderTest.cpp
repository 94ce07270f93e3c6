#include "app/engine/RowOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

COLUMNINFO Column(int id) {
    return *GetColumnInfo(id);
}

// Names that share long beginnings, differ only in case or only beyond
// eight or sixteen bytes, repeat exactly, hold characters beyond ASCII (whose
// lower-cased forms differ in length) or are empty.
const std::vector<std::string> kNames = {"zstd_compress_literals.c",
                                         "zstd_compress_literals.h",
                                         "ZSTD_compress.c",
                                         "zstd_compress",
                                         "Makefile",
                                         "makefile",
                                         "MAKEFILE",
                                         "Makefile.am",
                                         "a",
                                         "A",
                                         "",
                                         "ab",
                                         "Äpfel.txt",
                                         "äpfel.txt",
                                         "Äpfel.txz",
                                         "straße",
                                         "STRASSE",
                                         "İstanbul",
                                         "istanbul",
                                         "K.txt",
                                         "\xE2\x84\xAA.txt",
                                         "abcdefgh",
                                         "abcdefghi",
                                         "abcdefgh-",
                                         "abcdefghijklmnopq",
                                         "abcdefghijklmnopQ",
                                         "abcdefghijklmnop",
                                         "bad\xFF"
                                         "byte"};

// Records of random names, folders, sizes and times; every fifth a folder.
std::shared_ptr<CResultArray> MakeRecords(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    auto results = std::make_shared<CResultArray>();
    for (std::size_t i = 0; i < count; ++i) {
        CResultItem record;
        record.m_sName = kNames[random() % kNames.size()];
        record.m_sFolder = "/data/" + kNames[random() % kNames.size()];
        record.m_sTypeName = random() % 2 ? "Text" : "text document";
        record.m_nSize = random() % 7 == 0 ? static_cast<std::uint64_t>(-1) : random() % 5000;
        record.m_ftLastWrite = FILETIME::FromValue(random() % 40);
        record.m_dwAttributes = random() % 64;
        record.m_dwFlags = random() % 5 == 0 ? RIF_FOLDER : 0;
        results->Append(std::move(record));
    }
    return results;
}

TEST(RowOrderTest, EveryColumnSortsAsTheComparisonOrdersStably) {
    // Enough rows that the sort splits them between threads.
    const auto results = MakeRecords(70000, 7);
    std::vector<DWORD> rows(results->GetCount());
    std::iota(rows.begin(), rows.end(), 0u);
    std::shuffle(rows.begin(), rows.end(), std::mt19937(3));
    for (const int id : {COLUMN_ID_NAME, COLUMN_ID_LOCATION, COLUMN_ID_TYPE, COLUMN_ID_SIZE,
                         COLUMN_ID_LAST_WRITE_TIME, COLUMN_ID_ATTRIBUTE}) {
        const COLUMNINFO info = Column(id);
        // What a plain stable sort by the comparison gives.
        std::vector<std::uint32_t> expected(rows.size());
        std::iota(expected.begin(), expected.end(), 0u);
        std::stable_sort(expected.begin(), expected.end(), [&](std::uint32_t x, std::uint32_t y) {
            return CompareResultRecords(results->GetAt(rows[x]), results->GetAt(rows[y]), info,
                                        -1) < 0;
        });
        for (const unsigned threads : {1u, 4u}) {
            SCOPED_TRACE(std::to_string(id) + " on " + std::to_string(threads) + " threads");
            EXPECT_EQ(SortRowOrder(*results, rows, info, -1, threads), expected);
        }
    }
}

TEST(RowOrderTest, DetailColumnsSortByTheirValues) {
    auto results = std::make_shared<CResultArray>();
    for (const int value : {3, -1, 2, 3, -1, 1}) {
        CResultItem record;
        record.m_arrValues.resize(1);
        if (value >= 0) {
            record.m_arrValues[0].SetUInt32(static_cast<std::uint32_t>(value));
            record.m_arrValues[0].valid = TRUE;
        }
        results->Append(std::move(record));
    }
    COLUMNINFO detail{};
    detail.nFlags = COLUMN_FLAG_DETAIL;
    detail.nType = COLUMN_TYPE_INT32;
    const std::vector<DWORD> rows = {0, 1, 2, 3, 4, 5};
    // Missing values first, equal ones in their order.
    EXPECT_EQ(SortRowOrder(*results, rows, detail, 0),
              (std::vector<std::uint32_t>{1, 4, 5, 2, 0, 3}));
}

}  // namespace
