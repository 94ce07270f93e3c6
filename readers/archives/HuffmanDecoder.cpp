#include "readers/archives/HuffmanDecoder.h"

bool CHuffmanDecoder::Build(const std::uint8_t* lengths, unsigned count, unsigned maxLength,
                            bool complete) {
    m_nSingle = -1;
    m_nMaxLength = maxLength;
    std::array<std::uint32_t, kMaxLength + 1> perLength{};
    for (unsigned i = 0; i < count; ++i) {
        if (lengths[i] > maxLength) {
            return false;
        }
        ++perLength[lengths[i]];
    }
    perLength[0] = 0;

    // Codes of length L take 2^(16 - L) of the 2^16 values of a 16-bit field.
    std::uint32_t used = 0;
    m_limit[0] = 0;
    m_start[0] = 0;
    for (unsigned length = 1; length <= kMaxLength; ++length) {
        used += perLength[length] << (kMaxLength - length);
        if (used > (1u << kMaxLength)) {
            return false;  // more codes than the code space holds
        }
        m_limit[length] = used;
        m_start[length] = m_start[length - 1] + perLength[length - 1];
    }
    if (complete && used != (1u << kMaxLength)) {
        return false;
    }

    std::array<std::uint32_t, kMaxLength + 1> next = m_start;
    m_symbols.assign(m_start[kMaxLength] + perLength[kMaxLength], 0);
    for (unsigned i = 0; i < count; ++i) {
        if (lengths[i] != 0) {
            m_symbols[next[lengths[i]]++] = static_cast<std::uint16_t>(i);
        }
    }

    for (std::uint32_t prefix = 0; prefix < m_lookup.size(); ++prefix) {
        unsigned length = 0;
        unsigned index = 0;
        Find(prefix << (kMaxLength - kLookupBits), &length, &index);
        LookupEntry& entry = m_lookup[prefix];
        if (length <= kLookupBits && !m_symbols.empty()) {
            entry.length = static_cast<std::uint8_t>(length);
            entry.symbol = m_symbols[index];
        } else {
            entry.length = 0;
        }
    }
    return true;
}

void CHuffmanDecoder::BuildSingle(unsigned symbol) {
    m_nSingle = static_cast<int>(symbol);
}

void CHuffmanDecoder::Find(std::uint32_t field, unsigned* length, unsigned* index) const {
    unsigned l = 1;
    while (l <= m_nMaxLength && field >= m_limit[l]) {
        ++l;
    }
    if (l > m_nMaxLength) {
        // Past the last code: the first symbol, at the longest length.
        *length = m_nMaxLength;
        *index = 0;
        return;
    }
    *length = l;
    const std::uint32_t offset = (field - m_limit[l - 1]) >> (kMaxLength - l);
    *index = m_start[l] + offset;
}

int CHuffmanDecoder::DecodeLong(CBitReader& bits) const {
    if (m_symbols.empty()) {
        return -1;
    }
    unsigned length = 0;
    unsigned index = 0;
    Find(bits.Peek(kMaxLength), &length, &index);
    bits.Skip(length);
    return m_symbols[index < m_symbols.size() ? index : 0];
}
