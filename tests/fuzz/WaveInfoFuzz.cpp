// Reads arbitrary bytes as a WAVE file: the format chunk and the chunk walk
// up to the data chunk.
#include <cstddef>
#include <cstdint>

#include "readers/details/StreamReader.h"
#include "readers/details/WaveInfoProvider.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CStreamReader reader(zb::ByteSpan(data, size));
    CWaveInfo info;
    ReadWaveInfo(reader, info);
    return 0;
}
