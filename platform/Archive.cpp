#include "platform/Archive.h"

#include <algorithm>
#include <cstring>
#include <limits>

CArchive::CArchive(std::vector<std::uint8_t>& out) : m_out(&out) {}

CArchive::CArchive(const void* data, std::size_t size)
    : m_data(static_cast<const std::uint8_t*>(data)), m_size(data ? size : 0) {}

void CArchive::Write(const void* data, std::size_t size) {
    if (!m_out)
        throw CArchiveException("archive is not storing");
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    m_out->insert(m_out->end(), bytes, bytes + size);
}

void CArchive::Read(void* data, std::size_t size) {
    if (m_out)
        throw CArchiveException("archive is not loading");
    if (size > BytesLeft())
        throw CArchiveException("unexpected end of archive");
    if (size)
        std::memcpy(data, m_data + m_pos, size);
    m_pos += size;
}

CArchive& CArchive::WriteLe(std::uint32_t v, int bytes) {
    std::uint8_t b[4];
    for (int i = 0; i < bytes; ++i)
        b[i] = static_cast<std::uint8_t>(v >> (8 * i));
    Write(b, static_cast<std::size_t>(bytes));
    return *this;
}

CArchive& CArchive::WriteLe64(std::uint64_t v) {
    WriteLe(static_cast<std::uint32_t>(v), 4);
    return WriteLe(static_cast<std::uint32_t>(v >> 32), 4);
}

std::uint64_t CArchive::ReadLe(int bytes) {
    std::uint8_t b[8];
    Read(b, static_cast<std::size_t>(bytes));
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | b[i];
    return v;
}

void CArchive::WriteStringLength(std::vector<std::uint8_t>& out, std::size_t length) {
    CArchive ar(out);
    if (length < 0xFF) {
        ar << static_cast<std::uint8_t>(length);
    } else if (length < 0xFFFE) {
        ar << static_cast<std::uint8_t>(0xFF) << static_cast<std::uint16_t>(length);
    } else {
        if (length > std::numeric_limits<std::uint32_t>::max())
            throw CArchiveException("string too long to store");
        ar << static_cast<std::uint8_t>(0xFF) << static_cast<std::uint16_t>(0xFFFF)
           << static_cast<std::uint32_t>(length);
    }
}

CArchive& CArchive::operator<<(const std::string& s) {
    if (!m_out)
        throw CArchiveException("archive is not storing");
    WriteStringLength(*m_out, s.size());
    Write(s.data(), s.size());
    return *this;
}

CArchive& CArchive::operator<<(const CTime& t) {
    // The stored form is a signed 32-bit count of seconds: a time outside it
    // is kept at its nearest end (2038-01-19 03:14:07 UTC, 1901-12-13
    // 20:45:52 UTC) rather than wrapped to the other end of the range.
    const std::int64_t seconds =
        std::clamp<std::int64_t>(t.GetTime(), std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max());
    return WriteLe(static_cast<std::uint32_t>(static_cast<std::int32_t>(seconds)), 4);
}

CArchive& CArchive::operator>>(std::int32_t& v) {
    v = static_cast<std::int32_t>(static_cast<std::uint32_t>(ReadLe(4)));
    return *this;
}
CArchive& CArchive::operator>>(std::uint32_t& v) {
    v = static_cast<std::uint32_t>(ReadLe(4));
    return *this;
}
CArchive& CArchive::operator>>(std::uint16_t& v) {
    v = static_cast<std::uint16_t>(ReadLe(2));
    return *this;
}
CArchive& CArchive::operator>>(std::uint8_t& v) {
    v = static_cast<std::uint8_t>(ReadLe(1));
    return *this;
}
CArchive& CArchive::operator>>(std::int64_t& v) {
    v = static_cast<std::int64_t>(ReadLe(8));
    return *this;
}
CArchive& CArchive::operator>>(std::uint64_t& v) {
    v = ReadLe(8);
    return *this;
}

std::size_t CArchive::ReadStringLength() {
    const auto b = static_cast<std::uint8_t>(ReadLe(1));
    if (b < 0xFF)
        return b;
    const auto w = static_cast<std::uint16_t>(ReadLe(2));
    if (w == 0xFFFE)
        throw CArchiveException("wide strings are not supported");
    if (w < 0xFFFF)
        return w;
    return static_cast<std::uint32_t>(ReadLe(4));
}

CArchive& CArchive::operator>>(std::string& s) {
    const std::size_t length = ReadStringLength();
    if (length > BytesLeft())
        throw CArchiveException("string longer than the archive");
    s.assign(reinterpret_cast<const char*>(m_data + m_pos), length);
    m_pos += length;
    return *this;
}

CArchive& CArchive::operator>>(CTime& t) {
    std::int32_t v = 0;
    *this >> v;
    t = CTime(v);
    return *this;
}

std::uint32_t CArchive::ReadCount(std::size_t minBytesEach) {
    std::uint32_t count = 0;
    *this >> count;
    if (minBytesEach && count > BytesLeft() / minBytesEach)
        throw CArchiveException("element count larger than the archive");
    return count;
}

void CArchive::WriteCount(std::size_t count) {
    if (count > std::numeric_limits<std::uint32_t>::max())
        throw CArchiveException("too many elements to store");
    *this << static_cast<std::uint32_t>(count);
}
