#include "ThumbGenerator/ImageSource.h"

#include <sys/stat.h>

#include <cerrno>
#include <new>

#include "ThumbGenerator/TextException.h"
#include "platform/InputFile.h"

// ---------------------------------------------------------------------------
// CImageSource

CImageSource::CImageSource(CProgressNotifier* notifier)
    : m_notifier(notifier), m_deadline(std::chrono::steady_clock::now() + kTimeLimit) {}

void CImageSource::OpenBookkeeping(const std::string& name, std::size_t size) {
    m_name = name;
    m_size = size;
    m_bytesRead = 0;
    m_deadline = std::chrono::steady_clock::now() + kTimeLimit;
}

void CImageSource::Close() {
    if (m_notifier != nullptr)
        m_notifier->OnProgress(1.0);
    m_name.clear();
    m_start = m_current = nullptr;
    m_size = m_bytesRead = 0;
}

void CImageSource::SetData(const BYTE* start, std::size_t size) {
    m_start = m_current = start;
    m_size = size;
    m_bytesRead = 0;
}

const BYTE* CImageSource::GetBufferPtr(std::size_t count) const {
    return count <= GetBytesLeft() ? m_current : nullptr;
}

const BYTE* CImageSource::ReadNBytes(std::size_t count) {
    Advance(count);
    const BYTE* bytes = m_current;
    m_current += count;
    return bytes;
}

const BYTE* CImageSource::TakeBytes(std::size_t count) noexcept {
    if (count > GetBytesLeft())
        return nullptr;
    Count(count);
    const BYTE* bytes = m_current;
    m_current += count;
    return bytes;
}

bool CImageSource::Count(std::size_t count) noexcept {
    const std::size_t before = m_bytesRead;
    m_bytesRead += count;
    if (before / 1024 == m_bytesRead / 1024)
        return false;
    if (m_notifier != nullptr)
        m_notifier->OnProgress(static_cast<double>(m_bytesRead) / static_cast<double>(m_size));
    return true;
}

void CImageSource::RequireBytes(std::uint64_t count) const {
    if (count > GetBytesLeft())
        throw CTextException(kErrEndOfData, "End of file reached while decoding.\n");
}

void CImageSource::RequireCompressedBytes(std::uint64_t decodedBytes,
                                          std::uint64_t maxExpansion) const {
    RequireBytes(decodedBytes / maxExpansion + (decodedBytes % maxExpansion != 0 ? 1 : 0));
}

void CImageSource::Advance(std::size_t count) {
    RequireBytes(count);
    if (Count(count))
        CheckTimeBudget();
}

bool CImageSource::IsPastDeadline() const {
    return std::chrono::steady_clock::now() > m_deadline;
}

void CImageSource::CheckTimeBudget() const {
    if (IsPastDeadline())
        throw CTextException(kErrCannotHandle, "Decoder error: Decoding took too long.\n");
}

// ---------------------------------------------------------------------------
// CMappedFileSource

namespace {

// The open failure of an errno: a missing folder on the way is "path not
// found", a missing file in an existing folder "file not found".
int OpenFailureCode(int error, const std::string& path) {
    if (error == EACCES || error == EPERM)
        return kErrAccessDenied;
    if (error == ENOTDIR)
        return kErrPathNotFound;
    if (error == ENOENT) {
        const std::size_t slash = path.rfind('/');
        if (slash != std::string::npos && slash != 0) {
            struct stat folder;
            if (stat(path.substr(0, slash).c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode))
                return kErrPathNotFound;
        }
    }
    return kErrFileNotFound;
}

}  // namespace

int CMappedFileSource::Open(const std::string& path) {
    zb::InputFile file;
    if (!file.Open(path))
        return OpenFailureCode(errno, path);
    const std::int64_t size = file.GetLength();
    if (size <= 0 || size > kMaxFileSize)
        return kErrAccessDenied;
    try {
        m_data.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return kErrAccessDenied;
    }
    if (file.Read(m_data.data(), m_data.size()) != size) {
        m_data = std::vector<BYTE>();
        return kErrAccessDenied;
    }
    SetData(m_data.data(), m_data.size());
    OpenBookkeeping(path, m_data.size());
    return 0;
}

void CMappedFileSource::Close() {
    CImageSource::Close();
    m_data = std::vector<BYTE>();
}

// ---------------------------------------------------------------------------
// CMemorySource

void CMemorySource::Open(const std::string& name, const BYTE* data, std::size_t size) {
    SetData(data, size);
    OpenBookkeeping(name, size);
}
