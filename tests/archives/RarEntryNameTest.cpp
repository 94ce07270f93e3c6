// The decoding of RAR's compressed UTF-16 names against a plain reference:
// hostile encodings (NUL characters from every kind of step, runs past the
// 8-bit spelling, steps cut short) and a name field as long as a header
// can hold.
#include "readers/archives/RarEntryName.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

namespace {

// The name as the format describes it: every step decoded while the input
// lasts, then cut at the first NUL.
std::u16string ReferenceDecode(std::string_view eightBit, std::string_view encoded) {
    std::u16string out;
    if (encoded.empty())
        return out;
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(encoded[i]); };
    const char16_t high = static_cast<char16_t>(byte(0) << 8);
    std::size_t pos = 1;
    while (pos < encoded.size()) {
        const unsigned flags = byte(pos++);
        for (int shift = 6; shift >= 0 && pos < encoded.size(); shift -= 2) {
            const unsigned code = (flags >> shift) & 3;
            if (code < 2) {
                out += static_cast<char16_t>((code == 1 ? high : 0) | byte(pos++));
                continue;
            }
            if (code == 2) {
                if (pos + 2 > encoded.size())
                    return out.substr(0, out.find(u'\0'));
                out += static_cast<char16_t>(byte(pos) | byte(pos + 1) << 8);
                pos += 2;
                continue;
            }
            const unsigned length = byte(pos++);
            const bool corrected = (length & 0x80) != 0;
            if (corrected && pos == encoded.size())
                return out.substr(0, out.find(u'\0'));
            const std::uint8_t correction = corrected ? byte(pos++) : 0;
            for (unsigned n = (length & 0x7F) + 2; n > 0; --n) {
                if (out.size() >= eightBit.size())
                    return out.substr(0, out.find(u'\0'));
                const auto c = static_cast<std::uint8_t>(eightBit[out.size()]);
                out += corrected ? static_cast<char16_t>(high | std::uint8_t(c + correction))
                                 : static_cast<char16_t>(c);
            }
        }
    }
    return out.substr(0, out.find(u'\0'));
}

TEST(RarEntryNameTest, NulCharactersEndTheNameWhateverStepMadeThem) {
    const struct {
        std::string eightBit;
        std::string encoded;
        std::u16string name;
    } cases[] = {
        // A corrected run whose first character is NUL, then past the spelling.
        {"\x01", std::string("\x00\xC0\x81\xFF", 4), u""},
        // A NUL in the middle of a corrected run that then passes the spelling.
        {"\x01\x02\x03", std::string("\x00\xC0\x83\xFE", 4), u"\u00FF"},
        // A NUL from a one-byte step, from a two-byte step.
        {"abcd", std::string("\x00\x00xy\x00z", 6), u"xy"},
        {"abcd", std::string("\x00\x80\x00\x00", 4), u""},
        // A run that ends the spelling without a NUL keeps what it copied.
        {"abc", std::string("\x00\xC0\x7F", 3), u"abc"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeRarUnicodeName(c.eightBit, c.encoded), c.name);
        EXPECT_EQ(ReferenceDecode(c.eightBit, c.encoded), c.name);
    }
}

TEST(RarEntryNameTest, HostileEncodingsDecodeAsTheReferenceDoes) {
    // Few distinct bytes, so that flags, lengths and corrections meet NULs,
    // the spelling's end and the input's end often.
    std::mt19937 random(20240611);
    const std::string alphabet("\x00\x01\x41\x7F\x80\x81\xC0\xFF", 8);
    const auto pick = [&] { return alphabet[random() % alphabet.size()]; };
    for (int round = 0; round < 20000; ++round) {
        std::string eightBit(random() % 24, '\0');
        for (char& c : eightBit)
            c = static_cast<char>(1 + random() % 255);
        std::string encoded(random() % 40, '\0');
        for (char& c : encoded)
            c = pick();
        ASSERT_EQ(DecodeRarUnicodeName(eightBit, encoded), ReferenceDecode(eightBit, encoded))
            << "round " << round;
    }
}

TEST(RarEntryNameTest, ALongHostileNameDecodesWhole) {
    // 65,000 bytes: groups of four one-byte characters, the last one NUL.
    std::string encoded(1, '\0');
    std::u16string expected;
    while (encoded.size() + 5 <= 65000) {
        encoded += '\0';
        for (int i = 0; i < 4; ++i) {
            const char c = static_cast<char>('a' + expected.size() % 26);
            encoded += c;
            expected += static_cast<char16_t>(c);
        }
    }
    encoded += std::string("\x00\x00", 2);
    encoded += std::string(65000 - encoded.size(), 'z');
    EXPECT_EQ(DecodeRarUnicodeName("", encoded), expected);
}

}  // namespace
