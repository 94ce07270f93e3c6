#include "platform/FileManagerExplore.h"

#include <algorithm>

#include "platform/PathUtils.h"
#include "platform/UriList.h"

namespace zb {
namespace {

bool CallOrOpen(IFileManagerCaller& caller, const char* method,
                const std::vector<std::string>& paths, const std::vector<std::string>& folders,
                const FolderOpener& openFolder) {
    if (paths.empty())
        return false;
    std::vector<std::string> uris;
    for (const std::string& path : paths)
        uris.push_back(EncodeFileUri(path));
    if (caller.CallFileManager(method, uris, std::string()))
        return true;
    bool opened = false;
    for (const std::string& folder : folders) {
        if (openFolder(folder))
            opened = true;
    }
    return opened;
}

}  // namespace

bool ExploreItems(IFileManagerCaller& caller, const std::vector<std::string>& paths,
                  const FolderOpener& openFolder) {
    std::vector<std::string> folders;
    for (const std::string& path : paths) {
        const std::string parent = GetParentFolder(path);
        std::string folder = parent.empty() ? std::string("/") : parent;
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(std::move(folder));
    }
    return CallOrOpen(caller, "ShowItems", paths, folders, openFolder);
}

bool ExploreFolders(IFileManagerCaller& caller, const std::vector<std::string>& folders,
                    const FolderOpener& openFolder) {
    return CallOrOpen(caller, "ShowFolders", folders, folders, openFolder);
}

}  // namespace zb
