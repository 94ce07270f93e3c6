// zb_make_rar: packs files into a RAR archive whose members are compressed
// with the RAR 2.0 method, for the decoding bench (no Debian tool writes
// RAR). A greedy LZ77 parse with a hash of three bytes feeds the encoder of
// the decoder tests; the codes are Huffman codes of the member's symbols.
//
//   zb_make_rar <archive.rar> <file>...
//
// Each file becomes a member named by its path as given.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archives/BitWriter.h"
#include "archives/Rar20TestEncoder.h"
#include "archives/RarBuilder.h"

namespace {

constexpr std::size_t kWindow = (1u << 20) - 1;
constexpr std::size_t kMaxMatch = 255;
constexpr unsigned kHashBits = 16;

struct Token {
    unsigned length = 0;  // 0: a literal
    unsigned value = 0;   // the literal, or the distance
};

unsigned Hash(const std::string& data, std::size_t at) {
    const unsigned key = static_cast<unsigned char>(data[at]) |
                         (static_cast<unsigned char>(data[at + 1]) << 8) |
                         (static_cast<unsigned char>(data[at + 2]) << 16);
    return (key * 2654435761u) >> (32 - kHashBits);
}

// The shortest match worth its adjustments at this distance.
unsigned MinLength(std::size_t distance) {
    return 3 + (distance >= 0x2000) + (distance >= 0x40000);
}

std::vector<Token> Parse(const std::string& data) {
    std::vector<Token> tokens;
    std::vector<std::int64_t> last(1u << kHashBits, -1);
    std::size_t at = 0;
    while (at < data.size()) {
        Token token{0, static_cast<unsigned char>(data[at])};
        if (at + 3 <= data.size()) {
            const unsigned h = Hash(data, at);
            const std::int64_t candidate = last[h];
            last[h] = static_cast<std::int64_t>(at);
            if (candidate >= 0 && at - static_cast<std::size_t>(candidate) <= kWindow) {
                const std::size_t distance = at - static_cast<std::size_t>(candidate);
                std::size_t length = 0;
                while (length < kMaxMatch && at + length < data.size() &&
                       data[at + length] == data[candidate + static_cast<std::int64_t>(length)]) {
                    ++length;
                }
                if (length >= MinLength(distance)) {
                    token = {static_cast<unsigned>(length), static_cast<unsigned>(distance)};
                }
            }
        }
        tokens.push_back(token);
        at += token.length == 0 ? 1 : token.length;
    }
    return tokens;
}

template <std::size_t N>
unsigned SlotOf(const unsigned (&base)[N], unsigned value) {
    unsigned slot = 0;
    while (slot + 1 < N && base[slot + 1] <= value) {
        ++slot;
    }
    return slot;
}

// Code lengths from symbol counts (every symbol used gets a code).
std::vector<std::uint8_t> Lengths(std::vector<unsigned> counts) {
    unsigned used = 0;
    for (const unsigned c : counts) {
        used += c > 0;
    }
    for (std::size_t i = 0; used < 2 && i < counts.size(); ++i) {
        if (counts[i] == 0) {
            counts[i] = 1;
            ++used;
        }
    }
    for (unsigned scale = 1;; scale *= 2) {
        std::vector<unsigned> scaled(counts.size());
        for (std::size_t i = 0; i < counts.size(); ++i) {
            scaled[i] = counts[i] == 0 ? 0 : 1 + counts[i] / scale;
        }
        std::vector<std::uint8_t> lengths = zbtest::HuffmanLengths(scaled, 15);
        if (!lengths.empty()) {
            return lengths;
        }
    }
}

std::string Compress(const std::string& data) {
    static const unsigned kLengthBase[] = {0,  1,  2,  3,   4,   5,   6,   7,  8,  10,
                                           12, 14, 16, 20,  24,  28,  32,  40, 48, 56,
                                           64, 80, 96, 112, 128, 160, 192, 224};
    static const unsigned kDistanceBase[] = {
        0,      1,      2,      3,      4,      6,      8,      12,     16,     24,
        32,     48,     64,     96,     128,    192,    256,    384,    512,    768,
        1024,   1536,   2048,   3072,   4096,   6144,   8192,   12288,  16384,  24576,
        32768,  49152,  65536,  98304,  131072, 196608, 262144, 327680, 393216, 458752,
        524288, 589824, 655360, 720896, 786432, 851968, 917504, 983040};
    const std::vector<Token> tokens = Parse(data);
    std::vector<unsigned> main(298), distance(48);
    for (const Token& t : tokens) {
        if (t.length == 0) {
            ++main[t.value];
        } else {
            const unsigned adjust = (t.value >= 0x2000) + (t.value >= 0x40000);
            ++main[270 + SlotOf(kLengthBase, t.length - 3 - adjust)];
            ++distance[SlotOf(kDistanceBase, t.value - 1)];
        }
    }
    zbtest::Rar20TestEncoder encoder;
    encoder.Tables(Lengths(main), Lengths(distance), std::vector<std::uint8_t>(28, 5));
    for (const Token& t : tokens) {
        if (t.length == 0) {
            encoder.Literal(static_cast<std::uint8_t>(t.value));
        } else {
            encoder.Match(t.length, t.value);
        }
    }
    // A few bytes after the last code, as other decoders read ahead.
    return encoder.Bytes() + std::string(8, '\0');
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: zb_make_rar <archive.rar> <file>...\n");
        return 2;
    }
    zbtest::RarBuilder builder;
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "zb_make_rar: cannot read %s\n", argv[i]);
            return 1;
        }
        const std::string data((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        builder.File(zbtest::RarFile::Packed(argv[i], Compress(data), data));
    }
    std::ofstream out(argv[1], std::ios::binary);
    out << builder.End();
    return out ? 0 : 1;
}
