#include "hotkey/WatcherSettings.h"

#include <unistd.h>

#include "platform/ProgramKey.h"

namespace {

constexpr const char* kHookLibraryName = "libzembrolt.so";

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
    CRegKey key;
    std::string installPath;
    std::string appName;
    if (OpenProgramKey(key, false) != ERROR_SUCCESS ||
        QueryLimitedString(key, "Install Path", kMaxRegTextRead, installPath) != ERROR_SUCCESS ||
        QueryLimitedString(key, "AppName", kMaxRegTextRead, appName) != ERROR_SUCCESS ||
        appName.empty())
        return FALSE;
    path = installPath + "/lib" + appName + ".so";
    return TRUE;
}

BOOL GetDefaultHookDllPath(std::string& path) {
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return FALSE;
    const std::string program(self, static_cast<std::size_t>(length));
    path = program.substr(0, program.find_last_of('/') + 1) + kHookLibraryName;
    return TRUE;
}
