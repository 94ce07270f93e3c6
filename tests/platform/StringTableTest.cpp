#include "platform/StringTable.h"

#include <gtest/gtest.h>

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

}  // namespace
