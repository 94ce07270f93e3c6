#include "platform/ByteReader.h"

namespace zb {

bool ByteReader::Seek(std::uint64_t position) {
    if (!m_ok || position > m_data.size()) {
        m_ok = false;
        return false;
    }
    m_position = static_cast<std::size_t>(position);
    return true;
}

bool ByteReader::Skip(std::uint64_t count) {
    if (!m_ok || count > Remaining()) {
        m_ok = false;
        return false;
    }
    m_position += static_cast<std::size_t>(count);
    return true;
}

const std::uint8_t* ByteReader::Take(std::size_t count) {
    if (!m_ok || count > Remaining()) {
        m_ok = false;
        return nullptr;
    }
    const std::uint8_t* p = m_data.data() + m_position;
    m_position += count;
    return p;
}

std::uint8_t ByteReader::U8() {
    const std::uint8_t* p = Take(1);
    return p ? *p : 0;
}

std::uint16_t ByteReader::U16Le() {
    const std::uint8_t* p = Take(2);
    return p ? LoadLe16(p) : 0;
}

std::uint32_t ByteReader::U32Le() {
    const std::uint8_t* p = Take(4);
    return p ? LoadLe32(p) : 0;
}

std::uint64_t ByteReader::U64Le() {
    const std::uint8_t* p = Take(8);
    return p ? LoadLe64(p) : 0;
}

std::uint16_t ByteReader::U16Be() {
    const std::uint8_t* p = Take(2);
    return p ? LoadBe16(p) : 0;
}

std::uint32_t ByteReader::U32Be() {
    const std::uint8_t* p = Take(4);
    return p ? LoadBe32(p) : 0;
}

std::uint64_t ByteReader::U64Be() {
    const std::uint8_t* p = Take(8);
    return p ? LoadBe64(p) : 0;
}

ByteSpan ByteReader::Bytes(std::uint64_t count) {
    if (count > Remaining()) {
        m_ok = false;
        return {};
    }
    const std::size_t n = static_cast<std::size_t>(count);
    const std::uint8_t* p = Take(n);
    return p ? ByteSpan(p, n) : ByteSpan();
}

ByteReader ByteReader::Sub(std::uint64_t offset, std::uint64_t size) const {
    if (!RangeFits(offset, size, m_data.size())) {
        ByteReader failed;
        failed.m_ok = false;
        return failed;
    }
    return ByteReader(
        m_data.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size)));
}

}  // namespace zb
