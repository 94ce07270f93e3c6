#pragma once
// The wave format record that starts the format of an audio stream (the
// "fmt " chunk of a WAVE file, the "strf" chunk of an AVI audio stream).

#include <cstdint>

#include "platform/ByteReader.h"

struct WAVEFORMATEX {
    std::uint16_t wFormatTag = 0;
    std::uint16_t nChannels = 0;
    std::uint32_t nSamplesPerSec = 0;
    std::uint32_t nAvgBytesPerSec = 0;
    std::uint16_t nBlockAlign = 0;
    std::uint16_t wBitsPerSample = 0;
    std::uint16_t cbSize = 0;
};

namespace zb {

// The fields at the start of `format`; fields the bytes do not reach stay 0.
WAVEFORMATEX ParseWaveFormat(ByteSpan format);

}  // namespace zb
