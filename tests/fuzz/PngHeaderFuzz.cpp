// Reads arbitrary bytes as a PNG file through libpng up to the image data.
#include <cstddef>
#include <cstdint>

#include "readers/details/PngInfoProvider.h"
#include "readers/details/StreamReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CStreamReader reader(zb::ByteSpan(data, size));
    CPngHeader header;
    ReadPngHeader(reader, header);
    return 0;
}
