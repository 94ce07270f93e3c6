// Reads arbitrary bytes as a video clip: its headers, its first video frame
// found in the "movi" list, and that frame decoded and fitted into a thumbnail.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/ByteSource.h"
#include "readers/details/AviFile.h"
#include "readers/details/AviThumbnailProvider.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CAviFile clip;
    if (!clip.Open(std::make_unique<zb::MemorySource>(zb::ByteSpan(data, size))))
        return 0;
    CBitmap bitmap;
    DrawClipThumbnail(clip, SIZE{48, 32}, &bitmap);
    return 0;
}
