#include "platform/WaveFormat.h"

namespace zb {

WAVEFORMATEX ParseWaveFormat(ByteSpan format) {
    // A reader that runs out yields 0 for every later field.
    ByteReader reader(format);
    WAVEFORMATEX wave;
    wave.wFormatTag = reader.U16Le();
    wave.nChannels = reader.U16Le();
    wave.nSamplesPerSec = reader.U32Le();
    wave.nAvgBytesPerSec = reader.U32Le();
    wave.nBlockAlign = reader.U16Le();
    wave.wBitsPerSample = reader.U16Le();
    wave.cbSize = reader.U16Le();
    return wave;
}

}  // namespace zb
