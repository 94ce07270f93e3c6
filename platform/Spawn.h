#pragma once
// Starting another program the way the desktop starts one: in a session of
// its own, so it outlives its starter and gets no terminal signals from it,
// with the default signal dispositions and an empty signal mask, and never
// through a shell.

#include <sys/types.h>

#include <string>
#include <vector>

namespace zb {

// Where the started program's standard input, output and error go.
enum class SpawnStreams {
    Inherited,  // this process's own
    Discarded,  // /dev/null
};

// Starts `argv[0]` (a path; no PATH search) with the arguments `argv` (bytes,
// passed as they are) and the current environment, in `folder` when it is not
// empty. The child's process id, or -1 when it could not be started.
pid_t SpawnDetached(const std::vector<std::string>& argv, const std::string& folder = {},
                    SpawnStreams streams = SpawnStreams::Inherited);

// Collects every child of this process that has ended, without waiting; only
// for a process that does not wait for any child of its own elsewhere.
void ReapEndedChildren();
// Collects the child `child` when it has ended, without waiting; true when it
// has (or is no child of this process).
bool ReapChild(pid_t child);

}  // namespace zb
