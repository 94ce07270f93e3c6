#include "platform/Trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

#include "platform/MountPoint.h"
#include "platform/PosixFile.h"
#include "platform/UserFiles.h"

namespace zb {
namespace {

constexpr char kInfoSuffix[] = ".trashinfo";
// Numbers tried after a name is taken in the trash.
constexpr int kMaxNameNumber = 10000;
// The longest name kept for an item in the trash: its .trashinfo name and a
// number must still fit into one name (255 bytes).
constexpr std::size_t kMaxTrashName = NAME_MAX - (sizeof kInfoSuffix - 1) - 6;

// Replaces `path` by its resolved form (no links, no ".."); false when it
// does not exist.
bool ResolvePath(std::string* path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path->c_str(), nullptr),
                                                               &std::free);
    if (!resolved)
        return false;
    *path = resolved.get();
    return true;
}

// `path` with its folder part resolved (links and "..": the item itself is
// not followed); false when the folder does not exist.
bool ResolveFolderPart(const std::string& path, std::string* full, std::string* name) {
    std::string folder;
    if (!SplitItemPath(path, &folder, name)) {
        errno = EINVAL;
        return false;
    }
    if (!ResolvePath(&folder))
        return false;
    *full = JoinPath(folder, *name);
    return true;
}

// Makes `path` a folder (mode 0700) unless it is one; a link or anything else
// there is refused.
bool MakePrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A trash folder with its "files" and "info" folders, all real folders of
// `uid` (not links).
bool PrepareTrash(const std::string& trash, uid_t uid) {
    if (!MakePrivateFolder(trash))
        return false;
    struct stat st {};
    if (::lstat(trash.c_str(), &st) != 0 || st.st_uid != uid)
        return false;
    return MakePrivateFolder(trash + "/files") && MakePrivateFolder(trash + "/info");
}

// The id of the mount holding `path` (resolved), or 0.
std::uint64_t MountIdOf(const std::string& path) {
    std::uint64_t id = 0;
    return MountIdAt(AT_FDCWD, path.c_str(), &id) ? id : 0;
}

// The top folder of the mount that holds the resolved folder `folder`: the
// trash of a volume sits there. Mount ids, not devices, tell where the
// mount ends, since a bind mount shows a folder of another mount's device.
std::string VolumeTopOf(std::string folder) {
    const std::uint64_t mount = MountIdOf(folder);
    while (folder != "/") {
        const std::string parent = FolderOf(folder);
        if (MountIdOf(parent) != mount)
            break;
        folder = parent;
    }
    return folder;
}

// The trash folders a volume may have for `uid`, shared one first.
std::vector<std::string> VolumeTrashCandidates(const std::string& topDir, uid_t uid) {
    const std::string top = topDir == "/" ? std::string() : topDir;
    return {top + "/.Trash/" + std::to_string(uid), top + "/.Trash-" + std::to_string(uid)};
}

// The home trash resolved through a link (a user may keep it elsewhere), or
// empty when it does not exist.
std::string ExistingHomeTrash() {
    std::string home = HomeTrashFolder();
    return !home.empty() && ResolvePath(&home) ? home : std::string();
}

// The home trash, made where missing, and resolved; empty when none can be
// used. `existing` is what ExistingHomeTrash gave before.
std::string UsableHomeTrash(uid_t uid, std::string existing) {
    if (existing.empty()) {
        const std::string home = HomeTrashFolder();
        if (home.empty() || !CreateFolders(home, 0700))
            return {};
        existing = ExistingHomeTrash();
    }
    return !existing.empty() && PrepareTrash(existing, uid) ? existing : std::string();
}

// The trash that already holds the resolved path `full`, or empty: the home
// trash `home` (what ExistingHomeTrash gave) or a trash of the volume whose
// top folder is `top`.
std::string TrashHolding(const std::string& full, const std::string& home, const std::string& top) {
    if (IsPathInside(full, home))
        return home;
    for (std::string trash : VolumeTrashCandidates(top, ::getuid())) {
        if (ResolvePath(&trash) && IsPathInside(full, trash))
            return trash;
    }
    return {};
}

// `full` as the Path= of a record in the trash of the volume at `topDir`:
// relative to the top of the volume, so the record stays true wherever the
// volume is mounted next.
std::string PathBelowTop(const std::string& full, const std::string& topDir) {
    return topDir == "/" ? full.substr(1) : full.substr(topDir.size() + 1);
}

std::string LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// The name an item keeps in the trash: at most kMaxTrashName bytes, cut
// before a UTF-8 continuation byte.
std::string TrashName(const std::string& name) {
    if (name.size() <= kMaxTrashName)
        return name;
    std::size_t cut = kMaxTrashName;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.substr(0, cut);
}

// Writes the item's record (naming it as `recordPath`) under a free name and
// renames the item beside it; a name taken by another record or item moves
// on to the next number.
TrashOutcome MoveInto(const std::string& trash, const std::string& full, const std::string& name,
                      const std::string& recordPath) {
    TrashOutcome outcome;
    const std::string record = "[Trash Info]\nPath=" + EncodeTrashPath(recordPath) +
                               "\nDeletionDate=" + LocalTimeText() + "\n";
    const std::string base = TrashName(name);
    for (int number = 1; number <= kMaxNameNumber; ++number) {
        const std::string candidate = number == 1 ? base : base + "." + std::to_string(number);
        const std::string info = trash + "/info/" + candidate + kInfoSuffix;
        UniqueFd file(
            ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file.IsOpen()) {
            if (errno == EEXIST)
                continue;
            outcome.error = errno;
            return outcome;
        }
        if (!WriteAll(file.Get(), record) || !file.Close()) {
            outcome.error = errno;
            ::unlink(info.c_str());
            return outcome;
        }
        const std::string target = trash + "/files/" + candidate;
        if (RenameWithoutReplacing(full, target)) {
            outcome.result = TrashResult::Moved;
            outcome.trashedPath = target;
            outcome.infoPath = info;
            return outcome;
        }
        const int error = errno;
        ::unlink(info.c_str());
        if (error != EEXIST) {
            outcome.error = error;
            return outcome;
        }
    }
    outcome.error = EEXIST;
    return outcome;
}

}  // namespace

std::string HomeTrashFolder() {
    const std::string data = UserDataHome();
    return data.empty() ? std::string() : data + "/Trash";
}

std::string VolumeTrashFolder(const std::string& topDir, uid_t uid) {
    const std::vector<std::string> candidates = VolumeTrashCandidates(topDir, uid);
    const std::string shared = FolderOf(candidates[0]);
    struct stat st {};
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) &&
        PrepareTrash(candidates[0], uid))
        return candidates[0];
    return PrepareTrash(candidates[1], uid) ? candidates[1] : std::string();
}

std::string EncodeTrashPath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                           byte == '_' || byte == '~' || byte == '/';
        if (plain) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0xF];
        }
    }
    return encoded;
}

TrashOutcome MoveToTrash(const std::string& path) {
    TrashOutcome outcome;
    std::string full;
    std::string name;
    struct stat item {};
    if (!ResolveFolderPart(path, &full, &name) || ::lstat(full.c_str(), &item) != 0) {
        outcome.error = errno;
        return outcome;
    }
    // A mount point cannot leave its place, and one inside a folder would go
    // along into the trash, where emptying it would reach what it shows; no
    // trash is made for either.
    const bool isMountPoint = IsMountPoint(full);
    if (!isMountPoint && S_ISDIR(item.st_mode))
        outcome.mountPoint = MountPointInside(full);
    if (isMountPoint || !outcome.mountPoint.empty()) {
        outcome.result = TrashResult::MountPoint;
        outcome.error = EBUSY;
        return outcome;
    }
    const std::string folder = FolderOf(full);
    const std::string top = VolumeTopOf(folder);
    const std::string existingHome = ExistingHomeTrash();
    if (!TrashHolding(full, existingHome, top).empty()) {
        outcome.result = TrashResult::NoTrash;
        return outcome;
    }
    const uid_t uid = ::getuid();
    const std::string home = UsableHomeTrash(uid, existingHome);
    if (!home.empty() && MountIdOf(home) == MountIdOf(folder))
        return MoveInto(home, full, name, full);
    const std::string trash = VolumeTrashFolder(top, uid);
    if (trash.empty() || IsPathInside(full, trash)) {
        outcome.result = TrashResult::NoTrash;
        return outcome;
    }
    return MoveInto(trash, full, name, PathBelowTop(full, top));
}

TrashPlace FindTrashPlace(const std::string& path) {
    TrashPlace place;
    std::string full;
    std::string name;
    if (!ResolveFolderPart(path, &full, &name))
        return place;
    const std::string folder = FolderOf(full);
    const std::string trash = TrashHolding(full, ExistingHomeTrash(), VolumeTopOf(folder));
    place.inTrash = !trash.empty();
    if (!place.inTrash || folder != trash + "/files")
        return place;
    const std::string record = trash + "/info/" + name + kInfoSuffix;
    struct stat st {};
    if (::lstat(record.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        place.record = record;
    return place;
}

}  // namespace zb
