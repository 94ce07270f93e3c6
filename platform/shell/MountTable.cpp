#include "platform/shell/MountTable.h"

#include <sys/sysmacros.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>

namespace zb {

namespace {

constexpr std::array<std::string_view, 22> kPseudoTypes = {
    "proc",     "sysfs",     "cgroup",     "cgroup2",    "devpts",      "devtmpfs",
    "mqueue",   "debugfs",   "tracefs",    "securityfs", "pstore",      "bpf",
    "autofs",   "configfs",  "fusectl",    "hugetlbfs",  "binfmt_misc", "nsfs",
    "efivarfs", "selinuxfs", "rpc_pipefs", "nfsd"};

constexpr std::array<std::string_view, 8> kHiddenTypes = {
    "ramfs",           "tmpfs",       "overlay",    "squashfs",
    "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs", "fuse.snapfuse"};

constexpr std::array<std::string_view, 19> kNetworkTypes = {"nfs",
                                                            "nfs4",
                                                            "cifs",
                                                            "smb3",
                                                            "smbfs",
                                                            "ncpfs",
                                                            "9p",
                                                            "afs",
                                                            "ceph",
                                                            "glusterfs",
                                                            "lustre",
                                                            "coda",
                                                            "davfs",
                                                            "fuse.sshfs",
                                                            "fuse.davfs2",
                                                            "fuse.glusterfs",
                                                            "fuse.rclone",
                                                            "fuse.s3fs",
                                                            "fuse.curlftpfs"};

template <std::size_t N>
bool Contains(const std::array<std::string_view, N>& list, std::string_view value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// The next space-separated field of `line` from `pos`; empty at the end.
std::string_view NextField(std::string_view line, std::size_t& pos) {
    while (pos < line.size() && line[pos] == ' ')
        ++pos;
    const std::size_t start = pos;
    while (pos < line.size() && line[pos] != ' ')
        ++pos;
    return line.substr(start, pos - start);
}

bool HasOption(std::string_view options, std::string_view option) {
    std::size_t pos = 0;
    while (pos <= options.size()) {
        std::size_t end = options.find(',', pos);
        if (end == std::string_view::npos)
            end = options.size();
        if (options.substr(pos, end - pos) == option)
            return true;
        pos = end + 1;
    }
    return false;
}

// "major:minor" as a device number; 0 when the field has another shape.
std::uint64_t ParseDevice(std::string_view field) {
    const std::size_t colon = field.find(':');
    if (colon == std::string_view::npos)
        return 0;
    unsigned major = 0;
    unsigned minor = 0;
    const auto [majorEnd, majorError] = std::from_chars(field.data(), field.data() + colon, major);
    const auto [minorEnd, minorError] =
        std::from_chars(field.data() + colon + 1, field.data() + field.size(), minor);
    if (majorError != std::errc() || minorError != std::errc() ||
        majorEnd != field.data() + colon || minorEnd != field.data() + field.size())
        return 0;
    return makedev(major, minor);
}

}  // namespace

bool IsPseudoFileSystemType(std::string_view fsType) {
    return Contains(kPseudoTypes, fsType);
}

bool PathHasPrefix(std::string_view path, std::string_view prefix) {
    if (prefix == "/")
        return !path.empty() && path.front() == '/';
    if (path.substr(0, prefix.size()) != prefix)
        return false;
    return path.size() == prefix.size() || path[prefix.size()] == '/';
}

std::string DecodeMountPath(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && text.size() - i >= 4) {
            const std::string_view digits = text.substr(i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(),
                            [](char c) { return c >= '0' && c <= '7'; })) {
                const int value =
                    (digits[0] - '0') * 64 + (digits[1] - '0') * 8 + (digits[2] - '0');
                if (value <= 0xFF) {
                    out += static_cast<char>(value);
                    i += 3;
                    continue;
                }
            }
        }
        out += text[i];
    }
    return out;
}

bool ParseMountInfoLine(std::string_view line, MountEntry* entry) {
    std::size_t pos = 0;
    std::array<std::string_view, 6> fields;
    for (auto& field : fields) {
        field = NextField(line, pos);
        if (field.empty())
            return false;
    }
    // Optional fields up to the lone "-".
    std::string_view field;
    do {
        field = NextField(line, pos);
        if (field.empty())
            return false;
    } while (field != "-");
    const std::string_view type = NextField(line, pos);
    const std::string_view source = NextField(line, pos);
    const std::string_view superOptions = NextField(line, pos);
    if (type.empty() || fields[4].front() != '/')
        return false;

    entry->mountPoint = DecodeMountPath(fields[4]);
    entry->fsType = DecodeMountPath(type);
    entry->source = DecodeMountPath(source);
    entry->readOnly = HasOption(fields[5], "ro") || HasOption(superOptions, "ro");
    entry->device = ParseDevice(fields[2]);
    return true;
}

MountClass ClassifyMount(const MountEntry& entry) {
    const std::string_view point = entry.mountPoint;
    if (point == "/" || IsPseudoFileSystemType(entry.fsType) ||
        Contains(kHiddenTypes, entry.fsType)) {
        return MountClass::Hidden;
    }
    if (PathHasPrefix(point, "/proc") || PathHasPrefix(point, "/sys") ||
        PathHasPrefix(point, "/dev")) {
        return MountClass::Hidden;
    }
    if (Contains(kNetworkTypes, entry.fsType))
        return MountClass::Network;
    if (PathHasPrefix(point, "/run") && !PathHasPrefix(point, "/run/media")) {
        return MountClass::Hidden;
    }
    return MountClass::Local;
}

std::vector<MountEntry> ReadMountInfo(const std::string& path) {
    std::vector<MountEntry> entries;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        MountEntry entry;
        if (ParseMountInfoLine(line, &entry))
            entries.push_back(std::move(entry));
    }
    return entries;
}

bool IsRemovableMountPoint(std::string_view mountPoint) {
    return (PathHasPrefix(mountPoint, "/media") && mountPoint != "/media") ||
           (PathHasPrefix(mountPoint, "/run/media") && mountPoint != "/run/media");
}

}  // namespace zb
