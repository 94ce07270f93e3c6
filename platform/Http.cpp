#include "platform/Http.h"

#include <dlfcn.h>
#include <netdb.h>
#include <sys/socket.h>

#include <mutex>
#include <optional>
#include <string_view>

#include "platform/TextCase.h"

namespace zb {

namespace {

// The few libcurl declarations used here, written from the library's
// documented interface. Handles are opaque; results and option names are
// plain integers (the library's enums are int-sized).
using CurlCode = int;
using CurlOffset = std::int64_t;

constexpr CurlCode kCurlOk = 0;
constexpr long kCurlGlobalDefault = 3;  // SSL | WIN32

// Option numbers: a type base plus the option's index.
constexpr int kOptLong = 0;
constexpr int kOptObject = 10000;
constexpr int kOptFunction = 20000;

constexpr int CURLOPT_WRITEDATA = kOptObject + 1;
constexpr int CURLOPT_URL = kOptObject + 2;
constexpr int CURLOPT_WRITEFUNCTION = kOptFunction + 11;
constexpr int CURLOPT_TIMEOUT = kOptLong + 13;
constexpr int CURLOPT_USERAGENT = kOptObject + 18;
constexpr int CURLOPT_HEADERDATA = kOptObject + 29;
constexpr int CURLOPT_NOPROGRESS = kOptLong + 43;
constexpr int CURLOPT_FAILONERROR = kOptLong + 45;
constexpr int CURLOPT_FOLLOWLOCATION = kOptLong + 52;
constexpr int CURLOPT_XFERINFODATA = kOptObject + 57;
constexpr int CURLOPT_MAXREDIRS = kOptLong + 68;
constexpr int CURLOPT_CONNECTTIMEOUT = kOptLong + 78;
constexpr int CURLOPT_HEADERFUNCTION = kOptFunction + 79;
constexpr int CURLOPT_NOSIGNAL = kOptLong + 99;
constexpr int CURLOPT_XFERINFOFUNCTION = kOptFunction + 219;
constexpr int CURLOPT_PROTOCOLS_STR = kOptObject + 318;
constexpr int CURLOPT_REDIR_PROTOCOLS_STR = kOptObject + 319;

constexpr long kMaxRedirects = 5;

using WriteCallback = std::size_t (*)(char*, std::size_t, std::size_t, void*);
using ProgressCallback = int (*)(void*, CurlOffset, CurlOffset, CurlOffset, CurlOffset);

// What one request collects while it runs.
struct Transfer {
    const std::atomic<bool>* stop = nullptr;
    std::int64_t contentLength = -1;
    std::string body;
};

// The value of a "Content-Length:" header line; nothing for any other line
// or for a value that is not a plain decimal number.
std::optional<std::uint64_t> ParseContentLength(std::string_view line) {
    constexpr std::string_view kName = "content-length:";
    if (line.size() < kName.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kName.size(); ++i) {
        if (AsciiLower(line[i]) != kName[i]) {
            return std::nullopt;
        }
    }
    line.remove_prefix(kName.size());
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
        line.remove_prefix(1);
    }
    std::uint64_t value = 0;
    std::size_t digits = 0;
    while (!line.empty() && line.front() >= '0' && line.front() <= '9') {
        if (value > (UINT64_MAX - 9) / 10) {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(line.front() - '0');
        line.remove_prefix(1);
        ++digits;
    }
    if (digits == 0) {
        return std::nullopt;
    }
    for (char c : line) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
            return std::nullopt;
        }
    }
    return value;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::string_view line(data, size * count);
    if (line.starts_with("HTTP/")) {
        // A new response begins (after a redirect or an interim answer).
        transfer->contentLength = -1;
    } else if (const auto length = ParseContentLength(line)) {
        if (*length > kHttpMaxBodyBytes) {
            return 0;  // refuses the response
        }
        transfer->contentLength = static_cast<std::int64_t>(*length);
    }
    return size * count;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (n > kHttpMaxBodyBytes - transfer->body.size()) {
        return 0;  // refuses the response
    }
    transfer->body.append(data, n);
    return n;
}

int OnProgress(void* user, CurlOffset, CurlOffset, CurlOffset, CurlOffset) {
    const auto* transfer = static_cast<const Transfer*>(user);
    return transfer->stop != nullptr && transfer->stop->load() ? 1 : 0;
}

// The library's global initialisation and clean-up are not safe to run on
// two threads at once.
std::mutex& GlobalInitLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

struct CHttpSession::Library {
    void* handle = nullptr;
    CurlCode (*globalInit)(long) = nullptr;
    void (*globalCleanup)() = nullptr;
    void* (*easyInit)() = nullptr;
    CurlCode (*easySetopt)(void*, int, ...) = nullptr;
    CurlCode (*easyPerform)(void*) = nullptr;
    void (*easyCleanup)(void*) = nullptr;
    bool initialised = false;

    ~Library() {
        if (initialised) {
            std::lock_guard<std::mutex> guard(GlobalInitLock());
            globalCleanup();
        }
        if (handle != nullptr) {
            dlclose(handle);
        }
    }

    template <typename F>
    bool Bind(F& function, const char* name) {
        function = reinterpret_cast<F>(dlsym(handle, name));
        return function != nullptr;
    }
};

std::string HttpUrlHost(const std::string& url) {
    const std::size_t scheme = url.find("://");
    if (scheme == std::string::npos) {
        return {};
    }
    std::string_view authority(url);
    authority.remove_prefix(scheme + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            return {};
        }
        return std::string(authority.substr(1, close - 1));
    }
    return std::string(authority.substr(0, authority.find(':')));
}

bool HttpHostResolves(const std::string& url) {
    const std::string host = HttpUrlHost(url);
    if (host.empty()) {
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) {
        return false;
    }
    freeaddrinfo(found);
    return true;
}

bool CHttpRequest::QueryContentLength(std::uint64_t& length) const {
    if (m_contentLength < 0) {
        return false;
    }
    length = static_cast<std::uint64_t>(m_contentLength);
    return true;
}

bool CHttpRequest::ReadFile(std::size_t length, std::string& text) const {
    if (length > m_body.size()) {
        text.clear();
        return false;
    }
    text.assign(m_body, 0, length);
    return true;
}

CHttpSession::CHttpSession(std::string agent, const char* libraryName) : m_agent(std::move(agent)) {
    auto library = std::make_unique<Library>();
    // Kept mapped after the last close: the library and those below it may
    // leave exit handlers behind that must still find their code.
    library->handle = dlopen(libraryName, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (library->handle == nullptr) {
        return;
    }
    if (!library->Bind(library->globalInit, "curl_global_init") ||
        !library->Bind(library->globalCleanup, "curl_global_cleanup") ||
        !library->Bind(library->easyInit, "curl_easy_init") ||
        !library->Bind(library->easySetopt, "curl_easy_setopt") ||
        !library->Bind(library->easyPerform, "curl_easy_perform") ||
        !library->Bind(library->easyCleanup, "curl_easy_cleanup")) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(GlobalInitLock());
        library->initialised = library->globalInit(kCurlGlobalDefault) == kCurlOk;
    }
    if (library->initialised) {
        m_library = std::move(library);
    }
}

CHttpSession::~CHttpSession() = default;

std::unique_ptr<CHttpRequest> CHttpSession::OpenUrl(const std::string& url) const {
    if (!m_library) {
        return nullptr;
    }
    const Library& lib = *m_library;
    void* easy = lib.easyInit();
    if (easy == nullptr) {
        return nullptr;
    }
    Transfer transfer;
    transfer.stop = m_stop;
    const auto setLong = [&](int option, long value) {
        return lib.easySetopt(easy, option, value) == kCurlOk;
    };
    const auto setPointer = [&](int option, const void* value) {
        return lib.easySetopt(easy, option, value) == kCurlOk;
    };
    bool ready =
        setPointer(CURLOPT_URL, url.c_str()) && setPointer(CURLOPT_USERAGENT, m_agent.c_str()) &&
        setLong(CURLOPT_NOSIGNAL, 1) && setLong(CURLOPT_FAILONERROR, 1) &&
        setLong(CURLOPT_FOLLOWLOCATION, 1) && setLong(CURLOPT_MAXREDIRS, kMaxRedirects) &&
        setLong(CURLOPT_CONNECTTIMEOUT, kHttpConnectTimeoutSeconds) &&
        setLong(CURLOPT_TIMEOUT, kHttpTransferTimeoutSeconds) &&
        lib.easySetopt(easy, CURLOPT_HEADERFUNCTION, static_cast<WriteCallback>(&OnHeader)) ==
            kCurlOk &&
        setPointer(CURLOPT_HEADERDATA, &transfer) &&
        lib.easySetopt(easy, CURLOPT_WRITEFUNCTION, static_cast<WriteCallback>(&OnBody)) ==
            kCurlOk &&
        setPointer(CURLOPT_WRITEDATA, &transfer) &&
        lib.easySetopt(easy, CURLOPT_XFERINFOFUNCTION,
                       static_cast<ProgressCallback>(&OnProgress)) == kCurlOk &&
        setPointer(CURLOPT_XFERINFODATA, &transfer) && setLong(CURLOPT_NOPROGRESS, 0);
    if (ready) {
        // Libraries older than these options already limit redirects to the
        // HTTP and FTP families, so their absence is not a failure.
        setPointer(CURLOPT_PROTOCOLS_STR, "http,https");
        setPointer(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    }
    const bool done = ready && lib.easyPerform(easy) == kCurlOk;
    lib.easyCleanup(easy);
    if (!done) {
        return nullptr;
    }
    return std::make_unique<CHttpRequest>(transfer.contentLength, std::move(transfer.body));
}

}  // namespace zb
