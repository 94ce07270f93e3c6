#include "platform/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <utility>

namespace zb {

int OpenRegularFile(const std::string& path) {
    return OpenRegularFileAt(AT_FDCWD, path.c_str());
}

int OpenRegularFileAt(int dirFd, const char* name, FileStamp* stamp) {
    // O_NONBLOCK keeps the open itself from waiting on a FIFO without a writer.
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = S_ISDIR(st.st_mode) ? EISDIR : ENXIO;
        return -1;
    }
    // O_NONBLOCK stays set: it changes nothing for reads of a regular file.
    if (stamp) {
        stamp->device = st.st_dev;
        stamp->inode = st.st_ino;
        stamp->links = st.st_nlink;
        stamp->size = static_cast<std::int64_t>(st.st_size);
        stamp->modified =
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    }
    return fd;
}

InputFile::~InputFile() {
    Close();
}

InputFile::InputFile(InputFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_stamp(other.m_stamp), m_position(other.m_position) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        m_stamp = other.m_stamp;
        m_position = other.m_position;
    }
    return *this;
}

bool InputFile::Open(const std::string& path) {
    return OpenAt(AT_FDCWD, path.c_str());
}

bool InputFile::OpenAt(int dirFd, const char* name) {
    Close();
    m_stamp = {};
    m_fd = OpenRegularFileAt(dirFd, name, &m_stamp);
    m_position = 0;
    return m_fd >= 0;
}

void InputFile::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

std::int64_t ReadRetrying(int fd, void* buffer, std::size_t count, std::int64_t offset) {
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    constexpr std::uint64_t kMaxOffset = std::numeric_limits<off_t>::max();
    while (done < count) {
        ssize_t n;
        if (offset < 0) {
            n = ::read(fd, out + done, count - done);
        } else {
            // No file reaches past the largest offset, so reading stops there.
            if (static_cast<std::uint64_t>(offset) > kMaxOffset - done) {
                break;
            }
            n = ::pread(fd, out + done, count - done, static_cast<off_t>(offset + done));
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

std::int64_t InputFile::Read(void* buffer, std::size_t count) {
    if (m_fd < 0) {
        return -1;
    }
    // Asking for more than the file held at open: read what it held first;
    // when all of that arrives, the end is known without another call.
    const std::int64_t known = m_stamp.size - m_position;
    if (known >= 0 && static_cast<std::uint64_t>(known) < count) {
        const std::int64_t got = ReadRetrying(m_fd, buffer, static_cast<std::size_t>(known), -1);
        if (got >= 0)
            m_position += got;
        return got;
    }
    const std::int64_t got = ReadRetrying(m_fd, buffer, count, -1);
    if (got >= 0)
        m_position += got;
    return got;
}

bool InputFile::Seek(std::int64_t offset, int origin) {
    if (m_fd < 0) {
        return false;
    }
    std::int64_t base = 0;
    switch (origin) {
        case 0:
            break;
        case 1:
            base = GetPosition();
            break;
        case 2:
            base = GetLength();
            break;
        default:
            return false;
    }
    if (base < 0) {
        return false;
    }
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target) || target < 0 ||
        target > std::numeric_limits<off_t>::max()) {
        return false;
    }
    if (::lseek(m_fd, static_cast<off_t>(target), SEEK_SET) != static_cast<off_t>(target))
        return false;
    m_position = target;
    return true;
}

std::int64_t InputFile::GetPosition() const {
    if (m_fd < 0) {
        return -1;
    }
    return m_position;
}

std::int64_t FileSizeOf(int fd) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        return -1;
    }
    return static_cast<std::int64_t>(st.st_size);
}

std::int64_t InputFile::GetLength() const {
    return FileSizeOf(m_fd);
}

}  // namespace zb
