#include "app/engine/HotKeyWatcherControl.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Spawn.h"
#include "platform/StringTable.h"
#include "platform/X11Windows.h"

namespace {

constexpr int kCloseChecks = 21;
constexpr int kCloseCheckMs = 100;

// The watchers this process started and has not collected yet. They are the
// process's children, not one control's: the Option command makes a control
// each time, and the watcher one control started is closed through the next.
std::vector<pid_t>& StartedWatchers() {
    static std::vector<pid_t> started;
    return started;
}

}  // namespace

void RestartHotKeyProgram(BYTE letter, IHotKeyWatcherControl& control) {
    if (control.IsWatcherRunning()) {
        control.CloseWatcher();
        for (int i = 0; i < kCloseChecks; ++i) {
            control.Sleep(kCloseCheckMs);
            if (!control.IsWatcherRunning())
                break;
        }
    }
    if (letter != 0)
        control.StartWatcher();
}

CX11HotKeyWatcherControl::CX11HotKeyWatcherControl(std::string programFolder)
    : m_programFolder(std::move(programFolder)) {}

CX11HotKeyWatcherControl::~CX11HotKeyWatcherControl() {
    if (m_display != nullptr)
        XCloseDisplay(m_display);
}

_XDisplay* CX11HotKeyWatcherControl::OpenDisplay() {
    if (!m_displayTried) {
        m_displayTried = true;
        m_display = XOpenDisplay(nullptr);
    }
    return m_display;
}

bool CX11HotKeyWatcherControl::IsWatcherRunning() {
    // Watchers that ended are collected, so none stays behind as a zombie. One
    // that has not ended yet still runs, also after its window went.
    std::vector<pid_t>& started = StartedWatchers();
    std::erase_if(started, [](pid_t pid) { return zb::ReapChild(pid); });
    if (!started.empty())
        return true;
    return OpenDisplay() != nullptr &&
           zb::FindWindowByClassAndTitle(m_display, LoadResourceString(IDS_HOT_KEY_WINDOW_CLASS),
                                         LoadResourceString(IDS_HOT_KEY_WINDOW_TITLE)) != None;
}

void CX11HotKeyWatcherControl::CloseWatcher() {
    if (OpenDisplay() == nullptr)
        return;
    const Window watcher =
        zb::FindWindowByClassAndTitle(m_display, LoadResourceString(IDS_HOT_KEY_WINDOW_CLASS),
                                      LoadResourceString(IDS_HOT_KEY_WINDOW_TITLE));
    if (watcher != None)
        zb::SendCloseMessage(m_display, watcher);
}

void CX11HotKeyWatcherControl::Sleep(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool CX11HotKeyWatcherControl::StartWatcher() {
    const pid_t pid = zb::SpawnDetached({m_programFolder + "/zbhotkey"}, m_programFolder);
    if (pid > 0)
        StartedWatchers().push_back(pid);
    return pid > 0;
}
