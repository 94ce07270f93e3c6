// The PICT decoder against hand-made pictures of each kind of pixel data.
#include <gtest/gtest.h>

#include "ThumbGenerator/JPEGDecoder.h"
#include "ThumbGenerator/PICTDecoder.h"
#include "ThumbGenerator/TextException.h"
#include "ThumbTestSupport.h"

namespace {

using thumbtest::Bytes;
using thumbtest::Decoded;
using thumbtest::Pixel;

// The 512-byte file header, picture size, frame and the version 2 opcodes.
Bytes Version2(int width, int height) {
    Bytes b;
    b.Zeros(512).Be16(0).Be16(0).Be16(0).Be16(height).Be16(width);
    b.Be16(0x0011).Be16(0x02FF).Be16(0x0C00).Zeros(24);
    return b;
}

Bytes& Rect(Bytes& b, int width, int height) {
    return b.Be16(0).Be16(0).Be16(height).Be16(width);
}

// The pixel-map header after the bounds.
Bytes& PixMapHeader(Bytes& b, int pixelSize, int components, int packType = 0) {
    return b.Be16(0)
        .Be16(packType)
        .Be32(0)
        .Be32(0x480000)
        .Be32(0x480000)
        .Be16(pixelSize > 8 ? 16 : 0)
        .Be16(pixelSize)
        .Be16(components)
        .Be16(pixelSize > 8 ? 8 : pixelSize)
        .Be32(0)
        .Be32(0)
        .Be32(0);
}

// An 8-bit indexed pixel map (opcode 0x98) with the given colours and rows.
Bytes IndexedPicture(int width, int height, int rowBytes, const std::vector<std::uint32_t>& colours,
                     const std::function<void(Bytes&, int row)>& writeRow, int tableFlags = 0,
                     int firstValue = 0) {
    Bytes b = Version2(width, height);
    b.Be16(0x0098).Be16(0x8000 | rowBytes);
    Rect(b, width, height);
    PixMapHeader(b, 8, 1);
    b.Be32(0).Be16(tableFlags).Be16(static_cast<int>(colours.size()) - 1);
    for (std::size_t i = 0; i < colours.size(); ++i)
        b.Be16(firstValue + static_cast<int>(i))
            .Be16((colours[i] >> 16) * 0x101)
            .Be16(((colours[i] >> 8) & 0xFF) * 0x101)
            .Be16((colours[i] & 0xFF) * 0x101);
    Rect(b, width, height);
    Rect(b, width, height);
    b.Be16(0);
    for (int y = 0; y < height; ++y)
        writeRow(b, y);
    b.Be16(0x00FF);
    return b;
}

Decoded& Decode(const std::string& bytes, Decoded& result) {
    CJPEGDecoder jpeg;
    CPICTDecoder decoder(&jpeg);
    thumbtest::DecodeBytes(decoder, bytes, result);
    return result;
}

TEST(PICTDecoder, UnpackedRowsBelowEightBytes) {
    const Bytes file = IndexedPicture(4, 2, 4, {0xFF0000, 0x00FF00, 0x0000FF},
                                      [](Bytes& b, int y) { b.U8(0).U8(1).U8(2).U8(y); });
    Decoded result;
    ASSERT_EQ(Decode(file.Str(), result).code, 0) << result.text;
    EXPECT_EQ(result.bitmap.GetBitsPerPixel(), 8);
    EXPECT_EQ(Pixel(result.bitmap, 0, 0), 0xFF0000u);
    EXPECT_EQ(Pixel(result.bitmap, 2, 1), 0x0000FFu);
    EXPECT_EQ(Pixel(result.bitmap, 3, 1), 0x00FF00u);
}

TEST(PICTDecoder, RegionOpcodesBeforeThePixelsAreSkipped) {
    const std::string picture =
        IndexedPicture(4, 1, 4, {0x00FF00}, [](Bytes& b, int) { b.Zeros(4); }).Str();
    // Where the opcodes start, behind the header opcode.
    const std::size_t opcodes = Version2(4, 1).Size();
    Bytes region;
    region.Be16(10);
    Rect(region, 4, 1);
    for (int opcode = 0x80; opcode <= 0x8F; ++opcode) {
        SCOPED_TRACE(opcode);
        Bytes drawing;
        drawing.Be16(opcode);
        // frameRgn to fillRgn and their reserved neighbours carry a region;
        // the same-region opcodes draw the last one again.
        if (opcode <= 0x87)
            drawing.Text(region.Str());
        std::string file = picture;
        file.insert(opcodes, drawing.Str());
        Decoded result;
        ASSERT_EQ(Decode(file, result).code, 0) << result.text;
        EXPECT_EQ(Pixel(result.bitmap, 3, 0), 0x00FF00u);
    }
}

TEST(PICTDecoder, PackedRowsWithTwoByteLengthsFromRowBytes251) {
    // 300 bytes a row: one run of 257 - 0x81 = 128 bytes of 1, one of 128
    // bytes of 2, then a literal of 44 bytes of 0.
    const Bytes file = IndexedPicture(300, 2, 300, {0, 0xFFFFFF, 0x808080}, [](Bytes& b, int) {
        b.Be16(2 + 2 + 1 + 44).U8(0x81).U8(1).U8(0x81).U8(2).U8(43).Zeros(44);
    });
    Decoded result;
    ASSERT_EQ(Decode(file.Str(), result).code, 0) << result.text;
    EXPECT_EQ(Pixel(result.bitmap, 127, 1), 0xFFFFFFu);
    EXPECT_EQ(Pixel(result.bitmap, 128, 1), 0x808080u);
    EXPECT_EQ(Pixel(result.bitmap, 299, 1), 0x000000u);
}

TEST(PICTDecoder, ColourTableValuesBeyondTheTableFail) {
    const auto row = [](Bytes& b, int) { b.U8(0).U8(0).U8(0).U8(0); };
    Decoded result;
    Decode(IndexedPicture(4, 1, 4, {0xFF0000}, row, 0, 300).Str(), result);
    EXPECT_EQ(result.code, kErrUnsupported);
    EXPECT_EQ(result.text, "Decoder error: pixel value greater than colour table size.\n");
    // Numbered entries: a table of 1000 entries stops at the 257th.
    Decode(IndexedPicture(4, 1, 4, std::vector<std::uint32_t>(1000, 0x123456), row, 0x8000).Str(),
           result);
    EXPECT_EQ(result.code, kErrUnsupported);
}

TEST(PICTDecoder, VersionOneBitmapsShowSetBitsBlack) {
    Bytes b;
    b.Zeros(512).Be16(0).Be16(0).Be16(0).Be16(1).Be16(16);
    b.U8(0x11).U8(0x01);
    b.U8(0x90).Be16(2);  // bitmap, 2 row bytes
    Rect(b, 16, 1);
    Rect(b, 16, 1);
    Rect(b, 16, 1);
    b.Be16(0).U8(0xF0).U8(0x01).U8(0xFF);
    Decoded result;
    ASSERT_EQ(Decode(b.Str(), result).code, 0) << result.text;
    EXPECT_EQ(result.bitmap.GetBitsPerPixel(), 8);
    EXPECT_EQ(Pixel(result.bitmap, 0, 0), 0x000000u);
    EXPECT_EQ(Pixel(result.bitmap, 4, 0), 0xFFFFFFu);
    EXPECT_EQ(Pixel(result.bitmap, 15, 0), 0x000000u);
}

TEST(PICTDecoder, DirectPixelsOf32BitsAreStoredAsPlanes) {
    Bytes b = Version2(2, 1);
    b.Be16(0x00A1).Be16(100).Be16(3).Text("abc").U8(0);  // a long comment first
    b.Be16(0x0028).Be16(5).Be16(5).U8(2).Text("hi");     // and text, whose data is skipped
    b.U8(0);                                             // to the next even position
    b.Be16(0x009A).Be32(0xFF).Be16(0x8000 | 8);
    Rect(b, 2, 1);
    PixMapHeader(b, 32, 3, 4);
    Rect(b, 2, 1);
    Rect(b, 2, 1);
    b.Be16(0);
    b.U8(7).U8(5).U8(0x11).U8(0x22).U8(0x33).U8(0x44).U8(0x55).U8(
        0x66);  // length, then one literal of 6
    Decoded result;
    ASSERT_EQ(Decode(b.Str(), result).code, 0) << result.text;
    EXPECT_EQ(result.bitmap.GetBitsPerPixel(), 32);
    EXPECT_EQ(Pixel(result.bitmap, 0, 0), 0x113355u);
    EXPECT_EQ(Pixel(result.bitmap, 1, 0), 0x224466u);
}

TEST(PICTDecoder, SixteenBitPixelsWidenFiveBitColours) {
    Bytes b = Version2(1, 1);
    b.Be16(0x009A).Be32(0xFF).Be16(0x8000 | 2);
    Rect(b, 1, 1);
    PixMapHeader(b, 16, 3, 0);
    Rect(b, 1, 1);
    Rect(b, 1, 1);
    b.Be16(0).Be16(0x7C1F);  // unpacked: red and blue full
    Decoded result;
    ASSERT_EQ(Decode(b.Str(), result).code, 0) << result.text;
    EXPECT_EQ(Pixel(result.bitmap, 0, 0), 0xF800F8u);
}

TEST(PICTDecoder, VectorOnlyPicturesFailWithCode6) {
    Bytes b = Version2(10, 10);
    b.Be16(0x0020).Be16(0).Be16(0).Be16(9).Be16(9);  // a line
    b.Be16(0x00FF);
    Decoded result;
    Decode(b.Str(), result);
    EXPECT_EQ(result.code, kErrCannotHandle);
    EXPECT_EQ(result.text, "Decoder error: PICT contained only vector data!\n\n");
    Bytes noVersion;
    noVersion.Zeros(512 + 10).U8(0x12);
    Decode(noVersion.Str(), result);
    EXPECT_EQ(result.code, kErrWrongFormat);
}

TEST(PICTDecoder, JpegDataInsideQuickTimeDataIsDecoded) {
    const std::string jpeg =
        thumbtest::EncodeJpeg(16, 8, 3, [](int x, int) { return x < 8 ? 0x00FF00u : 0xFF00FFu; });
    Bytes b = Version2(16, 8);
    b.Be16(0x8200).Be32(static_cast<std::uint32_t>(40 + jpeg.size())).Zeros(40).Text(jpeg);
    Decoded result;
    ASSERT_EQ(Decode(b.Str(), result).code, 0) << result.text;
    EXPECT_EQ(result.bitmap.GetWidth(), 16);
    EXPECT_TRUE(thumbtest::Near(Pixel(result.bitmap, 1, 4), 0x00FF00, 30));
    EXPECT_TRUE(thumbtest::Near(Pixel(result.bitmap, 14, 4), 0xFF00FF, 30));

    CPICTDecoder withoutJpeg(nullptr);
    thumbtest::DecodeBytes(withoutJpeg, b.Str(), result);
    EXPECT_EQ(result.code, kErrCannotHandle);
    EXPECT_EQ(result.text, "Decoder error: Library not compiled for PICT/JPEG.\n");
}

}  // namespace
