#pragma once
// A private X server for one test program: Xvfb on a free display, ended when
// the object goes.

#include <sys/types.h>

#include <string>

namespace zbtest {

class XvfbServer {
public:
    // Starts Xvfb; IsRunning() is false when it is not installed or did not start.
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool IsRunning() const { return !m_display.empty(); }
    // The display name, ":<number>".
    const std::string& DisplayName() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

}  // namespace zbtest
