// Reads arbitrary bytes as a .bmp file image: the packed bitmap behind its
// 14-byte file header is laid out and, when that succeeds, every byte of its
// colour table and rows is read.
#include <cstddef>
#include <cstdint>

#include "platform/DibLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kFileHeaderSize = 14;
    if (size < kFileHeaderSize)
        return 0;
    const std::uint8_t* dib = data + kFileHeaderSize;
    zb::PackedDibLayout layout;
    if (!zb::ReadPackedDibLayout(dib, size - kFileHeaderSize, layout))
        return 0;
    volatile std::uint8_t sum = 0;
    for (std::uint64_t i = layout.header.biSize; i < layout.bitsOffset; ++i)
        sum = sum + dib[i];
    for (std::uint32_t y = 0; y < layout.height; ++y) {
        const std::uint8_t* row = dib + layout.bitsOffset + std::uint64_t{y} * layout.stride;
        for (std::uint64_t x = 0; x < layout.stride; ++x)
            sum = sum + row[x];
    }
    return 0;
}
