#include "readers/archives/CabMemberChannel.h"

#include <algorithm>
#include <cstring>

bool CCabMemberChannel::Put(const void* data, std::size_t count) {
    std::unique_lock lock(m_mutex);
    if (IsStopped()) {
        return false;
    }
    if (m_bDiscard || count == 0) {
        return true;
    }
    m_pOffered = static_cast<const std::uint8_t*>(data);
    m_nOffered = count;
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return m_nOffered == 0 || IsStopped() || m_bDiscard; });
    m_pOffered = nullptr;
    m_nOffered = 0;
    return !IsStopped();
}

void CCabMemberChannel::Finish(int result) {
    const std::lock_guard lock(m_mutex);
    m_bFinished = true;
    m_nResult = result;
    m_changed.notify_all();
}

std::size_t CCabMemberChannel::Take(void* out, std::size_t count) {
    auto* bytes = static_cast<std::uint8_t*>(out);
    std::size_t done = 0;
    std::unique_lock lock(m_mutex);
    while (done < count) {
        m_changed.wait(lock, [&] { return m_nOffered > 0 || m_bFinished; });
        if (m_nOffered == 0) {
            break;  // finished, and every byte was taken
        }
        const std::size_t n = std::min(m_nOffered, count - done);
        std::memcpy(bytes + done, m_pOffered, n);
        m_pOffered += n;
        m_nOffered -= n;
        done += n;
        if (m_nOffered == 0) {
            m_changed.notify_all();  // the decoder may go on
        }
    }
    return done;
}

void CCabMemberChannel::Stop() {
    const std::lock_guard lock(m_mutex);
    m_bStopped.store(true, std::memory_order_release);
    m_changed.notify_all();
}

void CCabMemberChannel::Discard() {
    const std::lock_guard lock(m_mutex);
    m_bDiscard = true;
    m_changed.notify_all();
}

int CCabMemberChannel::WaitFinished() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_bFinished; });
    return m_nResult;
}

void CCabMemberChannel::Reset() {
    const std::lock_guard lock(m_mutex);
    m_pOffered = nullptr;
    m_nOffered = 0;
    m_bDiscard = false;
    m_bFinished = false;
    m_nResult = 0;
    m_bStopped.store(false, std::memory_order_release);
}
