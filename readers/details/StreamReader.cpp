#include "readers/details/StreamReader.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "readers/archives/SourceStream.h"

CStreamReader::CStreamReader(CSourceStream& stream) : m_stream(&stream), m_buffer(kBufferSize) {
    m_next = m_end = m_buffer.data();
}

CStreamReader::CStreamReader(zb::ByteSpan bytes)
    : m_next(bytes.data()), m_end(bytes.data() + bytes.size()), m_atEnd(true) {}

bool CStreamReader::Fill() {
    if (m_atEnd || m_stream == nullptr)
        return false;
    // A member may deliver fewer bytes than asked before its end: only 0
    // (the end) or -1 (a failure) stop the reading.
    const int got = m_stream->Read(m_buffer.data(), static_cast<int>(m_buffer.size()));
    if (got <= 0) {
        m_atEnd = true;
        if (got < 0)
            m_ok = false;
        return false;
    }
    m_next = m_buffer.data();
    m_end = m_next + got;
    return true;
}

std::size_t CStreamReader::ReadSome(void* out, std::size_t count) {
    auto* target = static_cast<std::uint8_t*>(out);
    std::size_t done = 0;
    while (done < count && m_ok) {
        if (Buffered() == 0 && !Fill())
            break;
        const std::size_t take = std::min(count - done, Buffered());
        std::memcpy(target + done, m_next, take);
        m_next += take;
        done += take;
    }
    m_position += done;
    return m_ok ? done : 0;
}

bool CStreamReader::Read(void* out, std::size_t count) {
    if (ReadSome(out, count) != count)
        m_ok = false;
    return m_ok;
}

bool CStreamReader::ReadBytes(std::size_t count, std::vector<std::uint8_t>& out) {
    out.resize(count);
    return Read(out.data(), count);
}

bool CStreamReader::ReadByte(std::uint8_t& value) {
    if (Buffered() > 0 && m_ok) {
        value = *m_next++;
        ++m_position;
        return true;
    }
    return Read(&value, 1);
}

std::int64_t CStreamReader::Remaining() {
    if (m_stream == nullptr)
        return static_cast<std::int64_t>(Buffered());
    const std::int64_t length = m_stream->GetLength();
    const std::int64_t here = m_stream->GetPosition();
    if (length < 0 || here < 0 || here > length)
        return -1;
    return length - here + static_cast<std::int64_t>(Buffered());
}

bool CStreamReader::Skip(std::uint64_t count) {
    if (!m_ok)
        return false;
    const std::size_t buffered =
        static_cast<std::size_t>(std::min<std::uint64_t>(count, Buffered()));
    m_next += buffered;
    m_position += buffered;
    std::uint64_t left = count - buffered;
    if (left == 0)
        return true;
    if (m_stream != nullptr && m_stream->GetMode() == CSourceStream::MODE_DISK && !m_atEnd) {
        // A file on disk: check the target against its length, then seek.
        const std::int64_t here = m_stream->GetPosition();
        const std::int64_t length = m_stream->GetLength();
        if (here < 0 || length < here || left > static_cast<std::uint64_t>(length - here) ||
            !m_stream->Seek(static_cast<std::int64_t>(left), 1)) {
            m_ok = false;
            return false;
        }
        m_position += left;
        return true;
    }
    while (left > 0) {
        if (Buffered() == 0 && !Fill()) {
            m_ok = false;
            return false;
        }
        const std::size_t take =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, Buffered()));
        m_next += take;
        m_position += take;
        left -= take;
    }
    return true;
}
