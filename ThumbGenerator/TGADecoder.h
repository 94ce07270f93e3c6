#pragma once
// Truevision TGA: colour-mapped, true-colour and grey pictures, uncompressed
// or run-length encoded, 8 to 32 bits per pixel.

#include "ThumbGenerator/ImageDecoder.h"

class CTGADecoder : public CImageDecoder {
protected:
    void DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                  CImageSource& source) override;
};
