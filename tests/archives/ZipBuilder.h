#pragma once
// Builds ZIP archives byte by byte for the reader's tests, with control over
// the parts real tools do not vary on request: data descriptors, ZIP64
// fields, bytes in front of the archive, flags, methods and bad checksums.

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archives/CompressedTestData.h"

namespace zbtest {

struct ZipTestMember {
    ZipTestMember(std::string n, std::string c, std::uint16_t m = 8)
        : name(std::move(n)), contents(std::move(c)), method(m) {}
    ZipTestMember& Flags(std::uint16_t f) {
        flags = f;
        return *this;
    }
    ZipTestMember& DataDescriptor() {
        dataDescriptor = true;
        return *this;
    }
    ZipTestMember& Zip64() {
        zip64 = true;
        return *this;
    }
    ZipTestMember& Extra(std::string e) {
        centralExtra = std::move(e);
        return *this;
    }
    ZipTestMember& Crc(std::uint32_t c) {
        crc = c;
        return *this;
    }
    ZipTestMember& DeclaredSize(std::uint64_t s) {
        declaredSize = s;
        return *this;
    }

    std::string name;  // stored bytes of the name
    std::string contents;
    std::uint16_t method = 8;  // 8 deflates; any other method stores the bytes as they are
    std::uint16_t flags = 0;
    bool dataDescriptor =
        false;  // zero sizes and CRC in the local header, a descriptor after the data
    bool zip64 =
        false;  // sizes and offset as 0xFFFFFFFF in the central header, with a 0x0001 extra
    std::string centralExtra;  // further extra records of the central header
    std::uint16_t dosDate = (44 << 9) | (3 << 5) | 14;    // 2024-03-14
    std::uint16_t dosTime = (13 << 11) | (37 << 5) | 21;  // 13:37:42
    std::optional<std::uint32_t> crc;                     // instead of the contents' CRC-32
    std::optional<std::uint64_t> declaredSize;            // instead of the contents' size
};

struct ZipBuildOptions {
    ZipBuildOptions& Prefix(std::string p, bool includedInOffsets) {
        prefix = std::move(p);
        offsetsIncludePrefix = includedInOffsets;
        return *this;
    }
    ZipBuildOptions& Zip64End(bool on = true) {
        zip64End = on;
        return *this;
    }
    ZipBuildOptions& Comment(std::string c) {
        comment = std::move(c);
        return *this;
    }

    std::string prefix;                 // bytes in front of the archive (a self-extractor stub)
    bool offsetsIncludePrefix = false;  // offsets count from the file's start, not the archive's
    bool zip64End = false;  // ZIP64 end record and locator, classic fields set to their markers
    std::string comment;    // archive comment after the end record
};

struct ZipImage {
    std::string bytes;
    std::vector<std::size_t> boundaries;  // offset of every header and of the data after it
};

inline std::string RawDeflate(const std::string& data) {
    return Deflate(data, 6, -MAX_WBITS);
}

// One extra-field record.
inline std::string ExtraRecord(std::uint16_t id, const std::string& data) {
    std::string out;
    PutLe(out, id, 2);
    PutLe(out, data.size(), 2);
    return out + data;
}

inline ZipImage BuildZip(const std::vector<ZipTestMember>& members,
                         const ZipBuildOptions& options = {}) {
    ZipImage image;
    std::string& out = image.bytes;
    out = options.prefix;
    const std::uint64_t base = options.offsetsIncludePrefix ? 0 : options.prefix.size();
    std::string central;
    for (const ZipTestMember& m : members) {
        const std::string data = m.method == 8 ? RawDeflate(m.contents) : m.contents;
        const std::uint32_t crc = m.crc.value_or(Crc32Of(m.contents));
        const std::uint64_t size = m.declaredSize.value_or(m.contents.size());
        const std::uint64_t localOffset = out.size() - base;
        const std::uint16_t flags = m.flags | (m.dataDescriptor ? 0x0008 : 0);

        image.boundaries.push_back(out.size());
        PutLe(out, 0x04034b50, 4);
        PutLe(out, 20, 2);
        PutLe(out, flags, 2);
        PutLe(out, m.method, 2);
        PutLe(out, m.dosTime, 2);
        PutLe(out, m.dosDate, 2);
        PutLe(out, m.dataDescriptor ? 0 : crc, 4);
        PutLe(out, m.dataDescriptor ? 0 : data.size(), 4);
        PutLe(out, m.dataDescriptor ? 0 : size, 4);
        PutLe(out, m.name.size(), 2);
        PutLe(out, 0, 2);
        out += m.name;
        image.boundaries.push_back(out.size());
        out += data;
        if (m.dataDescriptor) {
            image.boundaries.push_back(out.size());
            PutLe(out, 0x08074b50, 4);
            PutLe(out, crc, 4);
            PutLe(out, data.size(), 4);
            PutLe(out, size, 4);
        }

        std::string extra;
        if (m.zip64) {
            std::string fields;
            PutLe(fields, size, 8);
            PutLe(fields, data.size(), 8);
            PutLe(fields, localOffset, 8);
            extra = ExtraRecord(0x0001, fields);
        }
        extra += m.centralExtra;
        PutLe(central, 0x02014b50, 4);
        PutLe(central, 20, 2);
        PutLe(central, 20, 2);
        PutLe(central, flags, 2);
        PutLe(central, m.method, 2);
        PutLe(central, m.dosTime, 2);
        PutLe(central, m.dosDate, 2);
        PutLe(central, crc, 4);
        PutLe(central, m.zip64 ? 0xFFFFFFFFu : data.size(), 4);
        PutLe(central, m.zip64 ? 0xFFFFFFFFu : size, 4);
        PutLe(central, m.name.size(), 2);
        PutLe(central, extra.size(), 2);
        PutLe(central, 0, 2);
        PutLe(central, 0, 2);
        PutLe(central, 0, 2);
        PutLe(central, 0, 4);
        PutLe(central, m.zip64 ? 0xFFFFFFFFu : localOffset, 4);
        central += m.name;
        central += extra;
    }
    const std::uint64_t centralOffset = out.size() - base;
    for (std::size_t pos = 0; pos < central.size();) {
        image.boundaries.push_back(out.size() + pos);
        const auto le16 = [&](std::size_t at) {
            return static_cast<std::size_t>(static_cast<unsigned char>(central[at]) |
                                            (static_cast<unsigned char>(central[at + 1]) << 8));
        };
        pos += 46 + le16(pos + 28) + le16(pos + 30) + le16(pos + 32);
    }
    out += central;
    if (options.zip64End) {
        const std::uint64_t end64Offset = out.size() - base;
        image.boundaries.push_back(out.size());
        PutLe(out, 0x06064b50, 4);
        PutLe(out, 44, 8);
        PutLe(out, 45, 2);
        PutLe(out, 45, 2);
        PutLe(out, 0, 4);
        PutLe(out, 0, 4);
        PutLe(out, members.size(), 8);
        PutLe(out, members.size(), 8);
        PutLe(out, central.size(), 8);
        PutLe(out, centralOffset, 8);
        image.boundaries.push_back(out.size());
        PutLe(out, 0x07064b50, 4);
        PutLe(out, 0, 4);
        PutLe(out, end64Offset, 8);
        PutLe(out, 1, 4);
    }
    image.boundaries.push_back(out.size());
    PutLe(out, 0x06054b50, 4);
    PutLe(out, 0, 2);
    PutLe(out, 0, 2);
    PutLe(out, options.zip64End ? 0xFFFF : members.size(), 2);
    PutLe(out, options.zip64End ? 0xFFFF : members.size(), 2);
    PutLe(out, options.zip64End ? 0xFFFFFFFFu : central.size(), 4);
    PutLe(out, options.zip64End ? 0xFFFFFFFFu : centralOffset, 4);
    PutLe(out, options.comment.size(), 2);
    out += options.comment;
    return image;
}

}  // namespace zbtest
