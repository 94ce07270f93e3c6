// Decodes arbitrary bytes as a JPEG picture through libjpeg, as the PICT decoder
// hands it the JPEG data inside a PICT file.
#include <cstddef>
#include <cstdint>

#include "ThumbDecoderFuzzDriver.h"
#include "ThumbGenerator/JPEGDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CJPEGDecoder decoder;
    return zbfuzz::FuzzDecoder(decoder, data, size, "fuzz.jpg");
}
