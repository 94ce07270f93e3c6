#pragma once
// Macintosh PICT (versions 1 and 2): the opcodes are read up to the first
// element that carries pixels (a bitmap, an indexed or direct pixel map, or
// JPEG data inside QuickTime data), which is decoded; vector drawing is
// skipped.

#include <cstdint>

#include "ThumbGenerator/ImageDecoder.h"

class CJPEGDecoder;

class CPICTDecoder : public CImageDecoder {
public:
    // `jpegDecoder` (may be null) decodes embedded JPEG pictures.
    explicit CPICTDecoder(CJPEGDecoder* jpegDecoder) : m_jpegDecoder(jpegDecoder) {}

protected:
    void DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                  CImageSource& source) override;

private:
    struct Rect {
        int top, left, bottom, right;
        int Width() const { return right - left; }
        int Height() const { return bottom - top; }
    };
    struct PixMapHeader {
        int packType = 0;
        int pixelSize = 0;
        int componentCount = 0;
    };

    // Reads opcodes until a picture has been decoded.
    void InterpretOpcodes(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                          CImageSource& source);
    void SkipOpcodeData(int opcode, CImageSource& source);
    void ReadPixelPattern(std::vector<RGBQUAD>& work, CImageSource& source);
    void ReadBitmapOrPixMap(int opcode, CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                            CImageSource& source);
    void ReadDirectPixMap(int opcode, CImageBitmap& bitmap, int& bpp, CImageSource& source);
    void ReadJpeg(CImageBitmap& bitmap, CImageSource& source);

    static Rect ReadRect(CImageSource& source);
    static PixMapHeader ReadPixMapHeader(CImageSource& source);
    static void ReadColourTable(std::vector<RGBQUAD>& table, CImageSource& source);
    static void SkipRegion(CImageSource& source);
    // Throws code 11 when the data left cannot hold the rows of `bounds`.
    static void RequireRows(const Rect& bounds, const CImageSource& source);
    // Reads the rows of a picture `width` x `height`; with a null bitmap they
    // are only skipped.
    static void ReadRows(CImageBitmap* bitmap, int width, int height, int rowBytesWord,
                         const PixMapHeader& pixMap, CImageSource& source);

    CJPEGDecoder* m_jpegDecoder;
    int m_version = 0;
};
