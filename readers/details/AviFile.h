#pragma once
// One video clip opened for reading: the formats and stream information of
// its first video stream (required) and first audio stream (optional), and
// the drawing of its first video frame. The headers come from the platform's
// AVI reader; frames are decoded by VideoFrameDecoder.h.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Avi.h"
#include "platform/Bitmap.h"
#include "platform/BitmapImage.h"
#include "platform/ByteSource.h"
#include "platform/WaveFormat.h"
#include "platform/WinTypes.h"

// What a clip says of one stream.
struct AVISTREAMINFOA {
    DWORD fccType = 0;
    DWORD fccHandler = 0;
    DWORD dwFlags = 0;
    DWORD dwCaps = 0;
    WORD wPriority = 0;
    WORD wLanguage = 0;
    DWORD dwScale = 0;
    DWORD dwRate = 0;  // dwRate / dwScale samples per second
    DWORD dwStart = 0;
    DWORD dwLength = 0;  // in samples
    DWORD dwInitialFrames = 0;
    DWORD dwSuggestedBufferSize = 0;
    DWORD dwQuality = 0;
    DWORD dwSampleSize = 0;
    std::int32_t rcFrame[4] = {0, 0, 0, 0};  // left, top, right, bottom
    DWORD dwEditCount = 0;
    DWORD dwFormatChangeCount = 0;
    char szName[64] = {};
};

class CAviFile {
public:
    // Frame chunks larger than this are not decoded.
    static constexpr std::uint64_t kMaxFrameSize = 64u << 20;

    CAviFile() = default;
    ~CAviFile();
    CAviFile(const CAviFile&) = delete;
    CAviFile& operator=(const CAviFile&) = delete;

    // Opens the clip at `path` (a regular file): FALSE, and closed, when it
    // is not a clip, has no video stream, or has an audio stream whose format
    // is missing or too short to hold a wave format's fields.
    BOOL Open(const std::string& path);
    // The same over the clip's bytes in `source`.
    BOOL Open(std::unique_ptr<zb::ByteSource> source);
    // Forgets the clip; also run by Open and the destructor.
    void Close();

    BOOL HasVideo() const { return m_bVideo; }
    BOOL HasAudio() const { return m_bAudio; }
    // The video format: its bitmap header, and all its bytes (the header and
    // what follows it).
    const BITMAPINFOHEADER& GetVideoHeader() const { return m_VideoHeader; }
    const std::vector<std::uint8_t>& GetVideoFormat() const { return m_VideoFormat; }
    const AVISTREAMINFOA& GetVideoInfo() const { return m_VideoInfo; }
    const WAVEFORMATEX& GetAudioHeader() const { return m_AudioHeader; }
    const std::vector<std::uint8_t>& GetAudioFormat() const { return m_AudioFormat; }
    const AVISTREAMINFOA& GetAudioInfo() const { return m_AudioInfo; }
    // First sample, and first sample + length, of each stream.
    LONG GetVideoStart() const { return m_nVideoStart; }
    LONG GetVideoEnd() const { return m_nVideoEnd; }
    LONG GetAudioStart() const { return m_nAudioStart; }
    LONG GetAudioEnd() const { return m_nAudioEnd; }
    // The video format's image size (biSizeImage).
    DWORD GetVideoImageSize() const { return m_VideoHeader.biSizeImage; }

    // Makes `bitmap` a picture of `size` showing the first frame of the video
    // stream, scaled to fill it. FALSE, with `bitmap` empty, without a video
    // stream, without a frame, or when the frame cannot be decoded.
    BOOL DrawFrame(CBitmap* bitmap, SIZE size);

private:
    zb::AviReader m_reader;
    BOOL m_bVideo = FALSE;
    BOOL m_bAudio = FALSE;
    std::uint32_t m_nVideoIndex = 0;  // the video stream's number in the clip
    std::vector<std::uint8_t> m_VideoFormat;
    BITMAPINFOHEADER m_VideoHeader;
    AVISTREAMINFOA m_VideoInfo;
    std::vector<std::uint8_t> m_AudioFormat;
    WAVEFORMATEX m_AudioHeader;
    AVISTREAMINFOA m_AudioInfo;
    LONG m_nVideoStart = 0;
    LONG m_nVideoEnd = 0;
    LONG m_nAudioStart = 0;
    LONG m_nAudioEnd = 0;
};
