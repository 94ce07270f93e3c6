#include "readers/archives/ArchiveExtractor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>

#include "platform/FileTime.h"
#include "platform/PosixFile.h"
#include "readers/archives/ArchiveHandler.h"

namespace {

// Bytes extraction reads at a time when a handler names no block size.
constexpr int kDefaultBlockSize = 0x10000;

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Opens the sub-folder `name` of `dirFd` without following a symlink.
int OpenSubFolder(int dirFd, const std::string& name) {
    return ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Splits "a/b/c" into its folder "a/b" and name "c".
void SplitRelative(const std::string& relative, std::string* folder, std::string* name) {
    const std::size_t slash = relative.rfind('/');
    if (slash == std::string::npos) {
        folder->clear();
        *name = relative;
    } else {
        folder->assign(relative, 0, slash);
        name->assign(relative, slash + 1);
    }
}

// A FILETIME of 0 means "no time": that field is left as it is.
timespec ToTimespec(const FILETIME& time) {
    if (time.Value() == 0) {
        timespec omit{};
        omit.tv_nsec = UTIME_OMIT;
        return omit;
    }
    return FileTimeToTimespec(time);
}

}  // namespace

BOOL SanitiseArchivePath(const std::string& inner, std::string* relative) {
    relative->clear();
    if (inner.empty() || IsSeparator(inner.front()))
        return FALSE;
    std::string result;
    result.reserve(inner.size());
    std::size_t start = 0;
    while (start <= inner.size()) {
        std::size_t end = start;
        while (end < inner.size() && !IsSeparator(inner[end]))
            ++end;
        const std::string segment = inner.substr(start, end - start);
        if (segment.empty() || segment == ".." || segment.find('\0') != std::string::npos ||
            segment.size() > NAME_MAX) {
            return FALSE;
        }
        if (segment != ".") {
            if (!result.empty())
                result += '/';
            result += segment;
        }
        start = end + 1;
    }
    if (result.empty())
        return FALSE;
    *relative = std::move(result);
    return TRUE;
}

std::string GetExtractionTempBase() {
    const char* tmp = std::getenv("TMPDIR");
    if (tmp && tmp[0] == '/')
        return tmp;
    return "/tmp";
}

CArchiveExtractor::CArchiveExtractor() : m_strBase(GetExtractionTempBase()) {}

CArchiveExtractor::CArchiveExtractor(std::string base) : m_strBase(std::move(base)) {}

CArchiveExtractor::~CArchiveExtractor() {
    Cleanup();
}

BOOL CArchiveExtractor::CreateFolder() {
    if (m_rootFd >= 0)
        return TRUE;
    std::string pattern = m_strBase;
    while (pattern.size() > 1 && pattern.back() == '/')
        pattern.pop_back();
    pattern += "/zembrolt-XXXXXX";
    // mkdtemp makes the folder with mode 0700.
    if (!::mkdtemp(pattern.data()))
        return FALSE;
    const int fd = ::open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        ::rmdir(pattern.c_str());
        return FALSE;
    }
    m_rootFd = fd;
    m_strFolder = std::move(pattern);
    return TRUE;
}

int CArchiveExtractor::OpenFolder(const std::string& relative, bool create) {
    if (m_rootFd < 0)
        return -1;
    zb::UniqueFd current(::fcntl(m_rootFd, F_DUPFD_CLOEXEC, 0));
    if (current.Get() < 0)
        return -1;
    std::size_t start = 0;
    while (start < relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string::npos)
            end = relative.size();
        const std::string name = relative.substr(start, end - start);
        if (create) {
            if (::mkdirat(current.Get(), name.c_str(), 0700) == 0) {
                const std::string made = relative.substr(0, end);
                if (std::find(m_arrFolders.begin(), m_arrFolders.end(), made) == m_arrFolders.end())
                    m_arrFolders.push_back(made);
            } else if (errno != EEXIST) {
                return -1;
            }
        }
        // A symlink in place of a folder fails here (O_NOFOLLOW).
        const int next = OpenSubFolder(current.Get(), name);
        if (next < 0)
            return -1;
        current.Reset(next);
        start = end + 1;
    }
    return current.Release();
}

ExtractResult CArchiveExtractor::ExtractMember(CArchiveHandler& handler, const std::string& inner,
                                               int entry, const CExtractedFileTimes& times,
                                               std::vector<char>& buffer,
                                               IExtractionProgress* progress, std::string* path,
                                               const std::string& under) {
    path->clear();
    m_lastFailure = ArchiveFailure::None;
    std::string relative;
    std::string safeUnder;
    if (!SanitiseArchivePath(inner, &relative) ||
        (!under.empty() && !SanitiseArchivePath(under, &safeUnder)))
        return ExtractResult::Refused;
    if (!safeUnder.empty())
        relative = safeUnder + "/" + relative;
    if (!CreateFolder())
        return ExtractResult::Skipped;

    std::string folder;
    std::string name;
    SplitRelative(relative, &folder, &name);
    zb::UniqueFd dir(OpenFolder(folder, true));
    if (dir.Get() < 0)
        return ExtractResult::Refused;

    entry = handler.FindEntryAt(entry, inner);
    if (entry == -1)
        return ExtractResult::Skipped;
    if (!handler.OpenEntry(entry)) {
        m_lastFailure = handler.GetLastFailure();
        return ExtractResult::Failed;
    }

    // An earlier copy (or anything else of that name but a folder) is
    // replaced: unlinking drops a symlink itself, never its target, and the
    // new file is created exclusively, so nothing outside is ever written.
    if (::unlinkat(dir.Get(), name.c_str(), 0) != 0 && errno != ENOENT) {
        handler.CloseEntry(entry);
        return ExtractResult::Skipped;
    }
    zb::UniqueFd file(::openat(dir.Get(), name.c_str(),
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.Get() < 0) {
        handler.CloseEntry(entry);
        return ExtractResult::Skipped;
    }
    if (std::find(m_arrFiles.begin(), m_arrFiles.end(), relative) == m_arrFiles.end())
        m_arrFiles.push_back(relative);

    ExtractResult result = CopyMember(handler, entry, file.Get(), buffer, progress);
    if (result == ExtractResult::Extracted) {
        const timespec stamps[2] = {ToTimespec(times.m_ftLastAccess),
                                    ToTimespec(times.m_ftLastWrite)};
        ::futimens(file.Get(), stamps);
        if (!file.Close())
            result = ExtractResult::Failed;
    }
    handler.CloseEntry(entry);
    if (result != ExtractResult::Extracted) {
        file.Reset();
        ::unlinkat(dir.Get(), name.c_str(), 0);
        ForgetFile(relative);
        return result;
    }
    *path = m_strFolder + "/" + relative;
    return result;
}

ExtractResult CArchiveExtractor::CopyMember(CArchiveHandler& handler, int entry, int fd,
                                            std::vector<char>& buffer,
                                            IExtractionProgress* progress) {
    int block = handler.GetBlockSize();
    if (block <= 0)
        block = kDefaultBlockSize;
    if (buffer.size() < static_cast<std::size_t>(block))
        buffer.resize(static_cast<std::size_t>(block));
    const std::int64_t size = handler.GetEntrySize(entry);
    const bool readToEnd = (handler.GetFlags() & ARCHIVE_FLAG_READ_TO_END) != 0;
    std::int64_t written = 0;
    for (;;) {
        const int n = handler.Read(entry, buffer.data(), block);
        if (n < 0) {
            m_lastFailure = handler.GetLastFailure();
            return ExtractResult::Failed;
        }
        if (n > block)
            return ExtractResult::Failed;
        // A short read is not the end: a decoder may hand out what it
        // decoded before it met damaged data, and fail the next read.
        if (n == 0)
            break;
        if (!zb::WriteAll(fd, buffer.data(), static_cast<std::size_t>(n)))
            return ExtractResult::Failed;
        written += n;
        if (progress && !progress->OnBytesWritten(n))
            return ExtractResult::Cancelled;
        if (size >= 0 && !readToEnd && written > size)
            break;
    }
    // A member of known size that ends before it is incomplete.
    if (size >= 0 && !readToEnd && written < size)
        return ExtractResult::Failed;
    return ExtractResult::Extracted;
}

std::vector<std::string> CArchiveExtractor::GetExtractedFiles() const {
    std::vector<std::string> paths;
    paths.reserve(m_arrFiles.size());
    for (const std::string& relative : m_arrFiles)
        paths.push_back(m_strFolder + "/" + relative);
    return paths;
}

std::vector<std::string> CArchiveExtractor::GetCreatedFolders() const {
    std::vector<std::string> paths;
    paths.reserve(m_arrFolders.size());
    for (const std::string& relative : m_arrFolders)
        paths.push_back(m_strFolder + "/" + relative);
    return paths;
}

void CArchiveExtractor::ForgetFile(const std::string& relative) {
    m_arrFiles.erase(std::remove(m_arrFiles.begin(), m_arrFiles.end(), relative), m_arrFiles.end());
}

void CArchiveExtractor::RemoveRelative(const std::string& relative, bool folder) {
    std::string parent;
    std::string name;
    SplitRelative(relative, &parent, &name);
    zb::UniqueFd dir(OpenFolder(parent, false));
    if (dir.Get() >= 0)
        ::unlinkat(dir.Get(), name.c_str(), folder ? AT_REMOVEDIR : 0);
}

void CArchiveExtractor::Cleanup() {
    if (m_rootFd < 0)
        return;
    for (const std::string& relative : m_arrFiles)
        RemoveRelative(relative, false);
    m_arrFiles.clear();
    // Deepest first, so that every folder is empty when its turn comes.
    std::stable_sort(
        m_arrFolders.begin(), m_arrFolders.end(), [](const std::string& a, const std::string& b) {
            return std::count(a.begin(), a.end(), '/') > std::count(b.begin(), b.end(), '/');
        });
    for (const std::string& relative : m_arrFolders)
        RemoveRelative(relative, true);
    m_arrFolders.clear();
    ::close(m_rootFd);
    m_rootFd = -1;
    // Only when empty: whatever someone else put there stays.
    ::rmdir(m_strFolder.c_str());
    m_strFolder.clear();
}
