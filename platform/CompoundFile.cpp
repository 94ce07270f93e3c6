#include "platform/CompoundFile.h"

#include <algorithm>

#include "platform/TextCase.h"
#include "platform/TextCodec.h"

namespace zb {

namespace {

constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::size_t kHeaderSize = 512;
constexpr std::size_t kHeaderFatEntries = 109;
constexpr std::size_t kEntrySize = 128;
constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFAu;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFEu;
constexpr std::uint32_t kMiniSectorSize = 64;
constexpr std::uint64_t kMiniStreamCutoff = 4096;

CompoundEntry ParseEntry(ByteReader entry) {
    CompoundEntry result;
    const ByteSpan name = entry.Bytes(64);
    const std::uint16_t nameBytes = entry.U16Le();
    result.type = entry.U8();
    entry.Skip(1);  // colour of the red-black tree
    result.left = entry.U32Le();
    result.right = entry.U32Le();
    result.child = entry.U32Le();
    const ByteSpan clsid = entry.Bytes(16);
    std::copy(clsid.begin(), clsid.end(), result.clsid.begin());
    entry.Skip(4 + 8 + 8);  // state bits, creation and modification times
    result.startSector = entry.U32Le();
    result.size = entry.U64Le();
    // The name's length counts its terminating NUL; the text ends at the first NUL anyway.
    const std::size_t length = std::min<std::size_t>(nameBytes, name.size()) & ~std::size_t{1};
    result.name = std::string(UntilNul(Utf16LeToUtf8(name.first(length))));
    return result;
}

}  // namespace

bool CompoundFile::Open(const std::string& path) {
    return Open(OpenFileSource(path));
}

bool CompoundFile::Open(std::unique_ptr<ByteSource> source) {
    Close();
    if (!source) {
        return false;
    }
    m_source = std::move(source);
    if (!ReadHeaderAndDirectory()) {
        Close();
        return false;
    }
    return true;
}

void CompoundFile::Close() {
    m_source.reset();
    m_majorVersion = 0;
    m_sectorShift = m_sectorSize = m_sectorCount = 0;
    m_firstMiniFatSector = m_miniFatSectorCount = 0;
    m_fatSectors.clear();
    m_cachedFatIndex = 0xFFFFFFFFu;
    m_cachedFat.clear();
    m_entries.clear();
    m_miniStreamLoaded = m_miniStreamOk = false;
    m_miniFat.clear();
    m_miniStreamSectors.clear();
    m_miniStreamSize = 0;
}

bool CompoundFile::ReadHeaderAndDirectory() {
    std::vector<std::uint8_t> header;
    if (!m_source->ReadAt(0, kHeaderSize, header) ||
        !std::equal(std::begin(kSignature), std::end(kSignature), header.begin())) {
        return false;
    }
    ByteReader fields(header);
    fields.Seek(26);
    m_majorVersion = fields.U16Le();
    const std::uint16_t byteOrder = fields.U16Le();
    m_sectorShift = fields.U16Le();
    const std::uint16_t miniSectorShift = fields.U16Le();
    fields.Seek(44);
    const std::uint32_t fatSectors = fields.U32Le();
    const std::uint32_t firstDirectorySector = fields.U32Le();
    fields.Skip(8);  // transaction signature, mini stream cut-off (always 4096)
    m_firstMiniFatSector = fields.U32Le();
    m_miniFatSectorCount = fields.U32Le();
    if ((m_majorVersion != 3 && m_majorVersion != 4) || byteOrder != 0xFFFE ||
        (m_sectorShift != 9 && m_sectorShift != 12) || miniSectorShift != 6) {
        return false;
    }
    m_sectorSize = 1u << m_sectorShift;
    // The header fills the first sector; a last sector cut short still counts.
    const std::uint64_t size = m_source->Size();
    const std::uint64_t sectors = size > m_sectorSize ? (size - 1) / m_sectorSize : 0;
    m_sectorCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(sectors, kMaxRegularSector));
    if (!ReadFatSectorList(header, fatSectors)) {
        return false;
    }

    std::vector<std::uint32_t> directory;
    std::vector<std::uint8_t> bytes;
    if (!Chain(firstDirectorySector, m_sectorCount, directory) ||
        !ReadSectors(directory, static_cast<std::uint64_t>(directory.size()) * m_sectorSize,
                     bytes)) {
        return false;
    }
    const ByteReader all(bytes);
    m_entries.reserve(bytes.size() / kEntrySize);
    for (std::size_t offset = 0; offset + kEntrySize <= bytes.size(); offset += kEntrySize) {
        m_entries.push_back(ParseEntry(all.Sub(offset, kEntrySize)));
    }
    return !m_entries.empty() && m_entries[kRootEntry].type == CompoundEntry::kRoot;
}

bool CompoundFile::ReadFatSectorList(const std::vector<std::uint8_t>& header,
                                     std::uint32_t fatSectors) {
    // Every table sector is a sector of the file, so a larger count is damage.
    if (fatSectors > m_sectorCount) {
        return false;
    }
    m_fatSectors.reserve(fatSectors);
    ByteReader first(header);
    first.Seek(76);
    for (std::size_t i = 0; i < kHeaderFatEntries && m_fatSectors.size() < fatSectors; ++i) {
        m_fatSectors.push_back(first.U32Le());
    }
    ByteReader fields(header);
    fields.Seek(68);
    std::uint32_t listSector = fields.U32Le();
    const std::uint32_t perSector =
        m_sectorSize / 4 - 1;  // the last entry links to the next sector
    std::vector<bool> seen(m_sectorCount, false);
    std::vector<std::uint8_t> bytes;
    while (m_fatSectors.size() < fatSectors) {
        if (listSector >= m_sectorCount || seen[listSector] ||
            !m_source->ReadAt(SectorOffset(listSector), m_sectorSize, bytes)) {
            return false;
        }
        seen[listSector] = true;
        ByteReader list(bytes);
        for (std::uint32_t i = 0; i < perSector && m_fatSectors.size() < fatSectors; ++i) {
            m_fatSectors.push_back(list.U32Le());
        }
        list.Seek(static_cast<std::uint64_t>(perSector) * 4);
        listSector = list.U32Le();
    }
    return true;
}

std::uint64_t CompoundFile::SectorOffset(std::uint32_t sector) const {
    return (static_cast<std::uint64_t>(sector) + 1) << m_sectorShift;
}

bool CompoundFile::NextSector(std::uint32_t sector, std::uint32_t& next) {
    const std::uint32_t perSector = m_sectorSize / 4;
    const std::uint32_t index = sector / perSector;
    if (index >= m_fatSectors.size()) {
        return false;
    }
    if (index != m_cachedFatIndex) {
        const std::uint32_t fatSector = m_fatSectors[index];
        std::vector<std::uint8_t> bytes;
        if (fatSector >= m_sectorCount ||
            !m_source->ReadAt(SectorOffset(fatSector), m_sectorSize, bytes)) {
            return false;
        }
        ByteReader table(bytes);
        m_cachedFat.resize(perSector);
        for (std::uint32_t& entry : m_cachedFat) {
            entry = table.U32Le();
        }
        m_cachedFatIndex = index;
    }
    next = m_cachedFat[sector % perSector];
    return true;
}

bool CompoundFile::Chain(std::uint32_t start, std::uint64_t count,
                         std::vector<std::uint32_t>& sectors) {
    // A chain holds each sector once, so it is never longer than the file's
    // sectors; meeting a sector again means a loop.
    sectors.clear();
    std::vector<bool> seen(m_sectorCount, false);
    std::uint32_t sector = start;
    while (sectors.size() < count) {
        if (sector == kEndOfChain) {
            // The chain of a stream of known size must not end early.
            return count >= m_sectorCount;
        }
        if (sector >= m_sectorCount || seen[sector]) {
            return false;
        }
        seen[sector] = true;
        sectors.push_back(sector);
        if (sectors.size() < count && !NextSector(sector, sector)) {
            return false;
        }
    }
    return true;
}

bool CompoundFile::ReadSectors(const std::vector<std::uint32_t>& sectors, std::uint64_t size,
                               std::vector<std::uint8_t>& out) {
    if (size > static_cast<std::uint64_t>(sectors.size()) * m_sectorSize) {
        return false;
    }
    out.assign(static_cast<std::size_t>(size), 0);
    std::uint64_t done = 0;
    // Runs of consecutive sectors are read with one call.
    for (std::size_t i = 0; i < sectors.size() && done < size;) {
        std::size_t run = 1;
        while (i + run < sectors.size() && sectors[i + run] == sectors[i] + run) {
            ++run;
        }
        const std::uint64_t length =
            std::min<std::uint64_t>(static_cast<std::uint64_t>(run) * m_sectorSize, size - done);
        if (!m_source->ReadAt(SectorOffset(sectors[i]), out.data() + done,
                              static_cast<std::size_t>(length))) {
            out.clear();
            return false;
        }
        done += length;
        i += run;
    }
    return true;
}

std::uint64_t CompoundFile::StreamSize(const CompoundEntry& entry) const {
    return m_majorVersion == 3 ? (entry.size & 0xFFFFFFFFu) : entry.size;
}

bool CompoundFile::LoadMiniStream() {
    if (m_miniStreamLoaded) {
        return m_miniStreamOk;
    }
    m_miniStreamLoaded = true;
    const CompoundEntry& root = m_entries[kRootEntry];
    m_miniStreamSize = StreamSize(root);
    std::vector<std::uint32_t> sectors;
    std::vector<std::uint8_t> bytes;
    if (m_miniStreamSize > m_source->Size() || m_miniFatSectorCount > m_sectorCount ||
        !Chain(m_firstMiniFatSector, m_miniFatSectorCount, sectors) ||
        !ReadSectors(sectors, static_cast<std::uint64_t>(sectors.size()) * m_sectorSize, bytes)) {
        m_miniStreamSize = 0;
        return false;
    }
    ByteReader table(bytes);
    m_miniFat.resize(bytes.size() / 4);
    for (std::uint32_t& entry : m_miniFat) {
        entry = table.U32Le();
    }
    const std::uint64_t needed = (m_miniStreamSize + m_sectorSize - 1) / m_sectorSize;
    if (!Chain(root.startSector, needed, m_miniStreamSectors)) {
        m_miniStreamSectors.clear();
        m_miniStreamSize = 0;
        return false;
    }
    m_miniStreamOk = true;
    return true;
}

bool CompoundFile::ReadMiniStream(std::uint32_t start, std::uint64_t size,
                                  std::vector<std::uint8_t>& out) {
    if (!LoadMiniStream()) {
        return false;
    }
    out.assign(static_cast<std::size_t>(size), 0);
    std::vector<bool> seen(m_miniFat.size(), false);
    std::uint32_t miniSector = start;
    for (std::uint64_t done = 0; done < size; done += kMiniSectorSize) {
        if (miniSector >= m_miniFat.size() || seen[miniSector]) {
            out.clear();
            return false;
        }
        seen[miniSector] = true;
        const std::uint64_t position = static_cast<std::uint64_t>(miniSector) * kMiniSectorSize;
        const std::uint64_t length = std::min<std::uint64_t>(kMiniSectorSize, size - done);
        const std::uint64_t index = position >> m_sectorShift;
        if (!RangeFits(position, length, m_miniStreamSize) || index >= m_miniStreamSectors.size() ||
            !m_source->ReadAt(
                SectorOffset(m_miniStreamSectors[index]) + (position & (m_sectorSize - 1)),
                out.data() + done, static_cast<std::size_t>(length))) {
            out.clear();
            return false;
        }
        miniSector = m_miniFat[miniSector];
    }
    return true;
}

bool CompoundFile::ReadStream(std::uint32_t entry, std::uint64_t maxSize,
                              std::vector<std::uint8_t>& out) {
    out.clear();
    if (!IsOpen() || entry >= m_entries.size() || m_entries[entry].type != CompoundEntry::kStream) {
        return false;
    }
    const CompoundEntry& stream = m_entries[entry];
    const std::uint64_t size = StreamSize(stream);
    if (size > maxSize || size > m_source->Size()) {
        return false;
    }
    if (size == 0) {
        return true;
    }
    if (size < kMiniStreamCutoff) {
        return ReadMiniStream(stream.startSector, size, out);
    }
    std::vector<std::uint32_t> sectors;
    return Chain(stream.startSector, (size + m_sectorSize - 1) / m_sectorSize, sectors) &&
           ReadSectors(sectors, size, out);
}

std::vector<std::uint32_t> CompoundFile::Children(std::uint32_t storage) const {
    std::vector<std::uint32_t> children;
    if (storage >= m_entries.size() || m_entries[storage].type == CompoundEntry::kStream) {
        return children;
    }
    // In-order walk of the sibling tree; an entry is pushed once at most, so
    // the walk ends after at most one step per entry.
    std::vector<bool> seen(m_entries.size(), false);
    seen[storage] = true;
    std::vector<std::uint32_t> stack;
    std::uint32_t node = m_entries[storage].child;
    while (true) {
        while (node < m_entries.size() && !seen[node]) {
            seen[node] = true;
            stack.push_back(node);
            node = m_entries[node].left;
        }
        if (stack.empty()) {
            break;
        }
        node = stack.back();
        stack.pop_back();
        if (m_entries[node].type != CompoundEntry::kUnused) {
            children.push_back(node);
        }
        node = m_entries[node].right;
    }
    return children;
}

std::uint32_t CompoundFile::FindChild(std::uint32_t storage, std::string_view name) const {
    const std::string wanted = LowerCaseUtf8(name);
    for (const std::uint32_t child : Children(storage)) {
        if (LowerCaseUtf8(m_entries[child].name) == wanted) {
            return child;
        }
    }
    return kNoEntry;
}

bool CompoundFile::ReadRootStream(std::string_view name, std::uint64_t maxSize,
                                  std::vector<std::uint8_t>& out) {
    out.clear();
    const std::uint32_t entry = FindChild(kRootEntry, name);
    return entry != kNoEntry && ReadStream(entry, maxSize, out);
}

}  // namespace zb
