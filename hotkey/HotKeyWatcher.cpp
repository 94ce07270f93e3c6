#include "hotkey/HotKeyWatcher.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <dlfcn.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "hotkey/WatcherSettings.h"
#include "platform/Log.h"
#include "platform/Spawn.h"
#include "platform/X11Windows.h"

namespace {

// How long "-u" waits for the running watchers to end.
constexpr int kCloseTimeoutMs = 5000;
constexpr int kPollMs = 100;
// How often the event loop wakes to collect the programs it started.
constexpr int kReapIntervalMs = 1000;

// What the user of a session should know: on stderr, whatever the trace says.
void Report(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Report(const char* format, ...) {
    std::fputs("zbhotkey: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

// The protocol's request code of GrabKey.
constexpr unsigned char kGrabKeyRequest = 33;

// Grabs of a key that another client holds fail with BadAccess; the default
// handler would end the program, this one counts them.
int g_grabFailures = 0;

int WatcherErrorHandler(Display* display, XErrorEvent* error) {
    if (error->request_code == kGrabKeyRequest && error->error_code == BadAccess) {
        ++g_grabFailures;
        return 0;
    }
    char text[256] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    DebugTrace("X error: %s (request %d)", text, static_cast<int>(error->request_code));
    return 0;
}

// The key of a hot-key letter (a letter or a digit), or 0.
KeyCode KeyCodeOf(Display* display, BYTE letter) {
    KeySym symbol = NoSymbol;
    if (letter >= 'A' && letter <= 'Z')
        symbol = XK_a + (letter - 'A');
    else if (letter >= '0' && letter <= '9')
        symbol = XK_0 + (letter - '0');
    return symbol == NoSymbol ? KeyCode{0} : XKeysymToKeycode(display, symbol);
}

// The modifier bit that Num Lock sets, or 0.
unsigned NumLockMask(Display* display) {
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    XModifierKeymap* map = XGetModifierMapping(display);
    unsigned mask = 0;
    if (map != nullptr && numLock != 0) {
        for (int modifier = 0; modifier < 8; ++modifier) {
            for (int i = 0; i < map->max_keypermod; ++i) {
                if (map->modifiermap[modifier * map->max_keypermod + i] == numLock)
                    mask = 1u << modifier;
            }
        }
    }
    if (map != nullptr)
        XFreeModifiermap(map);
    return mask;
}

// The modifiers that Caps Lock and Num Lock add, in every combination.
std::array<unsigned, 4> LockCombinations(unsigned numLockMask) {
    return {0u, static_cast<unsigned>(LockMask), numLockMask, LockMask | numLockMask};
}

}  // namespace

CHotKeyWatcher::CHotKeyWatcher(Display* display) : m_display(display) {}

CHotKeyWatcher::~CHotKeyWatcher() {
    StopHook();
    if (m_window != None)
        XDestroyWindow(m_display, m_window);
    XSync(m_display, False);
}

bool CHotKeyWatcher::CreateWatcherWindow() {
    XGrabServer(m_display);
    if (zb::FindWindowByClassAndTitle(m_display, kWatcherClass, kWatcherTitle) == None) {
        // Never mapped; an input-only window of 1 x 1 (X refuses 0 x 0).
        XSetWindowAttributes attributes{};
        m_window = XCreateWindow(m_display, DefaultRootWindow(m_display), 0, 0, 1, 1, 0, 0,
                                 InputOnly, CopyFromParent, 0, &attributes);
        std::string name = "zbhotkey";
        std::string windowClass = kWatcherClass;
        XClassHint hint{};
        hint.res_name = name.data();
        hint.res_class = windowClass.data();
        XSetClassHint(m_display, m_window, &hint);
        XStoreName(m_display, m_window, kWatcherTitle);
        Atom deleteWindow = XInternAtom(m_display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(m_display, m_window, &deleteWindow, 1);
        XSelectInput(m_display, m_window, StructureNotifyMask);
    }
    XUngrabServer(m_display);
    XSync(m_display, False);
    return m_window != None;
}

bool CHotKeyWatcher::InstallHookDll() {
    std::string path;
    if (!FindHookLibrary(path))
        return false;
    m_library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_library == nullptr) {
        Report("cannot load the hook library %s: %s", path.c_str(), dlerror());
        return false;
    }
    m_hookGetMsgProc = reinterpret_cast<HookGetMsgProcFn>(dlsym(m_library, "HookGetMsgProc"));
    m_setHookHandle = reinterpret_cast<SetHookHandleFn>(dlsym(m_library, "SetHookHandle"));
    m_setHotKey = reinterpret_cast<SetHotKeyFn>(dlsym(m_library, "SetHotKey"));
    if (m_hookGetMsgProc == nullptr || m_setHookHandle == nullptr || m_setHotKey == nullptr) {
        Report("the hook library %s lacks its exports", path.c_str());
        return false;  // the library stays loaded until the watcher ends
    }
    m_hook = reinterpret_cast<HHOOK>(this);
    m_setHookHandle(m_hook);
    m_letter = GetHotKeyLetter();
    GrabHotKey();
    return true;
}

void CHotKeyWatcher::StopHook() {
    if (m_hook == nullptr) {
        if (m_library != nullptr)
            dlclose(m_library);
        m_library = nullptr;
        return;
    }
    UngrabHotKey();
    dlclose(m_library);
    m_library = nullptr;
    m_hook = nullptr;
    m_hookGetMsgProc = nullptr;
    m_setHookHandle = nullptr;
    m_setHotKey = nullptr;
}

void CHotKeyWatcher::GrabHotKey() {
    m_keyCode = KeyCodeOf(m_display, m_letter);
    if (m_keyCode == 0) {
        Report("the keyboard has no key for the hot-key letter %d; no hot key is held", m_letter);
        return;
    }
    m_numLockMask = NumLockMask(m_display);
    const Window root = DefaultRootWindow(m_display);
    g_grabFailures = 0;
    for (const unsigned locks : LockCombinations(m_numLockMask))
        XGrabKey(m_display, m_keyCode, Mod4Mask | locks, root, False, GrabModeAsync, GrabModeAsync);
    XSync(m_display, False);
    if (g_grabFailures == 0) {
        DebugTrace("Holding Super+%c", m_letter);
        return;
    }
    // A key held only with some of Caps Lock and Num Lock would work in some
    // lock states and not in others: the variants taken are given back. X
    // tells no one when a grab is released, so nothing is tried again.
    UngrabHotKey();
    Report("Super+%c is held by another program; choose another letter in Tools > Option",
           m_letter);
}

void CHotKeyWatcher::UngrabHotKey() {
    if (m_keyCode == 0)
        return;
    const Window root = DefaultRootWindow(m_display);
    for (const unsigned locks : LockCombinations(m_numLockMask))
        XUngrabKey(m_display, m_keyCode, Mod4Mask | locks, root);
    XSync(m_display, False);
    m_keyCode = 0;
    m_letterDown = false;
}

void CHotKeyWatcher::SetHotKey(BYTE letter) {
    DebugTrace("WUM_SETHOTKEY");
    if (m_setHotKey != nullptr) {
        m_setHotKey(letter);
        StopHook();
        DebugTrace("StopHook");
    }
    if (letter != 0) {
        InstallHookDll();
        DebugTrace("InstallHookDll");
    }
}

void CHotKeyWatcher::HandleKey(const XKeyEvent& key, bool pressed) {
    if (m_keyCode == 0 || key.keycode != m_keyCode || m_hookGetMsgProc == nullptr)
        return;
    if (!pressed) {
        // Without detectable auto-repeat each repeated press follows a release
        // of the same time; the key is still down.
        if (XEventsQueued(m_display, QueuedAfterReading) > 0) {
            XEvent next;
            XPeekEvent(m_display, &next);
            if (next.type == KeyPress && next.xkey.keycode == key.keycode &&
                next.xkey.time == key.time)
                return;
        }
        m_letterDown = false;
        return;
    }
    MSG msg;
    msg.message = WM_KEYDOWN;
    msg.wParam = m_letter;
    msg.lParam = m_letterDown ? KF_REPEAT_BIT : 0;
    m_letterDown = true;
    if ((key.state & Mod4Mask) != 0)
        msg.keyState[VK_LWIN] = 0x80;
    msg.keyState[m_letter] = 0x80;
    m_hookGetMsgProc(HC_ACTION, PM_REMOVE, reinterpret_cast<LPARAM>(&msg));
}

void CHotKeyWatcher::HandleEvent(XEvent& event) {
    switch (event.type) {
        case KeyPress:
        case KeyRelease:
            HandleKey(event.xkey, event.type == KeyPress);
            break;
        case MappingNotify:
            XRefreshKeyboardMapping(&event.xmapping);
            // The letter may sit on another key now, or Num Lock on another
            // bit. Only then is the grab renewed: between the release and the
            // new grab the key is free.
            if (event.xmapping.request != MappingPointer && m_hook != nullptr &&
                (KeyCodeOf(m_display, m_letter) != m_keyCode ||
                 NumLockMask(m_display) != m_numLockMask)) {
                UngrabHotKey();
                GrabHotKey();
            }
            break;
        case ClientMessage:
            if (zb::IsCloseMessage(m_display, event)) {
                StopHook();
                m_quit = true;
            } else if (event.xclient.message_type ==
                           XInternAtom(m_display, "WUM_SETHOTKEY", False) &&
                       event.xclient.format == 32) {
                SetHotKey(static_cast<BYTE>(event.xclient.data.l[0] & 0xFF));
            }
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == m_window) {
                m_window = None;
                StopHook();
                m_quit = true;
            }
            break;
        default:
            break;
    }
}

void CHotKeyWatcher::Run() {
    // Holding the keys then sends presses without releases between them.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(m_display, True, &supported);
    pollfd connection{ConnectionNumber(m_display), POLLIN, 0};
    while (!m_quit) {
        while (!m_quit && XPending(m_display) > 0) {
            XEvent event;
            XNextEvent(m_display, &event);
            HandleEvent(event);
        }
        zb::ReapEndedChildren();
        if (!m_quit)
            poll(&connection, 1, kReapIntervalMs);
    }
}

void CHotKeyWatcher::CloseRunningInstances(Display* display, int timeoutMs) {
    for (int waited = 0;; waited += kPollMs) {
        const Window running = zb::FindWindowByClassAndTitle(display, kWatcherClass, kWatcherTitle);
        if (running == None)
            return;
        if (waited >= timeoutMs) {
            Report("a running watcher did not end");
            return;
        }
        zb::SendCloseMessage(display, running);
        usleep(kPollMs * 1000);
    }
}

int RunWatcherProgram(int argc, char** argv) {
    const bool closeRunning = argc == 2 && std::strcmp(argv[1], "-u") == 0;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        Report("no X display; the global hot key needs an X11 session (DISPLAY)");
        return 0;
    }
    XSetErrorHandler(WatcherErrorHandler);
    if (closeRunning) {
        CHotKeyWatcher::CloseRunningInstances(display, kCloseTimeoutMs);
    } else if (IsHotKeyEnabled()) {
        CHotKeyWatcher watcher(display);
        if (watcher.CreateWatcherWindow() && watcher.InstallHookDll())
            watcher.Run();
    }
    XCloseDisplay(display);
    return 0;
}
