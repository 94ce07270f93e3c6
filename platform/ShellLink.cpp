#include "platform/ShellLink.h"

#include <algorithm>
#include <utility>

#include "platform/ByteSource.h"
#include "platform/TextCodec.h"

namespace zb {

namespace {

constexpr std::uint32_t kHeaderSize = 0x4C;
// The class of shell links, 00021401-0000-0000-C000-000000000046, as stored.
constexpr std::uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// Root items of the lists whose paths are file-system paths: the computer
// (20D04FE0-3AEA-1069-A2D8-08002B30309D) and the network
// (208D2C60-3AEA-1069-A2D7-08002B30309D).
constexpr std::uint8_t kComputerClsid[16] = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                             0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
constexpr std::uint8_t kNetworkClsid[16] = {0x60, 0x2C, 0x8D, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                            0xA2, 0xD7, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};

constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x01;
constexpr std::uint32_t kCommonNetworkRelativeLink = 0x02;
constexpr std::uint32_t kFileEntryExtension = 0xBEEF0004u;
constexpr std::size_t kFileEntryNameOffset = 14;  // size, type, 1, file size, DOS time, attributes

// The NUL-terminated eight-bit (ANSI) text at `offset` of `area`; false when
// the offset lies outside or the text does not end inside.
bool AnsiTextAt(ByteSpan area, std::uint64_t offset, std::string& text) {
    if (offset >= area.size()) {
        return false;
    }
    const std::string_view rest = AsChars(area.subspan(static_cast<std::size_t>(offset)));
    const std::size_t end = rest.find('\0');
    if (end == std::string_view::npos) {
        return false;
    }
    text = Cp1252ToUtf8(rest.substr(0, end));
    return true;
}

// The same for NUL-terminated UTF-16 text.
bool UnicodeTextAt(ByteSpan area, std::uint64_t offset, std::string& text) {
    if (offset >= area.size()) {
        return false;
    }
    for (std::size_t end = static_cast<std::size_t>(offset); end + 2 <= area.size(); end += 2) {
        if (LoadLe16(&area[end]) == 0) {
            text = Utf16LeToUtf8(area.subspan(static_cast<std::size_t>(offset), end - offset));
            return true;
        }
    }
    return false;
}

// Where the long name lies in a file-entry extension block, by the block's version.
std::size_t LongNameOffset(std::uint16_t version) {
    if (version >= 9) {
        return 46;
    }
    if (version == 8) {
        return 42;
    }
    if (version == 7) {
        return 38;
    }
    return version >= 3 ? 20 : 0;
}

// The name of a folder or file item: the long name of its extension block,
// else its short name.
bool FileEntryName(ByteSpan item, std::string& name) {
    const bool unicode = (item[2] & 0x04) != 0;
    // The last two bytes of the item give where its first extension block starts.
    if (item.size() >= kFileEntryNameOffset + 2) {
        const std::size_t block = LoadLe16(&item[item.size() - 2]);
        if (block >= kFileEntryNameOffset && block + 8 <= item.size() - 2 &&
            LoadLe32(&item[block + 4]) == kFileEntryExtension) {
            const std::size_t blockSize =
                std::min<std::size_t>(LoadLe16(&item[block]), item.size() - 2 - block);
            const std::size_t nameOffset = LongNameOffset(LoadLe16(&item[block + 2]));
            if (nameOffset != 0 &&
                UnicodeTextAt(item.subspan(block, blockSize), nameOffset, name) && !name.empty()) {
                return true;
            }
        }
    }
    return unicode ? UnicodeTextAt(item, kFileEntryNameOffset, name)
                   : AnsiTextAt(item, kFileEntryNameOffset, name);
}

void AppendPathPart(std::string& path, const std::string& part) {
    if (!path.empty() && path.back() != '\\') {
        path += '\\';
    }
    path += part;
}

}  // namespace

void ShellLink::Clear() {
    *this = ShellLink();
}

bool ShellLink::Load(const std::string& path) {
    Clear();
    FileSource source;
    std::vector<std::uint8_t> bytes;
    if (!source.Open(path) || !source.ReadAt(0, std::min(source.Size(), kMaxReadSize), bytes)) {
        return false;
    }
    return Load(bytes);
}

bool ShellLink::Load(ByteSpan bytes) {
    Clear();
    ByteReader file(bytes);
    if (!Parse(file)) {
        Clear();
        return false;
    }
    return true;
}

bool ShellLink::Parse(ByteReader& file) {
    if (file.U32Le() != kHeaderSize) {
        return false;
    }
    const ByteSpan clsid = file.Bytes(16);
    if (!file.Ok() || !std::equal(clsid.begin(), clsid.end(), std::begin(kLinkClsid))) {
        return false;
    }
    m_linkFlags = file.U32Le();
    m_fileAttributes = file.U32Le();
    for (FILETIME* time : {&m_creationTime, &m_accessTime, &m_writeTime}) {
        *time = FILETIME::FromValue(file.U64Le());
    }
    m_fileSize = file.U32Le();
    m_iconIndex = static_cast<std::int32_t>(file.U32Le());
    m_showCommand = file.U32Le();
    m_hotKey = file.U16Le();
    file.Seek(kHeaderSize);

    if (m_linkFlags & kHasIdList) {
        const ByteSpan list = file.Bytes(file.U16Le());
        m_idList.assign(list.begin(), list.end());
    }
    if (m_linkFlags & kHasLinkInfo) {
        // The size counts itself; a size too small to hold it cannot advance.
        ByteReader peek = file;
        const std::uint32_t size = peek.U32Le();
        if (size < 4) {
            return false;
        }
        const ByteSpan info = file.Bytes(size);
        if (file.Ok()) {
            ParseLinkInfo(ByteReader(info));
        }
    }
    const bool unicode = (m_linkFlags & kIsUnicode) != 0;
    const std::pair<std::uint32_t, std::string*> strings[] = {
        {kHasName, &m_name},
        {kHasRelativePath, &m_relativePath},
        {kHasWorkingDir, &m_workingDirectory},
        {kHasArguments, &m_arguments},
        {kHasIconLocation, &m_iconLocation},
    };
    for (const auto& [flag, text] : strings) {
        if (m_linkFlags & flag) {
            const std::uint16_t count = file.U16Le();
            *text = unicode ? Utf16LeToUtf8(file.Bytes(std::uint64_t{count} * 2))
                            : Cp1252ToUtf8(AsChars(file.Bytes(count)));
        }
    }
    return file.Ok();
}

void ShellLink::ParseLinkInfo(ByteReader info) {
    info.Skip(4);
    const std::uint32_t headerSize = info.U32Le();
    const std::uint32_t flags = info.U32Le();
    info.Skip(4);  // volume id
    const std::uint32_t localBasePath = info.U32Le();
    const std::uint32_t networkLink = info.U32Le();
    const std::uint32_t suffix = info.U32Le();
    if (!info.Ok()) {
        return;
    }
    const ByteSpan area = info.Data();
    // Headers of 0x24 bytes and more add the Unicode forms, which win.
    if (headerSize >= 0x24) {
        const std::uint32_t localBasePathUnicode = info.U32Le();
        const std::uint32_t suffixUnicode = info.U32Le();
        if (info.Ok()) {
            if (flags & kVolumeIdAndLocalBasePath) {
                UnicodeTextAt(area, localBasePathUnicode, m_localBasePath);
            }
            UnicodeTextAt(area, suffixUnicode, m_commonPathSuffix);
        }
    }
    if ((flags & kVolumeIdAndLocalBasePath) && m_localBasePath.empty()) {
        AnsiTextAt(area, localBasePath, m_localBasePath);
    }
    if (m_commonPathSuffix.empty()) {
        AnsiTextAt(area, suffix, m_commonPathSuffix);
    }
    if ((flags & kCommonNetworkRelativeLink) && networkLink < area.size()) {
        ByteReader rest(area.subspan(networkLink));
        const std::uint32_t size = rest.U32Le();
        if (rest.Ok()) {
            ParseNetworkLink(ByteReader(area).Sub(networkLink, size));
        }
    }
}

void ShellLink::ParseNetworkLink(ByteReader link) {
    link.Skip(8);  // size, flags
    const std::uint32_t netName = link.U32Le();
    const std::uint32_t deviceName = link.U32Le();
    link.Skip(4);  // provider type
    if (!link.Ok()) {
        return;
    }
    const ByteSpan area = link.Data();
    // Offsets past 0x14 mean the Unicode forms follow the provider type.
    if (netName > 0x14) {
        const std::uint32_t netNameUnicode = link.U32Le();
        const std::uint32_t deviceNameUnicode = link.U32Le();
        if (link.Ok()) {
            UnicodeTextAt(area, netNameUnicode, m_netName);
            UnicodeTextAt(area, deviceNameUnicode, m_deviceName);
        }
    }
    if (m_netName.empty()) {
        AnsiTextAt(area, netName, m_netName);
    }
    if (m_deviceName.empty()) {
        AnsiTextAt(area, deviceName, m_deviceName);
    }
}

std::string ShellLink::LinkInfoPath() const {
    std::string path = !m_localBasePath.empty() ? m_localBasePath : m_netName;
    if (path.empty()) {
        return path;
    }
    if (!m_commonPathSuffix.empty()) {
        AppendPathPart(path, m_commonPathSuffix);
    }
    return path;
}

std::string ShellLink::IdListPath() const {
    std::string path;
    bool rooted = false;  // a computer or network root, or a drive or share, came first
    ByteReader list(m_idList);
    for (std::size_t steps = 0; list.Remaining() >= 2 && steps < m_idList.size(); ++steps) {
        const std::uint16_t size = list.U16Le();
        if (size == 0) {
            return rooted ? path : std::string();
        }
        if (size < 3 || !list.Seek(list.Position() - 2)) {
            return {};
        }
        const ByteSpan item = list.Bytes(size);
        if (!list.Ok()) {
            return {};
        }
        const std::uint8_t type = item[2];
        std::string part;
        if (type == 0x1F) {
            // A root folder: only the computer and the network lead to paths.
            if (item.size() < 20 || !path.empty() ||
                (!std::equal(item.begin() + 4, item.begin() + 20, std::begin(kComputerClsid)) &&
                 !std::equal(item.begin() + 4, item.begin() + 20, std::begin(kNetworkClsid)))) {
                return {};
            }
            rooted = true;
        } else if ((type & 0x70) == 0x20) {
            // A drive: "C:\".
            if (!path.empty() || !AnsiTextAt(item, 3, part) || part.empty()) {
                return {};
            }
            path = part;
            rooted = true;
        } else if ((type & 0x70) == 0x40) {
            // A network server or share: "\\server" or "\\server\share".
            if (!AnsiTextAt(item, 5, part) || part.empty()) {
                return {};
            }
            path = part;
            rooted = true;
        } else if ((type & 0x70) == 0x30) {
            if (path.empty() || !FileEntryName(item, part)) {
                return {};
            }
            AppendPathPart(path, part);
        } else {
            return {};
        }
    }
    return {};
}

std::string ShellLink::TargetPath() const {
    std::string path = LinkInfoPath();
    return path.empty() ? IdListPath() : path;
}

}  // namespace zb
