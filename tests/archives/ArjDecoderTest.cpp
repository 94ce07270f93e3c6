// The ARJ decoders: streams written bit by bit whose output is worked out by
// hand, round trips through the test encoder, and damaged streams.
#include "readers/archives/ArjDecoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "archives/ArjTestEncoder.h"
#include "archives/BitWriter.h"
#include "archives/DecoderReading.h"

namespace {

using zbtest::ArjTestEncoder;
using zbtest::BitWriter;
using zbtest::HuffmanLengths;

constexpr const char* kFailed = zbtest::kDecodeFailed;

// Decodes `size` bytes of `method` from `packed` in reads of `block` bytes.
std::string Decode(const std::string& packed, int method, std::uint64_t size, int block = 4096) {
    CMemorySource source(reinterpret_cast<const std::uint8_t*>(packed.data()), packed.size());
    CArjDecoder decoder;
    if (!decoder.Start(source, method, size)) {
        return "<not started>";
    }
    return zbtest::DecodeAll(decoder, block);
}

// A complete code over `count` symbols with uneven weights.
std::vector<std::uint8_t> CompleteCode(unsigned count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<unsigned> weights(count);
    for (unsigned& w : weights) {
        w = 1 + random() % 50;
    }
    return HuffmanLengths(weights);
}

TEST(ArjDecoder, SingleSymbolLiteralCodeRepeatsItsByte) {
    BitWriter out;
    out.PutText("0000000000000101");     // a block of 5 symbols
    out.PutText("00000 00000");          // code-length code: one symbol (0), no bits
    out.PutText("000000000 001111000");  // literal code: one symbol, 'x' (0x78)
    out.PutText("00000 00000");          // position code: one symbol (0)
    EXPECT_EQ(Decode(out.Bytes(), 1, 5), "xxxxx");
    EXPECT_EQ(Decode(out.Bytes(), 2, 5, 1), "xxxxx");
    // The block ends after 5 symbols; the next block header is cut short.
    EXPECT_EQ(Decode(out.Bytes(), 3, 6), std::string("xxxxx") + kFailed);
}

TEST(ArjDecoder, FastMatchAtDistanceOneRepeatsTheLastByte) {
    BitWriter out;
    out.PutText("0 01100001");   // literal 'a'
    out.PutText("110 00");       // length prefix: two ones, value 3 + 0, length 5
    out.PutText("0 000000000");  // position width 9, distance 0: one byte back
    EXPECT_EQ(Decode(out.Bytes(), 4, 6), "aaaaaa");
}

TEST(ArjDecoder, HuffmanBlocksRoundTripAcrossWindowWraps) {
    ArjTestEncoder encoder;
    std::mt19937 random(11);
    const std::vector<std::uint8_t> lengthCode = CompleteCode(19, 1);
    for (int blockNumber = 0; blockNumber < 8; ++blockNumber) {
        const unsigned symbols = 1000 + static_cast<unsigned>(random() % 5000);
        std::vector<std::uint8_t> literal = CompleteCode(510, 10 + blockNumber);
        std::vector<std::uint8_t> position = CompleteCode(17, 20 + blockNumber);
        encoder.Block(symbols, literal, position, lengthCode);
        for (unsigned s = 0; s < symbols; ++s) {
            const std::size_t have = encoder.Data().size();
            if (have < 100 || random() % 3 == 0) {
                encoder.Literal(static_cast<std::uint8_t>('a' + random() % 20));
            } else {
                const unsigned limit = static_cast<unsigned>(
                    std::min<std::size_t>(have, CArjDecoder::kWindowSize) - 1);
                encoder.Match(3 + random() % 254, random() % (limit + 1));
            }
        }
    }
    const std::string& data = encoder.Data();
    ASSERT_GT(data.size(), 4 * CArjDecoder::kWindowSize);
    for (const int block : {1, 7, 4096, 65536}) {
        EXPECT_TRUE(Decode(encoder.Bytes(), 1, data.size(), block) == data) << block;
    }
}

TEST(ArjDecoder, FastMethodRoundTripsEveryLengthAndWidth) {
    ArjTestEncoder encoder;
    std::mt19937 random(5);
    for (int i = 0; i < 20000; ++i) {
        encoder.FastLiteral(static_cast<std::uint8_t>(random()));
    }
    for (unsigned length = 3; length <= 256; ++length) {
        encoder.FastMatch(length, random() % 15872);
    }
    for (const unsigned distance :
         {0u, 511u, 512u, 1535u, 1536u, 3583u, 3584u, 7679u, 7680u, 15871u}) {
        encoder.FastMatch(100, distance);
    }
    const std::string& data = encoder.Data();
    for (const int block : {1, 7, 4096, 65536}) {
        EXPECT_TRUE(Decode(encoder.Bytes(), 4, data.size(), block) == data) << block;
    }
}

TEST(ArjDecoder, BadCountsCodesAndDistancesFail) {
    const auto decodes = [](const std::string& bits, int method = 1) {
        BitWriter out;
        out.PutText(bits);
        return Decode(out.Bytes() + std::string(64, '\0'), method, 100);
    };
    // A block of no symbols would let zero bytes decode forever.
    EXPECT_EQ(decodes("0000000000000000"), kFailed);
    // Code-length code with 20 lengths, for 19 symbols.
    EXPECT_EQ(decodes("0000000000000001 10100"), kFailed);
    // Its single symbol 19 does not exist.
    EXPECT_EQ(decodes("0000000000000001 00000 10011"), kFailed);
    // Three lengths of 1: more codes than the code space holds.
    EXPECT_EQ(decodes("0000000000000001 00011 001 001 001 00"), kFailed);
    // Two lengths of 2: half the code space unused.
    EXPECT_EQ(decodes("0000000000000001 00010 010 010"), kFailed);
    // A zero run of 3 after 3 of 19... fine, but a literal code of 511.
    EXPECT_EQ(decodes("0000000000000001 00000 00000 111111111"), kFailed);
    // A code length that goes on in ones past 16.
    EXPECT_EQ(decodes("0000000000000001 00001 111 1111111111111111"), kFailed);
    // A literal run of zeros past the table: 20 + 511 from the first symbol.
    EXPECT_EQ(decodes("0000000000000001 00000 00010 000000011 111111111"), kFailed);
    // Method 1: match at distance 2^15 + ..., beyond the window.
    EXPECT_EQ(decodes("0000000000000010 00000 00000 000000000 100000000 00000 10000"
                      " 000000000000000"),
              kFailed);
    // Method 4: a match before the first byte.
    EXPECT_EQ(decodes("110 00 0 000000000", 4), kFailed);
    EXPECT_EQ(Decode("", 4, 10), kFailed);
    EXPECT_EQ(Decode("x", 0, 10), "<not started>");
    EXPECT_EQ(Decode("x", 5, 10), "<not started>");
}

TEST(ArjDecoder, TruncatedStreamHandsOutWhatItHasThenFails) {
    ArjTestEncoder encoder;
    encoder.Block(30000, CompleteCode(510, 3), CompleteCode(17, 4), CompleteCode(19, 5));
    for (int i = 0; i < 30000; ++i) {
        encoder.Literal(static_cast<std::uint8_t>(i * 7));
    }
    const std::string& packed = encoder.Bytes();
    const std::string& data = encoder.Data();
    for (const std::size_t cut :
         {std::size_t{1}, std::size_t{30}, packed.size() / 2, packed.size() - 1}) {
        const std::string out = Decode(packed.substr(0, cut), 1, data.size(), 1000);
        ASSERT_GE(out.size(), std::strlen(kFailed)) << cut;
        const std::string got = out.substr(0, out.size() - std::strlen(kFailed));
        EXPECT_EQ(out.substr(got.size()), kFailed) << cut;
        EXPECT_TRUE(got == data.substr(0, got.size())) << cut;
    }
    EXPECT_TRUE(Decode(packed, 1, 0xFFFFFFFFull, 65536) == data + kFailed);
}

}  // namespace
