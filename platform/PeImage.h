#pragma once
// The headers of a Windows executable or library in the PE format: the MZ
// header and its pointer to the PE header, the optional header (PE32 or
// PE32+), its data directories, the section table, and the resource
// directory (type, name, language) down to the bytes of one resource.

#include <cstdint>
#include <vector>

#include "platform/ByteSource.h"

namespace zb {

class PeImage {
public:
    static constexpr std::uint32_t kResourceDirectory = 2;  // index among the data directories

    // Reads the headers and the section table of `source` (kept by the
    // caller while this object is used); false when it is not a PE image.
    bool Open(ByteSource& source);

    // The file offset of `length` bytes at relative virtual address `rva`;
    // false unless they lie inside one section's bytes in the file.
    bool RvaToOffset(std::uint64_t rva, std::uint64_t length, std::uint64_t& offset) const;

    // Finds the resource of type `type` whose name is the number `name` (or,
    // when there is none, the type's first resource) in its first language;
    // `offset` and `size` give its bytes in the file.
    bool FindResource(std::uint32_t type, std::uint32_t name, std::uint64_t& offset,
                      std::uint32_t& size) const;

private:
    struct Section {
        std::uint32_t virtualAddress = 0;
        std::uint32_t virtualSize = 0;
        std::uint32_t rawSize = 0;
        std::uint32_t rawOffset = 0;
    };
    struct DirectoryEntry {
        std::uint32_t name = 0;    // a number, or (high bit) an offset to a name
        std::uint32_t target = 0;  // (high bit) an offset to a subdirectory, else to a data entry
    };
    bool ReadDirectory(std::uint32_t offset, std::vector<DirectoryEntry>& entries) const;

    ByteSource* m_source = nullptr;
    std::vector<Section> m_sections;
    std::uint32_t m_resourceRva = 0;
    std::uint32_t m_resourceSize = 0;
};

}  // namespace zb
