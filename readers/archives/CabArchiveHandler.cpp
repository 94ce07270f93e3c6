#include "readers/archives/CabArchiveHandler.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "platform/ByteReader.h"
#include "platform/FileTime.h"
#include "platform/Log.h"
#include "readers/archives/ArchiveName.h"

namespace {

constexpr std::uint32_t kSignature = 0x4643534D;  // "MSCF"
constexpr std::size_t kHeaderSize = 36;
constexpr std::size_t kReserveSizes = 4;
constexpr std::size_t kFolderEntrySize = 8;
constexpr std::size_t kFileEntrySize = 16;
constexpr std::size_t kBlockHeaderSize = 8;
constexpr std::size_t kMaxName = 4096;
constexpr std::uint16_t kMaxHeaderReserve = 60000;

constexpr std::uint16_t kMaxCompressedBlock = 0x9800;
constexpr std::uint16_t kMaxBlock = 0x8000;

constexpr unsigned kMethodStored = 0, kMethodMszip = 1, kMethodLzx = 3;
constexpr unsigned kMinLzxWindow = 15, kMaxLzxWindow = 21;

constexpr DWORD kAttributeUtf8Name = 0x80;
constexpr DWORD kAttributeExecute = 0x40;

unsigned MethodOf(std::uint16_t compression) {
    return compression & 0x0F;
}

// Whether a folder of this compression type can be decoded.
bool IsSupportedMethod(std::uint16_t compression) {
    const unsigned method = MethodOf(compression);
    if (method == kMethodLzx) {
        const unsigned window = (compression >> 8) & 0x1F;
        return window >= kMinLzxWindow && window <= kMaxLzxWindow;
    }
    return method == kMethodStored || method == kMethodMszip;
}

// Reads a header front to back from a file.
class CHeaderCursor {
public:
    CHeaderCursor(const zb::PositionedReader& file, std::uint64_t size)
        : m_file(file), m_size(size) {}

    std::uint64_t Position() const { return m_pos; }
    std::uint64_t Left() const { return m_size - std::min(m_pos, m_size); }
    bool Bytes(void* out, std::size_t count) {
        if (count > Left() ||
            m_file.ReadAt(m_pos, out, count) != static_cast<std::int64_t>(count)) {
            return false;
        }
        m_pos += count;
        return true;
    }
    bool Skip(std::size_t count) {
        if (count > Left()) {
            return false;
        }
        m_pos += count;
        return true;
    }
    // A zero-terminated text of at most kMaxName bytes before its zero.
    bool Text(std::string* out) {
        char buffer[kMaxName + 1];
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buffer, Left()));
        if (want == 0 || m_file.ReadAt(m_pos, buffer, want) != static_cast<std::int64_t>(want)) {
            return false;
        }
        const void* zero = std::memchr(buffer, 0, want);
        if (zero == nullptr) {
            return false;  // no end within the limit, or the file ends first
        }
        const auto length = static_cast<std::size_t>(static_cast<const char*>(zero) - buffer);
        out->assign(buffer, length);
        m_pos += length + 1;
        return true;
    }

private:
    const zb::PositionedReader& m_file;
    std::uint64_t m_size;
    std::uint64_t m_pos = 0;
};

}  // namespace

CCabArchive::CCabArchive() = default;

CCabArchive::~CCabArchive() {
    Close();
}

BOOL CCabArchive::Init() {
    m_arrExtensions = {"cab"};
    m_nBlockSize = 0x10000;
    m_nFlags = ARCHIVE_FLAG_USABLE;
    return TRUE;
}

bool CCabArchive::OpenArchive(const std::string& path) {
    if (!OpenArchiveFile(m_file, path, &m_nFileSize)) {
        return false;
    }
    if (!ReadTables(path)) {
        return false;
    }
    IndexMembers();
    // Only the first folder's method decides whether the cabinet opens;
    // members of other folders are checked when they are opened.
    if (!IsSupportedMethod(m_folders.front().compression)) {
        SetFailure(ArchiveFailure::UnsupportedMethod);
        return false;
    }
    return true;
}

bool CCabArchive::ReadTables(const std::string& path) {
    CHeaderCursor cursor(m_file, m_nFileSize);
    std::uint8_t header[kHeaderSize];
    if (!cursor.Bytes(header, sizeof header) || zb::LoadLe32(header) != kSignature) {
        return false;
    }
    const std::uint8_t minor = header[24];
    const std::uint8_t major = header[25];
    const std::size_t folderCount = zb::LoadLe16(header + 26);
    const std::size_t fileCount = zb::LoadLe16(header + 28);
    m_nHeaderFlags = zb::LoadLe16(header + 30);
    if (folderCount == 0 || fileCount == 0) {
        return false;
    }
    if (major > 1 || (major == 1 && minor > 3)) {
        DebugTrace("%s: WARNING; cabinet format version > 1.3", path.c_str());
    }
    if ((m_nHeaderFlags & kFlagReserve) != 0) {
        std::uint8_t reserve[kReserveSizes];
        if (!cursor.Bytes(reserve, sizeof reserve)) {
            return false;
        }
        const std::uint16_t headerReserve = zb::LoadLe16(reserve);
        m_nFolderReserve = reserve[2];
        m_nBlockReserve = reserve[3];
        if (headerReserve > kMaxHeaderReserve) {
            DebugTrace("%s: WARNING; header reserved space > 60000", path.c_str());
        }
        if (!cursor.Skip(headerReserve)) {
            return false;
        }
    }
    // Names of the neighbouring cabinets and their disks: read to move on;
    // the set is followed through the names libmspack reads again.
    std::string name;
    for (const std::uint16_t flag : {kFlagPrevious, kFlagNext}) {
        if ((m_nHeaderFlags & flag) != 0 && (!cursor.Text(&name) || !cursor.Text(&name))) {
            return false;
        }
    }

    // Tables that cannot fit in what is left of the file are refused before
    // anything is allocated for them.
    const std::uint64_t folderBytes = folderCount * (kFolderEntrySize + m_nFolderReserve);
    if (folderBytes + fileCount * (kFileEntrySize + 1) > cursor.Left()) {
        return false;
    }
    m_folders.reserve(folderCount);
    for (std::size_t f = 0; f < folderCount; ++f) {
        std::uint8_t entry[kFolderEntrySize];
        if (!cursor.Bytes(entry, sizeof entry) || !cursor.Skip(m_nFolderReserve)) {
            return false;
        }
        Folder folder;
        folder.firstBlock = zb::LoadLe32(entry);
        folder.blocks = zb::LoadLe16(entry + 4);
        folder.compression = zb::LoadLe16(entry + 6);
        m_folders.push_back(folder);
    }
    m_records.reserve(fileCount);
    for (std::size_t f = 0; f < fileCount; ++f) {
        std::uint8_t entry[kFileEntrySize];
        Record record;
        if (!cursor.Bytes(entry, sizeof entry) || !cursor.Text(&record.rawName)) {
            return false;
        }
        record.size = zb::LoadLe32(entry);
        record.folderOffset = zb::LoadLe32(entry + 4);
        record.folderIndex = zb::LoadLe16(entry + 8);
        const DWORD attributes = zb::LoadLe16(entry + 14);
        FILETIME time{};
        if (!DosDateTimeToFileTime(zb::LoadLe16(entry + 10), zb::LoadLe16(entry + 12), &time)) {
            time = FILETIME{};
        }
        const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        AddMember(DecodeArchiveName(record.rawName, (attributes & kAttributeUtf8Name) != 0),
                  folder ? 0 : record.size, time,
                  attributes & ~(kAttributeUtf8Name | kAttributeExecute), m_records.size());
        if (record.folderIndex == kContinuedFromPrevious || record.folderIndex == kContinuedBoth) {
            m_bFirstFolderContinued = true;
        }
        m_records.push_back(std::move(record));
    }
    return true;
}

void CCabArchive::CloseArchive() {
    m_open.reset();
    m_extractor.reset();
    m_bJoined = false;
    m_bFirstFolderContinued = false;
    m_folders.clear();
    m_records.clear();
    m_nHeaderFlags = 0;
    m_nFolderReserve = 0;
    m_nBlockReserve = 0;
    m_file.Close();
    m_nFileSize = 0;
}

bool CCabArchive::IsHiddenMember(int i) const {
    const CArchiveMember* member = GetMember(i);
    if (member == nullptr || member->m_nRecord >= m_records.size()) {
        return false;
    }
    const std::uint16_t index = m_records[member->m_nRecord].folderIndex;
    return index == kContinuedFromPrevious || index == kContinuedBoth;
}

int CCabArchive::FindFolder(const std::string& /*folder*/) const {
    return -1;
}

int CCabArchive::NextChild(int i, const std::string& folder, BOOL /*subtree*/) const {
    if (!folder.empty() || i < -1) {
        return -1;
    }
    for (int j = i + 1; j < GetMemberCount(); ++j) {
        if (IsListedFile(j)) {
            return j;
        }
    }
    return -1;
}

BOOL CCabArchive::HasSubfolders(const std::string& /*folder*/, BOOL* has) const {
    if (has != nullptr) {
        *has = FALSE;
    }
    return FALSE;
}

const CCabArchive::Folder* CCabArchive::FolderOf(const Record& record) const {
    if (record.folderIndex == kContinuedFromPrevious) {
        return &m_folders.front();
    }
    if (record.folderIndex == kContinuedToNext || record.folderIndex == kContinuedBoth) {
        return &m_folders.back();
    }
    // An index past the table names no folder (never another folder's data).
    return record.folderIndex < m_folders.size() ? &m_folders[record.folderIndex] : nullptr;
}

bool CCabArchive::CheckBlocks(Folder& folder) {
    if (folder.blocksValid >= 0) {
        return folder.blocksValid != 0;
    }
    const bool last = &folder == &m_folders.back();
    const bool stored = MethodOf(folder.compression) == kMethodStored;
    bool valid = true;
    std::uint64_t pos = folder.firstBlock;
    for (std::size_t b = 0; b < folder.blocks && valid; ++b) {
        std::uint8_t header[kBlockHeaderSize];
        if (m_file.ReadAt(pos, header, sizeof header) != static_cast<std::int64_t>(sizeof header)) {
            valid = false;
            break;
        }
        const std::uint16_t packed = zb::LoadLe16(header + 4);
        const std::uint16_t size = zb::LoadLe16(header + 6);
        // A block may go on in the next cabinet (size 0) only at the end of
        // the last folder of a cabinet that has a next one.
        const bool continuesNext =
            size == 0 && last && b + 1 == folder.blocks && (m_nHeaderFlags & kFlagNext) != 0;
        valid = packed <= kMaxCompressedBlock && size <= kMaxBlock && (size != 0 || continuesNext);
        if (valid && stored && !continuesNext) {
            valid = packed == size;  // a stored block holds exactly what it gives
        }
        pos += kBlockHeaderSize + m_nBlockReserve + packed;
        valid = valid && pos <= m_nFileSize;
    }
    folder.blocksValid = valid ? 1 : 0;
    return valid;
}

BOOL CCabArchive::IsEntryOpen(int i) const {
    return m_open != nullptr && m_open->member == i ? TRUE : FALSE;
}

BOOL CCabArchive::OpenEntry(int i) {
    const CArchiveMember* member = GetMember(i);
    if (member == nullptr || member->IsFolder() || member->m_nRecord >= m_records.size() ||
        m_open != nullptr) {
        SetFailure(ArchiveFailure::BadMember);
        return FALSE;
    }
    const Record& record = m_records[member->m_nRecord];
    const Folder* folder = FolderOf(record);
    if (IsHiddenMember(i) || (folder == &m_folders.front() && m_bFirstFolderContinued) ||
        (folder != nullptr && !IsSupportedMethod(folder->compression))) {
        SetFailure(ArchiveFailure::UnsupportedMethod);  // not from this cabinet, or not this way
        return FALSE;
    }
    if (folder == nullptr ||
        !CheckBlocks(m_folders[static_cast<std::size_t>(folder - m_folders.data())])) {
        SetFailure(ArchiveFailure::BadArchive);
        return FALSE;
    }
    m_open = std::make_unique<OpenMember>();
    m_open->member = i;
    m_open->record = member->m_nRecord;
    return TRUE;
}

BOOL CCabArchive::CloseEntry(int i) {
    if (IsEntryOpen(i)) {
        m_open.reset();
    }
    return TRUE;
}

std::int64_t CCabArchive::GetBytesRead(int i) const {
    return IsEntryOpen(i) ? static_cast<std::int64_t>(m_open->delivered) : -1;
}

void CCabArchive::JoinFollowingCabinets() {
    if (m_bJoined) {
        return;
    }
    m_bJoined = true;
    std::set<std::pair<dev_t, ino_t>> joined;  // the files of the set so far
    struct stat st {};
    if (::stat(m_strPath.c_str(), &st) == 0) {
        joined.insert({st.st_dev, st.st_ino});
    }
    std::string name;
    while (m_extractor->CabinetCount() < kMaxCabinets && m_extractor->NextName(&name)) {
        // Only the name counts: the cabinet must lie beside this one.
        const std::string path = FindVolumeFile(m_strPath, name);
        if (path.empty() || ::stat(path.c_str(), &st) != 0 ||
            !joined.insert({st.st_dev, st.st_ino}).second || !m_extractor->Append(path)) {
            return;  // missing, already in the set, or not continuing it
        }
    }
}

ArchiveFailure CCabArchive::ExtractorFailure() const {
    const ArchiveFailure failure = m_extractor->Failure();
    // A member that came out short without an error is damaged too.
    return failure != ArchiveFailure::None ? failure : ArchiveFailure::BadArchive;
}

bool CCabArchive::StartDecoding() {
    OpenMember& open = *m_open;
    open.started = true;
    if (m_extractor == nullptr) {
        m_extractor = std::make_unique<CCabExtractor>();
        if (!m_extractor->Open(m_strPath)) {
            open.failure = ExtractorFailure();
            m_extractor.reset();
            return false;
        }
    }
    const Record& record = m_records[open.record];
    if (record.folderIndex == kContinuedToNext) {
        JoinFollowingCabinets();
    }
    if (!m_extractor->Start(open.record, record.rawName, record.folderOffset, record.size)) {
        open.failure = ExtractorFailure();
        return false;
    }
    return true;
}

int CCabArchive::Read(int i, void* buffer, int count) {
    if (!IsEntryOpen(i) || count < 0 || (count > 0 && buffer == nullptr)) {
        return SetFailure(ArchiveFailure::BadMember);
    }
    OpenMember& open = *m_open;
    if (open.failure != ArchiveFailure::None) {
        return SetFailure(open.failure);
    }
    const Record& record = m_records[open.record];
    const auto want = static_cast<std::size_t>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(count), record.size - open.delivered));
    if (want == 0) {
        return 0;
    }
    if (!open.started && !StartDecoding()) {
        return SetFailure(open.failure);
    }
    const std::size_t got = m_extractor->Read(buffer, want);
    open.delivered += got;
    if (got < want) {
        // The decoding ended before the member did: what came is handed out
        // first, the failure at the next read.
        open.failure = ExtractorFailure();
        if (got == 0) {
            return SetFailure(open.failure);
        }
    }
    return static_cast<int>(got);
}

std::unique_ptr<CArchiveHandler> CreateCabArchiveHandler() {
    return std::make_unique<CCabArchive>();
}
