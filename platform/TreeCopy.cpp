#include "platform/TreeCopy.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>

#include "platform/Log.h"
#include "platform/MountPoint.h"
#include "platform/PosixFile.h"

namespace zb {
namespace {

// Folders deeper than this below a copied folder are refused (each level
// holds two descriptors while its contents are copied).
constexpr int kMaxCopyDepth = 512;
constexpr std::size_t kCopyBlock = 256 * 1024;
constexpr char kUserAttributePrefix[] = "user.";

bool CopyFileContents(int from, int to) {
    std::vector<char> buffer(kCopyBlock);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            return true;
        if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(got)))
            return false;
    }
}

// The names of the extended attributes of `fd`, NUL-separated; empty when
// there are none or they cannot be listed.
std::string AttributeNames(int fd) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size <= 0)
            return {};
        std::string names(static_cast<std::size_t>(size), '\0');
        const ssize_t got = ::flistxattr(fd, names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            return names;
        }
        if (errno != ERANGE)  // ERANGE: the list grew meanwhile
            return {};
    }
    return {};
}

bool CopyAttribute(int from, int to, const char* name) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = ::fgetxattr(from, name, nullptr, 0);
        if (size < 0)
            return false;
        std::string value(static_cast<std::size_t>(size), '\0');
        const ssize_t got = ::fgetxattr(from, name, value.data(), value.size());
        if (got >= 0)
            return ::fsetxattr(to, name, value.data(), static_cast<std::size_t>(got), 0) == 0;
        if (errno != ERANGE)
            return false;
    }
    errno = ERANGE;
    return false;
}

// Copies the user.* extended attributes of `from` to `to`. An attribute that
// cannot be copied is logged and the copy goes on: the data is what counts.
void CopyUserAttributes(int from, int to, const std::string& targetPath) {
    const std::string names = AttributeNames(from);
    for (std::size_t at = 0; at < names.size();) {
        const char* name = names.c_str() + at;
        at += std::strlen(name) + 1;
        if (std::strncmp(name, kUserAttributePrefix, sizeof kUserAttributePrefix - 1) != 0)
            continue;
        if (!CopyAttribute(from, to, name)) {
            LogPrintf(RGB(255, 0, 0), "The extended attribute %s could not be copied to %s: %s",
                      name, targetPath.c_str(), std::strerror(errno));
        }
    }
}

bool RecordMade(int folder, const std::string& name, CopiedEntry* record) {
    struct stat made {};
    if (::fstatat(folder, name.c_str(), &made, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    record->madeDevice = made.st_dev;
    record->madeInode = made.st_ino;
    return true;
}

bool IsSameEntry(const struct stat& st, dev_t device, ino_t inode) {
    return inode != 0 && st.st_dev == device && st.st_ino == inode;
}

// Unchanged since the copy read it: same entry, same size and times.
bool IsUnchanged(const struct stat& now, const struct stat& copied) {
    return IsSameEntry(now, copied.st_dev, copied.st_ino) &&
           (now.st_mode & S_IFMT) == (copied.st_mode & S_IFMT) &&
           (S_ISDIR(now.st_mode) ||
            (now.st_size == copied.st_size && now.st_mtim.tv_sec == copied.st_mtim.tv_sec &&
             now.st_mtim.tv_nsec == copied.st_mtim.tv_nsec &&
             now.st_ctim.tv_sec == copied.st_ctim.tv_sec &&
             now.st_ctim.tv_nsec == copied.st_ctim.tv_nsec));
}

UniqueFd OpenFolderAt(int folder, const std::string& name) {
    return UniqueFd(
        ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

}  // namespace

void CTreeCopy::AboutToCreate(const std::string& targetPath) const {
    if (m_beforeCreate)
        m_beforeCreate(targetPath);
}

bool CTreeCopy::Copy(int fromFolder, const std::string& fromPath, int toFolder,
                     const std::string& toPath, const std::string& name, CopiedEntry* record) {
    record->name = name;
    if (::fstatat(fromFolder, name.c_str(), &record->source, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    return CopyEntry(fromFolder, JoinPath(fromPath, name), toFolder, JoinPath(toPath, name), record,
                     0);
}

bool CTreeCopy::CopyEntry(int fromFolder, const std::string& fromPath, int toFolder,
                          const std::string& toPath, CopiedEntry* record, int depth) {
    const struct stat& st = record->source;
    const char* name = record->name.c_str();
    if (S_ISREG(st.st_mode))
        return CopyFile(fromFolder, toFolder, toPath, record);
    if (S_ISLNK(st.st_mode)) {
        std::vector<char> target(static_cast<std::size_t>(PATH_MAX) + 1);
        const ssize_t length = ::readlinkat(fromFolder, name, target.data(), PATH_MAX);
        if (length < 0)
            return false;
        target[static_cast<std::size_t>(length)] = '\0';
        AboutToCreate(toPath);
        return ::symlinkat(target.data(), toFolder, name) == 0 &&
               RecordMade(toFolder, record->name, record);
    }
    if (S_ISFIFO(st.st_mode)) {
        AboutToCreate(toPath);
        return ::mkfifoat(toFolder, name, st.st_mode & 07777) == 0 &&
               RecordMade(toFolder, record->name, record);
    }
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTSUP;  // devices and sockets are not copied
        return false;
    }
    return CopyFolder(fromFolder, fromPath, toFolder, toPath, record, depth);
}

// Copies a regular file: the new file is written, given the source's
// attributes, permissions and times, synced and closed without error.
bool CTreeCopy::CopyFile(int fromFolder, int toFolder, const std::string& toPath,
                         CopiedEntry* record) {
    const char* name = record->name.c_str();
    const UniqueFd from(::openat(fromFolder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!from.IsOpen() || ::fstat(from.Get(), &st) != 0)
        return false;
    if (!S_ISREG(st.st_mode)) {
        errno = ENOTSUP;
        return false;
    }
    AboutToCreate(toPath);
    UniqueFd to(
        ::openat(toFolder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    struct stat made {};
    if (!to.IsOpen() || ::fstat(to.Get(), &made) != 0)
        return false;
    record->madeDevice = made.st_dev;
    record->madeInode = made.st_ino;
    if (!CopyFileContents(from.Get(), to.Get()))
        return false;
    // The attributes go before the permissions: a file without write
    // permission takes no attribute from its non-root owner.
    CopyUserAttributes(from.Get(), to.Get(), toPath);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    return ::fsync(to.Get()) == 0 && ::fchmod(to.Get(), st.st_mode & 07777) == 0 &&
           ::futimens(to.Get(), times) == 0 && to.Close();
}

bool CTreeCopy::CopyFolder(int fromFolder, const std::string& fromPath, int toFolder,
                           const std::string& toPath, CopiedEntry* record, int depth) {
    if (depth >= kMaxCopyDepth) {
        errno = ELOOP;
        return false;
    }
    const UniqueFd from = OpenFolderAt(fromFolder, record->name);
    if (!from.IsOpen())
        return false;
    AboutToCreate(toPath);
    // Recorded as soon as it is made, so that a failure from here on
    // removes it again.
    if (::mkdirat(toFolder, record->name.c_str(), 0700) != 0 ||
        !RecordMade(toFolder, record->name, record))
        return false;
    const UniqueFd to = OpenFolderAt(toFolder, record->name);
    if (!to.IsOpen())
        return false;

    std::vector<std::string> names;
    if (!ListFolderNames(from.Get(), &names))
        return false;
    const std::optional<std::uint64_t> fromMount = FolderMountId(from.Get());
    for (const std::string& name : names) {
        const std::string childFrom = JoinPath(fromPath, name);
        CopiedEntry child;
        child.name = name;
        if (::fstatat(from.Get(), name.c_str(), &child.source, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                continue;  // gone meanwhile: nothing to copy, nothing to remove later
            return false;
        }
        if (IsMountPointAt(from.Get(), name.c_str(), fromMount)) {
            m_skipped.push_back(childFrom);
            continue;
        }
        record->children.push_back(std::move(child));
        if (!CopyEntry(from.Get(), childFrom, to.Get(), JoinPath(toPath, name),
                       &record->children.back(), depth + 1))
            return false;
    }
    CopyUserAttributes(from.Get(), to.Get(), toPath);
    const timespec times[2] = {record->source.st_atim, record->source.st_mtim};
    return ::fchmod(to.Get(), record->source.st_mode & 07777) == 0 &&
           ::futimens(to.Get(), times) == 0 && ::fsync(to.Get()) == 0;
}

void RemoveMadeEntries(int toFolder, const CopiedEntry& record) {
    struct stat st {};
    const char* name = record.name.c_str();
    if (::fstatat(toFolder, name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !IsSameEntry(st, record.madeDevice, record.madeInode))
        return;
    if (!S_ISDIR(st.st_mode)) {
        ::unlinkat(toFolder, name, 0);
        return;
    }
    const UniqueFd folder = OpenFolderAt(toFolder, record.name);
    if (!folder.IsOpen())
        return;
    for (const CopiedEntry& child : record.children)
        RemoveMadeEntries(folder.Get(), child);
    ::unlinkat(toFolder, name, AT_REMOVEDIR);  // fails, as it should, when others' entries remain
}

bool RemoveCopiedSources(int fromFolder, const std::string& fromPath, const CopiedEntry& record,
                         std::vector<std::string>* kept) {
    const char* name = record.name.c_str();
    const std::string path = JoinPath(fromPath, record.name);
    struct stat st {};
    if (::fstatat(fromFolder, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;  // someone removed it meanwhile: gone all the same
    if (!IsUnchanged(st, record.source)) {
        kept->push_back("'" + path + "' changed while it was moved; it stays where it was.");
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        if (::unlinkat(fromFolder, name, 0) == 0)
            return true;
        kept->push_back("'" + path + "' could not be removed: " + std::strerror(errno) + ".");
        return false;
    }
    const UniqueFd folder = OpenFolderAt(fromFolder, record.name);
    if (!folder.IsOpen()) {
        kept->push_back("'" + path + "' could not be removed: " + std::strerror(errno) + ".");
        return false;
    }
    bool allGone = true;
    for (const CopiedEntry& child : record.children)
        allGone = RemoveCopiedSources(folder.Get(), path, child, kept) && allGone;
    if (!allGone)
        return false;  // what stays inside was named
    if (::unlinkat(fromFolder, name, AT_REMOVEDIR) == 0)
        return true;
    if (errno == ENOTEMPTY || errno == EEXIST) {
        kept->push_back("'" + path + "' stays where it was: it holds items that were not moved.");
    } else {
        kept->push_back("'" + path + "' could not be removed: " + std::strerror(errno) + ".");
    }
    return false;
}

}  // namespace zb
