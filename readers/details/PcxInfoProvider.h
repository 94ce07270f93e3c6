#pragma once
// The detail provider of PCX files: width and height from the window, the
// bits per pixel of one plane, and the printed size from the resolution.

#include "readers/details/ImageHeaderProvider.h"

class CPcxInfoProvider : public CImageHeaderProvider {
public:
    CPcxInfoProvider();

    // "pcx".
    BOOL InitExtensions() override;

protected:
    // 128 bytes starting with 0x0A.
    bool AcceptHeader(zb::ByteSpan header) const override;
    CImageValues GetImageValues() const override;
};
