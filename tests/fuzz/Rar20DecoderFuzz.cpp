// Decodes arbitrary bytes as a RAR 2.0 packed stream: the first four bytes
// give the unpacked size (at most 4 MiB), the rest is the packed data, read
// in blocks whose sizes the first byte varies.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "readers/archives/Rar20Decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    const std::uint32_t unpacked =
        (data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24)) &
        0x3FFFFF;
    const int block = 1 + (data[0] % 7) * 9000;
    CMemorySource source(data + 4, size - 4);
    CRar20Decoder decoder;
    decoder.Start(source, unpacked);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(block));
    while (decoder.Read(buffer.data(), block) > 0) {
    }
    return 0;
}
