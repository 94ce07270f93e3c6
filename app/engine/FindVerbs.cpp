#include "app/engine/FindVerbs.h"

#include "platform/ProgramKey.h"
#include "platform/Registry.h"

namespace {

// Creates <parent>\<subKey>\shell\Find with Zembrolt\command below
// HKEY_CLASSES_ROOT and sets its default value to the command text.
LONG WriteVerbCommand(const std::string& classKey, const std::string& command) {
    CRegKey key;
    LONG status =
        key.Create(HKEY_CLASSES_ROOT, classKey + "\\shell\\" + kFindVerbName + "\\command");
    if (status != ERROR_SUCCESS)
        return status;
    return key.SetString("", command);
}

}  // namespace

std::string GetFindVerbCommand(const std::string& programPath) {
    return "\"" + programPath + "\" /idList:%I,%L";
}

BOOL RegisterFolderFindVerb(const std::string& programPath) {
    return WriteVerbCommand("Folder", GetFindVerbCommand(programPath)) == ERROR_SUCCESS ? TRUE
                                                                                        : FALSE;
}

int RegisterArchiveFindVerbs(const std::string& programPath,
                             const std::vector<std::string>& extensions) {
    const std::string command = GetFindVerbCommand(programPath);
    int written = 0;
    for (const std::string& extension : extensions) {
        CRegKey extensionKey;
        if (extensionKey.Create(HKEY_CLASSES_ROOT, "." + extension) != ERROR_SUCCESS)
            continue;
        std::string fileType;
        if (QueryLimitedString(extensionKey, "", kMaxRegTextRead, fileType) != ERROR_SUCCESS ||
            fileType.empty())
            continue;
        if (WriteVerbCommand(fileType, command) == ERROR_SUCCESS)
            ++written;
    }
    return written;
}
