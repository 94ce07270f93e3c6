#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "app/engine/AttributeUtils.h"
#include "platform/DateUtils.h"
#include "support/ScopedTimeZone.h"

namespace {

TEST(TimeFormatWithoutSecondsTest, DropsTheSecondsWithTheirSeparator) {
    EXPECT_EQ(TimeFormatWithoutSeconds("%H:%M:%S", ""), "%H:%M");
    EXPECT_EQ(TimeFormatWithoutSeconds("%H.%M.%S", ""), "%H.%M");
    EXPECT_EQ(TimeFormatWithoutSeconds("%k:%M:%S %Z", ""), "%k:%M %Z");
    EXPECT_EQ(TimeFormatWithoutSeconds("%OH:%OM:%OS", ""), "%OH:%OM");
}

TEST(TimeFormatWithoutSecondsTest, ExpandsCompositeFields) {
    EXPECT_EQ(TimeFormatWithoutSeconds("%T", ""), "%H:%M");
    EXPECT_EQ(TimeFormatWithoutSeconds("%r", "%I:%M:%S %p"), "%I:%M %p");
    EXPECT_EQ(TimeFormatWithoutSeconds("%r", ""), "%I:%M %p");
}

TEST(TimeFormatWithoutSecondsTest, DropsTheSecondsUnitWhereNoSeparatorPrecedes) {
    EXPECT_EQ(TimeFormatWithoutSeconds("%H\xE6\x99\x82%M\xE5\x88\x86%S\xE7\xA7\x92", ""),
              "%H\xE6\x99\x82%M\xE5\x88\x86");
    EXPECT_EQ(TimeFormatWithoutSeconds("%Hh%Mm%Ss", ""), "%Hh%Mm");
}

TEST(TimeFormatWithoutSecondsTest, FallsBackWhereItCannotCut) {
    EXPECT_EQ(TimeFormatWithoutSeconds("", ""), "%H:%M");
    EXPECT_EQ(TimeFormatWithoutSeconds("%X", ""), "%H:%M");
    EXPECT_EQ(TimeFormatWithoutSeconds("%H", ""), "%H:%M");
    EXPECT_EQ(TimeFormatWithoutSeconds("%H:%M:%", ""), "%H:%M");
    EXPECT_EQ(TimeFormatWithoutSeconds("%r", "%r"), "%H:%M");
    EXPECT_EQ(TimeFormatWithoutSeconds("%H:%M", ""), "%H:%M");
}

TEST(FormatDateTimeTest, ShortDateBlankAndTimeWithoutSeconds) {
    std::string text;
    {
        zbtest::ScopedTimeZone utc("UTC");
        // The tests run in the C locale: "%x" is mm/dd/yy, the time form %H:%M:%S.
        text = FormatDateTime(CTime(std::int64_t{1710513045}));
    }
    EXPECT_EQ(text, "03/15/24 14:30");
}

TEST(AttributeLettersTest, LettersInFixedOrder) {
    EXPECT_EQ(FormatAttributeLetters(0x27), "AHRS");
    EXPECT_EQ(FormatAttributeLetters(0), "");
    EXPECT_EQ(FormatAttributeLetters(FILE_ATTRIBUTE_DIRECTORY), "");
    EXPECT_EQ(FormatAttributeLetters(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY), "AR");
    EXPECT_EQ(FormatAttributeLetters(FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN), "HS");
    EXPECT_EQ(FormatAttributeLetters(0xFFFFFFFFu), "AHRS");
}

TEST(AttributeLettersTest, CompareLooksOnlyAtTheShownBits) {
    EXPECT_EQ(CompareAttributes(FILE_ATTRIBUTE_DIRECTORY | 1, 1), 0);
    EXPECT_EQ(CompareAttributes(0x80000000u, 0), 0);
    EXPECT_EQ(CompareAttributes(FILE_ATTRIBUTE_ARCHIVE, 0x07), 1);
    EXPECT_EQ(CompareAttributes(FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN), -1);
    EXPECT_EQ(CompareAttributes(0x27, 0x27), 0);
}

}  // namespace
