// Reads arbitrary bytes as a JPEG file: the marker walk up to the first
// start of scan, and the print size of what it found.
#include <cstddef>
#include <cstdint>

#include "readers/details/JpegInfoProvider.h"
#include "readers/details/StreamReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CStreamReader reader(zb::ByteSpan(data, size));
    CJpegInfo info;
    if (ReadJpegInfo(reader, info)) {
        PixelsToCentimetres(info.width, info.xDensity, info.units);
        PixelsToCentimetres(info.height, info.yDensity, info.units);
    }
    return 0;
}
