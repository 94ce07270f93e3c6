#include "platform/MountPoint.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/PosixFile.h"
#include "platform/shell/MountTable.h"

namespace zb {
namespace {

// name_to_handle_at reports the mount id on kernels whose statx lacks it.
bool MountIdFromHandle(int folderFd, const char* name, std::uint64_t* id) {
    struct {
        file_handle header;
        unsigned char bytes[MAX_HANDLE_SZ];
    } handle{};
    handle.header.handle_bytes = MAX_HANDLE_SZ;
    int mountId = 0;
    const int flags = *name == '\0' ? AT_EMPTY_PATH : 0;
    if (::name_to_handle_at(folderFd, name, &handle.header, &mountId, flags) != 0 &&
        errno != EOVERFLOW && errno != EOPNOTSUPP)
        return false;
    // EOPNOTSUPP (no handles on this file system) still fills the mount id
    // only on some kernels; a zero id is not trusted.
    if (mountId == 0) {
        errno = ENOTSUP;
        return false;
    }
    *id = static_cast<std::uint64_t>(mountId);
    return true;
}

}  // namespace

bool MountIdAt(int folderFd, const char* name, std::uint64_t* id) {
    struct statx sx {};
    const int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | (*name == '\0' ? AT_EMPTY_PATH : 0);
    if (::statx(folderFd, name, flags, STATX_MNT_ID, &sx) != 0)
        return false;
    if ((sx.stx_mask & STATX_MNT_ID) != 0) {
        *id = sx.stx_mnt_id;
        return true;
    }
    return MountIdFromHandle(folderFd, name, id);
}

bool IsMountPointAt(int folderFd, const char* name) {
    return IsMountPointAt(folderFd, name, FolderMountId(folderFd));
}

std::optional<std::uint64_t> FolderMountId(int folderFd) {
    std::uint64_t id = 0;
    return MountIdAt(folderFd, "", &id) ? std::optional(id) : std::nullopt;
}

bool IsMountPointAt(int folderFd, const char* name, std::optional<std::uint64_t> folderMountId) {
    std::uint64_t entry = 0;
    return !folderMountId || !MountIdAt(folderFd, name, &entry) || entry != *folderMountId;
}

bool IsMountPoint(const std::string& path) {
    std::string folder;
    std::string name;
    if (!SplitItemPath(path, &folder, &name))
        return path == "/";
    const UniqueFd parent(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    return !parent.IsOpen() || IsMountPointAt(parent.Get(), name.c_str());
}

std::string MountPointInside(const std::string& folder) {
    const std::string prefix = folder == "/" ? folder : folder + "/";
    for (const MountEntry& entry : ReadMountInfo("/proc/self/mountinfo")) {
        if (entry.mountPoint.size() > prefix.size() && entry.mountPoint.starts_with(prefix))
            return entry.mountPoint;
    }
    return {};
}

}  // namespace zb
