#include "platform/PeImage.h"

#include <algorithm>

namespace zb {

namespace {

constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kMagicPe32 = 0x10B;
constexpr std::uint16_t kMagicPe32Plus = 0x20B;
constexpr std::uint32_t kSubdirectory = 0x80000000u;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kFileHeaderSize = 24;  // signature and file header

}  // namespace

bool PeImage::Open(ByteSource& source) {
    m_source = nullptr;
    m_sections.clear();
    m_resourceRva = m_resourceSize = 0;
    std::uint16_t mz = 0;
    std::uint32_t peOffset = 0;
    if (!source.Le16At(0, mz) || mz != 0x5A4D || !source.Le32At(0x3C, peOffset)) {
        return false;
    }
    std::vector<std::uint8_t> bytes;
    if (!source.ReadAt(peOffset, kFileHeaderSize + 2, bytes)) {
        return false;
    }
    ByteReader header(bytes);
    const std::uint32_t signature = header.U32Le();
    header.Skip(2);  // machine
    const std::uint16_t sectionCount = header.U16Le();
    header.Skip(12);  // time stamp, symbol table
    const std::uint16_t optionalSize = header.U16Le();
    header.Skip(2);  // characteristics
    const std::uint16_t magic = header.U16Le();
    if (signature != kPeSignature || (magic != kMagicPe32 && magic != kMagicPe32Plus)) {
        return false;
    }
    // The resource entry of the data directories, inside the optional header.
    const std::uint64_t optionalOffset = static_cast<std::uint64_t>(peOffset) + kFileHeaderSize;
    const std::uint32_t countOffset = magic == kMagicPe32 ? 92 : 108;
    const std::uint32_t entryOffset = countOffset + 4 + 8 * kResourceDirectory;
    std::uint32_t directoryCount = 0;
    if (entryOffset + 8 <= optionalSize &&
        source.Le32At(optionalOffset + countOffset, directoryCount) &&
        directoryCount > kResourceDirectory) {
        if (!source.Le32At(optionalOffset + entryOffset, m_resourceRva) ||
            !source.Le32At(optionalOffset + entryOffset + 4, m_resourceSize)) {
            return false;
        }
    }
    if (!source.ReadAt(optionalOffset + optionalSize,
                       static_cast<std::uint64_t>(sectionCount) * kSectionHeaderSize, bytes)) {
        return false;
    }
    ByteReader table(bytes);
    m_sections.resize(sectionCount);
    for (Section& section : m_sections) {
        table.Skip(8);  // name
        section.virtualSize = table.U32Le();
        section.virtualAddress = table.U32Le();
        section.rawSize = table.U32Le();
        section.rawOffset = table.U32Le();
        table.Skip(16);
    }
    m_source = &source;
    return true;
}

bool PeImage::RvaToOffset(std::uint64_t rva, std::uint64_t length, std::uint64_t& offset) const {
    for (const Section& section : m_sections) {
        const std::uint64_t extent = std::max(section.virtualSize, section.rawSize);
        if (rva < section.virtualAddress || rva - section.virtualAddress >= extent) {
            continue;
        }
        const std::uint64_t inside = rva - section.virtualAddress;
        if (!RangeFits(inside, length, section.rawSize)) {
            return false;
        }
        offset = static_cast<std::uint64_t>(section.rawOffset) + inside;
        return RangeFits(offset, length, m_source->Size());
    }
    return false;
}

bool PeImage::ReadDirectory(std::uint32_t offset, std::vector<DirectoryEntry>& entries) const {
    // Offsets inside the resource directory count from its start.
    entries.clear();
    std::uint64_t position = 0;
    std::vector<std::uint8_t> bytes;
    if (offset >= m_resourceSize ||
        !RvaToOffset(std::uint64_t{m_resourceRva} + offset, 16, position) ||
        !m_source->ReadAt(position, 16, bytes)) {
        return false;
    }
    const std::uint32_t count =
        static_cast<std::uint32_t>(LoadLe16(&bytes[12])) + LoadLe16(&bytes[14]);
    if (!RvaToOffset(std::uint64_t{m_resourceRva} + offset + 16, std::uint64_t{count} * 8,
                     position) ||
        !m_source->ReadAt(position, static_cast<std::uint64_t>(count) * 8, bytes)) {
        return false;
    }
    ByteReader list(bytes);
    entries.resize(count);
    for (DirectoryEntry& entry : entries) {
        entry.name = list.U32Le();
        entry.target = list.U32Le();
    }
    return true;
}

bool PeImage::FindResource(std::uint32_t type, std::uint32_t name, std::uint64_t& offset,
                           std::uint32_t& size) const {
    if (m_source == nullptr || m_resourceRva == 0 || m_resourceSize == 0) {
        return false;
    }
    // Exactly three levels: type, name, language; each level's target must
    // be a subdirectory except the last, so the walk cannot go round.
    std::vector<DirectoryEntry> entries;
    if (!ReadDirectory(0, entries)) {
        return false;
    }
    const auto typeEntry = std::find_if(
        entries.begin(), entries.end(),
        [&](const DirectoryEntry& e) { return e.name == type && (e.target & kSubdirectory) != 0; });
    if (typeEntry == entries.end() || !ReadDirectory(typeEntry->target & ~kSubdirectory, entries) ||
        entries.empty()) {
        return false;
    }
    auto nameEntry = std::find_if(entries.begin(), entries.end(),
                                  [&](const DirectoryEntry& e) { return e.name == name; });
    if (nameEntry == entries.end()) {
        nameEntry = entries.begin();
    }
    if ((nameEntry->target & kSubdirectory) == 0 ||
        !ReadDirectory(nameEntry->target & ~kSubdirectory, entries) || entries.empty() ||
        (entries.front().target & kSubdirectory) != 0) {
        return false;
    }
    std::uint64_t position = 0;
    std::vector<std::uint8_t> bytes;
    const std::uint32_t dataEntry = entries.front().target;
    if (dataEntry >= m_resourceSize ||
        !RvaToOffset(std::uint64_t{m_resourceRva} + dataEntry, 16, position) ||
        !m_source->ReadAt(position, 8, bytes)) {
        return false;
    }
    size = LoadLe32(&bytes[4]);
    return RvaToOffset(LoadLe32(&bytes[0]), size, offset);
}

}  // namespace zb
