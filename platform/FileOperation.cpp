#include "platform/FileOperation.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

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

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string JoinName(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

std::string ErrorText(int error) {
    return std::strerror(error);
}

bool RemoveEntryAt(int folderFd, const std::string& name, dev_t device, int depth);

// Removes everything inside the open folder `folderFd`.
bool EmptyFolder(int folderFd, dev_t device, int depth) {
    std::vector<std::string> names;
    {
        const int listFd = ::dup(folderFd);
        if (listFd < 0)
            return false;
        DIR* listing = ::fdopendir(listFd);
        if (listing == nullptr) {
            ::close(listFd);
            return false;
        }
        errno = 0;
        while (const dirent* entry = ::readdir(listing)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        const int error = errno;
        ::closedir(listing);
        if (error != 0) {
            errno = error;
            return false;
        }
    }
    for (const std::string& name : names) {
        if (!RemoveEntryAt(folderFd, name, device, depth))
            return false;
    }
    return true;
}

bool RemoveEntryAt(int folderFd, const std::string& name, dev_t device, int depth) {
    struct stat st {};
    if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if (!S_ISDIR(st.st_mode))
        return ::unlinkat(folderFd, name.c_str(), 0) == 0;
    if (st.st_dev != device) {
        errno = EXDEV;  // a volume mounted inside: not ours to empty
        return false;
    }
    if (depth >= kMaxDeleteDepth) {
        errno = ELOOP;
        return false;
    }
    const UniqueFd child(
        ::openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!child.IsOpen() || !EmptyFolder(child.Get(), device, depth + 1))
        return false;
    return ::unlinkat(folderFd, name.c_str(), AT_REMOVEDIR) == 0;
}

std::string PermanentDeleteQuestion(const std::vector<std::string>& paths) {
    if (paths.size() == 1) {
        return "'" + paths.front() +
               "' cannot be moved to the Trash.\n\nDo you want to delete it permanently? It "
               "cannot be restored.";
    }
    std::string text =
        "These " + std::to_string(paths.size()) + " items cannot be moved to the Trash:\n";
    for (std::size_t i = 0; i < paths.size() && i < kMaxReportedFailures; ++i)
        text += "\n" + paths[i];
    if (paths.size() > kMaxReportedFailures)
        text += "\n... and " + std::to_string(paths.size() - kMaxReportedFailures) + " more";
    return text + "\n\nDo you want to delete them permanently? They cannot be restored.";
}

}  // namespace

std::vector<std::string> DeleteToTrash(const std::vector<std::string>& paths,
                                       IFileOperationUi& ui) {
    std::vector<std::string> gone;
    if (paths.empty())
        return gone;
    const std::string question =
        paths.size() == 1
            ? "Are you sure you want to move '" + NameOf(paths.front()) + "' to the Trash?"
            : "Are you sure you want to move these " + std::to_string(paths.size()) +
                  " items to the Trash?";
    if (!ui.AskFileOperation(question))
        return gone;

    std::vector<std::string> noTrash;
    std::vector<std::string> failures;
    for (const std::string& path : paths) {
        const TrashOutcome outcome = MoveToTrash(path);
        if (outcome.result == TrashResult::Moved)
            gone.push_back(path);
        else if (outcome.result == TrashResult::NoTrash)
            noTrash.push_back(path);
        else
            failures.push_back("Cannot move '" + path +
                               "' to the Trash: " + ErrorText(outcome.error) + ".");
    }
    if (!noTrash.empty() && ui.AskFileOperation(PermanentDeleteQuestion(noTrash))) {
        for (const std::string& path : noTrash) {
            if (DeletePermanently(path)) {
                gone.push_back(path);
                continue;
            }
            const int error = errno;
            failures.push_back("Cannot delete '" + path + "': " + ErrorText(error) + ".");
        }
    }
    if (!failures.empty()) {
        std::string report;
        for (std::size_t i = 0; i < failures.size() && i < kMaxReportedFailures; ++i)
            report += (i == 0 ? "" : "\n") + failures[i];
        if (failures.size() > kMaxReportedFailures)
            report += "\n... and " + std::to_string(failures.size() - kMaxReportedFailures) +
                      " more could not be deleted.";
        ui.ReportFileOperation(report);
    }
    return gone;
}

bool DeletePermanently(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const std::string name = NameOf(trimmed);
    if (name.empty() || name == "." || name == "..") {
        errno = EINVAL;
        return false;
    }
    struct stat st {};
    if (::lstat(trimmed.c_str(), &st) != 0)
        return false;
    const UniqueFd folder(::open(FolderOf(trimmed).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return folder.IsOpen() && RemoveEntryAt(folder.Get(), name, st.st_dev, 0);
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
    if (RenameWithoutReplacing(JoinName(folder, oldName), JoinName(folder, newName)))
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
