#pragma once
// Reading of a shell shortcut (.lnk) file: the 76-byte header (flags,
// target attributes and times, icon index, show command, hot key), the
// target's item identifier list, the link information (local base path or
// network share, with the common path suffix) and the string data (name,
// relative path, working directory, arguments, icon location).
//
// Every size and offset is checked against the section it lies in; a file
// whose header or sections do not fit is refused whole, while damaged
// offsets inside the link information only leave those paths empty.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ByteReader.h"
#include "platform/WinTypes.h"

namespace zb {

class ShellLink {
public:
    // Link flags of the header.
    static constexpr std::uint32_t kHasIdList = 0x01;
    static constexpr std::uint32_t kHasLinkInfo = 0x02;
    static constexpr std::uint32_t kHasName = 0x04;
    static constexpr std::uint32_t kHasRelativePath = 0x08;
    static constexpr std::uint32_t kHasWorkingDir = 0x10;
    static constexpr std::uint32_t kHasArguments = 0x20;
    static constexpr std::uint32_t kHasIconLocation = 0x40;
    static constexpr std::uint32_t kIsUnicode = 0x80;
    // Bits of the hot key's high byte (the modifiers).
    static constexpr std::uint8_t kHotKeyShift = 0x01;
    static constexpr std::uint8_t kHotKeyControl = 0x02;
    static constexpr std::uint8_t kHotKeyAlt = 0x04;
    static constexpr std::uint8_t kHotKeyExt = 0x08;
    // Only the first MiB of a file is read: every part this reader uses lies
    // well inside it.
    static constexpr std::uint64_t kMaxReadSize = 1u << 20;

    // Reads the shortcut at `path` (a regular file) or in `bytes`; false (and
    // every value empty) when it is not a shortcut or its sections do not fit.
    bool Load(const std::string& path);
    bool Load(ByteSpan bytes);

    std::uint32_t LinkFlags() const { return m_linkFlags; }
    DWORD FileAttributes() const { return m_fileAttributes; }
    const FILETIME& CreationTime() const { return m_creationTime; }
    const FILETIME& AccessTime() const { return m_accessTime; }
    const FILETIME& WriteTime() const { return m_writeTime; }
    std::uint32_t FileSize() const { return m_fileSize; }
    std::int32_t IconIndex() const { return m_iconIndex; }
    std::uint32_t ShowCommand() const { return m_showCommand; }
    // Low byte: the virtual-key code; high byte: the kHotKey modifier bits.
    std::uint16_t HotKey() const { return m_hotKey; }

    // The target's item identifier list as stored (items and the zero end);
    // empty when the link has none.
    const std::vector<std::uint8_t>& IdList() const { return m_idList; }
    // The file-system path the list names, as Windows path text ("C:\a\b.txt"
    // or "\\server\share\b.txt"): a computer or network root, a drive or
    // share, then folder and file items by their long names. Empty when the
    // list names something else (a control-panel item, a printer).
    std::string IdListPath() const;

    // Paths of the link information (empty when absent or damaged).
    const std::string& LocalBasePath() const { return m_localBasePath; }
    const std::string& NetName() const { return m_netName; }
    const std::string& DeviceName() const { return m_deviceName; }
    const std::string& CommonPathSuffix() const { return m_commonPathSuffix; }
    // The local base path with the suffix, else the share with the suffix.
    std::string LinkInfoPath() const;

    // The target as a path: LinkInfoPath(), else IdListPath(); empty when the
    // target has no file-system path.
    std::string TargetPath() const;

    // String data.
    const std::string& Name() const { return m_name; }
    const std::string& RelativePath() const { return m_relativePath; }
    const std::string& WorkingDirectory() const { return m_workingDirectory; }
    const std::string& Arguments() const { return m_arguments; }
    const std::string& IconLocation() const { return m_iconLocation; }

private:
    void Clear();
    bool Parse(ByteReader& file);
    void ParseLinkInfo(ByteReader info);
    void ParseNetworkLink(ByteReader link);

    std::uint32_t m_linkFlags = 0;
    DWORD m_fileAttributes = 0;
    FILETIME m_creationTime;
    FILETIME m_accessTime;
    FILETIME m_writeTime;
    std::uint32_t m_fileSize = 0;
    std::int32_t m_iconIndex = 0;
    std::uint32_t m_showCommand = 0;
    std::uint16_t m_hotKey = 0;
    std::vector<std::uint8_t> m_idList;
    std::string m_localBasePath;
    std::string m_netName;
    std::string m_deviceName;
    std::string m_commonPathSuffix;
    std::string m_name;
    std::string m_relativePath;
    std::string m_workingDirectory;
    std::string m_arguments;
    std::string m_iconLocation;
};

}  // namespace zb
