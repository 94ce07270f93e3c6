#include "app/engine/FolderCursor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

void CloseFd(int fd) {
    if (fd >= 0)
        ::close(fd);
}

}  // namespace

CFolderCursor::~CFolderCursor() {
    while (!m_levels.empty())
        Leave();
    CloseFd(m_fd);
}

bool CFolderCursor::Identity(dev_t* device, ino_t* inode) {
    struct stat st {};
    if (!m_bIdentityKnown && m_fd >= 0 && ::fstat(m_fd, &st) == 0) {
        m_bIdentityKnown = true;
        m_device = st.st_dev;
        m_inode = st.st_ino;
    }
    *device = m_bIdentityKnown ? m_device : 0;
    *inode = m_bIdentityKnown ? m_inode : 0;
    return m_bIdentityKnown;
}

void CFolderCursor::Push(Kind kind, int newFd) {
    Level level{kind, -1, m_bIdentityKnown, m_device, m_inode};
    if (kind == Kind::ByName && m_nKeptByName >= kKeptLevels) {
        level.parentKnown = Identity(&level.parentDevice, &level.parentInode);
        CloseFd(m_fd);
    } else {
        m_nKeptByName += kind == Kind::ByName ? 1 : 0;
        level.savedFd = m_fd;
    }
    m_levels.push_back(level);
    m_fd = newFd;
    m_bIdentityKnown = false;
}

bool CFolderCursor::EnterName(const std::string& name) {
    if (m_fd < 0)
        return false;
    const int fd = ::openat(m_fd, name.c_str(), kFolderFlags | O_NOFOLLOW);
    if (fd < 0)
        return false;
    Push(Kind::ByName, fd);
    return true;
}

bool CFolderCursor::EnterPath(const std::string& path) {
    const int fd = ::open(path.c_str(), kFolderFlags);
    if (fd < 0)
        return false;
    Push(Kind::Other, fd);
    return true;
}

void CFolderCursor::EnterNone() {
    Push(Kind::Other, -1);
}

void CFolderCursor::Leave() {
    if (m_levels.empty())
        return;
    const Level level = m_levels.back();
    m_levels.pop_back();
    const int child = std::exchange(m_fd, -1);
    m_bIdentityKnown = false;
    if (level.kind == Kind::Other || level.savedFd >= 0) {
        m_nKeptByName -= level.kind == Kind::ByName ? 1 : 0;
        CloseFd(child);
        m_fd = level.savedFd;
        m_bIdentityKnown = level.parentKnown;
        m_device = level.parentDevice;
        m_inode = level.parentInode;
        return;
    }
    // ".." of a folder that was moved meanwhile is another folder: the walk
    // goes on in the folder above without a descriptor rather than there.
    int parent = -1;
    if (child >= 0)
        parent = ::openat(child, "..", kFolderFlags);
    struct stat st {};
    if (parent >= 0 && (!level.parentKnown || ::fstat(parent, &st) != 0 ||
                        st.st_dev != level.parentDevice || st.st_ino != level.parentInode)) {
        CloseFd(parent);
        parent = -1;
    }
    CloseFd(child);
    m_fd = parent;
    m_bIdentityKnown = parent >= 0;
    m_device = level.parentDevice;
    m_inode = level.parentInode;
}
