#pragma once
// The headers of an AVI clip: the main header ("avih") and, for each stream,
// its header ("strh"), its format ("strf": a bitmap header for video, a wave
// format for audio) and its name ("strn"), read from the RIFF "AVI " form's
// "hdrl" list; and the first frame chunk of a video stream in the "movi"
// list, for a decoder to turn into a picture.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/ByteSource.h"
#include "platform/Riff.h"
#include "platform/WaveFormat.h"

// The main header of a clip.
struct MainAVIHeader {
    std::uint32_t dwMicroSecPerFrame = 0;
    std::uint32_t dwMaxBytesPerSec = 0;
    std::uint32_t dwPaddingGranularity = 0;
    std::uint32_t dwFlags = 0;
    std::uint32_t dwTotalFrames = 0;
    std::uint32_t dwInitialFrames = 0;
    std::uint32_t dwStreams = 0;
    std::uint32_t dwSuggestedBufferSize = 0;
    std::uint32_t dwWidth = 0;
    std::uint32_t dwHeight = 0;
};

// The header of one stream (fields a shorter header leaves out stay 0).
struct AVIStreamHeader {
    std::uint32_t fccType = 0;  // "vids", "auds", ...
    std::uint32_t fccHandler = 0;
    std::uint32_t dwFlags = 0;
    std::uint16_t wPriority = 0;
    std::uint16_t wLanguage = 0;
    std::uint32_t dwInitialFrames = 0;
    std::uint32_t dwScale = 0;
    std::uint32_t dwRate = 0;  // dwRate / dwScale samples per second
    std::uint32_t dwStart = 0;
    std::uint32_t dwLength = 0;  // in samples (frames for video)
    std::uint32_t dwSuggestedBufferSize = 0;
    std::uint32_t dwQuality = 0;
    std::uint32_t dwSampleSize = 0;
    std::int16_t rcFrame[4] = {0, 0, 0, 0};  // left, top, right, bottom
};

namespace zb {

constexpr std::uint32_t kStreamTypeVideo = FourCc("vids");
constexpr std::uint32_t kStreamTypeAudio = FourCc("auds");

// The fields of a bitmap header at the start of `format` (the bytes of a
// video stream's "strf" chunk, or a BMP file's info header); fields the bytes
// do not reach stay 0.
BITMAPINFOHEADER ParseBitmapInfoHeader(ByteSpan format);

struct AviStream {
    std::uint32_t index = 0;  // the stream's number, as in the "00dc" of its chunks
    AVIStreamHeader header;
    std::vector<std::uint8_t> format;  // the "strf" bytes
    std::string name;                  // the "strn" text, up to its NUL
};

class AviReader {
public:
    // Formats and names longer than these are refused.
    static constexpr std::uint64_t kMaxFormatSize = 64u << 10;
    static constexpr std::uint64_t kMaxNameSize = 4u << 10;

    AviReader() = default;
    AviReader(const AviReader&) = delete;
    AviReader& operator=(const AviReader&) = delete;

    // Reads the headers of the clip at `path` (a regular file) or in
    // `source`; false when it is not an AVI clip or its "hdrl" list, a stream
    // header or a format is damaged. A clip cut short after its headers opens.
    bool Open(const std::string& path);
    bool Open(std::unique_ptr<ByteSource> source);
    void Close();
    bool IsOpen() const { return m_source != nullptr; }

    const MainAVIHeader& MainHeader() const { return m_mainHeader; }
    const std::vector<AviStream>& Streams() const { return m_streams; }
    // The first stream of type `fccType` (kStreamTypeVideo, kStreamTypeAudio); null when none.
    const AviStream* FirstStream(std::uint32_t fccType) const;

    // The first non-empty frame chunk ("NNdb" or "NNdc") of stream `index` in
    // the "movi" list, also inside "rec " lists; false when there is none
    // within the walk's step limit.
    bool FindFirstFrame(std::uint32_t index, RiffChunk& frame);
    // Reads the bytes of a chunk found above, at most `maxSize` of them.
    bool ReadChunk(const RiffChunk& chunk, std::uint64_t maxSize, std::vector<std::uint8_t>& out);

private:
    bool ReadHeaders();
    bool ReadStream(RiffReader& riff, const RiffChunk& list);

    std::unique_ptr<ByteSource> m_source;
    MainAVIHeader m_mainHeader;
    std::vector<AviStream> m_streams;
    RiffChunk m_movi;
    bool m_hasMovi = false;
};

}  // namespace zb
