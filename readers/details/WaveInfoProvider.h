#pragma once
// The detail provider of WAVE files: frequency, channel count, bits per
// sample, channel mode and length, from the "fmt " chunk and the size of the
// "data" chunk. Files inside archives are read too.

#include <cstdint>

#include "platform/WaveFormat.h"
#include "readers/details/FixedColumnProvider.h"

class CStreamReader;

// What the WAVE reader takes of a file: the format as the provider keeps it
// (format tag 1, block align and average rate computed from bits, channels
// and rate) and the data chunk's frame count, unknown when a frame has no
// whole byte.
struct CWaveInfo {
    // Chunks passed over before "data"; a file with more gives no values.
    static constexpr int kMaxChunks = 1 << 16;

    WAVEFORMATEX format{};
    std::uint32_t frames = 0;
    bool framesKnown = false;
};

// Reads "RIFF", "WAVE", the "fmt " chunk (at least 16 bytes) and the chunks
// after it up to "data"; false when one is missing, short or damaged.
bool ReadWaveInfo(CStreamReader& reader, CWaveInfo& info);

class CWaveInfoProvider : public CFixedColumnProvider {
public:
    CWaveInfoProvider();

    // "wav".
    BOOL InitExtensions() override;
    BOOL Load(const CProviderItem& item) override;
    // Only once loaded. The length is the frame count over the rate rounded
    // up (0 for a rate of 0), and no value when a frame has no whole byte.
    BOOL GetValue(int id, COLUMNVALUE* value) override;

private:
    CWaveInfo m_info;
};
