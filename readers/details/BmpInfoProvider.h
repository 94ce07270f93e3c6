#pragma once
// The detail provider of BMP files: width, height (negative for a top-down
// bitmap), depth and printed size of the bitmap info header.

#include "readers/details/ImageHeaderProvider.h"

class CBmpInfoProvider : public CImageHeaderProvider {
public:
    CBmpInfoProvider();

    // "bmp" "dib".
    BOOL InitExtensions() override;

protected:
    // The 14-byte file header starting "BM", then 40 bytes of info header
    // (whatever size it states). A 12-byte OS/2 core header is read as such.
    bool AcceptHeader(zb::ByteSpan header) const override;
    CImageValues GetImageValues() const override;
};
