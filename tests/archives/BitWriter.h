#pragma once
// Writing bit streams for the decoder tests: bits most significant first in
// each byte, as the RAR and ARJ decoders read them, and canonical codes made
// from code lengths the usual way (shorter codes first, then by symbol).

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zbtest {

class BitWriter {
public:
    // The low `count` bits of `value`, highest first.
    void Put(std::uint32_t value, unsigned count) {
        for (unsigned i = count; i-- > 0;) {
            PutBit((value >> i) & 1);
        }
    }
    // Bits written as text: '0' and '1', anything else (blanks) skipped.
    void PutText(std::string_view bits) {
        for (const char c : bits) {
            if (c == '0' || c == '1') {
                PutBit(c == '1');
            }
        }
    }
    // The bytes so far; the last one padded with zero bits.
    const std::string& Bytes() const { return m_bytes; }

private:
    void PutBit(bool bit) {
        if (m_used == 8) {
            m_bytes.push_back('\0');
            m_used = 0;
        }
        if (bit) {
            m_bytes.back() = static_cast<char>(m_bytes.back() | (0x80 >> m_used));
        }
        ++m_used;
    }

    std::string m_bytes;
    unsigned m_used = 8;  // bits of the last byte in use (8: the next bit starts a byte)
};

// A prefix code: per symbol its code and length (length 0: no code).
struct CanonicalCode {
    std::vector<std::uint32_t> codes;
    std::vector<std::uint8_t> lengths;

    explicit CanonicalCode(std::vector<std::uint8_t> codeLengths)
        : lengths(std::move(codeLengths)) {
        codes.assign(lengths.size(), 0);
        std::uint32_t code = 0;
        for (unsigned length = 1; length <= 16; ++length) {
            for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
                if (lengths[symbol] == length) {
                    codes[symbol] = code++;
                }
            }
            code <<= 1;
        }
    }
    void Write(BitWriter& out, unsigned symbol) const {
        if (symbol >= lengths.size() || lengths[symbol] == 0) {
            throw std::logic_error("symbol without a code");
        }
        out.Put(codes[symbol], lengths[symbol]);
    }
};

// Code lengths of a Huffman code for the weights (0: no code), so that the
// lengths fill the code space exactly; empty when a length would exceed
// `maxLength`.
inline std::vector<std::uint8_t> HuffmanLengths(const std::vector<unsigned>& weights,
                                                unsigned maxLength = 16) {
    struct Node {
        std::uint64_t weight;
        std::vector<std::size_t> symbols;
    };
    std::vector<Node> nodes;
    for (std::size_t i = 0; i < weights.size(); ++i) {
        if (weights[i] > 0) {
            nodes.push_back({weights[i], {i}});
        }
    }
    std::vector<std::uint8_t> lengths(weights.size(), 0);
    if (nodes.size() < 2) {
        return {};
    }
    while (nodes.size() > 1) {
        std::sort(nodes.begin(), nodes.end(),
                  [](const Node& a, const Node& b) { return a.weight > b.weight; });
        Node a = std::move(nodes.back());
        nodes.pop_back();
        Node b = std::move(nodes.back());
        nodes.pop_back();
        for (const std::size_t symbol : a.symbols) {
            ++lengths[symbol];
        }
        for (const std::size_t symbol : b.symbols) {
            ++lengths[symbol];
        }
        a.symbols.insert(a.symbols.end(), b.symbols.begin(), b.symbols.end());
        nodes.push_back({a.weight + b.weight, std::move(a.symbols)});
    }
    for (const std::uint8_t length : lengths) {
        if (length > maxLength) {
            return {};
        }
    }
    return lengths;
}

}  // namespace zbtest
