#pragma once
// The common part of the RAR and ARJ decoders: a ring window that the
// decoded bytes are written into, and Read, which hands finished bytes out of
// it and decodes more as the caller asks.
//
// A decoder derived from it decodes one step at a time (one symbol, or one
// block header) with Emit and EmitMatch. Every match is checked: its distance
// must reach neither before the member's first byte nor past the window, and
// its length is cut to what the member still lacks. Decoding only runs while
// the window has room for the largest step, so no byte not yet handed out is
// ever overwritten.

#include <cstddef>
#include <cstdint>
#include <memory>

class CLzDecoder {
public:
    virtual ~CLzDecoder() = default;

    // Up to `count` decoded bytes into the buffer: the count placed, 0 once
    // the member is complete, -1 on corrupt or exhausted input. Bytes decoded
    // before a failure are handed out first; after a failure every call gives
    // -1.
    int Read(std::uint8_t* buffer, int count);

    // Bytes handed out so far.
    std::uint64_t Delivered() const { return m_nDelivered; }

protected:
    // `windowSize` bytes of window; a step writes at most `maxStep` bytes.
    CLzDecoder(std::size_t windowSize, std::size_t maxStep);

    // Starts a member of `size` bytes with an empty window.
    void Restart(std::uint64_t size);

    // Decodes one step; false on corrupt or exhausted input.
    virtual bool DecodeStep() = 0;

    // Bytes the member still lacks.
    std::uint64_t Remaining() const { return m_nRemaining; }

    void Emit(std::uint8_t byte) {
        m_window[m_nWrite] = byte;
        if (++m_nWrite == m_nWindowSize) {
            m_nWrite = 0;
        }
        ++m_nReady;
        --m_nRemaining;
        ++m_nProduced;
    }
    // Copies `length` bytes starting `distance` bytes back (1 = the last byte
    // written); false for a distance of 0, past the window or before the
    // member's first byte.
    bool EmitMatch(std::size_t distance, std::size_t length);

private:
    // Not cleared: no match may reach before the member's first byte.
    std::unique_ptr<std::uint8_t[]> m_window;
    std::size_t m_nWindowSize;
    std::size_t m_nMaxStep;
    std::size_t m_nWrite = 0;  // where the next byte goes
    std::size_t m_nReady = 0;  // bytes written but not handed out (behind m_nWrite)
    std::uint64_t m_nRemaining = 0;
    std::uint64_t m_nProduced = 0;
    std::uint64_t m_nDelivered = 0;
    bool m_bFailed = false;
};
