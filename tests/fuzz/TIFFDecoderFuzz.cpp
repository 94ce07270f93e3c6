// Decodes arbitrary bytes as a TIFF picture (libtiff).
#include <cstddef>
#include <cstdint>

#include "ThumbDecoderFuzzDriver.h"
#include "ThumbGenerator/TIFFDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CTIFFDecoder decoder;
    return zbfuzz::FuzzDecoder(decoder, data, size, "fuzz.tif");
}
