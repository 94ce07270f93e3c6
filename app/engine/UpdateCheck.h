#pragma once
// The check for a newer program version at start-up: a worker thread reads
// the version text that the vendor's web server publishes and, when that
// version is newer than the program's own, offers the download page.

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "platform/Http.h"
#include "platform/WinTypes.h"

// The program's own version: major in bits 16-31, minor in bits 8-15,
// release in bits 0-7.
inline constexpr DWORD kProgramVersion = 0x10104;

// Display form of a version: "%u.%u%u" of major, minor, release
// (0x10104 reads "1.14").
std::string FormatVersionText(DWORD version);

// The hexadecimal number at the start of `text` (read as "%x" reads it);
// false when the text does not start with one.
bool ParseVersionText(const std::string& text, DWORD& version);

// Base address of the vendor's web server for the update check (a build
// setting); empty when the build has none, which skips the check.
std::string UpdateServerUrl();
// The version text and the download page below a base address.
std::string VersionPageUrl(const std::string& serverUrl);
std::string DownloadPageUrl(const std::string& serverUrl);

// What the check needs from the main window.
class IUpdateHost {
public:
    virtual ~IUpdateHost() = default;
    // Runs `task` later on the window's thread; the worker does not wait for
    // it. A window that is gone by then drops the task.
    virtual void PostToWindowThread(std::function<void()> task) = 0;
    // Asks a Yes/No question in a message box owned by the main window
    // (window thread); true for Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
    // Opens an address with the desktop ("open", maximised where it can).
    virtual void OpenUrl(const std::string& url) = 0;
};

// The update-check thread. The main window starts it at initialisation when
// the "Check newer ver on start" option is on, and stops it when it closes.
class CUpdateCheckThread {
public:
    CUpdateCheckThread() = default;
    // Stops the check and waits for it.
    ~CUpdateCheckThread();
    CUpdateCheckThread(const CUpdateCheckThread&) = delete;
    CUpdateCheckThread& operator=(const CUpdateCheckThread&) = delete;

    // Starts the check against `serverUrl` with the HTTP library
    // `httpLibrary`. Nothing starts when the address is empty or a check was
    // already started; returns whether a thread started.
    bool Start(IUpdateHost& host, std::string serverUrl = UpdateServerUrl(),
               std::string httpLibrary = zb::kHttpLibraryName);

    // Waits for the check to end by itself.
    void Wait();

    // Ends the check: a request in progress is abandoned (within about a
    // second) and nothing is offered any more; then waits for the thread.
    void Stop();

private:
    void Run(IUpdateHost& host, const std::string& serverUrl, const std::string& httpLibrary);
    void Offer(IUpdateHost& host, DWORD version, const std::string& serverUrl);

    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
