// Reads arbitrary bytes as a Photoshop document: identifies it, reads its
// information, decodes its composite image and draws it into a thumbnail.
#include <cstddef>
#include <cstdint>

#include "readers/details/PsdImage.h"
#include "support/PsdDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CBitmap bitmap;
    zbtest::DecodePsdBytes(zb::ByteSpan(data, size), SIZE{48, 32}, &bitmap);
    return 0;
}
