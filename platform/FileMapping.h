#pragma once
// Whole-file read access without a read loop: a read-only memory mapping of a
// regular file, and a reader of byte ranges at explicit offsets.

#include <cstddef>
#include <cstdint>
#include <string>

namespace zb {

// A read-only, private mapping of a whole regular file. An empty file is an
// open mapping of an empty range (Data() is still a valid pointer).
//
// The mapping shows the file as it is on disk: if another process truncates
// the file while it is mapped, reading past the new end faults, as with any
// mapping. Use PositionedReader for files that may change underneath.
class FileMapping {
public:
    FileMapping() = default;
    ~FileMapping();
    FileMapping(FileMapping&& other) noexcept;
    FileMapping& operator=(FileMapping&& other) noexcept;
    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;

    // Maps `path` (regular files only); releases any earlier mapping first.
    // False with errno set on failure.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_data != nullptr; }

    const std::uint8_t* Data() const { return m_data; }
    std::size_t Size() const { return m_size; }

private:
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    bool m_mapped = false;  // false for the empty range of an empty file
};

// Reads byte ranges at explicit offsets (pread), so several readers can share
// one descriptor without a common file position.
class PositionedReader {
public:
    PositionedReader() = default;
    // Reads through `fd`, which stays the caller's (it is not closed here).
    explicit PositionedReader(int fd) : m_fd(fd) {}
    ~PositionedReader();
    PositionedReader(PositionedReader&& other) noexcept;
    PositionedReader& operator=(PositionedReader&& other) noexcept;
    PositionedReader(const PositionedReader&) = delete;
    PositionedReader& operator=(const PositionedReader&) = delete;

    // Opens `path` (regular files only) and owns the descriptor.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    // Reads up to `count` bytes at `offset`. A short read or an interrupted
    // call is retried until `count` bytes or the end of the file; returns
    // the bytes read (0 at or past the end), -1 on error or when not open.
    std::int64_t ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const;

    // The file's current size; -1 on error or when not open.
    std::int64_t Size() const;

private:
    int m_fd = -1;
    bool m_owned = false;
};

}  // namespace zb
