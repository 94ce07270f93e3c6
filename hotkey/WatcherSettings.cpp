#include "hotkey/WatcherSettings.h"

#include "platform/HotKeyHook.h"
#include "platform/PathUtils.h"
#include "platform/ProgramKey.h"

namespace {

bool QueryHotKey(DWORD& value) {
    CRegKey key;
    BYTE bytes[4] = {};
    DWORD size = sizeof bytes;
    if (OpenProgramKey(key, false) != ERROR_SUCCESS ||
        RegQueryValueEx(key.Handle(), "Hot Key", nullptr, bytes, &size) != ERROR_SUCCESS)
        return false;
    value = static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 |
            static_cast<DWORD>(bytes[2]) << 16 | static_cast<DWORD>(bytes[3]) << 24;
    return true;
}

}  // namespace

BOOL IsHotKeyEnabled() {
    DWORD value = 0;
    return !QueryHotKey(value) || value != 0 ? TRUE : FALSE;
}

BYTE GetHotKeyLetter() {
    DWORD value = 0;
    return QueryHotKey(value) ? static_cast<BYTE>(value & 0xFF) : BYTE{'F'};
}

BOOL GetHookDllPath(std::string& path) {
    std::string installPath;
    std::string appName;
    if (QueryInstallInformation(installPath, appName) != ERROR_SUCCESS || appName.empty())
        return FALSE;
    path = installPath + "/lib" + appName + ".so";
    return TRUE;
}

BOOL GetDefaultHookDllPath(std::string& path) {
    const std::string folder = GetProgramFolder();
    if (folder.empty())
        return FALSE;
    path = folder + "/" + kHookLibraryFileName;
    return TRUE;
}

BOOL FindHookLibrary(std::string& path) {
    std::string stored;
    if (GetHookDllPath(stored) && IsRegularFile(stored)) {
        path = stored;
        return TRUE;
    }
    return GetDefaultHookDllPath(path);
}
