#include "platform/DibLayout.h"

#include <cstdlib>

namespace {

constexpr DWORD kInfoHeaderSize = sizeof(BITMAPINFOHEADER);
constexpr DWORD kClrUsedEnd = 36;  // biClrUsed is the header's field at bytes 32 to 35
constexpr std::uint64_t kMaskBytes = 3 * sizeof(DWORD);

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
