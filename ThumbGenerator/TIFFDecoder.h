#pragma once
// TIFF through libtiff, read from memory: single-sample strips of up to 8
// bits into 1- or 8-bit bitmaps with their palette or grey ramp, everything
// else through libtiff's RGBA reader into 32 bits per pixel.

#include <tiffio.h>

#include "ThumbGenerator/ImageDecoder.h"

class CTIFFDecoder : public CImageDecoder {
public:
    CTIFFDecoder();

protected:
    void DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                  CImageSource& source) override;
    // Decodes the open TIFF: the first directory only.
    virtual void DecodeTIFF(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                            CImageSource& source, TIFF* tiff);

private:
    void DoLoColor(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp, CImageSource& source,
                   TIFF* tiff);
    void DoRGBA(CImageBitmap& bitmap, int& bpp, CImageSource& source, TIFF* tiff);
};
