#include "support/MountNamespace.h"

#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace zbtest {
namespace {

constexpr int kSkipped = 77;

// Set in a child whose namespace is a user namespace of its own: the body
// runs without effective capabilities, as the user it is, and a mount
// raises CAP_SYS_ADMIN only while it is made.
bool g_userNamespace = false;

bool WriteProcFile(const char* path, const std::string& text) {
    std::ofstream file(path);
    file << text;
    file.close();
    return static_cast<bool>(file);
}

// The effective capabilities: none, or CAP_SYS_ADMIN alone.
bool SetEffectiveSysAdmin(bool on) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    data[0].effective = on ? (1u << CAP_SYS_ADMIN) : 0;
    data[1].effective = 0;
    return ::syscall(SYS_capset, &header, data) == 0;
}

// A user who may not make a mount namespace makes one inside a user
// namespace of its own, mapping only itself, so that every permission
// check stays that of an ordinary user.
bool EnterUserNamespace() {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 ||
        !WriteProcFile("/proc/self/setgroups", "deny") ||
        !WriteProcFile("/proc/self/uid_map",
                       std::to_string(uid) + " " + std::to_string(uid) + " 1") ||
        !WriteProcFile("/proc/self/gid_map",
                       std::to_string(gid) + " " + std::to_string(gid) + " 1"))
        return false;
    g_userNamespace = true;
    return true;
}

template <class Mount>
bool WithMountRights(Mount&& mount) {
    if (g_userNamespace && !SetEffectiveSysAdmin(true))
        return false;
    const bool mounted = mount();
    const int error = errno;
    if (g_userNamespace)
        SetEffectiveSysAdmin(false);
    errno = error;
    return mounted;
}

}  // namespace

NamespaceRun RunInPrivateMounts(const std::function<bool()>& body) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        return NamespaceRun::Failed;
    if (child == 0) {
        if ((::unshare(CLONE_NEWNS) != 0 && !EnterUserNamespace()) ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            (g_userNamespace && !SetEffectiveSysAdmin(false)))
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
    if (WithMountRights(
            [&] { return ::mount(from.c_str(), onto.c_str(), nullptr, MS_BIND, nullptr) == 0; }))
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
    if (WithMountRights(
            [&] { return ::mount("zbtest", onto.c_str(), "tmpfs", 0, "mode=0755") == 0; }))
        return true;
    std::fprintf(stderr, "tmpfs on %s: %s\n", onto.c_str(), std::strerror(errno));
    return false;
}

}  // namespace zbtest
