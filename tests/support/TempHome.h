#pragma once
// Every test process runs with HOME, XDG_* and TMPDIR pointed at a fresh
// private folder, so no test reads or writes the real user's files.

#include <sys/stat.h>

#include <string>

namespace zbtest {

// The per-process temporary root (created before the first test runs).
const std::string& TempRoot();

// A new empty folder under the temporary root; unique per call.
std::string MakeTempDir(const std::string& hint = "dir");

// Writes bytes to a file, creating parent folders; returns the path.
std::string WriteFile(const std::string& path, const std::string& bytes);

// Whether anything, a dangling link as well, stands at `path`.
inline bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace zbtest
