#include "tools/TreeWalk.h"

#include <fcntl.h>

#include <algorithm>

#include "platform/MountPoint.h"
#include "platform/shell/MountTable.h"
#include "platform/shell/NameOrder.h"
#include "platform/shell/ShellRoots.h"

namespace {

// The names of the open folder `fd` (without "." and ".."), in name order,
// read through a descriptor of their own so `fd` stays usable.
bool ReadSortedNames(int fd, std::vector<std::string>* names) {
    if (!zb::ListFolderNames(fd, names))
        return false;
    std::sort(names->begin(), names->end(), [](const std::string& a, const std::string& b) {
        return CompareItemNames(a, b) < 0;
    });
    return true;
}

bool IdentityOfFd(int fd, FileIdentity* identity) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    *identity = IdentityOf(st);
    return true;
}

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
    for (const zb::MountEntry& entry : zb::ReadMountInfo(mountInfoPath)) {
        if (zb::IsPseudoFileSystemType(entry.fsType))
            devices.insert(entry.device);
    }
    return devices;
}

bool CTreeWalk::MayEnter(const struct stat& st) const {
    const FileIdentity id = IdentityOf(st);
    return !m_visited.contains(id) && !m_skip.contains(id) &&
           !m_pseudoDevices.contains(static_cast<std::uint64_t>(st.st_dev));
}

int CTreeWalk::Walk(const std::string& root, ITreeVisitor& visitor) {
    if (!m_bPseudoRead)
        SetPseudoDevices(ReadPseudoDevices(zb::CurrentShellRoots()->mountInfo));
    zb::UniqueFd fd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (!fd.IsOpen() || ::fstat(fd.Get(), &st) != 0)
        return WALK_UNREACHABLE;
    if (!MayEnter(st))
        return WALK_DONE;
    m_visited.insert(IdentityOf(st));
    m_folders.clear();
    m_firstOpen = 0;
    m_path = zb::TrimTrailingSlashes(root);
    if (!PushFolder(std::move(fd), IdentityOf(st))) {
        ++m_nUnreadable;
        return WALK_DONE;
    }
    bool going = true;
    while (!m_folders.empty()) {
        const Folder& inner = m_folders.back();
        if (going && inner.next < inner.names.size()) {
            going = VisitNext(visitor);
        } else if (!PopFolder(visitor)) {
            m_folders.clear();
            return WALK_ENDED;
        }
    }
    return going ? WALK_DONE : WALK_ENDED;
}

bool CTreeWalk::PushFolder(zb::UniqueFd fd, const FileIdentity& identity) {
    Folder folder;
    if (!ReadSortedNames(fd.Get(), &folder.names))
        return false;
    if (m_bStayOnMount)
        folder.mountId = zb::FolderMountId(fd.Get());
    folder.fd = std::move(fd);
    folder.identity = identity;
    folder.pathLength = m_path.size();
    m_folders.push_back(std::move(folder));
    // The outermost folders give their descriptors up first.
    while (m_folders.size() - m_firstOpen > kMaxOpenFolders)
        m_folders[m_firstOpen++].fd.Reset();
    return true;
}

bool CTreeWalk::VisitNext(ITreeVisitor& visitor) {
    if (Stopped())
        return false;
    Folder& folder = m_folders.back();
    const std::string& name = folder.names[folder.next++];
    const int dirFd = folder.fd.Get();
    if (::fstatat(dirFd, name.c_str(), &folder.current, AT_SYMLINK_NOFOLLOW) != 0)
        return true;  // gone since the listing
    const struct stat& st = folder.current;
    const std::size_t folderPathLength = m_path.size();
    if (m_path.empty() || m_path.back() != '/')
        m_path += '/';
    m_path += name;
    const TreeEntry entry{dirFd, name, m_path, st, static_cast<int>(m_folders.size())};
    if (m_bStayOnMount && zb::IsMountPointAt(dirFd, name.c_str(), folder.mountId)) {
        visitor.OnMountPoint(entry);
        m_path.resize(folderPathLength);
        return true;
    }
    if (!visitor.OnEntry(entry))
        return false;
    if (!S_ISDIR(st.st_mode)) {
        m_path.resize(folderPathLength);
        return true;
    }
    if (m_bSubFolders && MayEnter(st) && visitor.EnterFolder(entry)) {
        zb::UniqueFd child(
            ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        FileIdentity opened;
        // The folder opened must be the one tested (not one moved there since).
        if (child.IsOpen() && IdentityOfFd(child.Get(), &opened) && opened == IdentityOf(st)) {
            m_visited.insert(opened);
            if (PushFolder(std::move(child), opened))
                return true;  // left when its entries are done
        }
        ++m_nUnreadable;
    }
    visitor.LeaveFolder(entry);
    m_path.resize(folderPathLength);
    return true;
}

bool CTreeWalk::PopFolder(ITreeVisitor& visitor) {
    m_path.resize(m_folders.back().pathLength);
    if (m_folders.size() == 1) {
        m_folders.clear();
        m_firstOpen = 0;
        return true;
    }
    Folder& inner = m_folders.back();
    Folder& outer = m_folders[m_folders.size() - 2];
    if (!outer.fd.IsOpen()) {
        zb::UniqueFd up(::openat(inner.fd.Get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        FileIdentity identity;
        if (!up.IsOpen() || !IdentityOfFd(up.Get(), &identity) || !(identity == outer.identity)) {
            ++m_nUnreadable;
            return false;
        }
        outer.fd = std::move(up);
        m_firstOpen = m_folders.size() - 2;
    }
    m_folders.pop_back();
    const TreeEntry entry{outer.fd.Get(), outer.names[outer.next - 1], m_path, outer.current,
                          static_cast<int>(m_folders.size())};
    visitor.LeaveFolder(entry);
    m_path.resize(outer.pathLength);
    return true;
}

namespace {

// Applies to every entry, a folder after its own entries, and tells when a
// folder's entries are all done.
class FoldersLastVisitor : public ITreeVisitor {
public:
    FoldersLastVisitor(const std::function<void(const TreeEntry&)>& apply,
                       const std::function<void(const std::string&)>& folderDone,
                       const std::function<void(const TreeEntry&)>& mountPoint)
        : m_apply(apply), m_folderDone(folderDone), m_mountPoint(mountPoint) {}

    bool OnEntry(const TreeEntry& entry) override {
        if (!S_ISDIR(entry.st.st_mode))
            m_apply(entry);
        return true;
    }
    bool EnterFolder(const TreeEntry& entry) override {
        m_enteredDepths.push_back(entry.depth);
        return true;
    }
    void LeaveFolder(const TreeEntry& entry) override {
        // Folders are left innermost first, so an entered one is the last.
        if (!m_enteredDepths.empty() && m_enteredDepths.back() == entry.depth) {
            m_enteredDepths.pop_back();
            if (m_folderDone)
                m_folderDone(entry.path);
        }
        m_apply(entry);
    }
    void OnMountPoint(const TreeEntry& entry) override {
        if (m_mountPoint)
            m_mountPoint(entry);
    }

private:
    const std::function<void(const TreeEntry&)>& m_apply;
    const std::function<void(const std::string&)>& m_folderDone;
    const std::function<void(const TreeEntry&)>& m_mountPoint;
    std::vector<int> m_enteredDepths;
};

}  // namespace

int ApplyBelowFolder(const std::string& root, const std::function<void(const TreeEntry&)>& apply,
                     const std::function<void(const std::string&)>& folderDone,
                     const std::function<void(const TreeEntry&)>& mountPoint) {
    CTreeWalk walk;
    walk.SetStayOnMount(true);
    FoldersLastVisitor visitor(apply, folderDone, mountPoint);
    const int result = walk.Walk(root, visitor);
    if (result != CTreeWalk::WALK_UNREACHABLE && folderDone)
        folderDone(zb::TrimTrailingSlashes(root));
    return result;
}
