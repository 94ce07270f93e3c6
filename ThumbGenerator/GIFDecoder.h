#pragma once
// GIF through giflib: every image of the file drawn onto one 8-bit canvas of
// the screen's size, later images over earlier ones. A screen larger than
// the file's data could fill is refused before the canvas is made.

#include "ThumbGenerator/ImageDecoder.h"

class CGIFDecoder : public CImageDecoder {
public:
    // Limits that keep a hostile file's work bounded: the number of images
    // read and the pixels decoded in all.
    static constexpr int kMaxImages = 10000;
    static constexpr std::int64_t kMaxDecodedPixels = std::int64_t{1} << 30;

protected:
    void DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                  CImageSource& source) override;
};
