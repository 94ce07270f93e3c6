#pragma once
// The detail provider of TGA files: width, height and pixel depth of the
// 18-byte header (which has no signature: any 18 bytes are taken).

#include "readers/details/ImageHeaderProvider.h"

class CTgaInfoProvider : public CImageHeaderProvider {
public:
    CTgaInfoProvider();

    // "tga".
    BOOL InitExtensions() override;
    // 1 for every id, so the provider is enabled whenever any detail column is.
    BOOL HasColumn(int id) const override;

protected:
    bool AcceptHeader(zb::ByteSpan header) const override;
    CImageValues GetImageValues() const override;
};
