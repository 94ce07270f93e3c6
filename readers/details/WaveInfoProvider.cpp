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

bool ReadWaveInfo(CStreamReader& reader, CWaveInfo& info) {
    info = CWaveInfo();
    ChunkHeader riff;
    std::array<std::uint8_t, 4> form{};
    ChunkHeader fmt;
    std::array<std::uint8_t, kFormatBytes> format{};
    if (!ReadChunkHeader(reader, riff) || riff.id != zb::FourCc("RIFF") ||
        !reader.Read(form.data(), form.size()) || zb::LoadLe32(form.data()) != zb::FourCc("WAVE") ||
        !ReadChunkHeader(reader, fmt) || fmt.id != zb::FourCc("fmt ") || fmt.size < kFormatBytes ||
        !reader.Read(format.data(), format.size()))
        return false;
    const WAVEFORMATEX stored = zb::ParseWaveFormat(format);
    WAVEFORMATEX& kept = info.format;
    kept.wFormatTag = WAVE_FORMAT_PCM;
    kept.nChannels = stored.nChannels;
    kept.nSamplesPerSec = stored.nSamplesPerSec;
    kept.wBitsPerSample = stored.wBitsPerSample;
    const std::uint32_t frameBytes = std::uint32_t{stored.wBitsPerSample} * stored.nChannels / 8;
    kept.nBlockAlign = static_cast<std::uint16_t>(frameBytes);
    kept.nAvgBytesPerSec = stored.nSamplesPerSec * kept.nBlockAlign;
    kept.cbSize = kExtraSize;
    // The rest of the format chunk, then chunk after chunk (each with its pad
    // byte after an odd size) up to "data". Sizes are unsigned: a skip only
    // ever moves forward.
    std::uint64_t skip = std::uint64_t{fmt.size} - kFormatBytes + (fmt.size & 1u);
    for (int step = 0; step < CWaveInfo::kMaxChunks; ++step) {
        ChunkHeader chunk;
        if (!reader.Skip(skip) || !ReadChunkHeader(reader, chunk))
            return false;
        if (chunk.id == zb::FourCc("data")) {
            info.framesKnown = frameBytes != 0;
            info.frames = info.framesKnown ? chunk.size / frameBytes : 0;
            return true;
        }
        skip = std::uint64_t{chunk.size} + (chunk.size & 1u);
    }
    return false;
}

CWaveInfoProvider::CWaveInfoProvider() : CFixedColumnProvider(kWaveColumns) {}

BOOL CWaveInfoProvider::InitExtensions() {
    m_arrExtensions = {"wav"};
    return TRUE;
}

BOOL CWaveInfoProvider::Load(const CProviderItem& item) {
    m_nState = PROVIDER_STATE_LOADING;
    m_info = CWaveInfo();
    CSourceStream stream;
    if (!item.OpenStream(&stream))
        return FALSE;
    CStreamReader reader(stream);
    if (!ReadWaveInfo(reader, m_info))
        return FALSE;
    m_nState = PROVIDER_STATE_LOADED;
    return TRUE;
}

BOOL CWaveInfoProvider::GetValue(int id, COLUMNVALUE* value) {
    if (m_nState != PROVIDER_STATE_LOADED)
        return FALSE;
    switch (id) {
        case kFrequency:
            value->SetUInt32(m_info.format.nSamplesPerSec);
            return TRUE;
        case kChannelCount:
            value->SetUInt32(m_info.format.nChannels);
            return TRUE;
        case kBitsPerSample:
            value->SetUInt32(m_info.format.wBitsPerSample);
            return TRUE;
        case kMode: {
            const char* mode = GetChannelModeText(m_info.format.nChannels);
            if (mode == nullptr)
                return FALSE;
            value->text = mode;
            return TRUE;
        }
        case kTimeLength: {
            if (!m_info.framesKnown)
                return FALSE;
            const std::uint64_t rate = m_info.format.nSamplesPerSec;
            value->SetUInt32(
                rate == 0 ? 0 : static_cast<std::uint32_t>((m_info.frames + rate - 1) / rate));
            return TRUE;
        }
        default:
            return FALSE;
    }
}
