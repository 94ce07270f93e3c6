#pragma once
// The mounted file systems, as /proc/self/mountinfo lists them, sorted into
// the volumes the namespace shows: local volumes under Computer, network file
// systems under Network, and pseudo file systems that are not shown at all.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WinTypes.h"

namespace zb {

struct MountEntry {
    std::string mountPoint;  // decoded (\040 and the other octal escapes)
    std::string fsType;
    std::string source;
    bool readOnly = false;     // "ro" among the mount's or the super block's options
    std::uint64_t device = 0;  // the file system's device number (st_dev), from major:minor
};

enum class MountClass { Hidden, Local, Network };

// Parses one mountinfo line:
//   id parent major:minor root mountpoint options [optional...] - type source superoptions
// False for a line that does not have that shape.
bool ParseMountInfoLine(std::string_view line, MountEntry* entry);

// Decodes the octal escapes (\040 space, \011 tab, \012 newline, \134
// backslash) with which the kernel writes paths in mountinfo.
std::string DecodeMountPath(std::string_view text);

// Not shown (Hidden): the root "/" itself (Computer always shows it first on
// its own); file systems of the kernel's own interfaces (proc, sysfs, cgroup,
// cgroup2, devpts, devtmpfs, mqueue, debugfs, tracefs, securityfs, pstore,
// bpf, autofs, configfs, fusectl, hugetlbfs, binfmt_misc, nsfs, efivarfs,
// selinuxfs, rpc_pipefs, nfsd, ramfs); the GVfs and portal FUSE daemons
// (their mounts are listed from the GVfs folder instead); tmpfs and overlay
// mounts (memory and container layers, not volumes; only "/" may be one);
// squashfs (snap packages); anything mounted under /proc, /sys or /dev; and
// local file systems under /run (runtime state), except removable media
// under /run/media.
// Network: nfs, nfs4, cifs, smb3, smbfs, ncpfs, 9p, afs, ceph, glusterfs,
// lustre, coda, davfs, and the FUSE types fuse.sshfs, fuse.davfs2,
// fuse.glusterfs, fuse.rclone, fuse.s3fs, fuse.curlftpfs.
// Local: everything else.
MountClass ClassifyMount(const MountEntry& entry);

// True for the file systems of the kernel's own interfaces (proc, sysfs,
// devtmpfs, cgroup, autofs, ... as listed for ClassifyMount): walks that
// read files never enter them.
bool IsPseudoFileSystemType(std::string_view fsType);

// Every entry of the mountinfo file at `path`, in the file's order; empty
// when it cannot be read. Malformed lines are skipped.
std::vector<MountEntry> ReadMountInfo(const std::string& path);

// True when a volume at `mountPoint` is removable media (/media or /run/media).
bool IsRemovableMountPoint(std::string_view mountPoint);

// True when `path` is `prefix` or lies below it ("/" is the prefix of every
// absolute path).
bool PathHasPrefix(std::string_view path, std::string_view prefix);

}  // namespace zb
