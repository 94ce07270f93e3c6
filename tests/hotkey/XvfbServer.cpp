#include "hotkey/XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "support/ChildProcess.h"

extern char** environ;

namespace zbtest {

namespace {

constexpr int kStartTimeoutMs = 20000;

}  // namespace

XvfbServer::XvfbServer() {
    if (!HasProgram("Xvfb"))
        return;
    // Xvfb picks a free display and writes its number to the pipe.
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return;
    ::fcntl(pipeFds[0], F_SETFD, FD_CLOEXEC);
    const std::string fd = std::to_string(pipeFds[1]);
    std::vector<std::string> argv = {"Xvfb",     "-displayfd", fd,  "-nolisten", "tcp",
                                     "-noreset", "-screen",    "0", "640x480x24"};
    std::vector<char*> args;
    for (std::string& arg : argv)
        args.push_back(arg.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const int error = posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (error != 0) {
        m_pid = -1;
        ::close(pipeFds[0]);
        return;
    }
    std::string number;
    pollfd readable{pipeFds[0], POLLIN, 0};
    while (::poll(&readable, 1, kStartTimeoutMs) > 0) {
        char c = 0;
        if (::read(pipeFds[0], &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    ::close(pipeFds[0]);
    if (!number.empty())
        m_display = ":" + number;
}

XvfbServer::~XvfbServer() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
}

}  // namespace zbtest
