#include "readers/archives/SingleMemberArchive.h"

#include "platform/FileTime.h"
#include "platform/TextCase.h"

CSingleMemberArchive::~CSingleMemberArchive() {
    Close();
}

BOOL CSingleMemberArchive::Open(const std::string& path) {
    if (IsOpenOn(path)) {
        return TRUE;
    }
    Close();
    if (!m_stream.Open(path, AcceptedFormats())) {
        return FALSE;
    }
    FILETIME utc{};
    m_ftTime = FILETIME{};
    if (m_stream.GetLastWriteTime(&utc)) {
        FileTimeToLocalFileTime(&utc, &m_ftTime);
    }
    const std::size_t slash = path.rfind('/');
    m_strMemberName = MemberName(slash == std::string::npos ? path : path.substr(slash + 1));
    m_strPath = path;
    return TRUE;
}

void CSingleMemberArchive::Close() {
    m_stream.Close();
    m_strMemberName.clear();
    m_strPath.clear();
}

int CSingleMemberArchive::FindEntry(const std::string& name) const {
    if (!IsOpen() || LowerCaseUtf8(name) != LowerCaseUtf8(m_strMemberName)) {
        return -1;
    }
    return 0;
}

BOOL CSingleMemberArchive::OpenEntry(int i) {
    if (!IsMember(i)) {
        return FALSE;
    }
    return (m_stream.Tell() == 0 || m_stream.Rewind()) ? TRUE : FALSE;
}

BOOL CSingleMemberArchive::CloseEntry(int i) {
    if (!IsMember(i)) {
        return FALSE;
    }
    m_stream.Rewind();
    return TRUE;
}

int CSingleMemberArchive::Read(int i, void* buffer, int count) {
    if (!IsMember(i) || count < 0) {
        return -1;
    }
    return static_cast<int>(m_stream.Read(buffer, static_cast<std::size_t>(count)));
}

std::int64_t CSingleMemberArchive::GetBytesRead(int i) const {
    return IsMember(i) ? m_stream.Tell() : -1;
}

int CSingleMemberArchive::NextChild(int i, const std::string& folder, BOOL) const {
    return (i == -1 && folder.empty() && IsOpen()) ? 0 : -1;
}

BOOL CSingleMemberArchive::HasSubfolders(const std::string&, BOOL* has) const {
    if (has != nullptr) {
        *has = FALSE;
    }
    return FALSE;
}

BOOL CSingleMemberArchive::GetAttributes(int i, DWORD* attributes) const {
    if (!IsMember(i) || attributes == nullptr) {
        return FALSE;
    }
    *attributes = 0;
    return TRUE;
}

BOOL CSingleMemberArchive::GetFileInfo(int i, CArchiveEntryInfo* info) const {
    if (!IsMember(i) || info == nullptr) {
        return FALSE;
    }
    info->m_strName = m_strMemberName;
    info->m_nSize = -1;
    info->m_ftTime = m_ftTime;
    return TRUE;
}

BOOL CSingleMemberArchive::GetName(int i, std::string* name) const {
    if (!IsMember(i) || name == nullptr) {
        return FALSE;
    }
    *name = m_strMemberName;
    return TRUE;
}
