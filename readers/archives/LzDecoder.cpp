#include "readers/archives/LzDecoder.h"

#include <algorithm>
#include <cstring>

CLzDecoder::CLzDecoder(std::size_t windowSize, std::size_t maxStep)
    : m_window(std::make_unique_for_overwrite<std::uint8_t[]>(windowSize)),
      m_nWindowSize(windowSize),
      m_nMaxStep(maxStep) {}

void CLzDecoder::Restart(std::uint64_t size) {
    m_nWrite = 0;
    m_nReady = 0;
    m_nRemaining = size;
    m_nProduced = 0;
    m_nDelivered = 0;
    m_bFailed = false;
}

bool CLzDecoder::EmitMatch(std::size_t distance, std::size_t length) {
    const std::size_t size = m_nWindowSize;
    if (distance == 0 || distance > size || distance > m_nProduced) {
        return false;
    }
    length = static_cast<std::size_t>(std::min<std::uint64_t>(length, m_nRemaining));
    std::size_t from = m_nWrite >= distance ? m_nWrite - distance : m_nWrite + size - distance;
    if (distance >= length && from + length <= size && m_nWrite + length <= size) {
        // Neither wraps, and the target does not overtake the source (a source
        // just ahead of the target, near a window's length back, is read
        // before it is overwritten, as byte by byte).
        std::memmove(&m_window[m_nWrite], &m_window[from], length);
        m_nWrite += length;
        if (m_nWrite == size) {
            m_nWrite = 0;
        }
    } else {
        // Byte by byte: a match may repeat its own output.
        for (std::size_t n = 0; n < length; ++n) {
            m_window[m_nWrite] = m_window[from];
            if (++m_nWrite == size) {
                m_nWrite = 0;
            }
            if (++from == size) {
                from = 0;
            }
        }
    }
    m_nReady += length;
    m_nRemaining -= length;
    m_nProduced += length;
    return true;
}

int CLzDecoder::Read(std::uint8_t* buffer, int count) {
    if (m_bFailed || count < 0) {
        return -1;
    }
    const std::size_t size = m_nWindowSize;
    const auto want = static_cast<std::size_t>(count);
    std::size_t got = 0;
    while (got < want) {
        if (m_nReady > 0) {
            // The ready bytes end at the write position; hand out the part
            // before the ring's end first.
            const std::size_t start =
                m_nWrite >= m_nReady ? m_nWrite - m_nReady : m_nWrite + size - m_nReady;
            const std::size_t n = std::min({want - got, m_nReady, size - start});
            std::memcpy(buffer + got, &m_window[start], n);
            got += n;
            m_nReady -= n;
            continue;
        }
        if (m_nRemaining == 0 || m_bFailed) {
            break;
        }
        // Decode until enough is ready, the window is full or the member is
        // complete.
        while (m_nRemaining > 0 && m_nReady < want - got && size - m_nReady >= m_nMaxStep) {
            if (!DecodeStep()) {
                m_bFailed = true;
                break;
            }
        }
    }
    m_nDelivered += got;
    if (got == 0 && m_bFailed) {
        return -1;
    }
    return static_cast<int>(got);
}
