#pragma once
// Where the parts of a packed device-independent bitmap lie: the header, then
// its colour masks and colour table, then the rows of pixels. A packed bitmap
// is what follows the 14-byte file header of a .bmp file.

#include <cstddef>
#include <cstdint>

#include "platform/Bitmap.h"

namespace zb {

// The bytes between the end of the header and the first pixel: the three
// 4-byte colour masks of a BI_BITFIELDS bitmap whose header is the 40-byte
// one (larger headers hold the masks themselves), then the colour table:
// biClrUsed entries of 4 bytes when the header is at least 36 bytes long and
// biClrUsed is not 0, else 2^bit count entries up to 8 bits per pixel and no
// table above.
std::uint64_t DibColorTableBytes(const BITMAPINFOHEADER& header);

// The bytes of one row: ((bit count x width + 31) / 32) x 4.
std::uint64_t DibStride(const BITMAPINFOHEADER& header);

// The bytes of all rows: biSizeImage, or the stride times the height when
// that is 0.
std::uint64_t DibImageSize(const BITMAPINFOHEADER& header);

// A packed bitmap whose parts were checked to lie inside its bytes.
struct PackedDibLayout {
    BITMAPINFOHEADER header;  // biSizeImage filled in when it was 0
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool bottomUp = true;          // the first row in the bytes is the picture's last
    std::uint64_t bitsOffset = 0;  // of the first pixel, from the header's start
    std::uint64_t stride = 0;
    DWORD masks[3] = {0, 0, 0};     // red, green, blue of a BI_BITFIELDS bitmap
    std::uint32_t colourCount = 0;  // colour table entries (at most 256), up to 8 bits
};

// The largest width or height that is read.
constexpr std::uint32_t kMaxDibSide = 16384;

// Reads the layout of the packed bitmap in [data, data + size). False for a
// header shorter than 40 bytes or longer than the bytes, a width or height of
// 0 or above kMaxDibSide, compression other than BI_RGB and BI_BITFIELDS,
// a bit count other than 1, 4, 8, 16, 24 and 32, or masks, colour table or
// pixels that run past the end.
bool ReadPackedDibLayout(const std::uint8_t* data, std::size_t size, PackedDibLayout& layout);

}  // namespace zb
