#include "platform/ProgramKey.h"

#include <utility>
#include <vector>

LONG OpenProgramKey(CRegKey& key, bool create) {
    key.Close();
    CRegKey parent;
    LONG status = create ? parent.Create(HKEY_LOCAL_MACHINE, kProgramKeyParent)
                         : parent.Open(HKEY_LOCAL_MACHINE, kProgramKeyParent);
    if (status != ERROR_SUCCESS)
        return status;
    status = create ? key.Create(parent.Handle(), kProgramKeyName)
                    : key.Open(parent.Handle(), kProgramKeyName);
    if (status != ERROR_SUCCESS)
        key.Close();
    return status;
}

LONG QueryLimitedString(const CRegKey& key, const std::string& name, DWORD bufferBytes,
                        std::string& value) {
    std::vector<BYTE> buffer(bufferBytes);
    DWORD type = 0;
    DWORD size = bufferBytes;
    const LONG status = RegQueryValueEx(key.Handle(), name, &type, buffer.data(), &size);
    if (status != ERROR_SUCCESS)
        return status;
    if (type != REG_SZ)
        return ERROR_INVALID_DATA;
    // The text ends at its first NUL; the store always returns one.
    std::size_t length = 0;
    while (length < size && buffer[length] != 0)
        ++length;
    value.assign(reinterpret_cast<const char*>(buffer.data()), length);
    return ERROR_SUCCESS;
}

LONG QueryInstallInformation(std::string& installPath, std::string& appName) {
    CRegKey key;
    std::string folder;
    std::string name;
    LONG status = OpenProgramKey(key, false);
    if (status == ERROR_SUCCESS)
        status = QueryLimitedString(key, "Install Path", kMaxRegTextRead, folder);
    if (status == ERROR_SUCCESS)
        status = QueryLimitedString(key, "AppName", kMaxRegTextRead, name);
    if (status != ERROR_SUCCESS)
        return status;
    installPath = std::move(folder);
    appName = std::move(name);
    return ERROR_SUCCESS;
}
