#include "platform/StringTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

TEST(StringTable, KnownTexts) {
    EXPECT_STREQ(LoadResourceString(101), "&About Zembrolt...");
    EXPECT_STREQ(LoadResourceString(328), "More..");
    EXPECT_STREQ(LoadResourceString(5001), "The double quotation mark is not matching");
    EXPECT_STREQ(LoadResourceString(5011), "Search result exceed %d");
    EXPECT_STREQ(LoadResourceString(5030),
                 "Unpack method of %s files is not supported, file %s cannot be unpacked!");
    EXPECT_STREQ(LoadResourceString(5034), "Disabled");
    // The two blanks before the last sentence are part of the text.
    EXPECT_STREQ(LoadResourceString(40016),
                 "You selected one or more directories . If you want to rename directories, all "
                 "items you selected must be in a same directory.  Please select again.");
}

TEST(StringTable, UnknownIdGivesEmptyText) {
    EXPECT_STREQ(LoadResourceString(0), "");
    EXPECT_STREQ(LoadResourceString(5019), "");
    EXPECT_STREQ(LoadResourceString(0xFFFFFFFFu), "");
}

// Every text's fields are ones the formatter fills.
constexpr bool AllFieldsKnown() {
    for (const zb::StringEntry& entry : zb::kStringTable) {
        const std::string_view text = entry.text;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != '%')
                continue;
            if (i + 1 == text.size())
                return false;
            const char field = text[++i];
            if (field != 's' && field != 'd' && field != '%')
                return false;
        }
    }
    return true;
}
static_assert(AllFieldsKnown());

// The compile-time check: kinds, order and count must all fit.
using zb::FieldKind;
static_assert(zb::FieldsMatch("%s in %s", {FieldKind::kText, FieldKind::kText}));
static_assert(zb::FieldsMatch("%d%% of %s", {FieldKind::kNumber, FieldKind::kText}));
static_assert(!zb::FieldsMatch("%d Objects", {FieldKind::kText}));
static_assert(!zb::FieldsMatch("%s in %s", {FieldKind::kText}));
static_assert(!zb::FieldsMatch("Stop", {FieldKind::kNumber}));
static_assert(!zb::FieldsMatch("%u", {FieldKind::kNumber}));
static_assert(!zb::FieldsMatch("100%", {}));
static_assert(zb::FieldKindOf<char[4]>() == FieldKind::kText);
static_assert(zb::FieldKindOf<std::string>() == FieldKind::kText);
static_assert(zb::FieldKindOf<unsigned long long>() == FieldKind::kNumber);

TEST(FormatResourceString, FillsTextAndNumberFieldsInOrder) {
    EXPECT_EQ(FormatResourceString(IDS_RENAME_FAILED, "/a/100%s.txt", std::string("/b")),
              "Failed in renaming /a/100%s.txt to /b.");
    EXPECT_EQ(FormatResourceString(IDS_OBJECTS, -3), "-3 Objects");
    EXPECT_EQ(FormatResourceString(IDS_SEARCH_RESULT_EXCEED, UINT64_MAX),
              "Search result exceed 18446744073709551615");
    EXPECT_EQ(FormatResourceString(IDS_SEARCH), "Search");
}

TEST(FormatResourceString, KeepsPercentSignsAndEveryByteOfTheArguments) {
    const zb::FieldValue values[] = {zb::FieldValue(std::string_view("\xff\0x", 3)),
                                     zb::FieldValue(INT64_MIN)};
    EXPECT_EQ(zb::FillFields("%s%% [%d]", values),
              std::string("\xff\0x% [-9223372036854775808]", 27));
}

}  // namespace
