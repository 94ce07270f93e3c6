#include "platform/PathUtils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/PosixFile.h"

namespace {

bool IsPathSeparator(char c) {
    return c == '/' || c == '\\';
}

// The start of the last part: the text after the last separator that is
// followed by something other than a separator, else the whole string.
const char* LastPart(const char* path) {
    const char* part = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (IsPathSeparator(p[0]) && p[1] != '\0' && !IsPathSeparator(p[1]))
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

zb::UniqueFd OpenNoCreate(const std::string& path, int access) {
    int fd;
    do {
        fd = open(path.c_str(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return zb::UniqueFd(fd);
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

BOOL IsRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? TRUE : FALSE;
}

BOOL IsExecutableFile(const std::string& path) {
    return IsRegularFile(path) && access(path.c_str(), X_OK) == 0 ? TRUE : FALSE;
}

BOOL FileExistsByOpen(const std::string& path) {
    const zb::UniqueFd file = OpenNoCreate(path, O_RDONLY);
    struct stat st;
    return file.IsOpen() && fstat(file.Get(), &st) == 0 && !S_ISDIR(st.st_mode) ? TRUE : FALSE;
}

BOOL CanOpenFileReadWrite(const std::string& path) {
    if (OpenNoCreate(path, O_RDWR).IsOpen())
        return TRUE;
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
    return path == nullptr ? nullptr : LastPart(path);
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
    return zb::CreateFolders(path, 0777, &created) ? 0 : -1;
}

std::string GetProgramFolder() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0)
        return std::string();
    const std::string path(buffer, static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}
