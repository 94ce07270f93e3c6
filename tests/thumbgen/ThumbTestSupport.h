#pragma once
// Helpers of the thumbnail library's tests: byte builders for hand-made
// files, writers of real PNG, JPEG, GIF and TIFF files through the image
// libraries, decoding with the code and text of a failure, and pixel access.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ThumbGenerator/ImageBitmap.h"
#include "ThumbGenerator/ImageDecoder.h"

namespace thumbtest {

// Little- and big-endian byte building.
class Bytes {
public:
    Bytes& U8(int value);
    Bytes& Le16(int value);
    Bytes& Le32(std::uint32_t value);
    Bytes& Be16(int value);
    Bytes& Be32(std::uint32_t value);
    Bytes& Text(const std::string& text);
    Bytes& Zeros(std::size_t count);
    const std::string& Str() const { return m_data; }
    std::size_t Size() const { return m_data.size(); }

private:
    std::string m_data;
};

// The outcome of one decoding: the failure's code and text (code 0 when the
// decoding worked) and the bitmap.
struct Decoded {
    int code = 0;
    std::string text;
    CDrawDibBitmap bitmap;
};
// Decodes `bytes` in memory (`name` stands for the file name).
void DecodeBytes(CImageDecoder& decoder, const std::string& bytes, Decoded& result,
                 const std::string& name = "picture");

// A fixture holding one decoder of type `DecoderType` and the outcome of its
// last decoding.
template <class DecoderType>
class DecoderTest : public ::testing::Test {
protected:
    const Decoded& Decode(const std::string& bytes) {
        DecodeBytes(decoder, bytes, result);
        return result;
    }

    DecoderType decoder;
    Decoded result;
};

// A pixel of a decoded bitmap as 0xRRGGBB (through the palette for 1 and 8
// bits per pixel).
std::uint32_t Pixel(const CImageBitmap& bitmap, int x, int y);

// 0xRRGGBB of a pixel of a generated test picture, by position.
using PixelFunction = std::function<std::uint32_t(int x, int y)>;

// colourType and bitDepth as in the PNG format; grey takes the red channel.
std::string EncodePng(int width, int height, int colourType, int bitDepth,
                      const PixelFunction& pixel, int alpha = 255);
// components 1 (grey) or 3, high quality.
std::string EncodeJpeg(int width, int height, int components, const PixelFunction& pixel,
                       bool progressive = false);
struct GifImage {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    std::vector<std::uint8_t> indices;   // width * height
    std::vector<std::uint32_t> colours;  // a local colour map (0xRRGGBB), may be empty
};
std::string EncodeGif(int width, int height, const std::vector<std::uint32_t>& globalColours,
                      const std::vector<GifImage>& images, int background = 0);
// A strip TIFF written by libtiff; photometric, samples and orientation as
// given (the rows in the order the file stores them).
std::string EncodeTiff(int width, int height, int bitsPerSample, int samplesPerPixel,
                       int photometric, const std::vector<std::uint8_t>& packedRows,
                       const std::vector<std::uint16_t>& colourMap = {}, int rowsPerStrip = 1,
                       int orientation = 1);

// Writes `bytes` to a new file of the test's temporary folder.
std::string WriteTemp(const std::string& name, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);

// One run of the export: its result and the bitmap's pixels (0xRRGGBB).
struct Thumbnail {
    int result = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
Thumbnail Generate(const std::string& path, int maxWidth, int maxHeight);

// The library's trace lines written while `action` runs.
std::vector<std::string> CaptureTraces(const std::function<void()>& action);

// Whether two colours differ by at most `tolerance` in each channel.
bool Near(std::uint32_t a, std::uint32_t b, int tolerance);

}  // namespace thumbtest
