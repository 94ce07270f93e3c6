#include "readers/details/WaveInfoProvider.h"

#include <array>

#include "platform/ByteReader.h"
#include "readers/archives/SourceStream.h"
#include "readers/details/AviInfoProvider.h"
#include "readers/details/StreamReader.h"

namespace {

constexpr int kFrequency = 102;
constexpr int kChannelCount = 103;
constexpr int kBitsPerSample = 106;
constexpr int kMode = 107;
constexpr int kTimeLength = 201;
constexpr std::array<int, 5> kWaveColumns = {kFrequency, kMode, kTimeLength, kBitsPerSample,
                                             kChannelCount};

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;
constexpr std::uint16_t kExtraSize = 18;
constexpr std::uint32_t kFormatBytes = 16;

struct ChunkHeader {
    std::uint32_t id = 0;
    std::uint32_t size = 0;
};

bool ReadChunkHeader(CStreamReader& reader, ChunkHeader& header) {
    std::array<std::uint8_t, 8> bytes{};
    if (!reader.Read(bytes.data(), bytes.size()))
        return false;
    header.id = zb::LoadLe32(bytes.data());
    header.size = zb::LoadLe32(bytes.data() + 4);
    return true;
}

}  // namespace

CWaveInfoProvider::CWaveInfoProvider() : CFixedColumnProvider(kWaveColumns) {}

BOOL CWaveInfoProvider::InitExtensions() {
    m_arrExtensions = {"wav"};
    return TRUE;
}

BOOL CWaveInfoProvider::Load(const CProviderItem& item) {
    m_nState = PROVIDER_STATE_LOADING;
    m_format = WAVEFORMATEX();
    m_nFrames = 0;
    m_bFramesKnown = false;
    CSourceStream stream;
    if (!item.OpenStream(&stream))
        return FALSE;
    CStreamReader reader(stream);
    ChunkHeader riff;
    std::array<std::uint8_t, 4> form{};
    ChunkHeader fmt;
    std::array<std::uint8_t, kFormatBytes> format{};
    if (!ReadChunkHeader(reader, riff) || riff.id != zb::FourCc("RIFF") ||
        !reader.Read(form.data(), form.size()) || zb::LoadLe32(form.data()) != zb::FourCc("WAVE") ||
        !ReadChunkHeader(reader, fmt) || fmt.id != zb::FourCc("fmt ") || fmt.size < kFormatBytes ||
        !reader.Read(format.data(), format.size()))
        return FALSE;
    const WAVEFORMATEX stored = zb::ParseWaveFormat(format);
    m_format.wFormatTag = WAVE_FORMAT_PCM;
    m_format.nChannels = stored.nChannels;
    m_format.nSamplesPerSec = stored.nSamplesPerSec;
    m_format.wBitsPerSample = stored.wBitsPerSample;
    m_format.nBlockAlign =
        static_cast<std::uint16_t>(std::uint32_t{stored.wBitsPerSample} * stored.nChannels / 8);
    m_format.nAvgBytesPerSec = stored.nSamplesPerSec * m_format.nBlockAlign;
    m_format.cbSize = kExtraSize;
    // The rest of the format chunk, then chunk after chunk (each with its pad
    // byte after an odd size) up to "data".
    std::uint64_t skip = std::uint64_t{fmt.size} - kFormatBytes + (fmt.size & 1u);
    for (int step = 0; step < kMaxChunks; ++step) {
        ChunkHeader chunk;
        if (!reader.Skip(skip) || !ReadChunkHeader(reader, chunk))
            return FALSE;
        if (chunk.id == zb::FourCc("data")) {
            const std::uint32_t frameBytes =
                std::uint32_t{m_format.wBitsPerSample} * m_format.nChannels / 8;
            m_bFramesKnown = frameBytes != 0;
            m_nFrames = m_bFramesKnown ? chunk.size / frameBytes : 0;
            m_nState = PROVIDER_STATE_LOADED;
            return TRUE;
        }
        skip = std::uint64_t{chunk.size} + (chunk.size & 1u);
    }
    return FALSE;
}

BOOL CWaveInfoProvider::GetValue(int id, COLUMNVALUE* value) {
    if (m_nState != PROVIDER_STATE_LOADED)
        return FALSE;
    switch (id) {
        case kFrequency:
            value->SetUInt32(m_format.nSamplesPerSec);
            return TRUE;
        case kChannelCount:
            value->SetUInt32(m_format.nChannels);
            return TRUE;
        case kBitsPerSample:
            value->SetUInt32(m_format.wBitsPerSample);
            return TRUE;
        case kMode: {
            const char* mode = GetChannelModeText(m_format.nChannels);
            if (mode == nullptr)
                return FALSE;
            value->text = mode;
            return TRUE;
        }
        case kTimeLength: {
            if (!m_bFramesKnown)
                return FALSE;
            const std::uint64_t rate = m_format.nSamplesPerSec;
            value->SetUInt32(rate == 0 ? 0
                                       : static_cast<std::uint32_t>((m_nFrames + rate - 1) / rate));
            return TRUE;
        }
        default:
            return FALSE;
    }
}
