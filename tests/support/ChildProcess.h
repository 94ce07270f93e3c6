#pragma once
// Running other programs from tests: tools such as desktop-file-validate and
// xdg-mime, and the program's own executables. No shell is involved.

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace zbtest {

struct ProcessResult {
    int exitCode = -1;   // -1 when the program could not be run or did not end
    std::string output;  // stdout and stderr together
};

// Whether `program` is an executable on PATH (or, with a '/', at that path).
bool HasProgram(const std::string& program);

// Runs `argv` (argv[0] searched on PATH) to its end and collects its output.
ProcessResult RunProcess(const std::vector<std::string>& argv);

// Starts `argv` with stdout and stderr appended to `logPath`; its process id,
// or -1.
pid_t StartProcess(const std::vector<std::string>& argv, const std::string& logPath);

// Waits for the child `pid` to end, at most `timeoutMs`; its exit code, or -1
// when it did not end in time (it is then killed) or did not exit normally.
int WaitForExit(pid_t pid, int timeoutMs);

// Calls `condition` every 20 ms until it holds or `timeoutMs` passed; its
// last answer. For waiting on another process, never for measuring time.
bool WaitUntil(int timeoutMs, const std::function<bool()>& condition);

}  // namespace zbtest
