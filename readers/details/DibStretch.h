#pragma once
// Drawing a 24-bit device-independent picture into a thumbnail bitmap of a
// given size, as the thumbnail makers that decode pictures themselves need.

#include <cstddef>
#include <cstdint>

#include "platform/BitmapImage.h"
#include "platform/WinTypes.h"

// A 24-bit picture in memory: rows of blue, green and red bytes, `stride`
// bytes apart, the bottom row first (the layout of a bitmap file's pixels).
struct CDibPicture {
    const std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::size_t stride = 0;
};

// Makes `bitmap` a picture of `size` showing the whole of `picture`: each
// target pixel is the average of the source pixels it covers (when the
// picture is smaller than the target, the nearest source pixel). FALSE, with
// `bitmap` empty, when either has no pixels.
BOOL StretchDibToBitmap(const CDibPicture& picture, SIZE size, CBitmap* bitmap);
