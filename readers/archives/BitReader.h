#pragma once
// Bit input of the RAR and ARJ decoders: a byte stream read as bits, most
// significant bit of each byte first, in chunks from a byte source.
//
// Past the end of the input the reader supplies zero bits, so a decoder may
// look ahead freely; but consuming any of those bits, or a failed read of the
// source, marks the reader as overrun, and the decoder then fails instead of
// decoding an endless supply of zeros.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/FileMapping.h"

// Where a bit reader takes its bytes from.
class IByteSource {
public:
    virtual ~IByteSource() = default;
    // Up to `count` bytes into the buffer: the count placed, 0 at the end of
    // the input, -1 on a read error.
    virtual std::int64_t ReadBytes(std::uint8_t* buffer, std::size_t count) = 0;
};

// The bytes [offset, offset + length) of a file, read front to back.
class CFileRangeSource : public IByteSource {
public:
    CFileRangeSource(const zb::PositionedReader& file, std::uint64_t offset, std::uint64_t length)
        : m_file(file), m_offset(offset), m_left(length) {}
    std::int64_t ReadBytes(std::uint8_t* buffer, std::size_t count) override;
    // Bytes of the range not read yet.
    std::uint64_t Left() const { return m_left; }

private:
    const zb::PositionedReader& m_file;
    std::uint64_t m_offset;
    std::uint64_t m_left;
};

// A byte range held in memory.
class CMemorySource : public IByteSource {
public:
    CMemorySource(const std::uint8_t* data, std::size_t size) : m_data(data), m_left(size) {}
    std::int64_t ReadBytes(std::uint8_t* buffer, std::size_t count) override;

private:
    const std::uint8_t* m_data;
    std::size_t m_left;
};

class CBitReader {
public:
    // Bytes read from the source at a time.
    static constexpr std::size_t kChunk = 8192;

    explicit CBitReader(IByteSource& source) : m_source(source), m_buffer(kChunk) {}

    // The next n bits (1..16) as a number, without consuming them.
    unsigned Peek(unsigned n) {
        if (m_count < 32) {
            Fill();
        }
        return static_cast<unsigned>(m_bits >> (64 - n));
    }
    void Skip(unsigned n) {
        if (m_count < n) {
            Fill();
        }
        m_bits <<= n;
        m_count -= n;
        if (m_count < m_padding) {
            m_bOverrun = true;
            m_padding = m_count;
        }
    }
    // The next n bits (0..16), consumed.
    unsigned Get(unsigned n) {
        if (n == 0) {
            return 0;
        }
        const unsigned value = Peek(n);
        Skip(n);
        return value;
    }
    // True once a bit past the end of the input was consumed, or the source
    // failed.
    bool Overrun() const { return m_bOverrun; }

private:
    // Tops up the bit store to at least 57 bits, with zeros past the input.
    void Fill();

    IByteSource& m_source;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    std::uint64_t m_bits = 0;  // the next bits, left-aligned
    unsigned m_count = 0;      // valid bits in m_bits
    unsigned m_padding = 0;    // of those, the zero bits past the input (at the low end)
    bool m_bSourceEnded = false;
    bool m_bOverrun = false;
};
