#pragma once
// Builders for the archive readers' tests: TAR headers and members written
// byte by byte (so that a test controls every field), and gzip and bzip2
// compression in memory through zlib and libbz2.

#include <bzlib.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace zbtest {

// One 512-byte TAR header. `size` is written as 11 octal digits unless
// `sizeField` gives the 12 raw bytes of the field. With `ustar` the header
// carries the POSIX magic and `prefix`.
struct TarHeaderSpec {
    std::string name;
    long long size = 0;
    char type = '0';
    long long mtime = 1200000000;  // 2008-01-10 21:20:00 UTC
    bool ustar = false;
    std::string prefix;
    std::string sizeField;
};

inline std::string TarHeader(const TarHeaderSpec& spec) {
    std::string block(512, '\0');
    std::memcpy(block.data(), spec.name.data(), std::min<std::size_t>(spec.name.size(), 100));
    std::memcpy(block.data() + 100, "0000644", 7);
    std::memcpy(block.data() + 108, "0001750", 7);
    std::memcpy(block.data() + 116, "0001750", 7);
    char number[16];
    if (spec.sizeField.empty()) {
        std::snprintf(number, sizeof number, "%011llo", spec.size);
        std::memcpy(block.data() + 124, number, 11);
    } else {
        std::memcpy(block.data() + 124, spec.sizeField.data(), 12);
    }
    std::snprintf(number, sizeof number, "%011llo", spec.mtime);
    std::memcpy(block.data() + 136, number, 11);
    block[156] = spec.type;
    if (spec.ustar) {
        std::memcpy(block.data() + 257,
                    "ustar\0"
                    "00",
                    8);
        std::memcpy(block.data() + 345, spec.prefix.data(),
                    std::min<std::size_t>(spec.prefix.size(), 155));
    }
    std::memset(block.data() + 148, ' ', 8);
    unsigned sum = 0;
    for (const char c : block) {
        sum += static_cast<unsigned char>(c);
    }
    std::snprintf(number, sizeof number, "%06o", sum);
    std::memcpy(block.data() + 148, number, 7);
    return block;
}

// `data` followed by zero bytes up to a multiple of 512.
inline std::string TarPadded(std::string data) {
    data.resize((data.size() + 511) / 512 * 512, '\0');
    return data;
}

// A header and its padded data.
inline std::string TarMember(const std::string& name, const std::string& data, char type = '0') {
    TarHeaderSpec spec;
    spec.name = name;
    spec.size = static_cast<long long>(data.size());
    spec.type = type;
    return TarHeader(spec) + TarPadded(data);
}

// The two zero blocks that end an archive.
inline std::string TarEnd() {
    return std::string(1024, '\0');
}

// `data` deflated at `level`; `windowBits` picks the wrapper as zlib's
// deflateInit2 reads it (negative: raw, 16 + MAX_WBITS: gzip).
inline std::string Deflate(const std::string& data, int level, int windowBits) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

inline std::string Gzip(const std::string& data) {
    return Deflate(data, Z_BEST_COMPRESSION, 16 + MAX_WBITS);
}

inline std::string Bzip2(const std::string& data) {
    std::string out(data.size() + data.size() / 100 + 600, '\0');
    unsigned int length = static_cast<unsigned int>(out.size());
    BZ2_bzBuffToBuffCompress(out.data(), &length, const_cast<char*>(data.data()),
                             static_cast<unsigned int>(data.size()), 9, 0, 0);
    out.resize(length);
    return out;
}

// Bytes that differ at every position modulo 251.
inline std::string PatternData(std::size_t size, unsigned seed = 0) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i + seed) % 251);
    }
    return bytes;
}

// Appends the low `bytes` bytes of `value`, least significant first.
inline void PutLe(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

inline std::uint32_t Crc32Of(const std::string& data) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

}  // namespace zbtest
