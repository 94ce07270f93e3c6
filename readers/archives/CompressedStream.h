#pragma once
// A forward-reading stream over the decompressed contents of a file: gzip
// (zlib), bzip2 (libbz2), or the file's own bytes when it is neither. The
// format is recognised by the file's first bytes. Concatenated gzip members
// and concatenated bzip2 streams are read as one stream; bytes after the last
// complete member that do not start another one are ignored, as the gzip and
// bzip2 tools do. Truncated or corrupt data is an error, never an endless
// loop: every decoder call either consumes input, produces output or ends.
//
// Moving backwards restarts decoding from the start of the file; moving
// forwards decodes and discards the skipped bytes (a plain file just moves).

#include <bzlib.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/InputFile.h"
#include "platform/WinTypes.h"

class CCompressedStream {
public:
    enum class Format { Plain, Gzip, Bzip2 };
    // Which formats Open accepts (bit mask).
    static constexpr int ACCEPT_PLAIN = 1;
    static constexpr int ACCEPT_GZIP = 2;
    static constexpr int ACCEPT_BZIP2 = 4;
    static constexpr int ACCEPT_ANY = ACCEPT_PLAIN | ACCEPT_GZIP | ACCEPT_BZIP2;

    CCompressedStream() = default;
    ~CCompressedStream();
    CCompressedStream(const CCompressedStream&) = delete;
    CCompressedStream& operator=(const CCompressedStream&) = delete;

    // Opens a regular file and recognises its format; false when it cannot be
    // opened or its format is not among `accept`.
    bool Open(const std::string& path, int accept);
    void Close();
    bool IsOpen() const { return m_file.IsOpen(); }
    Format GetFormat() const { return m_format; }

    // Reads up to `count` decompressed bytes, fewer only at the end of the
    // data. -1 on a read error or corrupt or truncated data; once an error is
    // met every later read fails until the stream is rewound.
    std::int64_t Read(void* buffer, std::size_t count);
    // The decompressed position.
    std::int64_t Tell() const { return m_position; }
    // Moves to an absolute decompressed position; false (position then
    // undefined until the next Seek or Rewind) when the data ends before it
    // or is corrupt.
    bool Seek(std::int64_t target);
    // Back to the first byte; false when the file cannot be read.
    bool Rewind();

    // The size of the file on disk, as it was when opened.
    std::int64_t GetFileSize() const { return m_nFileSize; }
    // The file's last-write time (UTC); false when it cannot be read.
    bool GetLastWriteTime(FILETIME* time) const;

private:
    bool StartDecoder();
    void EndDecoder();
    // Makes at least `count` unread input bytes available, if the file has
    // them; false when it has not (the available bytes stay).
    bool FillInput(std::size_t count);
    // True when the unread input starts another member of the same format.
    bool NextMemberFollows();
    std::int64_t ReadPlain(unsigned char* out, std::size_t count);
    std::int64_t ReadGzip(unsigned char* out, std::size_t count);
    std::int64_t ReadBzip2(unsigned char* out, std::size_t count);

    zb::InputFile m_file;
    std::int64_t m_nFileSize = 0;
    Format m_format = Format::Plain;
    std::int64_t m_position = 0;  // decompressed bytes delivered
    bool m_bEnded = false;        // the last member is complete
    bool m_bFailed = false;       // corrupt or truncated data met

    std::vector<unsigned char> m_input;  // compressed bytes read from the file
    std::size_t m_nInputStart = 0;       // first unread byte in m_input
    std::size_t m_nInputEnd = 0;         // one past the last byte read into m_input
    bool m_bFileEnd = false;             // the file has no more bytes

    bool m_bDecoderActive = false;
    z_stream m_zlib{};
    bz_stream m_bzip{};
};
