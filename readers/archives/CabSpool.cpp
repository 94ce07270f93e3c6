#include "readers/archives/CabSpool.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string TemporaryFolder() {
    const char* dir = std::getenv("TMPDIR");
    return dir != nullptr && *dir != '\0' ? dir : "/tmp";
}

}  // namespace

CCabSpool::~CCabSpool() {
    Reset();
}

void CCabSpool::Reset() {
    m_memory.clear();
    m_memory.shrink_to_fit();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_nSize = 0;
}

bool CCabSpool::OpenTemporaryFile() {
    const std::string folder = TemporaryFolder();
    m_fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        // A file system without unnamed files: a named one, removed at once.
        std::string path = folder + "/zembrolt-cab-XXXXXX";
        m_fd = ::mkostemp(path.data(), O_CLOEXEC);
        if (m_fd >= 0) {
            ::unlink(path.c_str());
        }
    }
    return m_fd >= 0;
}

bool CCabSpool::Write(const void* data, std::size_t count) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (m_memory.size() < kMemoryLimit) {
        const std::size_t n = std::min(count, kMemoryLimit - m_memory.size());
        m_memory.insert(m_memory.end(), bytes, bytes + n);
        m_nSize += n;
        bytes += n;
        count -= n;
    }
    if (count == 0) {
        return true;
    }
    if (m_fd < 0 && !OpenTemporaryFile()) {
        return false;
    }
    while (count > 0) {
        const ssize_t n =
            ::pwrite(m_fd, bytes, count, static_cast<off_t>(m_nSize - m_memory.size()));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes += n;
        count -= static_cast<std::size_t>(n);
        m_nSize += static_cast<std::uint64_t>(n);
    }
    return true;
}

std::int64_t CCabSpool::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const {
    if (offset >= m_nSize) {
        return 0;
    }
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_nSize - offset));
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    if (offset < m_memory.size()) {
        done = std::min(count, m_memory.size() - static_cast<std::size_t>(offset));
        std::memcpy(out, m_memory.data() + offset, done);
    }
    while (done < count) {
        const ssize_t n = ::pread(m_fd, out + done, count - done,
                                  static_cast<off_t>(offset + done - m_memory.size()));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return -1;
        }
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}
