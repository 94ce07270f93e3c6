#pragma once
// The reader for TAR archives, plain or compressed with gzip or bzip2 (the
// compression is recognised by the file's first bytes). The member table is
// read from the 512-byte headers at open; a member is read by moving to its
// data in the decompressed stream, so members can be read in any order.
// The stream keeps up to kReplayLimit decoded bytes, so that reading the
// members of such an archive after the listing (which moves back to the first
// member's data) does not decode it a second time; in a larger compressed
// archive moving backwards decodes it again from the start.
//
// The table keeps the archive's order, except that every member is placed
// right after its folder's entry (a folder the archive lacks is added), so
// that a folder walk finds all of a folder's members. For an archive written
// folder by folder, as tar writes them, that is the archive's own order and
// reading the members in table order never moves backwards.
//
// Names are taken as stored ("/" becomes "\", "." steps are dropped, a NUL
// byte ends them), including absolute names and names with "..": extraction
// sanitises them, the listing does not hide them. GNU long names and pax
// "path" records name the member that follows them; a pax "size" record
// gives its data size. A member named with a trailing "/" is a folder and
// has no data whatever its size field says. GNU sparse members (old GNU and
// pax formats) are listed with their real name and size, but their contents
// are not read (UnsupportedMethod).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "readers/archives/CompressedStream.h"
#include "readers/archives/TableArchiveHandler.h"

class CTarArchive : public CTableArchiveHandler {
public:
    // Most decoded bytes of a compressed archive kept for reading members.
    static constexpr std::size_t kReplayLimit = 16 << 20;

    ~CTarArchive() override;

    // Extensions "tgz", "tar", "tar.gz", "tbz2", "tbz", "tar.bz", "tar.bz2";
    // block size 0x10000; usable.
    BOOL Init() override;
    BOOL IsEntryOpen(int i) const override;
    // 0 for a bad index, a folder or a member already open.
    BOOL OpenEntry(int i) override;
    BOOL CloseEntry(int i) override;
    int Read(int i, void* buffer, int count) override;
    std::int64_t GetBytesRead(int i) const override;

protected:
    bool OpenArchive(const std::string& path) override;
    void CloseArchive() override;

private:
    struct Record {
        std::string name;  // "\" separators; a folder's ends with "\"
        std::int64_t size = 0;
        FILETIME time{};  // local time
        bool folder = false;
        DWORD special = 0;            // the attribute of a link, device or FIFO
        bool sparse = false;          // a GNU sparse member: listed, never read
        std::int64_t dataOffset = 0;  // in the decompressed stream
        std::int64_t position = -1;   // read position; -1 while not open
    };

    // What a pax extended header says about the member that follows it.
    struct PaxValues;
    static PaxValues ParsePax(const std::string& data);

    // Reads every header up to the end-of-archive block; false when the
    // archive is cut short or a header is invalid.
    bool ReadHeaders();
    // Where the data of `size` bytes that starts at the stream's position
    // ends, padded; false when it cannot lie in the archive.
    bool DataEnd(std::int64_t size, std::int64_t* end) const;
    // Records the member of the header `block` (whose size field holds
    // `size`), named by a long name or pax values before it; `next` receives
    // where the next header lies. False for a header that cannot be valid.
    bool ReadMember(const unsigned char* block, std::int64_t size, const std::string& longName,
                    const PaxValues& pax, std::int64_t* next);
    // Reads past the extension blocks of a GNU sparse header.
    bool SkipSparseExtensions(const unsigned char* header);
    // Reads a metadata header's data (long name, pax records) of `size` bytes.
    bool ReadMetadata(std::int64_t size, std::int64_t limit, std::string* data);
    // Fills the member table from the records (see the file comment).
    void FillTable();
    Record* RecordOf(int i);
    const Record* RecordOf(int i) const;

    CCompressedStream m_stream{kReplayLimit};
    std::vector<Record> m_records;  // in archive order
};

std::unique_ptr<CArchiveHandler> CreateTarArchiveHandler();
