#pragma once
// The walk of a folder tree on disk that the file tools share. Depth first;
// each folder's entries in the namespace's name order, so a walk gives the
// same order on every run. Entries are read with lstat: a symbolic link is
// reported as a link and never followed. A folder is entered once (by device
// and inode, so bind mounts cannot make a loop); folders on pseudo file
// systems (proc, sysfs, devtmpfs, cgroup, autofs, ...) and folders on the
// skip list are not entered; the walk ends before the next entry once the
// stop flag is set.
//
// The walk is a loop over an explicit stack of folders, so a deep tree costs
// no stack; at most kMaxOpenFolders folder descriptors are open at once. A
// folder whose descriptor was closed for a deeper one is opened again through
// ".." of its sub-folder and must be the same folder (device and inode);
// when it is not (the tree was moved meanwhile), the walk ends there.

#include <sys/stat.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/PosixFile.h"

// A file's identity: the same device and inode is the same file.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

struct FileIdentityHash {
    std::size_t operator()(const FileIdentity& id) const noexcept {
        return std::hash<std::uint64_t>()(id.inode * 0x9E3779B97F4A7C15ull ^ id.device);
    }
};

using FileIdentitySet = std::unordered_set<FileIdentity, FileIdentityHash>;

inline FileIdentity IdentityOf(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// One entry met by the walk; valid during the call it is handed to (the
// walk reuses its path text and descriptors).
struct TreeEntry {
    int dirFd;                // the open folder that holds the entry
    std::string_view name;    // the entry's name in that folder
    const std::string& path;  // the full path (the root's path, "/", the names)
    const struct stat& st;    // lstat of the entry
    int depth;                // 1 for the entries of the root
};

class ITreeVisitor {
public:
    virtual ~ITreeVisitor() = default;
    // Every entry, folders included, in walk order; false ends the walk.
    virtual bool OnEntry(const TreeEntry& entry) = 0;
    // A folder about to be entered (after its OnEntry); false leaves it out.
    virtual bool EnterFolder(const TreeEntry& /*entry*/) { return true; }
    // Every folder entry after its OnEntry and, when it was entered, after
    // its own entries (also when the walk ends inside it, unless a folder
    // above it could not be opened again).
    virtual void LeaveFolder(const TreeEntry& /*entry*/) {}
    // An entry on another mount than its folder (a mount point, bind mounts
    // included), met by a walk that stays on its root's mount: it gets no
    // other call and is never entered.
    virtual void OnMountPoint(const TreeEntry& /*entry*/) {}
};

class CTreeWalk {
public:
    // Results of Walk.
    static constexpr int WALK_DONE = 0;
    static constexpr int WALK_UNREACHABLE = -1;  // the root cannot be opened as a folder
    static constexpr int WALK_ENDED = 1;         // stopped, or a visitor ended it

    // `stop` may be null (the walk then runs to its end).
    explicit CTreeWalk(const std::atomic<bool>* stop = nullptr);

    // Whether folders below the root are entered (default yes).
    void SetSubFolders(bool on) { m_bSubFolders = on; }
    // Whether the walk stays on the mount of its root (default no): then an
    // entry on another mount goes to OnMountPoint instead of OnEntry.
    void SetStayOnMount(bool on) { m_bStayOnMount = on; }
    // A folder that is never entered, named by any path that reaches it
    // (compared by identity, so "/tmp/" and "/tmp/../tmp" are one folder). A
    // path that does not exist is ignored.
    void AddSkipFolder(const std::string& path);
    // The devices of pseudo file systems. Unless set, they are read from the
    // mount table the shell roots name ($ZEMBROLT_MOUNTINFO, else
    // /proc/self/mountinfo) at the first walk.
    void SetPseudoDevices(std::unordered_set<std::uint64_t> devices);
    static std::unordered_set<std::uint64_t> ReadPseudoDevices(const std::string& mountInfoPath);

    // Walks the folder `root` (a symbolic link as the root itself is
    // followed: the user named it). Folders entered by an earlier Walk of
    // this object are not entered again.
    int Walk(const std::string& root, ITreeVisitor& visitor);

    // Folders that could not be opened or listed so far.
    std::uint64_t GetUnreadableFolders() const { return m_nUnreadable; }

    // The most folder descriptors one walk keeps open.
    static constexpr std::size_t kMaxOpenFolders = 16;

private:
    // One folder the walk is in.
    struct Folder {
        zb::UniqueFd fd;  // closed while deeper folders hold the descriptors
        FileIdentity identity;
        std::vector<std::string> names;  // in name order
        std::size_t next = 0;            // the next name to visit
        std::size_t pathLength = 0;      // the length of the folder's own path
        struct stat current {};          // lstat of the entry at hand
        // The folder's mount id, read only when the walk stays on its root's mount.
        std::optional<std::uint64_t> mountId;
    };
    // Adds the folder open at `fd` to the stack with its sorted names; false
    // when it cannot be listed.
    bool PushFolder(zb::UniqueFd fd, const FileIdentity& identity);
    // Takes the innermost folder off the stack; false when the folder that
    // holds it cannot be opened again.
    bool PopFolder(ITreeVisitor& visitor);
    // Handles the next entry of the innermost folder; false ends the walk.
    bool VisitNext(ITreeVisitor& visitor);
    bool MayEnter(const struct stat& st) const;
    bool Stopped() const { return m_pStop && m_pStop->load(std::memory_order_relaxed); }

    const std::atomic<bool>* m_pStop;
    bool m_bSubFolders = true;
    bool m_bStayOnMount = false;
    bool m_bPseudoRead = false;
    std::unordered_set<std::uint64_t> m_pseudoDevices;
    // The folders the walk is in, the root first; those before m_firstOpen
    // have their descriptors closed. m_path is the path of the entry at hand.
    std::vector<Folder> m_folders;
    std::size_t m_firstOpen = 0;
    std::string m_path;
    FileIdentitySet m_skip;
    FileIdentitySet m_visited;
    std::uint64_t m_nUnreadable = 0;
};

// Why the change tools leave a mount point met below a folder alone.
constexpr const char* kMountPointNote =
    "another file system is mounted there; it and everything on it are left as they are";

// Visits every entry below the folder `root` that lies on the root's mount
// (links are not followed), a folder after its own entries, and calls `apply`
// for each; `folderDone` (when set) gets the path of each folder whose
// entries are all done, the root's last; `mountPoint` (when set) gets each
// entry left out because another file system (or a bind mount) is mounted
// on it. The change tools use it for "Include files in sub folders". Returns
// the walk's result.
int ApplyBelowFolder(const std::string& root, const std::function<void(const TreeEntry&)>& apply,
                     const std::function<void(const std::string&)>& folderDone = {},
                     const std::function<void(const TreeEntry&)>& mountPoint = {});
