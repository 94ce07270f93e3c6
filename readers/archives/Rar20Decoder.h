#pragma once
// The decoder of RAR 2.0 compressed members (unpack version 20): LZ77 over a
// 1 MiB window with canonical codes sent in tables that may change within the
// member, and a multimedia mode that predicts each byte of up to four
// interleaved channels from the channel's previous bytes.
//
// One decoder reads one member from its first byte: Start gives it the
// member's packed bytes and unpacked size, Read hands out the bytes. Members
// of solid archives, which go on with the tables and window of the member
// before them, are not decoded here.

#include <array>
#include <cstdint>
#include <memory>

#include "readers/archives/BitReader.h"
#include "readers/archives/HuffmanDecoder.h"
#include "readers/archives/LzDecoder.h"

class CRar20Decoder : public CLzDecoder {
public:
    static constexpr std::size_t kWindowSize = 1u << 20;

    CRar20Decoder();

    // Starts decoding `unpackedSize` bytes from `source` (the member's packed
    // bytes; the decoder fails once it needs more than the source holds).
    void Start(IByteSource& source, std::uint64_t unpackedSize);

protected:
    bool DecodeStep() override;

private:
    static constexpr unsigned kMainSymbols = 298;
    static constexpr unsigned kDistanceSymbols = 48;
    static constexpr unsigned kRepeatSymbols = 28;
    static constexpr unsigned kBitLengthSymbols = 19;
    static constexpr unsigned kAudioSymbols = 257;
    static constexpr unsigned kMaxChannels = 4;
    static constexpr unsigned kMaxCodeLength = 15;

    // The prediction state of one multimedia channel.
    struct Channel {
        std::array<int, 5> k{};  // weights K1..K5
        std::array<int, 4> d{};  // D1..D4
        int lastDelta = 0;
        std::array<unsigned, 11> errors{};
        unsigned byteCount = 0;
        unsigned lastByte = 0;
    };

    // Reads a table header and the code lengths that follow; builds the codes.
    bool ReadTables();
    bool DecodeLzSymbol();
    // Copies a match and remembers its distance and length.
    bool CopyMatch(unsigned distance, unsigned length);
    // The byte of the current channel that packed symbol `delta` stands for.
    std::uint8_t PredictAudio(Channel& channel, unsigned delta);

    std::unique_ptr<CBitReader> m_bits;
    bool m_bTablesRead = false;

    CHuffmanDecoder m_main;
    CHuffmanDecoder m_distance;
    CHuffmanDecoder m_repeat;
    CHuffmanDecoder m_bitLength;
    std::array<CHuffmanDecoder, kMaxChannels> m_audio;
    std::array<std::uint8_t, kMaxChannels * kAudioSymbols> m_oldLengths{};

    bool m_bAudio = false;
    unsigned m_nChannels = 1;
    unsigned m_nChannel = 0;
    int m_nChannelDelta = 0;
    std::array<Channel, kMaxChannels> m_channels{};

    std::array<unsigned, 4> m_recent{};  // the last four distances, a ring
    unsigned m_nRecent = 0;              // where the next distance goes
    unsigned m_nLastDistance = 0;
    unsigned m_nLastLength = 0;
};
