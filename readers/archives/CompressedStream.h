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
// A stream made with a replay limit keeps the decoded bytes from the start
// while they total at most that limit, so that moving back (Seek, Rewind)
// serves them again from memory and decoding goes on where it stopped; once
// the decoded data would pass the limit they are dropped and moving back
// decodes from the start again. A plain file keeps nothing.

#include <bzlib.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
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

    // `replayLimit`: most decoded bytes kept for moving back; 0 keeps none.
    explicit CCompressedStream(std::size_t replayLimit = 0) : m_nReplayLimit(replayLimit) {}
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
    // Back to the first byte; false when the file cannot be read. After a
    // read error the decoding starts over and the kept bytes are dropped.
    bool Rewind();

    // The size of the file on disk, as it was when opened.
    std::int64_t GetFileSize() const { return m_nFileSize; }
    // The decompressed size known before decoding: a plain file's own size;
    // -1 for gzip and bzip2 (a gzip trailer names only its own member, and
    // only modulo 4 GiB, so it says nothing of a file of several members).
    std::int64_t GetRecordedSize() const { return m_nRecordedSize; }
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
    // Copies kept bytes from the position on, up to `count`; the number copied.
    std::size_t Replay(unsigned char* out, std::size_t count);
    // Adds freshly decoded bytes to the kept ones, or drops them all when the
    // limit would be passed.
    void Keep(const unsigned char* data, std::size_t count);
    void DropReplay();

    zb::InputFile m_file;
    std::int64_t m_nFileSize = 0;
    std::int64_t m_nRecordedSize = -1;
    Format m_format = Format::Plain;
    std::int64_t m_position = 0;  // decompressed position of the next byte delivered
    std::int64_t m_nDecoded = 0;  // bytes the decoder has produced (compressed formats)
    bool m_bEnded = false;        // the last member is complete
    bool m_bFailed = false;       // corrupt or truncated data met

    std::vector<unsigned char> m_input;  // compressed bytes read from the file
    std::size_t m_nInputStart = 0;       // first unread byte in m_input
    std::size_t m_nInputEnd = 0;         // one past the last byte read into m_input
    bool m_bFileEnd = false;             // the file has no more bytes

    bool m_bDecoderActive = false;
    z_stream m_zlib{};
    bz_stream m_bzip{};

    // While m_bReplay, m_replay holds exactly the decoded bytes [0, m_nDecoded)
    // in blocks of a fixed size, and m_position may lie anywhere up to
    // m_nDecoded; otherwise a compressed stream's m_position == m_nDecoded.
    const std::size_t m_nReplayLimit;
    std::vector<std::unique_ptr<unsigned char[]>> m_replay;
    bool m_bReplay = false;
    bool m_bReplayOverflow = false;  // the data passed the limit: keep nothing until reopened
};
