#include "readers/details/AviFile.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "readers/details/VideoFrameDecoder.h"

namespace {

// The fields every audio format starts with (tag, channels, rate, bytes per
// second, block alignment): an audio stream whose format does not hold them
// cannot be read.
constexpr std::size_t kWaveFormatSize = 14;

AVISTREAMINFOA StreamInfo(const zb::AviStream& stream) {
    const AVIStreamHeader& header = stream.header;
    AVISTREAMINFOA info;
    info.fccType = header.fccType;
    info.fccHandler = header.fccHandler;
    info.dwFlags = header.dwFlags;
    info.wPriority = header.wPriority;
    info.wLanguage = header.wLanguage;
    info.dwScale = header.dwScale;
    info.dwRate = header.dwRate;
    info.dwStart = header.dwStart;
    info.dwLength = header.dwLength;
    info.dwInitialFrames = header.dwInitialFrames;
    info.dwSuggestedBufferSize = header.dwSuggestedBufferSize;
    info.dwQuality = header.dwQuality;
    info.dwSampleSize = header.dwSampleSize;
    std::copy(std::begin(header.rcFrame), std::end(header.rcFrame), info.rcFrame);
    const std::size_t name = std::min(stream.name.size(), sizeof(info.szName) - 1);
    std::memcpy(info.szName, stream.name.data(), name);
    return info;
}

// First sample and first sample + length, as the clip's signed sample positions.
void SampleRange(const AVIStreamHeader& header, LONG* start, LONG* end) {
    *start = static_cast<LONG>(header.dwStart);
    *end = static_cast<LONG>(header.dwStart + header.dwLength);
}

}  // namespace

CAviFile::~CAviFile() {
    Close();
}

BOOL CAviFile::Open(const std::string& path) {
    return Open(zb::OpenFileSource(path));
}

BOOL CAviFile::Open(std::unique_ptr<zb::ByteSource> source) {
    Close();
    if (!m_reader.Open(std::move(source)))
        return FALSE;
    const zb::AviStream* video = m_reader.FirstStream(zb::kStreamTypeVideo);
    if (video == nullptr) {
        Close();
        return FALSE;
    }
    m_bVideo = TRUE;
    m_nVideoIndex = video->index;
    m_VideoFormat = video->format;
    m_VideoHeader = zb::ParseBitmapInfoHeader(m_VideoFormat);
    m_VideoInfo = StreamInfo(*video);
    SampleRange(video->header, &m_nVideoStart, &m_nVideoEnd);

    const zb::AviStream* audio = m_reader.FirstStream(zb::kStreamTypeAudio);
    if (audio == nullptr)
        return TRUE;
    if (audio->format.size() < kWaveFormatSize) {
        Close();
        return FALSE;
    }
    m_bAudio = TRUE;
    m_AudioFormat = audio->format;
    m_AudioHeader = zb::ParseWaveFormat(m_AudioFormat);
    m_AudioInfo = StreamInfo(*audio);
    SampleRange(audio->header, &m_nAudioStart, &m_nAudioEnd);
    return TRUE;
}

void CAviFile::Close() {
    m_reader.Close();
    m_bVideo = FALSE;
    m_bAudio = FALSE;
    m_nVideoIndex = 0;
    m_VideoFormat.clear();
    m_VideoHeader = BITMAPINFOHEADER{};
    m_VideoInfo = AVISTREAMINFOA{};
    m_AudioFormat.clear();
    m_AudioHeader = WAVEFORMATEX{};
    m_AudioInfo = AVISTREAMINFOA{};
    m_nVideoStart = m_nVideoEnd = m_nAudioStart = m_nAudioEnd = 0;
}

BOOL CAviFile::DrawFrame(CBitmap* bitmap, SIZE size) {
    *bitmap = CBitmap();
    zb::RiffChunk chunk;
    std::vector<std::uint8_t> frame;
    if (!m_bVideo || !m_reader.FindFirstFrame(m_nVideoIndex, chunk) ||
        !m_reader.ReadChunk(chunk, kMaxFrameSize, frame))
        return FALSE;
    return DecodeVideoFrame(m_VideoFormat, frame, size, bitmap);
}
