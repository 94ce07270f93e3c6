#include "readers/archives/Rar20Decoder.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Room a step needs in the window: the longest match is 260 bytes.
constexpr std::size_t kMaxStep = 270;

constexpr std::array<unsigned, 28> kLengthBase = {0,  1,  2,  3,   4,   5,   6,   7,  8,  10,
                                                  12, 14, 16, 20,  24,  28,  32,  40, 48, 56,
                                                  64, 80, 96, 112, 128, 160, 192, 224};
constexpr std::array<unsigned, 28> kLengthBits = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                                  2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr std::array<unsigned, 48> kDistanceBase = {
    0,      1,      2,      3,      4,      6,      8,      12,     16,     24,     32,     48,
    64,     96,     128,    192,    256,    384,    512,    768,    1024,   1536,   2048,   3072,
    4096,   6144,   8192,   12288,  16384,  24576,  32768,  49152,  65536,  98304,  131072, 196608,
    262144, 327680, 393216, 458752, 524288, 589824, 655360, 720896, 786432, 851968, 917504, 983040};
constexpr std::array<unsigned, 48> kDistanceBits = {
    0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,  7,  8,  8,  9,  9,  10, 10,
    11, 11, 12, 12, 13, 13, 14, 14, 15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
constexpr std::array<unsigned, 8> kShortBase = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr std::array<unsigned, 8> kShortBits = {2, 2, 3, 4, 5, 6, 6, 6};

constexpr unsigned kTableSymbol = 269;       // new tables follow
constexpr unsigned kAudioTableSymbol = 256;  // the same in multimedia mode

}  // namespace

CRar20Decoder::CRar20Decoder() : CLzDecoder(kWindowSize, kMaxStep) {}

void CRar20Decoder::Start(IByteSource& source, std::uint64_t unpackedSize) {
    Restart(unpackedSize);
    m_bits = std::make_unique<CBitReader>(source);
    m_bTablesRead = false;
    m_oldLengths.fill(0);
    m_bAudio = false;
    m_nChannels = 1;
    m_nChannel = 0;
    m_nChannelDelta = 0;
    m_channels.fill(Channel{});
    m_recent.fill(0);
    m_nRecent = 0;
    m_nLastDistance = 0;
    m_nLastLength = 0;
}

bool CRar20Decoder::DecodeStep() {
    bool ok = true;
    if (!m_bTablesRead) {
        ok = ReadTables();
        m_bTablesRead = true;
    } else if (m_bAudio) {
        const int symbol = m_audio[m_nChannel].Decode(*m_bits);
        if (symbol < 0) {
            return false;
        }
        if (static_cast<unsigned>(symbol) == kAudioTableSymbol) {
            ok = ReadTables();
        } else if (m_bits->Overrun()) {
            return false;  // the symbol ran past the input
        } else {
            Emit(PredictAudio(m_channels[m_nChannel], static_cast<unsigned>(symbol)));
            if (++m_nChannel == m_nChannels) {
                m_nChannel = 0;
            }
        }
    } else {
        ok = DecodeLzSymbol();
    }
    return ok && !m_bits->Overrun();
}

bool CRar20Decoder::ReadTables() {
    CBitReader& bits = *m_bits;
    const unsigned header = bits.Peek(16);
    m_bAudio = (header & 0x8000) != 0;
    if ((header & 0x4000) == 0) {
        m_oldLengths.fill(0);
    }
    bits.Skip(2);
    unsigned size = kMainSymbols + kDistanceSymbols + kRepeatSymbols;
    if (m_bAudio) {
        m_nChannels = ((header >> 12) & 3) + 1;
        if (m_nChannel >= m_nChannels) {
            m_nChannel = 0;
        }
        bits.Skip(2);
        size = kAudioSymbols * m_nChannels;
    }

    std::array<std::uint8_t, kBitLengthSymbols> bitLengths{};
    for (std::uint8_t& length : bitLengths) {
        length = static_cast<std::uint8_t>(bits.Get(4));
    }
    if (!m_bitLength.Build(bitLengths.data(), kBitLengthSymbols, kMaxCodeLength, false)) {
        return false;
    }

    std::array<std::uint8_t, kMaxChannels * kAudioSymbols> lengths{};
    unsigned i = 0;
    while (i < size) {
        const int symbol = m_bitLength.Decode(bits);
        if (symbol < 0 || bits.Overrun()) {
            return false;
        }
        if (symbol < 16) {
            lengths[i] = static_cast<std::uint8_t>((m_oldLengths[i] + symbol) & 15);
            ++i;
        } else if (symbol == 16) {
            if (i == 0) {
                return false;  // nothing to repeat
            }
            const unsigned end = std::min(size, i + 3 + bits.Get(2));
            for (; i < end; ++i) {
                lengths[i] = lengths[i - 1];
            }
        } else {
            const unsigned run = symbol == 17 ? 3 + bits.Get(3) : 11 + bits.Get(7);
            i = std::min(size, i + run);  // lengths[] is zero there already
        }
    }

    if (m_bAudio) {
        for (unsigned c = 0; c < m_nChannels; ++c) {
            if (!m_audio[c].Build(&lengths[c * kAudioSymbols], kAudioSymbols, kMaxCodeLength,
                                  false)) {
                return false;
            }
        }
    } else if (!m_main.Build(&lengths[0], kMainSymbols, kMaxCodeLength, false) ||
               !m_distance.Build(&lengths[kMainSymbols], kDistanceSymbols, kMaxCodeLength, false) ||
               !m_repeat.Build(&lengths[kMainSymbols + kDistanceSymbols], kRepeatSymbols,
                               kMaxCodeLength, false)) {
        return false;
    }
    std::copy(lengths.begin(), lengths.begin() + size, m_oldLengths.begin());
    return true;
}

bool CRar20Decoder::DecodeLzSymbol() {
    CBitReader& bits = *m_bits;
    const int decoded = m_main.Decode(bits);
    if (decoded < 0) {
        return false;
    }
    const auto symbol = static_cast<unsigned>(decoded);
    if (symbol < 256) {
        if (bits.Overrun()) {
            return false;
        }
        Emit(static_cast<std::uint8_t>(symbol));
        return true;
    }
    if (symbol == 256) {
        return CopyMatch(m_nLastDistance, m_nLastLength);
    }
    if (symbol < 261) {
        const unsigned distance = m_recent[(m_nRecent - (symbol - 256)) & 3];
        const int slot = m_repeat.Decode(bits);
        if (slot < 0) {
            return false;
        }
        unsigned length = kLengthBase[slot] + 2 + bits.Get(kLengthBits[slot]);
        length += (distance >= 0x101) + (distance >= 0x2000) + (distance >= 0x40000);
        return CopyMatch(distance, length);
    }
    if (symbol < kTableSymbol) {
        const unsigned slot = symbol - 261;
        return CopyMatch(kShortBase[slot] + 1 + bits.Get(kShortBits[slot]), 2);
    }
    if (symbol == kTableSymbol) {
        return ReadTables();
    }
    const unsigned slot = symbol - 270;
    unsigned length = kLengthBase[slot] + 3 + bits.Get(kLengthBits[slot]);
    const int distanceSlot = m_distance.Decode(bits);
    if (distanceSlot < 0) {
        return false;
    }
    const unsigned distance =
        kDistanceBase[distanceSlot] + 1 + bits.Get(kDistanceBits[distanceSlot]);
    length += (distance >= 0x2000) + (distance >= 0x40000);
    return CopyMatch(distance, length);
}

bool CRar20Decoder::CopyMatch(unsigned distance, unsigned length) {
    if (m_bits->Overrun()) {
        return false;  // the match ran past the input
    }
    m_recent[m_nRecent++ & 3] = distance;
    m_nLastDistance = distance;
    m_nLastLength = length;
    return length == 0 || EmitMatch(distance, length);
}

std::uint8_t CRar20Decoder::PredictAudio(Channel& c, unsigned delta) {
    c.d[3] = c.d[2];
    c.d[2] = c.d[1];
    c.d[1] = c.lastDelta - c.d[0];
    c.d[0] = c.lastDelta;
    const int prediction = (8 * static_cast<int>(c.lastByte) + c.k[0] * c.d[0] + c.k[1] * c.d[1] +
                            c.k[2] * c.d[2] + c.k[3] * c.d[3] + c.k[4] * m_nChannelDelta) >>
                           3;
    const unsigned byte = (static_cast<unsigned>(prediction) - delta) & 0xFF;

    const int d = static_cast<int>(static_cast<std::int8_t>(delta)) * 8;
    const std::array<int, 11> deviations = {
        d,          d - c.d[0], d + c.d[0], d - c.d[1],          d + c.d[1],         d - c.d[2],
        d + c.d[2], d - c.d[3], d + c.d[3], d - m_nChannelDelta, d + m_nChannelDelta};
    for (std::size_t i = 0; i < deviations.size(); ++i) {
        c.errors[i] += static_cast<unsigned>(std::abs(deviations[i]));
    }
    m_nChannelDelta = c.lastDelta = static_cast<std::int8_t>(byte - c.lastByte);
    c.lastByte = byte;

    if ((++c.byteCount & 0x1F) == 0) {
        // Every 32 bytes the weight whose change would have erred least moves
        // one step: sums 1 and 2 lower and raise K1, 3 and 4 K2, and so on.
        const std::size_t best = static_cast<std::size_t>(
            std::min_element(c.errors.begin(), c.errors.end()) - c.errors.begin());
        c.errors.fill(0);
        if (best > 0) {
            int& k = c.k[(best - 1) / 2];
            if (best % 2 == 1) {
                if (k >= -16) {
                    --k;
                }
            } else if (k < 16) {
                ++k;
            }
        }
    }
    return static_cast<std::uint8_t>(byte);
}
