#pragma once
// The reader of RAR archives in the block format of RAR 1.5 to 4.x. It lists
// the file headers of one archive file (each volume of a set opens as an
// archive of its own), adds the folders that only appear in paths, and reads
// stored members and members compressed with the RAR 2.0 method.
//
// Members are listed whatever they hold; OpenEntry refuses the ones whose
// bytes cannot be produced here: encrypted members, members of solid
// archives, members continued from a previous volume that are compressed, and
// compressed members of other unpack versions or unknown methods. A member
// that goes on in the next volume reads to this volume's end and then fails.
// Names are lower-cased, as the archive's listing shows them; folders are
// recognised by the directory flags, or by the host's own file type.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileMapping.h"
#include "readers/archives/BitReader.h"
#include "readers/archives/Rar20Decoder.h"
#include "readers/archives/TableArchiveHandler.h"

class CRarArchive : public CTableArchiveHandler {
public:
    // Header flags of a file header.
    static constexpr std::uint16_t kFlagContinuedFromPrevious = 0x0001;
    static constexpr std::uint16_t kFlagContinuedInNext = 0x0002;
    static constexpr std::uint16_t kFlagEncrypted = 0x0004;
    static constexpr std::uint16_t kFlagSolid = 0x0010;

    CRarArchive();
    ~CRarArchive() override;

    // Extension "rar", block size 0x10000, usable.
    BOOL Init() override;
    // ".rar" and the volume names ".r00" to ".r99", in any case.
    BOOL MatchExtension(const std::string& name) const override;

    BOOL IsEntryOpen(int i) const override;
    // 0 for a bad index, a folder, a member that cannot be read (see above),
    // or while a member is open.
    BOOL OpenEntry(int i) override;
    BOOL CloseEntry(int i) override;
    // The bytes placed in the buffer, 0 at the end of the member, -1 on
    // failure: member not open, packed data that ends early (as a member cut
    // at its volume's end does), corrupt data, or a checksum that does not
    // match (reported instead of the member's last bytes).
    int Read(int i, void* buffer, int count) override;
    std::int64_t GetBytesRead(int i) const override;

protected:
    bool OpenArchive(const std::string& path) override;
    void CloseArchive() override;

private:
    struct Record {
        std::uint64_t dataOffset = 0;
        std::uint64_t packedSize = 0;
        std::uint64_t size = 0;
        std::uint16_t flags = 0;
        std::uint8_t host = 0;
        std::uint8_t version = 0;
        std::uint8_t method = 0;
        std::uint32_t crc = 0;
    };
    // The reading state of the one open member.
    struct OpenMember {
        std::size_t record = 0;
        std::uint64_t consumed = 0;   // packed bytes read (stored members)
        std::uint64_t delivered = 0;  // bytes handed out
        std::uint32_t crc = 0;        // CRC-32 of the bytes handed out
        bool failed = false;
        std::unique_ptr<CFileRangeSource> source;  // compressed members
        std::unique_ptr<CRar20Decoder> decoder;
    };

    // Reads the marker and the main header; the offset of the first block.
    bool ReadMainHeader(std::uint64_t* next);
    // Lists the file headers from `offset` to the end block, the end of the
    // file or the first damaged block.
    void ReadFileHeaders(std::uint64_t offset);
    // Whether the bytes of a member that is not encrypted can be produced
    // (see the file comment).
    static bool IsReadable(const Record& record);
    OpenMember* OpenStateOf(int i) const;
    int Fail(OpenMember& member);

    zb::PositionedReader m_file;
    std::uint64_t m_nFileSize = 0;
    std::vector<Record> m_records;
    std::unique_ptr<OpenMember> m_open;
};

std::unique_ptr<CArchiveHandler> CreateRarArchiveHandler();
