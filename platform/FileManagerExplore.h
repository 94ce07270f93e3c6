#pragma once
// Showing items in the desktop's file manager: the file manager is asked
// over the session bus (org.freedesktop.FileManager1 at
// /org/freedesktop/FileManager1: ShowItems opens the items' folders with the
// items selected, ShowFolders opens the folders themselves); where no file
// manager answers, each folder is opened with the desktop's opener. The call
// itself is made by whoever owns a bus connection, through
// IFileManagerCaller, so the rules here hold without a bus.

#include <functional>
#include <string>
#include <vector>

namespace zb {

constexpr const char* kFileManagerService = "org.freedesktop.FileManager1";
constexpr const char* kFileManagerPath = "/org/freedesktop/FileManager1";
constexpr const char* kFileManagerInterface = "org.freedesktop.FileManager1";

class IFileManagerCaller {
public:
    virtual ~IFileManagerCaller() = default;
    // Calls `method` (kFileManagerInterface at kFileManagerPath of
    // kFileManagerService) with the URIs and the startup id; true when it
    // was answered without an error.
    virtual bool CallFileManager(const std::string& method, const std::vector<std::string>& uris,
                                 const std::string& startupId) = 0;
};

// Opens a folder with the desktop's opener; false when that failed.
using FolderOpener = std::function<bool(const std::string& folder)>;

// Shows `paths` selected in their folders; without an answer opens each of
// their folders once. False when nothing could be shown.
bool ExploreItems(IFileManagerCaller& caller, const std::vector<std::string>& paths,
                  const FolderOpener& openFolder);
// Opens the folders `folders`; without an answer opens each with the opener.
bool ExploreFolders(IFileManagerCaller& caller, const std::vector<std::string>& folders,
                    const FolderOpener& openFolder);

}  // namespace zb
