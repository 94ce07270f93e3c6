#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <optional>
#include <string>

#include "platform/FileTime.h"
#include "readers/details/ColumnInfo.h"
#include "support/ScopedTimeZone.h"

namespace {

const COLUMNINFO& Row(int id) {
    const COLUMNINFO* row = GetColumnInfo(id);
    EXPECT_NE(row, nullptr) << id;
    static const COLUMNINFO kEmpty{};
    return row != nullptr ? *row : kEmpty;
}

COLUMNINFO CustomRow(int type, const char* format) {
    COLUMNINFO row{};
    row.nId = 7777;
    row.nType = type;
    std::snprintf(row.szFormat, sizeof row.szFormat, "%s", format);
    return row;
}

COLUMNVALUE Number(std::uint64_t n) {
    COLUMNVALUE v;
    v.number = n;
    return v;
}

COLUMNVALUE Text(const char* s) {
    COLUMNVALUE v;
    v.text = s;
    return v;
}

TEST(ColumnValueTest, NewValueIsEmpty) {
    const COLUMNVALUE v;
    EXPECT_TRUE(v.text.empty());
    EXPECT_EQ(v.number, 0u);
    EXPECT_EQ(v.valid, FALSE);
}

TEST(ColumnValueTest, AssignmentLeavesTheValidFlag) {
    COLUMNVALUE source = Text("abc");
    source.number = 42;
    source.valid = TRUE;
    COLUMNVALUE target;
    target = source;
    EXPECT_EQ(target.text, "abc");
    EXPECT_EQ(target.number, 42u);
    EXPECT_EQ(target.valid, FALSE);

    COLUMNVALUE moved;
    moved.valid = TRUE;
    COLUMNVALUE other = Text("x");
    moved = std::move(other);
    EXPECT_EQ(moved.text, "x");
    EXPECT_EQ(moved.valid, TRUE);

    // A copy made from a value (as containers make on growing) is the same value.
    const COLUMNVALUE copy(source);
    EXPECT_EQ(copy.valid, TRUE);
}

TEST(ColumnValueTest, ClearEmptiesTextAndWholeNumber) {
    COLUMNVALUE v = Text("abc");
    v.number = 0xFFFFFFFFFFFFFFFFull;
    v.valid = TRUE;
    ClearColumnValue(v);
    EXPECT_TRUE(v.text.empty());
    EXPECT_EQ(v.number, 0u);
    EXPECT_EQ(v.valid, TRUE);
}

TEST(ColumnValueTest, NarrowSettersClearTheHighBits) {
    COLUMNVALUE v = Number(0xFFFFFFFFFFFFFFFFull);
    v.SetInt32(-1);
    EXPECT_EQ(v.number, 0xFFFFFFFFu);
    v.SetFloat(21.0f);
    EXPECT_EQ(v.number >> 32, 0u);
    EXPECT_EQ(v.GetFloat(), 21.0f);
}

TEST(FormatColumnValueTest, TextIsCopiedOnlyWhenItFits) {
    const COLUMNVALUE v = Text("Hello");
    char buffer[16];
    FormatColumnValue(v, Row(2), buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "Hello");

    char exact[6];
    FormatColumnValue(v, Row(2), exact, sizeof exact);
    EXPECT_STREQ(exact, "Hello");

    char small[5] = "xxxx";
    FormatColumnValue(v, Row(2), small, sizeof small);
    EXPECT_STREQ(small, "");

    const COLUMNVALUE longText(Text(std::string(300, 'a').c_str()));
    char cell[260];
    FormatColumnValue(longText, Row(3), cell, sizeof cell);
    EXPECT_STREQ(cell, "");
    EXPECT_EQ(FormatColumnValue(longText, Row(3)).size(), 300u);
}

TEST(FormatColumnValueTest, TextIsNotReadAsAFormat) {
    EXPECT_EQ(FormatColumnValue(Text("100% %s %n"), Row(2)), "100% %s %n");
}

TEST(FormatColumnValueTest, CodePageShowsInHex) {
    EXPECT_EQ(FormatColumnValue(Number(1252), Row(54)), "0x04e4");
    EXPECT_EQ(FormatColumnValue(Number(65001), Row(54)), "0xfde9");
    // Only the low 16 bits belong to the value.
    EXPECT_EQ(FormatColumnValue(Number(0xABCD0000'000004E4ull), Row(54)), "0x04e4");
}

TEST(FormatColumnValueTest, FloatPrintsWithTwoDecimalsRightAligned) {
    COLUMNVALUE v;
    v.SetFloat(21.0f);
    EXPECT_EQ(FormatColumnValue(v, Row(304)), "   21.00");
    v.SetFloat(-3.256f);
    EXPECT_EQ(FormatColumnValue(v, Row(305)), "   -3.26");
}

TEST(FormatColumnValueTest, NumberFormatsKeepTheirSuffixes) {
    EXPECT_EQ(FormatColumnValue(Number(12), Row(50)), "12 Pages");
    EXPECT_EQ(FormatColumnValue(Number(44100), Row(102)), "44100hz");
    EXPECT_EQ(FormatColumnValue(Number(16), Row(106)), "16 bits");
    EXPECT_EQ(FormatColumnValue(Number(240), Row(201)), "240 sec");
    EXPECT_EQ(FormatColumnValue(Number(128), Row(202)), "128 kbit");
    EXPECT_EQ(FormatColumnValue(Number(24), Row(303)), "24bit");
    EXPECT_EQ(FormatColumnValue(Number(7), Row(1300)), "7");
}

TEST(FormatColumnValueTest, ThirtyTwoBitValuesPrintAsTheirConversionSays) {
    // "%d" takes the 32 bits as a signed number: a top-down bitmap's height.
    EXPECT_EQ(FormatColumnValue(Number(static_cast<std::uint32_t>(-480)), Row(302)), "-480");
    EXPECT_EQ(FormatColumnValue(Number(0x7FFFFFFFu), Row(51)), "2147483647");
    EXPECT_EQ(FormatColumnValue(Number(0xFFFFFFFFu), CustomRow(9, "%u")), "4294967295");
    // The high half does not belong to a 32-bit value.
    EXPECT_EQ(FormatColumnValue(Number(0x00000001'00000005ull), Row(51)), "5");
}

TEST(FormatColumnValueTest, SizesPrintAllSixtyFourBits) {
    EXPECT_EQ(FormatColumnValue(Number(5000000000ull), Row(1003)), "5000000000");
    EXPECT_EQ(FormatColumnValue(Number(0xFFFFFFFFFFFFFFFFull), Row(1003)), "18446744073709551615");
    EXPECT_EQ(FormatColumnValue(Number(0), Row(1003)), "0");
}

TEST(FormatColumnValueTest, EveryTypeReadsItsOwnWidthAndSign) {
    const COLUMNVALUE allOnes = Number(0xFFFFFFFFFFFFFFFFull);
    EXPECT_EQ(FormatColumnValue(allOnes, CustomRow(2, "%d")), "-1");
    EXPECT_EQ(FormatColumnValue(allOnes, CustomRow(3, "%d")), "255");
    EXPECT_EQ(FormatColumnValue(allOnes, CustomRow(4, "%d")), "65535");
    EXPECT_EQ(FormatColumnValue(allOnes, CustomRow(5, "%d")), "65535");
    for (int type : {6, 7, 8, 9, 14})
        EXPECT_EQ(FormatColumnValue(allOnes, CustomRow(type, "%d")), "-1");
    EXPECT_EQ(FormatColumnValue(allOnes, CustomRow(7, "%u")), "4294967295");
    EXPECT_EQ(FormatColumnValue(allOnes, CustomRow(10, "%I64u")), "18446744073709551615");
    EXPECT_EQ(FormatColumnValue(allOnes, CustomRow(10, "%I64d")), "-1");
    EXPECT_EQ(FormatColumnValue(allOnes, CustomRow(2, "%x")), "ff");
    EXPECT_EQ(FormatColumnValue(allOnes, CustomRow(10, "%I64X")), "FFFFFFFFFFFFFFFF");
    COLUMNVALUE d;
    d.SetDouble(2.5);
    EXPECT_EQ(FormatColumnValue(d, CustomRow(12, "%8.2f")), "    2.50");
}

TEST(FormatColumnValueTest, UnsuitableFormatsGiveAnEmptyCell) {
    const COLUMNVALUE v = Number(5);
    EXPECT_EQ(FormatColumnValue(v, CustomRow(9, "%s")), "");
    EXPECT_EQ(FormatColumnValue(v, CustomRow(9, "%n")), "");
    EXPECT_EQ(FormatColumnValue(v, CustomRow(9, "%d of %d")), "");
    EXPECT_EQ(FormatColumnValue(v, CustomRow(9, "%*d")), "");
    EXPECT_EQ(FormatColumnValue(v, CustomRow(9, "%")), "");
    EXPECT_EQ(FormatColumnValue(v, CustomRow(13, "%d")), "");
    EXPECT_EQ(FormatColumnValue(v, CustomRow(9, "%f")), "");
    EXPECT_EQ(FormatColumnValue(v, CustomRow(9, "")), "");
    EXPECT_EQ(FormatColumnValue(v, CustomRow(9, "100%%")), "100%");
    EXPECT_EQ(FormatColumnValue(v, CustomRow(9, "%d%%")), "5%");
}

TEST(FormatColumnValueTest, UnknownTypesGiveAnEmptyCell) {
    char buffer[8] = "xxxxxxx";
    FormatColumnValue(Number(5), CustomRow(0, "%d"), buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "");
    std::strcpy(buffer, "xxxxxxx");
    FormatColumnValue(Number(5), CustomRow(16, "%d"), buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "");
}

TEST(FormatColumnValueTest, ANumberThatDoesNotFitIsNotCut) {
    char buffer[4] = "xxx";
    FormatColumnValue(Number(12), Row(50), buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "");
    // A zero-size buffer is left alone.
    char untouched = 'x';
    FormatColumnValue(Number(12), Row(50), &untouched, 0);
    EXPECT_EQ(untouched, 'x');
}

TEST(FormatColumnValueTest, FileTimeShowsAsLocalDateAndTime) {
    zbtest::ScopedTimeZone utc("UTC");
    FILETIME ft;
    ASSERT_TRUE(CTimeToFileTime(CTime(std::int64_t{1710513045}), &ft));  // 2024-03-15 14:30:45
    COLUMNVALUE v;
    v.SetFileTime(ft);
    EXPECT_EQ(FormatColumnValue(v, Row(1004)), "03/15/24 14:30");
    char cell[260];
    FormatColumnValue(v, Row(1005), cell, sizeof cell);
    EXPECT_STREQ(cell, "03/15/24 14:30");
}

TEST(CompareColumnValuesTest, TextsIgnoreCase) {
    EXPECT_EQ(CompareColumnValues(Text("abc"), Text("ABC"), 1), 0);
    EXPECT_EQ(CompareColumnValues(Text("a"), Text("B"), 1), -1);
    EXPECT_EQ(CompareColumnValues(Text("B"), Text("a"), 1), 1);
    EXPECT_EQ(CompareColumnValues(Text("\xC3\x84rger"), Text("\xC3\xA4RGER"), 1), 0);
    EXPECT_EQ(CompareColumnValues(Text(""), Text("a"), 1), -1);
}

TEST(CompareColumnValuesTest, IntegersFollowTheirWidthAndSign) {
    const COLUMNVALUE one = Number(1);
    const COLUMNVALUE allOnes = Number(0xFFFFFFFFFFFFFFFFull);
    EXPECT_EQ(CompareColumnValues(allOnes, one, 2), -1);
    EXPECT_EQ(CompareColumnValues(allOnes, one, 3), 1);
    EXPECT_EQ(CompareColumnValues(allOnes, one, 4), 1);
    EXPECT_EQ(CompareColumnValues(allOnes, one, 5), 1);
    for (int type : {6, 7, 8, 9, 14})
        EXPECT_EQ(CompareColumnValues(allOnes, one, type), -1) << type;
    EXPECT_EQ(CompareColumnValues(allOnes, one, 10), -1);
    EXPECT_EQ(CompareColumnValues(allOnes, one, 11), 1);
    EXPECT_EQ(CompareColumnValues(one, allOnes, 11), -1);
}

TEST(CompareColumnValuesTest, NarrowValuesIgnoreTheBitsAbove) {
    EXPECT_EQ(CompareColumnValues(Number(0x100), Number(0), 3), 0);
    EXPECT_EQ(CompareColumnValues(Number(0x10000), Number(0), 5), 0);
    EXPECT_EQ(CompareColumnValues(Number(0x1'00000000ull), Number(0), 9), 0);
    EXPECT_EQ(CompareColumnValues(Number(0x1'00000000ull), Number(0), 11), 1);
}

TEST(CompareColumnValuesTest, FloatingValuesKeepAStrictOrder) {
    COLUMNVALUE a, b, nan;
    a.SetDouble(-1.5);
    b.SetDouble(2.0);
    nan.SetDouble(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(CompareColumnValues(a, b, 12), -1);
    EXPECT_EQ(CompareColumnValues(b, a, 12), 1);
    EXPECT_EQ(CompareColumnValues(nan, b, 12), 1);
    EXPECT_EQ(CompareColumnValues(b, nan, 12), -1);
    EXPECT_EQ(CompareColumnValues(nan, nan, 12), 0);

    COLUMNVALUE fa, fb;
    fa.SetFloat(21.0f);
    fb.SetFloat(29.7f);
    EXPECT_EQ(CompareColumnValues(fa, fb, 13), -1);
    EXPECT_EQ(CompareColumnValues(fb, fa, 13), 1);
    EXPECT_EQ(CompareColumnValues(fa, fa, 13), 0);
}

TEST(CompareColumnValuesTest, FileTimesCompareAsTimes) {
    COLUMNVALUE early, late;
    early.SetFileTime(FILETIME::FromValue(0x01D0000000000000ull));
    late.SetFileTime(FILETIME::FromValue(0x01D0000100000000ull));
    EXPECT_EQ(CompareColumnValues(early, late, 15), -1);
    EXPECT_EQ(CompareColumnValues(late, early, 15), 1);
    EXPECT_EQ(CompareColumnValues(late, late, 15), 0);
}

TEST(CompareColumnValuesTest, UnknownTypesAreEqual) {
    EXPECT_EQ(CompareColumnValues(Number(1), Number(2), 0), 0);
    EXPECT_EQ(CompareColumnValues(Number(1), Number(2), 16), 0);
    EXPECT_EQ(CompareColumnValues(Text("a"), Text("b"), -3), 0);
}

}  // namespace
