#pragma once
// A small encoder of RAR 2.0 streams for the decoder and reader tests. It
// writes what it is told (tables, literals, matches of each kind, multimedia
// symbols) and keeps the bytes those stand for, so a test can compare the
// decoder's output with them. Table lengths are sent as differences from
// the previous tables, with runs of zeros and repeats where they fit.

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "archives/BitWriter.h"

namespace zbtest {

class Rar20TestEncoder {
public:
    static constexpr unsigned kMain = 298, kDistance = 48, kRepeat = 28, kAudio = 257;

    // New LZ tables (the first call, or after TablesFollow()).
    void Tables(const std::vector<std::uint8_t>& main, const std::vector<std::uint8_t>& distance,
                const std::vector<std::uint8_t>& repeat, bool keepOld = false) {
        std::vector<std::uint8_t> all = main;
        all.insert(all.end(), distance.begin(), distance.end());
        all.insert(all.end(), repeat.begin(), repeat.end());
        WriteTables(all, false, 1, keepOld);
        m_main = std::make_unique<CanonicalCode>(main);
        m_distance = std::make_unique<CanonicalCode>(distance);
        m_repeat = std::make_unique<CanonicalCode>(repeat);
    }
    // New multimedia tables: one length list of 257 per channel.
    void AudioTables(const std::vector<std::vector<std::uint8_t>>& channels, bool keepOld = false) {
        std::vector<std::uint8_t> all;
        for (const auto& lengths : channels) {
            all.insert(all.end(), lengths.begin(), lengths.end());
        }
        WriteTables(all, true, static_cast<unsigned>(channels.size()), keepOld);
        m_audio.clear();
        for (const auto& lengths : channels) {
            m_audio.emplace_back(lengths);
        }
        if (m_channel >= channels.size()) {
            m_channel = 0;
        }
    }
    // Symbol 269 (256 in multimedia mode): tables follow.
    void TablesFollow(bool audio = false) {
        if (audio) {
            m_audio[m_channel].Write(m_out, 256);
        } else {
            m_main->Write(m_out, 269);
        }
    }

    void Literal(std::uint8_t byte) {
        m_main->Write(m_out, byte);
        m_data.push_back(static_cast<char>(byte));
    }
    // A match through symbols 270-297 and the distance table.
    void Match(unsigned length, unsigned distance) {
        const unsigned adjust = (distance >= 0x2000) + (distance >= 0x40000);
        const unsigned lengthSlot = Slot(kLengthBase, kLengthBits, length - 3 - adjust);
        m_main->Write(m_out, 270 + lengthSlot);
        m_out.Put(length - 3 - adjust - kLengthBase[lengthSlot], kLengthBits[lengthSlot]);
        const unsigned distanceSlot = Slot(kDistanceBase, kDistanceBits, distance - 1);
        m_distance->Write(m_out, distanceSlot);
        m_out.Put(distance - 1 - kDistanceBase[distanceSlot], kDistanceBits[distanceSlot]);
        Copy(length, distance);
    }
    // A match of length 2 through symbols 261-268 (distance 1 to 256).
    void ShortMatch(unsigned distance) {
        const unsigned slot = Slot(kShortBase, kShortBits, distance - 1);
        m_main->Write(m_out, 261 + slot);
        m_out.Put(distance - 1 - kShortBase[slot], kShortBits[slot]);
        Copy(2, distance);
    }
    // Symbol 256: the last match again.
    void RepeatLast() {
        m_main->Write(m_out, 256);
        Copy(m_lastLength, m_lastDistance);
    }
    // Symbols 257-260: the k-th most recent distance (1 = the last).
    void RecentMatch(unsigned k, unsigned length) {
        const unsigned distance = m_recent[(m_recentIndex - k) & 3];
        const unsigned adjust = (distance >= 0x101) + (distance >= 0x2000) + (distance >= 0x40000);
        const unsigned slot = Slot(kLengthBase, kLengthBits, length - 2 - adjust);
        m_main->Write(m_out, 256 + k);
        m_repeat->Write(m_out, slot);
        m_out.Put(length - 2 - adjust - kLengthBase[slot], kLengthBits[slot]);
        Copy(length, distance);
    }
    // A multimedia symbol for the current channel; its byte is predicted by
    // the caller (the test knows what it expects).
    void AudioSymbol(unsigned symbol, std::uint8_t expectedByte) {
        m_audio[m_channel].Write(m_out, symbol);
        m_data.push_back(static_cast<char>(expectedByte));
        m_channel = (m_channel + 1) % static_cast<unsigned>(m_audio.size());
    }

    const std::string& Bytes() const { return m_out.Bytes(); }
    const std::string& Data() const { return m_data; }

private:
    static constexpr std::array<unsigned, 28> kLengthBase = {
        0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
        24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
    static constexpr std::array<unsigned, 28> kLengthBits = {
        0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
    static constexpr std::array<unsigned, 48> kDistanceBase = {
        0,      1,      2,      3,      4,      6,      8,      12,     16,     24,
        32,     48,     64,     96,     128,    192,    256,    384,    512,    768,
        1024,   1536,   2048,   3072,   4096,   6144,   8192,   12288,  16384,  24576,
        32768,  49152,  65536,  98304,  131072, 196608, 262144, 327680, 393216, 458752,
        524288, 589824, 655360, 720896, 786432, 851968, 917504, 983040};
    static constexpr std::array<unsigned, 48> kDistanceBits = {
        0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
        7,  7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14,
        15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
    static constexpr std::array<unsigned, 8> kShortBase = {0, 4, 8, 16, 32, 64, 128, 192};
    static constexpr std::array<unsigned, 8> kShortBits = {2, 2, 3, 4, 5, 6, 6, 6};

    template <std::size_t N>
    static unsigned Slot(const std::array<unsigned, N>& base, const std::array<unsigned, N>& bits,
                         unsigned value) {
        for (unsigned slot = 0; slot < N; ++slot) {
            if (value >= base[slot] && value - base[slot] < (1u << bits[slot])) {
                return slot;
            }
        }
        throw std::logic_error("value outside every slot");
    }

    void Copy(unsigned length, unsigned distance) {
        m_recent[m_recentIndex++ & 3] = distance;
        m_lastLength = length;
        m_lastDistance = distance;
        for (unsigned n = 0; n < length; ++n) {
            m_data.push_back(m_data[m_data.size() - distance]);
        }
    }

    // The table header and the lengths, through a code-length code in which
    // symbols 0-15 (differences), 16 (repeat), 17 and 18 (zero runs) all
    // take 5 bits.
    void WriteTables(const std::vector<std::uint8_t>& lengths, bool audio, unsigned channels,
                     bool keepOld) {
        m_out.Put(audio ? 1 : 0, 1);
        m_out.Put(keepOld ? 1 : 0, 1);
        if (audio) {
            m_out.Put(channels - 1, 2);
        }
        if (!keepOld) {
            m_old.fill(0);
        }
        const CanonicalCode bitLengths(std::vector<std::uint8_t>(19, 5));
        for (int i = 0; i < 19; ++i) {
            m_out.Put(5, 4);
        }
        std::size_t i = 0;
        while (i < lengths.size()) {
            std::size_t zeros = 0;
            while (i + zeros < lengths.size() && lengths[i + zeros] == 0 && zeros < 138) {
                ++zeros;
            }
            std::size_t same = 0;
            while (i > 0 && i + same < lengths.size() && lengths[i + same] == lengths[i - 1] &&
                   same < 6) {
                ++same;
            }
            if (zeros >= 11) {
                bitLengths.Write(m_out, 18);
                m_out.Put(static_cast<std::uint32_t>(zeros - 11), 7);
                i += zeros;
            } else if (zeros >= 3) {
                bitLengths.Write(m_out, 17);
                m_out.Put(static_cast<std::uint32_t>(zeros - 3), 3);
                i += zeros;
            } else if (same >= 3) {
                bitLengths.Write(m_out, 16);
                m_out.Put(static_cast<std::uint32_t>(same - 3), 2);
                i += same;
            } else {
                bitLengths.Write(m_out, (lengths[i] - m_old[i]) & 15);
                ++i;
            }
        }
        std::copy(lengths.begin(), lengths.end(), m_old.begin());
    }

    BitWriter m_out;
    std::string m_data;
    std::array<std::uint8_t, 4 * kAudio> m_old{};
    std::unique_ptr<CanonicalCode> m_main, m_distance, m_repeat;
    std::vector<CanonicalCode> m_audio;
    unsigned m_channel = 0;
    std::array<unsigned, 4> m_recent{};
    unsigned m_recentIndex = 0;
    unsigned m_lastLength = 0;
    unsigned m_lastDistance = 0;
};

}  // namespace zbtest
