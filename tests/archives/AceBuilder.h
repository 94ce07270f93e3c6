#pragma once
// Writing ACE headers for the reader tests: blocks with their checks, a main
// header and file headers (the packed data is whatever the test gives).

#include <cstdint>
#include <string>

#include "archives/CompressedTestData.h"

namespace zbtest {

// A block: the check (low 16 bits of a CRC-32 without its final inversion)
// and size of `header`, the header, then `data`.
inline std::string AceBlock(const std::string& header, const std::string& data = {}) {
    std::string out;
    PutLe(out, ~Crc32Of(header) & 0xFFFF, 2);
    PutLe(out, header.size(), 2);
    return out + header + data;
}

inline std::string AceMainHeader(int volume = 0) {
    std::string h;
    h += '\0';       // type 0
    PutLe(h, 0, 2);  // flags
    h += "**ACE**";
    h += "\x14\x14\x02";  // versions, host
    h += static_cast<char>(volume);
    PutLe(h, 0, 4);  // creation time
    h += std::string(8, '\0');
    return AceBlock(h);
}

inline std::string AceFileHeader(const std::string& name, const std::string& data,
                                 std::uint32_t size, std::uint32_t attributes = 0x20,
                                 std::uint16_t flags = 0x0001) {
    std::string h;
    h += '\1';
    PutLe(h, flags, 2);
    PutLe(h, data.size(), 4);
    PutLe(h, size, 4);
    PutLe(h, (0x5A21u << 16) | 0x6000, 4);  // 2025-01-01 12:00:00
    PutLe(h, attributes, 4);
    PutLe(h, Crc32Of(data), 4);
    h += std::string(6, '\0');  // type, quality, parameter, reserved
    PutLe(h, name.size(), 2);
    h += name;
    h += std::string(2, '\0');  // comment size
    return AceBlock(h, data);
}

}  // namespace zbtest
