#pragma once
// The freedesktop Trash, which stands in for the Recycle Bin. An item goes to
// the home trash ($XDG_DATA_HOME/Trash, or where a link of that name leads)
// when it lies on the same mount, else to the trash at the top of its own
// mount: "$top/.Trash/$uid" when an administrator made "$top/.Trash" (a
// sticky folder, not a link), otherwise "$top/.Trash-$uid". Each trash holds
// "files" (the trashed items) and "info" (one "<name>.trashinfo" per item,
// naming where it came from and when).
//
// An item is only ever renamed into a trash on its own mount: nothing is
// copied, and nothing is deleted here. A mount point is never moved.

#include <sys/types.h>

#include <string>
#include <string_view>

namespace zb {

enum class TrashResult {
    Moved,       // the item is in the trash
    NoTrash,     // no trash can take it (none can be made on its volume, or it
                 // lies inside a trash already); the item is untouched
    MountPoint,  // the item is a mount point, which cannot move, or a folder
                 // holding one, whose mount would go into the trash with it;
                 // untouched
    Failed,      // the move failed (errno in `error`); the item is untouched
};

struct TrashOutcome {
    TrashResult result = TrashResult::Failed;
    int error = 0;
    std::string trashedPath;  // where the item went
    std::string infoPath;     // its .trashinfo file
    std::string mountPoint;   // MountPoint: the one inside the folder (empty: the item is one)
};

// Moves the file, folder or link at `path` (a link is moved itself, never
// followed) into the trash of its mount, with its .trashinfo record:
//     [Trash Info]
//     Path=<the path, percent-encoded>
//     DeletionDate=<local time as YYYY-MM-DDThh:mm:ss>
// The path is absolute in the home trash and relative to the top of the
// volume in a volume's trash.
// A name already taken in the trash gets ".2", ".3", ... appended.
TrashOutcome MoveToTrash(const std::string& path);

// Where the item at `path` stands among the trashes, looked up once.
struct TrashPlace {
    bool inTrash = false;  // it lies inside the home trash or its volume's
    std::string record;    // its .trashinfo record when it lies directly in the
                           // "files" folder of a trash, else empty: what goes
                           // with the item when it is deleted for good
};
TrashPlace FindTrashPlace(const std::string& path);

// The home trash: $XDG_DATA_HOME/Trash (else $HOME/.local/share/Trash).
std::string HomeTrashFolder();

// The trash of the volume whose top folder is `topDir`, for user `uid`, made
// (mode 0700) where missing; empty when none can be used: a ".Trash-$uid"
// that is a link, not a folder or someone else's is never used.
std::string VolumeTrashFolder(const std::string& topDir, uid_t uid);

// A path as a .trashinfo "Path=" value: every byte but letters, digits,
// "-", ".", "_", "~" and "/" as %XX.
std::string EncodeTrashPath(std::string_view path);

}  // namespace zb
