#pragma once
// Reads a small web page as text over the run-time loaded HTTP client.

#include <atomic>
#include <string>

#include "platform/Http.h"

// The agent text every request of the program sends.
inline constexpr char kWebAgentName[] = "ZembroltBrowser1.0";

class CWebPageReader {
public:
    // Loads the HTTP library (`httpLibrary`) and opens a session with the
    // agent "ZembroltBrowser1.0"; without the library there is no session.
    explicit CWebPageReader(const char* httpLibrary = zb::kHttpLibraryName);
    virtual ~CWebPageReader();
    CWebPageReader(const CWebPageReader&) = delete;
    CWebPageReader& operator=(const CWebPageReader&) = delete;

    bool HasSession() const { return m_session.IsOpen(); }

    // Once `stop` is set, a read in progress ends (empty) within about a
    // second. The flag must outlive the reader.
    void SetStopFlag(const std::atomic<bool>* stop) { m_session.SetStopFlag(stop); }

    // The network test for `url`: a name lookup of its host.
    bool IsNetworkAvailable(const std::string& url) const;

    // The page's text: exactly as many bytes as its Content-Length says.
    // Empty when there is no session, the network test fails, the request
    // fails or the response has no Content-Length.
    std::string ReadPage(const std::string& url) const;

private:
    zb::CHttpSession m_session;
};
