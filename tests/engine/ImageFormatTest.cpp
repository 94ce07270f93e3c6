#include "app/engine/ImageFormat.h"

#include <gtest/gtest.h>

namespace {

BITMAPINFOWITHMASKS Header(WORD bits, DWORD compression, DWORD red = 0, DWORD green = 0,
                           DWORD blue = 0) {
    BITMAPINFOWITHMASKS info;
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 4;
    info.bmiHeader.biHeight = 4;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bits;
    info.bmiHeader.biCompression = compression;
    info.bmiMasks[0] = red;
    info.bmiMasks[1] = green;
    info.bmiMasks[2] = blue;
    return info;
}

int Format(const BITMAPINFOWITHMASKS& info) {
    return GetImagePixelFormat(&info);
}

TEST(ImagePixelFormatTest, NullHeaderOrWrongPlanesIsUnknown) {
    EXPECT_EQ(GetImagePixelFormat(nullptr), IMAGE_PIXEL_UNKNOWN);
    BITMAPINFOWITHMASKS info = Header(24, BI_RGB);
    info.bmiHeader.biPlanes = 0;
    EXPECT_EQ(Format(info), IMAGE_PIXEL_UNKNOWN);
    info.bmiHeader.biPlanes = 2;
    EXPECT_EQ(Format(info), IMAGE_PIXEL_UNKNOWN);
}

TEST(ImagePixelFormatTest, SixteenBitLayouts) {
    EXPECT_EQ(Format(Header(16, BI_RGB)), IMAGE_PIXEL_RGB555);
    EXPECT_EQ(Format(Header(16, BI_RGB, 0xF800, 0x7E0, 0x1F)), IMAGE_PIXEL_RGB555);
    EXPECT_EQ(Format(Header(16, BI_BITFIELDS, 0x7C00, 0x3E0, 0x1F)), IMAGE_PIXEL_RGB555);
    EXPECT_EQ(Format(Header(16, BI_BITFIELDS, 0xF800, 0x7E0, 0x1F)), IMAGE_PIXEL_RGB565);
    EXPECT_EQ(Format(Header(16, BI_BITFIELDS, 0x1F, 0x7E0, 0xF800)), IMAGE_PIXEL_UNKNOWN);
}

TEST(ImagePixelFormatTest, TwentyFourAndThirtyTwoBit) {
    EXPECT_EQ(Format(Header(24, BI_RGB)), IMAGE_PIXEL_RGB24);
    EXPECT_EQ(Format(Header(24, BI_BITFIELDS)), IMAGE_PIXEL_RGB24);
    EXPECT_EQ(Format(Header(32, BI_RGB)), IMAGE_PIXEL_RGB32);
    EXPECT_EQ(Format(Header(32, BI_BITFIELDS, 0xFF0000, 0xFF00, 0xFF)), IMAGE_PIXEL_RGB32);
    EXPECT_EQ(Format(Header(32, BI_BITFIELDS, 0xFF, 0xFF00, 0xFF0000)), IMAGE_PIXEL_UNKNOWN);
}

TEST(ImagePixelFormatTest, OtherDepthsAreUnknown) {
    for (WORD bits : {0, 1, 4, 8, 15, 48, 64}) {
        EXPECT_EQ(Format(Header(bits, BI_RGB)), IMAGE_PIXEL_UNKNOWN) << bits;
    }
}

}  // namespace
