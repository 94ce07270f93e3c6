#include "readers/archives/TarArchiveHandler.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <string_view>
#include <utility>

#include "platform/FileTime.h"
#include "platform/TextCase.h"

namespace {

constexpr std::int64_t kBlockSize = 512;
// Longest member name taken from a GNU long-name header or a pax record.
constexpr std::int64_t kMaxNameLength = 4096;
// Largest pax extended header read.
constexpr std::int64_t kMaxPaxHeader = 0x100000;

// Header fields (offset, length).
constexpr std::size_t kNameOffset = 0, kNameLength = 100;
constexpr std::size_t kSizeOffset = 124, kMtimeOffset = 136, kNumberLength = 12;
constexpr std::size_t kTypeOffset = 156;
constexpr std::size_t kMagicOffset = 257;
constexpr std::size_t kPrefixOffset = 345, kPrefixLength = 155;
// GNU sparse headers: the flag that extension blocks follow, the expanded
// size, and in each extension block its own "more follow" flag.
constexpr std::size_t kSparseExtendedOffset = 482, kSparseRealSizeOffset = 483;
constexpr std::size_t kExtensionExtendedOffset = 504;

// The bytes of a text field up to its first zero byte.
std::string TextField(const unsigned char* block, std::size_t offset, std::size_t length) {
    const char* begin = reinterpret_cast<const char*>(block + offset);
    return std::string(begin, strnlen(begin, length));
}

// A numeric field: octal digits (spaces skipped, a zero byte ends it), or
// GNU base-256 when the first byte has its top bit set. False for any other
// character, a negative base-256 value or one that does not fit.
bool ParseNumber(const unsigned char* field, std::int64_t* value) {
    std::int64_t result = 0;
    if ((field[0] & 0x80) != 0) {
        if ((field[0] & 0x40) != 0) {
            return false;  // negative
        }
        result = field[0] & 0x3f;
        for (std::size_t k = 1; k < kNumberLength; ++k) {
            if (result > (std::numeric_limits<std::int64_t>::max() >> 8)) {
                return false;
            }
            result = (result << 8) | field[k];
        }
        *value = result;
        return true;
    }
    for (std::size_t k = 0; k < kNumberLength && field[k] != 0; ++k) {
        if (field[k] == ' ') {
            continue;
        }
        if (field[k] < '0' || field[k] > '7') {
            return false;
        }
        result = result * 8 + (field[k] - '0');  // 12 digits stay below 2^36
    }
    *value = result;
    return true;
}

// A decimal number of a pax record; false for anything else or an overflow.
bool ParseDecimal(std::string_view text, std::int64_t* value) {
    std::int64_t result = 0;
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        if (c < '0' || c > '9' || result > (std::numeric_limits<std::int64_t>::max() - 9) / 10) {
            return false;
        }
        result = result * 10 + (c - '0');
    }
    *value = result;
    return true;
}

// Links, devices, folders and FIFOs carry no data, whatever the size field says.
bool HasNoData(unsigned char type) {
    return type >= '1' && type <= '6';
}

}  // namespace

struct CTarArchive::PaxValues {
    std::string path;
    std::int64_t size = -1;      // the data size, when the header's field cannot hold it
    bool sparse = false;         // a GNU sparse member (any "GNU.sparse." record)
    std::string sparseName;      // its real name (format 1.0 hides it behind another)
    std::int64_t realSize = -1;  // its expanded size
};

// The records of a pax extended header ("<length> <key>=<value>\n" each);
// parsing stops at the first malformed record.
CTarArchive::PaxValues CTarArchive::ParsePax(const std::string& data) {
    PaxValues values;
    std::size_t pos = 0;
    while (pos < data.size()) {
        std::size_t length = 0;
        std::size_t k = pos;
        while (k < data.size() && data[k] >= '0' && data[k] <= '9' && length <= data.size()) {
            length = length * 10 + static_cast<std::size_t>(data[k] - '0');
            ++k;
        }
        if (k >= data.size() || data[k] != ' ' || length <= k - pos + 1 ||
            length > data.size() - pos || data[pos + length - 1] != '\n') {
            break;
        }
        const std::string_view record(data.data() + k + 1, pos + length - 1 - (k + 1));
        const std::size_t eq = record.find('=');
        if (eq != std::string_view::npos) {
            const std::string_view key = record.substr(0, eq);
            const std::string_view value = record.substr(eq + 1);
            if (key == "path") {
                values.path.assign(value);
            } else if (key == "size") {
                ParseDecimal(value, &values.size);
            } else if (key.substr(0, 11) == "GNU.sparse.") {
                values.sparse = true;
                if (key == "GNU.sparse.name") {
                    values.sparseName.assign(value);
                } else if (key == "GNU.sparse.realsize" || key == "GNU.sparse.size") {
                    ParseDecimal(value, &values.realSize);
                }
            }
        }
        pos += length;
    }
    return values;
}

CTarArchive::~CTarArchive() {
    Close();
}

BOOL CTarArchive::Init() {
    m_arrExtensions = {"tgz", "tar", "tar.gz", "tbz2", "tbz", "tar.bz", "tar.bz2"};
    m_nBlockSize = 0x10000;
    m_nFlags = ARCHIVE_FLAG_USABLE;
    return TRUE;
}

bool CTarArchive::OpenArchive(const std::string& path) {
    if (!m_stream.Open(path, CCompressedStream::ACCEPT_ANY) || !ReadHeaders()) {
        return false;
    }
    FillTable();
    IndexMembers();
    return true;
}

void CTarArchive::CloseArchive() {
    m_stream.Close();
    m_records.clear();
}

bool CTarArchive::ReadMetadata(std::int64_t size, std::int64_t limit, std::string* data) {
    if (size > limit) {
        return false;
    }
    data->assign(static_cast<std::size_t>(size), '\0');
    return m_stream.Read(data->data(), data->size()) == size;
}

bool CTarArchive::ReadHeaders() {
    m_records.clear();
    std::string longName;  // from a GNU 'L' header, for the next member
    PaxValues pax;         // from a pax 'x' header, for the next member
    unsigned char block[kBlockSize];
    for (bool first = true;; first = false) {
        const std::int64_t got = m_stream.Read(block, sizeof block);
        if (got == 0 && !first) {
            return true;  // old archives end without a zero block, right after a member
        }
        if (got != kBlockSize) {
            return false;  // cut inside a header, unreadable, or not an archive at all
        }
        if (block[kNameOffset] == 0) {
            return true;
        }
        std::int64_t size = 0;
        if (!ParseNumber(block + kSizeOffset, &size)) {
            return false;
        }
        std::int64_t next = 0;
        std::string data;
        switch (block[kTypeOffset]) {
            case 'L':  // GNU long name of the next member
                if (!DataEnd(size, &next) || !ReadMetadata(size, kMaxNameLength, &data)) {
                    return false;
                }
                longName.assign(data.c_str());
                break;
            case 'x':  // pax extended header of the next member
                if (!DataEnd(size, &next) || !ReadMetadata(size, kMaxPaxHeader, &data)) {
                    return false;
                }
                pax = ParsePax(data);
                if (static_cast<std::int64_t>(std::max(pax.path.size(), pax.sparseName.size())) >
                    kMaxNameLength) {
                    return false;
                }
                break;
            case 'K':  // GNU long link target, pax global header, volume label
            case 'g':
            case 'V':
                if (!DataEnd(size, &next)) {
                    return false;
                }
                break;
            default:
                if (!ReadMember(block, size, longName, pax, &next)) {
                    return false;
                }
                longName.clear();
                pax = PaxValues{};
                break;
        }
        if (!m_stream.Seek(next)) {
            return false;
        }
    }
}

bool CTarArchive::DataEnd(std::int64_t size, std::int64_t* end) const {
    const std::int64_t dataOffset = m_stream.Tell();
    if (size > std::numeric_limits<std::int64_t>::max() - dataOffset - kBlockSize) {
        return false;
    }
    if (m_stream.GetFormat() == CCompressedStream::Format::Plain &&
        size > m_stream.GetFileSize() - dataOffset) {
        return false;  // the data runs past the end of the file
    }
    *end = dataOffset + (size + kBlockSize - 1) / kBlockSize * kBlockSize;
    return true;
}

bool CTarArchive::ReadMember(const unsigned char* block, std::int64_t size,
                             const std::string& longName, const PaxValues& pax,
                             std::int64_t* next) {
    const unsigned char type = block[kTypeOffset];
    Record record;
    if (!pax.sparseName.empty()) {
        record.name = pax.sparseName;
    } else if (!pax.path.empty()) {
        record.name = pax.path;
    } else if (!longName.empty()) {
        record.name = longName;
    } else {
        record.name = TextField(block, kNameOffset, kNameLength);
        const std::string prefix = TextField(block, kPrefixOffset, kPrefixLength);
        if (std::memcmp(block + kMagicOffset, "ustar\0", 6) == 0 && !prefix.empty()) {
            record.name = prefix + '/' + record.name;
        }
    }
    record.name = NormaliseMemberName(std::move(record.name));
    record.folder = type == '5' || (!record.name.empty() && record.name.back() == '\\');
    if (record.folder && record.name.back() != '\\') {
        record.name += '\\';
    }
    if (pax.size >= 0) {
        size = pax.size;
    }
    // Links, devices and FIFOs carry no data (old archives record the link
    // target's size), and neither does a folder written as a regular member
    // with a name ending in "/", whatever its size field says.
    const bool regular = type == '0' || type == '\0' || type == '7';
    if (HasNoData(type) || (record.folder && regular)) {
        size = 0;
    }
    // Links carry the link attribute, as links on disk do; devices and FIFOs
    // the device attribute: neither is a file with contents of its own.
    if (type == '1' || type == '2') {
        record.special = FILE_ATTRIBUTE_REPARSE_POINT;
    } else if (type == '3' || type == '4' || type == '6') {
        record.special = FILE_ATTRIBUTE_DEVICE;
    }
    record.size = size;
    // A sparse member's data holds only the parts that are not holes; it is
    // listed with its real size and name, but not read.
    record.sparse = type == 'S' || pax.sparse;
    if (type == 'S') {
        if (!SkipSparseExtensions(block) ||
            !ParseNumber(block + kSparseRealSizeOffset, &record.size)) {
            return false;
        }
    } else if (pax.sparse && pax.realSize >= 0) {
        record.size = pax.realSize;
    }
    record.dataOffset = m_stream.Tell();
    if (!DataEnd(size, next)) {
        return false;
    }
    std::int64_t seconds = 0;
    if (ParseNumber(block + kMtimeOffset, &seconds)) {
        record.time = UnixTimeToLocalFileTime(seconds);
    }
    // A name that is nothing but "." steps or separators cannot be addressed.
    if (record.name.find_first_not_of('\\') != std::string::npos) {
        m_records.push_back(std::move(record));
    }
    return true;
}

bool CTarArchive::SkipSparseExtensions(const unsigned char* header) {
    // Each extension block says whether another follows; every one is read,
    // so the loop ends with the data at the latest.
    for (bool more = header[kSparseExtendedOffset] != 0; more;) {
        unsigned char extension[kBlockSize];
        if (m_stream.Read(extension, sizeof extension) != kBlockSize) {
            return false;
        }
        more = extension[kExtensionExtendedOffset] != 0;
    }
    return true;
}

void CTarArchive::FillTable() {
    struct Child {
        bool isNode;
        std::size_t index;  // a node, or a record
    };
    struct Node {
        std::string name;              // as first spelled, with its trailing "\"
        std::vector<std::size_t> own;  // the folder's own records
        std::vector<Child> children;   // in order of first appearance
    };
    std::vector<Node> nodes(1);  // node 0 is the root
    std::map<std::pair<std::size_t, std::string>, std::size_t> byComponent;

    for (std::size_t r = 0; r < m_records.size(); ++r) {
        const std::string& name = m_records[r].name;
        const std::size_t firstName = name.find_first_not_of('\\');
        // A folder's own path ends with its last "\"; a file's folder is
        // everything up to its last "\".
        const std::size_t last = name.rfind('\\');
        const std::size_t limit = m_records[r].folder         ? name.size()
                                  : last == std::string::npos ? 0
                                                              : last + 1;
        std::size_t parent = 0;
        std::size_t start = firstName;
        for (std::size_t p = firstName; p < limit; ++p) {
            if (name[p] != '\\') {
                continue;
            }
            auto key = std::make_pair(parent, LowerCaseUtf8(name.substr(start, p - start)));
            auto it = byComponent.find(key);
            if (it == byComponent.end()) {
                nodes.push_back(Node{name.substr(0, p + 1), {}, {}});
                nodes[parent].children.push_back(Child{true, nodes.size() - 1});
                it = byComponent.emplace(std::move(key), nodes.size() - 1).first;
            }
            parent = it->second;
            start = p + 1;
        }
        if (m_records[r].folder) {
            nodes[parent].own.push_back(r);
        } else {
            nodes[parent].children.push_back(Child{false, r});
        }
    }

    const auto addRecord = [this](std::size_t r) {
        const Record& record = m_records[r];
        AddMember(record.name, record.size, record.time,
                  record.folder ? FILE_ATTRIBUTE_DIRECTORY : record.special, r);
    };
    // Depth first, without recursion: names may nest thousands deep.
    std::vector<std::pair<std::size_t, std::size_t>> stack{{0, 0}};  // node, next child
    while (!stack.empty()) {
        const std::size_t node = stack.back().first;
        const std::size_t next = stack.back().second;
        if (next == nodes[node].children.size()) {
            stack.pop_back();
            continue;
        }
        ++stack.back().second;
        const Child child = nodes[node].children[next];
        if (!child.isNode) {
            addRecord(child.index);
            continue;
        }
        const Node& folder = nodes[child.index];
        if (folder.own.empty()) {
            AddMember(folder.name, 0, FILETIME{}, FILE_ATTRIBUTE_DIRECTORY,
                      CArchiveMember::NO_RECORD);
        }
        for (const std::size_t r : folder.own) {
            addRecord(r);
        }
        stack.emplace_back(child.index, 0);
    }
}

CTarArchive::Record* CTarArchive::RecordOf(int i) {
    return const_cast<Record*>(static_cast<const CTarArchive*>(this)->RecordOf(i));
}

const CTarArchive::Record* CTarArchive::RecordOf(int i) const {
    const CArchiveMember* member = GetMember(i);
    if (member == nullptr || member->m_nRecord >= m_records.size()) {
        return nullptr;
    }
    return &m_records[member->m_nRecord];
}

BOOL CTarArchive::IsEntryOpen(int i) const {
    const Record* record = RecordOf(i);
    return (record != nullptr && record->position >= 0) ? TRUE : FALSE;
}

BOOL CTarArchive::OpenEntry(int i) {
    Record* record = RecordOf(i);
    if (record == nullptr || record->folder || record->position >= 0) {
        SetFailure(ArchiveFailure::BadMember);
        return FALSE;
    }
    if (record->sparse) {
        SetFailure(ArchiveFailure::UnsupportedMethod);
        return FALSE;
    }
    record->position = 0;
    return TRUE;
}

BOOL CTarArchive::CloseEntry(int i) {
    Record* record = RecordOf(i);
    if (record == nullptr) {
        return FALSE;
    }
    record->position = -1;
    return TRUE;
}

int CTarArchive::Read(int i, void* buffer, int count) {
    Record* record = RecordOf(i);
    if (record == nullptr || !IsOpen() || record->position < 0 || count < 0) {
        return SetFailure(ArchiveFailure::BadMember);
    }
    const std::int64_t wanted = std::min<std::int64_t>(count, record->size - record->position);
    if (wanted <= 0) {
        return 0;
    }
    const std::int64_t at = record->dataOffset + record->position;
    if (m_stream.Tell() != at && !m_stream.Seek(at)) {
        return SetFailure(ArchiveFailure::BadArchive);
    }
    const std::int64_t got = m_stream.Read(buffer, static_cast<std::size_t>(wanted));
    if (got <= 0) {
        return SetFailure(ArchiveFailure::BadArchive);  // the data is cut short or corrupt
    }
    record->position += got;
    return static_cast<int>(got);
}

std::int64_t CTarArchive::GetBytesRead(int i) const {
    const Record* record = RecordOf(i);
    return (record != nullptr && record->position >= 0) ? record->position : -1;
}

std::unique_ptr<CArchiveHandler> CreateTarArchiveHandler() {
    return std::make_unique<CTarArchive>();
}
