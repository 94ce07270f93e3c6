#pragma once
// The exports of the shell-extension and hook library, libzembrolt.so. The
// hot-key watcher loads the library at run time and binds the hook exports by
// name; an installer calls the registration exports.

#include "platform/HotKeyHook.h"
#include "platform/WinTypes.h"

#define ZB_EXPORT extern "C" __attribute__((visibility("default")))

// Writes the registration rows and the "Zembrolt Utility..." launcher. S_OK,
// or SELFREG_E_CLASS at the first failure (what was written stays).
ZB_EXPORT HRESULT DllRegisterServer();
// Removes the "Find with Zembrolt" verbs and actions, the registration rows
// and the launcher. S_OK, SELFREG_E_CLASS when something could not be
// removed, or E_ACCESSDENIED when an exception occurred.
ZB_EXPORT HRESULT DllUnregisterServer();

// Keeps the watcher's hook in this process's copy and returns it.
ZB_EXPORT HHOOK SetHookHandle(HHOOK hook);
// The hook procedure: `message` points to a MSG. A key-down with a Windows
// key and the hot-key letter down (and not an auto-repeat) becomes a
// Windows-key press and starts the main program.
ZB_EXPORT LRESULT HookGetMsgProc(int code, WPARAM wParam, LPARAM message);
// Sets this process's hot-key letter to the low byte of `letter` (0: off) and
// returns it.
ZB_EXPORT int SetHotKey(int letter);

// The registration's failure code.
constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);
