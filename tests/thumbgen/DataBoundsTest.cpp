// Pictures that declare more pixels than their data can give are refused
// before a bitmap is made, and what a decoder passes over or decodes costs no
// more memory than the picture itself.
#include <gtest/gtest.h>

#include <png.h>
#include <tiffio.h>

#include "ThumbGenerator/GIFDecoder.h"
#include "ThumbGenerator/PCXDecoder.h"
#include "ThumbGenerator/PNGDecoder.h"
#include "ThumbGenerator/TIFFDecoder.h"
#include "ThumbGenerator/TextException.h"
#include "ThumbTestSupport.h"
#include "support/PdfWriter.h"
#include "support/PictureWriter.h"
#include "support/ProcessStats.h"

namespace {

using thumbtest::Bytes;
using thumbtest::Decoded;

constexpr std::int64_t kMiB = 1024 * 1024;
// What a refused picture may cost: far below the 512 MiB of the declared one.
constexpr std::int64_t kSmallGrowth = 64 * kMiB;

// The signature and the header chunk of an 8-bit PNG.
std::string PngHeader(int width, int height, int colourType) {
    const zbtest::Bytes png = zbtest::Png(width, height, 8, static_cast<std::uint8_t>(colourType));
    return std::string(png.begin(), png.begin() + 33);
}

// A little-endian TIFF of one strip of 4 bytes.
std::string TinyTiff(int width, int height, int samples, int photometric, int compression) {
    const struct {
        int tag, type, value;
    } entries[] = {
        {TIFFTAG_IMAGEWIDTH, 4, width},        {TIFFTAG_IMAGELENGTH, 4, height},
        {TIFFTAG_BITSPERSAMPLE, 3, 8},         {TIFFTAG_COMPRESSION, 3, compression},
        {TIFFTAG_PHOTOMETRIC, 3, photometric}, {TIFFTAG_STRIPOFFSETS, 4, 8 + 2 + 9 * 12 + 4},
        {TIFFTAG_SAMPLESPERPIXEL, 3, samples}, {TIFFTAG_ROWSPERSTRIP, 4, height},
        {TIFFTAG_STRIPBYTECOUNTS, 4, 4}};
    Bytes b;
    b.Text("II*").U8(0).Le32(8).Le16(9);
    for (const auto& e : entries) {
        b.Le16(e.tag).Le16(e.type).Le32(1);
        if (e.type == 3)
            b.Le16(e.value).Le16(0);
        else
            b.Le32(static_cast<std::uint32_t>(e.value));
    }
    return b.Le32(0).U8(0x78).U8(0x9C).U8(0x03).U8(0x00).Str();
}

// A GIF of a two-colour screen and one image of the screen's size.
std::string TinyGif(int width, int height) {
    Bytes b;
    b.Text("GIF89a").Le16(width).Le16(height).U8(0x80).U8(0).U8(0);
    b.U8(0).U8(0).U8(0).U8(0xFF).U8(0xFF).U8(0xFF);
    b.U8(',').Le16(0).Le16(0).Le16(width).Le16(height).U8(0);
    return b.U8(2).U8(2).U8(0x44).U8(0x01).U8(0).U8(';').Str();
}

// Decodes `bytes` and expects the refusal of a picture the data cannot fill,
// with no bitmap made (it keeps the 16 x 16 it was born with).
void ExpectRefusedBeforeTheBitmap(CImageDecoder& decoder, const std::string& bytes) {
    Decoded result;
    thumbtest::DecodeBytes(decoder, bytes, result);
    EXPECT_EQ(result.code, kErrEndOfData) << result.text;
    EXPECT_EQ(result.bitmap.GetWidth(), 16);
}

TEST(DataBounds, PicturesLargerThanTheirDataAreRefusedBeforeTheBitmap) {
    CPNGDecoder png;
    for (int colourType : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_GRAY}) {
        SCOPED_TRACE(colourType);
        const zbtest::Bytes data = zbtest::ToBytes(zbtest::PdfDeflate(std::string(10, '\0')));
        const std::string file = PngHeader(16384, 8192, colourType) +
                                 zbtest::ToString(zbtest::PngChunk("IDAT", data)) +
                                 zbtest::ToString(zbtest::PngChunk("IEND", {}));
        ExpectRefusedBeforeTheBitmap(png, file);
    }
    CTIFFDecoder tiff;
    for (int compression : {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE,
                            COMPRESSION_PACKBITS, COMPRESSION_JPEG}) {
        SCOPED_TRACE(compression);
        ExpectRefusedBeforeTheBitmap(tiff, TinyTiff(16384, 8192, 3, PHOTOMETRIC_RGB, compression));
        ExpectRefusedBeforeTheBitmap(tiff,
                                     TinyTiff(16384, 8192, 1, PHOTOMETRIC_MINISBLACK, compression));
    }
    CGIFDecoder gif;
    ExpectRefusedBeforeTheBitmap(gif, TinyGif(16384, 8192));
}

TEST(DataBounds, DataThatCanFillThePictureIsDecoded) {
    // A picture of one colour deflates close to the limit and still passes.
    Decoded result;
    CPNGDecoder png;
    thumbtest::DecodeBytes(
        png,
        thumbtest::EncodePng(2048, 2048, PNG_COLOR_TYPE_RGB, 8, [](int, int) { return 0x336699u; }),
        result);
    ASSERT_EQ(result.code, 0) << result.text;
    EXPECT_EQ(thumbtest::Pixel(result.bitmap, 2047, 2047), 0x336699u);
    CGIFDecoder gif;
    thumbtest::DecodeBytes(gif, TinyGif(64, 64), result);
    EXPECT_EQ(result.code, 0) << result.text;
    EXPECT_EQ(result.bitmap.GetWidth(), 64);
}

TEST(DataBounds, TheGifRouteRefusesAScreenItsDataCannotFill) {
    const std::string path = thumbtest::WriteTemp("screen.gif", TinyGif(16384, 8192));
    const auto growth =
        zbtest::PeakMemoryGrowth([&] { EXPECT_EQ(thumbtest::Generate(path, 96, 96).result, 0); });
    if (!growth)
        GTEST_SKIP() << "the peak memory cannot be measured";
    EXPECT_LT(*growth, kSmallGrowth);
}

TEST(DataBounds, HugeAncillaryPngChunksArePassedOver) {
    // Each declares almost 2 GiB of data and holds three bytes.
    for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT", "iCCP", "eXIf"}) {
        SCOPED_TRACE(type);
        Bytes file;
        file.Text(PngHeader(16, 16, PNG_COLOR_TYPE_RGB)).Be32(0x7FFFFFF0).Text(type).Text("abc");
        CPNGDecoder png;
        Decoded result;
        const auto growth =
            zbtest::PeakMemoryGrowth([&] { thumbtest::DecodeBytes(png, file.Str(), result); });
        EXPECT_EQ(result.code, kErrUnsupported);
        if (!growth)
            GTEST_SKIP() << "the peak memory cannot be measured";
        EXPECT_LT(*growth, kSmallGrowth);
    }
}

TEST(DataBounds, PcxPicturesAreDecodedLineByLine) {
    // 4096 x 4096 of three 8-bit planes: 48 MiB of run-length data in runs
    // of 63 bytes that go on across the lines, into a 64 MiB bitmap.
    const int side = 4096;
    Bytes file;
    file.U8(10).U8(5).U8(1).U8(8).Le16(0).Le16(0).Le16(side - 1).Le16(side - 1);
    file.Le16(72).Le16(72).Zeros(48).U8(0).U8(3).Le16(side).Le16(1).Zeros(58);
    const std::int64_t dataBytes = std::int64_t{3} * side * side;
    for (std::int64_t run = 0; run < dataBytes / 63; ++run)
        file.U8(0xFF).U8(static_cast<int>(run % 200));
    file.U8(0xC0 | static_cast<int>(dataBytes % 63)).U8(7);
    CPCXDecoder pcx;
    Decoded result;
    const auto growth =
        zbtest::PeakMemoryGrowth([&] { thumbtest::DecodeBytes(pcx, file.Str(), result); });
    ASSERT_EQ(result.code, 0) << result.text;
    // The first pixel takes bytes 0, 4096 and 8192 of the data: runs 0, 65
    // and 130.
    EXPECT_EQ(thumbtest::Pixel(result.bitmap, 0, 0), 0x004182u);
    if (!growth)
        GTEST_SKIP() << "the peak memory cannot be measured";
    const std::int64_t bitmapBytes = std::int64_t{4} * side * side;
    EXPECT_LT(*growth, bitmapBytes + 16 * kMiB);
}

}  // namespace
