#include "platform/Spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Log.h"

extern char** environ;

namespace zb {

pid_t SpawnDetached(const std::vector<std::string>& argv, const std::string& folder,
                    SpawnStreams streams) {
    if (argv.empty() || argv[0].empty())
        return -1;
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    if (posix_spawnattr_init(&attributes) != 0)
        return -1;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        posix_spawnattr_destroy(&attributes);
        return -1;
    }
    sigset_t noSignals;
    sigset_t allSignals;
    sigemptyset(&noSignals);
    sigfillset(&allSignals);
    bool ready = posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                                           POSIX_SPAWN_SETSIGDEF) == 0 &&
                 posix_spawnattr_setsigmask(&attributes, &noSignals) == 0 &&
                 posix_spawnattr_setsigdefault(&attributes, &allSignals) == 0;
    if (ready && !folder.empty())
        ready = posix_spawn_file_actions_addchdir_np(&actions, folder.c_str()) == 0;
    if (ready && streams == SpawnStreams::Discarded) {
        for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
            ready = ready && posix_spawn_file_actions_addopen(
                                 &actions, stream, "/dev/null",
                                 stream == STDIN_FILENO ? O_RDONLY : O_WRONLY, 0) == 0;
        }
    }

    pid_t child = -1;
    if (ready) {
        const int error = posix_spawn(&child, args[0], &actions, &attributes, args.data(), environ);
        if (error != 0) {
            DebugTrace("Cannot start %s (error %d)", args[0], error);
            child = -1;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return child;
}

void ReapEndedChildren() {
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
}

bool ReapChild(pid_t child) {
    return waitpid(child, nullptr, WNOHANG) != 0;
}

}  // namespace zb
