// Reads arbitrary bytes as a compound document and draws the preview picture
// of its summary information into a thumbnail.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/ByteSource.h"
#include "readers/details/MaxThumbnailProvider.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CBitmap bitmap;
    DrawSummaryThumbnail(std::make_unique<zb::MemorySource>(zb::ByteSpan(data, size)), SIZE{48, 32},
                         &bitmap);
    return 0;
}
