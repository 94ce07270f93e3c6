#include "readers/archives/TableArchiveHandler.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <set>
#include <string_view>
#include <utility>

#include "platform/TextCase.h"

namespace {

// True if the name lies below the folder: longer than the folder path, begins
// with it and has "\" right after it. Every name lies below the root ("").
bool LiesUnder(const std::string& name, const std::string& folder) {
    const std::size_t p = folder.size();
    if (p == 0) {
        return true;
    }
    return name.size() > p && name.compare(0, p, folder) == 0 && name[p] == '\\';
}

// True if a name below a folder path of length p is a direct child: it has
// no further "\" after position p + 1, or only as its last character.
bool IsDirectChild(const std::string& name, std::size_t p) {
    const std::size_t next = name.find('\\', p + 1);
    return next == std::string::npos || next == name.size() - 1;
}

// The path up to and including the last "\" before the final character
// (a\b\c gives a\b\, a\b\ gives a\, x gives the empty path).
std::string ParentFolder(const std::string& path) {
    if (path.size() < 2) {
        return {};
    }
    const std::size_t slash = path.rfind('\\', path.size() - 2);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::string NormaliseMemberName(std::string name) {
    const std::size_t nul = name.find('\0');
    if (nul != std::string::npos) {
        name.resize(nul);
    }
    std::replace(name.begin(), name.end(), '/', '\\');
    std::string result;
    result.reserve(name.size());
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = name.find('\\', start);
        const bool last = end == std::string::npos;
        const std::string_view step(name.data() + start, (last ? name.size() : end) - start);
        if (step != ".") {
            result.append(step);
            if (!last) {
                result += '\\';
            }
        }
        if (last) {
            return result;
        }
        start = end + 1;
    }
}

BOOL CTableArchiveHandler::Open(const std::string& path) {
    if (IsOpenOn(path)) {
        return TRUE;
    }
    Close();
    SetFailure(ArchiveFailure::None);
    // Taken before the file is read: a file changed while it is read is
    // read afresh next time.
    const CFileStamp stamp = CFileStamp::Of(path);
    if (!OpenArchive(path)) {
        if (GetLastFailure() == ArchiveFailure::None) {
            SetFailure(ArchiveFailure::BadArchive);
        }
        Close();
        return FALSE;
    }
    SetOpenPath(path, stamp);
    m_bOpen = true;
    return TRUE;
}

void CTableArchiveHandler::Close() {
    CloseArchive();
    m_members.clear();
    m_lookup.clear();
    ClearOpenPath();
    m_bOpen = false;
}

const CArchiveMember* CTableArchiveHandler::GetMember(int i) const {
    if (i < 0 || i >= GetMemberCount()) {
        return nullptr;
    }
    return &m_members[static_cast<std::size_t>(i)];
}

bool CTableArchiveHandler::IsListedFile(int i) const {
    return !m_members[static_cast<std::size_t>(i)].IsFolder() && !IsHiddenMember(i);
}

int CTableArchiveHandler::FirstFile() const {
    for (int i = 0; i < GetMemberCount(); ++i) {
        if (IsListedFile(i)) {
            return i;
        }
    }
    return -1;
}

int CTableArchiveHandler::NextFile(int i) const {
    if (i < 0) {
        return -1;
    }
    for (int j = i + 1; j < GetMemberCount(); ++j) {
        if (IsListedFile(j)) {
            return j;
        }
    }
    return -1;
}

std::size_t CTableArchiveHandler::LookupPosition(const std::string& key) const {
    if (m_lookup.size() != m_members.size()) {
        return m_lookup.size();
    }
    const auto it =
        std::lower_bound(m_lookup.begin(), m_lookup.end(), key,
                         [this](int member, const std::string& k) { return Key(member) < k; });
    if (it == m_lookup.end() || Key(*it) != key) {
        return m_lookup.size();
    }
    return static_cast<std::size_t>(it - m_lookup.begin());
}

int CTableArchiveHandler::FindEntry(const std::string& query) const {
    const std::string name = NormaliseMemberName(query);
    const std::string key = LowerCaseUtf8(name);
    const std::size_t first = LookupPosition(key);
    if (first >= m_lookup.size()) {
        return -1;
    }
    // Names that differ only in case share a key: the exact spelling wins.
    for (std::size_t pos = first; pos < m_lookup.size() && Key(m_lookup[pos]) == key; ++pos) {
        if (m_members[static_cast<std::size_t>(m_lookup[pos])].m_strName == name) {
            return m_lookup[pos];
        }
    }
    return m_lookup[first];
}

std::int64_t CTableArchiveHandler::GetEntrySize(int i) const {
    const CArchiveMember* member = GetMember(i);
    return member != nullptr ? member->m_nSize : -1;
}

std::int64_t CTableArchiveHandler::GetReadOrder(int i) const {
    const CArchiveMember* member = GetMember(i);
    if (member == nullptr || member->m_nRecord == CArchiveMember::NO_RECORD) {
        return std::numeric_limits<std::int64_t>::max();
    }
    return static_cast<std::int64_t>(member->m_nRecord);
}

void CTableArchiveHandler::SetMemberSize(int i, std::int64_t size) {
    if (i >= 0 && i < GetMemberCount()) {
        m_members[static_cast<std::size_t>(i)].m_nSize = size;
    }
}

int CTableArchiveHandler::FindFolder(const std::string& folder) const {
    if (folder.empty()) {
        return -1;
    }
    const std::string key = LowerCaseUtf8(folder);
    const std::string folderKey = key + '\\';
    std::size_t pos = LookupPosition(folderKey);
    if (pos >= m_lookup.size()) {
        return -1;
    }
    // A folder recorded more than once: the walk starts after its last entry.
    while (pos + 1 < m_lookup.size()) {
        const std::string& next = Key(m_lookup[pos + 1]);
        if (next != key && next != folderKey) {
            break;
        }
        ++pos;
    }
    return m_lookup[pos];
}

int CTableArchiveHandler::NextChild(int i, const std::string& folder, BOOL subtree) const {
    const int n = GetMemberCount();
    if (i < -1 || i >= n - 1) {
        return -1;
    }
    const std::string key = LowerCaseUtf8(folder);
    for (++i; i < n; ++i) {
        if (!LiesUnder(Key(i), key)) {
            return -1;  // the walk has left the folder
        }
        if (!IsHiddenMember(i) && (subtree || IsDirectChild(Key(i), key.size()))) {
            return i;
        }
    }
    return -1;
}

BOOL CTableArchiveHandler::HasSubfolders(const std::string& folder, BOOL* has) const {
    if (has == nullptr || m_members.empty()) {
        return FALSE;
    }
    *has = FALSE;
    int start = 0;
    if (!folder.empty()) {
        const int own = FindFolder(folder);
        if (own < 0 || !m_members[static_cast<std::size_t>(own)].IsFolder()) {
            return FALSE;
        }
        start = own + 1;
    }
    const std::string key = LowerCaseUtf8(folder);
    for (int i = start; i < GetMemberCount() && LiesUnder(Key(i), key); ++i) {
        if (m_members[static_cast<std::size_t>(i)].IsFolder()) {
            *has = TRUE;
            break;
        }
    }
    return TRUE;
}

BOOL CTableArchiveHandler::GetAttributes(int i, DWORD* attributes) const {
    const CArchiveMember* member = GetMember(i);
    if (member == nullptr || attributes == nullptr) {
        return FALSE;
    }
    *attributes = member->m_dwAttributes;
    return TRUE;
}

BOOL CTableArchiveHandler::GetFileInfo(int i, CArchiveEntryInfo* info) const {
    const CArchiveMember* member = GetMember(i);
    if (member == nullptr || info == nullptr) {
        return FALSE;
    }
    info->m_strName = member->m_strName;
    info->m_nSize = member->m_nSize;
    info->m_ftTime = member->m_ftTime;
    return TRUE;
}

BOOL CTableArchiveHandler::GetName(int i, std::string* name) const {
    const CArchiveMember* member = GetMember(i);
    if (member == nullptr || name == nullptr) {
        return FALSE;
    }
    std::string result = member->m_strName;
    if (!result.empty() && result.back() == '\\') {
        result.pop_back();
    }
    if (result.empty()) {
        return FALSE;
    }
    *name = std::move(result);
    return TRUE;
}

bool CTableArchiveHandler::OpenArchiveFile(zb::PositionedReader& file, const std::string& path,
                                           std::uint64_t* size) {
    const std::int64_t fileSize = file.Open(path) ? file.Size() : -1;
    if (fileSize < 0) {
        SetFailure(ArchiveFailure::CannotOpen);
        return false;
    }
    *size = static_cast<std::uint64_t>(fileSize);
    return true;
}

bool CTableArchiveHandler::AddMember(std::string name, std::int64_t size, const FILETIME& time,
                                     DWORD attributes, std::size_t record) {
    name = NormaliseMemberName(std::move(name));
    if (name.empty()) {
        return false;
    }
    if (name.back() == '\\') {
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        name += '\\';
    }
    CArchiveMember member;
    member.m_strKey = LowerCaseUtf8(name);
    member.m_strName = std::move(name);
    member.m_nSize = size;
    member.m_ftTime = time;
    member.m_dwAttributes = attributes;
    member.m_nRecord = record;
    m_members.push_back(std::move(member));
    m_lookup.clear();  // the lookup no longer covers the table
    return true;
}

void CTableArchiveHandler::AddMissingFolders() {
    std::set<std::string> present;
    for (const CArchiveMember& member : m_members) {
        present.insert(member.m_strKey);
    }
    std::map<std::string, std::string> missing;  // key -> name as first spelled
    for (const CArchiveMember& member : m_members) {
        for (std::string parent = ParentFolder(member.m_strName); !parent.empty();
             parent = ParentFolder(parent)) {
            std::string key = LowerCaseUtf8(parent);
            if (present.count(key) != 0) {
                break;  // this parent, and so every folder above it, is known
            }
            present.insert(key);
            missing.emplace(std::move(key), parent);
        }
    }
    for (auto& [key, name] : missing) {
        AddMember(std::move(name), 0, FILETIME{}, FILE_ATTRIBUTE_DIRECTORY,
                  CArchiveMember::NO_RECORD);
    }
}

void CTableArchiveHandler::SortMembers() {
    std::stable_sort(m_members.begin(), m_members.end(),
                     [](const CArchiveMember& a, const CArchiveMember& b) {
                         if (a.m_strKey != b.m_strKey) {
                             return a.m_strKey < b.m_strKey;
                         }
                         return a.m_strName < b.m_strName;
                     });
    BuildLookup();
}

void CTableArchiveHandler::IndexMembers() {
    BuildLookup();
}

void CTableArchiveHandler::BuildLookup() {
    m_lookup.resize(m_members.size());
    std::iota(m_lookup.begin(), m_lookup.end(), 0);
    std::stable_sort(m_lookup.begin(), m_lookup.end(),
                     [this](int a, int b) { return Key(a) < Key(b); });
}
