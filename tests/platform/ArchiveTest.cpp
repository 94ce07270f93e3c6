#include "platform/Archive.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> StoreString(const std::string& s) {
    std::vector<std::uint8_t> out;
    CArchive ar(out);
    ar << s;
    return out;
}

std::string LoadString(const std::vector<std::uint8_t>& bytes) {
    CArchive ar(bytes.data(), bytes.size());
    std::string s;
    ar >> s;
    EXPECT_EQ(ar.BytesLeft(), 0u);
    return s;
}

TEST(ArchiveTest, IntegersAreLittleEndian32Bit) {
    std::vector<std::uint8_t> out;
    CArchive ar(out);
    ar << std::int32_t{-2} << std::uint32_t{0x01020304};
    ASSERT_EQ(out.size(), 8u);
    EXPECT_EQ(out[0], 0xFE);
    EXPECT_EQ(out[3], 0xFF);
    EXPECT_EQ(out[4], 0x04);
    EXPECT_EQ(out[7], 0x01);
    CArchive in(out.data(), out.size());
    std::int32_t a = 0;
    std::uint32_t b = 0;
    in >> a >> b;
    EXPECT_EQ(a, -2);
    EXPECT_EQ(b, 0x01020304u);
}

TEST(ArchiveTest, StringLengthPrefixTakesThreeForms) {
    // Below 255: one byte.
    auto shortForm = StoreString(std::string(254, 'a'));
    EXPECT_EQ(shortForm.size(), 1u + 254);
    EXPECT_EQ(shortForm[0], 254);
    // 255 up to 0xFFFD: 0xFF and a 16-bit length.
    auto wordForm = StoreString(std::string(255, 'b'));
    EXPECT_EQ(wordForm.size(), 3u + 255);
    EXPECT_EQ(wordForm[0], 0xFF);
    EXPECT_EQ(wordForm[1], 0xFF);
    EXPECT_EQ(wordForm[2], 0x00);
    auto lastWord = StoreString(std::string(0xFFFD, 'c'));
    EXPECT_EQ(lastWord.size(), 3u + 0xFFFD);
    // Above: 0xFF, 0xFFFF and a 32-bit length.
    auto longForm = StoreString(std::string(0xFFFE, 'd'));
    ASSERT_EQ(longForm.size(), 7u + 0xFFFE);
    EXPECT_EQ(longForm[1], 0xFF);
    EXPECT_EQ(longForm[2], 0xFF);
    EXPECT_EQ(longForm[3], 0xFE);
    EXPECT_EQ(longForm[4], 0xFF);

    for (const auto* bytes : {&shortForm, &wordForm, &lastWord, &longForm}) {
        const std::string back = LoadString(*bytes);
        EXPECT_EQ(StoreString(back), *bytes);
    }
}

TEST(ArchiveTest, EmptyAndBinaryStringsRoundTrip) {
    EXPECT_EQ(LoadString(StoreString("")), "");
    const std::string binary("a\0b\xff", 4);
    EXPECT_EQ(LoadString(StoreString(binary)), binary);
}

TEST(ArchiveTest, TruncatedInputIsRejected) {
    auto bytes = StoreString(std::string(300, 'x'));
    bytes.resize(bytes.size() - 1);
    CArchive ar(bytes.data(), bytes.size());
    std::string s;
    EXPECT_THROW(ar >> s, CArchiveException);

    const std::uint8_t three[] = {1, 2, 3};
    CArchive in(three, sizeof three);
    std::int32_t v = 0;
    EXPECT_THROW(in >> v, CArchiveException);
}

TEST(ArchiveTest, OversizedLengthsAreRejected) {
    // A 32-bit string length far beyond the bytes that follow.
    const std::uint8_t huge[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'};
    CArchive ar(huge, sizeof huge);
    std::string s;
    EXPECT_THROW(ar >> s, CArchiveException);

    // An element count that cannot fit in what is left.
    const std::uint8_t count[] = {0x00, 0x00, 0x10, 0x00, 1, 2, 3, 4};
    CArchive in(count, sizeof count);
    EXPECT_THROW(in.ReadCount(4), CArchiveException);
}

TEST(ArchiveTest, TimeIsStoredAs32BitSeconds) {
    std::vector<std::uint8_t> out;
    CArchive ar(out);
    ar << CTime(1234567890);
    ASSERT_EQ(out.size(), 4u);
    CArchive in(out.data(), out.size());
    CTime t;
    in >> t;
    EXPECT_EQ(t.GetTime(), 1234567890);
}

}  // namespace
