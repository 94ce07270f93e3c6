#include "tools/FileTimeChange.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/FileInfo.h"
#include "platform/FileTime.h"
#include "platform/Log.h"
#include "tools/ToolRecords.h"
#include "tools/TreeWalk.h"

void CFileTimeChange::SetItems(const std::vector<CResultItem*>& records) {
    m_records = records;
    m_bNoFolder = records.empty() ? FALSE : TRUE;
    for (const CResultItem* record : records) {
        if (record->m_dwFlags & RIF_FOLDER)
            m_bNoFolder = FALSE;
    }
    m_nFailed = 0;
}

const CResultItem* CFileTimeChange::GetFirstFileRecord() const {
    for (const CResultItem* record : m_records) {
        std::string path;
        if (IsChangeableRecord(*record, &path))
            return record;
    }
    return nullptr;
}

bool CFileTimeChange::SetTimes(int dirFd, const std::string& name, const std::string& path,
                               const FileTimeSetting& times) {
    timespec values[2];
    values[0].tv_nsec = UTIME_OMIT;
    values[1].tv_nsec = UTIME_OMIT;
    if (times.lastAccess)
        values[0] = FileTimeToTimespec(*times.lastAccess);
    if (times.lastWrite)
        values[1] = FileTimeToTimespec(*times.lastWrite);
    if (::utimensat(dirFd, name.c_str(), values, AT_SYMLINK_NOFOLLOW) == 0)
        return true;
    ++m_nFailed;
    LogPrintf(kToolLogRed, "Cannot change the times of %s: %s", path.c_str(), std::strerror(errno));
    return false;
}

int CFileTimeChange::Apply(const FileTimeSetting& times, BOOL subFolders) {
    const int failedBefore = m_nFailed;
    if (times.lastWrite || times.lastAccess) {
        for (CResultItem* record : m_records) {
            std::string path;
            if (!IsChangeableRecord(*record, &path))
                continue;
            // A folder's own times come last: reading it may set its access time.
            if (subFolders && (record->m_dwFlags & RIF_FOLDER))
                ApplyToFolder(path, times);
            if (SetTimes(AT_FDCWD, path, path, times)) {
                zb::FileInfo info;
                if (zb::GetFileInfo(path, &info)) {
                    record->m_ftLastWrite = info.ftLastWriteTime;
                    record->m_ftLastAccess = info.ftLastAccessTime;
                }
            }
        }
    }
    const int failed = m_nFailed - failedBefore;
    if (failed > 0)
        LogPrintf(kToolLogRed, "The times of %d files could not be changed.", failed);
    return failed;
}

int CFileTimeChange::ApplyToFolder(const std::string& path, const FileTimeSetting& times) {
    const int failedBefore = m_nFailed;
    const auto apply = [&](const TreeEntry& entry) {
        SetTimes(entry.dirFd, std::string(entry.name), entry.path, times);
    };
    const auto mountPoint = [&](const TreeEntry& entry) {
        ++m_nFailed;
        LogPrintf(kToolLogRed, "Cannot change the times of %s: %s", entry.path.c_str(),
                  kMountPointNote);
    };
    if (ApplyBelowFolder(path, apply, {}, mountPoint) == CTreeWalk::WALK_UNREACHABLE) {
        ++m_nFailed;
        LogPrintf(kToolLogRed, "Cannot change the times of %s: the folder cannot be opened",
                  path.c_str());
    }
    return m_nFailed - failedBefore;
}

bool LocalDateTimeToFileTime(int year, int month, int day, int hour, int minute, int second,
                             FILETIME* utc) {
    SYSTEMTIME fields{};
    fields.wYear = static_cast<WORD>(year);
    fields.wMonth = static_cast<WORD>(month);
    fields.wDay = static_cast<WORD>(day);
    fields.wHour = static_cast<WORD>(hour);
    fields.wMinute = static_cast<WORD>(minute);
    fields.wSecond = static_cast<WORD>(second);
    FILETIME local;
    return SystemTimeToFileTime(&fields, &local) && LocalFileTimeToFileTime(&local, utc);
}
