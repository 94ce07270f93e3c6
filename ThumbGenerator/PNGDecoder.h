#pragma once
// PNG through libpng: grey and palette pictures into 8 bits per pixel,
// colour and alpha pictures into 32.

#include "ThumbGenerator/ImageDecoder.h"

class CPNGDecoder : public CImageDecoder {
protected:
    void DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                  CImageSource& source) override;
};
