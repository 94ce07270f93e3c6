// zbregister: the installer's side of the shell-extension library, as regsvr32
// is on Windows. It loads the library and calls its DllRegisterServer, or with
// -u its DllUnregisterServer, and says how that went.
//
//   zbregister [-u] [library]
//
// The library is libzembrolt.so beside zbregister unless one is named. Exit
// codes: 0 done, 1 the library could not be loaded or its export failed, 2 a
// command line it does not know.

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/HotKeyHook.h"
#include "platform/PathUtils.h"
#include "platform/WinTypes.h"
#include "shellext/Exports.h"

namespace {

using RegistrationExport = HRESULT (*)();

constexpr int kFailed = 1;
constexpr int kUsage = 2;

// What a failure code of the export means, for the user.
const char* Explanation(HRESULT result, bool unregister) {
    if (result == SELFREG_E_CLASS)
        return unregister ? "some of it was not registered, or could not be removed"
                          : "a registry value or the launcher could not be written";
    if (result == E_ACCESSDENIED)
        return "an error occurred while removing it";
    return "an unknown failure";
}

}  // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    std::string library;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-u") == 0 && !unregister && library.empty()) {
            unregister = true;
        } else if (library.empty() && argv[i][0] != '-' && argv[i][0] != '\0') {
            library = argv[i];
        } else {
            std::fputs("usage: zbregister [-u] [library]\n", stderr);
            return kUsage;
        }
    }
    if (library.empty())
        library = GetProgramFolder() + "/" + kHookLibraryFileName;
    // A bare name would be looked for in the system's library folders.
    if (library.find('/') == std::string::npos)
        library = "./" + library;

    const char* exportName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        std::fprintf(stderr, "zbregister: cannot load %s: %s\n", library.c_str(), dlerror());
        return kFailed;
    }
    const auto function = reinterpret_cast<RegistrationExport>(dlsym(handle, exportName));
    if (function == nullptr) {
        std::fprintf(stderr, "zbregister: %s has no %s\n", library.c_str(), exportName);
        dlclose(handle);
        return kFailed;
    }
    const HRESULT result = function();
    dlclose(handle);
    if (result != S_OK) {
        std::fprintf(stderr, "zbregister: %s in %s failed (0x%08X): %s\n", exportName,
                     library.c_str(), static_cast<unsigned>(result),
                     Explanation(result, unregister));
        return kFailed;
    }
    std::printf("%s in %s succeeded.\n", exportName, library.c_str());
    return 0;
}
