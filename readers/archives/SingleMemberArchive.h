#pragma once
// The shared part of the readers for single compressed files (".gz", ".bz2"):
// the archive holds exactly one member, index 0, at the root, named after the
// compressed file without its compression extension. Its size is unknown
// (-1), its time is the compressed file's last-write time in local time, and
// its contents are decompressed as they are read. Reading the member again
// (OpenEntry, CloseEntry) starts from its first byte.

#include <cstdint>
#include <string>

#include "readers/archives/ArchiveHandler.h"
#include "readers/archives/CompressedStream.h"

class CSingleMemberArchive : public CArchiveHandler {
public:
    ~CSingleMemberArchive() override;

    BOOL Open(const std::string& path) override;
    void Close() override;
    BOOL IsOpen() const override { return m_stream.IsOpen() ? TRUE : FALSE; }

    int FirstFile() const override { return IsOpen() ? 0 : -1; }
    int NextFile(int) const override { return -1; }
    // 0 if the name equals the member name, case ignored; else -1.
    int FindEntry(const std::string& name) const override;

    BOOL IsEntryOpen(int i) const override { return IsMember(i) ? TRUE : FALSE; }
    // Rewinds the member to its first byte; 1, or 0 for a bad index.
    BOOL OpenEntry(int i) override;
    BOOL CloseEntry(int i) override;
    int Read(int i, void* buffer, int count) override;
    std::int64_t GetBytesRead(int i) const override;
    std::int64_t GetEntrySize(int) const override { return -1; }

    int FindFolder(const std::string&) const override { return -1; }
    // The one member is the root's only child.
    int NextChild(int i, const std::string& folder, BOOL subtree) const override;
    // Not answered (0): the archive has no folders.
    BOOL HasSubfolders(const std::string& folder, BOOL* has) const override;
    BOOL GetAttributes(int i, DWORD* attributes) const override;
    BOOL GetFileInfo(int i, CArchiveEntryInfo* info) const override;
    BOOL GetName(int i, std::string* name) const override;

protected:
    // The formats the reader's stream accepts (CCompressedStream::ACCEPT_*).
    virtual int AcceptedFormats() const = 0;
    // The member's name made from the compressed file's name (without folder).
    virtual std::string MemberName(const std::string& fileName) const = 0;

private:
    bool IsMember(int i) const { return i == 0 && m_stream.IsOpen(); }

    CCompressedStream m_stream;
    std::string m_strMemberName;
    FILETIME m_ftTime{};  // local time
};
