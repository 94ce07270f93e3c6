#include "readers/archives/SourceStream.h"

#include <fcntl.h>

#include <algorithm>
#include <vector>

#include "readers/archives/ArchiveHandler.h"

namespace {

// A forward seek inside a member decodes and drops the skipped bytes through
// a buffer of at most this size, whatever the distance.
constexpr std::int64_t kSkipBufferSize = 64 * 1024;

}  // namespace

CSourceStream::~CSourceStream() {
    Close();
}

BOOL CSourceStream::OpenInArchive(CArchiveHandler* handler, const std::string& innerPath,
                                  int entry) {
    Close();
    if (handler == nullptr) {
        return FALSE;
    }
    entry = handler->OpenEntryAt(entry, innerPath);
    if (entry == -1) {
        return FALSE;
    }
    m_nEntry = entry;
    m_nMode = MODE_MEMBER;
    m_strPath = innerPath;
    m_pHandler = handler;
    return TRUE;
}

BOOL CSourceStream::Open(const std::string& path) {
    return OpenAt(AT_FDCWD, path, path);
}

BOOL CSourceStream::OpenAt(int dirFd, const std::string& name, const std::string& path) {
    Close();
    if (!m_file.OpenAt(dirFd, name.c_str())) {
        return FALSE;
    }
    m_nMode = MODE_DISK;
    m_strPath = path;
    return TRUE;
}

const zb::FileStamp* CSourceStream::GetDiskStamp() const {
    return m_nMode == MODE_DISK && m_file.IsOpen() ? &m_file.StampAtOpen() : nullptr;
}

int CSourceStream::Read(void* buffer, int count) {
    if (count < 0) {
        return -1;
    }
    switch (m_nMode) {
        case MODE_DISK:
            return static_cast<int>(m_file.Read(buffer, static_cast<std::size_t>(count)));
        case MODE_MEMBER:
            return m_pHandler != nullptr ? m_pHandler->Read(m_nEntry, buffer, count) : -1;
        default:
            return -1;
    }
}

BOOL CSourceStream::Close() {
    BOOL result = FALSE;
    if (m_pHandler != nullptr) {
        result = m_pHandler->CloseEntry(m_nEntry);
        m_nEntry = -1;
        m_pHandler = nullptr;
    }
    if (m_file.IsOpen()) {
        m_file.Close();
        result = TRUE;
    }
    return result;
}

std::int64_t CSourceStream::GetPosition() {
    if (m_nMode == MODE_DISK) {
        return m_file.IsOpen() ? m_file.GetPosition() : 0;
    }
    if (m_nMode == MODE_MEMBER && m_pHandler != nullptr) {
        const std::int64_t read = m_pHandler->GetBytesRead(m_nEntry);
        return read == -1 ? 0 : read;
    }
    return 0;
}

std::int64_t CSourceStream::GetLength() {
    if (m_nMode == MODE_DISK) {
        return m_file.IsOpen() ? m_file.GetLength() : 0;
    }
    if (m_nMode == MODE_MEMBER && m_pHandler != nullptr) {
        return m_pHandler->GetEntrySize(m_nEntry);
    }
    return 0;
}

BOOL CSourceStream::IsOpen() const {
    if (m_nMode == MODE_DISK) {
        return m_file.IsOpen() ? TRUE : FALSE;
    }
    if (m_nMode == MODE_MEMBER && m_pHandler != nullptr) {
        return m_pHandler->IsEntryOpen(m_nEntry) ? TRUE : FALSE;
    }
    return FALSE;
}

BOOL CSourceStream::Seek(std::int64_t offset, int origin) {
    if (m_nMode == MODE_DISK) {
        return m_file.Seek(offset, origin) ? TRUE : FALSE;
    }
    if (m_nMode == MODE_MEMBER) {
        return SeekInMember(offset, origin);
    }
    return FALSE;
}

bool CSourceStream::SeekInMember(std::int64_t offset, int origin) {
    if (m_pHandler == nullptr) {
        return false;
    }
    const std::int64_t pos = m_pHandler->GetBytesRead(m_nEntry);
    if (pos < 0) {
        return false;
    }
    std::int64_t base = 0;
    switch (origin) {
        case 0:
            break;
        case 1:
            base = pos;
            break;
        case 2:
            // The end of a member of unknown size cannot be a seek base.
            base = m_pHandler->GetEntrySize(m_nEntry);
            if (base < 0) {
                return false;
            }
            break;
        default:
            return false;
    }
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target) || target < pos) {
        return false;
    }
    std::int64_t remaining = target - pos;
    if (remaining == 0) {
        return true;
    }
    // Members only read forward: decode and drop the bytes up to the target.
    std::vector<char> scratch(static_cast<std::size_t>(std::min(remaining, kSkipBufferSize)));
    while (remaining > 0) {
        const int chunk = static_cast<int>(std::min<std::int64_t>(remaining, scratch.size()));
        if (m_pHandler->Read(m_nEntry, scratch.data(), chunk) != chunk) {
            return false;
        }
        remaining -= chunk;
    }
    return true;
}

BOOL OpenSourceStream(CSourceStream* stream, const char* archivePath, const std::string& name) {
    if (archivePath == nullptr) {
        return stream->Open(name);
    }
    CArchiveHandler* handler = FindArchiveHandler(archivePath);
    if (handler == nullptr) {
        return FALSE;
    }
    return stream->OpenInArchive(handler, name);
}
