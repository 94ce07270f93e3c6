#pragma once
// What the hot-key watcher reads from the registry key
// HKEY_LOCAL_MACHINE\SOFTWARE\Zembrolt: whether the hot key is on, its letter,
// and where the hook library is.

#include <string>

#include "platform/WinTypes.h"

// 0 when "Hot Key" holds 0; 1 when it holds anything else or cannot be read.
BOOL IsHotKeyEnabled();

// The low byte of "Hot Key", or 'F' when it cannot be read.
BYTE GetHotKeyLetter();

// The hook library beside the main program: "Install Path", "/", and "lib",
// "AppName" and ".so" ("zembrolt" gives libzembrolt.so). Each value is read
// through a 260-byte buffer. 0 (and `path` unchanged) when a key or value is
// missing or AppName is empty.
BOOL GetHookDllPath(std::string& path);

// libzembrolt.so in the watcher's own folder. 0 when that folder is unknown.
BOOL GetDefaultHookDllPath(std::string& path);

// The library the watcher loads: GetHookDllPath's when that names a file,
// else GetDefaultHookDllPath's. Install information that names no library
// (the program was moved, or another copy of it ran with the same settings)
// thus gives way to the library the watcher was built beside. 0 when neither
// path is known.
BOOL FindHookLibrary(std::string& path);
