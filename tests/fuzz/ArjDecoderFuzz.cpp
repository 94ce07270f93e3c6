// Decodes arbitrary bytes as an ARJ packed stream: the first byte chooses
// the method (1 to 4), the next three give the unpacked size (at most
// 16 MiB), the rest is the packed data, read in blocks of varying size.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "readers/archives/ArjDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    const int method = 1 + data[0] % 4;
    const std::uint32_t unpacked = data[1] | (data[2] << 8) | (data[3] << 16);
    const int block = 1 + (data[0] / 4 % 7) * 9000;
    CMemorySource source(data + 4, size - 4);
    CArjDecoder decoder;
    decoder.Start(source, method, unpacked);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(block));
    while (decoder.Read(buffer.data(), block) > 0) {
    }
    return 0;
}
