#pragma once
// What the properties sheet's own page shows about a file or folder: read
// with statx without following a link (the link's target is shown as text),
// with the birth time only where the file system keeps one. Folder sizes are
// summed by a walk that never follows links and can be stopped.

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/WinTypes.h"

struct CItemProperties {
    std::string name;
    std::string folder;
    bool isFolder = false;
    bool isLink = false;
    std::string linkTarget;
    std::uint64_t size = 0;  // a file's bytes
    bool hasBirthTime = false;
    // Seconds since 1970 (UTC).
    std::int64_t birthTime = 0;
    std::int64_t modifiedTime = 0;
    std::int64_t accessedTime = 0;
    std::int64_t changedTime = 0;
    std::string owner;  // the user's name, else the number
    std::string group;
    std::uint32_t mode = 0;
    DWORD attributes = 0;  // the attribute word (read-only, hidden, system, archive)
};

// False with errno set when `path` cannot be read.
bool ReadItemProperties(const std::string& path, CItemProperties* out);

// "drwxr-xr-x (0755)": the type letter, the nine permission letters (with
// set-id and sticky bits) and the octal value.
std::string PermissionText(std::uint32_t mode);

struct CFolderTotals {
    std::uint64_t bytes = 0;
    std::uint64_t files = 0;
    std::uint64_t folders = 0;
    bool complete = true;  // false when stopped, or a folder could not be read
};

// Adds up everything below the folder `path`: the bytes of its files and the
// numbers of files and folders. Links count as files of their own size and
// are never followed; folders deeper than 512 levels are not entered. Ends
// early (incomplete) once `stop` is set.
CFolderTotals SumFolderContents(const std::string& path, const std::atomic<bool>& stop);
