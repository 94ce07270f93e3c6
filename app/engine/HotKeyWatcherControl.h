#pragma once
// How the main program closes and starts the hot-key watcher, zbhotkey, when
// the hot-key letter changes; it does so at no other time.

#include <string>

#include "platform/WinTypes.h"

struct _XDisplay;

// The watcher as the program sees it (tests use a fake).
class IHotKeyWatcherControl {
public:
    virtual ~IHotKeyWatcherControl() = default;
    // Whether a watcher runs: its window (class "ZBHOTKEY", title "zbhotkey
    // main wnd") exists, or a watcher this program started has not ended.
    virtual bool IsWatcherRunning() = 0;
    // Asks the watcher to close.
    virtual void CloseWatcher() = 0;
    virtual void Sleep(int milliseconds) = 0;
    // Starts zbhotkey from the program's folder; false when it cannot start.
    virtual bool StartWatcher() = 0;
};

// Closes a running watcher (checking up to 21 times, 100 ms apart, that it has
// gone) and, unless `letter` is 0, starts a new one, which reads the letter
// from the registry. A watcher that does not go is left running and a new one
// starts beside it (it ends at once, as a watcher is running). A failed start
// is ignored.
void RestartHotKeyProgram(BYTE letter, IHotKeyWatcherControl& control);

// The watcher on the X display, started as <programFolder>/zbhotkey in that
// folder. Without an X display no watcher window is found. The watchers
// started, by this control or another, are collected once they end, so a
// closed watcher is gone when IsWatcherRunning says so.
class CX11HotKeyWatcherControl : public IHotKeyWatcherControl {
public:
    explicit CX11HotKeyWatcherControl(std::string programFolder);
    ~CX11HotKeyWatcherControl() override;
    CX11HotKeyWatcherControl(const CX11HotKeyWatcherControl&) = delete;
    CX11HotKeyWatcherControl& operator=(const CX11HotKeyWatcherControl&) = delete;

    bool IsWatcherRunning() override;
    void CloseWatcher() override;
    void Sleep(int milliseconds) override;
    bool StartWatcher() override;

private:
    // The display, opened on first use; null without one.
    _XDisplay* OpenDisplay();

    std::string m_programFolder;
    _XDisplay* m_display = nullptr;
    bool m_displayTried = false;
};
