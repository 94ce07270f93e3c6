#pragma once
// A tiny HTTP server on 127.0.0.1 for tests of the HTTP client: it listens
// on a free port, reads each request's head, answers it with the bytes the
// test chooses and closes the connection. Connections are served one after
// the other; one held unanswered holds every later one. Nothing leaves the
// machine.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace zbtest {

// A whole response: status line, Content-Length (when asked), "Connection:
// close", `extraHeaders` (each line ending in "\r\n"), then the body.
inline std::string HttpResponse(const std::string& body, bool withContentLength = true,
                                const std::string& status = "200 OK",
                                const std::string& extraHeaders = "") {
    std::string response = "HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\n";
    if (withContentLength) {
        response += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    }
    return response + "Connection: close\r\n" + extraHeaders + "\r\n" + body;
}

// A port on 127.0.0.1 where nothing listens (it was free a moment ago).
inline int UnusedLocalPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        throw std::runtime_error("no free local port");
    }
    close(fd);
    return ntohs(address.sin_port);
}

class LocalHttpServer {
public:
    // Gives the response bytes for a request head; nothing holds the
    // connection open, unanswered, until the server ends.
    using Answer = std::function<std::optional<std::string>(const std::string& request)>;

    explicit LocalHttpServer(Answer answer) : m_answer(std::move(answer)) {
        m_listen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        m_wake = eventfd(0, EFD_CLOEXEC);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (m_listen < 0 || m_wake < 0 ||
            bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(m_listen, 8) != 0 ||
            getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            CloseAll();
            throw std::runtime_error("cannot listen on 127.0.0.1");
        }
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }

    // A server that answers every request with `response`.
    explicit LocalHttpServer(const std::string& response)
        : LocalHttpServer([response](const std::string&) { return response; }) {}

    ~LocalHttpServer() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(m_wake, &one, sizeof one);
        m_thread.join();
        CloseAll();
    }

    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    int Port() const { return m_port; }

    // "http://127.0.0.1:<port>" followed by `path`.
    std::string Url(const std::string& path = "/") const {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

    // The heads of the requests read so far.
    std::vector<std::string> Requests() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_requests;
    }

    // Waits until `count` requests were read (at most a minute).
    bool WaitForRequests(std::size_t count) const {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, std::chrono::minutes(1),
                                  [&] { return m_requests.size() >= count; });
    }

private:
    // Waits for `fd` to become readable; false when the server is ending.
    bool WaitReadable(int fd) const {
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_wake, POLLIN, 0}};
        while (poll(fds, 2, -1) < 0) {
        }
        return (fds[1].revents & POLLIN) == 0;
    }

    void Serve() {
        while (WaitReadable(m_listen)) {
            const int connection = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) {
                continue;
            }
            Handle(connection);
            close(connection);
        }
    }

    void Handle(int connection) {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
            if (!WaitReadable(connection)) {
                return;
            }
            const ssize_t n = recv(connection, buffer, sizeof buffer, 0);
            if (n <= 0) {
                return;
            }
            request.append(buffer, static_cast<std::size_t>(n));
        }
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_requests.push_back(request);
        }
        m_changed.notify_all();
        const std::optional<std::string> response = m_answer(request);
        if (!response) {
            // Holds the connection until the server ends.
            pollfd wake{m_wake, POLLIN, 0};
            while (poll(&wake, 1, -1) < 0) {
            }
            return;
        }
        std::size_t sent = 0;
        while (sent < response->size()) {
            const ssize_t n =
                send(connection, response->data() + sent, response->size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                return;
            }
            sent += static_cast<std::size_t>(n);
        }
        shutdown(connection, SHUT_WR);
    }

    void CloseAll() {
        if (m_listen >= 0) {
            close(m_listen);
        }
        if (m_wake >= 0) {
            close(m_wake);
        }
    }

    Answer m_answer;
    int m_listen = -1;
    int m_wake = -1;
    int m_port = 0;
    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::vector<std::string> m_requests;
    std::thread m_thread;
};

}  // namespace zbtest
