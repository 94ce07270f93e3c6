#pragma once
// Where a walk stands on disk: an open descriptor of the folder it is in,
// however deep it goes. A sub-folder is entered by its name relative to the
// descriptor of the folder above it, so the walk never hands the system a
// path longer than one name. The descriptors of the first kKeptLevels folders
// entered by name stay open while the walk is below them, so that leaving a
// sub-folder costs no system call but its close; deeper, a sub-folder is left
// by opening ".." from it again (checked to be the very folder it came from),
// so the walk holds at most kKeptLevels + 1 descriptors at any depth. Levels
// the walk passes that are no folders on disk (the desktop, the volume list)
// have no descriptor.

#include <sys/types.h>

#include <string>
#include <vector>

class CFolderCursor {
public:
    static constexpr std::size_t kKeptLevels = 16;

    CFolderCursor() = default;
    ~CFolderCursor();
    CFolderCursor(const CFolderCursor&) = delete;
    CFolderCursor& operator=(const CFolderCursor&) = delete;

    // The current folder's descriptor; -1 when it is not on disk or could
    // not be opened again after a sub-folder was left.
    int Fd() const { return m_fd; }
    // The current folder's device and inode, looked up once however often
    // they are asked; false when it has no descriptor or cannot be looked at.
    bool Identity(dev_t* device, ino_t* inode);

    // Enters the sub-folder `name` of the current folder without following a
    // symbolic link; false (nothing entered) when the current folder has no
    // descriptor or the sub-folder cannot be opened.
    bool EnterName(const std::string& name);
    // Enters the folder at `path` (where the namespace reaches the disk);
    // false (nothing entered) when it cannot be opened.
    bool EnterPath(const std::string& path);
    // Enters a level that is not on disk.
    void EnterNone();
    // Back to the level above the last one entered.
    void Leave();

private:
    enum class Kind { ByName, Other };
    struct Level {
        Kind kind;
        // The level above's descriptor, kept for Leave (always for Other, for
        // the first kKeptLevels levels ByName); -1 when ".." is opened again.
        int savedFd;
        // The level above's identity: the folder that ".." must lead back to
        // (ByName), or what it was known to be.
        bool parentKnown;
        dev_t parentDevice;
        ino_t parentInode;
    };

    void Push(Kind kind, int newFd);

    int m_fd = -1;
    // The current folder's identity, looked up once however many of its
    // sub-folders are entered.
    bool m_bIdentityKnown = false;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    std::vector<Level> m_levels;
    std::size_t m_nKeptByName = 0;  // ByName levels that keep the descriptor above
};
