#include "readers/archives/BitReader.h"

#include <algorithm>
#include <cstring>

std::int64_t CFileRangeSource::ReadBytes(std::uint8_t* buffer, std::size_t count) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_left));
    if (want == 0) {
        return 0;
    }
    const std::int64_t got = m_file.ReadAt(m_offset, buffer, want);
    if (got <= 0) {
        return -1;  // the range lies past the end of the file, or the read failed
    }
    m_offset += static_cast<std::uint64_t>(got);
    m_left -= static_cast<std::uint64_t>(got);
    return got;
}

std::int64_t CMemorySource::ReadBytes(std::uint8_t* buffer, std::size_t count) {
    const std::size_t n = std::min(count, m_left);
    if (n > 0) {
        std::memcpy(buffer, m_data, n);
        m_data += n;
        m_left -= n;
    }
    return static_cast<std::int64_t>(n);
}

void CBitReader::Fill() {
    while (m_count <= 56) {
        if (m_pos == m_end && !m_bSourceEnded) {
            const std::int64_t got = m_source.ReadBytes(m_buffer.data(), m_buffer.size());
            if (got <= 0) {
                m_bSourceEnded = true;
                if (got < 0) {
                    m_bOverrun = true;
                }
            } else {
                m_pos = 0;
                m_end = static_cast<std::size_t>(got);
            }
        }
        if (m_pos < m_end) {
            m_bits |= static_cast<std::uint64_t>(m_buffer[m_pos++]) << (56 - m_count);
        } else {
            m_padding += 8;  // zero bits past the input
        }
        m_count += 8;
    }
}
