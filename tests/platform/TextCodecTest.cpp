#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace zb;

ByteSpan Span(const std::string& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

TEST(TextCodec, WindowsAnsiAndOemCodePages) {
    EXPECT_EQ(Cp1252ToUtf8("a\x80\x9F\xE9\xFF"), "a\xE2\x82\xAC\xC5\xB8\xC3\xA9\xC3\xBF");
    EXPECT_EQ(Cp1252ToUtf8("\x81\x8D"), "\xC2\x81\xC2\x8D");  // undefined bytes keep their number
    EXPECT_EQ(Cp437ToUtf8("a\x80\xB0\xE1\xFF"), "a\xC3\x87\xE2\x96\x91\xC3\x9F\xC2\xA0");
    EXPECT_EQ(CodePageToUtf8("\xE9", 0), "\xC3\xA9");  // not declared: Windows-1252
    EXPECT_EQ(CodePageToUtf8("\x80", kCodePageLatin1), "\xC2\x80");
    EXPECT_EQ(CodePageToUtf8("\xFF\xFE", kCodePageUtf8), "\xFF\xFE");  // bytes kept
}

TEST(TextCodec, DeclaredCodePagesWin) {
    EXPECT_EQ(CodePageToUtf8("\xCF\xF0\xE8", 1251), "\xD0\x9F\xD1\x80\xD0\xB8");
    EXPECT_EQ(CodePageToUtf8("\x8E", 10000), "\xC3\xA9");        // Macintosh
    EXPECT_EQ(CodePageToUtf8("\x82\xA0", 932), "\xE3\x81\x82");  // Shift-JIS
    EXPECT_EQ(CodePageToUtf8("a\x82", 932), "a?");               // cut inside a character
    EXPECT_EQ(CodePageToUtf8("\xE9", 123456), "\xC3\xA9");       // unknown: Windows-1252
    EXPECT_EQ(CodePageToUtf8(std::string("A\0B\0", 4), kCodePageUtf16Le), "AB");
}

TEST(TextCodec, Utf16WithUnpairedSurrogates) {
    EXPECT_EQ(Utf16LeToUtf8(Span(std::string("A\0\x2D\x4E\x3D\xD8\x00\xDE", 8))),
              "A\xE4\xB8\xAD\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf16LeToUtf8(Span(std::string("\x3D\xD8"
                                             "A\0",
                                             4))),
              "?A");                                                  // high without low
    EXPECT_EQ(Utf16LeToUtf8(Span(std::string("\x00\xDE", 2))), "?");  // low alone
    EXPECT_EQ(Utf16LeToUtf8(Span(std::string("A\0B", 3))), "A");      // odd byte dropped
    EXPECT_EQ(Utf16BeToUtf8(Span(std::string("\0A\x4E\x2D", 4))), "A\xE4\xB8\xAD");
    EXPECT_EQ(Utf16ToUtf8(u"x\xD83D"), "x?");
    EXPECT_EQ(UntilNul(std::string_view("ab\0cd", 5)), "ab");
}

}  // namespace
