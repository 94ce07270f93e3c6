#pragma once
// Writing RAR archives (the block format of RAR 1.5 to 4.x) for the reader
// tests: the marker, a main header, file headers with their data, other
// blocks, and the end block. Header checks are the low 16 bits of a CRC-32
// of the header from its type byte on.

#include <cstdint>
#include <string>

#include "archives/CompressedTestData.h"

namespace zbtest {

struct RarFile {
    std::string name;
    std::string packed;          // the data area as stored
    std::uint64_t size = 0;      // unpacked size
    std::uint32_t crc = 0;       // of the unpacked bytes
    std::uint8_t method = 0x30;  // '0' stored
    std::uint8_t version = 20;
    std::uint8_t host = 2;         // Windows
    std::uint16_t flags = 0x8000;  // a data area follows
    std::uint32_t attributes = 0x20;
    std::uint32_t dosTime = 0x5A216000;  // 2025-01-01 12:00:00

    // A stored member of `data`.
    static RarFile Stored(std::string name, const std::string& data) {
        RarFile f;
        f.name = std::move(name);
        f.packed = data;
        f.size = data.size();
        f.crc = Crc32Of(data);
        return f;
    }
    // A member packed by the RAR 2.0 test encoder.
    static RarFile Packed(std::string name, const std::string& packed, const std::string& data) {
        RarFile f = Stored(std::move(name), data);
        f.packed = packed;
        f.method = 0x33;
        return f;
    }
};

class RarBuilder {
public:
    RarBuilder() {
        m_bytes = std::string("Rar!\x1A\x07\x00", 7);
        Block(0x73, 0x0000, std::string(6, '\0'));
    }
    // A block of any type: check, type, flags, size, then `body`.
    RarBuilder& Block(std::uint8_t type, std::uint16_t flags, const std::string& body,
                      const std::string& data = {}) {
        std::string header;
        header += static_cast<char>(type);
        PutLe(header, flags, 2);
        PutLe(header, 7 + body.size(), 2);
        header += body;
        std::string block;
        PutLe(block, Crc32Of(header) & 0xFFFF, 2);
        m_bytes += block + header + data;
        return *this;
    }
    RarBuilder& File(const RarFile& f) {
        const bool large = (f.flags & 0x0100) != 0;
        std::string body;
        PutLe(body, f.packed.size() & 0xFFFFFFFF, 4);
        PutLe(body, f.size & 0xFFFFFFFF, 4);
        body += static_cast<char>(f.host);
        PutLe(body, f.crc, 4);
        PutLe(body, f.dosTime, 4);
        body += static_cast<char>(f.version);
        body += static_cast<char>(f.method);
        PutLe(body, f.name.size(), 2);
        PutLe(body, f.attributes, 4);
        if (large) {
            PutLe(body, f.packed.size() >> 32, 4);
            PutLe(body, f.size >> 32, 4);
        }
        body += f.name;
        return Block(0x74, f.flags, body, f.packed);
    }
    // An old-style sub-block with a data area (owner or stream data).
    RarBuilder& SubBlock(const std::string& data) {
        std::string body;
        PutLe(body, data.size(), 4);
        body += "\x01\x01";  // a sub-block type
        return Block(0x77, 0x8000, body, data);
    }
    std::string End() { return Block(0x7B, 0x4000, std::string()).m_bytes; }
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

}  // namespace zbtest
