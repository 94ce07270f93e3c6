// Decodes arbitrary bytes as a PICT picture, with JPEG data inside it.
#include <cstddef>
#include <cstdint>

#include "ThumbDecoderFuzzDriver.h"
#include "ThumbGenerator/JPEGDecoder.h"
#include "ThumbGenerator/PICTDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CJPEGDecoder jpeg;
    CPICTDecoder decoder(&jpeg);
    return zbfuzz::FuzzDecoder(decoder, data, size, "fuzz.pict");
}
