#pragma once
// The version resource of a Windows executable or library (a PE image): the
// MZ and PE headers, the section table, the resource directory (type, name,
// language), and the version block with its fixed information, string tables
// and translation list, queried by path as the system's version functions do.
//
// Every offset is checked against the file and the resource section, the
// resource directory is three levels deep and each level's entries are
// counted, and the version block is at most 1 MiB and walked at most four
// levels deep with every node advancing past its own header.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ByteReader.h"
#include "platform/ByteSource.h"

// The fixed part of a version block (its signature is 0xFEEF04BD).
struct VS_FIXEDFILEINFO {
    std::uint32_t dwSignature = 0;
    std::uint32_t dwStrucVersion = 0;
    std::uint32_t dwFileVersionMS = 0;
    std::uint32_t dwFileVersionLS = 0;
    std::uint32_t dwProductVersionMS = 0;
    std::uint32_t dwProductVersionLS = 0;
    std::uint32_t dwFileFlagsMask = 0;
    std::uint32_t dwFileFlags = 0;
    std::uint32_t dwFileOS = 0;
    std::uint32_t dwFileType = 0;
    std::uint32_t dwFileSubtype = 0;
    std::uint32_t dwFileDateMS = 0;
    std::uint32_t dwFileDateLS = 0;
};

namespace zb {

// One node of the version block: a key, a value and child nodes.
struct VersionNode {
    std::string key;         // UTF-8
    std::uint16_t type = 0;  // 1: the value is text, 0: binary
    ByteSpan value;          // the value's bytes inside the block
    std::vector<VersionNode> children;
};

class VersionInfo {
public:
    static constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BDu;
    static constexpr std::uint64_t kMaxBlockSize = 1u << 20;

    VersionInfo() = default;
    VersionInfo(const VersionInfo&) = delete;
    VersionInfo& operator=(const VersionInfo&) = delete;

    // Reads the version resource of the PE image at `path` (or in `source`);
    // false when the file is no PE image, has no version resource or the
    // resource is damaged.
    bool Read(const std::string& path);
    bool Read(ByteSource& source);

    // The raw version block and its root node (key "VS_VERSION_INFO").
    const std::vector<std::uint8_t>& Block() const { return m_block; }
    const VersionNode& Root() const { return m_root; }

    // Looks up a node by a path of keys separated by '\' ("\" is the root;
    // "\StringFileInfo\040904b0\CompanyName"); keys compare without regard to
    // ASCII letter case. Null when there is no such node.
    const VersionNode* Query(std::string_view path) const;

    // The fixed information ("\"); false when the root carries none.
    bool FixedInfo(VS_FIXEDFILEINFO& info) const;

    // The entries of "\VarFileInfo\Translation": language identifier in the
    // low 16 bits, code page in the high 16 bits.
    std::vector<std::uint32_t> Translations() const;

    // The text of a string node ("\StringFileInfo\<lang><cp>\<name>"); false
    // when there is no such node.
    bool QueryString(std::string_view path, std::string& text) const;

private:
    bool FindVersionResource(ByteSource& source, std::uint64_t& offset, std::uint32_t& size);

    std::vector<std::uint8_t> m_block;
    VersionNode m_root;
};

}  // namespace zb
