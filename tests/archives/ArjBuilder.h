#pragma once
// Writing ARJ archives header by header for the reader tests: each header
// with its CRC-32, stored members, the end marker.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "archives/CompressedTestData.h"

namespace zbtest {

// One ARJ header: id, size, the basic header, its CRC-32, no extended header.
inline std::string ArjHeader(const std::string& basic) {
    std::string out = "\x60\xEA";
    out += static_cast<char>(basic.size() & 0xFF);
    out += static_cast<char>(basic.size() >> 8);
    out += basic;
    PutLe(out, Crc32Of(basic), 4);
    return out + std::string(2, '\0');
}

// A basic header of first-header size 30, MS-DOS host, with the given
// fields; `tail` is the name and comment part.
inline std::string ArjBasic(std::uint8_t method, std::uint8_t fileType, std::uint32_t packed,
                            std::uint32_t size, std::uint32_t crc, const std::string& tail) {
    std::string b(30, '\0');
    b[0] = 30;
    b[1] = 11;
    b[2] = 1;
    b[5] = static_cast<char>(method);
    b[6] = static_cast<char>(fileType);
    const std::uint32_t dosTime = (0x5A21u << 16) | 0x6000;  // 2025-01-01 12:00
    const std::uint32_t fields[] = {dosTime, packed, size, crc};
    std::string packedFields;
    for (const std::uint32_t field : fields) {
        PutLe(packedFields, field, 4);
    }
    b.replace(8, 16, packedFields);
    return b + tail;
}

// A stored archive: main header, one stored member per (name, data), end.
inline std::string StoredArj(const std::vector<std::pair<std::string, std::string>>& members) {
    std::string out = ArjHeader(ArjBasic(0, 2, 0, 0, 0, std::string("x.arj\0\0", 7)));
    for (const auto& [name, data] : members) {
        out += ArjHeader(ArjBasic(0, 0, static_cast<std::uint32_t>(data.size()),
                                  static_cast<std::uint32_t>(data.size()), Crc32Of(data),
                                  name + std::string(2, '\0')));
        out += data;
    }
    return out + std::string("\x60\xEA\0\0", 4);
}

}  // namespace zbtest
