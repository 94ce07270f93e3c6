// The RAR 2.0 decoder: streams written bit by bit whose output is worked out
// by hand, round trips through the test encoder, and damaged streams.
#include "readers/archives/Rar20Decoder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "archives/BitWriter.h"
#include "archives/DecoderReading.h"
#include "archives/Rar20TestEncoder.h"

namespace {

using zbtest::BitWriter;
using zbtest::Rar20TestEncoder;

constexpr const char* kFailed = zbtest::kDecodeFailed;

// Decodes `size` bytes from `packed` in reads of `block` bytes.
std::string Decode(const std::string& packed, std::uint64_t size, int block = 4096) {
    CMemorySource source(reinterpret_cast<const std::uint8_t*>(packed.data()), packed.size());
    CRar20Decoder decoder;
    decoder.Start(source, size);
    return zbtest::DecodeAll(decoder, block);
}

// The 19 four-bit lengths of the code-length code: `lengths` by symbol.
void BitLengthTable(BitWriter& out, std::initializer_list<std::pair<int, int>> lengths) {
    std::array<int, 19> all{};
    for (const auto& [symbol, length] : lengths) {
        all[static_cast<std::size_t>(symbol)] = length;
    }
    for (const int length : all) {
        out.Put(static_cast<std::uint32_t>(length), 4);
    }
}

// A run of zero lengths through symbol 18 ("11" in these tests): 11 + 7 bits.
void ZeroRun18(BitWriter& out, unsigned count) {
    while (count > 0) {
        const unsigned n = std::min(count, 138u);
        out.PutText("11");
        out.Put(n - 11, 7);
        count -= n;
    }
}

// Tables: code-length code {0, 1, 17, 18} in 2 bits each (00 01 10 11);
// main code: 'a' (97) as "0" and symbol 277 (length 7 + 3 = 10) as "1";
// distance code: slot 0 (distance 0 + 1) as "0".
void DistanceOneTables(BitWriter& out) {
    out.PutText("00");  // LZ tables, old lengths cleared
    BitLengthTable(out, {{0, 2}, {1, 2}, {17, 2}, {18, 2}});
    ZeroRun18(out, 97);
    out.PutText("01");  // 97: 1
    ZeroRun18(out, 277 - 98);
    out.PutText("01");  // 277: 1
    ZeroRun18(out, 298 - 278);
    out.PutText("01");  // distance slot 0: 1
    ZeroRun18(out, 374 - 299);
}

TEST(Rar20Decoder, MatchAtDistanceOneRepeatsTheLastByte) {
    BitWriter out;
    DistanceOneTables(out);
    out.PutText("0");  // 'a'
    out.PutText("1");  // 277: length 10, no extra bits
    out.PutText("0");  // distance slot 0: distance 1
    EXPECT_EQ(Decode(out.Bytes(), 11), "aaaaaaaaaaa");
    EXPECT_EQ(Decode(out.Bytes(), 11, 1), "aaaaaaaaaaa");
    EXPECT_EQ(Decode(out.Bytes(), 5), "aaaaa");  // the size ends it inside the match
}

TEST(Rar20Decoder, Symbol269ReadsNewTablesAsDifferences) {
    BitWriter out;
    // First tables: code-length code {0, 1, 2, 18} in 2 bits (00 01 10 11);
    // main code: 97 in 1 bit ("0"), 98 and 269 in 2 bits ("10", "11").
    out.PutText("00");
    BitLengthTable(out, {{0, 2}, {1, 2}, {2, 2}, {18, 2}});
    ZeroRun18(out, 97);
    out.PutText("01 10");  // 97: 1, 98: 2
    ZeroRun18(out, 269 - 99);
    out.PutText("10");  // 269: 2
    ZeroRun18(out, 374 - 270);
    out.PutText("0 10 11");  // 'a', 'b', new tables
    // Second tables keep the old lengths: differences 97 +1, 98 +15 (= -1),
    // 269 +0, with the code {0, 1, 15, 18} in 2 bits (00 01 10 11); so 98
    // is now "0", 97 "10", 269 "11".
    out.PutText("01");
    BitLengthTable(out, {{0, 2}, {1, 2}, {15, 2}, {18, 2}});
    ZeroRun18(out, 97);
    out.PutText("01 10");
    ZeroRun18(out, 269 - 99);
    out.PutText("00");
    ZeroRun18(out, 374 - 270);
    out.PutText("0 10");  // 'b', 'a'
    EXPECT_EQ(Decode(out.Bytes(), 4), "abba");
}

TEST(Rar20Decoder, MultimediaSpreadsBytesOverChannelsInTurn) {
    // Three channels ("1 0 10"); every weight is 0 at first, so a byte is
    // the channel's previous byte (0 at first) minus the symbol: channel 0
    // codes symbol 1 as "0", channel 1 symbol 2, channel 2 symbol 3.
    BitWriter out;
    out.PutText("1 0 10");
    BitLengthTable(out, {{0, 2}, {1, 2}, {17, 2}, {18, 2}});  // 00 01 10 11
    for (unsigned channel = 0; channel < 3; ++channel) {
        // Symbols 0 to `channel`: length 0 ("00" each); channel + 1: 1 ("01").
        for (unsigned zero = 0; zero <= channel; ++zero) {
            out.PutText("00");
        }
        out.PutText("01");
        ZeroRun18(out, 255 - (channel + 2));
        out.PutText("01 00");  // 255: 1, 256: 0
    }
    out.PutText("0 0 0 0");
    // Channel 0: 0 - 1 = 0xFF, then 0xFF - 1 = 0xFE; channel 1: 0 - 2;
    // channel 2: 0 - 3.
    EXPECT_EQ(Decode(out.Bytes(), 4), "\xFF\xFE\xFD\xFE");
}

// Lengths for a code over `count` symbols: some short, some past the
// decoder's lookup, all of them used.
std::vector<std::uint8_t> SpreadLengths(unsigned count, unsigned seed) {
    std::vector<std::uint8_t> lengths(count);
    for (unsigned i = 0; i < count; ++i) {
        lengths[i] = static_cast<std::uint8_t>((i * 7 + seed) % 11 == 0 ? 13 : 9);
    }
    return lengths;
}

TEST(Rar20Decoder, RoundTripOfEverySymbolKindWithTableChanges) {
    Rar20TestEncoder encoder;
    encoder.Tables(SpreadLengths(298, 1), SpreadLengths(48, 2), SpreadLengths(28, 3));
    std::mt19937 random(7);
    for (int i = 0; i < 3000; ++i) {
        encoder.Literal(static_cast<std::uint8_t>(random() % 7 + 'a'));
    }
    for (const unsigned distance : {1u, 300u, 0x101u, 2000u}) {
        encoder.Match(20, distance);  // fills the ring of recent distances
    }
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 2000; ++i) {
            switch (random() % 6) {
                case 0:
                    encoder.Literal(static_cast<std::uint8_t>(random()));
                    break;
                case 1:
                    encoder.Match(3 + random() % 250, 1 + random() % 2900);
                    break;
                case 2:
                    encoder.ShortMatch(1 + random() % 256);
                    break;
                case 3:
                    encoder.RepeatLast();
                    break;
                default:
                    encoder.RecentMatch(1 + random() % 4, 5 + random() % 200);
                    break;
            }
        }
        encoder.TablesFollow();
        encoder.Tables(SpreadLengths(298, 4 + round), SpreadLengths(48, 5 + round),
                       SpreadLengths(28, 6 + round), round % 2 == 0);
    }
    // Distances reaching far back, with their length adjustments.
    encoder.Match(200, 0x2000);
    encoder.Match(40, encoder.Data().size() - 1);
    encoder.RecentMatch(2, 100);
    const std::string& data = encoder.Data();
    for (const int block : {1, 7, 4096, 65536}) {
        EXPECT_EQ(Decode(encoder.Bytes(), data.size(), block), data) << block;
    }
}

TEST(Rar20Decoder, LongMemberWrapsTheWindow) {
    Rar20TestEncoder encoder;
    encoder.Tables(SpreadLengths(298, 1), SpreadLengths(48, 2), SpreadLengths(28, 3));
    std::mt19937 random(3);
    for (int i = 0; i < 50000; ++i) {
        encoder.Literal(static_cast<std::uint8_t>(random()));
    }
    while (encoder.Data().size() < 2 * CRar20Decoder::kWindowSize + 12345) {
        encoder.Match(255, 1 + random() % 40000);
        if (encoder.Data().size() > 0x41000) {
            encoder.Match(100, 0x40000 + random() % 1000);  // the longest adjustment
        }
    }
    const std::string& data = encoder.Data();
    EXPECT_EQ(Decode(encoder.Bytes(), data.size(), 65536), data);
    EXPECT_EQ(Decode(encoder.Bytes(), data.size(), 7), data);
}

// The weights and error sums of one channel, written out from the
// description of the multimedia mode.
struct AudioModel {
    int k[5] = {}, d[4] = {}, lastDelta = 0, lastByte = 0;
    unsigned errors[11] = {}, count = 0;

    std::uint8_t Byte(int symbol, int& channelDelta) {
        d[3] = d[2];
        d[2] = d[1];
        d[1] = lastDelta - d[0];
        d[0] = lastDelta;
        const int predicted = (8 * lastByte + k[0] * d[0] + k[1] * d[1] + k[2] * d[2] +
                               k[3] * d[3] + k[4] * channelDelta) >>
                              3;
        const int byte = (predicted - symbol) & 0xFF;
        const int s = static_cast<std::int8_t>(symbol) * 8;
        const int tried[11] = {s,        s - d[0],         s + d[0],        s - d[1],
                               s + d[1], s - d[2],         s + d[2],        s - d[3],
                               s + d[3], s - channelDelta, s + channelDelta};
        for (int i = 0; i < 11; ++i) {
            errors[i] += static_cast<unsigned>(std::abs(tried[i]));
        }
        channelDelta = lastDelta = static_cast<std::int8_t>(byte - lastByte);
        lastByte = byte;
        if (++count % 32 == 0) {
            int best = 0;
            for (int i = 1; i < 11; ++i) {
                if (errors[i] < errors[best]) {
                    best = i;
                }
            }
            for (unsigned& e : errors) {
                e = 0;
            }
            if (best > 0) {
                int& weight = k[(best - 1) / 2];
                if (best % 2 == 1 && weight >= -16) {
                    --weight;
                } else if (best % 2 == 0 && weight < 16) {
                    ++weight;
                }
            }
        }
        return static_cast<std::uint8_t>(byte);
    }
};

TEST(Rar20Decoder, MultimediaRoundTripAdaptsItsWeights) {
    for (unsigned channels = 1; channels <= 4; ++channels) {
        Rar20TestEncoder encoder;
        std::vector<std::vector<std::uint8_t>> tables(channels, SpreadLengths(257, channels));
        encoder.AudioTables(tables);
        std::vector<AudioModel> models(channels);
        int channelDelta = 0;
        std::mt19937 random(channels);
        for (int i = 0; i < 3000; ++i) {
            const unsigned channel = static_cast<unsigned>(i) % channels;
            // Small symbols, like the residues of a smooth signal.
            const int symbol = (static_cast<int>(random() % 9) - 4) & 0xFF;
            encoder.AudioSymbol(static_cast<unsigned>(symbol),
                                models[channel].Byte(symbol, channelDelta));
        }
        // Back to LZ tables in the middle of the member.
        encoder.TablesFollow(true);
        encoder.Tables(SpreadLengths(298, 1), SpreadLengths(48, 2), SpreadLengths(28, 3));
        encoder.Match(50, 3);
        EXPECT_EQ(Decode(encoder.Bytes(), encoder.Data().size(), 7), encoder.Data()) << channels;
        bool adapted = false;
        for (const AudioModel& model : models) {
            for (const int weight : model.k) {
                adapted = adapted || weight != 0;
            }
        }
        EXPECT_TRUE(adapted);
    }
}

TEST(Rar20Decoder, DamagedStreamsFailInsteadOfLooping) {
    // The code-length code of every case below is {0, 1, 2, 3} in 2 bits.
    const auto start = [](BitWriter& out) {
        out.PutText("00");
        BitLengthTable(out, {{0, 2}, {16, 2}, {17, 2}, {18, 2}});
    };
    BitWriter repeatFirst;  // symbol 16 with nothing before it to repeat
    start(repeatFirst);
    repeatFirst.PutText("01 00");
    EXPECT_EQ(Decode(repeatFirst.Bytes(), 10), kFailed);

    BitWriter overfull;  // three codes of 1 bit
    overfull.PutText("00");
    BitLengthTable(overfull, {{0, 1}, {1, 1}, {18, 1}});
    overfull.PutText("0000000000");
    EXPECT_EQ(Decode(overfull.Bytes(), 10), kFailed);

    BitWriter empty;  // a code-length code without any code, then zeros
    empty.PutText("00");
    BitLengthTable(empty, {});
    EXPECT_EQ(Decode(empty.Bytes() + std::string(100, '\0'), 10), kFailed);

    // Zero bytes alone: the tables say "all lengths zero", and the main code
    // then has no symbol.
    EXPECT_EQ(Decode(std::string(5000, '\0'), 1000), kFailed);
    EXPECT_EQ(Decode("", 1000), kFailed);

    // A match reaching before the first byte.
    BitWriter early;
    DistanceOneTables(early);
    early.PutText("1 0");
    EXPECT_EQ(Decode(early.Bytes(), 10), kFailed);
}

TEST(Rar20Decoder, TruncatedStreamHandsOutWhatItHasThenFails) {
    Rar20TestEncoder encoder;
    encoder.Tables(SpreadLengths(298, 1), SpreadLengths(48, 2), SpreadLengths(28, 3));
    for (int i = 0; i < 20000; ++i) {
        encoder.Literal(static_cast<std::uint8_t>(i * 31));
    }
    const std::string& packed = encoder.Bytes();
    const std::string& data = encoder.Data();
    for (const std::size_t cut :
         {std::size_t{0}, std::size_t{3}, std::size_t{60}, packed.size() / 2, packed.size() - 2}) {
        const std::string out = Decode(packed.substr(0, cut), data.size(), 1000);
        ASSERT_GE(out.size(), std::strlen(kFailed)) << cut;
        EXPECT_EQ(out.substr(out.size() - std::strlen(kFailed)), kFailed) << cut;
        const std::string got = out.substr(0, out.size() - std::strlen(kFailed));
        EXPECT_EQ(got, data.substr(0, got.size())) << cut;
    }
    // A member claiming 4 GiB from a few kilobytes ends as soon as the
    // input does.
    const std::string out = Decode(packed, 0xFFFFFFFFull, 65536);
    EXPECT_EQ(out, data + kFailed);
}

}  // namespace
