// Programs started the way the desktop starts them: arguments reach them as
// the bytes they are, and their standard streams are this process's own or
// /dev/null.
#include "platform/Spawn.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/PosixFile.h"
#include "support/TempHome.h"

namespace {

// Runs the shell `script` with the output file as $0 and `argument` as $1,
// waits for it and returns what it wrote there.
std::string RunScript(const std::string& script, const std::string& argument,
                      zb::SpawnStreams streams) {
    const std::string out = zbtest::MakeTempDir("spawn") + "/out";
    const pid_t child = zb::SpawnDetached({"/bin/sh", "-c", script, out, argument}, {}, streams);
    EXPECT_GT(child, 0);
    int status = -1;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::string bytes;
    EXPECT_TRUE(zb::ReadWholeFile(out, 4096, bytes));
    return bytes;
}

std::string OwnStream(int fd) {
    char target[4096];
    const ssize_t length =
        readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target);
    return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : std::string();
}

TEST(SpawnTest, ArgumentsArriveAsTheirBytes) {
    const std::string name =
        "bad\xFF"
        "byte \xC3\xA9\n.txt";
    EXPECT_EQ(RunScript(R"(printf '%s' "$1" > "$0")", name, zb::SpawnStreams::Inherited), name);
}

TEST(SpawnTest, StreamsAreOurOwnOrDiscarded) {
    // The shell's own streams, read before the output file is opened.
    const std::string script =
        R"(a=$(readlink /proc/$$/fd/0); b=$(readlink /proc/$$/fd/1); )"
        R"(c=$(readlink /proc/$$/fd/2); printf '%s\n' "$a" "$b" "$c" > "$0")";
    EXPECT_EQ(RunScript(script, {}, zb::SpawnStreams::Discarded),
              "/dev/null\n/dev/null\n/dev/null\n");
    EXPECT_EQ(RunScript(script, {}, zb::SpawnStreams::Inherited),
              OwnStream(0) + "\n" + OwnStream(1) + "\n" + OwnStream(2) + "\n");
}

}  // namespace
