#pragma once
// Where one mount ends and another begins. Bind mounts share the device
// number of the file system they show, so a device test alone lets a walk
// into a folder mounted inside the tree; the mount id tells them apart.
// Every operation that walks a tree (delete, copy, the tools' sweeps) stops
// at an entry whose mount id is not its folder's.

#include <cstdint>
#include <optional>
#include <string>

namespace zb {

// The id of the mount holding the entry `name` of the open folder
// `folderFd`, links not followed; an empty `name` asks for the folder
// itself. False with errno set when it cannot be read.
bool MountIdAt(int folderFd, const char* name, std::uint64_t* id);

// True when the entry `name` of the open folder `folderFd` lies on another
// mount than the folder: a mount point met inside a tree (a file can be one
// too). An entry whose mount cannot be read counts as one, so a walk never
// goes where it cannot tell.
bool IsMountPointAt(int folderFd, const char* name);

// The mount id of the open folder `folderFd`, read once for the tests of all
// its entries; empty when it cannot be read.
std::optional<std::uint64_t> FolderMountId(int folderFd);

// IsMountPointAt with the folder's mount id from FolderMountId: an empty id
// makes every entry count as a mount point.
bool IsMountPointAt(int folderFd, const char* name, std::optional<std::uint64_t> folderMountId);

// The same for the item at `path` (not followed when it is a link).
bool IsMountPoint(const std::string& path);

// The first mount point the mount table lists below the folder `folder` (an
// absolute path without links), or empty when none lies inside it.
std::string MountPointInside(const std::string& folder);

}  // namespace zb
