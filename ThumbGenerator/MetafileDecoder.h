#pragma once
// Windows metafiles (placeable or not) and enhanced metafiles, played by our
// own record player onto a white picture of the metafile's natural size at
// 96 dots per inch.

#include "ThumbGenerator/ImageDecoder.h"

class CMetafileDecoder : public CImageDecoder {
public:
    // Resolution of the screen the size is computed for.
    static constexpr int kDotsPerInch = 96;
    // Largest side drawn; a larger natural size is scaled down to it (the
    // picture is vector data, so a thumbnail loses nothing).
    static constexpr int kMaxSide = 2048;

protected:
    void DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                  CImageSource& source) override;
};
