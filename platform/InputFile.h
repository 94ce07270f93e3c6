#pragma once
// Read-only access to a regular file on disk: the file under an input stream.
// Only regular files are opened, so a FIFO, device or socket handed in as a
// path can never block or feed endless data to a reader.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace zb {

// What an open saw of a file: which file it is and how it stood, so that two
// names can be told to lead to the same, unchanged contents.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    nlink_t links = 0;
    std::int64_t size = 0;
    std::int64_t modified = 0;  // the last write, in nanoseconds since 1970
};

// Opens `path` read-only if it names a regular file (symbolic links are
// followed to their target). Anything else (FIFO, device, socket, directory)
// is refused with errno set (EISDIR for a directory, ENXIO otherwise). The
// returned descriptor is blocking and close-on-exec; -1 on failure.
int OpenRegularFile(const std::string& path);
// The same for `name` relative to the open folder `dirFd` (or AT_FDCWD);
// `stamp`, when given, receives the file's stamp at open.
int OpenRegularFileAt(int dirFd, const char* name, FileStamp* stamp = nullptr);

// The size of the open file `fd`; -1 when it cannot be read.
std::int64_t FileSizeOf(int fd);

// Reads up to `count` bytes, going on after short reads and interruptions
// until `count` or the end of the file: with `offset` below 0 from the file
// position (read), else at `offset` (pread). The bytes read, or -1 on error.
std::int64_t ReadRetrying(int fd, void* buffer, std::size_t count, std::int64_t offset);

class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens the file (closing any file open before); false on failure.
    bool Open(const std::string& path);
    // Opens `name` relative to the open folder `dirFd`; false on failure.
    bool OpenAt(int dirFd, const char* name);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    // Reads until `count` bytes or the end of the file; a short read or an
    // interrupted call is retried. Returns the bytes read (fewer than `count`
    // only at the end of the file, as far as the file reached when it was
    // opened), or -1 on error or when no file is open.
    std::int64_t Read(void* buffer, std::size_t count);

    // Origins: 0 = from the beginning, 1 = from the current position, 2 = from
    // the end. Fails for another origin, a target before the start, an
    // overflowing target or when no file is open; the position is then unchanged.
    bool Seek(std::int64_t offset, int origin);

    // The current position; -1 when no file is open.
    std::int64_t GetPosition() const;
    // The file's length in bytes; -1 when no file is open or it cannot be read.
    std::int64_t GetLength() const;

    int Fd() const { return m_fd; }
    // The open file's stamp when it was opened.
    const FileStamp& StampAtOpen() const { return m_stamp; }

private:
    int m_fd = -1;
    FileStamp m_stamp;
    std::int64_t m_position = 0;
};

}  // namespace zb
