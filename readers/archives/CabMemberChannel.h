#pragma once
// The hand-over of one cabinet member's bytes from the thread that decodes
// it (inside libmspack's extract(), through our system table's write) to the
// thread that reads the member. Put waits until the reader has taken every
// byte it offers, so the decoder never runs more than one write (one data
// block) ahead of the reader, and nothing is stored on the way.
//
// The reader ends a decoding it no longer needs with Stop (the next Put
// fails, and our read callback fails with it, so libmspack gives up), or
// lets it run to its end unseen with Discard (a later member of the same
// folder then goes on from there instead of decoding the folder again).
// Reset prepares the channel for the next member once the decoder has
// finished.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

class CCabMemberChannel {
public:
    // Decoding side. Offers `count` bytes and waits until the reader took
    // them all; true then, or at once under Discard; false once stopped.
    bool Put(const void* data, std::size_t count);
    // Whether the reader has stopped the decoding (also for the read
    // callback, which fails then).
    bool IsStopped() const { return m_bStopped.load(std::memory_order_acquire); }
    // The decoding has ended with libmspack's `result`.
    void Finish(int result);

    // Reading side. Copies up to `count` bytes, waiting for the decoder;
    // fewer only once it has finished (0: finished, nothing left).
    std::size_t Take(void* out, std::size_t count);
    void Stop();
    void Discard();
    // Waits until the decoder has finished; its result.
    int WaitFinished();
    // Back to the start; only while no decoding runs.
    void Reset();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const std::uint8_t* m_pOffered = nullptr;  // the bytes of the pending Put
    std::size_t m_nOffered = 0;                // of which not taken yet
    bool m_bDiscard = false;
    bool m_bFinished = false;
    int m_nResult = 0;
    std::atomic<bool> m_bStopped{false};
};
