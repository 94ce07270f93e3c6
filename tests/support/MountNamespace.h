#pragma once
// Mounts for tests of what may never cross a mount point. A test runs its
// body in a child process with a mount namespace of its own, so the bind
// mounts it makes vanish with the child and never reach the machine.

#include <functional>
#include <string>

namespace zbtest {

enum class NamespaceRun { Passed, Failed, Skipped };

// Runs `body` in a forked child inside a private mount namespace; Passed
// when it returned true. A user without CAP_SYS_ADMIN gets one inside a user
// namespace of its own, where the body keeps no capabilities, so it runs as
// that user. Skipped when neither can be made here. The body reports its
// own failures on stderr.
NamespaceRun RunInPrivateMounts(const std::function<bool()>& body);

// Bind-mounts the folder (or file) `from` onto `onto`; only inside
// RunInPrivateMounts. False, with a line on stderr, when it fails.
bool BindMount(const std::string& from, const std::string& onto);

// For the bodies, which cannot use the test's assertions: `condition`,
// with `what` on stderr when it does not hold.
bool Check(bool condition, const std::string& what);

// Mounts a new, empty tmpfs (another file system) on the folder `onto`;
// only inside RunInPrivateMounts.
bool MountTmpfs(const std::string& onto);

}  // namespace zbtest

// Inside a test: runs `body` in private mounts, skips where none can be
// made, and fails when the body returned false.
#define ZB_EXPECT_IN_PRIVATE_MOUNTS(body)                                  \
    do {                                                                   \
        const auto zbRun = ::zbtest::RunInPrivateMounts(body);             \
        if (zbRun == ::zbtest::NamespaceRun::Skipped)                      \
            GTEST_SKIP() << "no private mount namespace can be made here"; \
        EXPECT_EQ(zbRun, ::zbtest::NamespaceRun::Passed);                  \
    } while (false)
