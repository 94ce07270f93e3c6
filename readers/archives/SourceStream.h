#pragma once
// The one input stream through which the content search and the detail
// readers read a file: either a file on disk (mode 0) or a member of an
// archive read through its archive handler (mode 1), so that the same parser
// works on both. Failures are 0 or -1 results; nothing throws.

#include <cstdint>
#include <string>

#include "platform/InputFile.h"
#include "platform/WinTypes.h"

class CArchiveHandler;

class CSourceStream {
public:
    static constexpr int MODE_DISK = 0;
    static constexpr int MODE_MEMBER = 1;

    CSourceStream() = default;
    virtual ~CSourceStream();
    CSourceStream(const CSourceStream&) = delete;
    CSourceStream& operator=(const CSourceStream&) = delete;

    // Opens member `innerPath` of the archive open in `handler` (not owned;
    // it must outlive the stream's use of it): the member at index `entry`
    // when its name is exactly `innerPath` (as a listing reported them),
    // else the member found by that name; 1 or 0.
    virtual BOOL OpenInArchive(CArchiveHandler* handler, const std::string& innerPath,
                               int entry = -1);
    // Opens a regular file on disk for reading; 1 or 0.
    virtual BOOL Open(const std::string& path);
    // The same for the file `name` in the open folder `dirFd`, which lies
    // at `path`; 1 or 0.
    BOOL OpenAt(int dirFd, const std::string& name, const std::string& path);
    // Bytes read (fewer than asked only at the end); -1 on failure, for a
    // negative count, or when nothing is open.
    virtual int Read(void* buffer, int count);
    // Ends the member's reading and closes the disk file; 1 if something was
    // closed, else 0.
    virtual BOOL Close();
    // The read position; 0 when nothing is open.
    virtual std::int64_t GetPosition();
    // The length in bytes: -1 for a member of unknown size, 0 when nothing is open.
    virtual std::int64_t GetLength();

    // Origin 0 = from the start, 1 = from the current position, 2 = from the
    // end (target = length + offset). A member can only move forward; 1 or 0.
    BOOL Seek(std::int64_t offset, int origin);
    // TRUE when a read that returns fewer bytes than asked means the end of
    // the stream (a disk file, whose reads already go on until the end).
    virtual BOOL IsShortReadEnd() const { return m_nMode == 0 ? TRUE : FALSE; }
    BOOL IsOpen() const;

    int GetMode() const { return m_nMode; }
    // The stamp of the disk file open at its opening; null for a member or
    // when nothing is open.
    const zb::FileStamp* GetDiskStamp() const;
    const std::string& GetPath() const { return m_strPath; }

private:
    bool SeekInMember(std::int64_t offset, int origin);

    int m_nMode = MODE_DISK;
    std::string m_strPath;                  // the disk path, or the member's inner path
    CArchiveHandler* m_pHandler = nullptr;  // mode 1 only; not owned
    int m_nEntry = -1;
    zb::InputFile m_file;  // mode 0
};

// Opens the stream on member `name` of the archive (found in the global
// handler list), or with no archive path (nullptr) on the disk file `name`;
// 1 or 0.
BOOL OpenSourceStream(CSourceStream* stream, const char* archivePath, const std::string& name);
