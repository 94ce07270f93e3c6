#include "shellext/ProgramLocation.h"

#include <dlfcn.h>
#include <stdlib.h>

#include "platform/Log.h"
#include "platform/PathUtils.h"
#include "platform/ProgramKey.h"

namespace {

// The main program's file name beside the library.
constexpr const char* kDefaultProgramName = "zembrolt";

}  // namespace

std::string LibraryPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LibraryPath), &info) == 0 || info.dli_fname == nullptr)
        return {};
    char* resolved = realpath(info.dli_fname, nullptr);
    if (resolved == nullptr)
        return info.dli_fname;
    std::string path = resolved;
    free(resolved);
    return path;
}

std::string MainProgramPath() {
    std::string installPath;
    std::string appName;
    if (QueryInstallInformation(installPath, appName) == ERROR_SUCCESS) {
        const std::string stored = installPath + "/" + appName;
        if (IsExecutableFile(stored))
            return stored;
        DebugTrace("No program at %s", stored.c_str());
    } else {
        DebugTrace("Failed in RegOpenKeyEx ZBRK_INSTALLPATH ");
    }
    const std::string library = LibraryPath();
    return library.substr(0, library.find_last_of('/') + 1) + kDefaultProgramName;
}
