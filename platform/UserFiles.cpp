#include "platform/UserFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace zb {

namespace {

bool IsAbsolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

// Writes all bytes, retrying after interruptions and short writes.
bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// The folder part of `path` ("." when it has none).
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// $<variable> when it is an absolute path, else $HOME/<fallback>.
std::string XdgFolder(const char* variable, const char* fallback) {
    const char* folder = std::getenv(variable);
    if (IsAbsolute(folder))
        return folder;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0')
        return {};
    return std::string(home) + "/" + fallback;
}

}  // namespace

std::string UserDataHome() {
    return XdgFolder("XDG_DATA_HOME", ".local/share");
}

std::string UserConfigHome() {
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}

bool CreateFolders(const std::string& folder, unsigned mode) {
    if (folder.empty())
        return false;
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode);
    const std::string parent = FolderOf(folder);
    if (parent != folder && parent != "." && !CreateFolders(parent, mode))
        return false;
    if (::mkdir(folder.c_str(), mode) == 0)
        return true;
    return errno == EEXIST && ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool WriteFileAtomically(const std::string& path, const void* data, std::size_t size,
                         unsigned mode) {
    const std::string folder = FolderOf(path);
    std::string pattern = path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, static_cast<const char*>(data), size) && ::fchmod(fd, mode) == 0 &&
              ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(name.data(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(name.data());
        return false;
    }
    // Make the rename itself durable.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string& bytes) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0 &&
              static_cast<unsigned long long>(info.st_size) <= maxBytes;
    // Read to the end rather than trusting the size, so a file that changes
    // meanwhile is never cut short; the limit still holds.
    std::string read;
    if (ok)
        read.reserve(static_cast<std::size_t>(info.st_size));
    char chunk[65536];
    while (ok) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            ok = errno == EINTR;
            continue;
        }
        if (n == 0)
            break;
        if (read.size() + static_cast<std::size_t>(n) > maxBytes) {
            ok = false;
            break;
        }
        read.append(chunk, static_cast<std::size_t>(n));
    }
    if (ok)
        bytes = std::move(read);
    ::close(fd);
    return ok;
}

}  // namespace zb
