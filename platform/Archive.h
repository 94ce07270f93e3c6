#pragma once
// The serialiser of the program's data file: 32-bit little-endian integers and
// counts, strings with a variable-length length prefix and no terminator.
// Storing appends to a byte buffer; loading reads from a byte range and checks
// every length against the bytes that are left, throwing CArchiveException on
// truncated or oversized input.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/CTime.h"

class CArchiveException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CArchive {
public:
    // An archive that stores into `out` (appending).
    explicit CArchive(std::vector<std::uint8_t>& out);
    // An archive that loads from [data, data + size); the bytes must outlive it.
    CArchive(const void* data, std::size_t size);

    bool IsStoring() const { return m_out != nullptr; }
    bool IsLoading() const { return m_out == nullptr; }

    // Bytes not yet read (loading).
    std::size_t BytesLeft() const { return m_size - m_pos; }
    std::size_t GetPosition() const { return m_pos; }

    void Write(const void* data, std::size_t size);
    // Reads exactly `size` bytes or throws.
    void Read(void* data, std::size_t size);

    CArchive& operator<<(std::int32_t v) { return WriteLe(static_cast<std::uint32_t>(v), 4); }
    CArchive& operator<<(std::uint32_t v) { return WriteLe(v, 4); }
    CArchive& operator<<(std::uint16_t v) { return WriteLe(v, 2); }
    CArchive& operator<<(std::uint8_t v) { return WriteLe(v, 1); }
    CArchive& operator<<(std::int64_t v) { return WriteLe64(static_cast<std::uint64_t>(v)); }
    CArchive& operator<<(std::uint64_t v) { return WriteLe64(v); }
    CArchive& operator<<(const std::string& s);
    // A time is a signed 32-bit count of seconds since 1970; one outside
    // that range is stored as the range's nearest end.
    CArchive& operator<<(const CTime& t);

    CArchive& operator>>(std::int32_t& v);
    CArchive& operator>>(std::uint32_t& v);
    CArchive& operator>>(std::uint16_t& v);
    CArchive& operator>>(std::uint8_t& v);
    CArchive& operator>>(std::int64_t& v);
    CArchive& operator>>(std::uint64_t& v);
    CArchive& operator>>(std::string& s);
    CArchive& operator>>(CTime& t);

    // Reads a 32-bit element count and checks that `count` elements of at
    // least `minBytesEach` bytes can still follow; throws otherwise.
    std::uint32_t ReadCount(std::size_t minBytesEach);
    // Writes a 32-bit element count.
    void WriteCount(std::size_t count);

    // The length prefix of a string of `length` bytes, as it is stored.
    static void WriteStringLength(std::vector<std::uint8_t>& out, std::size_t length);

private:
    CArchive& WriteLe(std::uint32_t v, int bytes);
    CArchive& WriteLe64(std::uint64_t v);
    std::uint64_t ReadLe(int bytes);
    std::size_t ReadStringLength();

    std::vector<std::uint8_t>* m_out = nullptr;
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_pos = 0;
};
