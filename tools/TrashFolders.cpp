#include "tools/TrashFolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/shell/MountTable.h"
#include "platform/shell/ShellRoots.h"
#include "tools/TreeWalk.h"

std::vector<std::string> FindTrashFolders() {
    const std::shared_ptr<const zb::ShellRoots> roots = zb::CurrentShellRoots();
    std::vector<std::string> candidates;
    // The roots name the home trash's "files" folder.
    const std::string homeFiles = roots->trashFiles;
    const std::size_t slash = homeFiles.rfind('/');
    if (slash != std::string::npos && slash > 0)
        candidates.push_back(homeFiles.substr(0, slash));

    const std::string uid = std::to_string(::getuid());
    std::vector<std::string> volumes{"/"};
    for (const zb::MountEntry& entry : zb::ReadMountInfo(roots->mountInfo)) {
        if (zb::ClassifyMount(entry) == zb::MountClass::Local)
            volumes.push_back(entry.mountPoint);
    }
    for (const std::string& top : volumes) {
        candidates.push_back(zb::JoinPath(top, ".Trash-" + uid));
        candidates.push_back(zb::JoinPath(zb::JoinPath(top, ".Trash"), uid));
    }

    std::vector<std::string> found;
    FileIdentitySet seen;
    for (const std::string& candidate : candidates) {
        struct stat st {};
        if (::lstat(candidate.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
            seen.insert(IdentityOf(st)).second)
            found.push_back(candidate);
    }
    return found;
}
