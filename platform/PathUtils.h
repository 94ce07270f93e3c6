#pragma once
// Small path and file tests. Paths are UTF-8 bytes. The name functions serve
// disk paths ("/" between parts) and archive member paths ("\" between parts)
// alike, so both characters separate parts; ':' is an ordinary character of a
// name. A byte of a multi-byte UTF-8 character is never a separator.

#include <string>
#include <string_view>
#include <vector>

#include "platform/WinTypes.h"

// 1 when the path exists (file or folder; symbolic links followed), else 0.
BOOL FileExists(const std::string& path);

// 1 when the path exists and is a folder (symbolic links followed), else 0.
BOOL IsDirectory(const std::string& path);

// 1 when the path names something that is not a folder and that opens for
// reading, else 0.
BOOL FileExistsByOpen(const std::string& path);

// 1 when the path names a regular file (symbolic links followed), else 0;
// IsExecutableFile also needs that this process may run it.
BOOL IsRegularFile(const std::string& path);
BOOL IsExecutableFile(const std::string& path);

// Tries to open the file for reading and writing (never creating it): 1 when
// it opens, and also when the open fails only because the file is in use,
// locked or not permitted, or too many files are open, since the file is
// there; 0 for every other failure (missing, a folder, ...).
BOOL CanOpenFileReadWrite(const std::string& path);

// The text just after the last '.' of the whole string, or null when there is
// none (also for a null name). "a\dir.d\file" gives "d\file".
const char* GetFileExtension(const char* name);

// The text after the last separator that is followed by something other than
// a separator; the whole string when there is none (also for a null path).
// "/dir/" gives "dir/", "C:" gives "C:".
const char* GetFileNamePart(const char* path);

// The path up to (not including) its last separator, one trailing separator
// skipped: "/a/b" and "/a/b/" both give "/a"; empty when there is none.
void GetFolderPart(std::string_view path, std::string& out);

// The path before its last separator; empty when that separator is the first
// character or there is none.
std::string GetParentFolder(std::string_view path);

// Makes the folder `path` and every missing parent ("/" separates the parts
// of a disk path; a backslash is part of a name there). Returns 0 when the folder
// exists afterwards, -1 when a folder could not be made. Each folder made is
// appended to `created`, parents before children, so that the caller can
// remove them again; folders made before a failure stay and stay listed.
int CreateDirectoryPath(const std::string& path, std::vector<std::string>& created);

// The folder of the running program (from /proc/self/exe); empty when it
// cannot be read.
std::string GetProgramFolder();
