#pragma once
// JPEG data through libjpeg, from the source's current position to its end:
// grey pictures into 8 bits per pixel, colour ones into 32.

#include "ThumbGenerator/ImageDecoder.h"

class CJPEGDecoder : public CImageDecoder {
protected:
    void DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                  CImageSource& source) override;

private:
    // Plain upsampling: faster, nearly the same picture.
    bool m_fast = true;
};
