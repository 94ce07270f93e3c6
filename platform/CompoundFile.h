#pragma once
// Read-only access to a compound file (structured storage): the header of
// version 3 (512-byte sectors) or 4 (4096-byte sectors), the sector
// allocation table reached through the header's list and its chained list
// sectors, the mini stream with its own table, the directory and its
// storages, and the bytes of a stream.
//
// Every sector number is checked against the sectors the file holds before
// it is read, every chain stops at a sector it has already met, and a stream
// is read only when its size fits the file and the caller's limit, so a
// damaged or hostile file fails a read instead of looping or allocating.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ByteSource.h"

namespace zb {

// One entry of the directory.
struct CompoundEntry {
    static constexpr std::uint8_t kUnused = 0;
    static constexpr std::uint8_t kStorage = 1;
    static constexpr std::uint8_t kStream = 2;
    static constexpr std::uint8_t kRoot = 5;

    std::string name;  // UTF-8
    std::uint8_t type = kUnused;
    std::uint32_t left = 0xFFFFFFFFu;  // siblings: the tree of one storage's children
    std::uint32_t right = 0xFFFFFFFFu;
    std::uint32_t child = 0xFFFFFFFFu;  // root of the tree of this storage's children
    std::array<std::uint8_t, 16> clsid{};
    std::uint32_t startSector = 0;
    std::uint64_t size = 0;  // for a version 3 file only the low 32 bits count
};

class CompoundFile {
public:
    static constexpr std::uint32_t kRootEntry = 0;
    static constexpr std::uint32_t kNoEntry = 0xFFFFFFFFu;

    CompoundFile() = default;
    CompoundFile(const CompoundFile&) = delete;
    CompoundFile& operator=(const CompoundFile&) = delete;

    // Opens the compound file at `path` (a regular file) and reads its header
    // and directory; false (and closed) when it is not a readable compound file.
    bool Open(const std::string& path);
    bool Open(std::unique_ptr<ByteSource> source);
    void Close();
    bool IsOpen() const { return m_source != nullptr; }

    std::uint16_t MajorVersion() const { return m_majorVersion; }
    std::uint32_t SectorSize() const { return m_sectorSize; }

    // The directory; entry 0 is the root storage.
    const std::vector<CompoundEntry>& Entries() const { return m_entries; }

    // The entries directly inside storage `storage` (kRootEntry for the root),
    // in the order of their tree. Each entry is met at most once, so a tree
    // whose links form a cycle still ends.
    std::vector<std::uint32_t> Children(std::uint32_t storage) const;

    // The entry inside `storage` whose name equals `name` (UTF-8) apart from
    // letter case; kNoEntry when there is none.
    std::uint32_t FindChild(std::uint32_t storage, std::string_view name) const;

    // Reads the whole of stream `entry` into `out` when its size is at most
    // `maxSize`; false for another kind of entry, a larger stream or a chain
    // that is broken, loops or runs outside the file.
    bool ReadStream(std::uint32_t entry, std::uint64_t maxSize, std::vector<std::uint8_t>& out);

    // FindChild of the root, then ReadStream.
    bool ReadRootStream(std::string_view name, std::uint64_t maxSize,
                        std::vector<std::uint8_t>& out);

private:
    bool ReadHeaderAndDirectory();
    bool ReadFatSectorList(const std::vector<std::uint8_t>& header, std::uint32_t fatSectors);
    bool NextSector(std::uint32_t sector, std::uint32_t& next);
    bool Chain(std::uint32_t start, std::uint64_t count, std::vector<std::uint32_t>& sectors);
    bool ReadSectors(const std::vector<std::uint32_t>& sectors, std::uint64_t size,
                     std::vector<std::uint8_t>& out);
    bool LoadMiniStream();
    bool ReadMiniStream(std::uint32_t start, std::uint64_t size, std::vector<std::uint8_t>& out);
    std::uint64_t StreamSize(const CompoundEntry& entry) const;
    std::uint64_t SectorOffset(std::uint32_t sector) const;

    std::unique_ptr<ByteSource> m_source;
    std::uint16_t m_majorVersion = 0;
    std::uint32_t m_sectorShift = 0;
    std::uint32_t m_sectorSize = 0;
    std::uint32_t m_sectorCount = 0;  // sectors the file holds after the header
    std::uint32_t m_firstMiniFatSector = 0;
    std::uint32_t m_miniFatSectorCount = 0;
    std::vector<std::uint32_t> m_fatSectors;  // where each sector of the table lies
    std::uint32_t m_cachedFatIndex = 0xFFFFFFFFu;
    std::vector<std::uint32_t> m_cachedFat;  // one sector of the table
    std::vector<CompoundEntry> m_entries;
    bool m_miniStreamLoaded = false;
    bool m_miniStreamOk = false;
    std::vector<std::uint32_t> m_miniFat;
    std::vector<std::uint32_t> m_miniStreamSectors;  // the root entry's chain
    std::uint64_t m_miniStreamSize = 0;
};

}  // namespace zb
