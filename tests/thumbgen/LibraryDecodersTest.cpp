// The PNG, GIF, TIFF and JPEG decoders over the image libraries, against
// pictures those libraries wrote.
#include <gtest/gtest.h>

#include <png.h>
#include <tiffio.h>
#include <algorithm>

#include "ThumbGenerator/GIFDecoder.h"
#include "ThumbGenerator/JPEGDecoder.h"
#include "ThumbGenerator/PNGDecoder.h"
#include "ThumbGenerator/TIFFDecoder.h"
#include "ThumbGenerator/TextException.h"
#include "ThumbTestSupport.h"

namespace {

using thumbtest::DecodeBytes;
using thumbtest::Decoded;
using thumbtest::GifImage;
using thumbtest::Pixel;

// ---------------------------------------------------------------------------
// PNG

using PNGDecoder = thumbtest::DecoderTest<CPNGDecoder>;

TEST_F(PNGDecoder, OneBitGreyGivesPaletteEntries0And255) {
    Decode(thumbtest::EncodePng(9, 2, PNG_COLOR_TYPE_GRAY, 1, [](int x, int) { return x % 2u; }));
    ASSERT_EQ(result.code, 0) << result.text;
    EXPECT_EQ(result.bitmap.GetBitsPerPixel(), 8);
    EXPECT_EQ(result.bitmap.GetLineArray()[1][8], 0);
    EXPECT_EQ(result.bitmap.GetLineArray()[1][7], 1);
    EXPECT_EQ(Pixel(result.bitmap, 7, 1), 0xFFFFFFu);
    EXPECT_EQ(Pixel(result.bitmap, 8, 1), 0x000000u);
}

TEST_F(PNGDecoder, PaletteAndColourPictures) {
    const auto palette = [](int x, int y) -> std::uint32_t {
        return y < 0 ? static_cast<std::uint32_t>(x) * 0x010203 : static_cast<std::uint32_t>(x % 4);
    };
    ASSERT_EQ(Decode(thumbtest::EncodePng(4, 1, PNG_COLOR_TYPE_PALETTE, 2, palette)).code, 0)
        << result.text;
    EXPECT_EQ(result.bitmap.GetBitsPerPixel(), 8);
    EXPECT_EQ(Pixel(result.bitmap, 3, 0), 0x030609u);

    Decode(thumbtest::EncodePng(3, 1, PNG_COLOR_TYPE_RGB, 8,
                                [](int x, int) { return 0x102030u * (x + 1); }));
    ASSERT_EQ(result.code, 0) << result.text;
    EXPECT_EQ(result.bitmap.GetBitsPerPixel(), 32);
    EXPECT_FALSE(result.bitmap.HasAlpha());
    EXPECT_EQ(Pixel(result.bitmap, 2, 0), 0x306090u);
    EXPECT_EQ(result.bitmap.GetLineArray()[0][11], 0xFF);  // the filler byte

    Decode(thumbtest::EncodePng(
        2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, [](int, int) { return 0x800000u; }, 0x40));
    ASSERT_EQ(result.code, 0) << result.text;
    EXPECT_TRUE(result.bitmap.HasAlpha());
    EXPECT_EQ(Pixel(result.bitmap, 1, 0), 0x808080u);
    EXPECT_EQ(result.bitmap.GetLineArray()[0][7], 0x40);
}

TEST_F(PNGDecoder, SixteenBitGreyKeepsItsLevels) {
    Decode(thumbtest::EncodePng(2, 1, PNG_COLOR_TYPE_GRAY, 16,
                                [](int x, int) { return x ? 0x800000u : 0xFF0000u; }));
    ASSERT_EQ(result.code, 0) << result.text;
    EXPECT_EQ(Pixel(result.bitmap, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(Pixel(result.bitmap, 1, 0), 0x808080u);
}

TEST_F(PNGDecoder, ABadChecksumFailsWithCode2) {
    std::string png =
        thumbtest::EncodePng(4, 4, PNG_COLOR_TYPE_RGB, 8, [](int, int) { return 0u; });
    png[29] ^= 0x01;  // inside the header chunk's checksum
    EXPECT_EQ(Decode(png).code, kErrUnsupported);
    EXPECT_EQ(Decode(png.substr(0, 12)).code, kErrUnsupported);
}

// ---------------------------------------------------------------------------
// GIF

using GIFDecoder = thumbtest::DecoderTest<CGIFDecoder>;

TEST_F(GIFDecoder, LaterImagesAreDrawnOverEarlierOnes) {
    std::vector<GifImage> images;
    images.push_back(GifImage{0, 0, 4, 4, false, std::vector<std::uint8_t>(16, 1), {}});
    images.push_back(GifImage{2, 2, 2, 2, true, std::vector<std::uint8_t>(4, 2), {}});
    // A third image reaching beyond the screen: its inside part is drawn.
    images.push_back(GifImage{3, 0, 3, 1, false, std::vector<std::uint8_t>(3, 3), {}});
    const std::string gif =
        thumbtest::EncodeGif(4, 4, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF}, images);
    ASSERT_EQ(Decode(gif).code, 0) << result.text;
    EXPECT_EQ(result.bitmap.GetBitsPerPixel(), 8);
    EXPECT_EQ(Pixel(result.bitmap, 0, 0), 0xFF0000u);
    EXPECT_EQ(Pixel(result.bitmap, 3, 3), 0x00FF00u);
    EXPECT_EQ(Pixel(result.bitmap, 3, 0), 0x0000FFu);
}

TEST_F(GIFDecoder, InterlacedRowsLandInTheirPlace) {
    GifImage image{0, 0, 1, 10, true, {}, {}};
    for (int y = 0; y < 10; ++y)
        image.indices.push_back(static_cast<std::uint8_t>(y));
    for (int i = 0; i < 16; ++i)
        image.colours.push_back(static_cast<std::uint32_t>(i) * 0x111111);
    // Without a global colour map the image's own map is the palette.
    ASSERT_EQ(Decode(thumbtest::EncodeGif(1, 10, {}, {image})).code, 0) << result.text;
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(result.bitmap.GetLineArray()[y][0], y);
    EXPECT_EQ(Pixel(result.bitmap, 0, 9), 0x999999u);
}

TEST_F(GIFDecoder, ATruncatedFileKeepsWhatWasDrawnAndAnotherFileFails) {
    const std::string gif = thumbtest::EncodeGif(
        8, 8, {0x000000, 0xFFFFFF},
        {GifImage{0, 0, 8, 8, false, std::vector<std::uint8_t>(64, 1), {}}}, 0);
    EXPECT_EQ(Decode(gif.substr(0, gif.size() - 12)).code, 0);
    EXPECT_EQ(result.bitmap.GetWidth(), 8);
    EXPECT_EQ(Decode("GIF89a").code, kErrFileNotFound);
    EXPECT_EQ(result.text, "Failed in opening");
}

// ---------------------------------------------------------------------------
// TIFF

using TIFFDecoder = thumbtest::DecoderTest<CTIFFDecoder>;

// Sets the file offset of strip `index` beyond the end of a little-endian
// TIFF, so that reading it fails.
void BreakStrip(std::string& tiff, int index) {
    auto u16 = [&](std::size_t at) {
        return static_cast<std::uint8_t>(tiff[at]) | static_cast<std::uint8_t>(tiff[at + 1]) << 8;
    };
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(u16(at)) | static_cast<std::uint32_t>(u16(at + 2)) << 16;
    };
    const std::size_t ifd = u32(4);
    for (std::size_t entry = 0; entry < static_cast<std::size_t>(u16(ifd)); ++entry) {
        const std::size_t at = ifd + 2 + 12 * entry;
        if (u16(at) == TIFFTAG_STRIPOFFSETS) {
            const std::size_t slot = u32(at + 8) + 4 * static_cast<std::size_t>(index);
            tiff[slot + 3] = 0x7F;
            return;
        }
    }
    FAIL() << "no strip offsets";
}

TEST_F(TIFFDecoder, GreyRampsFollowThePhotometricInterpretation) {
    const std::vector<std::uint8_t> rows = {0x0F, 0x0F};  // 8 pixels of 1 bit: 0000 1111, two rows
    ASSERT_EQ(Decode(thumbtest::EncodeTiff(8, 2, 1, 1, PHOTOMETRIC_MINISBLACK, rows)).code, 0)
        << result.text;
    EXPECT_EQ(result.bitmap.GetBitsPerPixel(), 1);
    EXPECT_EQ(Pixel(result.bitmap, 0, 1), 0x000000u);
    EXPECT_EQ(Pixel(result.bitmap, 7, 1), 0xFFFFFFu);
    ASSERT_EQ(Decode(thumbtest::EncodeTiff(8, 2, 1, 1, PHOTOMETRIC_MINISWHITE, rows)).code, 0)
        << result.text;
    EXPECT_EQ(Pixel(result.bitmap, 0, 1), 0xFFFFFFu);
    EXPECT_EQ(Pixel(result.bitmap, 7, 1), 0x000000u);
}

TEST_F(TIFFDecoder, FourBitPalettePicturesAreUnpacked) {
    std::vector<std::uint16_t> map(48, 0);
    map[3] = 0xFFFF;       // red of entry 3
    map[16 + 5] = 0x8080;  // green of entry 5
    Decode(thumbtest::EncodeTiff(3, 1, 4, 1, PHOTOMETRIC_PALETTE, {0x35, 0x30}, map));
    ASSERT_EQ(result.code, 0) << result.text;
    EXPECT_EQ(result.bitmap.GetBitsPerPixel(), 8);
    EXPECT_EQ(Pixel(result.bitmap, 0, 0), 0xFF0000u);
    EXPECT_EQ(Pixel(result.bitmap, 1, 0), 0x008000u);
    EXPECT_EQ(Pixel(result.bitmap, 2, 0), 0xFF0000u);  // the odd last pixel takes the high nibble
}

TEST_F(TIFFDecoder, ABadRowInTheFirstThirdFailsALaterOneIsIgnored) {
    const std::vector<std::uint8_t> rows(30 * 4, 0x40);
    std::string early = thumbtest::EncodeTiff(4, 30, 8, 1, PHOTOMETRIC_MINISBLACK, rows);
    std::string late = early;
    BreakStrip(early, 1);
    BreakStrip(late, 25);
    EXPECT_EQ(Decode(early).code, kErrCorrupt);
    ASSERT_EQ(Decode(late).code, 0) << result.text;
    EXPECT_EQ(Pixel(result.bitmap, 0, 24), 0x404040u);
}

TEST_F(TIFFDecoder, ColourPicturesTakeTheRgbaPathInBandsInEveryOrientation) {
    // Wide enough for the RGBA reader to work in two bands of rows. The file
    // row r holds r in red, the file column c holds c in green.
    const int width = 1100;
    const int height = 1000;
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(width) * height * 3);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            std::uint8_t* p = rows.data() + (static_cast<std::size_t>(r) * width + c) * 3;
            p[0] = static_cast<std::uint8_t>(r);
            p[1] = static_cast<std::uint8_t>(c);
            p[2] = 0x5A;
        }
    const struct {
        int orientation;
        bool bottomUp, rightToLeft;  // where the file's first row and column lie
    } cases[] = {
        {ORIENTATION_TOPLEFT, false, false},
        {ORIENTATION_TOPRIGHT, false, true},
        {ORIENTATION_BOTRIGHT, true, true},
        {ORIENTATION_BOTLEFT, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.orientation);
        Decode(thumbtest::EncodeTiff(width, height, 8, 3, PHOTOMETRIC_RGB, rows, {}, 16,
                                     c.orientation));
        ASSERT_EQ(result.code, 0) << result.text;
        EXPECT_EQ(result.bitmap.GetBitsPerPixel(), 32);
        for (int y : {0, 1, 46, 47, 952, 953, 999})
            for (int x : {0, 7, 1099}) {
                const int r = c.bottomUp ? height - 1 - y : y;
                const int column = c.rightToLeft ? width - 1 - x : x;
                ASSERT_EQ(
                    Pixel(result.bitmap, x, y),
                    static_cast<std::uint32_t>((r & 0xFF) << 16 | (column & 0xFF) << 8 | 0x5A))
                    << x << "," << y;
            }
    }
}

// ---------------------------------------------------------------------------
// JPEG

using JPEGDecoder = thumbtest::DecoderTest<CJPEGDecoder>;

TEST_F(JPEGDecoder, GreyAndColourPictures) {
    ASSERT_EQ(Decode(thumbtest::EncodeJpeg(16, 16, 1, [](int, int) { return 0x800000u; })).code, 0)
        << result.text;
    EXPECT_EQ(result.bitmap.GetBitsPerPixel(), 8);
    EXPECT_TRUE(thumbtest::Near(Pixel(result.bitmap, 5, 5), 0x808080, 3));
    Decode(thumbtest::EncodeJpeg(
        16, 16, 3, [](int, int) { return 0x2050C0u; }, true));
    ASSERT_EQ(result.code, 0) << result.text;
    EXPECT_EQ(result.bitmap.GetBitsPerPixel(), 32);
    EXPECT_TRUE(thumbtest::Near(Pixel(result.bitmap, 5, 5), 0x2050C0, 8));
}

TEST_F(JPEGDecoder, TruncatedDataEndsThePictureAndGarbageFailsWithCode6) {
    const std::string jpeg = thumbtest::EncodeJpeg(
        64, 64, 3, [](int x, int y) { return static_cast<std::uint32_t>(x * 4 << 16 | y * 4); });
    Decode(jpeg.substr(0, jpeg.size() * 3 / 4));  // inside the scan data
    EXPECT_EQ(result.code, 0) << result.text;
    EXPECT_EQ(result.bitmap.GetHeight(), 64);
    EXPECT_EQ(Decode("\xFF\xD8\xFF garbage").code, kErrCannotHandle);
}

class Fractions : public CProgressNotifier {
public:
    void OnProgress(double fraction) override { seen.push_back(fraction); }
    std::vector<double> seen;
};

TEST_F(JPEGDecoder, ReportsItsProgressToTheSourcesNotifier) {
    const std::string jpeg = thumbtest::EncodeJpeg(
        64, 256, 3, [](int x, int y) { return static_cast<std::uint32_t>(x ^ y); }, true);
    Fractions notifier;
    CMemorySource source(&notifier);
    source.Open("progress.jpg", reinterpret_cast<const BYTE*>(jpeg.data()), jpeg.size());
    CDrawDibBitmap bitmap;
    decoder.DecodeSource(source, bitmap, 0);
    ASSERT_FALSE(notifier.seen.empty());
    EXPECT_TRUE(std::is_sorted(notifier.seen.begin(), notifier.seen.end()));
    EXPECT_LE(notifier.seen.back(), 1.0);
    EXPECT_GT(notifier.seen.back(), 0.5);
}

TEST_F(JPEGDecoder, FourComponentPicturesBecomeRgb) {
    const std::string cmyk =
        thumbtest::ReadFileBytes(std::string(ZEMBROLT_TESTDATA) + "/jpeg/pil_sample_cmyk.jpg");
    const std::string rgb =
        thumbtest::ReadFileBytes(std::string(ZEMBROLT_TESTDATA) + "/jpeg/rgb.jpg");
    Decoded fromCmyk;
    Decoded fromRgb;
    DecodeBytes(decoder, cmyk, fromCmyk);
    DecodeBytes(decoder, rgb, fromRgb);
    ASSERT_EQ(fromCmyk.code, 0) << fromCmyk.text;
    ASSERT_EQ(fromRgb.code, 0) << fromRgb.text;
    // The two samples are the same picture.
    int close = 0;
    for (int y = 0; y < 100; y += 10)
        for (int x = 0; x < 100; x += 10)
            close += thumbtest::Near(Pixel(fromCmyk.bitmap, x, y), Pixel(fromRgb.bitmap, x, y), 64)
                         ? 1
                         : 0;
    EXPECT_GT(close, 70);
}

}  // namespace
