#pragma once
// The reader of ZIP (and PAK) archives. It lists the members from the central
// directory (ZIP64 end records and size fields included) and reads stored and
// deflated members. The archive is read with positioned reads, never mapped,
// so a file that shrinks while it is open gives read failures, not faults.
//
// Member names are decoded to UTF-8 (see ZipEntryName.h) and listed as they
// are stored, "/" turned into "\": names with ".." or a leading separator are
// kept as they are, since building paths on disk from them is the extraction
// code's task. Sizes, checksums and the method come from the central
// directory, so members written with a trailing data descriptor read in full.
// Encrypted members and members in other methods are listed but cannot be
// opened for reading. An archive whose members share or overlap their data
// (a few bytes that would unpack to gigabytes under thousands of names), or
// whose local header names a member other than the central directory does,
// is refused, as careful readers refuse it.
//
// Failure reasons (GetLastFailure): CannotOpen when the file cannot be read;
// BadArchive for no end record, a bad signature, a bad range or corrupt
// member data; UnsupportedMethod for a method other than stored (0) and
// deflated (8); BadMember for a bad index, a folder or a member not open;
// Encrypted; DecoderFailed when inflate cannot be set up.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileMapping.h"
#include "readers/archives/TableArchiveHandler.h"

class CZipArchive : public CTableArchiveHandler {
public:
    CZipArchive();
    ~CZipArchive() override;

    // Extensions "zip" and "pak", block size 0x10000, flags usable.
    BOOL Init() override;

    BOOL IsEntryOpen(int i) const override;
    // Opens member i from its first byte (again from the start if it is
    // already open); 0 for a folder, an encrypted member or another method.
    BOOL OpenEntry(int i) override;
    BOOL CloseEntry(int i) override;
    // The bytes placed in the buffer; 0 at the end of the member; -1 on
    // failure: member not open, data that ends before the member's size,
    // corrupt compressed data, or a checksum that does not match (reported
    // instead of the member's last bytes). After a failure every further
    // read of that opening fails.
    int Read(int i, void* buffer, int count) override;
    std::int64_t GetBytesRead(int i) const override;

protected:
    bool OpenArchive(const std::string& path) override;
    void CloseArchive() override;

private:
    // Where one member's data lies and how it is coded.
    struct CEntryRecord {
        std::uint64_t m_nLocalOffset = 0;  // where its local header lies in the file
        std::uint64_t m_nDataOffset = 0;
        std::uint64_t m_nCompressedSize = 0;
        std::uint64_t m_nSize = 0;
        std::uint32_t m_nCrc = 0;
        std::uint16_t m_nMethod = 0;
        bool m_bEncrypted = false;
    };
    // What the end records say about the central directory.
    struct CDirectoryLocation {
        std::uint64_t m_nEndOffset = 0;  // offset of the end record that describes it
        std::uint64_t m_nEntries = 0;
        std::uint64_t m_nSize = 0;
        std::uint64_t m_nOffset = 0;  // as stored, before the prefix bias
    };
    struct CReadState;

    bool FindDirectory(CDirectoryLocation* location) const;
    bool ReadEndCandidate(std::uint64_t offset, const std::uint8_t* record,
                          CDirectoryLocation* location) const;
    bool ReadDirectory(const CDirectoryLocation& location);
    // Finds the member's local header at `offset`, or at `offset` + bias for
    // an archive with bytes in front of it, holding the name `rawName` the
    // central directory gives; fills the offsets and the time.
    bool ReadLocalHeader(std::uint64_t offset, std::uint64_t bias, std::string_view rawName,
                         CEntryRecord* record, FILETIME* time) const;
    // Whether every member's local header and data lie apart from every other
    // member's.
    bool MembersLieApart() const;
    int Inflate(CReadState& state, const CEntryRecord& record, std::uint8_t* out, int count);
    CReadState* StateOf(int i) const;

    zb::PositionedReader m_file;
    std::uint64_t m_nFileSize = 0;
    std::vector<CEntryRecord> m_records;
    std::vector<std::unique_ptr<CReadState>> m_states;  // per record; null while not open
};

std::unique_ptr<CArchiveHandler> CreateZipArchiveHandler();
