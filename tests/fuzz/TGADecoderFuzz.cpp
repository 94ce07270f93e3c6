// Decodes arbitrary bytes as a TGA picture.
#include <cstddef>
#include <cstdint>

#include "ThumbDecoderFuzzDriver.h"
#include "ThumbGenerator/TGADecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CTGADecoder decoder;
    return zbfuzz::FuzzDecoder(decoder, data, size, "fuzz.tga");
}
