#pragma once
// The reader of ARJ archives, self-extracting ones included (the first
// header is looked for in the first 500,000 bytes), and of multi-volume sets
// (.arj, .a01, .a02, ...). It lists the local file headers, adds the folders
// that only appear in paths, and reads members stored (method 0) or
// compressed with methods 1 to 4.
//
// A member that goes on in the next volume reads on there through a reader
// of that volume, which this one owns, and so on along the set; its recorded
// size is only the part in the first volume, so extraction reads it to its
// end (flags usable and read-to-end). A member whose next volume is missing
// fails after the part in hand. The continuation of a member in a later
// volume is found by name but never listed. Garbled (password) members are
// listed but cannot be opened. Folders are the headers of file type 3;
// names keep their case and are found in any case.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileMapping.h"
#include "readers/archives/ArjDecoder.h"
#include "readers/archives/BitReader.h"
#include "readers/archives/TableArchiveHandler.h"

class CArjArchive : public CTableArchiveHandler {
public:
    // ARJ flags of a header.
    static constexpr std::uint8_t kFlagGarbled = 0x01;
    static constexpr std::uint8_t kFlagContinuesInNext = 0x04;
    static constexpr std::uint8_t kFlagContinuedFromPrevious = 0x08;

    // Bytes of a file searched for the first header.
    static constexpr std::uint64_t kMaxHeaderOffset = 500000;

    CArjArchive();
    ~CArjArchive() override;

    // Extension "arj", block size 0x10000, flags usable and read-to-end.
    BOOL Init() override;
    // ".arj" and the volume names ".a00" to ".a99", in any case.
    BOOL MatchExtension(const std::string& name) const override;

    BOOL IsEntryOpen(int i) const override;
    // 0 for a bad index, a folder, a garbled member, a method above 4, or
    // while a member is open.
    BOOL OpenEntry(int i) override;
    BOOL CloseEntry(int i) override;
    // The bytes placed in the buffer, read on into the next volumes; 0 at the
    // end of the member; -1 on failure: member not open, data that ends
    // early, corrupt data, a checksum that does not match (instead of the
    // last bytes of a volume's part), or a next volume that is missing or
    // does not continue the member.
    int Read(int i, void* buffer, int count) override;
    std::int64_t GetBytesRead(int i) const override;

protected:
    bool OpenArchive(const std::string& path) override;
    void CloseArchive() override;
    bool IsHiddenMember(int i) const override;

private:
    struct Record {
        std::uint64_t dataOffset = 0;
        std::uint32_t packedSize = 0;
        std::uint32_t size = 0;
        std::uint32_t crc = 0;
        std::uint8_t method = 0;
        std::uint8_t flags = 0;
    };
    // One header as read.
    struct Header {
        std::uint8_t flags = 0;
        std::uint8_t method = 0;
        std::uint8_t fileType = 0;
        std::uint8_t host = 0;
        std::uint32_t time = 0;  // DOS date and time; a Unix time from a Unix host
        std::uint32_t packedSize = 0;
        std::uint32_t size = 0;
        std::uint32_t crc = 0;
        std::uint16_t mode = 0;
        std::string name;
        std::uint64_t end = 0;  // the offset after the header and its extended headers
    };
    enum class HeaderResult { Read, End, Bad };

    // The offset of the first header: the first 0x60 0xEA in the first
    // 500,000 bytes that starts a header with a matching CRC.
    bool FindFirstHeader(std::uint64_t* offset) const;
    HeaderResult ReadHeader(std::uint64_t offset, Header* header) const;
    // Reads the part of the open member in this volume.
    int ReadHere(std::uint8_t* out, int count);
    // Hands the open member on to the next volume's reader; false when that
    // volume or the member's continuation in it is missing.
    bool ContinueInNextVolume();
    const Record* OpenRecord() const;

    struct OpenMember;
    zb::PositionedReader m_file;
    std::uint64_t m_nFileSize = 0;
    std::vector<Record> m_records;
    std::unique_ptr<OpenMember> m_open;
    std::unique_ptr<CArjArchive> m_next;  // the next volume, once needed
};

std::unique_ptr<CArchiveHandler> CreateArjArchiveHandler();
