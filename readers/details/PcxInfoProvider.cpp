#include "readers/details/PcxInfoProvider.h"

#include <array>

#include "readers/details/JpegInfoProvider.h"

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::uint8_t kPcxMark = 0x0A;
constexpr int kDotsPerInch = 1;
constexpr std::array<int, 5> kPcxColumns = {kImageWidthColumn, kImageHeightColumn,
                                            kImageDepthColumn, kImageWidthCmColumn,
                                            kImageHeightCmColumn};

}  // namespace

CPcxInfoProvider::CPcxInfoProvider() : CImageHeaderProvider(kPcxColumns, kHeaderSize) {}

BOOL CPcxInfoProvider::InitExtensions() {
    m_arrExtensions = {"pcx"};
    return TRUE;
}

bool CPcxInfoProvider::AcceptHeader(zb::ByteSpan header) const {
    return header[0] == kPcxMark;
}

CImageValues CPcxInfoProvider::GetImageValues() const {
    CImageValues values;
    values.width = HeaderLe16(8) - HeaderLe16(4) + 1;
    values.height = HeaderLe16(10) - HeaderLe16(6) + 1;
    values.depth = HeaderByte(3);
    values.hasPrintSize = true;
    values.widthCm =
        static_cast<float>(PixelsToCentimetres(values.width, HeaderLe16(12), kDotsPerInch));
    values.heightCm =
        static_cast<float>(PixelsToCentimetres(values.height, HeaderLe16(14), kDotsPerInch));
    return values;
}
