#pragma once
// Byte building (little-endian, and big-endian for the formats that use it)
// for the format writers of the tests.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zbtest {

using Bytes = std::vector<std::uint8_t>;

inline void PutLe16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void PutLe32(Bytes& out, std::uint32_t value) {
    PutLe16(out, value & 0xFFFF);
    PutLe16(out, value >> 16);
}

inline void PutLe64(Bytes& out, std::uint64_t value) {
    PutLe32(out, static_cast<std::uint32_t>(value));
    PutLe32(out, static_cast<std::uint32_t>(value >> 32));
}

inline void PutBe16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

inline void PutBe32(Bytes& out, std::uint32_t value) {
    PutBe16(out, value >> 16);
    PutBe16(out, value & 0xFFFF);
}

inline void PutBytes(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

inline void PutBytes(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

inline void SetLe16(Bytes& out, std::size_t offset, std::uint32_t value) {
    out.at(offset) = static_cast<std::uint8_t>(value);
    out.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

inline void SetLe32(Bytes& out, std::size_t offset, std::uint32_t value) {
    SetLe16(out, offset, value & 0xFFFF);
    SetLe16(out, offset + 2, value >> 16);
}

inline std::uint32_t GetLe32(const Bytes& in, std::size_t offset) {
    return static_cast<std::uint32_t>(in.at(offset)) |
           (static_cast<std::uint32_t>(in.at(offset + 1)) << 8) |
           (static_cast<std::uint32_t>(in.at(offset + 2)) << 16) |
           (static_cast<std::uint32_t>(in.at(offset + 3)) << 24);
}

// ASCII (or Latin-1 bytes) as UTF-16LE code units, without a terminator.
inline Bytes Utf16Le(std::string_view text) {
    Bytes out;
    for (const char c : text) {
        PutLe16(out, static_cast<unsigned char>(c));
    }
    return out;
}

inline void PadTo(Bytes& out, std::size_t alignment) {
    while (out.size() % alignment != 0) {
        out.push_back(0);
    }
}

inline Bytes ToBytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

inline std::string ToString(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace zbtest
