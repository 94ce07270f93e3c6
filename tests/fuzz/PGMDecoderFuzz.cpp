// Decodes arbitrary bytes as a PGM picture.
#include <cstddef>
#include <cstdint>

#include "ThumbDecoderFuzzDriver.h"
#include "ThumbGenerator/PGMDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CPGMDecoder decoder;
    return zbfuzz::FuzzDecoder(decoder, data, size, "fuzz.pgm");
}
