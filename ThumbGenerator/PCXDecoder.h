#pragma once
// ZSoft PCX: run-length encoded planes of 1, 2, 4 or 8 bits, always into a
// 32-bit bitmap.

#include "ThumbGenerator/ImageDecoder.h"

class CPCXDecoder : public CImageDecoder {
protected:
    void DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                  CImageSource& source) override;
};
