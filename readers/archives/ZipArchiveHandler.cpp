#include "readers/archives/ZipArchiveHandler.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <string_view>

#include "platform/FileTime.h"
#include "readers/archives/ZipEntryName.h"

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;

constexpr std::size_t kEndSize = 22;
constexpr std::size_t kMaxCommentLength = 0xFFFF;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kLocalSize = 30;

constexpr unsigned kZip64Extra = 0x0001;
constexpr std::uint32_t kZip64Marker32 = 0xFFFFFFFF;

constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagUtf8 = 0x0800;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;

// Compressed bytes read from the archive at a time while inflating.
constexpr std::size_t kInputChunk = 0x10000;
// Bytes of the central directory read at a time.
constexpr std::size_t kDirectoryChunk = 0x40000;

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint64_t Le64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(Le32(p)) | (static_cast<std::uint64_t>(Le32(p + 4)) << 32);
}

// True if `length` bytes at `offset` lie inside a file of `size` bytes.
bool InRange(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
    return offset <= size && length <= size - offset;
}

// Reads the central directory front to back in large chunks, handing out
// byte ranges that must lie inside the directory's own region.
class CDirectoryReader {
public:
    CDirectoryReader(const zb::PositionedReader& file, std::uint64_t begin, std::uint64_t end)
        : m_file(file), m_begin(begin), m_end(end) {}

    // The `length` bytes at `offset`; nullptr when they are not all inside
    // the region or cannot be read.
    const std::uint8_t* Get(std::uint64_t offset, std::size_t length) {
        if (offset < m_begin || !InRange(offset, length, m_end)) {
            return nullptr;
        }
        if (offset >= m_bufferOffset && offset - m_bufferOffset <= m_buffer.size() &&
            length <= m_buffer.size() - (offset - m_bufferOffset)) {
            return m_buffer.data() + (offset - m_bufferOffset);
        }
        const std::size_t chunk = static_cast<std::size_t>(
            std::min<std::uint64_t>(std::max(length, kDirectoryChunk), m_end - offset));
        m_buffer.resize(chunk);
        if (m_file.ReadAt(offset, m_buffer.data(), chunk) != static_cast<std::int64_t>(chunk)) {
            m_buffer.clear();
            return nullptr;
        }
        m_bufferOffset = offset;
        return m_buffer.data();
    }

private:
    const zb::PositionedReader& m_file;
    std::uint64_t m_begin;
    std::uint64_t m_end;
    std::vector<std::uint8_t> m_buffer;
    std::uint64_t m_bufferOffset = 0;
};

// Takes the ZIP64 fields of a central header from its 0x0001 extra record:
// each field whose 32-bit value is the marker follows, in the order
// uncompressed size, compressed size, local header offset.
void ApplyZip64Extra(std::string_view extra, std::uint64_t* size, std::uint64_t* compressed,
                     std::uint64_t* localOffset) {
    ForEachZipExtraRecord(extra, [&](unsigned id, std::string_view data) {
        if (id != kZip64Extra) {
            return true;
        }
        const auto* p = reinterpret_cast<const std::uint8_t*>(data.data());
        std::size_t pos = 0;
        for (std::uint64_t* field : {size, compressed, localOffset}) {
            if (*field != kZip64Marker32) {
                continue;
            }
            if (data.size() - pos < 8) {
                break;
            }
            *field = Le64(p + pos);
            pos += 8;
        }
        return false;
    });
}

}  // namespace

// The decoding state of one open member.
struct CZipArchive::CReadState {
    CReadState() = default;
    CReadState(const CReadState&) = delete;
    CReadState& operator=(const CReadState&) = delete;
    ~CReadState() {
        if (m_bInflating) {
            inflateEnd(&m_stream);
        }
    }

    z_stream m_stream{};
    bool m_bInflating = false;      // m_stream is set up
    bool m_bStreamEnded = false;    // the deflate stream reached its end
    bool m_bFailed = false;         // a read failed; every further read fails
    std::uint64_t m_nConsumed = 0;  // compressed bytes taken from the archive
    std::uint64_t m_nProduced = 0;  // bytes delivered
    std::uint32_t m_nCrc = 0;       // CRC-32 of the bytes delivered
    std::vector<std::uint8_t> m_input;
};

CZipArchive::CZipArchive() = default;

CZipArchive::~CZipArchive() {
    Close();
}

BOOL CZipArchive::Init() {
    m_arrExtensions = {"zip", "pak"};
    m_nBlockSize = 0x10000;
    m_nFlags = ARCHIVE_FLAG_USABLE;
    return TRUE;
}

bool CZipArchive::OpenArchive(const std::string& path) {
    if (!OpenArchiveFile(m_file, path, &m_nFileSize)) {
        return false;
    }
    CDirectoryLocation location;
    if (!FindDirectory(&location) || !ReadDirectory(location)) {
        SetFailure(ArchiveFailure::BadArchive);
        return false;
    }
    m_states.resize(m_records.size());
    AddMissingFolders();
    SortMembers();
    return true;
}

void CZipArchive::CloseArchive() {
    m_states.clear();
    m_records.clear();
    m_file.Close();
    m_nFileSize = 0;
}

bool CZipArchive::FindDirectory(CDirectoryLocation* location) const {
    // The end record is the last 22 bytes but for a comment of up to 64 KiB.
    // Candidates are tried from the end backwards; one inside a comment is
    // passed over unless it also describes a directory that fits before it.
    if (m_nFileSize < kEndSize) {
        return false;
    }
    const std::size_t tail = static_cast<std::size_t>(
        std::min<std::uint64_t>(m_nFileSize, kEndSize + kMaxCommentLength));
    const std::uint64_t tailOffset = m_nFileSize - tail;
    std::vector<std::uint8_t> buffer(tail);
    if (m_file.ReadAt(tailOffset, buffer.data(), tail) != static_cast<std::int64_t>(tail)) {
        return false;
    }
    for (std::size_t pos = tail - kEndSize + 1; pos-- > 0;) {
        if (Le32(&buffer[pos]) == kEndSignature &&
            ReadEndCandidate(tailOffset + pos, &buffer[pos], location)) {
            return true;
        }
    }
    return false;
}

bool CZipArchive::ReadEndCandidate(std::uint64_t offset, const std::uint8_t* record,
                                   CDirectoryLocation* location) const {
    CDirectoryLocation found;
    found.m_nEndOffset = offset;
    found.m_nEntries = Le16(record + 10);
    found.m_nSize = Le32(record + 12);
    found.m_nOffset = Le32(record + 16);

    // A ZIP64 locator right before the end record points to the ZIP64 end
    // record, whose fields take the place of the classic ones. With bytes in
    // front of the archive, the stored pointer is off by their length: the
    // record is then looked for right before the locator.
    std::uint8_t locator[kZip64LocatorSize];
    if (offset >= kZip64LocatorSize &&
        m_file.ReadAt(offset - kZip64LocatorSize, locator, sizeof locator) ==
            static_cast<std::int64_t>(sizeof locator) &&
        Le32(locator) == kZip64LocatorSignature) {
        const std::uint64_t locatorOffset = offset - kZip64LocatorSize;
        bool haveZip64 = false;
        for (const std::uint64_t at : {Le64(locator + 8), locatorOffset - kZip64EndSize}) {
            std::uint8_t end64[kZip64EndSize];
            if (locatorOffset < kZip64EndSize || !InRange(at, kZip64EndSize, locatorOffset) ||
                m_file.ReadAt(at, end64, sizeof end64) != static_cast<std::int64_t>(sizeof end64) ||
                Le32(end64) != kZip64EndSignature) {
                continue;
            }
            found.m_nEndOffset = at;
            found.m_nEntries = Le64(end64 + 32);
            found.m_nSize = Le64(end64 + 40);
            found.m_nOffset = Le64(end64 + 48);
            haveZip64 = true;
            break;
        }
        if (!haveZip64) {
            return false;
        }
    }
    // The directory must end at or before the record that describes it.
    if (found.m_nSize > found.m_nEndOffset ||
        found.m_nOffset > found.m_nEndOffset - found.m_nSize) {
        return false;
    }
    *location = found;
    return true;
}

bool CZipArchive::ReadDirectory(const CDirectoryLocation& location) {
    // Bytes in front of the archive (a self-extractor) shift every offset;
    // the directory lies right before its end record.
    const std::uint64_t bias = location.m_nEndOffset - location.m_nOffset - location.m_nSize;
    const std::uint64_t begin = location.m_nOffset + bias;
    const std::uint64_t end = begin + location.m_nSize;
    if (location.m_nEntries > location.m_nSize / kCentralSize) {
        return false;  // more entries than the directory could hold
    }
    CDirectoryReader directory(m_file, begin, end);
    std::uint64_t pos = begin;
    for (std::uint64_t n = 0; n < location.m_nEntries; ++n) {
        const std::uint8_t* header = directory.Get(pos, kCentralSize);
        if (header == nullptr || Le32(header) != kCentralSignature) {
            return false;
        }
        const std::uint16_t flags = Le16(header + 8);
        const std::uint16_t method = Le16(header + 10);
        const std::uint32_t crc = Le32(header + 16);
        std::uint64_t compressed = Le32(header + 20);
        std::uint64_t size = Le32(header + 24);
        const std::size_t nameLength = Le16(header + 28);
        const std::size_t extraLength = Le16(header + 30);
        const std::size_t commentLength = Le16(header + 32);
        std::uint64_t localOffset = Le32(header + 42);

        const std::uint64_t next = pos + kCentralSize + nameLength + extraLength + commentLength;
        const std::uint8_t* variable = directory.Get(pos + kCentralSize, nameLength + extraLength);
        if (variable == nullptr || next > end) {
            return false;
        }
        const std::string_view rawName(reinterpret_cast<const char*>(variable), nameLength);
        const std::string_view extra(reinterpret_cast<const char*>(variable) + nameLength,
                                     extraLength);
        ApplyZip64Extra(extra, &size, &compressed, &localOffset);

        CEntryRecord record;
        record.m_nCompressedSize = compressed;
        record.m_nSize = size;
        record.m_nCrc = crc;
        record.m_nMethod = method;
        record.m_bEncrypted = (flags & kFlagEncrypted) != 0;
        FILETIME time;
        if (!ReadLocalHeader(localOffset, bias, rawName, &record, &time)) {
            return false;
        }
        const bool folder = !rawName.empty() && (rawName.back() == '/' || rawName.back() == '\\');
        if (!folder &&
            (!InRange(record.m_nDataOffset, compressed, m_nFileSize) ||
             size > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))) {
            return false;
        }
        AddMember(DecodeZipEntryName(rawName, (flags & kFlagUtf8) != 0, extra),
                  folder ? 0 : static_cast<std::int64_t>(size), time, 0, m_records.size());
        m_records.push_back(record);
        pos = next;
    }
    return MembersLieApart();
}

bool CZipArchive::MembersLieApart() const {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> spans;  // [local header, data end)
    spans.reserve(m_records.size());
    for (const CEntryRecord& record : m_records) {
        spans.emplace_back(record.m_nLocalOffset, record.m_nDataOffset + record.m_nCompressedSize);
    }
    std::sort(spans.begin(), spans.end());
    for (std::size_t i = 1; i < spans.size(); ++i) {
        if (spans[i].first < spans[i - 1].second) {
            return false;
        }
    }
    return true;
}

bool CZipArchive::ReadLocalHeader(std::uint64_t offset, std::uint64_t bias,
                                  std::string_view rawName, CEntryRecord* record,
                                  FILETIME* time) const {
    std::uint8_t header[kLocalSize];
    std::string localName;
    for (const std::uint64_t at : {offset, offset + bias}) {
        if (at < offset || !InRange(at, kLocalSize, m_nFileSize) ||
            m_file.ReadAt(at, header, sizeof header) != static_cast<std::int64_t>(sizeof header) ||
            Le32(header) != kLocalSignature || Le16(header + 26) != rawName.size()) {
            continue;
        }
        localName.resize(rawName.size());
        if (m_file.ReadAt(at + kLocalSize, localName.data(), localName.size()) !=
                static_cast<std::int64_t>(localName.size()) ||
            localName != rawName) {
            continue;
        }
        const std::uint64_t data = at + kLocalSize + Le16(header + 26) + Le16(header + 28);
        if (data > m_nFileSize) {
            return false;
        }
        record->m_nLocalOffset = at;
        record->m_nDataOffset = data;
        if (!DosDateTimeToFileTime(Le16(header + 12), Le16(header + 10), time)) {
            *time = FILETIME{};
        }
        return true;
    }
    return false;
}

CZipArchive::CReadState* CZipArchive::StateOf(int i) const {
    const CArchiveMember* member = GetMember(i);
    if (member == nullptr || member->m_nRecord >= m_states.size()) {
        return nullptr;
    }
    return m_states[member->m_nRecord].get();
}

BOOL CZipArchive::IsEntryOpen(int i) const {
    return StateOf(i) != nullptr ? TRUE : FALSE;
}

BOOL CZipArchive::OpenEntry(int i) {
    const CArchiveMember* member = GetMember(i);
    if (member == nullptr || member->IsFolder() || member->m_nRecord >= m_records.size()) {
        SetFailure(ArchiveFailure::BadMember);
        return FALSE;
    }
    const CEntryRecord& record = m_records[member->m_nRecord];
    if (record.m_bEncrypted) {
        SetFailure(ArchiveFailure::Encrypted);
        return FALSE;
    }
    if (record.m_nMethod != kMethodStored && record.m_nMethod != kMethodDeflated) {
        SetFailure(ArchiveFailure::UnsupportedMethod);
        return FALSE;
    }
    auto state = std::make_unique<CReadState>();
    if (record.m_nMethod == kMethodDeflated) {
        if (inflateInit2(&state->m_stream, -MAX_WBITS) != Z_OK) {
            SetFailure(ArchiveFailure::DecoderFailed);
            return FALSE;
        }
        state->m_bInflating = true;
    }
    m_states[member->m_nRecord] = std::move(state);
    return TRUE;
}

BOOL CZipArchive::CloseEntry(int i) {
    const CArchiveMember* member = GetMember(i);
    if (member != nullptr && member->m_nRecord < m_states.size()) {
        m_states[member->m_nRecord].reset();
    }
    return TRUE;
}

std::int64_t CZipArchive::GetBytesRead(int i) const {
    const CReadState* state = StateOf(i);
    return state != nullptr ? static_cast<std::int64_t>(state->m_nProduced) : -1;
}

int CZipArchive::Read(int i, void* buffer, int count) {
    CReadState* state = StateOf(i);
    if (state == nullptr || count < 0 || (count > 0 && buffer == nullptr)) {
        return SetFailure(ArchiveFailure::BadMember);
    }
    if (state->m_bFailed) {
        return SetFailure(ArchiveFailure::BadArchive);
    }
    const CEntryRecord& record = m_records[GetMember(i)->m_nRecord];
    const std::uint64_t left = record.m_nSize - state->m_nProduced;
    const int want =
        static_cast<int>(std::min<std::uint64_t>(static_cast<std::uint64_t>(count), left));
    if (want == 0) {
        return 0;
    }
    auto* out = static_cast<std::uint8_t*>(buffer);
    int got = 0;
    if (record.m_nMethod == kMethodDeflated) {
        got = Inflate(*state, record, out, want);
    } else {
        const std::uint64_t stored = record.m_nCompressedSize - state->m_nConsumed;
        got = static_cast<int>(std::min<std::uint64_t>(static_cast<std::uint64_t>(want), stored));
        if (got > 0 && m_file.ReadAt(record.m_nDataOffset + state->m_nConsumed, out,
                                     static_cast<std::size_t>(got)) != got) {
            got = -1;
        } else {
            state->m_nConsumed += static_cast<std::uint64_t>(std::max(got, 0));
        }
    }
    // The data must last for the member's whole size and match its checksum.
    if (got <= 0) {
        state->m_bFailed = true;
        return SetFailure(ArchiveFailure::BadArchive);
    }
    const auto crc = static_cast<std::uint32_t>(crc32(state->m_nCrc, out, static_cast<uInt>(got)));
    if (state->m_nProduced + static_cast<std::uint64_t>(got) == record.m_nSize &&
        crc != record.m_nCrc) {
        state->m_bFailed = true;
        return SetFailure(ArchiveFailure::BadArchive);
    }
    state->m_nProduced += static_cast<std::uint64_t>(got);
    state->m_nCrc = crc;
    return got;
}

int CZipArchive::Inflate(CReadState& state, const CEntryRecord& record, std::uint8_t* out,
                         int count) {
    z_stream& z = state.m_stream;
    z.next_out = out;
    z.avail_out = static_cast<uInt>(count);
    while (z.avail_out > 0 && !state.m_bStreamEnded) {
        if (z.avail_in == 0 && state.m_nConsumed < record.m_nCompressedSize) {
            const std::size_t chunk = static_cast<std::size_t>(
                std::min<std::uint64_t>(kInputChunk, record.m_nCompressedSize - state.m_nConsumed));
            state.m_input.resize(chunk);
            if (m_file.ReadAt(record.m_nDataOffset + state.m_nConsumed, state.m_input.data(),
                              chunk) != static_cast<std::int64_t>(chunk)) {
                return -1;
            }
            state.m_nConsumed += chunk;
            z.next_in = state.m_input.data();
            z.avail_in = static_cast<uInt>(chunk);
        }
        const int result = inflate(&z, Z_SYNC_FLUSH);
        if (result == Z_STREAM_END) {
            state.m_bStreamEnded = true;
        } else if (result == Z_BUF_ERROR) {
            // No progress: go on only when more compressed data is left to
            // read; otherwise the data ends before the stream does.
            if (z.avail_in != 0 || state.m_nConsumed == record.m_nCompressedSize) {
                break;
            }
        } else if (result != Z_OK) {
            return -1;
        }
    }
    return count - static_cast<int>(z.avail_out);
}

std::unique_ptr<CArchiveHandler> CreateZipArchiveHandler() {
    return std::make_unique<CZipArchive>();
}
