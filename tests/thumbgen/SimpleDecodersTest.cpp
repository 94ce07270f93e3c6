// The PGM, TGA and PCX decoders against hand-made files with known pixels.
#include <gtest/gtest.h>

#include "ThumbGenerator/PCXDecoder.h"
#include "ThumbGenerator/PGMDecoder.h"
#include "ThumbGenerator/TGADecoder.h"
#include "ThumbGenerator/TextException.h"
#include "ThumbTestSupport.h"

namespace {

using thumbtest::Bytes;
using thumbtest::Pixel;

// ---------------------------------------------------------------------------
// PGM

using PGMDecoder = thumbtest::DecoderTest<CPGMDecoder>;

TEST_F(PGMDecoder, TextSamplesAreScaledByTheirMaximum) {
    ASSERT_EQ(Decode("P2\n# a comment line\n3 2\n15\n0 5 7\n15 20 1\n").code, 0) << result.text;
    const CImageBitmap& bitmap = result.bitmap;
    EXPECT_EQ(bitmap.GetWidth(), 3);
    EXPECT_EQ(bitmap.GetHeight(), 2);
    EXPECT_EQ(bitmap.GetBitsPerPixel(), 8);
    EXPECT_EQ(bitmap.GetLineArray()[0][1], 85);   // 5 * 255 / 15
    EXPECT_EQ(bitmap.GetLineArray()[0][2], 119);  // 7 * 255 / 15
    EXPECT_EQ(bitmap.GetLineArray()[1][0], 255);
    EXPECT_EQ(bitmap.GetLineArray()[1][1], 255);  // above the maximum: clamped
    EXPECT_EQ(Pixel(bitmap, 2, 1), 0x111111u);
}

TEST_F(PGMDecoder, SamplesAreScaledByTheFilesOwnMaximum) {
    // Binary samples above a maximum of 255 are two bytes, big-endian.
    const struct {
        std::string file;
        std::vector<int> levels;  // the first row, then the second
    } cases[] = {
        {std::string("P5\t2 2 65535\n") + std::string("\x00\x00\x80\x00\xFF\xFF\x01\x01", 8),
         {0, 127, 255, 1}},
        {std::string("P5 2 1 1023\n") + std::string("\x03\xFF\x02\x00", 4), {255, 127}},
        {std::string("P5 2 1 256\n") + std::string("\x01\x00\x00\x80", 4), {255, 127}},
        {"P2 2 1 1000\n500 1000", {127, 255}},
        {"P5 3 1 255\n\x01\x02\xFF", {1, 2, 255}},
        {"P5 2 1 3\n\x01\x03", {85, 255}},
        {"P5 2 1 0\n\x01\x02", {1, 2}},      // no maximum: 255
        {"P5 2 1 70000\n\x01\x02", {1, 2}},  // beyond the format: 255
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_EQ(Decode(c.file).code, 0) << result.text;
        const int width = result.bitmap.GetWidth();
        ASSERT_EQ(width * result.bitmap.GetHeight(), static_cast<int>(c.levels.size()));
        for (std::size_t i = 0; i < c.levels.size(); ++i)
            EXPECT_EQ(result.bitmap.GetLineArray()[i / width][i % width], c.levels[i]) << i;
    }
    // A wide binary file needs two bytes a sample.
    EXPECT_EQ(Decode(std::string("P5 2 2 65535\n") + "\x01\x02\x03\x04").code, kErrEndOfData);
}

TEST_F(PGMDecoder, WrongHeadersFailWithCode2) {
    EXPECT_EQ(Decode("P6 1 1 255\n\x01").code, kErrUnsupported);
    EXPECT_EQ(result.text, "Decoder error: PGM decoder: Is not the correct identifier P5 or P2.\n");
    EXPECT_EQ(Decode("P2 3 x 255\n").code, kErrUnsupported);
    EXPECT_EQ(Decode("P2 1 2 255\n7 y").code, kErrCorrupt);
    EXPECT_EQ(Decode("P5 4 4 255\n\x01\x02").code, kErrEndOfData);
}

// ---------------------------------------------------------------------------
// TGA

using TGADecoder = thumbtest::DecoderTest<CTGADecoder>;

Bytes TgaHeader(int colourMapType, int imageType, int first, int mapLength, int entryBits,
                int width, int height, int depth, int descriptor, int idLength = 0) {
    Bytes b;
    b.U8(idLength).U8(colourMapType).U8(imageType).Le16(first).Le16(mapLength).U8(entryBits);
    b.Le16(0).Le16(0).Le16(width).Le16(height).U8(depth).U8(descriptor);
    return b;
}

TEST_F(TGADecoder, TrueColourRowsAreBottomUpUnlessTheDescriptorSaysOtherwise) {
    Bytes file = TgaHeader(0, 2, 0, 0, 0, 2, 2, 24, 0, 3);
    file.Text("id!");
    file.U8(0x00).U8(0x00).U8(0xFF).U8(0x00).U8(0xFF).U8(0x00);  // first file row: red, green
    file.U8(0xFF).U8(0x00).U8(0x00).U8(0xFF).U8(0xFF).U8(0xFF);  // second: blue, white
    ASSERT_EQ(Decode(file.Str()).code, 0) << result.text;
    EXPECT_EQ(result.bitmap.GetBitsPerPixel(), 32);
    EXPECT_EQ(Pixel(result.bitmap, 0, 1), 0xFF0000u);  // the first file row is the bottom row
    EXPECT_EQ(Pixel(result.bitmap, 1, 1), 0x00FF00u);
    EXPECT_EQ(Pixel(result.bitmap, 0, 0), 0x0000FFu);
    EXPECT_EQ(result.bitmap.GetLineArray()[0][7], 255);  // alpha byte of 24-bit pixels

    std::string topDown = file.Str();
    topDown[17] = 0x20;
    ASSERT_EQ(Decode(topDown).code, 0);
    EXPECT_EQ(Pixel(result.bitmap, 0, 0), 0xFF0000u);
}

TEST_F(TGADecoder, ColourMappedPicturesKeepTheirMapAsPalette) {
    Bytes file = TgaHeader(1, 1, 0, 2, 24, 2, 1, 8, 0x20);
    file.U8(0x10).U8(0x20).U8(0x30);  // entry 0: blue 0x10, green 0x20, red 0x30
    file.U8(0xFF).U8(0x00).U8(0x80);
    file.U8(1).U8(0);
    ASSERT_EQ(Decode(file.Str()).code, 0) << result.text;
    EXPECT_EQ(result.bitmap.GetBitsPerPixel(), 8);
    EXPECT_EQ(Pixel(result.bitmap, 0, 0), 0x8000FFu);
    EXPECT_EQ(Pixel(result.bitmap, 1, 0), 0x302010u);
}

TEST_F(TGADecoder, RunsMayCrossRowsAndMapsBeyond256AreCut) {
    // A map of entries 250 to 259 (only 250 to 255 are kept), then a
    // run-length picture of 3 x 2 whose one packet covers both rows.
    Bytes file = TgaHeader(1, 9, 250, 10, 16, 3, 2, 8, 0x20);
    for (int i = 0; i < 10; ++i)
        file.Le16(0x7C00);  // red in 5-5-5
    file.U8(0x80 + 5).U8(252);
    ASSERT_EQ(Decode(file.Str()).code, 0) << result.text;
    EXPECT_EQ(Pixel(result.bitmap, 2, 1), 0xF80000u);
}

TEST_F(TGADecoder, SixteenBitPixelsAndGreyWithAlpha) {
    Bytes rgb = TgaHeader(0, 2, 0, 0, 0, 1, 1, 16, 0x20);
    rgb.Le16(0x03E0);  // green
    ASSERT_EQ(Decode(rgb.Str()).code, 0);
    EXPECT_EQ(Pixel(result.bitmap, 0, 0), 0x00F800u);
    EXPECT_TRUE(result.bitmap.HasAlpha());
    Bytes grey = TgaHeader(0, 3, 0, 0, 0, 1, 1, 16, 0x20);
    grey.U8(0x40).U8(0x80);
    ASSERT_EQ(Decode(grey.Str()).code, 0);
    EXPECT_EQ(Pixel(result.bitmap, 0, 0), 0x404040u);
    EXPECT_EQ(result.bitmap.GetLineArray()[0][3], 0x80);
}

TEST_F(TGADecoder, UnknownTypesAndDepthsFailWithCode2) {
    EXPECT_EQ(Decode(TgaHeader(0, 5, 0, 0, 0, 1, 1, 8, 0).U8(0).Str()).code, kErrUnsupported);
    EXPECT_EQ(result.text, "Decoder error: Unknown TGA image type.\n");
    EXPECT_EQ(Decode(TgaHeader(0, 2, 0, 0, 0, 1, 1, 0, 0).U8(0).Str()).code, kErrUnsupported);
    EXPECT_EQ(Decode(TgaHeader(0, 2, 0, 0, 0, 4, 4, 24, 0).U8(0).Str()).code, kErrEndOfData);
}

// ---------------------------------------------------------------------------
// PCX

using PCXDecoder = thumbtest::DecoderTest<CPCXDecoder>;

Bytes PcxHeader(int bitsPerPixel, int width, int height, int planes, int bytesPerLine,
                const std::vector<std::uint32_t>& palette = {}) {
    Bytes b;
    b.U8(10).U8(5).U8(1).U8(bitsPerPixel).Le16(0).Le16(0).Le16(width - 1).Le16(height - 1);
    b.Le16(72).Le16(72);
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t c = i < static_cast<int>(palette.size()) ? palette[i] : 0x777777;
        b.U8(c >> 16).U8(c >> 8).U8(c);
    }
    b.U8(0).U8(planes).Le16(bytesPerLine).Le16(1).Zeros(58);
    return b;
}

TEST_F(PCXDecoder, OneBitPicturesAreBlackAndWhiteWhateverTheHeaderPalette) {
    Bytes file = PcxHeader(1, 10, 1, 1, 2, {0xFF0000, 0x00FF00});
    file.U8(0xC1).U8(0b10100000).U8(0x00);  // a run of one byte, then a literal
    ASSERT_EQ(Decode(file.Str()).code, 0) << result.text;
    EXPECT_EQ(result.bitmap.GetBitsPerPixel(), 32);
    EXPECT_EQ(Pixel(result.bitmap, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(Pixel(result.bitmap, 1, 0), 0x000000u);
    EXPECT_EQ(Pixel(result.bitmap, 2, 0), 0xFFFFFFu);
    EXPECT_EQ(Pixel(result.bitmap, 9, 0), 0x000000u);
}

TEST_F(PCXDecoder, FourPlanesOfOneBitUseTheHeaderColours) {
    std::vector<std::uint32_t> palette(16);
    for (int i = 0; i < 16; ++i)
        palette[i] = static_cast<std::uint32_t>(i) * 0x101010;
    Bytes file = PcxHeader(1, 2, 1, 4, 2, palette);
    // Pixel 0: bits set in planes 0 and 2 (index 5); pixel 1: plane 3 (index 8).
    file.U8(0x80).U8(0).U8(0x00).U8(0).U8(0x80).U8(0).U8(0x40).U8(0);
    ASSERT_EQ(Decode(file.Str()).code, 0) << result.text;
    EXPECT_EQ(Pixel(result.bitmap, 0, 0), 0x505050u);
    EXPECT_EQ(Pixel(result.bitmap, 1, 0), 0x808080u);
}

TEST_F(PCXDecoder, EightBitPicturesReadTheirPaletteBehindTheData) {
    Bytes file = PcxHeader(8, 2, 2, 1, 2);
    file.U8(1).U8(2).U8(0xC2).U8(3);
    file.U8(12);
    for (int i = 0; i < 256; ++i)
        file.U8(i).U8(255 - i).U8(7);
    ASSERT_EQ(Decode(file.Str()).code, 0) << result.text;
    EXPECT_EQ(Pixel(result.bitmap, 1, 0), 0x02FD07u);
    EXPECT_EQ(Pixel(result.bitmap, 1, 1), 0x03FC07u);

    std::string badMarker = file.Str();
    badMarker[128 + 4] = 11;
    EXPECT_EQ(Decode(badMarker).code, kErrCorrupt);
    EXPECT_EQ(result.text, "Decoder error: bad color map signature.\n");
}

TEST_F(PCXDecoder, TwentyFourBitPicturesTakeOnePlanePerColour) {
    Bytes file = PcxHeader(8, 1, 1, 3, 1);
    file.U8(0x11).U8(0x22).U8(0x33);
    ASSERT_EQ(Decode(file.Str()).code, 0) << result.text;
    EXPECT_EQ(Pixel(result.bitmap, 0, 0), 0x112233u);
}

TEST_F(PCXDecoder, BrokenFilesFailWithTheirCodes) {
    EXPECT_EQ(Decode(PcxHeader(8, 2, 1, 1, 2).U8(0xC3).U8(1).Str()).code, kErrCorrupt);
    EXPECT_EQ(result.text, "Decoder error: repeat count spans end of image.\n");
    std::string notPcx = PcxHeader(8, 2, 1, 1, 2).Str();
    notPcx[0] = 9;
    EXPECT_EQ(Decode(notPcx).code, kErrWrongFormat);
    std::string reversed = PcxHeader(8, 1, 1, 1, 2).Str();
    reversed[8] = 0;
    reversed[4] = 5;  // xmax below xmin
    EXPECT_NE(Decode(reversed).code, 0);
    // Rows shorter than the width.
    EXPECT_EQ(Decode(PcxHeader(8, 100, 1, 1, 10).U8(0).Str()).code, kErrCorrupt);
    EXPECT_EQ(Decode(PcxHeader(2, 4, 1, 3, 1).U8(0).U8(0).U8(0).Str()).code, kErrCorrupt);
    EXPECT_EQ(result.text, "Decoder error: Can't handle more than 1 bit per pixel.\n");
}

}  // namespace
