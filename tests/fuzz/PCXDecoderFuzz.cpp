// Decodes arbitrary bytes as a PCX picture.
#include <cstddef>
#include <cstdint>

#include "ThumbDecoderFuzzDriver.h"
#include "ThumbGenerator/PCXDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CPCXDecoder decoder;
    return zbfuzz::FuzzDecoder(decoder, data, size, "fuzz.pcx");
}
