#pragma once
// Writes small PE images for the tests: a PE32 or PE32+ header, one resource
// section, and a version resource built from a fixed version, string tables
// and a translation list.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/ByteWriter.h"

namespace zbtest {

struct VersionStringTable {
    std::string key;  // language and code page in hexadecimal, "040904b0"
    std::vector<std::pair<std::string, std::string>> strings;  // name, ASCII value
};

// One node of a version block: header, UTF-16 key, aligned value, aligned children.
Bytes WriteVersionNode(const std::string& key, std::uint16_t type, const Bytes& value,
                       std::uint16_t valueLength, const Bytes& children);

Bytes WriteVersionBlock(std::uint32_t fileVersionMS, std::uint32_t fileVersionLS,
                        const std::vector<VersionStringTable>& tables,
                        const std::vector<std::uint32_t>& translations);

// Offsets of a written image, for tests that damage it.
struct PeLayout {
    static constexpr std::size_t kPeOffset = 0x40;
    static constexpr std::size_t kResourceOffset = 0x200;  // of the section in the file
    static constexpr std::uint32_t kResourceRva = 0x1000;
    std::size_t sectionTable = 0;
    std::size_t dataEntry = 0;  // the version resource's data entry
    std::size_t block = 0;      // the version block
};

Bytes WritePeImage(const Bytes& versionBlock, bool pe32Plus = false, PeLayout* layout = nullptr);

}  // namespace zbtest
