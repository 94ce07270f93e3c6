#include "platform/FileTransfer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/MountPoint.h"
#include "platform/PosixFile.h"
#include "platform/TreeCopy.h"

namespace zb {
namespace {

// The folder resolved through its links, or empty.
std::string Resolve(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return {};
    std::string out = resolved;
    std::free(resolved);
    return out;
}

// The item's path with its folder resolved and the item itself not followed.
std::string ResolveItem(const std::string& path) {
    std::string folder;
    std::string name;
    if (!SplitItemPath(path, &folder, &name))
        return {};
    const std::string resolved = Resolve(folder);
    return resolved.empty() ? std::string() : JoinPath(resolved, name);
}

UniqueFd OpenFolder(const std::string& path) {
    return UniqueFd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

// The item `name` of the folder `sourceFolder` copied or moved into the
// folder `targetFolder`, where its name was free when checked.
class CItemTransfer {
public:
    CItemTransfer(const std::string& sourceFolder, const std::string& name,
                  const std::string& targetFolder, const CTreeCopy::BeforeCreate& beforeCreate,
                  std::vector<std::string>* failures)
        : m_sourceFolder(sourceFolder),
          m_targetFolder(targetFolder),
          m_name(name),
          m_copy(beforeCreate),
          m_failures(failures) {}

    // Copies the item. On failure only what this copy made is removed again
    // and errno says why.
    bool Copy() {
        m_from = OpenFolder(m_sourceFolder);
        const UniqueFd to = OpenFolder(m_targetFolder);
        if (!m_from.IsOpen() || !to.IsOpen())
            return false;
        const bool copied = m_copy.Copy(m_from.Get(), m_sourceFolder, to.Get(), m_targetFolder,
                                        m_name, &m_record) &&
                            ::fsync(to.Get()) == 0;
        const int error = errno;
        for (const std::string& mountPoint : m_copy.SkippedMountPoints())
            m_failures->push_back("'" + mountPoint + "' is a mount point: it was not copied.");
        if (!copied) {
            RemoveMadeEntries(to.Get(), m_record);
            errno = error;
        }
        return copied;
    }

    // After Copy: removes from the source what was copied and is unchanged;
    // what stays is reported.
    void RemoveSource() {
        std::vector<std::string> kept;
        RemoveCopiedSources(m_from.Get(), m_sourceFolder, m_record, &kept);
        m_failures->insert(m_failures->end(), kept.begin(), kept.end());
    }

private:
    std::string m_sourceFolder;
    std::string m_targetFolder;
    std::string m_name;
    UniqueFd m_from;
    CTreeCopy m_copy;
    CopiedEntry m_record;
    std::vector<std::string>* m_failures;
};

const char* VerbOf(TransferMode mode) {
    switch (mode) {
        case TransferMode::Copy:
            return "copy";
        case TransferMode::Move:
            return "move";
        case TransferMode::Link:
            return "link";
    }
    return "";
}

}  // namespace

bool IsFolderInsideItem(const std::string& folder, const std::string& source) {
    const std::string resolvedFolder = Resolve(folder);
    const std::string resolvedSource = ResolveItem(source);
    if (resolvedFolder.empty() || resolvedSource.empty())
        return false;
    return resolvedFolder == resolvedSource || IsPathInside(resolvedFolder, resolvedSource);
}

bool IsOnSameFileSystem(const std::string& path, const std::string& folder) {
    struct stat item {};
    struct stat target {};
    return ::lstat(path.c_str(), &item) == 0 && ::stat(folder.c_str(), &target) == 0 &&
           item.st_dev == target.st_dev;
}

std::vector<std::string> TransferItems(const std::vector<std::string>& sources,
                                       const std::string& folder, TransferMode mode,
                                       IFileOperationUi& ui,
                                       const CTreeCopy::BeforeCreate& beforeCreate) {
    std::vector<std::string> made;
    std::vector<std::string> failures;
    const std::string verb = VerbOf(mode);
    const std::string resolvedFolder = Resolve(folder);
    for (const std::string& source : sources) {
        std::string sourceFolder, name;
        struct stat st {};
        if (source.empty() || source.front() != '/' ||
            !SplitItemPath(source, &sourceFolder, &name) || ::lstat(source.c_str(), &st) != 0) {
            failures.push_back("Cannot " + verb + " '" + source + "': it does not exist.");
            continue;
        }
        if (resolvedFolder.empty()) {
            failures.push_back("Cannot " + verb + " '" + name + "': the folder '" + folder +
                               "' does not exist.");
            continue;
        }
        if (mode != TransferMode::Link && IsFolderInsideItem(resolvedFolder, source)) {
            failures.push_back("Cannot " + verb + " '" + name +
                               "': the destination folder is inside the source folder.");
            continue;
        }
        const std::string target = JoinPath(resolvedFolder, name);
        if (mode == TransferMode::Move && Resolve(sourceFolder) == resolvedFolder)
            continue;  // already there
        struct stat existing {};
        if (::lstat(target.c_str(), &existing) == 0) {
            failures.push_back("Cannot " + verb + " '" + name +
                               "': an item with that name already exists in '" + resolvedFolder +
                               "'.");
            continue;
        }
        bool done = false;
        if (mode == TransferMode::Link) {
            done = ::symlink(source.c_str(), target.c_str()) == 0;
        } else if (mode == TransferMode::Move) {
            if (IsMountPoint(source)) {
                failures.push_back("Cannot move '" + name + "': it is a mount point.");
                continue;
            }
            done = RenameWithoutReplacing(source, target);
            if (!done && errno == EXDEV) {
                CItemTransfer transfer(sourceFolder, name, resolvedFolder, beforeCreate, &failures);
                done = transfer.Copy();
                if (done)
                    transfer.RemoveSource();
            }
        } else {
            done =
                CItemTransfer(sourceFolder, name, resolvedFolder, beforeCreate, &failures).Copy();
        }
        if (done) {
            made.push_back(target);
            continue;
        }
        const int error = errno;
        failures.push_back("Cannot " + verb + " '" + name + "': " + std::strerror(error) + ".");
    }
    if (!failures.empty())
        ui.ReportFileOperation(FailureReport(failures, " more could not be done."));
    return made;
}

}  // namespace zb
