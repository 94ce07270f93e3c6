#pragma once
// A canonical prefix code of the RAR and ARJ decoders: codes are handed out
// in order of their length, and within one length in order of the symbol.
//
// A symbol is decoded from the next 16 bits of input by the limit of each
// length: the code is the first length L whose limit (the first 16-bit value
// past the codes of length L and shorter) lies above those bits. Codes of up
// to kLookupBits bits are taken from a table indexed by the first bits.
//
// A code may leave part of the code space unused (unless built as complete);
// bits that fall there decode as the first symbol of the code, taking the
// longest length. A code that overfills the code space is refused.

#include <array>
#include <cstdint>
#include <vector>

#include "readers/archives/BitReader.h"

class CHuffmanDecoder {
public:
    static constexpr unsigned kMaxLength = 16;

    // Builds the code from one length per symbol (0 = the symbol has no code).
    // False when a length is above maxLength, the lengths overfill the code
    // space, or, with `complete`, leave part of it unused. A code without any
    // symbol builds, but decodes nothing.
    bool Build(const std::uint8_t* lengths, unsigned count, unsigned maxLength, bool complete);
    // A code of one symbol that takes no bits.
    void BuildSingle(unsigned symbol);

    // The next symbol, consumed from the input; -1 for a code without symbols.
    int Decode(CBitReader& bits) const {
        if (m_nSingle >= 0) {
            return m_nSingle;
        }
        const LookupEntry entry = m_lookup[bits.Peek(kLookupBits)];
        if (entry.length != 0) {
            bits.Skip(entry.length);
            return entry.symbol;
        }
        return DecodeLong(bits);
    }

private:
    static constexpr unsigned kLookupBits = 10;
    struct LookupEntry {
        std::uint16_t symbol = 0;
        std::uint8_t length = 0;  // 0: not in the table, decode by the limits
    };

    // Length and symbol index of the code that starts the 16 bits `field`.
    void Find(std::uint32_t field, unsigned* length, unsigned* index) const;
    int DecodeLong(CBitReader& bits) const;

    unsigned m_nMaxLength = 0;
    int m_nSingle = -1;
    std::array<std::uint32_t, kMaxLength + 1> m_limit{};  // per length; [0] = 0
    std::array<std::uint32_t, kMaxLength + 1>
        m_start{};                         // first position of each length in m_symbols
    std::vector<std::uint16_t> m_symbols;  // ordered by length, then value
    std::array<LookupEntry, 1u << kLookupBits> m_lookup{};
};
