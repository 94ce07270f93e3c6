#include "readers/archives/CompressedStream.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/FileTime.h"

namespace {

constexpr std::size_t kInputBufferSize = 0x10000;
// Skips decode into a scratch buffer of at most this size.
constexpr std::size_t kSkipBufferSize = 0x10000;
// Largest output handed to one decoder call (its counters are unsigned int).
constexpr std::size_t kMaxDecoderChunk = UINT_MAX / 2;
// Kept decoded bytes are stored in blocks of this size: growing never copies.
constexpr std::size_t kReplayBlockSize = 0x10000;

bool IsGzipMagic(const unsigned char* p) {
    return p[0] == 0x1f && p[1] == 0x8b;
}

bool IsBzip2Magic(const unsigned char* p) {
    return p[0] == 'B' && p[1] == 'Z' && p[2] == 'h' && p[3] >= '1' && p[3] <= '9';
}

}  // namespace

CCompressedStream::~CCompressedStream() {
    Close();
}

bool CCompressedStream::Open(const std::string& path, int accept) {
    Close();
    if (!m_file.Open(path)) {
        return false;
    }
    m_nFileSize = std::max<std::int64_t>(m_file.GetLength(), 0);
    m_input.resize(kInputBufferSize);
    m_nInputStart = m_nInputEnd = 0;
    m_bFileEnd = false;
    FillInput(4);
    const std::size_t available = m_nInputEnd - m_nInputStart;
    const unsigned char* head = m_input.data() + m_nInputStart;
    if (available >= 2 && IsGzipMagic(head)) {
        m_format = Format::Gzip;
    } else if (available >= 4 && IsBzip2Magic(head)) {
        m_format = Format::Bzip2;
    } else {
        m_format = Format::Plain;
    }
    const int bit = m_format == Format::Gzip    ? ACCEPT_GZIP
                    : m_format == Format::Bzip2 ? ACCEPT_BZIP2
                                                : ACCEPT_PLAIN;
    if ((accept & bit) == 0 || !Rewind()) {
        Close();
        return false;
    }
    m_nRecordedSize = m_format == Format::Plain ? m_nFileSize : -1;
    return true;
}

void CCompressedStream::Close() {
    EndDecoder();
    m_file.Close();
    m_input.clear();
    m_input.shrink_to_fit();
    m_nInputStart = m_nInputEnd = 0;
    m_nFileSize = 0;
    m_nRecordedSize = -1;
    m_position = m_nDecoded = 0;
    m_bEnded = m_bFailed = m_bFileEnd = false;
    m_format = Format::Plain;
    DropReplay();
    m_bReplayOverflow = false;
}

bool CCompressedStream::Rewind() {
    if (!m_file.IsOpen()) {
        return false;
    }
    if (m_bReplay && !m_bFailed) {
        m_position = 0;  // the kept bytes are served again, then decoding goes on
        return true;
    }
    // After an error the decoder starts over, so that a failed file read is
    // tried again; the kept bytes go with it.
    EndDecoder();
    DropReplay();
    m_position = m_nDecoded = 0;
    m_bEnded = m_bFailed = false;
    m_nInputStart = m_nInputEnd = 0;
    m_bFileEnd = false;
    if (!m_file.Seek(0, 0)) {
        return false;
    }
    if (m_format == Format::Plain) {
        return true;
    }
    m_bReplay = m_nReplayLimit > 0 && !m_bReplayOverflow;
    return StartDecoder();
}

bool CCompressedStream::StartDecoder() {
    if (m_format == Format::Gzip) {
        m_zlib = z_stream{};
        if (inflateInit2(&m_zlib, 16 + MAX_WBITS) != Z_OK) {
            return false;
        }
    } else {
        m_bzip = bz_stream{};
        if (BZ2_bzDecompressInit(&m_bzip, 0, 0) != BZ_OK) {
            return false;
        }
    }
    m_bDecoderActive = true;
    return true;
}

void CCompressedStream::EndDecoder() {
    if (!m_bDecoderActive) {
        return;
    }
    if (m_format == Format::Gzip) {
        inflateEnd(&m_zlib);
    } else {
        BZ2_bzDecompressEnd(&m_bzip);
    }
    m_bDecoderActive = false;
}

bool CCompressedStream::FillInput(std::size_t count) {
    if (m_nInputEnd - m_nInputStart >= count) {
        return true;
    }
    if (m_nInputStart > 0) {
        std::memmove(m_input.data(), m_input.data() + m_nInputStart, m_nInputEnd - m_nInputStart);
        m_nInputEnd -= m_nInputStart;
        m_nInputStart = 0;
    }
    while (!m_bFileEnd && m_nInputEnd < count) {
        const std::size_t room = m_input.size() - m_nInputEnd;
        const std::int64_t n = m_file.Read(m_input.data() + m_nInputEnd, room);
        if (n <= 0 || static_cast<std::size_t>(n) < room) {
            m_bFileEnd = true;  // InputFile reads on until `room` or the end
        }
        if (n > 0) {
            m_nInputEnd += static_cast<std::size_t>(n);
        }
    }
    return m_nInputEnd - m_nInputStart >= count;
}

bool CCompressedStream::NextMemberFollows() {
    if (m_format == Format::Gzip) {
        return FillInput(2) && IsGzipMagic(m_input.data() + m_nInputStart);
    }
    return FillInput(4) && IsBzip2Magic(m_input.data() + m_nInputStart);
}

std::int64_t CCompressedStream::Read(void* buffer, std::size_t count) {
    if (!m_file.IsOpen() || m_bFailed || (buffer == nullptr && count > 0)) {
        return -1;
    }
    auto* out = static_cast<unsigned char*>(buffer);
    if (m_format == Format::Plain) {
        const std::int64_t n = ReadPlain(out, count);
        if (n > 0) {
            m_position += n;
        }
        return n;
    }
    const std::size_t replayed = Replay(out, count);
    if (replayed == count) {
        return static_cast<std::int64_t>(replayed);
    }
    const std::int64_t n = m_format == Format::Gzip ? ReadGzip(out + replayed, count - replayed)
                                                    : ReadBzip2(out + replayed, count - replayed);
    if (n < 0) {
        return replayed > 0 ? static_cast<std::int64_t>(replayed) : -1;
    }
    Keep(out + replayed, static_cast<std::size_t>(n));
    m_position += n;
    m_nDecoded += n;
    return static_cast<std::int64_t>(replayed) + n;
}

std::size_t CCompressedStream::Replay(unsigned char* out, std::size_t count) {
    std::size_t done = 0;
    while (done < count && m_position < m_nDecoded) {
        const auto at = static_cast<std::size_t>(m_position);
        const std::size_t offset = at % kReplayBlockSize;
        const std::size_t n = std::min({count - done, kReplayBlockSize - offset,
                                        static_cast<std::size_t>(m_nDecoded - m_position)});
        std::memcpy(out + done, m_replay[at / kReplayBlockSize].get() + offset, n);
        done += n;
        m_position += static_cast<std::int64_t>(n);
    }
    return done;
}

void CCompressedStream::Keep(const unsigned char* data, std::size_t count) {
    if (!m_bReplay) {
        return;
    }
    if (count > m_nReplayLimit - static_cast<std::size_t>(m_nDecoded)) {
        DropReplay();
        m_bReplayOverflow = true;
        return;
    }
    auto end = static_cast<std::size_t>(m_nDecoded);
    while (count > 0) {
        const std::size_t offset = end % kReplayBlockSize;
        if (offset == 0) {
            m_replay.push_back(std::make_unique_for_overwrite<unsigned char[]>(kReplayBlockSize));
        }
        const std::size_t n = std::min(count, kReplayBlockSize - offset);
        std::memcpy(m_replay.back().get() + offset, data, n);
        data += n;
        count -= n;
        end += n;
    }
}

void CCompressedStream::DropReplay() {
    m_replay.clear();
    m_replay.shrink_to_fit();
    m_bReplay = false;
}

std::int64_t CCompressedStream::ReadPlain(unsigned char* out, std::size_t count) {
    const std::int64_t n = m_file.Read(out, count);
    if (n < 0) {
        m_bFailed = true;
    }
    return n;
}

std::int64_t CCompressedStream::ReadGzip(unsigned char* out, std::size_t count) {
    std::size_t done = 0;
    while (done < count && !m_bEnded) {
        if (m_nInputStart == m_nInputEnd && !FillInput(1)) {
            m_bFailed = true;  // the data ends inside a member
            break;
        }
        const std::size_t chunk = std::min(count - done, kMaxDecoderChunk);
        m_zlib.next_in = m_input.data() + m_nInputStart;
        m_zlib.avail_in = static_cast<uInt>(m_nInputEnd - m_nInputStart);
        m_zlib.next_out = out + done;
        m_zlib.avail_out = static_cast<uInt>(chunk);
        const int ret = inflate(&m_zlib, Z_NO_FLUSH);
        const std::size_t consumed = (m_nInputEnd - m_nInputStart) - m_zlib.avail_in;
        const std::size_t produced = chunk - m_zlib.avail_out;
        m_nInputStart += consumed;
        done += produced;
        if (ret == Z_STREAM_END) {
            if (NextMemberFollows()) {
                if (inflateReset(&m_zlib) != Z_OK) {
                    m_bFailed = true;
                    break;
                }
            } else {
                m_bEnded = true;
            }
        } else if (ret != Z_OK || (consumed == 0 && produced == 0)) {
            m_bFailed = true;  // corrupt data, or a decoder that cannot move on
            break;
        }
    }
    if (m_bFailed && done == 0) {
        return -1;
    }
    return static_cast<std::int64_t>(done);
}

std::int64_t CCompressedStream::ReadBzip2(unsigned char* out, std::size_t count) {
    std::size_t done = 0;
    while (done < count && !m_bEnded) {
        if (m_nInputStart == m_nInputEnd && !FillInput(1)) {
            m_bFailed = true;  // the data ends inside a stream
            break;
        }
        const std::size_t chunk = std::min(count - done, kMaxDecoderChunk);
        m_bzip.next_in = reinterpret_cast<char*>(m_input.data() + m_nInputStart);
        m_bzip.avail_in = static_cast<unsigned int>(m_nInputEnd - m_nInputStart);
        m_bzip.next_out = reinterpret_cast<char*>(out + done);
        m_bzip.avail_out = static_cast<unsigned int>(chunk);
        const int ret = BZ2_bzDecompress(&m_bzip);
        const std::size_t consumed = (m_nInputEnd - m_nInputStart) - m_bzip.avail_in;
        const std::size_t produced = chunk - m_bzip.avail_out;
        m_nInputStart += consumed;
        done += produced;
        if (ret == BZ_STREAM_END) {
            if (NextMemberFollows()) {
                BZ2_bzDecompressEnd(&m_bzip);
                m_bDecoderActive = false;
                if (!StartDecoder()) {
                    m_bFailed = true;
                    break;
                }
            } else {
                m_bEnded = true;
            }
        } else if (ret != BZ_OK || (consumed == 0 && produced == 0)) {
            m_bFailed = true;  // corrupt data, or a decoder that cannot move on
            break;
        }
    }
    if (m_bFailed && done == 0) {
        return -1;
    }
    return static_cast<std::int64_t>(done);
}

bool CCompressedStream::Seek(std::int64_t target) {
    if (!m_file.IsOpen() || target < 0) {
        return false;
    }
    if (m_format == Format::Plain) {
        if (target > m_nFileSize || !m_file.Seek(target, 0)) {
            return false;
        }
        m_position = target;
        m_bFailed = false;
        return true;
    }
    if (target < m_position && !Rewind()) {
        return false;
    }
    if (m_bReplay) {
        m_position = std::max(m_position, std::min(target, m_nDecoded));  // kept bytes: just move
    }
    if (target == m_position) {
        return !m_bFailed;
    }
    std::vector<unsigned char> scratch(
        static_cast<std::size_t>(std::min<std::int64_t>(target - m_position, kSkipBufferSize)));
    while (m_position < target) {
        const std::size_t step = static_cast<std::size_t>(
            std::min<std::int64_t>(target - m_position, static_cast<std::int64_t>(scratch.size())));
        if (Read(scratch.data(), step) <= 0) {
            return false;
        }
    }
    return true;
}

bool CCompressedStream::GetLastWriteTime(FILETIME* time) const {
    struct stat st {};
    if (time == nullptr || !m_file.IsOpen() || ::fstat(m_file.Fd(), &st) != 0) {
        return false;
    }
    *time = TimespecToFileTimeClamped(st.st_mtim);
    return true;
}
