#pragma once
// The detail provider of GIF files: the logical screen's width and height and
// the depth of the global colour table.

#include "readers/details/ImageHeaderProvider.h"

class CGifInfoProvider : public CImageHeaderProvider {
public:
    CGifInfoProvider();

    // "gif".
    BOOL InitExtensions() override;
    // 1 for every id, so the provider is enabled whenever any detail column is.
    BOOL HasColumn(int id) const override;

protected:
    // 13 bytes starting "GIF" (the version is not tested).
    bool AcceptHeader(zb::ByteSpan header) const override;
    CImageValues GetImageValues() const override;
};
