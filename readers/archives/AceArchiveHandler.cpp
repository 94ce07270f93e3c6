#include "readers/archives/AceArchiveHandler.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "platform/ByteReader.h"
#include "platform/FileTime.h"
#include "readers/archives/ArchiveName.h"

namespace {

constexpr char kSignature[] = "**ACE**";
constexpr std::size_t kSignatureSize = 7;
// The signature stands 7 bytes into the main header's block.
constexpr std::size_t kSignatureOffset = 7;
constexpr std::size_t kScanBuffer = 1024;
constexpr std::size_t kScanStep = 512;

constexpr std::uint8_t kTypeMain = 0;
constexpr std::uint8_t kTypeFile = 1;
constexpr std::uint16_t kFlagDataSize = 0x0001;

// Offsets inside a header from its type byte (the block's offset 4).
constexpr std::size_t kTypeAndFlags = 3;
constexpr std::size_t kDataSizeEnd = 7;
constexpr std::size_t kVolumeAt = 13;
constexpr std::size_t kSizeAt = 7, kTimeAt = 11, kAttributesAt = 15;
constexpr std::size_t kNameLengthAt = 29, kNameAt = 31;

constexpr std::size_t kMaxMembers = 1'000'000;

// The header check: the low 16 bits of a CRC-32 without its final inversion.
std::uint16_t HeaderCheck(const std::uint8_t* data, std::size_t size) {
    return static_cast<std::uint16_t>(~crc32(0, data, static_cast<uInt>(size)) & 0xFFFF);
}

}  // namespace

CAceArchive::CAceArchive() = default;

CAceArchive::~CAceArchive() {
    Close();
}

BOOL CAceArchive::Init() {
    m_arrExtensions = {"ace"};
    m_nBlockSize = 0x10000;
    m_nFlags = ARCHIVE_FLAG_USABLE | ARCHIVE_FLAG_NO_UNPACK;
    return TRUE;
}

bool CAceArchive::OpenArchive(const std::string& path) {
    if (!OpenArchiveFile(m_file, path, &m_nFileSize)) {
        return false;
    }
    int volume = 0;
    std::uint64_t next = 0;
    if (!FindMainHeader(&volume, &next) || volume != 0) {
        return false;  // no ACE archive, or not the first volume of a set
    }
    ReadMembers(next);
    AddMissingFolders();
    SortMembers();
    return true;
}

void CAceArchive::CloseArchive() {
    m_flags.clear();
    m_file.Close();
    m_nFileSize = 0;
}

bool CAceArchive::IsHiddenMember(int i) const {
    const CArchiveMember* member = GetMember(i);
    return member != nullptr && member->m_nRecord < m_flags.size() &&
           (m_flags[member->m_nRecord] & kFlagContinuedFromPrevious) != 0;
}

bool CAceArchive::ReadBlock(std::uint64_t offset, Block* block) const {
    std::uint8_t prefix[4];
    if (m_file.ReadAt(offset, prefix, sizeof prefix) != static_cast<std::int64_t>(sizeof prefix)) {
        return false;
    }
    const std::uint16_t check = zb::LoadLe16(prefix);
    const std::size_t size = zb::LoadLe16(prefix + 2);
    if (size < kTypeAndFlags) {
        return false;
    }
    block->bytes.resize(size);
    if (m_file.ReadAt(offset + sizeof prefix, block->bytes.data(), size) !=
        static_cast<std::int64_t>(size)) {
        return false;
    }
    const std::uint8_t* header = block->bytes.data();
    block->crcMatches = HeaderCheck(header, size) == check;
    block->type = header[0];
    block->flags = zb::LoadLe16(header + 1);
    std::uint64_t dataSize = 0;
    if ((block->flags & kFlagDataSize) != 0) {
        if (size < kDataSizeEnd) {
            return false;
        }
        dataSize = zb::LoadLe32(header + 3);
    }
    block->next = offset + sizeof prefix + size + dataSize;
    return true;
}

bool CAceArchive::FindMainHeader(int* volume, std::uint64_t* next) const {
    // Buffers of 1,024 bytes overlap by half; each signature is tried once.
    // The scan keeps its own offset, so a candidate header that turns out
    // false never moves the search past a real one behind it.
    const std::uint64_t limit = std::min(m_nFileSize, kMainHeaderSearch);
    std::uint8_t buffer[kScanBuffer];
    std::uint64_t tried = 0;  // signature positions below this were tried
    for (std::uint64_t start = 0; start < limit; start += kScanStep) {
        const std::int64_t got = m_file.ReadAt(start, buffer, sizeof buffer);
        if (got < static_cast<std::int64_t>(kSignatureSize)) {
            return false;
        }
        for (std::size_t p = 0; p + kSignatureSize <= static_cast<std::size_t>(got); ++p) {
            const std::uint64_t at = start + p;
            if (at < tried || at >= limit ||
                std::memcmp(buffer + p, kSignature, kSignatureSize) != 0) {
                continue;
            }
            tried = at + 1;
            Block block;
            if (at < kSignatureOffset || !ReadBlock(at - kSignatureOffset, &block) ||
                !block.crcMatches || block.type != kTypeMain || block.bytes.size() <= kVolumeAt) {
                continue;
            }
            *volume = block.bytes[kVolumeAt];
            *next = block.next;
            return true;
        }
        if (got < static_cast<std::int64_t>(sizeof buffer)) {
            return false;
        }
    }
    return false;
}

void CAceArchive::ReadMembers(std::uint64_t offset) {
    Block block;
    while (m_flags.size() < kMaxMembers && offset < m_nFileSize && ReadBlock(offset, &block) &&
           block.crcMatches) {
        offset = block.next;
        if (block.type != kTypeFile) {
            continue;
        }
        const std::vector<std::uint8_t>& h = block.bytes;
        if (h.size() < kNameAt) {
            return;  // too short for a file header's fields
        }
        const std::size_t nameLength =
            std::min<std::size_t>(zb::LoadLe16(&h[kNameLengthAt]), h.size() - kNameAt);
        // The name is cut at the header's end (and at a zero byte).
        const char* name = reinterpret_cast<const char*>(&h[kNameAt]);
        const std::string raw(name, strnlen(name, nameLength));
        const std::uint32_t dateTime = zb::LoadLe32(&h[kTimeAt]);
        FILETIME time{};
        if (!DosDateTimeToFileTime(static_cast<WORD>(dateTime >> 16),
                                   static_cast<WORD>(dateTime & 0xFFFF), &time)) {
            time = FILETIME{};
        }
        const DWORD attributes = zb::LoadLe32(&h[kAttributesAt]);
        const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        AddMember(DecodeArchiveName(raw, false), folder ? 0 : zb::LoadLe32(&h[kSizeAt]), time,
                  attributes, m_flags.size());
        m_flags.push_back(block.flags);
    }
}

std::unique_ptr<CArchiveHandler> CreateAceArchiveHandler() {
    return std::make_unique<CAceArchive>();
}
