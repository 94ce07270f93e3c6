#pragma once
// What the MP3 provider reads of a file: the first MPEG audio frame header
// near the start of the file (behind an ID3 version 2 tag, which is skipped
// by its own size), the frame count of a "Xing" header in that frame, and the
// ID3 version 1 tag in the last 128 bytes.

#include <cstdint>
#include <string>

#include "platform/ByteSource.h"

// The 32-bit header of an MPEG audio frame, built big-endian from 4 bytes.
class CMpegFrameHeader {
public:
    static constexpr int VERSION_2_5 = 0;
    static constexpr int VERSION_2 = 2;
    static constexpr int VERSION_1 = 3;
    static constexpr int LAYER_3 = 1;
    static constexpr int LAYER_2 = 2;
    static constexpr int LAYER_1 = 3;
    static constexpr int MODE_SINGLE_CHANNEL = 3;

    CMpegFrameHeader() = default;
    explicit CMpegFrameHeader(std::uint32_t bits) : m_bits(bits) {}

    std::uint32_t Bits() const { return m_bits; }
    int Version() const { return static_cast<int>((m_bits >> 19) & 3); }
    int Layer() const { return static_cast<int>((m_bits >> 17) & 3); }
    int BitRateIndex() const { return static_cast<int>((m_bits >> 12) & 15); }
    int FrequencyIndex() const { return static_cast<int>((m_bits >> 10) & 3); }
    int ChannelMode() const { return static_cast<int>((m_bits >> 6) & 3); }
    int Emphasis() const { return static_cast<int>(m_bits & 3); }

    // All sync bits set, and no reserved or refused field value.
    bool IsValid() const;
    // Samples per second; 0 without a valid header.
    int Frequency() const;
    // The frame's bit rate in kbit/s; 0 without a valid header.
    int BitRate() const;
    // The bytes of one frame per (1000 x kbit/s / frequency): 12 for
    // Layer I, 72 for Layer III of MPEG 2 and 2.5, else 144.
    int SizeFactor() const;

private:
    std::uint32_t m_bits = 0;
};

class CMp3Info {
public:
    static constexpr int READ_OK = 0;
    static constexpr int READ_OPEN_FAILED = 2;
    static constexpr int READ_NO_HEADER = 4;
    static constexpr int READ_STOPPED = -1;
    // Frame headers are looked for at this many positions after the ID3
    // version 2 tag, and one more.
    static constexpr std::uint64_t kLastFramePosition = 204800;
    static constexpr int kNoGenre = 255;

    CMp3Info() { Reset(); }

    // Empties the tag texts, sets the genre to kNoGenre and everything else to 0.
    void Reset();
    // READ_OK, READ_OPEN_FAILED, READ_NO_HEADER, or READ_STOPPED when the
    // stop flag ended the frame search.
    int Read(const std::string& path);
    int Read(zb::ByteSource& source);

    const CMpegFrameHeader& FrameHeader() const { return m_header; }
    bool IsVbr() const { return m_bVbr; }
    bool HasTag() const { return m_bTag; }
    std::uint64_t FileSize() const { return m_fileSize; }
    // The bytes the rates and the length count: the file behind a skipped ID3
    // version 2 tag (an ID3 version 1 tag at the end stays counted).
    std::uint64_t AudioSize() const { return m_fileSize - m_audioStart; }
    // Where the frame header was found.
    std::uint64_t FrameOffset() const { return m_frameOffset; }

    int GetFrequency() const { return m_header.Frequency(); }
    // The Xing header's count with one, else the audio size over the size
    // of a frame; -1 when the Xing header does not give it.
    std::int64_t GetFrameCount() const;
    // The frame's bit rate, or with a Xing header the average one, in
    // kbit/s; false when it is not defined (no or a zero frame count, an
    // average below 1 kbit/s).
    bool GetBitRate(int& kbits) const;
    // Audio size x 8 / 1000 over the bit rate, in seconds; false without a bit rate.
    bool GetLength(std::int64_t& seconds) const;
    // "Stereo", "Joint Stereo", "Dual Channel" or "Single Channel".
    const char* GetModeText() const;
    // The genre's name; empty above the last name of the list.
    std::string GetGenreText() const;
    int GetGenreIndex() const { return m_nGenre; }

    const std::string& GetTitle() const { return m_sTitle; }
    const std::string& GetArtist() const { return m_sArtist; }
    const std::string& GetAlbum() const { return m_sAlbum; }
    const std::string& GetComment() const { return m_sComment; }

private:
    void ReadXingHeader(zb::ByteReader window, std::uint64_t position);
    void ReadTag(zb::ByteSource& source);

    CMpegFrameHeader m_header;
    std::int32_t m_nXingFrames = -1;
    bool m_bVbr = false;
    bool m_bTag = false;
    std::uint64_t m_fileSize = 0;
    std::uint64_t m_audioStart = 0;  // the end of the skipped ID3 version 2 tag
    std::uint64_t m_frameOffset = 0;
    std::string m_sTitle;
    std::string m_sArtist;
    std::string m_sAlbum;
    std::string m_sComment;
    int m_nGenre = kNoGenre;
};
