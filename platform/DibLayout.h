#pragma once
// Where the parts of a packed device-independent bitmap lie: the header, then
// its colour masks and colour table, then the rows of pixels.

#include <cstdint>

#include "platform/Bitmap.h"

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
