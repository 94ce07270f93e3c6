#pragma once
// The POSIX file plumbing every layer shares: an owned descriptor, complete
// writes, bounded reads, making folders, and the one way a file the program
// keeps is replaced (temporary file in the same folder, sync, rename).

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zb {

// A file descriptor that is closed when the object goes.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    // Gives the descriptor up without closing it.
    int Release() { return std::exchange(m_fd, -1); }
    // Closes the descriptor held (if any) and takes `fd`.
    void Reset(int fd = -1);
    // Closes now; false (errno set) when the close reports an error, which is
    // where a late write error of some file systems shows.
    bool Close();

private:
    int m_fd = -1;
};

// Writes all `size` bytes, going on after short writes and interruptions.
// False with errno set on failure.
bool WriteAll(int fd, const void* data, std::size_t size);
inline bool WriteAll(int fd, std::string_view bytes) {
    return WriteAll(fd, bytes.data(), bytes.size());
}

// Reads from the file position to the end into `bytes`. False with errno set
// on a read error, and with errno EFBIG when there are more than `maxBytes`;
// `bytes` is then empty.
bool ReadAll(int fd, std::size_t maxBytes, std::string& bytes);

// Reads a whole regular file (never a FIFO, device or folder) of at most
// `maxBytes`. False with errno set, and `bytes` empty, when it is missing, is
// no regular file, is larger or cannot be read completely.
bool ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string& bytes);

// Makes `folder` and every missing parent, each with `mode` (the umask
// applies). Only "/" separates the parts; a backslash belongs to a name. A
// relative path starts in the current folder. True when the folder exists
// afterwards. Every folder made is appended to `created` as the prefix of
// `folder` that names it, parents first; folders made before a failure stay
// and stay listed. A folder someone else makes meanwhile is not listed.
bool CreateFolders(const std::string& folder, mode_t mode,
                   std::vector<std::string>* created = nullptr);

// The mode a new file gets from an open with 0666: 0666 without the bits of
// the process's umask.
mode_t NewFileMode();

// Replaces the file at `path` with `size` bytes, so that a reader finds the old
// file or the new one and never a part: writes a temporary file in the same
// folder, gives it `mode`, syncs it, renames it over `path` and syncs the
// folder. When `path` is a link, the file it leads to is replaced and the
// link stays. The temporary name is cut to fit, so any valid name works. On failure the temporary
// file is removed, the old file stays as it was, errno says why and the result is false. `written`,
// when given, receives the new file's descriptor (open for reading and writing).
bool WriteFileAtomically(const std::string& path, const void* data, std::size_t size, mode_t mode,
                         UniqueFd* written = nullptr);
// The same with the new contents written by `write` into the temporary
// file's descriptor, for contents made piece by piece; `write` returns false
// (errno set) when it fails.
bool WriteFileAtomically(const std::string& path, mode_t mode,
                         const std::function<bool(int fd)>& write, UniqueFd* written = nullptr);
inline bool WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t mode,
                                UniqueFd* written = nullptr) {
    return WriteFileAtomically(path, bytes.data(), bytes.size(), mode, written);
}

// One entry of a folder listing: its name, and its type as the folder's
// listing tells it (a DT_ value of <dirent.h>; DT_UNKNOWN where the file
// system does not say, so the caller asks lstat).
struct FolderEntry {
    std::string name;
    unsigned char type = 0;
};

// The names in the open folder `folderFd`, without "." and "..", in the
// folder's own order; read through a descriptor of their own (which shares
// the folder's read position), so `folderFd` stays open. False with errno set when the folder
// cannot be read to its end; the names read before a read error stay in `names`.
bool ListFolderNames(int folderFd, std::vector<std::string>* names);
// The same for the folder at `folder`.
bool ListFolderNames(const std::string& folder, std::vector<std::string>* names);
// The entries of the folder at `folder`, as ListFolderNames with their types.
bool ListFolderEntries(const std::string& folder, std::vector<FolderEntry>* entries);
// Hands the names in the folder at `folder`, in the order ListFolderNames
// gives them, to `take` until it returns false (a search that found what it
// looked for). False with errno set when the folder cannot be read as far as
// that.
bool ForEachFolderName(const std::string& folder,
                       const std::function<bool(std::string_view name)>& take);

// "folder/name" for a disk path ("/" alone separates), "/" not doubled.
std::string JoinPath(const std::string& folder, std::string_view name);
// The same into `path`, reusing its storage (for a walk's every item).
void JoinPath(std::string_view folder, std::string_view name, std::string* path);

// The folder part of `path`, up to its last "/": "." when it has none, "/"
// for a name in the root.
std::string FolderOf(const std::string& path);

// Splits the disk path of an item into its folder and its name, trailing
// slashes dropped first: "/a/b/" gives "/a" and "b", "/b" gives "/" and "b".
// False for a path without "/" or whose name is empty, "." or "..".
bool SplitItemPath(std::string path, std::string* folder, std::string* name);

// True when the path `path` lies below the folder `folder` (compared as
// written; "/" holds every other absolute path).
bool IsPathInside(const std::string& path, const std::string& folder);

// Renames `from` to `to` unless `to` exists (renameat2 with
// RENAME_NOREPLACE). Where the file system cannot refuse a replacement
// itself, a file or link is hard-linked under the new name and its old name
// removed, which never replaces either; a folder is then refused. False with
// errno set (EEXIST when `to` exists).
bool RenameWithoutReplacing(const std::string& from, const std::string& to);

}  // namespace zb
