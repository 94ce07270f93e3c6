// Decodes arbitrary bytes as a PNG picture (libpng).
#include <cstddef>
#include <cstdint>

#include "ThumbDecoderFuzzDriver.h"
#include "ThumbGenerator/PNGDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CPNGDecoder decoder;
    return zbfuzz::FuzzDecoder(decoder, data, size, "fuzz.png");
}
