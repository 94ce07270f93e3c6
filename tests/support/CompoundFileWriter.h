#pragma once
// Writes small compound files for the tests: streams in the root storage,
// those under 4096 bytes in the mini stream, the rest in their own sectors;
// version 3 (512-byte sectors) or 4 (4096-byte sectors); the allocation table
// reached through the header and, when it needs more than 109 sectors,
// through chained list sectors. Also writes property-set streams.

#include <cstdint>
#include <string>
#include <vector>

#include "support/ByteWriter.h"

namespace zbtest {

struct CompoundStream {
    std::string name;  // ASCII (control characters allowed)
    Bytes data;
};

// Where the parts of a written file lie, for tests that damage them.
struct CompoundLayout {
    std::uint32_t sectorSize = 0;
    std::vector<std::uint32_t> fatSectors;
    std::uint32_t directorySector = 0;
    std::uint32_t miniFatSector = 0;
    std::vector<std::uint32_t> streamStarts;  // first sector (or mini sector) of each stream

    std::size_t SectorOffset(std::uint32_t sector) const {
        return (static_cast<std::size_t>(sector) + 1) * sectorSize;
    }
    // The offset of the table entry of `sector`.
    std::size_t FatEntryOffset(std::uint32_t sector) const {
        return SectorOffset(fatSectors.at(sector / (sectorSize / 4))) +
               (sector % (sectorSize / 4)) * 4;
    }
    // The offset of directory entry `entry` (0 is the root).
    std::size_t EntryOffset(std::uint32_t entry) const {
        return SectorOffset(directorySector) + entry * 128;
    }
};

Bytes WriteCompoundFile(const std::vector<CompoundStream>& streams, int majorVersion = 3,
                        CompoundLayout* layout = nullptr);

// One property of a property set: its id and its typed value (type word first).
struct PropertySpec {
    std::uint32_t id;
    Bytes value;
};

PropertySpec PropI2(std::uint32_t id, std::uint16_t value);
PropertySpec PropI4(std::uint32_t id, std::uint32_t value, std::uint32_t type = 3);
PropertySpec PropBool(std::uint32_t id, bool value);
PropertySpec PropFiletime(std::uint32_t id, std::uint64_t value);
// An eight-bit string: the count includes the terminating NUL this adds.
PropertySpec PropString(std::uint32_t id, const std::string& bytes, std::uint32_t type = 30);
// Clipboard data: the size, then the bytes.
PropertySpec PropClipboard(std::uint32_t id, const Bytes& data);
PropertySpec PropRaw(std::uint32_t id, std::uint32_t type, const Bytes& rest);

// A property-set stream (byte order 0xFFFE, format 0) with these sections.
Bytes WritePropertySet(const std::vector<std::vector<PropertySpec>>& sections);

}  // namespace zbtest
