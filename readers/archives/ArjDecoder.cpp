#include "readers/archives/ArjDecoder.h"

namespace {

// The longest match: length symbol 509 gives 256 bytes.
constexpr std::size_t kMaxStep = 256;
constexpr unsigned kMaxCodeLength = 16;
constexpr unsigned kMatchOffset = 253;  // a symbol c >= 256 copies c - 253 bytes

}  // namespace

CArjDecoder::CArjDecoder() : CLzDecoder(kWindowSize, kMaxStep) {}

bool CArjDecoder::Start(IByteSource& source, int method, std::uint64_t size) {
    if (method < 1 || method > 4) {
        return false;
    }
    Restart(size);
    m_bits = std::make_unique<CBitReader>(source);
    m_nMethod = method;
    m_nBlockLeft = 0;
    return true;
}

bool CArjDecoder::DecodeStep() {
    const bool ok = m_nMethod == 4 ? DecodeFastStep() : DecodeHuffmanStep();
    return ok && !m_bits->Overrun();
}

bool CArjDecoder::DecodeHuffmanStep() {
    if (m_nBlockLeft == 0 && !ReadBlockHeader()) {
        return false;
    }
    --m_nBlockLeft;
    const int symbol = m_literal.Decode(*m_bits);
    if (symbol < 0) {
        return false;
    }
    if (symbol < 256) {
        return EmitLiteral(static_cast<std::uint8_t>(symbol));
    }
    const int slot = m_position.Decode(*m_bits);
    if (slot < 0) {
        return false;
    }
    const unsigned distance =
        slot <= 1 ? static_cast<unsigned>(slot)
                  : (1u << (slot - 1)) + m_bits->Get(static_cast<unsigned>(slot - 1));
    return EmitCopy(distance, static_cast<unsigned>(symbol) - kMatchOffset);
}

bool CArjDecoder::DecodeFastStep() {
    CBitReader& bits = *m_bits;
    unsigned ones = 0;
    while (ones < 7 && bits.Get(1) != 0) {
        ++ones;
    }
    if (ones == 0) {
        return EmitLiteral(static_cast<std::uint8_t>(bits.Get(8)));
    }
    const unsigned length = (1u << ones) - 1 + bits.Get(ones) + 2;
    unsigned width = 9;
    while (width < 13 && bits.Get(1) != 0) {
        ++width;
    }
    const unsigned distance = (1u << width) - 512 + bits.Get(width);
    return EmitCopy(distance, length);
}

bool CArjDecoder::EmitLiteral(std::uint8_t byte) {
    if (m_bits->Overrun()) {
        return false;  // the symbol ran past the input
    }
    Emit(byte);
    return true;
}

bool CArjDecoder::EmitCopy(unsigned distance, unsigned length) {
    // The copy starts distance + 1 bytes back.
    return !m_bits->Overrun() && EmitMatch(distance + 1, length);
}

bool CArjDecoder::ReadBlockHeader() {
    m_nBlockLeft = m_bits->Get(16);
    return m_nBlockLeft != 0 && ReadShortCode(m_lengthCode, kLengthCodeSymbols, 3) &&
           ReadLiteralCode() && ReadShortCode(m_position, kPositionSymbols, 0) &&
           !m_bits->Overrun();
}

bool CArjDecoder::ReadCount(CHuffmanDecoder& code, unsigned symbols, unsigned countBits,
                            unsigned* count) {
    *count = m_bits->Get(countBits);
    if (*count == 0) {
        // A code of one symbol, sent in as many bits as the count.
        const unsigned symbol = m_bits->Get(countBits);
        if (symbol >= symbols) {
            return false;
        }
        code.BuildSingle(symbol);
        return true;
    }
    return *count <= symbols;
}

bool CArjDecoder::ReadShortCode(CHuffmanDecoder& code, unsigned symbols, unsigned zeroRunAt) {
    CBitReader& bits = *m_bits;
    unsigned count = 0;
    if (!ReadCount(code, symbols, 5, &count)) {
        return false;
    }
    if (count == 0) {
        return true;  // the one symbol's code is built
    }
    std::array<std::uint8_t, kLengthCodeSymbols> lengths{};
    unsigned i = 0;
    while (i < count) {
        unsigned length = bits.Get(3);
        // 7 goes on with a 1 bit for each further step, ended by a 0 bit.
        while (length >= 7 && length <= kMaxCodeLength && bits.Get(1) != 0) {
            ++length;
        }
        if (length > kMaxCodeLength) {
            return false;
        }
        lengths[i++] = static_cast<std::uint8_t>(length);
        if (i == zeroRunAt) {
            const unsigned zeros = bits.Get(2);
            if (i + zeros > symbols) {
                return false;
            }
            i += zeros;
        }
        if (bits.Overrun()) {
            return false;
        }
    }
    return code.Build(lengths.data(), symbols, kMaxCodeLength, true);
}

bool CArjDecoder::ReadLiteralCode() {
    CBitReader& bits = *m_bits;
    unsigned count = 0;
    if (!ReadCount(m_literal, kLiteralSymbols, 9, &count)) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    std::array<std::uint8_t, kLiteralSymbols> lengths{};
    unsigned i = 0;
    while (i < count) {
        const int c = m_lengthCode.Decode(bits);
        if (c < 0 || bits.Overrun()) {
            return false;
        }
        if (c > 2) {
            lengths[i++] = static_cast<std::uint8_t>(c - 2);
            continue;
        }
        const unsigned zeros = c == 0 ? 1 : c == 1 ? bits.Get(4) + 3 : bits.Get(9) + 20;
        if (i + zeros > kLiteralSymbols) {
            return false;
        }
        i += zeros;
    }
    return m_literal.Build(lengths.data(), kLiteralSymbols, kMaxCodeLength, true);
}
