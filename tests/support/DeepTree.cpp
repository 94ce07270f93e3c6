#include "support/DeepTree.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace zbtest {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Writes `text` to a new file `name` in the folder `fd`.
bool WriteFileAt(int fd, const std::string& name, const std::string& text) {
    const int file = openat(fd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file < 0)
        return false;
    const bool written =
        text.empty() || write(file, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return close(file) == 0 && written;
}

}  // namespace

bool MakeDeepTree(const std::string& root, const std::string& name, int levels,
                  const DeepTreeFiles& files) {
    int fd = open(root.c_str(), kFolderFlags);
    for (int level = 1; level <= levels && fd >= 0; ++level) {
        const int next =
            mkdirat(fd, name.c_str(), 0755) == 0 ? openat(fd, name.c_str(), kFolderFlags) : -1;
        close(fd);
        fd = next;
        const bool deepest = level == levels;
        const std::string& file = deepest ? files.leafName : files.fillerName;
        if (fd >= 0 && !file.empty() &&
            !WriteFileAt(fd, file, deepest ? files.leafText : std::string())) {
            close(fd);
            fd = -1;
        }
    }
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

void RemoveDeepTree(const std::string& root, const std::string& name, const DeepTreeFiles& files) {
    int fd = open(root.c_str(), kFolderFlags);
    int depth = 0;
    for (int next; fd >= 0 && (next = openat(fd, name.c_str(), kFolderFlags)) >= 0;) {
        close(fd);
        fd = next;
        ++depth;
    }
    for (; fd >= 0 && depth > 0; --depth) {
        for (const std::string* file : {&files.fillerName, &files.leafName}) {
            if (!file->empty())
                unlinkat(fd, file->c_str(), 0);
        }
        const int parent = openat(fd, "..", kFolderFlags);
        close(fd);
        fd = parent;
        if (fd >= 0)
            unlinkat(fd, name.c_str(), AT_REMOVEDIR);
    }
    if (fd >= 0)
        close(fd);
}

std::vector<std::string> DeepTreeFolders(const std::string& root, const std::string& name,
                                         int levels) {
    std::vector<std::string> folders{root};
    for (int level = 1; level <= levels; ++level)
        folders.push_back(folders.back() + "/" + name);
    return folders;
}

bool RunOnSmallStackWithFewDescriptors(const std::function<bool()>& body) {
    // Nothing buffered before the fork is written twice.
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        const rlimit limit{64, 64};
        pthread_attr_t attributes;
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0 || pthread_attr_init(&attributes) != 0 ||
            pthread_attr_setstacksize(&attributes, std::size_t{1} << 20) != 0)
            _exit(2);
        struct Call {
            const std::function<bool()>* body;
            bool result = false;
        } call{&body};
        pthread_t thread;
        const auto run = [](void* argument) -> void* {
            auto* c = static_cast<Call*>(argument);
            c->result = (*c->body)();
            return nullptr;
        };
        if (pthread_create(&thread, &attributes, run, &call) != 0 ||
            pthread_join(thread, nullptr) != 0)
            _exit(3);
        // What the body printed reaches the test's output.
        std::fflush(nullptr);
        _exit(call.result ? 0 : 1);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace zbtest
