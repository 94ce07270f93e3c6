#pragma once
// The program's registry key, HKEY_LOCAL_MACHINE\SOFTWARE\Zembrolt, which
// the program, the hook library and the hot-key watcher read, and the bounded
// text read that some of its readers use.

#include <string>

#include "platform/Registry.h"
#include "platform/WinTypes.h"

// Where the key lives: the sub-key kProgramKeyName of kProgramKeyParent under
// HKEY_LOCAL_MACHINE.
constexpr const char* kProgramKeyParent = "SOFTWARE";
constexpr const char* kProgramKeyName = "Zembrolt";
// The settings version the program writes to "Version".
constexpr DWORD kSettingsVersion = 0x10104;
// The buffer size of a bounded text read, terminating NUL included.
constexpr DWORD kMaxRegTextRead = 260;

// Opens HKEY_LOCAL_MACHINE\SOFTWARE and then its sub-key "Zembrolt" into
// `key`. With `create` both are created when missing. ERROR_SUCCESS or the
// first failure (`key` is then closed).
LONG OpenProgramKey(CRegKey& key, bool create);

// Reads the REG_SZ value `name` of `key` into `value` through a buffer of
// `bufferBytes` bytes: a text that does not fit with its terminating NUL fails
// with ERROR_MORE_DATA, another type with ERROR_INVALID_DATA. `value` changes
// only on success.
LONG QueryLimitedString(const CRegKey& key, const std::string& name, DWORD bufferBytes,
                        std::string& value);

// The install information the program writes at its first run and when it
// starts from a new place: "Install Path" (its folder, without a trailing
// '/') and "AppName" (its file name), each read through a 260-byte buffer.
// ERROR_SUCCESS, or the first failure (both texts then unchanged).
LONG QueryInstallInformation(std::string& installPath, std::string& appName);
