#include "readers/details/BmpInfoProvider.h"

#include <array>

#include "platform/Avi.h"

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::array<int, 5> kBmpColumns = {kImageWidthColumn, kImageHeightColumn,
                                            kImageDepthColumn, kImageWidthCmColumn,
                                            kImageHeightCmColumn};

// Pixels at `pelsPerMeter` in centimetres; 0 without a resolution.
float PixelsToCentimetresAt(LONG pixels, LONG pelsPerMeter) {
    return pelsPerMeter == 0 ? 0.0f
                             : static_cast<float>(static_cast<double>(pixels) * 100.0 /
                                                  static_cast<double>(pelsPerMeter));
}

}  // namespace

CBmpInfoProvider::CBmpInfoProvider()
    : CImageHeaderProvider(kBmpColumns, kFileHeaderSize + kInfoHeaderSize) {}

BOOL CBmpInfoProvider::InitExtensions() {
    m_arrExtensions = {"bmp", "dib"};
    return TRUE;
}

bool CBmpInfoProvider::AcceptHeader(zb::ByteSpan header) const {
    return header[0] == 'B' && header[1] == 'M';
}

CImageValues CBmpInfoProvider::GetImageValues() const {
    CImageValues values;
    values.hasPrintSize = true;
    if (HeaderLe32(kFileHeaderSize) == kCoreHeaderSize) {
        // An OS/2 core header: 16-bit sizes and no resolution.
        values.width = HeaderLe16(kFileHeaderSize + 4);
        values.height = HeaderLe16(kFileHeaderSize + 6);
        values.depth = HeaderLe16(kFileHeaderSize + 10);
        return values;
    }
    const BITMAPINFOHEADER info = zb::ParseBitmapInfoHeader(HeaderBytes().subspan(kFileHeaderSize));
    values.width = info.biWidth;
    values.height = info.biHeight;
    values.depth = info.biBitCount;
    values.widthCm = PixelsToCentimetresAt(info.biWidth, info.biXPelsPerMeter);
    values.heightCm = PixelsToCentimetresAt(info.biHeight, info.biYPelsPerMeter);
    return values;
}
