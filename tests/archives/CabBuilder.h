#pragma once
// Writing cabinet files for the reader tests: header (with reserves and the
// names of neighbouring cabinets), folder and file tables, and data blocks
// stored, MSZIP (independent deflate blocks after "CK") or LZX made of
// uncompressed blocks, one per 32 KiB frame.

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "archives/CompressedTestData.h"

namespace zbtest {

constexpr std::uint16_t kCabStored = 0, kCabMszip = 1, kCabQuantum = 0x0F02;
constexpr std::size_t kCabFrame = 32768;

// LZX with a window of 2^bits bytes.
constexpr std::uint16_t CabLzx(unsigned bits) {
    return static_cast<std::uint16_t>(3 | (bits << 8));
}

struct CabBlock {
    std::string packed;
    std::uint16_t size = 0;  // 0: the block goes on in the next cabinet
};

struct CabFolder {
    std::uint16_t compression = kCabStored;
    std::vector<CabBlock> blocks;
};

struct CabFile {
    std::string name;
    std::uint32_t size = 0;
    std::uint32_t offset = 0;  // in its folder's data
    std::uint16_t folder = 0;
    std::uint16_t attributes = 0x20;
};

struct CabSpec {
    std::vector<CabFolder> folders;
    std::vector<CabFile> files;
    std::string previous, next;  // cabinet names; empty when none
    bool reserve = false;
    std::uint16_t headerReserve = 0;
    std::uint8_t folderReserve = 0, blockReserve = 0;
    std::uint8_t minorVersion = 3, majorVersion = 1;
};

// The blocks of `data` in `compression`: 32 KiB each.
inline std::vector<CabBlock> CabBlocks(const std::string& data, std::uint16_t compression) {
    std::vector<CabBlock> blocks;
    for (std::size_t at = 0; at < data.size() || blocks.empty(); at += kCabFrame) {
        const std::string frame = data.substr(at, kCabFrame);
        CabBlock block;
        block.size = static_cast<std::uint16_t>(frame.size());
        if (compression == kCabMszip) {
            block.packed = "CK" + Deflate(frame, 6, -MAX_WBITS);
        } else if ((compression & 0x0F) == 3) {
            // An uncompressed LZX block: at the folder's start the bit "no
            // call translation", then type 3 in 3 bits and the size in 24,
            // padding to 16 bits (bits go into 16-bit little-endian words,
            // highest first), R0 to R2, the bytes, a pad byte after an odd
            // count.
            std::uint64_t bits = 0;
            unsigned count = 0;
            if (at == 0) {
                count = 1;
            }
            bits = (bits << 3) | 3;
            count += 3;
            bits = (bits << 24) | frame.size();
            count += 24;
            const unsigned padded = (count + 15) / 16 * 16;
            bits <<= padded - count;
            for (unsigned word = padded / 16; word-- > 0;) {
                const auto value = static_cast<std::uint16_t>(bits >> (16 * word));
                PutLe(block.packed, value, 2);
            }
            for (int r = 0; r < 3; ++r) {
                PutLe(block.packed, 1, 4);
            }
            block.packed += frame;
            if (frame.size() % 2 == 1) {
                block.packed += '\0';
            }
        } else {
            block.packed = frame;
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
}

inline std::string BuildCab(const CabSpec& spec) {
    std::string names;
    if (!spec.previous.empty()) {
        names += spec.previous + '\0' + "disk" + '\0';
    }
    if (!spec.next.empty()) {
        names += spec.next + '\0' + "disk" + '\0';
    }
    std::size_t tables = 36 + (spec.reserve ? 4 + spec.headerReserve : 0) + names.size();
    tables += spec.folders.size() * (8 + spec.folderReserve);
    std::size_t filesOffset = tables;
    for (const CabFile& f : spec.files) {
        tables += 16 + f.name.size() + 1;
    }
    std::string folders, data;
    for (const CabFolder& folder : spec.folders) {
        PutLe(folders, tables + data.size(), 4);
        PutLe(folders, folder.blocks.size(), 2);
        PutLe(folders, folder.compression, 2);
        folders += std::string(spec.folderReserve, 'f');
        for (const CabBlock& block : folder.blocks) {
            PutLe(data, 0, 4);  // no checksum
            PutLe(data, block.packed.size(), 2);
            PutLe(data, block.size, 2);
            data += std::string(spec.blockReserve, 'd') + block.packed;
        }
    }
    std::string files;
    for (const CabFile& f : spec.files) {
        PutLe(files, f.size, 4);
        PutLe(files, f.offset, 4);
        PutLe(files, f.folder, 2);
        PutLe(files, 0x5A21, 2);  // 2025-01-01
        PutLe(files, 0x6000, 2);  // 12:00:00
        PutLe(files, f.attributes, 2);
        files += f.name + '\0';
    }
    std::string out = "MSCF";
    PutLe(out, 0, 4);
    PutLe(out, tables + data.size(), 4);
    PutLe(out, 0, 4);
    PutLe(out, filesOffset, 4);
    PutLe(out, 0, 4);
    out += static_cast<char>(spec.minorVersion);
    out += static_cast<char>(spec.majorVersion);
    PutLe(out, spec.folders.size(), 2);
    PutLe(out, spec.files.size(), 2);
    const std::uint16_t flags =
        (spec.previous.empty() ? 0 : 1) | (spec.next.empty() ? 0 : 2) | (spec.reserve ? 4 : 0);
    PutLe(out, flags, 2);
    PutLe(out, 0x1234, 2);  // set id
    PutLe(out, 0, 2);
    if (spec.reserve) {
        PutLe(out, spec.headerReserve, 2);
        out += static_cast<char>(spec.folderReserve);
        out += static_cast<char>(spec.blockReserve);
        out += std::string(spec.headerReserve, 'h');
    }
    return out + names + folders + files + data;
}

// A cabinet of one folder holding the files one after another.
inline std::string SimpleCab(const std::vector<std::pair<std::string, std::string>>& files,
                             std::uint16_t compression) {
    CabSpec spec;
    std::string all;
    for (const auto& [name, contents] : files) {
        spec.files.push_back({name, static_cast<std::uint32_t>(contents.size()),
                              static_cast<std::uint32_t>(all.size()), 0, 0x20});
        all += contents;
    }
    spec.folders.push_back({compression, CabBlocks(all, compression)});
    return BuildCab(spec);
}

}  // namespace zbtest
