#pragma once
// Positioned reads out of a file or a block of memory, for the readers that
// jump around a file (compound files, executables, RIFF chunks). A read names
// its offset and size; it succeeds only when the whole range lies inside the
// source, so a size taken from the file is checked against the file before
// anything is read or allocated.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ByteReader.h"
#include "platform/InputFile.h"

namespace zb {

class ByteSource {
public:
    virtual ~ByteSource() = default;

    // The size in bytes (for a file: its size when it was opened).
    virtual std::uint64_t Size() const = 0;

    // Reads exactly `count` bytes at `offset` into `buffer`; false when the
    // range passes the end or the read fails.
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count);

    // Reads `count` bytes at `offset` into `out` (resized to `count`). The range
    // is checked against Size() before `out` is allocated.
    bool ReadAt(std::uint64_t offset, std::uint64_t count, std::vector<std::uint8_t>& out);

    // Little-endian values at `offset`; false when they do not fit.
    bool Le16At(std::uint64_t offset, std::uint16_t& value);
    bool Le32At(std::uint64_t offset, std::uint32_t& value);

protected:
    // Reads `count` bytes at `offset`, a range inside Size(); false on error.
    virtual bool ReadInside(std::uint64_t offset, void* buffer, std::size_t count) = 0;
};

// A regular file on disk, read with pread: a file that shrinks while it is
// read makes the read fail instead of faulting.
class FileSource : public ByteSource {
public:
    // Opens `path` if it names a regular file; false otherwise.
    bool Open(const std::string& path);
    bool IsOpen() const { return m_file.IsOpen(); }
    std::uint64_t Size() const override { return m_size; }

protected:
    bool ReadInside(std::uint64_t offset, void* buffer, std::size_t count) override;

private:
    InputFile m_file;
    std::uint64_t m_size = 0;
};

// Bytes in memory, borrowed (the caller keeps them alive) or owned.
class MemorySource : public ByteSource {
public:
    explicit MemorySource(ByteSpan bytes) : m_bytes(bytes) {}
    explicit MemorySource(std::vector<std::uint8_t> bytes)
        : m_owned(std::move(bytes)), m_bytes(m_owned) {}
    MemorySource(const MemorySource&) = delete;
    MemorySource& operator=(const MemorySource&) = delete;
    std::uint64_t Size() const override { return m_bytes.size(); }

protected:
    bool ReadInside(std::uint64_t offset, void* buffer, std::size_t count) override;

private:
    std::vector<std::uint8_t> m_owned;
    ByteSpan m_bytes;
};

// Opens `path` as a FileSource; null when it is not a readable regular file.
std::unique_ptr<ByteSource> OpenFileSource(const std::string& path);

}  // namespace zb
