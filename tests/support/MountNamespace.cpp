#include "support/MountNamespace.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace zbtest {
namespace {

constexpr int kSkipped = 77;

}  // namespace

NamespaceRun RunInPrivateMounts(const std::function<bool()>& body) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        return NamespaceRun::Failed;
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            ::_exit(kSkipped);
        const bool passed = body();
        std::fflush(nullptr);
        ::_exit(passed ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return NamespaceRun::Failed;
    if (WEXITSTATUS(status) == kSkipped)
        return NamespaceRun::Skipped;
    return WEXITSTATUS(status) == 0 ? NamespaceRun::Passed : NamespaceRun::Failed;
}

bool BindMount(const std::string& from, const std::string& onto) {
    if (::mount(from.c_str(), onto.c_str(), nullptr, MS_BIND, nullptr) == 0)
        return true;
    std::fprintf(stderr, "bind mount %s on %s: %s\n", from.c_str(), onto.c_str(),
                 std::strerror(errno));
    return false;
}

bool Check(bool condition, const std::string& what) {
    if (!condition)
        std::fprintf(stderr, "does not hold: %s\n", what.c_str());
    return condition;
}

bool MountTmpfs(const std::string& onto) {
    if (::mount("zbtest", onto.c_str(), "tmpfs", 0, "mode=0755") == 0)
        return true;
    std::fprintf(stderr, "tmpfs on %s: %s\n", onto.c_str(), std::strerror(errno));
    return false;
}

}  // namespace zbtest
