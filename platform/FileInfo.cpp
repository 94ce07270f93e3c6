#include "platform/FileInfo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>

#include "platform/FileTime.h"
#include "platform/InputFile.h"

namespace zb {
namespace {

// A ".hidden" file longer than this is read only this far.
constexpr std::size_t kMaxHiddenFileBytes = 4 * 1024 * 1024;
constexpr DWORD kDosAttribBits =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

FILETIME ToFileTime(const statx_timestamp& t) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(t.tv_sec);
    ts.tv_nsec = static_cast<long>(t.tv_nsec);
    return TimespecToFileTimeClamped(ts);
}

// The DOS attribute bits stored on the file at `path`; no bits when the
// attribute is absent or the file system has none.
DWORD ReadDosAttrib(const std::string& path, LinkMode links) {
    std::array<char, 256> buffer{};
    const ssize_t n =
        links == LinkMode::Follow
            ? ::getxattr(path.c_str(), "user.DOSATTRIB", buffer.data(), buffer.size())
            : ::lgetxattr(path.c_str(), "user.DOSATTRIB", buffer.data(), buffer.size());
    if (n <= 0) {
        return 0;
    }
    return ParseDosAttrib(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
}

// A path that names `name` in the open folder `dirFd` for the calls that
// have no *at form (the extended-attribute calls).
std::string PathIn(int dirFd, const char* name) {
    if (dirFd == AT_FDCWD || name[0] == '/') {
        return name;
    }
    return "/proc/self/fd/" + std::to_string(dirFd) + "/" + name;
}

// `nameForHidden` is the name the hidden test looks at (empty: none).
bool Fill(int dirFd, const char* name, std::string_view nameForHidden, const HiddenNames* hidden,
          FileInfo* out, LinkMode links, DosBits dos = DosBits::Read) {
    if (out == nullptr || name == nullptr || name[0] == '\0') {
        errno = ENOENT;
        return false;
    }
    struct statx sx {};
    const int flags = AT_NO_AUTOMOUNT | (links == LinkMode::NoFollow ? AT_SYMLINK_NOFOLLOW : 0);
    if (::statx(dirFd, name, flags, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
        return false;
    }
    FileInfo info;
    info.mode = sx.stx_mode;
    info.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    info.inode = sx.stx_ino;
    info.ftLastWriteTime = ToFileTime(sx.stx_mtime);
    info.ftLastAccessTime = ToFileTime(sx.stx_atime);
    info.ftCreationTime =
        (sx.stx_mask & STATX_BTIME) != 0 ? ToFileTime(sx.stx_btime) : info.ftLastWriteTime;

    DWORD attributes = 0;
    if (S_ISDIR(sx.stx_mode)) {
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    } else if (S_ISLNK(sx.stx_mode)) {
        attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    } else {
        info.size = sx.stx_size;
    }
    if ((sx.stx_mode & S_IWUSR) == 0) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    if (!nameForHidden.empty() &&
        (nameForHidden.front() == '.' || (hidden != nullptr && hidden->Contains(nameForHidden)))) {
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    }
    // Symbolic links cannot carry user attributes; skip the call for them.
    if (dos == DosBits::Later) {
        info.dosBitsRead = false;
    } else if (!S_ISLNK(sx.stx_mode)) {
        attributes |= ReadDosAttrib(PathIn(dirFd, name), links);
    }
    info.dwFileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    *out = info;
    return true;
}

// `path` split into its folder and its last name; trailing slashes belong to
// neither. The name is empty for the root and for "." and "..", which have
// no name of their own to test.
void SplitLastName(const std::string& path, std::string* folder, std::string* name) {
    std::string_view trimmed(path);
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.remove_suffix(1);
    }
    const std::size_t slash = trimmed.rfind('/');
    name->assign(slash == std::string_view::npos ? trimmed : trimmed.substr(slash + 1));
    if (*name == "." || *name == "..") {
        name->clear();
    }
    folder->assign(slash == std::string_view::npos ? std::string_view(".")
                   : slash == 0                    ? std::string_view("/")
                                                   : trimmed.substr(0, slash));
}

}  // namespace

HiddenNames HiddenNames::Load(int dirFd) {
    HiddenNames result;
    InputFile file;
    if (!file.OpenAt(dirFd, ".hidden")) {
        return result;
    }
    const std::int64_t length = file.GetLength();
    if (length <= 0) {
        return result;
    }
    std::string text(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(length), kMaxHiddenFileBytes), '\0');
    const std::int64_t got = file.Read(text.data(), text.size());
    if (got <= 0) {
        return result;
    }
    text.resize(static_cast<std::size_t>(got));
    std::string_view rest(text);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!line.empty()) {
            result.m_names.emplace(line);
        }
    }
    return result;
}

HiddenNames HiddenNames::Load(const std::string& folderPath) {
    const int fd = ::open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return HiddenNames();
    }
    HiddenNames result = Load(fd);
    ::close(fd);
    return result;
}

bool ParseDosAttribText(std::string_view value, DWORD* attributes) {
    // The text ends at the first NUL (Samba appends binary data after it).
    value = value.substr(0, value.find('\0'));
    while (!value.empty() && (value.back() == ' ' || value.back() == '\n')) {
        value.remove_suffix(1);
    }
    int base = 10;
    if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
        value.remove_prefix(2);
        base = 16;
    }
    DWORD bits = 0;
    const auto [end, error] =
        std::from_chars(value.data(), value.data() + value.size(), bits, base);
    if (value.empty() || error != std::errc() || end != value.data() + value.size()) {
        return false;
    }
    *attributes = bits;
    return true;
}

DWORD ParseDosAttrib(std::string_view value) {
    DWORD bits = 0;
    return ParseDosAttribText(value, &bits) ? bits & kDosAttribBits : 0;
}

bool GetFileInfo(const std::string& path, FileInfo* out, LinkMode links, DosBits dos) {
    std::string folder;
    std::string name;
    SplitLastName(path, &folder, &name);
    if (name.empty()) {
        return Fill(AT_FDCWD, path.c_str(), {}, nullptr, out, links, dos);
    }
    const int dirFd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        return false;
    }
    const HiddenNames hidden = HiddenNames::Load(dirFd);
    const bool ok = Fill(dirFd, name.c_str(), name, &hidden, out, links, dos);
    const int saved = errno;
    ::close(dirFd);
    errno = saved;
    return ok;
}

bool GetFileInfo(const std::string& path, const HiddenNames& hidden, FileInfo* out, LinkMode links,
                 DosBits dos) {
    std::string folder;
    std::string name;
    SplitLastName(path, &folder, &name);
    return Fill(AT_FDCWD, path.c_str(), name, name.empty() ? nullptr : &hidden, out, links, dos);
}

bool GetFileInfoAt(int dirFd, const char* name, const HiddenNames* hidden, FileInfo* out,
                   LinkMode links, DosBits dos) {
    const std::string_view base = name == nullptr ? std::string_view() : std::string_view(name);
    const std::string_view nameForHidden = base == "." || base == ".." ? std::string_view() : base;
    return Fill(dirFd, name, nameForHidden, hidden, out, links, dos);
}

DWORD ReadDosAttributes(const std::string& path) {
    return ReadDosAttrib(path, LinkMode::NoFollow);
}

DWORD GetFileAttributes(const std::string& path) {
    FileInfo info;
    return GetFileInfo(path, &info) ? info.dwFileAttributes : INVALID_FILE_ATTRIBUTES;
}

}  // namespace zb
