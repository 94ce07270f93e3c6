#include "readers/details/AviInfoProvider.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "readers/details/ImageColumns.h"

namespace {

constexpr int kFrequency = 102;
constexpr int kMode = 107;
constexpr int kTimeLength = 201;
constexpr int kFrameCount = 306;
constexpr int kFrameRate = 307;
constexpr std::array<int, 8> kAviColumns = {kImageWidthColumn,
                                            kImageHeightColumn,
                                            kImageDepthColumn,
                                            kFrameCount,
                                            kTimeLength,
                                            kFrequency,
                                            kMode,
                                            kFrameRate};

// A computed count for a column shown with "%d": larger ones show the
// largest positive value instead of wrapping.
std::int32_t Saturated(std::uint64_t count) {
    return static_cast<std::int32_t>(std::min<std::uint64_t>(count, INT32_MAX));
}

}  // namespace

const char* GetChannelModeText(unsigned channels) {
    if (channels == 0)
        return nullptr;
    return channels == 1 ? "Mono" : "Stero";
}

CAviInfoProvider::CAviInfoProvider() : CFixedColumnProvider(kAviColumns) {}

BOOL CAviInfoProvider::InitExtensions() {
    m_arrExtensions = {"avi"};
    return TRUE;
}

BOOL CAviInfoProvider::Reset() {
    m_clip.Close();
    m_nState = PROVIDER_STATE_LOADING;
    return TRUE;
}

BOOL CAviInfoProvider::Load(const CProviderItem& item) {
    Reset();
    std::string path;
    if (!item.GetDiskFilePath(&path) || !m_clip.Open(path))
        return FALSE;
    m_nState = PROVIDER_STATE_LOADED;
    return TRUE;
}

BOOL CAviInfoProvider::GetValue(int id, COLUMNVALUE* value) {
    if (!m_clip.HasVideo())
        return FALSE;
    const AVISTREAMINFOA& video = m_clip.GetVideoInfo();
    const std::uint64_t end = std::uint64_t{video.dwStart} + video.dwLength;
    switch (id) {
        case kImageWidthColumn:
        case kImageHeightColumn:
        case kImageDepthColumn: {
            const BITMAPINFOHEADER& format = m_clip.GetVideoHeader();
            CImageValues values;
            values.width = format.biWidth;
            values.height = format.biHeight;
            values.depth = format.biBitCount;
            return GetImageColumnValue(id, values, value);
        }
        case kFrameCount:
            value->SetInt32(Saturated(end));
            return TRUE;
        case kFrameRate:
            value->SetUInt32(video.dwRate);
            return TRUE;
        case kTimeLength:
            if (video.dwRate == 0)
                return FALSE;
            // 33 bits of frames times 32 bits of scale: computed in 128 bits.
            value->SetInt32(Saturated(static_cast<std::uint64_t>(
                static_cast<unsigned __int128>(end) * video.dwScale / video.dwRate)));
            return TRUE;
        case kFrequency:
            if (!m_clip.HasAudio())
                return FALSE;
            value->SetUInt32(m_clip.GetAudioHeader().nSamplesPerSec);
            return TRUE;
        case kMode: {
            const char* mode =
                m_clip.HasAudio() ? GetChannelModeText(m_clip.GetAudioHeader().nChannels) : nullptr;
            if (mode == nullptr)
                return FALSE;
            value->text = mode;
            return TRUE;
        }
        default:
            return FALSE;
    }
}
