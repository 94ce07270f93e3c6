#pragma once
// A small encoder of ARJ compressed streams for the decoder tests: blocks of
// methods 1 to 3 with the codes a test chooses, and method 4's prefixes. It
// keeps the bytes the stream stands for, so a test can compare the
// decoder's output with them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archives/BitWriter.h"

namespace zbtest {

class ArjTestEncoder {
public:
    static constexpr unsigned kLiteralSymbols = 510, kPositionSymbols = 17, kLengthSymbols = 19;

    // Methods 1 to 3: a block header for `symbols` symbols with these codes.
    void Block(unsigned symbols, const std::vector<std::uint8_t>& literal,
               const std::vector<std::uint8_t>& position,
               const std::vector<std::uint8_t>& lengthCode) {
        m_out.Put(symbols, 16);
        WriteShortCode(lengthCode, 3);
        WriteLiteralCode(literal, CanonicalCode(lengthCode));
        WriteShortCode(position, 0);
        m_literal = std::make_unique<CanonicalCode>(literal);
        m_position = std::make_unique<CanonicalCode>(position);
    }
    void Literal(std::uint8_t byte) {
        m_literal->Write(m_out, byte);
        m_data.push_back(static_cast<char>(byte));
    }
    // Copies `length` (3 to 256) bytes starting distance + 1 bytes back.
    void Match(unsigned length, unsigned distance) {
        m_literal->Write(m_out, length + 253);
        unsigned slot = distance;  // 0 and 1 stand for themselves
        if (distance >= 2) {
            slot = 1;
            while ((1u << slot) <= distance) {
                ++slot;  // up to 2^(slot-1) <= distance < 2^slot
            }
        }
        m_position->Write(m_out, slot);
        if (slot > 1) {
            m_out.Put(distance - (1u << (slot - 1)), slot - 1);
        }
        Copy(length, distance);
    }

    // Method 4.
    void FastLiteral(std::uint8_t byte) {
        m_out.Put(0, 1);
        m_out.Put(byte, 8);
        m_data.push_back(static_cast<char>(byte));
    }
    void FastMatch(unsigned length, unsigned distance) {
        const unsigned value = length - 2;  // 1 to 254
        unsigned ones = 0;
        while (ones < 7 && value >= (2u << ones) - 1) {
            ++ones;
        }
        m_out.Put((1u << ones) - 1, ones);
        if (ones < 7) {
            m_out.Put(0, 1);
        }
        m_out.Put(value - ((1u << ones) - 1), ones);
        unsigned width = 9;
        while (width < 13 && distance >= (2u << width) - 512) {
            ++width;
        }
        m_out.Put((1u << (width - 9)) - 1, width - 9);
        if (width < 13) {
            m_out.Put(0, 1);
        }
        m_out.Put(distance - ((1u << width) - 512), width);
        Copy(length, distance);
    }

    const std::string& Bytes() const { return m_out.Bytes(); }
    const std::string& Data() const { return m_data; }

private:
    void Copy(unsigned length, unsigned distance) {
        for (unsigned n = 0; n < length; ++n) {
            m_data.push_back(m_data[m_data.size() - distance - 1]);
        }
    }

    // Count in 5 bits; 3-bit lengths, 7 and up as 7 followed by one 1 bit
    // per step and a 0; after the third length (when `zeroRunAt` is 3) a
    // 2-bit count of zero lengths that follow.
    void WriteShortCode(const std::vector<std::uint8_t>& lengths, unsigned zeroRunAt) {
        std::size_t count = lengths.size();
        while (count > 0 && lengths[count - 1] == 0) {
            --count;
        }
        m_out.Put(static_cast<std::uint32_t>(count), 5);
        std::size_t i = 0;
        while (i < count) {
            const unsigned length = lengths[i++];
            if (length < 7) {
                m_out.Put(length, 3);
            } else {
                m_out.Put(7, 3);
                m_out.Put((1u << (length - 7)) - 1, length - 7);
                m_out.Put(0, 1);
            }
            if (i == zeroRunAt) {
                unsigned zeros = 0;
                while (zeros < 3 && i + zeros < lengths.size() && lengths[i + zeros] == 0) {
                    ++zeros;
                }
                m_out.Put(zeros, 2);
                i += zeros;
            }
        }
    }
    // Count in 9 bits; lengths through the code-length code: 0 one zero, 1
    // and 4 bits 3 to 18 zeros, 2 and 9 bits 20 or more, n + 2 length n.
    void WriteLiteralCode(const std::vector<std::uint8_t>& lengths, const CanonicalCode& code) {
        std::size_t count = lengths.size();
        while (count > 0 && lengths[count - 1] == 0) {
            --count;
        }
        m_out.Put(static_cast<std::uint32_t>(count), 9);
        std::size_t i = 0;
        while (i < count) {
            std::size_t zeros = 0;
            while (i + zeros < count && lengths[i + zeros] == 0) {
                ++zeros;
            }
            if (zeros >= 20) {
                zeros = std::min<std::size_t>(zeros, 20 + 511);
                code.Write(m_out, 2);
                m_out.Put(static_cast<std::uint32_t>(zeros - 20), 9);
            } else if (zeros >= 3) {
                zeros = std::min<std::size_t>(zeros, 18);
                code.Write(m_out, 1);
                m_out.Put(static_cast<std::uint32_t>(zeros - 3), 4);
            } else if (zeros > 0) {
                zeros = 1;
                code.Write(m_out, 0);
            } else {
                code.Write(m_out, lengths[i] + 2u);
                zeros = 1;
            }
            i += zeros;
        }
    }

    BitWriter m_out;
    std::string m_data;
    std::unique_ptr<CanonicalCode> m_literal, m_position;
};

}  // namespace zbtest
