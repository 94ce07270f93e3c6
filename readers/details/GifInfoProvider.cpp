#include "readers/details/GifInfoProvider.h"

#include <array>

namespace {

constexpr std::size_t kHeaderSize = 13;
constexpr std::array<int, 3> kGifColumns = {kImageWidthColumn, kImageHeightColumn,
                                            kImageDepthColumn};

}  // namespace

CGifInfoProvider::CGifInfoProvider() : CImageHeaderProvider(kGifColumns, kHeaderSize) {}

BOOL CGifInfoProvider::InitExtensions() {
    m_arrExtensions = {"gif"};
    return TRUE;
}

bool CGifInfoProvider::AcceptHeader(zb::ByteSpan header) const {
    return header[0] == 'G' && header[1] == 'I' && header[2] == 'F';
}

BOOL CGifInfoProvider::HasColumn(int) const {
    return TRUE;
}

CImageValues CGifInfoProvider::GetImageValues() const {
    CImageValues values;
    values.width = HeaderLe16(6);
    values.height = HeaderLe16(8);
    values.depth = (HeaderByte(10) & 7) + 1;
    return values;
}
