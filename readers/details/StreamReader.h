#pragma once
// Sequential, buffered reading for the detail providers that read through a
// CSourceStream (a file on disk or an archive member) or, for tests and
// fuzzing, out of bytes in memory. Every read says whether it got all it
// asked for; a failed read leaves the reader failed, so a parser may test
// once after a run of reads. Skips move forward only: on disk by seeking,
// inside a member by reading through the buffer, so a size read from a file
// never allocates anything.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/ByteReader.h"

class CSourceStream;

class CStreamReader {
public:
    static constexpr std::size_t kBufferSize = 8 * 1024;

    // Reads `stream` (open; kept alive by the caller) from its current position.
    explicit CStreamReader(CSourceStream& stream);
    // Reads `bytes` (kept alive by the caller).
    explicit CStreamReader(zb::ByteSpan bytes);
    CStreamReader(const CStreamReader&) = delete;
    CStreamReader& operator=(const CStreamReader&) = delete;

    // Exactly `count` bytes into `out`; false (and a failed reader) when the
    // data ends first or a read fails.
    bool Read(void* out, std::size_t count);
    // Up to `count` bytes into `out`, fewer only at the end; the count read
    // (0 also after a failure).
    std::size_t ReadSome(void* out, std::size_t count);
    // Exactly `count` bytes into `out` (resized); `count` must have been
    // checked by the caller against what the format allows.
    bool ReadBytes(std::size_t count, std::vector<std::uint8_t>& out);
    bool ReadByte(std::uint8_t& value);
    // Moves forward by `count` bytes; false when the data ends first.
    bool Skip(std::uint64_t count);

    // Bytes consumed so far.
    std::uint64_t Position() const { return m_position; }
    // Bytes left to read; -1 when the stream cannot tell (a member of
    // unknown size).
    std::int64_t Remaining();
    bool Ok() const { return m_ok; }

private:
    bool Fill();
    std::size_t Buffered() const { return m_end - m_next; }

    CSourceStream* m_stream = nullptr;
    std::vector<std::uint8_t> m_buffer;
    const std::uint8_t* m_next = nullptr;
    const std::uint8_t* m_end = nullptr;
    std::uint64_t m_position = 0;
    bool m_ok = true;
    bool m_atEnd = false;
};
