#pragma once
// The detail provider of WAVE files: frequency, channel count, bits per
// sample, channel mode and length, from the "fmt " chunk and the size of the
// "data" chunk. Files inside archives are read too.

#include <cstdint>

#include "platform/WaveFormat.h"
#include "readers/details/FixedColumnProvider.h"

class CWaveInfoProvider : public CFixedColumnProvider {
public:
    // Chunks passed over before "data"; a file with more gives no values.
    static constexpr int kMaxChunks = 1 << 16;

    CWaveInfoProvider();

    // "wav".
    BOOL InitExtensions() override;
    BOOL Load(const CProviderItem& item) override;
    // Only once loaded. The length is the frame count over the rate rounded
    // up (0 for a rate of 0), and no value when a frame has no whole byte.
    BOOL GetValue(int id, COLUMNVALUE* value) override;

private:
    WAVEFORMATEX m_format;
    std::uint32_t m_nFrames = 0;
    bool m_bFramesKnown = false;
};
