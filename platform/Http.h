#pragma once
// A small HTTP client over libcurl, which is loaded at run time: the program
// starts and works on machines without it, and only the features that fetch
// web pages stay silent there.
//
// The calls follow the usual client pattern: open a session (the library and
// the agent text), open a URL (send the request and receive the response),
// ask for the response's content length, read that many bytes, close.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zb {

// Name of the shared library that provides the client.
inline constexpr char kHttpLibraryName[] = "libcurl.so.4";
// Longest response body accepted; a longer response fails.
inline constexpr std::size_t kHttpMaxBodyBytes = 1024 * 1024;
// How long connecting and the whole request may take.
inline constexpr long kHttpConnectTimeoutSeconds = 10;
inline constexpr long kHttpTransferTimeoutSeconds = 30;

// The host part of `url` ("scheme://[user@]host[:port]/..."; an IPv6 host
// without its brackets); empty when the URL has none.
std::string HttpUrlHost(const std::string& url);

// The network test: true when a name lookup of the host of `url` succeeds.
// A numeric host (such as 127.0.0.1) always passes.
bool HttpHostResolves(const std::string& url);

// One answered request: the response's content length and body.
class CHttpRequest {
public:
    CHttpRequest(std::int64_t contentLength, std::string body)
        : m_contentLength(contentLength), m_body(std::move(body)) {}

    // The response's Content-Length; false when the response had none.
    bool QueryContentLength(std::uint64_t& length) const;

    // Exactly `length` bytes of the body into `text`; false (and `text`
    // empty) when the body is shorter.
    bool ReadFile(std::size_t length, std::string& text) const;

private:
    std::int64_t m_contentLength;  // -1 when unknown
    std::string m_body;
};

// A client session. Sessions may live on any thread; each request runs on
// the thread that opens it.
class CHttpSession {
public:
    // Loads `libraryName`, finds its functions and initialises it; any
    // failure leaves the session closed.
    explicit CHttpSession(std::string agent, const char* libraryName = kHttpLibraryName);
    ~CHttpSession();
    CHttpSession(const CHttpSession&) = delete;
    CHttpSession& operator=(const CHttpSession&) = delete;

    bool IsOpen() const { return m_library != nullptr; }

    // A flag polled while a request runs: once it is set, the request fails
    // within about a second. Must outlive the session's requests.
    void SetStopFlag(const std::atomic<bool>* stop) { m_stop = stop; }

    // Sends a GET request for `url` (HTTP or HTTPS, redirects followed) and
    // receives the whole response. Null when the session is closed, the
    // request fails, the server answers with an error status, the body is
    // larger than kHttpMaxBodyBytes, a timeout passes or the stop flag is set.
    std::unique_ptr<CHttpRequest> OpenUrl(const std::string& url) const;

private:
    struct Library;

    std::string m_agent;
    std::unique_ptr<Library> m_library;
    const std::atomic<bool>* m_stop = nullptr;
};

}  // namespace zb
