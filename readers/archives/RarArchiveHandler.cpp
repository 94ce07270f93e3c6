#include "readers/archives/RarArchiveHandler.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "platform/ByteReader.h"
#include "platform/FileTime.h"
#include "platform/Log.h"
#include "platform/TextCase.h"
#include "readers/archives/ArchiveName.h"
#include "readers/archives/RarEntryName.h"

namespace {

constexpr std::size_t kMarkerSize = 7;
constexpr char kRarMarker[] = "Rar!\x1A\x07";  // and its terminating zero
constexpr std::size_t kMainHeaderSize = 13;
constexpr std::size_t kBlockBaseSize = 7;    // CRC, type, flags, header size
constexpr std::size_t kFileHeaderSize = 32;  // up to the name
constexpr std::size_t kHighSizeFields = 8;   // high halves of the sizes, with kFlagLarge

constexpr std::uint8_t kTypeFile = 0x74;
constexpr std::uint8_t kTypeEnd = 0x7B;

constexpr std::uint16_t kFlagLarge = 0x0100;        // 64-bit sizes
constexpr std::uint16_t kFlagUnicodeName = 0x0200;  // see RarEntryName.h
constexpr std::uint16_t kFlagDataFollows = 0x8000;
constexpr std::uint16_t kDirectoryMask = 0x00E0;  // all three set: a folder

constexpr std::uint8_t kMethodStored = 0x30;  // '0'
constexpr std::uint8_t kMethodFastest = 0x31;
constexpr std::uint8_t kMethodBest = 0x35;

constexpr std::uint8_t kHostMsDos = 0, kHostOs2 = 1, kHostWindows = 2, kHostUnix = 3;
constexpr std::uint32_t kUnixTypeMask = 0xF000, kUnixDirectory = 0x4000;

// Blocks walked at most before the listing gives up.
constexpr std::size_t kMaxBlocks = 4'000'000;
constexpr std::size_t kMaxMembers = 1'000'000;

bool IsDosHost(std::uint8_t host) {
    return host == kHostMsDos || host == kHostOs2 || host == kHostWindows;
}

// True if the header describes a folder: by its directory flags, or by the
// file type of a Unix host (where attribute 0x10 is a permission bit).
bool IsFolderHeader(std::uint16_t flags, std::uint8_t host, std::uint32_t attributes) {
    if ((flags & kDirectoryMask) == kDirectoryMask) {
        return true;
    }
    if (host == kHostUnix) {
        return (attributes & kUnixTypeMask) == kUnixDirectory;
    }
    return IsDosHost(host) && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

CRarArchive::CRarArchive() = default;

CRarArchive::~CRarArchive() {
    Close();
}

BOOL CRarArchive::Init() {
    m_arrExtensions = {"rar"};
    m_nBlockSize = 0x10000;
    m_nFlags = ARCHIVE_FLAG_USABLE;
    return TRUE;
}

BOOL CRarArchive::MatchExtension(const std::string& name) const {
    return MatchesVolumeExtension(name, 'r', "ar") ? TRUE : FALSE;
}

bool CRarArchive::OpenArchive(const std::string& path) {
    if (!OpenArchiveFile(m_file, path, &m_nFileSize)) {
        return false;
    }
    std::uint64_t first = 0;
    if (!ReadMainHeader(&first)) {
        return false;
    }
    ReadFileHeaders(first);
    AddMissingFolders();
    SortMembers();
    return true;
}

void CRarArchive::CloseArchive() {
    m_open.reset();
    m_records.clear();
    m_file.Close();
    m_nFileSize = 0;
}

bool CRarArchive::ReadMainHeader(std::uint64_t* next) {
    std::uint8_t marker[kMarkerSize];
    if (m_file.ReadAt(0, marker, sizeof marker) != static_cast<std::int64_t>(sizeof marker)) {
        return false;
    }
    if (std::memcmp(marker, "RE~^", 4) == 0) {
        DebugTrace("Attention: format as OLD detected! Can't handel archive!");
        return false;
    }
    if (std::memcmp(marker, kRarMarker, kMarkerSize) != 0 &&
        std::memcmp(marker, "UniquE!", kMarkerSize) != 0) {
        return false;
    }
    // Some writers repeat the marker block; the main header follows the last.
    std::uint64_t offset = kMarkerSize;
    std::uint8_t header[kMainHeaderSize];
    for (;; offset += kMarkerSize) {
        if (m_file.ReadAt(offset, header, sizeof header) !=
            static_cast<std::int64_t>(sizeof header)) {
            return false;
        }
        if (std::memcmp(header, kRarMarker, kMarkerSize) != 0) {
            break;
        }
    }
    // The rest of the main header (an archive comment, for one) is skipped.
    *next = offset + std::max<std::uint64_t>(zb::LoadLe16(header + 5), kMainHeaderSize);
    return true;
}

void CRarArchive::ReadFileHeaders(std::uint64_t offset) {
    for (std::size_t blocks = 0; blocks < kMaxBlocks && m_records.size() < kMaxMembers; ++blocks) {
        std::uint8_t header[kFileHeaderSize + kHighSizeFields] = {};
        const std::int64_t got = m_file.ReadAt(offset, header, sizeof header);
        if (got < static_cast<std::int64_t>(kBlockBaseSize)) {
            return;
        }
        const std::uint8_t type = header[2];
        const std::uint16_t flags = zb::LoadLe16(header + 3);
        const std::uint16_t headerSize = zb::LoadLe16(header + 5);
        if (headerSize < kBlockBaseSize || type == kTypeEnd) {
            return;
        }
        const bool isFile = type == kTypeFile;
        const std::size_t fixedSize =
            isFile ? kFileHeaderSize + ((flags & kFlagLarge) != 0 ? kHighSizeFields : 0)
                   : kBlockBaseSize + 4;
        std::uint64_t dataSize = 0;
        if (isFile || (flags & kFlagDataFollows) != 0) {
            // The size of the data area after the header is at offset 7.
            if (headerSize < fixedSize || got < static_cast<std::int64_t>(fixedSize)) {
                return;
            }
            dataSize = zb::LoadLe32(header + 7);
            if (isFile && (flags & kFlagLarge) != 0) {
                dataSize |= static_cast<std::uint64_t>(zb::LoadLe32(header + 32)) << 32;
            }
        }
        const std::uint64_t dataOffset = offset + headerSize;
        const std::uint64_t next = dataOffset + dataSize;
        if (next < dataOffset) {
            return;
        }
        if (isFile) {
            const std::size_t nameSize = zb::LoadLe16(header + 26);
            if (nameSize > headerSize - fixedSize) {
                return;  // the name runs past its header
            }
            std::string raw(nameSize, '\0');
            if (m_file.ReadAt(offset + fixedSize, raw.data(), nameSize) !=
                static_cast<std::int64_t>(nameSize)) {
                return;
            }
            Record record;
            record.dataOffset = dataOffset;
            record.packedSize = dataSize;
            record.size = zb::LoadLe32(header + 11);
            if ((flags & kFlagLarge) != 0) {
                record.size |= static_cast<std::uint64_t>(zb::LoadLe32(header + 36)) << 32;
            }
            record.flags = flags;
            record.host = header[15];
            record.crc = zb::LoadLe32(header + 16);
            record.version = header[24];
            record.method = header[25];
            const std::uint32_t attributes = zb::LoadLe32(header + 28);

            const bool folder = IsFolderHeader(flags, record.host, attributes);
            const DWORD shown =
                (IsDosHost(record.host) ? attributes & ~FILE_ATTRIBUTE_DIRECTORY : 0) |
                (folder ? FILE_ATTRIBUTE_DIRECTORY : 0);
            FILETIME time{};
            if (!DosDateTimeToFileTime(zb::LoadLe16(header + 22), zb::LoadLe16(header + 20),
                                       &time)) {
                time = FILETIME{};
            }
            const std::string name =
                DecodeRarEntryName(raw, (flags & kFlagUnicodeName) != 0, record.host == kHostUnix);
            AddMember(LowerCaseUtf8(name), folder ? 0 : static_cast<std::int64_t>(record.size),
                      time, shown, m_records.size());
            m_records.push_back(record);
        }
        offset = next;
    }
}

bool CRarArchive::IsReadable(const Record& record) {
    if ((record.flags & kFlagSolid) != 0) {
        return false;
    }
    if (record.method == kMethodStored) {
        return true;
    }
    // Compressed: only the RAR 2.0 method, from the member's first byte.
    return record.method >= kMethodFastest && record.method <= kMethodBest &&
           (record.version == 20 || record.version == 26) &&
           (record.flags & kFlagContinuedFromPrevious) == 0;
}

CRarArchive::OpenMember* CRarArchive::OpenStateOf(int i) const {
    const CArchiveMember* member = GetMember(i);
    if (member == nullptr || m_open == nullptr || member->m_nRecord != m_open->record) {
        return nullptr;
    }
    return m_open.get();
}

BOOL CRarArchive::IsEntryOpen(int i) const {
    return OpenStateOf(i) != nullptr ? TRUE : FALSE;
}

BOOL CRarArchive::OpenEntry(int i) {
    const CArchiveMember* member = GetMember(i);
    if (member == nullptr || member->IsFolder() || member->m_nRecord >= m_records.size() ||
        m_open != nullptr) {
        SetFailure(ArchiveFailure::BadMember);
        return FALSE;
    }
    const Record& record = m_records[member->m_nRecord];
    if ((record.flags & kFlagEncrypted) != 0) {
        SetFailure(ArchiveFailure::Encrypted);
        return FALSE;
    }
    if (!IsReadable(record)) {
        SetFailure(ArchiveFailure::UnsupportedMethod);
        return FALSE;
    }
    auto open = std::make_unique<OpenMember>();
    open->record = member->m_nRecord;
    if (record.method != kMethodStored) {
        open->source =
            std::make_unique<CFileRangeSource>(m_file, record.dataOffset, record.packedSize);
        open->decoder = std::make_unique<CRar20Decoder>();
        open->decoder->Start(*open->source, record.size);
    }
    m_open = std::move(open);
    return TRUE;
}

BOOL CRarArchive::CloseEntry(int i) {
    if (OpenStateOf(i) != nullptr) {
        m_open.reset();
    }
    return TRUE;
}

std::int64_t CRarArchive::GetBytesRead(int i) const {
    const OpenMember* open = OpenStateOf(i);
    return open != nullptr ? static_cast<std::int64_t>(open->delivered) : -1;
}

int CRarArchive::Fail(OpenMember& member) {
    member.failed = true;
    return SetFailure(ArchiveFailure::BadArchive);
}

int CRarArchive::Read(int i, void* buffer, int count) {
    OpenMember* open = OpenStateOf(i);
    if (open == nullptr || count < 0 || (count > 0 && buffer == nullptr)) {
        return SetFailure(ArchiveFailure::BadMember);
    }
    if (open->failed) {
        return SetFailure(ArchiveFailure::BadArchive);
    }
    const Record& record = m_records[open->record];
    const auto want = static_cast<int>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(count), record.size - open->delivered));
    if (want == 0) {
        return 0;
    }
    auto* out = static_cast<std::uint8_t*>(buffer);
    int got = 0;
    if (open->decoder != nullptr) {
        got = open->decoder->Read(out, want);
    } else {
        got = static_cast<int>(std::min<std::uint64_t>(static_cast<std::uint64_t>(want),
                                                       record.packedSize - open->consumed));
        if (got > 0 && m_file.ReadAt(record.dataOffset + open->consumed, out,
                                     static_cast<std::size_t>(got)) != got) {
            got = -1;
        }
        open->consumed += static_cast<std::uint64_t>(std::max(got, 0));
    }
    if (got <= 0) {
        return Fail(*open);  // the packed data ends before the member does, or is corrupt
    }
    open->crc = static_cast<std::uint32_t>(crc32(open->crc, out, static_cast<uInt>(got)));
    open->delivered += static_cast<std::uint64_t>(got);
    const bool split = (record.flags & (kFlagContinuedFromPrevious | kFlagContinuedInNext)) != 0;
    if (open->delivered == record.size && !split && open->crc != record.crc) {
        return Fail(*open);
    }
    return got;
}

std::unique_ptr<CArchiveHandler> CreateRarArchiveHandler() {
    return std::make_unique<CRarArchive>();
}
