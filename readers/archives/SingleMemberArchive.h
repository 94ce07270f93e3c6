#pragma once
// The shared part of the readers for single compressed files (".gz", ".bz2"):
// a table of exactly one member, index 0, at the root, named after the
// compressed file without its compression extension. Its time is the
// compressed file's last-write time in local time, and its contents are
// decompressed as they are read. Reading the member again (OpenEntry,
// CloseEntry) starts from its first byte.
//
// The member's size, as its entry information reports it, is unknown (-1)
// until the member has been read to its end once, and then the decoded
// length; a ".gz" file that is not compressed has its own size from the
// start. GetEntrySize stays -1 whatever is known, so that a copy is never
// cut at a size.

#include <cstdint>
#include <string>

#include "readers/archives/CompressedStream.h"
#include "readers/archives/TableArchiveHandler.h"

class CSingleMemberArchive : public CTableArchiveHandler {
public:
    ~CSingleMemberArchive() override;

    BOOL IsEntryOpen(int i) const override { return IsMember(i) ? TRUE : FALSE; }
    // Rewinds the member to its first byte; 1, or 0 for a bad index.
    BOOL OpenEntry(int i) override;
    BOOL CloseEntry(int i) override;
    int Read(int i, void* buffer, int count) override;
    std::int64_t GetBytesRead(int i) const override;
    std::int64_t GetEntrySize(int) const override { return -1; }
    // Not answered (0): the archive has no folders.
    BOOL HasSubfolders(const std::string& folder, BOOL* has) const override;

protected:
    bool OpenArchive(const std::string& path) override;
    void CloseArchive() override;

    // The formats the reader's stream accepts (CCompressedStream::ACCEPT_*).
    virtual int AcceptedFormats() const = 0;
    // The member's name made from the compressed file's name (without folder).
    virtual std::string MemberName(const std::string& fileName) const = 0;

private:
    bool IsMember(int i) const { return i == 0 && m_stream.IsOpen(); }

    CCompressedStream m_stream;
};
