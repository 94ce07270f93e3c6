// Decodes arbitrary bytes as a Windows metafile and as an enhanced metafile.
#include <cstddef>
#include <cstdint>

#include "ThumbDecoderFuzzDriver.h"
#include "ThumbGenerator/MetafileDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CMetafileDecoder decoder;
    zbfuzz::FuzzDecoder(decoder, data, size, "fuzz.wmf");
    return zbfuzz::FuzzDecoder(decoder, data, size, "fuzz.emf");
}
