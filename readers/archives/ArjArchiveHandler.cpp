#include "readers/archives/ArjArchiveHandler.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/ByteReader.h"
#include "platform/FileTime.h"
#include "platform/TextCase.h"
#include "readers/archives/ArchiveName.h"

namespace {

constexpr std::uint16_t kHeaderId = 0xEA60;
constexpr std::size_t kMaxHeaderSize = 2600;
// The fixed part of a basic header, up to the name (the first header size
// may be larger).
constexpr std::size_t kMinFirstHeaderSize = 30;
constexpr std::size_t kIdAndSize = 4;
constexpr std::size_t kCrcSize = 4;

constexpr std::uint8_t kFileTypeFolder = 3;
constexpr std::uint8_t kMethodStored = 0;
constexpr std::uint8_t kMaxMethod = 4;
constexpr std::uint8_t kHostMsDos = 0, kHostOs2 = 5, kHostWin95 = 10, kHostWin32 = 11;
constexpr std::uint8_t kHostUnix = 2;

constexpr std::size_t kMaxMembers = 1'000'000;
constexpr int kMaxExtendedHeaders = 1000;
// The last volume name is .a99.
constexpr int kMaxVolumeNumber = 99;

bool IsDosHost(std::uint8_t host) {
    return host == kHostMsDos || host == kHostOs2 || host == kHostWin95 || host == kHostWin32;
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
    return static_cast<std::uint32_t>(crc32(0, data, static_cast<uInt>(size)));
}

// The name of the volume after `path`: .arj gives .a01, .aNN gives .a(NN+1);
// empty after .a99 or for any other extension.
std::string NextVolumeName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() < 4 || name[name.size() - 4] != '.') {
        return {};
    }
    const std::string ext = LowerCaseUtf8(name.substr(name.size() - 3));
    const std::string stem = name.substr(0, name.size() - 3);
    if (ext == "arj") {
        return stem + "a01";
    }
    if (ext[0] != 'a' || !std::isdigit(static_cast<unsigned char>(ext[1])) ||
        !std::isdigit(static_cast<unsigned char>(ext[2]))) {
        return {};
    }
    const int number = (ext[1] - '0') * 10 + (ext[2] - '0');
    if (number >= kMaxVolumeNumber) {
        return {};
    }
    char next[4];
    std::snprintf(next, sizeof next, "a%02d", number + 1);
    return stem + next;
}

}  // namespace

// The reading state of the one open member.
struct CArjArchive::OpenMember {
    int member = -1;
    std::size_t record = 0;
    std::uint64_t delivered = 0;      // bytes handed out, next volumes included
    std::uint32_t hereDelivered = 0;  // bytes of this volume's part handed out
    std::uint32_t consumed = 0;       // packed bytes read (stored members)
    std::uint32_t crc = 0;            // CRC-32 of this volume's part so far
    bool failed = false;
    int nextIndex = -1;  // the member's continuation, open in the next volume's reader
    std::unique_ptr<CFileRangeSource> source;
    std::unique_ptr<CArjDecoder> decoder;
};

CArjArchive::CArjArchive() = default;

CArjArchive::~CArjArchive() {
    Close();
}

BOOL CArjArchive::Init() {
    m_arrExtensions = {"arj"};
    m_nBlockSize = 0x10000;
    m_nFlags = ARCHIVE_FLAG_USABLE | ARCHIVE_FLAG_READ_TO_END;
    return TRUE;
}

BOOL CArjArchive::MatchExtension(const std::string& name) const {
    return MatchesVolumeExtension(name, 'a', "rj") ? TRUE : FALSE;
}

bool CArjArchive::OpenArchive(const std::string& path) {
    if (!OpenArchiveFile(m_file, path, &m_nFileSize)) {
        return false;
    }
    std::uint64_t offset = 0;
    Header header;
    if (!FindFirstHeader(&offset) || ReadHeader(offset, &header) != HeaderResult::Read) {
        return false;
    }
    // The main header is followed by one local header per member.
    offset = header.end;
    while (m_records.size() < kMaxMembers && ReadHeader(offset, &header) == HeaderResult::Read) {
        Record record;
        record.dataOffset = header.end;
        record.packedSize = header.packedSize;
        record.size = header.size;
        record.crc = header.crc;
        record.method = header.method;
        record.flags = header.flags;
        const bool folder = header.fileType == kFileTypeFolder;
        const DWORD attributes =
            (IsDosHost(header.host) ? header.mode & ~FILE_ATTRIBUTE_DIRECTORY : 0) |
            (folder ? FILE_ATTRIBUTE_DIRECTORY : 0);
        FILETIME time{};
        if (header.host == kHostUnix) {
            time = UnixTimeToLocalFileTime(header.time);  // the Unix port stores time_t
        } else if (!DosDateTimeToFileTime(static_cast<WORD>(header.time >> 16),
                                          static_cast<WORD>(header.time & 0xFFFF), &time)) {
            time = FILETIME{};
        }
        AddMember(DecodeArchiveName(header.name, header.host == kHostUnix),
                  folder ? 0 : header.size, time, attributes, m_records.size());
        m_records.push_back(record);
        offset = header.end + header.packedSize;
    }
    AddMissingFolders();
    SortMembers();
    return true;
}

void CArjArchive::CloseArchive() {
    m_open.reset();
    m_next.reset();
    m_records.clear();
    m_file.Close();
    m_nFileSize = 0;
}

bool CArjArchive::IsHiddenMember(int i) const {
    const CArchiveMember* member = GetMember(i);
    return member != nullptr && member->m_nRecord < m_records.size() &&
           (m_records[member->m_nRecord].flags & kFlagContinuedFromPrevious) != 0;
}

bool CArjArchive::FindFirstHeader(std::uint64_t* offset) const {
    const std::uint64_t lastStart =
        std::min<std::uint64_t>(m_nFileSize < 2 ? 0 : m_nFileSize - 2, kMaxHeaderOffset);
    if (m_nFileSize < kIdAndSize) {
        return false;
    }
    const std::size_t span = static_cast<std::size_t>(
        std::min<std::uint64_t>(m_nFileSize, lastStart + kIdAndSize + kMaxHeaderSize + kCrcSize));
    std::vector<std::uint8_t> data(span);
    if (m_file.ReadAt(0, data.data(), span) != static_cast<std::int64_t>(span)) {
        return false;
    }
    for (std::uint64_t p = 0; p <= lastStart && p + kIdAndSize <= span; ++p) {
        if (zb::LoadLe16(&data[p]) != kHeaderId) {
            continue;
        }
        const std::size_t size = zb::LoadLe16(&data[p + 2]);
        // A size below the fixed fields would let an empty header (whose
        // CRC is 0) stand in front of the real one.
        if (size < kMinFirstHeaderSize || size > kMaxHeaderSize ||
            p + kIdAndSize + size + kCrcSize > span) {
            continue;
        }
        const std::uint8_t* basic = &data[p + kIdAndSize];
        if (Crc32(basic, size) == zb::LoadLe32(basic + size)) {
            *offset = p;
            return true;
        }
    }
    return false;
}

CArjArchive::HeaderResult CArjArchive::ReadHeader(std::uint64_t offset, Header* header) const {
    std::uint8_t buffer[kIdAndSize + kMaxHeaderSize + kCrcSize];
    if (m_file.ReadAt(offset, buffer, kIdAndSize) != static_cast<std::int64_t>(kIdAndSize) ||
        zb::LoadLe16(buffer) != kHeaderId) {
        return HeaderResult::Bad;
    }
    const std::size_t size = zb::LoadLe16(buffer + 2);
    if (size == 0) {
        return HeaderResult::End;
    }
    if (size < kMinFirstHeaderSize || size > kMaxHeaderSize ||
        m_file.ReadAt(offset + kIdAndSize, buffer + kIdAndSize, size + kCrcSize) !=
            static_cast<std::int64_t>(size + kCrcSize)) {
        return HeaderResult::Bad;
    }
    const std::uint8_t* basic = buffer + kIdAndSize;
    if (Crc32(basic, size) != zb::LoadLe32(basic + size)) {
        return HeaderResult::Bad;
    }
    const std::size_t firstSize = basic[0];
    if (firstSize < kMinFirstHeaderSize || firstSize > size) {
        return HeaderResult::Bad;
    }
    header->host = basic[3];
    header->flags = basic[4];
    header->method = basic[5];
    header->fileType = basic[6];
    header->time = zb::LoadLe32(basic + 8);
    header->packedSize = zb::LoadLe32(basic + 12);
    header->size = zb::LoadLe32(basic + 16);
    header->crc = zb::LoadLe32(basic + 20);
    header->mode = zb::LoadLe16(basic + 26);
    // The name ends at its zero byte, or at the end of the header.
    const char* name = reinterpret_cast<const char*>(basic + firstSize);
    header->name.assign(name, strnlen(name, size - firstSize));

    // Extended headers: a 2-byte size (0 ends them), the data and a CRC.
    std::uint64_t pos = offset + kIdAndSize + size + kCrcSize;
    for (int n = 0;; ++n) {
        std::uint8_t sizeField[2];
        if (n == kMaxExtendedHeaders ||
            m_file.ReadAt(pos, sizeField, sizeof sizeField) != static_cast<std::int64_t>(2)) {
            return HeaderResult::Bad;
        }
        pos += 2;
        const std::uint16_t extended = zb::LoadLe16(sizeField);
        if (extended == 0) {
            break;
        }
        pos += extended + kCrcSize;
        if (pos > m_nFileSize) {
            return HeaderResult::Bad;
        }
    }
    header->end = pos;
    return HeaderResult::Read;
}

const CArjArchive::Record* CArjArchive::OpenRecord() const {
    return m_open != nullptr ? &m_records[m_open->record] : nullptr;
}

BOOL CArjArchive::IsEntryOpen(int i) const {
    const CArchiveMember* member = GetMember(i);
    return member != nullptr && m_open != nullptr && m_open->record == member->m_nRecord;
}

BOOL CArjArchive::OpenEntry(int i) {
    const CArchiveMember* member = GetMember(i);
    if (member == nullptr || member->IsFolder() || member->m_nRecord >= m_records.size() ||
        m_open != nullptr) {
        SetFailure(ArchiveFailure::BadMember);
        return FALSE;
    }
    const Record& record = m_records[member->m_nRecord];
    if ((record.flags & kFlagGarbled) != 0) {
        SetFailure(ArchiveFailure::Encrypted);
        return FALSE;
    }
    if (record.method > kMaxMethod) {
        SetFailure(ArchiveFailure::UnsupportedMethod);
        return FALSE;
    }
    auto open = std::make_unique<OpenMember>();
    open->member = i;
    open->record = member->m_nRecord;
    if (record.method != kMethodStored) {
        open->source =
            std::make_unique<CFileRangeSource>(m_file, record.dataOffset, record.packedSize);
        open->decoder = std::make_unique<CArjDecoder>();
        open->decoder->Start(*open->source, record.method, record.size);
    }
    m_open = std::move(open);
    return TRUE;
}

BOOL CArjArchive::CloseEntry(int i) {
    if (IsEntryOpen(i)) {
        if (m_open->nextIndex >= 0 && m_next != nullptr) {
            m_next->CloseEntry(m_open->nextIndex);
        }
        m_open.reset();
    }
    return TRUE;
}

std::int64_t CArjArchive::GetBytesRead(int i) const {
    return IsEntryOpen(i) ? static_cast<std::int64_t>(m_open->delivered) : -1;
}

int CArjArchive::Read(int i, void* buffer, int count) {
    if (!IsEntryOpen(i) || count < 0 || (count > 0 && buffer == nullptr)) {
        return SetFailure(ArchiveFailure::BadMember);
    }
    if (m_open->failed) {
        return SetFailure(ArchiveFailure::BadArchive);
    }
    auto* out = static_cast<std::uint8_t*>(buffer);
    OpenMember& open = *m_open;
    int got = 0;
    if (open.nextIndex < 0) {
        got = ReadHere(out, count);
        if (got < 0) {
            open.failed = true;
            return SetFailure(ArchiveFailure::BadArchive);
        }
        const Record& record = *OpenRecord();
        if (got == count || (record.flags & kFlagContinuesInNext) == 0) {
            open.delivered += static_cast<std::uint64_t>(got);
            return got;
        }
        if (!ContinueInNextVolume()) {
            // The member is cut: hand out what this call read, then fail.
            open.failed = true;
            open.delivered += static_cast<std::uint64_t>(got);
            return got > 0 ? got : SetFailure(ArchiveFailure::BadArchive);
        }
    }
    const int more = m_next->Read(open.nextIndex, out + got, count - got);
    if (more < 0) {
        open.failed = true;
        if (got == 0) {
            return SetFailure(ArchiveFailure::BadArchive);
        }
    } else {
        got += more;
    }
    open.delivered += static_cast<std::uint64_t>(got);
    return got;
}

int CArjArchive::ReadHere(std::uint8_t* out, int count) {
    OpenMember& open = *m_open;
    const Record& record = *OpenRecord();
    const int want = static_cast<int>(std::min<std::uint32_t>(static_cast<std::uint32_t>(count),
                                                              record.size - open.hereDelivered));
    if (want == 0) {
        return 0;
    }
    int got = 0;
    if (open.decoder != nullptr) {
        got = open.decoder->Read(out, want);
    } else {
        got = static_cast<int>(std::min<std::uint32_t>(static_cast<std::uint32_t>(want),
                                                       record.packedSize - open.consumed));
        if (got > 0 && m_file.ReadAt(record.dataOffset + open.consumed, out,
                                     static_cast<std::size_t>(got)) != got) {
            got = -1;
        }
        open.consumed += static_cast<std::uint32_t>(std::max(got, 0));
    }
    if (got <= 0) {
        return -1;  // the data ends before the part does, or is corrupt
    }
    open.crc = static_cast<std::uint32_t>(crc32(open.crc, out, static_cast<uInt>(got)));
    open.hereDelivered += static_cast<std::uint32_t>(got);
    if (open.hereDelivered == record.size && open.crc != record.crc) {
        return -1;
    }
    return got;
}

bool CArjArchive::ContinueInNextVolume() {
    if (m_next == nullptr) {
        const std::string name = NextVolumeName(m_strPath);
        const std::string path = name.empty() ? std::string() : FindVolumeFile(m_strPath, name);
        if (path.empty()) {
            return false;
        }
        m_next = std::make_unique<CArjArchive>();
        m_next->Init();
        if (!m_next->Open(path)) {
            m_next.reset();
            return false;
        }
    }
    const std::string& name = GetMember(m_open->member)->m_strName;
    const int index = m_next->FindEntry(name);
    const CArchiveMember* continuation = m_next->GetMember(index);
    if (continuation == nullptr || continuation->m_nRecord >= m_next->m_records.size() ||
        (m_next->m_records[continuation->m_nRecord].flags & kFlagContinuedFromPrevious) == 0 ||
        !m_next->OpenEntry(index)) {
        return false;
    }
    m_open->nextIndex = index;
    return true;
}

std::unique_ptr<CArchiveHandler> CreateArjArchiveHandler() {
    return std::make_unique<CArjArchive>();
}
