#pragma once
// The registry tree shared by several processes through one file,
// $XDG_CONFIG_HOME/zembrolt/registry.reg (XDG_CONFIG_HOME defaulting to
// $HOME/.config), in the text form of RegistryFile.h.
//
// Reads use the tree loaded last and reload it first when the file on disk
// changed (another inode, size or modification time). Every change is a
// read-modify-write under an exclusive flock on "registry.reg.lock" beside the
// file: reload if changed, apply, write a temporary file in the same folder,
// fsync it, rename it over the file. A failed write leaves the old file.
//
// A file that cannot be parsed is renamed aside to
// "registry.reg.broken-<UTC time>" (under the lock) with a log line, and the
// store starts empty; it is never overwritten. While a file exists that can be
// neither read nor moved aside, reads see an empty store and changes fail.
//
// The path is taken from the environment at every call, so a process (or a
// test) that points XDG_CONFIG_HOME elsewhere gets that store.

#include <functional>
#include <mutex>
#include <string>

#include "platform/PosixFile.h"
#include "platform/RegistryFile.h"

namespace zb {

// The registry file's path as the environment gives it now; empty when
// neither XDG_CONFIG_HOME nor a home folder is known.
std::string RegistryFilePath();

class RegistryStore {
public:
    // The process's store.
    static RegistryStore& Instance();

    // Runs `read` on the current tree and returns its result.
    LONG Read(const std::function<LONG(const RegTree&)>& read);

    // Runs `change` on the current tree under the file lock. When it returns
    // ERROR_SUCCESS having set `changed`, the tree is saved; a failed save
    // gives ERROR_ACCESS_DENIED and the change is dropped. `change` must leave
    // the tree untouched when it fails.
    LONG Write(const std::function<LONG(RegTree& tree, bool& changed)>& change);

    // What identifies one version of the file on disk.
    struct FileStamp {
        enum State { kAbsent, kPresent, kUnreadable } state = kAbsent;
        unsigned long long device = 0, inode = 0, size = 0;
        long long mtimeSeconds = 0, mtimeNanoseconds = 0;
        friend bool operator==(const FileStamp&, const FileStamp&) = default;
    };

private:
    // Whether this process holds the file lock while (re)loading.
    enum class LockState { kNotHeld, kHeld, kUnavailable };

    RegistryStore() = default;

    // Reloads the tree unless it is the one of `path` and the file is unchanged.
    void Refresh(const std::string& path, LockState lock);
    void Load(const std::string& path, LockState lock);
    // One read of the file. False when it did not parse and must be read
    // again under the lock before it may be moved aside.
    bool LoadOnce(const std::string& path, LockState lock);
    bool Save(const std::string& path);
    std::mutex m_mutex;
    RegTree m_tree;
    std::string m_path;  // the file m_tree was loaded from
    FileStamp m_stamp;
    bool m_loaded = false;
    bool m_writable = false;  // false while a file there could not be read nor moved aside
    // The loaded file stays open, so its inode number cannot be handed to a
    // file that replaces it and the inode comparison cannot be fooled.
    UniqueFd m_loadedFile;
};

}  // namespace zb
