#include "platform/PosixFile.h"

#include <dirent.h>

#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "platform/InputFile.h"

namespace zb {
namespace {

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A listing of the open folder `folderFd` on a descriptor of its own (closed
// with the listing); null with errno set when none can be made.
DIR* OpenListing(int folderFd) {
    const int listFd = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (listFd < 0)
        return nullptr;
    DIR* listing = ::fdopendir(listFd);
    if (listing == nullptr) {
        const int error = errno;
        ::close(listFd);
        errno = error;
    }
    return listing;
}

// Hands every entry of `listing` but "." and ".." to `take` until it returns
// false, then closes it. False with errno set when there is no listing or
// reading it fails before `take` said to stop.
template <class Take>
bool ReadListing(DIR* listing, const Take& take) {
    if (listing == nullptr)
        return false;
    std::unique_ptr<DIR, int (*)(DIR*)> open(listing, ::closedir);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(listing);
        if (entry == nullptr)
            break;
        const std::string_view name = entry->d_name;
        if (name != "." && name != ".." && !take(*entry))
            return true;
    }
    const int error = errno;
    open.reset();
    errno = error;
    return error == 0;
}

// What ReadListing hands a name list: the entry's name.
auto NameTaker(std::vector<std::string>* names) {
    return [names](const dirent& entry) {
        names->emplace_back(entry.d_name);
        return true;
    };
}

// Makes a finished rename durable: the folder's entry is synced too.
void SyncFolder(const std::string& folder) {
    const UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.IsOpen())
        ::fsync(dir.Get());
}

// Links followed when a file is replaced; more is a loop.
constexpr int kMaxLinkHops = 40;
// What the temporary name adds to the file's own: "." + name + ".tmp-XXXXXX".
constexpr char kTemporarySuffix[] = ".tmp-XXXXXX";

// Where a file written to `path` lands: the target of a link at `path`
// (through every link in a chain), so replacing the file keeps the link.
std::string FileBehindLinks(std::string path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string target(static_cast<std::size_t>(PATH_MAX), '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size())
            return path;
        target.resize(static_cast<std::size_t>(length));
        path = target.front() == '/' ? target : JoinPath(FolderOf(path), target);
    }
    return path;
}

// A temporary name beside `path` that fits into one name: the file's own
// name is cut so that it and the suffix stay within NAME_MAX bytes.
std::string TemporaryPathBeside(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t room = NAME_MAX - (sizeof kTemporarySuffix - 1);
    const std::size_t nameLength = std::min(path.size() - nameStart, room);
    return path.substr(0, nameStart + nameLength) + kTemporarySuffix;
}

}  // namespace

mode_t NewFileMode() {
    // The umask can only be read by setting it, so read it as the kernel
    // reports it; the fallback sets it back at once.
    std::string status;
    if (ReadWholeFile("/proc/self/status", 1 << 16, status)) {
        const std::size_t at = status.find("\nUmask:\t");
        if (at != std::string::npos)
            return 0666 & ~static_cast<mode_t>(std::strtoul(status.c_str() + at + 8, nullptr, 8));
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

void UniqueFd::Reset(int fd) {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

bool UniqueFd::Close() {
    return m_fd < 0 || ::close(Release()) == 0;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t put = ::write(fd, next, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put == 0)
            errno = EIO;
        if (put <= 0)
            return false;
        next += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

bool ReadAll(int fd, std::size_t maxBytes, std::string& bytes) {
    bytes.clear();
    std::string read;
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        if (static_cast<std::size_t>(got) > maxBytes - read.size()) {
            errno = EFBIG;
            return false;
        }
        read.append(chunk, static_cast<std::size_t>(got));
    }
    bytes = std::move(read);
    return true;
}

bool ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string& bytes) {
    bytes.clear();
    FileStamp stamp;
    const UniqueFd file(OpenRegularFileAt(AT_FDCWD, path.c_str(), &stamp));
    if (!file.IsOpen())
        return false;
    if (static_cast<std::uint64_t>(stamp.size) > maxBytes) {
        errno = EFBIG;
        return false;
    }
    // Read to the end rather than trusting the size, so a file that grows
    // meanwhile is never cut short; the bound still holds.
    return ReadAll(file.Get(), maxBytes, bytes);
}

bool CreateFolders(const std::string& folder, mode_t mode, std::vector<std::string>* created) {
    if (folder.empty()) {
        errno = ENOENT;
        return false;
    }
    if (IsFolder(folder))
        return true;
    // Each prefix ends after a name and the separators that follow it.
    std::size_t end = folder.find_first_not_of('/');
    while (end != std::string::npos && end < folder.size()) {
        end = folder.find('/', end);
        if (end != std::string::npos)
            end = folder.find_first_not_of('/', end);
        const std::string prefix = folder.substr(0, end);
        if (IsFolder(prefix))
            continue;
        if (::mkdir(prefix.c_str(), mode) == 0) {
            if (created != nullptr)
                created->push_back(prefix);
            continue;
        }
        const int error = errno;
        if (error == EEXIST && IsFolder(prefix))
            continue;  // made meanwhile by someone else: not ours to list
        errno = error;
        return false;
    }
    return true;
}

bool WriteFileAtomically(const std::string& link, mode_t mode,
                         const std::function<bool(int fd)>& write, UniqueFd* written) {
    const std::string path = FileBehindLinks(link);
    std::string temporary = TemporaryPathBeside(path);
    UniqueFd file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!file.IsOpen())
        return false;
    bool ok = write(file.Get()) && ::fchmod(file.Get(), mode) == 0 && ::fsync(file.Get()) == 0;
    if (ok && written == nullptr)
        ok = file.Close();
    if (ok)
        ok = ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        const int error = errno;
        ::unlink(temporary.c_str());
        errno = error;
        return false;
    }
    SyncFolder(FolderOf(path));
    if (written != nullptr)
        *written = std::move(file);
    return true;
}

bool WriteFileAtomically(const std::string& path, const void* data, std::size_t size, mode_t mode,
                         UniqueFd* written) {
    return WriteFileAtomically(
        path, mode, [data, size](int fd) { return WriteAll(fd, data, size); }, written);
}

std::string JoinPath(const std::string& folder, std::string_view name) {
    std::string path;
    JoinPath(folder, name, &path);
    return path;
}

void JoinPath(std::string_view folder, std::string_view name, std::string* path) {
    path->assign(folder);
    if (path->empty() || path->back() != '/')
        *path += '/';
    *path += name;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool SplitItemPath(std::string path, std::string* folder, std::string* name) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return false;
    *folder = slash == 0 ? "/" : path.substr(0, slash);
    *name = path.substr(slash + 1);
    return !name->empty() && *name != "." && *name != "..";
}

bool IsPathInside(const std::string& path, const std::string& folder) {
    if (folder.empty() || path.size() <= folder.size() ||
        path.compare(0, folder.size(), folder) != 0)
        return false;
    return folder.back() == '/' || path[folder.size()] == '/';
}

bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    const int refusal = errno;
    if (refusal != EINVAL && refusal != ENOSYS)
        return false;
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0)
        return false;
    if (S_ISDIR(st.st_mode)) {
        errno = refusal;
        return false;
    }
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    if (::unlink(from.c_str()) != 0) {
        const int error = errno;
        ::unlink(to.c_str());
        errno = error;
        return false;
    }
    return true;
}

bool ListFolderNames(int folderFd, std::vector<std::string>* names) {
    return ReadListing(OpenListing(folderFd), NameTaker(names));
}

bool ListFolderNames(const std::string& folder, std::vector<std::string>* names) {
    return ReadListing(::opendir(folder.c_str()), NameTaker(names));
}

bool ListFolderEntries(const std::string& folder, std::vector<FolderEntry>* entries) {
    return ReadListing(::opendir(folder.c_str()), [entries](const dirent& entry) {
        entries->push_back({entry.d_name, entry.d_type});
        return true;
    });
}

bool ForEachFolderName(const std::string& folder,
                       const std::function<bool(std::string_view name)>& take) {
    return ReadListing(::opendir(folder.c_str()),
                       [&take](const dirent& entry) { return take(entry.d_name); });
}

}  // namespace zb
