#include "platform/FileTransfer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/PosixFile.h"

namespace zb {
namespace {

// Folders deeper than this below a copied folder are refused.
constexpr int kMaxCopyDepth = 512;
constexpr std::size_t kCopyBlock = 256 * 1024;

// "/a/b/c" -> "/a/b" and "c"; trailing slashes are dropped first.
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

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// The folder resolved through its links, or empty.
std::string Resolve(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return {};
    std::string out = resolved;
    std::free(resolved);
    return out;
}

// The item's path with its folder resolved and the item itself not followed.
std::string ResolveItem(const std::string& path) {
    std::string folder;
    std::string name;
    if (!SplitItemPath(path, &folder, &name))
        return {};
    const std::string resolved = Resolve(folder);
    return resolved.empty() ? std::string() : Join(resolved, name);
}

bool CopyEntryAt(int fromFolder, const std::string& name, int toFolder, int depth);

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

// Copies the regular file `name`; the new file is synced and closed without
// error, with the source's permissions and times, or it is removed.
bool CopyRegularFileAt(int fromFolder, const std::string& name, int toFolder) {
    const UniqueFd from(
        ::openat(fromFolder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!from.IsOpen() || ::fstat(from.Get(), &st) != 0)
        return false;
    if (!S_ISREG(st.st_mode)) {
        errno = ENOTSUP;
        return false;
    }
    UniqueFd to(::openat(toFolder, name.c_str(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!to.IsOpen())
        return false;
    const timespec times[2] = {st.st_atim, st.st_mtim};
    const bool copied = CopyFileContents(from.Get(), to.Get()) && ::fsync(to.Get()) == 0 &&
                        ::fchmod(to.Get(), st.st_mode & 07777) == 0 &&
                        ::futimens(to.Get(), times) == 0 && to.Close();
    if (!copied) {
        const int error = errno;
        ::unlinkat(toFolder, name.c_str(), 0);
        errno = error;
    }
    return copied;
}

// Copies the contents of the open folder `from` into the open folder `to`.
bool CopyFolderContents(int from, int to, int depth) {
    std::vector<std::string> names;
    if (!ListFolderNames(from, &names))
        return false;
    for (const std::string& name : names) {
        if (!CopyEntryAt(from, name, to, depth))
            return false;
    }
    return true;
}

bool CopyEntryAt(int fromFolder, const std::string& name, int toFolder, int depth) {
    struct stat st {};
    if (::fstatat(fromFolder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if (S_ISREG(st.st_mode))
        return CopyRegularFileAt(fromFolder, name, toFolder);
    if (S_ISLNK(st.st_mode)) {
        std::vector<char> target(static_cast<std::size_t>(PATH_MAX) + 1);
        const ssize_t length = ::readlinkat(fromFolder, name.c_str(), target.data(), PATH_MAX);
        if (length < 0)
            return false;
        target[static_cast<std::size_t>(length)] = '\0';
        return ::symlinkat(target.data(), toFolder, name.c_str()) == 0;
    }
    if (S_ISFIFO(st.st_mode))
        return ::mkfifoat(toFolder, name.c_str(), st.st_mode & 07777) == 0;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTSUP;  // devices and sockets are not copied
        return false;
    }
    if (depth >= kMaxCopyDepth) {
        errno = ELOOP;
        return false;
    }
    const UniqueFd from(
        ::openat(fromFolder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!from.IsOpen() || ::mkdirat(toFolder, name.c_str(), 0700) != 0)
        return false;
    const UniqueFd to(
        ::openat(toFolder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    const timespec times[2] = {st.st_atim, st.st_mtim};
    return to.IsOpen() && CopyFolderContents(from.Get(), to.Get(), depth + 1) &&
           ::fchmod(to.Get(), st.st_mode & 07777) == 0 && ::futimens(to.Get(), times) == 0 &&
           ::fsync(to.Get()) == 0;
}

// Copies the item `source` to `target` (which must not exist). On failure
// what was made is removed again and errno says why.
bool CopyItem(const std::string& source, const std::string& target) {
    std::string sourceFolder, sourceName, targetFolder, targetName;
    if (!SplitItemPath(source, &sourceFolder, &sourceName) ||
        !SplitItemPath(target, &targetFolder, &targetName)) {
        errno = EINVAL;
        return false;
    }
    const UniqueFd from(::open(sourceFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const UniqueFd to(::open(targetFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!from.IsOpen() || !to.IsOpen())
        return false;
    struct stat st {};
    if (::fstatat(to.Get(), targetName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return false;
    }
    if (CopyEntryAt(from.Get(), sourceName, to.Get(), 0) && ::fsync(to.Get()) == 0)
        return true;
    const int error = errno;
    // Only what this copy made is there: the name was free before it.
    if (::fstatat(to.Get(), targetName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        DeletePermanently(target);
    errno = error;
    return false;
}

const char* VerbOf(TransferMode mode) {
    switch (mode) {
        case TransferMode::Copy:
            return "copy";
        case TransferMode::Move:
            return "move";
        case TransferMode::Link:
            return "link";
    }
    return "";
}

}  // namespace

bool IsFolderInsideItem(const std::string& folder, const std::string& source) {
    const std::string resolvedFolder = Resolve(folder);
    const std::string resolvedSource = ResolveItem(source);
    if (resolvedFolder.empty() || resolvedSource.empty())
        return false;
    return resolvedFolder == resolvedSource ||
           (resolvedFolder.size() > resolvedSource.size() &&
            resolvedFolder.compare(0, resolvedSource.size(), resolvedSource) == 0 &&
            (resolvedSource == "/" || resolvedFolder[resolvedSource.size()] == '/'));
}

bool IsOnSameFileSystem(const std::string& path, const std::string& folder) {
    struct stat item {};
    struct stat target {};
    return ::lstat(path.c_str(), &item) == 0 && ::stat(folder.c_str(), &target) == 0 &&
           item.st_dev == target.st_dev;
}

std::vector<std::string> TransferItems(const std::vector<std::string>& sources,
                                       const std::string& folder, TransferMode mode,
                                       IFileOperationUi& ui) {
    std::vector<std::string> made;
    std::vector<std::string> failures;
    const std::string verb = VerbOf(mode);
    const std::string resolvedFolder = Resolve(folder);
    for (const std::string& source : sources) {
        std::string sourceFolder, name;
        struct stat st {};
        if (source.empty() || source.front() != '/' ||
            !SplitItemPath(source, &sourceFolder, &name) || ::lstat(source.c_str(), &st) != 0) {
            failures.push_back("Cannot " + verb + " '" + source + "': it does not exist.");
            continue;
        }
        if (resolvedFolder.empty()) {
            failures.push_back("Cannot " + verb + " '" + name + "': the folder '" + folder +
                               "' does not exist.");
            continue;
        }
        if (mode != TransferMode::Link && IsFolderInsideItem(resolvedFolder, source)) {
            failures.push_back("Cannot " + verb + " '" + name +
                               "': the destination folder is inside the source folder.");
            continue;
        }
        const std::string target = Join(resolvedFolder, name);
        if (mode == TransferMode::Move && Resolve(sourceFolder) == resolvedFolder)
            continue;  // already there
        struct stat existing {};
        if (::lstat(target.c_str(), &existing) == 0) {
            failures.push_back("Cannot " + verb + " '" + name +
                               "': an item with that name already exists in '" + resolvedFolder +
                               "'.");
            continue;
        }
        bool done = false;
        if (mode == TransferMode::Link) {
            done = ::symlink(source.c_str(), target.c_str()) == 0;
        } else if (mode == TransferMode::Move) {
            done = RenameWithoutReplacing(source, target);
            if (!done && errno == EXDEV && CopyItem(source, target)) {
                done = true;
                if (!DeletePermanently(source)) {
                    const int error = errno;
                    failures.push_back("'" + name +
                                       "' was copied, but the original could not be "
                                       "removed: " +
                                       std::strerror(error) + ".");
                }
            }
        } else {
            done = CopyItem(source, target);
        }
        if (done) {
            made.push_back(target);
            continue;
        }
        const int error = errno;
        failures.push_back("Cannot " + verb + " '" + name + "': " + std::strerror(error) + ".");
    }
    if (!failures.empty())
        ui.ReportFileOperation(FailureReport(failures, " more could not be done."));
    return made;
}

}  // namespace zb
