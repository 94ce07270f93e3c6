#include "platform/DibLayout.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace zb {

namespace {

constexpr DWORD kInfoHeaderSize = sizeof(BITMAPINFOHEADER);
constexpr DWORD kClrUsedEnd = 36;  // biClrUsed is the header's field at bytes 32 to 35
constexpr std::uint64_t kMaskBytes = 3 * sizeof(DWORD);
constexpr std::uint32_t kMaxColours = 256;

bool IsKnownBitCount(WORD bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

std::uint64_t DibColorTableBytes(const BITMAPINFOHEADER& header) {
    std::uint64_t bytes = 0;
    if (header.biCompression == BI_BITFIELDS && header.biSize == kInfoHeaderSize)
        bytes += kMaskBytes;
    if (header.biSize >= kClrUsedEnd && header.biClrUsed != 0)
        bytes += std::uint64_t{header.biClrUsed} * sizeof(RGBQUAD);
    else if (header.biBitCount <= 8)
        bytes += (std::uint64_t{1} << header.biBitCount) * sizeof(RGBQUAD);
    return bytes;
}

std::uint64_t DibStride(const BITMAPINFOHEADER& header) {
    const std::uint64_t width = static_cast<std::uint64_t>(std::llabs(header.biWidth));
    return (std::uint64_t{header.biBitCount} * width + 31) / 32 * 4;
}

std::uint64_t DibImageSize(const BITMAPINFOHEADER& header) {
    if (header.biSizeImage != 0)
        return header.biSizeImage;
    return DibStride(header) * static_cast<std::uint64_t>(std::llabs(header.biHeight));
}

bool ReadPackedDibLayout(const std::uint8_t* data, std::size_t size, PackedDibLayout& layout) {
    if (data == nullptr || size < kInfoHeaderSize)
        return false;
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof header);
    const std::int64_t width = header.biWidth;
    const std::int64_t height = std::llabs(header.biHeight);
    if (header.biSize < kInfoHeaderSize || header.biSize > size || width <= 0 ||
        width > kMaxDibSide || height == 0 || height > kMaxDibSide ||
        !IsKnownBitCount(header.biBitCount) ||
        (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS))
        return false;
    if (header.biCompression == BI_BITFIELDS &&
        (header.biBitCount < 16 || size < kInfoHeaderSize + kMaskBytes))
        return false;
    const std::uint64_t bits = header.biSize + DibColorTableBytes(header);
    const std::uint64_t stride = DibStride(header);
    const std::uint64_t rows = stride * static_cast<std::uint64_t>(height);
    if (bits > size || rows > size - bits)
        return false;

    if (header.biSizeImage == 0)
        header.biSizeImage = static_cast<DWORD>(rows);
    layout = PackedDibLayout();
    layout.header = header;
    layout.width = static_cast<std::uint32_t>(width);
    layout.height = static_cast<std::uint32_t>(height);
    layout.bottomUp = header.biHeight > 0;
    layout.bitsOffset = bits;
    layout.stride = stride;
    if (header.biCompression == BI_BITFIELDS)
        std::memcpy(layout.masks, data + kInfoHeaderSize, kMaskBytes);
    if (header.biBitCount <= 8) {
        const std::uint64_t entries = (bits - header.biSize) / sizeof(RGBQUAD);
        layout.colourCount =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(entries, kMaxColours));
    }
    return true;
}

}  // namespace zb
