#include "platform/DibLayout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

BITMAPINFOHEADER Header(WORD bits, DWORD compression = BI_RGB, DWORD clrUsed = 0,
                        DWORD size = sizeof(BITMAPINFOHEADER)) {
    BITMAPINFOHEADER header;
    header.biSize = size;
    header.biWidth = 5;
    header.biHeight = 3;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biCompression = compression;
    header.biClrUsed = clrUsed;
    return header;
}

std::vector<std::uint8_t> PackedDib(const BITMAPINFOHEADER& header, std::size_t extra) {
    std::vector<std::uint8_t> bytes(header.biSize + extra);
    std::memcpy(bytes.data(), &header, sizeof header);
    return bytes;
}

TEST(DibLayout, ColourTableBytes) {
    EXPECT_EQ(zb::DibColorTableBytes(Header(8)), 256u * 4);
    EXPECT_EQ(zb::DibColorTableBytes(Header(8, BI_RGB, 16)), 16u * 4);
    EXPECT_EQ(zb::DibColorTableBytes(Header(1)), 2u * 4);
    EXPECT_EQ(zb::DibColorTableBytes(Header(24)), 0u);
    // No table of 2^16 or 2^32 entries above 8 bits per pixel: only the
    // masks of a bit-field bitmap with the 40-byte header.
    EXPECT_EQ(zb::DibColorTableBytes(Header(16)), 0u);
    EXPECT_EQ(zb::DibColorTableBytes(Header(32)), 0u);
    EXPECT_EQ(zb::DibColorTableBytes(Header(16, BI_BITFIELDS)), 12u);
    EXPECT_EQ(zb::DibColorTableBytes(Header(32, BI_BITFIELDS)), 12u);
    EXPECT_EQ(zb::DibColorTableBytes(Header(32, BI_BITFIELDS, 0, 108)), 0u);
    EXPECT_EQ(zb::DibColorTableBytes(Header(32, BI_RGB, 3)), 12u);
}

TEST(DibLayout, StrideAndImageSize) {
    EXPECT_EQ(zb::DibStride(Header(8)), 8u);    // 5 bytes padded to 8
    EXPECT_EQ(zb::DibStride(Header(24)), 16u);  // 15 bytes padded to 16
    EXPECT_EQ(zb::DibStride(Header(1)), 4u);
    EXPECT_EQ(zb::DibImageSize(Header(24)), 48u);
    BITMAPINFOHEADER sized = Header(24);
    sized.biSizeImage = 99;
    EXPECT_EQ(zb::DibImageSize(sized), 99u);
}

TEST(DibLayout, ChecksThatEveryPartFits) {
    zb::PackedDibLayout layout;
    const BITMAPINFOHEADER rgb32 = Header(32, BI_BITFIELDS);
    std::vector<std::uint8_t> bytes = PackedDib(rgb32, 12 + 3 * 20);
    const DWORD masks[3] = {0xFF0000, 0xFF00, 0xFF};
    std::memcpy(bytes.data() + 40, masks, sizeof masks);
    ASSERT_TRUE(zb::ReadPackedDibLayout(bytes.data(), bytes.size(), layout));
    EXPECT_EQ(layout.bitsOffset, 52u);
    EXPECT_EQ(layout.stride, 20u);
    EXPECT_EQ(layout.masks[0], 0xFF0000u);
    EXPECT_EQ(layout.header.biSizeImage, 60u);
    EXPECT_TRUE(layout.bottomUp);
    // One byte short of the last row.
    EXPECT_FALSE(zb::ReadPackedDibLayout(bytes.data(), bytes.size() - 1, layout));

    BITMAPINFOHEADER topDown = Header(8, BI_RGB, 2);
    topDown.biHeight = -3;
    bytes = PackedDib(topDown, 8 + 3 * 8);
    ASSERT_TRUE(zb::ReadPackedDibLayout(bytes.data(), bytes.size(), layout));
    EXPECT_FALSE(layout.bottomUp);
    EXPECT_EQ(layout.height, 3u);
    EXPECT_EQ(layout.colourCount, 2u);

    const std::vector<void (*)(BITMAPINFOHEADER&)> breaks = {
        [](BITMAPINFOHEADER& h) { h.biSize = 39; },
        [](BITMAPINFOHEADER& h) { h.biSize = 4000; },
        [](BITMAPINFOHEADER& h) { h.biWidth = 0; },
        [](BITMAPINFOHEADER& h) { h.biWidth = -5; },
        [](BITMAPINFOHEADER& h) { h.biHeight = 0; },
        [](BITMAPINFOHEADER& h) { h.biWidth = 16385; },
        [](BITMAPINFOHEADER& h) { h.biBitCount = 7; },
        [](BITMAPINFOHEADER& h) { h.biCompression = 1; },
        [](BITMAPINFOHEADER& h) { h.biClrUsed = 0xFFFFFFFF; },
    };
    for (const auto broken : breaks) {
        BITMAPINFOHEADER header = Header(8, BI_RGB, 2);
        broken(header);
        std::vector<std::uint8_t> damaged(sizeof header + 8 + 3 * 8);
        std::memcpy(damaged.data(), &header, sizeof header);
        EXPECT_FALSE(zb::ReadPackedDibLayout(damaged.data(), damaged.size(), layout));
    }
    EXPECT_FALSE(zb::ReadPackedDibLayout(bytes.data(), 39, layout));
}

// The pixels of real bitmap files start where their file headers say.
TEST(DibLayout, SampleFilesPixelsWhereTheFileSays) {
    for (const char* name : {"pal1.bmp", "pal8.bmp", "pal8topdown.bmp", "pal8v5.bmp",
                             "rgb16-565.bmp", "rgb24.bmp", "rgb32.bmp"}) {
        SCOPED_TRACE(name);
        std::ifstream in(std::string(ZEMBROLT_TESTDATA) + "/bmp/" + name, std::ios::binary);
        const std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)),
                                             std::istreambuf_iterator<char>());
        ASSERT_GT(file.size(), 54u);
        std::uint32_t offBits = 0;
        std::memcpy(&offBits, file.data() + 10, 4);
        zb::PackedDibLayout layout;
        ASSERT_TRUE(zb::ReadPackedDibLayout(file.data() + 14, file.size() - 14, layout));
        EXPECT_EQ(layout.bitsOffset + 14, offBits);
        EXPECT_EQ(layout.width, 127u);
        EXPECT_EQ(layout.height, 64u);
    }
}

}  // namespace
