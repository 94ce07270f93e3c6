#include "platform/PathUtils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

bool IsPathSeparator(char c) {
    return c == '/' || c == '\\';
}

bool IsDiskSeparator(char c) {
    return c == '/';
}

// The start of the last part: the text after the last separator that is
// followed by something other than a separator, else the whole string.
const char* LastPart(const char* path, bool (*isSeparator)(char)) {
    const char* part = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (isSeparator(p[0]) && p[1] != '\0' && !isSeparator(p[1]))
            part = p + 1;
    }
    return part;
}

// The index of the last separator in path[0, end), or npos.
std::size_t LastSeparatorBefore(std::string_view path, std::size_t end) {
    for (std::size_t i = end; i > 0; --i) {
        if (IsPathSeparator(path[i - 1]))
            return i - 1;
    }
    return std::string_view::npos;
}

int OpenNoCreate(const std::string& path, int access) {
    int fd;
    do {
        fd = open(path.c_str(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

BOOL FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? TRUE : FALSE;
}

BOOL IsDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? TRUE : FALSE;
}

BOOL FileExistsByOpen(const std::string& path) {
    const int fd = OpenNoCreate(path, O_RDONLY);
    if (fd < 0)
        return FALSE;
    struct stat st;
    const bool found = fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    close(fd);
    return found ? TRUE : FALSE;
}

BOOL CanOpenFileReadWrite(const std::string& path) {
    const int fd = OpenNoCreate(path, O_RDWR);
    if (fd >= 0) {
        close(fd);
        return TRUE;
    }
    switch (errno) {
        case EMFILE:
        case ENFILE:
        case EACCES:
        case EPERM:
        case ETXTBSY:
        case EBUSY:
            return TRUE;
        default:
            return FALSE;
    }
}

const char* GetFileExtension(const char* name) {
    if (name == nullptr)
        return nullptr;
    const char* dot = std::strrchr(name, '.');
    return dot == nullptr ? nullptr : dot + 1;
}

const char* GetFileNamePart(const char* path) {
    return path == nullptr ? nullptr : LastPart(path, IsPathSeparator);
}

void GetFolderPart(std::string_view path, std::string& out) {
    out.clear();
    if (path.size() < 2)
        return;
    // The scan starts at the next-to-last character, so one trailing
    // separator does not count.
    const std::size_t sep = LastSeparatorBefore(path, path.size() - 1);
    if (sep != std::string_view::npos)
        out.assign(path.substr(0, sep));
}

std::string GetParentFolder(std::string_view path) {
    const std::size_t sep = LastSeparatorBefore(path, path.size());
    if (sep == std::string_view::npos || sep == 0)
        return std::string();
    return std::string(path.substr(0, sep));
}

int CreateDirectoryPath(const std::string& path, std::vector<std::string>& created) {
    if (path.empty())
        return -1;
    if (IsDirectory(path))
        return 0;
    // The parent keeps its trailing separator. On disk only '/' separates
    // parts (a backslash is an ordinary character of a Linux name). A path without a
    // parent part (a single relative name) is made in the current folder;
    // every parent is shorter than its child, so the recursion ends.
    const std::size_t nameAt =
        static_cast<std::size_t>(LastPart(path.c_str(), IsDiskSeparator) - path.c_str());
    if (nameAt > 0) {
        const int result = CreateDirectoryPath(path.substr(0, nameAt), created);
        if (result != 0)
            return result;
    }
    if (mkdir(path.c_str(), 0777) != 0) {
        // Made meanwhile by someone else: it exists, but it is not ours to list.
        return errno == EEXIST && IsDirectory(path) ? 0 : -1;
    }
    created.push_back(path);
    return 0;
}
