// Decodes arbitrary bytes as a GIF picture (giflib).
#include <cstddef>
#include <cstdint>

#include "ThumbDecoderFuzzDriver.h"
#include "ThumbGenerator/GIFDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CGIFDecoder decoder;
    return zbfuzz::FuzzDecoder(decoder, data, size, "fuzz.gif");
}
