#pragma once
// The walk of a folder tree on disk that the file tools share. Depth first;
// each folder's entries in the namespace's name order, so a walk gives the
// same order on every run. Entries are read with lstat: a symbolic link is
// reported as a link and never followed. A folder is entered once (by device
// and inode, so bind mounts cannot make a loop); folders on pseudo file
// systems (proc, sysfs, devtmpfs, cgroup, autofs, ...) and folders on the
// skip list are not entered; the walk ends before the next entry once the
// stop flag is set.

#include <sys/stat.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

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

// One entry met by the walk.
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
    // its own entries (also when the walk ends inside it).
    virtual void LeaveFolder(const TreeEntry& /*entry*/) {}
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
    // Whether folders on another file system than the root's are entered
    // (default yes).
    void SetCrossFileSystems(bool on) { m_bCrossFileSystems = on; }
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

private:
    // false when the walk must end.
    bool WalkFolder(int dirFd, const std::string& path, int depth, ITreeVisitor& visitor);
    bool MayEnter(const struct stat& st) const;
    bool Stopped() const { return m_pStop && m_pStop->load(std::memory_order_relaxed); }

    const std::atomic<bool>* m_pStop;
    bool m_bSubFolders = true;
    bool m_bCrossFileSystems = true;
    bool m_bPseudoRead = false;
    std::uint64_t m_rootDevice = 0;
    std::unordered_set<std::uint64_t> m_pseudoDevices;
    FileIdentitySet m_skip;
    FileIdentitySet m_visited;
    std::uint64_t m_nUnreadable = 0;
};

// Visits every entry below the folder `root` that lies on the root's file
// system (links are not followed), a folder after its own entries, and calls
// `apply` for each; `folderDone` (when set) gets the path of each folder
// whose entries are all done, the root's last. The change tools use it for
// "Include files in sub folders". Returns the walk's result.
int ApplyBelowFolder(const std::string& root, const std::function<void(const TreeEntry&)>& apply,
                     const std::function<void(const std::string&)>& folderDone = {});
