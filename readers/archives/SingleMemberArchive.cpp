#include "readers/archives/SingleMemberArchive.h"

#include "platform/FileTime.h"

CSingleMemberArchive::~CSingleMemberArchive() {
    Close();
}

bool CSingleMemberArchive::OpenArchive(const std::string& path) {
    if (!m_stream.Open(path, AcceptedFormats())) {
        return false;
    }
    FILETIME utc{};
    FILETIME local{};
    if (m_stream.GetLastWriteTime(&utc)) {
        FileTimeToLocalFileTime(&utc, &local);
    }
    const std::size_t slash = path.rfind('/');
    const std::string name = MemberName(slash == std::string::npos ? path : path.substr(slash + 1));
    if (!AddMember(name, m_stream.GetRecordedSize(), local, 0, 0)) {
        return false;
    }
    IndexMembers();
    return true;
}

void CSingleMemberArchive::CloseArchive() {
    m_stream.Close();
}

BOOL CSingleMemberArchive::OpenEntry(int i) {
    if (!IsMember(i)) {
        SetFailure(ArchiveFailure::BadMember);
        return FALSE;
    }
    if (m_stream.Tell() != 0 && !m_stream.Rewind()) {
        SetFailure(ArchiveFailure::CannotOpen);
        return FALSE;
    }
    return TRUE;
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
        return SetFailure(ArchiveFailure::BadMember);
    }
    const std::int64_t n = m_stream.Read(buffer, static_cast<std::size_t>(count));
    if (n < 0) {
        return SetFailure(ArchiveFailure::BadArchive);
    }
    if (n == 0 && count > 0) {
        SetMemberSize(0, m_stream.Tell());  // the whole member is decoded now
    }
    return static_cast<int>(n);
}

std::int64_t CSingleMemberArchive::GetBytesRead(int i) const {
    return IsMember(i) ? m_stream.Tell() : -1;
}

BOOL CSingleMemberArchive::HasSubfolders(const std::string&, BOOL* has) const {
    if (has != nullptr) {
        *has = FALSE;
    }
    return FALSE;
}
