#pragma once
// What Change File Time does to the selected result records: the times the
// dialog starts from, and the change. The last-write and last-access times
// are set on the file itself with utimensat (a link's own times, never its
// target's); a time that is not ticked is left as it is to the nanosecond.
// This needs ownership, not write permission, so a read-only file keeps its
// permissions untouched throughout. The creation time cannot be set on Linux.
// Records inside archives and records without a path are never changed;
// every file that cannot be changed is counted and logged in red.

#include <string>
#include <vector>

#include "app/engine/ResultItem.h"
#include "platform/WinTypes.h"

// Why the "Created" row is disabled.
constexpr const char* kCreationTimeNote = "Linux cannot set the creation time of a file.";

// The new times; a null pointer leaves that time as it is.
struct FileTimeSetting {
    const FILETIME* lastWrite = nullptr;
    const FILETIME* lastAccess = nullptr;
};

class CFileTimeChange {
public:
    // The records (not owned). The no-folder flag is set when there are
    // records and none is a folder.
    void SetItems(const std::vector<CResultItem*>& records);
    BOOL HasNoFolder() const { return m_bNoFolder; }
    // The first record that is neither inside an archive nor path-less; its
    // times fill the dialog's pickers. Null when there is none.
    const CResultItem* GetFirstFileRecord() const;

    // Sets the times of every record that may be changed (a record whose
    // file changed stores the times the file has afterwards) and, with
    // `subFolders`, of everything below a folder record. Returns the number
    // of files that could not be changed.
    int Apply(const FileTimeSetting& times, BOOL subFolders);
    // Sets the times of everything below the folder `path` (on its file
    // system; links are not followed), a folder after its contents.
    int ApplyToFolder(const std::string& path, const FileTimeSetting& times);

    int GetFailedCount() const { return m_nFailed; }

private:
    // utimensat on `name` in `dirFd` (or a path with AT_FDCWD).
    bool SetTimes(int dirFd, const std::string& name, const std::string& path,
                  const FileTimeSetting& times);

    std::vector<CResultItem*> m_records;
    BOOL m_bNoFolder = FALSE;
    int m_nFailed = 0;
};

// A date and a time of day as the user's local time, to UTC; FALSE for a
// date that does not exist. A local time that the clock skips when daylight
// saving starts moves forward by the jump, one it repeats takes its second
// occurrence.
bool LocalDateTimeToFileTime(int year, int month, int day, int hour, int minute, int second,
                             FILETIME* utc);
