#include "platform/TextBuffer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

std::int32_t CTextBuffer::Append(const char* text) {
    if (text == nullptr || *text == '\0')
        return 0;
    const std::size_t added = std::strlen(text);
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    // Room for the old text, the new text and the terminating NUL.
    const std::int64_t needed = static_cast<std::int64_t>(m_length) + 1 +
                                static_cast<std::int64_t>(std::min<std::size_t>(added, kMax));
    if (needed > kMax)
        return -1;
    if (needed > m_capacity) {
        // The step while the text is short, else twice the text plus what is
        // added; never less than what the text needs.
        std::int64_t capacity = 2 * static_cast<std::int64_t>(m_length) + needed - m_length;
        if (m_growStep > 0 && m_length < m_growStep) {
            capacity =
                std::max<std::int64_t>(static_cast<std::int64_t>(m_length) + m_growStep, needed);
        }
        if (!Reserve(static_cast<std::int32_t>(std::min(capacity, kMax))))
            return -1;
    }
    std::memcpy(m_data.get() + m_length, text, added + 1);
    m_length += static_cast<std::int32_t>(added);
    return m_length;
}

bool CTextBuffer::Reserve(std::int32_t bytes) {
    if (bytes < 0)
        return false;
    if (bytes == 0) {
        m_data.reset();
        m_capacity = 0;
        m_length = 0;
        return true;
    }
    std::unique_ptr<char[]> block(new (std::nothrow) char[static_cast<std::size_t>(bytes)]);
    if (!block)
        return false;
    const std::int32_t kept = std::min(m_length, bytes - 1);
    if (kept > 0)
        std::memcpy(block.get(), m_data.get(), static_cast<std::size_t>(kept));
    block[static_cast<std::size_t>(kept)] = '\0';
    m_data = std::move(block);
    m_capacity = bytes;
    m_length = kept;
    return true;
}
