#include "readers/details/TgaInfoProvider.h"

#include <array>

namespace {

constexpr std::size_t kHeaderSize = 18;
constexpr std::array<int, 3> kTgaColumns = {kImageWidthColumn, kImageHeightColumn,
                                            kImageDepthColumn};

}  // namespace

CTgaInfoProvider::CTgaInfoProvider() : CImageHeaderProvider(kTgaColumns, kHeaderSize) {}

BOOL CTgaInfoProvider::InitExtensions() {
    m_arrExtensions = {"tga"};
    return TRUE;
}

bool CTgaInfoProvider::AcceptHeader(zb::ByteSpan) const {
    return true;
}

BOOL CTgaInfoProvider::HasColumn(int) const {
    return TRUE;
}

CImageValues CTgaInfoProvider::GetImageValues() const {
    CImageValues values;
    values.width = HeaderLe16(12);
    values.height = HeaderLe16(14);
    values.depth = HeaderByte(16);
    return values;
}
