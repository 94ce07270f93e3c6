#include "platform/TextCase.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(LowerCaseUtf8, LowersAscii) {
    EXPECT_EQ(LowerCaseUtf8("My Documents.TXT"), "my documents.txt");
    EXPECT_EQ(LowerCaseUtf8("already lower 123 @[`{"), "already lower 123 @[`{");
    EXPECT_EQ(LowerCaseUtf8(""), "");
}

TEST(AsciiCase, ChangesOnlyTheTwentySixLetters) {
    // The bytes around each range, and one that is not ASCII.
    const struct {
        char c, lower, upper;
    } cases[] = {{'@', '@', '@'}, {'A', 'a', 'A'}, {'Z', 'z', 'Z'},
                 {'[', '[', '['}, {'`', '`', '`'}, {'a', 'a', 'A'},
                 {'z', 'z', 'Z'}, {'{', '{', '{'}, {'\xC4', '\xC4', '\xC4'}};
    for (const auto& c : cases) {
        EXPECT_EQ(AsciiLower(c.c), c.lower) << c.c;
        EXPECT_EQ(AsciiUpper(c.c), c.upper) << c.c;
    }
}

TEST(LowerCaseUtf8, LowersLettersBeyondAscii) {
    EXPECT_EQ(LowerCaseUtf8("\xC3\x84rger \xC3\x89T\xC3\x89"),
              "\xC3\xA4rger \xC3\xA9t\xC3\xA9");  // ÄRGER ÉTÉ
    EXPECT_EQ(LowerCaseUtf8("\xCE\xA3\xCE\x91\xCE\xA3"), "\xCF\x83\xCE\xB1\xCF\x83");  // ΣΑΣ
    EXPECT_EQ(LowerCaseUtf8("\xD0\x9F\xD0\xA0\xD0\x98"), "\xD0\xBF\xD1\x80\xD0\xB8");  // ПРИ
    EXPECT_EQ(LowerCaseUtf8("\xC4\x80\xC4\x81"), "\xC4\x81\xC4\x81");                  // Āā
    // Fullwidth A (three bytes) and Deseret long I (four bytes).
    EXPECT_EQ(LowerCaseUtf8("\xEF\xBC\xA1"), "\xEF\xBD\x81");
    EXPECT_EQ(LowerCaseUtf8("\xF0\x90\x90\x80"), "\xF0\x90\x90\xA8");
}

TEST(LowerCaseUtf8, MappingsThatChangeLength) {
    EXPECT_EQ(LowerCaseUtf8("\xE2\x84\xAA"), "k");         // KELVIN SIGN
    EXPECT_EQ(LowerCaseUtf8("\xC4\xB0"), "i");             // I WITH DOT ABOVE, simple mapping
    EXPECT_EQ(LowerCaseUtf8("\xC8\xBA"), "\xE2\xB1\xA5");  // A WITH STROKE
}

TEST(LowerCaseUtf8, InvalidBytesPassThrough) {
    EXPECT_EQ(LowerCaseUtf8("A\xFF"
                            "B"),
              "a\xFF"
              "b");
    EXPECT_EQ(LowerCaseUtf8("\xC3"), "\xC3");  // cut sequence at the end
    EXPECT_EQ(LowerCaseUtf8("\xC3"
                            "A"),
              "\xC3"
              "a");                                                    // lead byte without trail
    EXPECT_EQ(LowerCaseUtf8("\x80\x84"), "\x80\x84");                  // stray continuation bytes
    EXPECT_EQ(LowerCaseUtf8("\xC0\x81"), "\xC0\x81");                  // overlong 'A'
    EXPECT_EQ(LowerCaseUtf8("\xED\xA0\x80"), "\xED\xA0\x80");          // surrogate
    EXPECT_EQ(LowerCaseUtf8("\xF4\x90\x80\x80"), "\xF4\x90\x80\x80");  // above U+10FFFF
    EXPECT_EQ(LowerCaseUtf8(std::string("N\0U", 3)), std::string("n\0u", 3));
}

TEST(LowerCaseUtf8, ReusesOutputBuffer) {
    std::string out = "left over text";
    LowerCaseUtf8("AB", out);
    EXPECT_EQ(out, "ab");
}

TEST(Utf8CharLength, CountsWholeSequencesOrSingleBytes) {
    EXPECT_EQ(Utf8CharLength("a", 0), 1u);
    EXPECT_EQ(Utf8CharLength("\xC3\xA9", 0), 2u);
    EXPECT_EQ(Utf8CharLength("\xE2\x84\xAA", 0), 3u);
    EXPECT_EQ(Utf8CharLength("\xF0\x90\x90\x80", 0), 4u);
    EXPECT_EQ(Utf8CharLength("\xC3", 0), 1u);
    EXPECT_EQ(Utf8CharLength("\xFF\xA9", 0), 1u);
}

TEST(TrimWhiteSpace, TrimsBothEnds) {
    EXPECT_EQ(TrimWhiteSpace(" \t a b \r\n"), "a b");
    EXPECT_EQ(TrimWhiteSpace("   "), "");
    EXPECT_EQ(TrimWhiteSpace("x"), "x");
}

}  // namespace

namespace {

TEST(Utf8Prefix, CutsWholeCharactersOnly) {
    const std::string text =
        "\xC3\xA4\xE2\x82\xAC"
        "b";  // ä € b
    EXPECT_EQ(Utf8CharCount(text), 3u);
    EXPECT_EQ(Utf8Prefix(text, 1), "\xC3\xA4");
    EXPECT_EQ(Utf8Prefix(text, 2), "\xC3\xA4\xE2\x82\xAC");
    EXPECT_EQ(Utf8Prefix(text, 9), text);
    EXPECT_EQ(Utf8Prefix(text, 0), "");
    // A byte that is no UTF-8 counts as one character and is kept whole.
    EXPECT_EQ(Utf8CharCount("a\xFF"
                            "b"),
              3u);
    EXPECT_EQ(Utf8Prefix("\xE2\x82", 1), "\xE2");
}

}  // namespace

TEST(UpperCaseUtf8, InvertsTheLowerCaseMappings) {
    EXPECT_EQ(UpperCaseUtf8("abc xyz 09_-"), "ABC XYZ 09_-");
    EXPECT_EQ(UpperCaseUtf8("café straße дом ǆ"), "CAFÉ STRAßE ДОМ Ǆ");
    EXPECT_EQ(UpperCaseUtf8("ΑΒΓ"), "ΑΒΓ");
    EXPECT_EQ(UpperCaseUtf8("a\xFF"
                            "b"),
              "A\xFF"
              "B");  // invalid bytes stay
    EXPECT_EQ(LowerCaseUtf8(UpperCaseUtf8("άλφα")), "άλφα");
}
