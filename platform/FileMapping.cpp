#include "platform/FileMapping.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <utility>

#include "platform/InputFile.h"

namespace zb {
namespace {

// What an empty file maps to: a valid pointer to no bytes.
constexpr std::uint8_t kEmpty[1] = {0};

void CloseKeepingErrno(int fd) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
}

}  // namespace

FileMapping::~FileMapping() {
    Close();
}

FileMapping::FileMapping(FileMapping&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_mapped(std::exchange(other.m_mapped, false)) {}

FileMapping& FileMapping::operator=(FileMapping&& other) noexcept {
    if (this != &other) {
        Close();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_mapped = std::exchange(other.m_mapped, false);
    }
    return *this;
}

bool FileMapping::Open(const std::string& path) {
    Close();
    const int fd = OpenRegularFile(path);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        CloseKeepingErrno(fd);
        return false;
    }
    if (st.st_size == 0) {
        ::close(fd);
        m_data = kEmpty;
        return true;
    }
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    // The mapping keeps its own reference to the file.
    CloseKeepingErrno(fd);
    if (data == MAP_FAILED) {
        return false;
    }
    m_data = static_cast<const std::uint8_t*>(data);
    m_size = size;
    m_mapped = true;
    return true;
}

void FileMapping::Close() {
    if (m_mapped) {
        ::munmap(const_cast<std::uint8_t*>(m_data), m_size);
    }
    m_data = nullptr;
    m_size = 0;
    m_mapped = false;
}

PositionedReader::~PositionedReader() {
    Close();
}

PositionedReader::PositionedReader(PositionedReader&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_owned(std::exchange(other.m_owned, false)) {}

PositionedReader& PositionedReader::operator=(PositionedReader&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        m_owned = std::exchange(other.m_owned, false);
    }
    return *this;
}

bool PositionedReader::Open(const std::string& path) {
    Close();
    m_fd = OpenRegularFile(path);
    m_owned = m_fd >= 0;
    return m_fd >= 0;
}

void PositionedReader::Close() {
    if (m_owned) {
        ::close(m_fd);
    }
    m_fd = -1;
    m_owned = false;
}

std::int64_t PositionedReader::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const {
    constexpr std::uint64_t kMaxOffset = std::numeric_limits<off_t>::max();
    if (m_fd < 0) {
        return -1;
    }
    // No file reaches past the largest offset: nothing to read there.
    if (offset > kMaxOffset) {
        return 0;
    }
    return ReadRetrying(m_fd, buffer, count, static_cast<std::int64_t>(offset));
}

std::int64_t PositionedReader::Size() const {
    return FileSizeOf(m_fd);
}

}  // namespace zb
