#pragma once
// Bounds-checked reading of little- and big-endian values out of bytes read
// from files. Every read checks what is left before it touches a byte; a read
// that does not fit fails and marks the reader failed, and a failed reader
// stays failed: every later read yields 0 and every later seek fails. So a
// parser can read a whole record and test Ok() once.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace zb {

using ByteSpan = std::span<const std::uint8_t>;

// Values stored at `p` (which the caller has checked).
inline std::uint16_t LoadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t LoadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t LoadLe64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(LoadLe32(p)) |
           (static_cast<std::uint64_t>(LoadLe32(p + 4)) << 32);
}
inline std::uint16_t LoadBe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t LoadBe32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}
inline std::uint64_t LoadBe64(const std::uint8_t* p) {
    return (static_cast<std::uint64_t>(LoadBe32(p)) << 32) | LoadBe32(p + 4);
}

// A four-character code as stored in RIFF and similar files ("RIFF" is
// FourCc("RIFF")): the first character in the lowest byte.
constexpr std::uint32_t FourCc(const char (&code)[5]) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[0])) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[1])) << 8) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[2])) << 16) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[3])) << 24);
}

// A cursor over a span of bytes that it does not own.
class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(ByteSpan data) : m_data(data) {}
    ByteReader(const void* data, std::size_t size)
        : m_data(static_cast<const std::uint8_t*>(data), size) {}

    std::size_t Size() const { return m_data.size(); }
    std::size_t Position() const { return m_position; }
    std::size_t Remaining() const { return m_data.size() - m_position; }
    // False once any read, seek or skip has failed.
    bool Ok() const { return m_ok; }
    ByteSpan Data() const { return m_data; }

    // Moves to `position` (at most Size()); fails beyond the end.
    bool Seek(std::uint64_t position);
    // Moves forward by `count` bytes; fails past the end.
    bool Skip(std::uint64_t count);

    // The next value; 0 (and a failed reader) when it does not fit.
    std::uint8_t U8();
    std::uint16_t U16Le();
    std::uint32_t U32Le();
    std::uint64_t U64Le();
    std::uint16_t U16Be();
    std::uint32_t U32Be();
    std::uint64_t U64Be();
    // The next `count` bytes; an empty span (and a failed reader) when fewer are left.
    ByteSpan Bytes(std::uint64_t count);

    // A reader over `size` bytes at `offset` of this span; a failed, empty
    // reader when the range does not lie inside it.
    ByteReader Sub(std::uint64_t offset, std::uint64_t size) const;

private:
    const std::uint8_t* Take(std::size_t count);

    ByteSpan m_data;
    std::size_t m_position = 0;
    bool m_ok = true;
};

// Whether [offset, offset + size) lies inside a container of `total` bytes,
// without overflow.
constexpr bool RangeFits(std::uint64_t offset, std::uint64_t size, std::uint64_t total) {
    return offset <= total && size <= total - offset;
}

inline std::string_view AsChars(ByteSpan bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace zb
