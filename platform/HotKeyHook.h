#pragma once
// What the hot-key watcher and the hook library say to each other. The watcher
// holds the X keyboard grab and hands every key press it receives to the
// library's hook procedure as one message, with the state of the keys the
// procedure tests; the library decides whether the press starts the program.
// The library is loaded at run time, so these are the shapes of its exports.

#include <cstdint>

#include "platform/WinTypes.h"

// The library's file name. The watcher loads it, and the registration
// command registers it, from beside themselves unless told otherwise.
constexpr char kHookLibraryFileName[] = "libzembrolt.so";

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// An installed hook, as the watcher hands it to the library. Never dereferenced.
struct HHOOK__;
using HHOOK = HHOOK__*;

// The hook code of a message the procedure must look at.
constexpr int HC_ACTION = 0;
// The message is taken off the queue (the hook's wParam).
constexpr WPARAM PM_REMOVE = 1;

constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_HOTKEY = 0x0312;

// Virtual keys: the letters and digits are their upper-case characters.
constexpr BYTE VK_LWIN = 0x5B;
constexpr BYTE VK_RWIN = 0x5C;

// lParam bit of a key-down: the key was already down (an auto-repeat).
constexpr LPARAM KF_REPEAT_BIT = LPARAM{1} << 30;

// One message as the hook procedure sees it: a key-down with its virtual key
// in wParam, and each virtual key's state when the message was read (bit 0x80:
// down).
struct MSG {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    BYTE keyState[256] = {};
};

// The state of `virtualKey` when `msg` was read: negative while it was down.
inline short GetKeyState(const MSG& msg, int virtualKey) {
    return (msg.keyState[static_cast<BYTE>(virtualKey)] & 0x80) != 0 ? short{-128} : short{0};
}

// The library's exports the watcher binds by name. The hook procedure takes a
// MSG* in its third argument and may rewrite it.
using HookGetMsgProcFn = LRESULT (*)(int code, WPARAM wParam, LPARAM message);
using SetHookHandleFn = HHOOK (*)(HHOOK hook);
using SetHotKeyFn = int (*)(int letter);
