#pragma once
// Writes shell shortcut (.lnk) files for the tests: the header, an item
// identifier list, link information and string data.

#include <cstdint>
#include <string>
#include <vector>

#include "support/ByteWriter.h"

namespace zbtest {

struct LnkSpec {
    bool unicode = true;  // string data in UTF-16 (else eight-bit)
    std::uint16_t hotKey = 0;
    std::uint32_t showCommand = 1;
    std::uint32_t attributes = 0x20;
    std::vector<Bytes> items;  // item identifiers, each with its size field
    bool linkInfo = false;
    bool unicodeLinkInfo = false;  // a 0x24-byte header with UTF-16 paths
    std::string localBasePath;
    std::string netName;
    std::string suffix;
    std::string name, relativePath, workingDirectory, arguments, iconLocation;
};

Bytes WriteShellLink(const LnkSpec& spec);

// Item identifiers: the computer root, a drive ("C:\"), a folder or file with
// a short name and a long name in its extension block (version 9), a root of
// another class (16 bytes).
Bytes ComputerItem();
Bytes DriveItem(const std::string& drive);
Bytes FileItem(const std::string& shortName, const std::string& longName, bool folder);
Bytes RootItem(const Bytes& clsid);

}  // namespace zbtest
