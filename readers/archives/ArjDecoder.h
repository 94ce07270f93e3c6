#pragma once
// The decoder of ARJ compressed members over a 26,624-byte window:
// - methods 1 to 3: LZ77 whose literals and lengths, and positions, are
//   canonical codes sent at the start of each block of symbols;
// - method 4: LZ77 whose lengths and positions are simple bit prefixes.
//
// Every count, code length and distance read is checked: a block of no
// symbols, a count past its alphabet, a zero run past the table, code
// lengths that do not form a complete code, a distance past the window or
// before the member's first byte, and input past the member's compressed size
// all make the decoder fail.

#include <array>
#include <cstdint>
#include <memory>

#include "readers/archives/BitReader.h"
#include "readers/archives/HuffmanDecoder.h"
#include "readers/archives/LzDecoder.h"

class CArjDecoder : public CLzDecoder {
public:
    static constexpr std::size_t kWindowSize = 26624;

    CArjDecoder();

    // Starts decoding `size` bytes of a member of `method` (1 to 4) from
    // `source` (the member's compressed bytes); false for another method.
    bool Start(IByteSource& source, int method, std::uint64_t size);

protected:
    bool DecodeStep() override;

private:
    static constexpr unsigned kLiteralSymbols = 510;  // 256 bytes and 254 lengths
    static constexpr unsigned kPositionSymbols = 17;
    static constexpr unsigned kLengthCodeSymbols = 19;

    bool DecodeHuffmanStep();
    // Emit and EmitMatch for a symbol whose bits all came from the input.
    bool EmitLiteral(std::uint8_t byte);
    bool EmitCopy(unsigned distance, unsigned length);
    bool DecodeFastStep();
    // Reads the code of the next block (methods 1 to 3).
    bool ReadBlockHeader();
    // Reads the symbol count of a code in `countBits` bits; a count of 0 is
    // followed by the one symbol of the code, which is then built. False for
    // a count or symbol past the alphabet.
    bool ReadCount(CHuffmanDecoder& code, unsigned symbols, unsigned countBits, unsigned* count);
    // Reads the code-length code or the position code: a count in 5 bits,
    // then 3-bit lengths (7 extended by 1 bits), with a 2-bit zero run after
    // the third length when `zeroRunAt` is 3.
    bool ReadShortCode(CHuffmanDecoder& code, unsigned symbols, unsigned zeroRunAt);
    // Reads the literal and length code through the code-length code.
    bool ReadLiteralCode();

    std::unique_ptr<CBitReader> m_bits;
    int m_nMethod = 0;
    unsigned m_nBlockLeft = 0;  // symbols left in the current block
    CHuffmanDecoder m_literal;
    CHuffmanDecoder m_position;
    CHuffmanDecoder m_lengthCode;
};
