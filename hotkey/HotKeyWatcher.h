#pragma once
// zbhotkey: the hidden program that holds the global hot key. It grabs the
// Windows (Super) key with the hot-key letter on the X display's root window,
// hands each press to the hook library (libzembrolt.so), which starts the main
// program, and owns an unmapped window by which other programs find it and
// tell it to end.

#include <X11/Xlib.h>

#include <string>

#include "platform/HotKeyHook.h"

// The watcher window's class and title (the watcher's strings 109 and 103).
constexpr const char* kWatcherClass = "ZBHOTKEY";
constexpr const char* kWatcherTitle = "zbhotkey main wnd";
// Sets the hot key of a running watcher: a client message of type
// "WUM_SETHOTKEY" with the new letter (0: off) in its first word.
constexpr int WUM_SETHOTKEY = 2024;

class CHotKeyWatcher {
public:
    // The watcher uses `display` and leaves closing it to the caller.
    explicit CHotKeyWatcher(Display* display);
    ~CHotKeyWatcher();
    CHotKeyWatcher(const CHotKeyWatcher&) = delete;
    CHotKeyWatcher& operator=(const CHotKeyWatcher&) = delete;

    // Creates the watcher window unless one exists already (the test and the
    // creation are one step for the X server, so two watchers started at the
    // same moment never both stay). False when one exists or creation failed.
    bool CreateWatcherWindow();
    // Loads the hook library, binds its exports, hands it the hook and grabs
    // the hot key. False when the library or an export is missing. A key that
    // another program holds (in any lock state) is reported and the watcher
    // runs on without it.
    bool InstallHookDll();
    // Releases the grab and unloads the library.
    void StopHook();
    // Handles events until the window is closed or destroyed.
    void Run();

    // Asks every running watcher to end and waits until their windows are
    // gone, for at most `timeoutMs`.
    static void CloseRunningInstances(Display* display, int timeoutMs);

private:
    void HandleEvent(XEvent& event);
    void HandleKey(const XKeyEvent& key, bool pressed);
    // Grabs the hot key with every combination of Caps Lock and Num Lock, or,
    // when another client holds any of them, with none: the variants taken
    // are released again. UngrabHotKey releases them all.
    void GrabHotKey();
    void UngrabHotKey();
    void SetHotKey(BYTE letter);

    Display* m_display;
    Window m_window = None;
    bool m_quit = false;

    void* m_library = nullptr;
    HookGetMsgProcFn m_hookGetMsgProc = nullptr;
    SetHookHandleFn m_setHookHandle = nullptr;
    SetHotKeyFn m_setHotKey = nullptr;
    // The hook handed to the library: non-null while installed.
    HHOOK m_hook = nullptr;

    BYTE m_letter = 0;           // the grabbed letter, 0 for none
    KeyCode m_keyCode = 0;       // its key
    unsigned m_numLockMask = 0;  // the modifier bit of Num Lock
    bool m_letterDown = false;   // for telling auto-repeats from presses
};

// The watcher's command line and start-up; the process's exit code.
int RunWatcherProgram(int argc, char** argv);
