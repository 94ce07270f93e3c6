#include "tools/TreeWalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "platform/shell/MountTable.h"
#include "platform/shell/NameOrder.h"
#include "platform/shell/ShellRoots.h"

namespace {

// Closes a directory stream on every way out.
struct DirCloser {
    DIR* dir;
    ~DirCloser() {
        if (dir)
            ::closedir(dir);
    }
};

}  // namespace

CTreeWalk::CTreeWalk(const std::atomic<bool>* stop) : m_pStop(stop) {}

void CTreeWalk::AddSkipFolder(const std::string& path) {
    struct stat st {};
    if (!path.empty() && ::stat(path.c_str(), &st) == 0)
        m_skip.insert(IdentityOf(st));
}

void CTreeWalk::SetPseudoDevices(std::unordered_set<std::uint64_t> devices) {
    m_pseudoDevices = std::move(devices);
    m_bPseudoRead = true;
}

std::unordered_set<std::uint64_t> CTreeWalk::ReadPseudoDevices(const std::string& mountInfoPath) {
    std::unordered_set<std::uint64_t> devices;
    for (const MountEntry& entry : ReadMountInfo(mountInfoPath)) {
        if (IsPseudoFileSystemType(entry.fsType))
            devices.insert(entry.device);
    }
    return devices;
}

bool CTreeWalk::MayEnter(const struct stat& st) const {
    const FileIdentity id = IdentityOf(st);
    return !m_visited.contains(id) && !m_skip.contains(id) &&
           !m_pseudoDevices.contains(static_cast<std::uint64_t>(st.st_dev)) &&
           (m_bCrossFileSystems || static_cast<std::uint64_t>(st.st_dev) == m_rootDevice);
}

int CTreeWalk::Walk(const std::string& root, ITreeVisitor& visitor) {
    if (!m_bPseudoRead)
        SetPseudoDevices(ReadPseudoDevices(CurrentShellRoots()->mountInfo));
    const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return WALK_UNREACHABLE;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return WALK_UNREACHABLE;
    }
    m_rootDevice = static_cast<std::uint64_t>(st.st_dev);
    if (!MayEnter(st)) {
        ::close(fd);
        return WALK_DONE;
    }
    m_visited.insert(IdentityOf(st));
    return WalkFolder(fd, TrimTrailingSlashes(root), 1, visitor) ? WALK_DONE : WALK_ENDED;
}

bool CTreeWalk::WalkFolder(int fd, const std::string& path, int depth, ITreeVisitor& visitor) {
    DirCloser closer{::fdopendir(fd)};
    if (!closer.dir) {
        ::close(fd);
        ++m_nUnreadable;
        return true;
    }
    std::vector<std::string> names;
    while (const dirent* item = ::readdir(closer.dir)) {
        const std::string_view name(item->d_name);
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return CompareItemNames(a, b) < 0;
    });

    const int dirFd = ::dirfd(closer.dir);
    std::string childPath;
    for (const std::string& name : names) {
        if (Stopped())
            return false;
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;  // gone since the listing
        childPath = JoinPath(path, name);
        const TreeEntry entry{dirFd, name, childPath, st, depth};
        if (!visitor.OnEntry(entry))
            return false;
        if (!S_ISDIR(st.st_mode))
            continue;
        bool go = true;
        if (m_bSubFolders && MayEnter(st) && visitor.EnterFolder(entry)) {
            const int child =
                ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child < 0) {
                ++m_nUnreadable;
            } else {
                m_visited.insert(IdentityOf(st));
                go = WalkFolder(child, childPath, depth + 1, visitor);
            }
        }
        visitor.LeaveFolder(entry);
        if (!go)
            return false;
    }
    return true;
}

namespace {

class FoldersLastVisitor : public ITreeVisitor {
public:
    FoldersLastVisitor(const std::function<void(const TreeEntry&)>& apply,
                       const std::function<void(const std::string&)>& folderDone)
        : m_apply(apply), m_folderDone(folderDone) {}

    bool OnEntry(const TreeEntry& entry) override {
        if (!S_ISDIR(entry.st.st_mode))
            m_apply(entry);
        return true;
    }
    bool EnterFolder(const TreeEntry& entry) override {
        m_entered.push_back(entry.path);
        return true;
    }
    void LeaveFolder(const TreeEntry& entry) override {
        if (!m_entered.empty() && m_entered.back() == entry.path) {
            m_entered.pop_back();
            if (m_folderDone)
                m_folderDone(entry.path);
        }
        m_apply(entry);
    }

private:
    const std::function<void(const TreeEntry&)>& m_apply;
    const std::function<void(const std::string&)>& m_folderDone;
    std::vector<std::string> m_entered;
};

}  // namespace

int ApplyBelowFolder(const std::string& root, const std::function<void(const TreeEntry&)>& apply,
                     const std::function<void(const std::string&)>& folderDone) {
    CTreeWalk walk;
    walk.SetCrossFileSystems(false);
    FoldersLastVisitor visitor(apply, folderDone);
    const int result = walk.Walk(root, visitor);
    if (result != CTreeWalk::WALK_UNREACHABLE && folderDone)
        folderDone(TrimTrailingSlashes(root));
    return result;
}
