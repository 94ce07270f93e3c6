#pragma once
// The reader of ACE archives. It lists the members (names, sizes, times,
// attributes and folders) so that names can be searched and the folder tree
// can show the archive's folders; member contents cannot be read: OpenEntry
// always fails, and the flags (usable, cannot unpack) tell extraction so.
//
// The main header is looked for in the first 64 KiB (an archive may follow a
// self-extractor); only the first volume of a set opens. The member list runs
// to the first damaged header. Members continued from a previous volume are
// found by name but not listed.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileMapping.h"
#include "readers/archives/TableArchiveHandler.h"

class CAceArchive : public CTableArchiveHandler {
public:
    // Header flag of a file header: the member goes on from a previous volume.
    static constexpr std::uint16_t kFlagContinuedFromPrevious = 0x1000;
    // Bytes of a file in which the main header is looked for.
    static constexpr std::uint64_t kMainHeaderSearch = 0x10000;

    CAceArchive();
    ~CAceArchive() override;

    // Extension "ace", block size 0x10000, flags usable and cannot-unpack.
    BOOL Init() override;
    BOOL IsEntryOpen(int) const override { return FALSE; }
    BOOL OpenEntry(int) override {
        SetFailure(ArchiveFailure::UnsupportedMethod);
        return FALSE;
    }
    BOOL CloseEntry(int) override { return TRUE; }
    int Read(int, void*, int) override { return SetFailure(ArchiveFailure::BadMember); }
    std::int64_t GetBytesRead(int) const override { return -1; }

protected:
    bool OpenArchive(const std::string& path) override;
    void CloseArchive() override;
    bool IsHiddenMember(int i) const override;

private:
    // One header block as read.
    struct Block {
        bool crcMatches = false;
        std::uint8_t type = 0;
        std::uint16_t flags = 0;
        std::vector<std::uint8_t> bytes;  // the header from its type byte on
        std::uint64_t next = 0;           // the offset of the next block
    };

    // Reads the block at `offset`; false when it is cut short or too small
    // for its type, flags and data size.
    bool ReadBlock(std::uint64_t offset, Block* block) const;
    // Looks for the main header; its volume number and the offset after it.
    bool FindMainHeader(int* volume, std::uint64_t* next) const;
    void ReadMembers(std::uint64_t offset);

    zb::PositionedReader m_file;
    std::uint64_t m_nFileSize = 0;
    std::vector<std::uint16_t> m_flags;  // per member record: the header flags
};

std::unique_ptr<CArchiveHandler> CreateAceArchiveHandler();
