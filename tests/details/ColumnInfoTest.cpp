#include "readers/details/ColumnInfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<int> Ids(const CColumnInfoArray& columns) {
    std::vector<int> ids;
    for (const COLUMNINFO& c : columns)
        ids.push_back(c.nId);
    return ids;
}

TEST(ColumnTableTest, HoldsTheRowsInTableOrder) {
    const std::vector<int> expected = {
        2,   3,    4,    5,    6,    50,   51,   52,   53,   54,   59,   55,   56,   57,
        58,  102,  103,  104,  105,  106,  201,  202,  203,  301,  302,  303,  304,  305,
        306, 307,  401,  1210, 1209, 1208, 1207, 1206, 1205, 1204, 1203, 1202, 1201, 1200,
        107, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1300, 1250, 1251, 1252, 1253};
    ASSERT_EQ(GetColumnTableSize(), expected.size());
    std::set<int> unique;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const COLUMNINFO& row = GetColumnTable()[i];
        EXPECT_EQ(row.nId, expected[i]) << "row " << i;
        EXPECT_EQ(row.nReserved, 0);
        unique.insert(row.nId);
        if (row.nId != 1300) {
            EXPECT_STREQ(row.szTitle, row.szLongTitle);
        }
    }
    EXPECT_EQ(unique.size(), expected.size());
}

TEST(ColumnTableTest, RowsCarryTheirValues) {
    const COLUMNINFO* codePage = GetColumnInfo(54);
    ASSERT_NE(codePage, nullptr);
    EXPECT_STREQ(codePage->szTitle, "Code Page");
    EXPECT_EQ(codePage->nType, 4);
    EXPECT_EQ(codePage->nWidth, 8);
    EXPECT_EQ(codePage->nAlign, COLUMN_ALIGN_RIGHT);
    EXPECT_STREQ(codePage->szFormat, "0x%04x");
    EXPECT_EQ(codePage->nFlags, COLUMN_FLAG_DETAIL);

    const COLUMNINFO* size = GetColumnInfo(1003);
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size->nType, COLUMN_TYPE_UINT64);
    EXPECT_STREQ(size->szFormat, "%I64u");
    EXPECT_EQ(size->nFlags, COLUMN_FLAG_DEFAULT);

    const COLUMNINFO* dup = GetColumnInfo(1300);
    ASSERT_NE(dup, nullptr);
    EXPECT_STREQ(dup->szTitle, "Dup No");
    EXPECT_STREQ(dup->szLongTitle, "Duplicate Group No");
    EXPECT_EQ(dup->nType, COLUMN_TYPE_INT32);
    EXPECT_EQ(dup->nFlags, COLUMN_FLAG_DETAIL);

    const COLUMNINFO* name = GetColumnInfo(1001);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->nFlags, COLUMN_FLAG_DEFAULT | COLUMN_FLAG_FIXED);

    const COLUMNINFO* attribute = GetColumnInfo(1008);
    ASSERT_NE(attribute, nullptr);
    EXPECT_EQ(attribute->nAlign, COLUMN_ALIGN_CENTER);
    EXPECT_STREQ(attribute->szFormat, "");
    EXPECT_EQ(attribute->nFlags, 0);

    const COLUMNINFO* width = GetColumnInfo(304);
    ASSERT_NE(width, nullptr);
    EXPECT_STREQ(width->szTitle, "Width (cm)");
    EXPECT_EQ(width->nType, COLUMN_TYPE_FLOAT);
    EXPECT_STREQ(width->szFormat, "%8.2f");
}

TEST(ColumnTableTest, UsesOnlyTheKnownTypes) {
    const std::set<int> used = {1, 4, 9, 11, 13, 15};
    for (std::size_t i = 0; i < GetColumnTableSize(); ++i) {
        EXPECT_EQ(used.count(GetColumnTable()[i].nType), 1u) << GetColumnTable()[i].nId;
    }
}

TEST(ColumnTableTest, LookupFindsOnlyTableIds) {
    EXPECT_EQ(GetColumnInfo(0), nullptr);
    EXPECT_EQ(GetColumnInfo(1), nullptr);
    EXPECT_EQ(GetColumnInfo(-1), nullptr);
    EXPECT_EQ(GetColumnInfo(9999), nullptr);
    const COLUMNINFO* first = GetColumnInfo(2);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->szTitle, "Title");
    const COLUMNINFO* last = GetColumnInfo(1253);
    ASSERT_NE(last, nullptr);
    EXPECT_STREQ(last->szTitle, "Working Directory");
}

TEST(ColumnTableTest, DefaultAndStandardListsReplaceTheArray) {
    CColumnInfoArray columns(3, *GetColumnInfo(2));
    GetDefaultVisibleColumns(columns);
    EXPECT_EQ(Ids(columns), (std::vector<int>{1001, 1002, 1003, 1004, 1007}));

    GetStandardColumns(columns);
    EXPECT_EQ(Ids(columns), (std::vector<int>{1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008}));
}

TEST(ColumnTableTest, ListsHoldCopies) {
    CColumnInfoArray columns;
    GetStandardColumns(columns);
    std::strcpy(columns[0].szTitle, "Changed");
    EXPECT_STREQ(GetColumnInfo(1001)->szTitle, "Name");
}

TEST(ColumnTableTest, IsColumnInListLooksAtIds) {
    CColumnInfoArray columns;
    EXPECT_EQ(IsColumnInList(1001, columns), FALSE);
    GetDefaultVisibleColumns(columns);
    EXPECT_EQ(IsColumnInList(1001, columns), TRUE);
    EXPECT_EQ(IsColumnInList(1007, columns), TRUE);
    EXPECT_EQ(IsColumnInList(1005, columns), FALSE);
    EXPECT_EQ(IsColumnInList(0, columns), FALSE);
}

}  // namespace
