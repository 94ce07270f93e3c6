#pragma once
// Portable grey maps: "P2" (text samples) and "P5" (binary samples: one
// byte each, two big-endian bytes when the maximum value is above 255), each
// sample scaled by the file's maximum into an 8-bit bitmap with the grey ramp
// palette.

#include "ThumbGenerator/ImageDecoder.h"

class CPGMDecoder : public CImageDecoder {
protected:
    void DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                  CImageSource& source) override;
};
