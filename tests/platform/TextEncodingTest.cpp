#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

namespace {

TEST(TextEncodingTest, Windows1252BecomesUtf8) {
    EXPECT_EQ(Windows1252ToUtf8("plain"), "plain");
    EXPECT_EQ(Windows1252ToUtf8("\x80 \x93q\x94 \xE9\xFF"),
              "\xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D \xC3\xA9\xC3\xBF");
    // The bytes the code page leaves undefined keep their value.
    EXPECT_EQ(Windows1252ToUtf8("\x81\x9D"), "\xC2\x81\xC2\x9D");
}

TEST(TextEncodingTest, CodePointsOfEveryLength) {
    std::string out;
    for (const char32_t c : {U'A', U'\u00E9', U'\u4E2D', U'\U0001F600'})
        AppendUtf8(out, c);
    EXPECT_EQ(out, "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
    out.clear();
    AppendUtf8(out, 0xD800);
    AppendUtf8(out, 0x110000);
    EXPECT_EQ(out, "??");
}

}  // namespace
