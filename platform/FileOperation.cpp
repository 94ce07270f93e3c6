#include "platform/FileOperation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <unordered_map>

#include "platform/MountPoint.h"
#include "platform/PosixFile.h"
#include "platform/Trash.h"

namespace zb {
namespace {

// Folders deeper than this below a deleted folder are refused (each level
// holds a descriptor while its contents go).
constexpr int kMaxDeleteDepth = 512;
// Failures named one by one in a report; the rest are counted.
constexpr std::size_t kMaxReportedFailures = 10;

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ErrorText(int error) {
    return std::strerror(error);
}

enum class Removal { Removed, HoldsMountPoint, Failed };

// Removes the entry `name` of the open folder `folderFd` (path `path`, mount
// id `folderMount` from FolderMountId) with everything inside it. Mount
// points met inside are left alone and listed, and so stay the folders that
// hold them.
Removal RemoveEntryAt(int folderFd, std::optional<std::uint64_t> folderMount,
                      const std::string& name, const std::string& path, int depth,
                      DeleteOutcome* outcome) {
    struct stat st {};
    if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return Removal::Failed;
    if (IsMountPointAt(folderFd, name.c_str(), folderMount)) {
        outcome->mountPoints.push_back(path);
        return Removal::HoldsMountPoint;
    }
    if (!S_ISDIR(st.st_mode))
        return ::unlinkat(folderFd, name.c_str(), 0) == 0 ? Removal::Removed : Removal::Failed;
    if (depth >= kMaxDeleteDepth) {
        errno = ELOOP;
        return Removal::Failed;
    }
    const UniqueFd child(
        ::openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    std::vector<std::string> names;
    if (!child.IsOpen() || !ListFolderNames(child.Get(), &names))
        return Removal::Failed;
    const std::optional<std::uint64_t> childMount = FolderMountId(child.Get());
    bool holdsMountPoint = false;
    for (const std::string& inside : names) {
        const Removal removal = RemoveEntryAt(child.Get(), childMount, inside,
                                              JoinPath(path, inside), depth + 1, outcome);
        if (removal == Removal::Failed)
            return Removal::Failed;
        holdsMountPoint = holdsMountPoint || removal == Removal::HoldsMountPoint;
    }
    if (holdsMountPoint)
        return Removal::HoldsMountPoint;
    return ::unlinkat(folderFd, name.c_str(), AT_REMOVEDIR) == 0 ? Removal::Removed
                                                                 : Removal::Failed;
}

// Items of `paths` not inside another of them: deleting those takes the rest.
std::vector<std::string> OutermostItems(const std::vector<std::string>& paths) {
    std::vector<std::string> outermost;
    for (const std::string& path : paths) {
        const bool inside = std::any_of(paths.begin(), paths.end(), [&](const std::string& other) {
            return IsPathInside(path, other);
        });
        if (!inside && std::find(outermost.begin(), outermost.end(), path) == outermost.end())
            outermost.push_back(path);
    }
    return outermost;
}

std::string PermanentDeleteQuestion(const std::vector<std::string>& paths, bool allInTrash) {
    const std::string where = allInTrash ? " in the Trash" : " cannot be moved to the Trash";
    if (paths.size() == 1) {
        return "'" + paths.front() + (allInTrash ? "' is" : "'") + where +
               ".\n\nDo you want to delete it permanently? It cannot be restored.";
    }
    std::string text = "These " + std::to_string(paths.size()) + " items" +
                       (allInTrash ? " are" : "") + where + ":\n";
    for (std::size_t i = 0; i < paths.size() && i < kMaxReportedFailures; ++i)
        text += "\n" + paths[i];
    if (paths.size() > kMaxReportedFailures)
        text += "\n... and " + std::to_string(paths.size() - kMaxReportedFailures) + " more";
    return text + "\n\nDo you want to delete them permanently? They cannot be restored.";
}

std::string MountPointText(const std::string& path) {
    return "'" + path + "' is a mount point: it was left alone.";
}

// Deletes `paths` for good, each with its trash record in `records` (by
// path) when it has one; appends those that are gone to `gone` and what
// failed to `failures`.
void DeleteEachPermanently(const std::vector<std::string>& paths,
                           const std::unordered_map<std::string, std::string>& records,
                           std::vector<std::string>* gone, std::vector<std::string>* failures) {
    for (const std::string& path : paths) {
        const DeleteOutcome outcome = DeletePermanently(path);
        for (const std::string& mountPoint : outcome.mountPoints)
            failures->push_back(MountPointText(mountPoint));
        if (outcome.removed) {
            gone->push_back(path);
            const auto record = records.find(path);
            if (record != records.end())
                ::unlink(record->second.c_str());
        } else if (outcome.mountPoints.empty()) {
            failures->push_back("Cannot delete '" + path + "': " + ErrorText(outcome.error) + ".");
        }
    }
}

}  // namespace

std::vector<std::string> DeleteToTrash(const std::vector<std::string>& paths,
                                       IFileOperationUi& ui) {
    std::vector<std::string> gone;
    std::vector<std::string> toTrash;
    std::vector<std::string> inTrash;
    // The trash records of the items in a trash, which go with them.
    std::unordered_map<std::string, std::string> records;
    for (const std::string& path : paths) {
        TrashPlace place = FindTrashPlace(path);
        (place.inTrash ? inTrash : toTrash).push_back(path);
        if (!place.record.empty())
            records.emplace(path, std::move(place.record));
    }
    std::vector<std::string> permanent = OutermostItems(inTrash);
    const std::size_t alreadyInTrash = permanent.size();

    std::vector<std::string> failures;
    if (!toTrash.empty()) {
        const std::string question =
            toTrash.size() == 1
                ? "Are you sure you want to move '" + NameOf(toTrash.front()) + "' to the Trash?"
                : "Are you sure you want to move these " + std::to_string(toTrash.size()) +
                      " items to the Trash?";
        if (!ui.AskFileOperation(question))
            return gone;
        for (const std::string& path : OutermostItems(toTrash)) {
            const TrashOutcome outcome = MoveToTrash(path);
            if (outcome.result == TrashResult::Moved)
                gone.push_back(path);
            else if (outcome.result == TrashResult::NoTrash)
                permanent.push_back(path);
            else if (outcome.result == TrashResult::MountPoint)
                failures.push_back(outcome.mountPoint.empty()
                                       ? MountPointText(path)
                                       : "'" + path + "' was left alone: '" + outcome.mountPoint +
                                             "' inside it is a mount point.");
            else
                failures.push_back("Cannot move '" + path +
                                   "' to the Trash: " + ErrorText(outcome.error) + ".");
        }
    }
    const bool onlyTrashed = permanent.size() == alreadyInTrash;
    if (!permanent.empty() && ui.AskFileOperation(PermanentDeleteQuestion(permanent, onlyTrashed)))
        DeleteEachPermanently(permanent, records, &gone, &failures);
    if (!failures.empty())
        ui.ReportFileOperation(FailureReport(failures, " more could not be deleted."));
    // Items inside a folder that went went with it.
    for (const std::string& path : paths) {
        const bool inGoneFolder =
            std::any_of(gone.begin(), gone.end(),
                        [&](const std::string& folder) { return IsPathInside(path, folder); });
        if (inGoneFolder)
            gone.push_back(path);
    }
    return gone;
}

std::string FailureReport(const std::vector<std::string>& failures, const std::string& more) {
    std::string report;
    for (std::size_t i = 0; i < failures.size() && i < kMaxReportedFailures; ++i)
        report += (i == 0 ? "" : "\n") + failures[i];
    if (failures.size() > kMaxReportedFailures)
        report += "\n... and " + std::to_string(failures.size() - kMaxReportedFailures) + more;
    return report;
}

DeleteOutcome DeletePermanently(const std::string& path) {
    DeleteOutcome outcome;
    std::string folder;
    std::string name;
    if (!SplitItemPath(path, &folder, &name)) {
        outcome.error = EINVAL;
        return outcome;
    }
    const UniqueFd parent(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const Removal removal = parent.IsOpen()
                                ? RemoveEntryAt(parent.Get(), FolderMountId(parent.Get()), name,
                                                JoinPath(folder, name), 0, &outcome)
                                : Removal::Failed;
    outcome.removed = removal == Removal::Removed;
    if (removal == Removal::Failed)
        outcome.error = errno;
    return outcome;
}

bool IsValidItemName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.size() <= NAME_MAX &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

RenameResult RenameItem(const std::string& folder, const std::string& oldName,
                        const std::string& newName, int* error) {
    *error = 0;
    if (!IsValidItemName(newName))
        return RenameResult::InvalidName;
    if (RenameWithoutReplacing(JoinPath(folder, oldName), JoinPath(folder, newName)))
        return RenameResult::Renamed;
    if (errno == EEXIST)
        return RenameResult::Exists;
    *error = errno;
    return RenameResult::Failed;
}

std::string RenameFailureText(RenameResult result, const std::string& oldName,
                              const std::string& newName, int error) {
    switch (result) {
        case RenameResult::InvalidName:
            if (newName.empty())
                return "You must type a file name.";
            return "'" + newName +
                   "' is not a valid file name. A name cannot be \".\" or \"..\", cannot "
                   "contain \"/\" and is at most 255 bytes long.";
        case RenameResult::Exists:
            return "Cannot rename " + oldName +
                   ": A file with the name you specified already exists. Specify a different "
                   "file name.";
        case RenameResult::Failed:
            return "Cannot rename " + oldName + ": " + ErrorText(error) + ".";
        case RenameResult::Renamed:
            break;
    }
    return std::string();
}

}  // namespace zb
