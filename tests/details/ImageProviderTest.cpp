#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archives/ZipBuilder.h"
#include "details/ProviderTestSupport.h"
#include "readers/archives/ArchiveHandler.h"
#include "readers/details/BmpInfoProvider.h"
#include "readers/details/GifInfoProvider.h"
#include "readers/details/JpegInfoProvider.h"
#include "readers/details/PcxInfoProvider.h"
#include "readers/details/PngInfoProvider.h"
#include "readers/details/StreamReader.h"
#include "readers/details/TgaInfoProvider.h"
#include "support/ByteWriter.h"
#include "support/PictureWriter.h"
#include "support/ProcessStats.h"
#include "support/TempHome.h"

namespace {

using namespace zbtest;

const std::string kData = std::string(ZEMBROLT_TESTDATA) + "/";

Bytes Pcx(std::uint16_t xMin, std::uint16_t yMin, std::uint16_t xMax, std::uint16_t yMax,
          std::uint8_t bits, std::uint8_t planes, std::uint16_t dpi) {
    Bytes out(128, 0);
    out[0] = 0x0A;
    out[1] = 5;
    out[2] = 1;
    out[3] = bits;
    SetLe16(out, 4, xMin);
    SetLe16(out, 6, yMin);
    SetLe16(out, 8, xMax);
    SetLe16(out, 10, yMax);
    SetLe16(out, 12, dpi);
    SetLe16(out, 14, dpi);
    out[65] = planes;
    return out;
}

// `head` (which starts with its own SOI) followed by the segments of `jpeg`
// after its SOI.
Bytes SegmentsBefore(Bytes head, const Bytes& jpeg) {
    head.reserve(head.size() + jpeg.size());
    head.insert(head.end(), jpeg.begin() + 2, jpeg.end());
    return head;
}

class ImageProviderTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const Bytes& bytes) {
        return m_files.Write(name, ToString(bytes));
    }
    BOOL Load(CFileInfoProvider& provider, const std::string& name, const Bytes& bytes) {
        return provider.Load(DiskItem(Write(name, bytes)));
    }

    NumberedFiles m_files{"images"};
};

// Expected sizes and depths were taken once from a reference reader.
TEST_F(ImageProviderTest, SampleFiles) {
    struct Sample {
        CFileInfoProvider* provider;
        const char* file;
        const char* width;
        const char* height;
        const char* depth;
    };
    CBmpInfoProvider bmp;
    CGifInfoProvider gif;
    CTgaInfoProvider tga;
    CPcxInfoProvider pcx;
    CPngInfoProvider png;
    CJpegInfoProvider jpeg;
    const std::vector<Sample> samples = {
        {&bmp, "bmp/rgb24.bmp", "127", "64", "24bit"},
        {&bmp, "bmp/pal8v5.bmp", "127", "64", "8bit"},
        {&bmp, "bmp/pal8topdown.bmp", "127", "-64", "8bit"},
        {&bmp, "bmp/pal8os2.bmp", "127", "64", "8bit"},
        {&gif, "gif/porsche.gif", "320", "200", "5bit"},
        {&gif, "gif/treescap.gif", "40", "40", "4bit"},
        {&tga, "tga/200x32_rgb_bl_raw.tga", "200", "32", "24bit"},
        {&pcx, "pcx/p_4_planes.pcx", "1", "1", "1bit"},
        {&pcx, "pcx/pil184.pcx", "447", "144", "1bit"},
        {&png, "png/basn6a08.png", "32", "32", "32bit"},
        {&png, "png/basn3p08.png", "32", "32", "8bit"},
        {&png, "png/basn0g16.png", "32", "32", "16bit"},
        {&png, "png/basn2c16.png", "32", "32", "48bit"},
        {&jpeg, "jpeg/hopper.jpg", "128", "128", "24bit"},
        {&jpeg, "jpeg/pil_sample_cmyk.jpg", "100", "100", "24bit"},
        {&jpeg, "jpeg/photoshop-200dpi.jpg", "200", "200", "24bit"},
    };
    for (const Sample& sample : samples) {
        ASSERT_TRUE(sample.provider->Load(DiskItem(kData + sample.file))) << sample.file;
        EXPECT_TRUE(Shows(*sample.provider,
                          {{301, sample.width}, {302, sample.height}, {303, sample.depth}}))
            << sample.file;
    }
    // Print sizes: 2835 pixels per metre, 96 dpi JFIF, 1 and 2 dots per cm,
    // no JFIF segment.
    ASSERT_TRUE(bmp.Load(DiskItem(kData + "bmp/rgb24.bmp")));
    EXPECT_TRUE(Shows(bmp, {{304, "    4.48"}, {305, "    2.26"}}));
    ASSERT_TRUE(jpeg.Load(DiskItem(kData + "jpeg/hopper.jpg")));
    EXPECT_EQ(Shown(jpeg, 304), "    3.39");
    ASSERT_TRUE(jpeg.Load(DiskItem(kData + "jpeg/jfif_unit_cm.jpg")));
    EXPECT_TRUE(Shows(jpeg, {{304, "    1.00"}, {305, "    0.50"}}));
    ASSERT_TRUE(jpeg.Load(DiskItem(kData + "jpeg/photoshop-200dpi.jpg")));
    EXPECT_EQ(Shown(jpeg, 304), "    0.00");

    // Damage after the headers does not matter.
    EXPECT_TRUE(png.Load(DiskItem(kData + "png/malformed_badcrc.png")));
    EXPECT_TRUE(jpeg.Load(DiskItem(kData + "jpeg/malformed_truncated_jpeg.jpg")));
}

TEST_F(ImageProviderTest, BitmapHeaders) {
    CBmpInfoProvider bmp;
    ASSERT_TRUE(Load(bmp, ".bmp", Bmp(640, 480, 24, 3780)));
    EXPECT_TRUE(Shows(
        bmp, {{301, "640"}, {302, "480"}, {303, "24bit"}, {304, "   16.93"}, {305, "   12.70"}}));
    ASSERT_TRUE(Load(bmp, ".bmp", Bmp(640, -480, 32, 0)));
    EXPECT_TRUE(Shows(bmp, {{302, "-480"}, {304, "    0.00"}, {305, "    0.00"}}));

    Bytes wrongMagic = Bmp(1, 1, 1, 0);
    wrongMagic[1] = 'A';
    EXPECT_FALSE(Load(bmp, ".bmp", wrongMagic));
    EXPECT_EQ(Shown(bmp, 301), "<none>");
    const Bytes whole = Bmp(1, 1, 1, 0);
    EXPECT_FALSE(Load(bmp, ".bmp", Bytes(whole.begin(), whole.end() - 1)));
    EXPECT_FALSE(Load(bmp, ".bmp", Bytes(whole.begin(), whole.begin() + 13)));
}

TEST_F(ImageProviderTest, GifTgaAndPcxHeaders) {
    CGifInfoProvider gif;
    Bytes header;
    PutBytes(header, "GIF87a");
    PutLe16(header, 300);
    PutLe16(header, 200);
    header.push_back(0xF7);
    header.insert(header.end(), {0, 0});
    ASSERT_TRUE(Load(gif, ".gif", header));
    EXPECT_TRUE(Shows(gif, {{301, "300"}, {302, "200"}, {303, "8bit"}, {304, "<none>"}}));
    EXPECT_TRUE(gif.HasColumn(1205));  // enabled by any visible column
    header[0] = 'g';
    EXPECT_FALSE(Load(gif, ".gif", header));

    CTgaInfoProvider tga;
    Bytes any(18, 0);
    SetLe16(any, 12, 640);
    SetLe16(any, 14, 400);
    any[16] = 32;
    ASSERT_TRUE(Load(tga, ".tga", any));  // no signature to test
    EXPECT_TRUE(Shows(tga, {{301, "640"}, {302, "400"}, {303, "32bit"}}));
    EXPECT_FALSE(Load(tga, ".tga", Bytes(17, 0)));

    CPcxInfoProvider pcx;
    ASSERT_TRUE(Load(pcx, ".pcx", Pcx(10, 20, 649, 499, 1, 4, 72)));
    EXPECT_TRUE(Shows(pcx, {{301, "640"}, {302, "480"}}));
    EXPECT_EQ(Shown(pcx, 303), "1bit");  // the planes are not applied
    EXPECT_TRUE(Shows(pcx, {{304, "   22.58"}, {305, "   16.93"}}));
    ASSERT_TRUE(Load(pcx, ".pcx", Pcx(0, 0, 99, 99, 8, 1, 0)));
    EXPECT_EQ(Shown(pcx, 304), "    0.00");
    Bytes notPcx = Pcx(0, 0, 1, 1, 8, 1, 72);
    notPcx[0] = 0x0B;
    EXPECT_FALSE(Load(pcx, ".pcx", notPcx));
    EXPECT_FALSE(Load(pcx, ".pcx", Bytes(127, 0x0A)));
}

TEST_F(ImageProviderTest, PngHeadersThroughTheLibrary) {
    CPngInfoProvider png;
    ASSERT_TRUE(Load(png, ".png", Png(1024, 768, 8, 6)));
    EXPECT_TRUE(Shows(png, {{301, "1024"}, {302, "768"}, {303, "32bit"}}));
    ASSERT_TRUE(Load(png, ".png", Png(5, 7, 8, 3)));
    EXPECT_EQ(Shown(png, 303), "8bit");
    ASSERT_TRUE(Load(png, ".png", Png(5, 7, 1, 0)));
    EXPECT_EQ(Shown(png, 303), "1bit");

    const Bytes good = Png(5, 7, 8, 2);
    for (std::size_t cut = 0; cut < 8 + 8 + 13 + 4; ++cut) {  // inside the signature or IHDR
        EXPECT_FALSE(Load(png, ".png", Bytes(good.begin(), good.begin() + static_cast<long>(cut))))
            << cut;
        EXPECT_EQ(Shown(png, 301), "<none>");
    }
    Bytes signature = good;
    signature[1] = 'Q';
    EXPECT_FALSE(Load(png, ".png", signature));
    // A chunk claiming 2 GB before the image data.
    Bytes huge(good.begin(), good.begin() + 33);
    PutBe32(huge, 0x7FFFFFF0);
    PutBytes(huge, "tEXt");
    huge.resize(huge.size() + 100, 'a');
    EXPECT_FALSE(Load(png, ".png", huge));
}

TEST_F(ImageProviderTest, PngChunksBeforeTheImageDataAreNeverKept) {
    const Bytes good = Png(5, 7, 8, 2);
    const Bytes ihdr(good.begin(), good.begin() + 33);  // signature and header
    // Tiny files declaring text, compressed text, international text and
    // suggested-palette chunks of 512 MiB to 1.5 GB: refused without making
    // or clearing a buffer of that size.
    bool measured = true;
    for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT"}) {
        for (const std::uint32_t size : {512u << 20, 1536u << 20}) {
            SCOPED_TRACE(std::string(type) + " " + std::to_string(size));
            Bytes hostile = ihdr;
            PutBe32(hostile, size);
            PutBytes(hostile, type);
            PutBytes(hostile, "Comment");
            hostile.resize(92, 'x');
            CPngInfoProvider png;
            EXPECT_FALSE(Load(png, ".png", hostile));
            // Refused at its header: nothing behind it is read.
            CStreamReader reader(hostile);
            CPngHeader header;
            EXPECT_FALSE(ReadPngHeader(reader, header));
            EXPECT_EQ(reader.Position(), ihdr.size() + 8);
            const auto growth = PeakMemoryGrowth([&hostile] {
                CStreamReader reader(hostile);
                CPngHeader header;
                ReadPngHeader(reader, header);
            });
            measured = measured && growth;
            if (growth) {
                EXPECT_LT(*growth, 64 << 20);
            }
        }
    }
    // A chunk over 1 MiB that is there whole is read through and dropped:
    // the header's values still come.
    Bytes large = ihdr;
    PutBytes(large, PngChunk("tEXt", Bytes(3 << 20, 'x')));
    PutBytes(large, Bytes(good.begin() + 33, good.end()));
    CPngInfoProvider png;
    ASSERT_TRUE(Load(png, ".png", large));
    EXPECT_TRUE(Shows(png, {{301, "5"}, {302, "7"}, {303, "24bit"}}));
    if (!measured)
        GTEST_SKIP() << "the peak memory cannot be measured";
}

TEST_F(ImageProviderTest, JpegMarkerWalk) {
    CJpegInfoProvider jpeg;
    ASSERT_TRUE(Load(jpeg, ".jpg", JpegHeaders(2048, 1536, 1, 72)));
    EXPECT_TRUE(Shows(
        jpeg,
        {{301, "2048"}, {302, "1536"}, {303, "24bit"}, {304, "   72.25"}, {305, "   54.19"}}));
    ASSERT_TRUE(Load(jpeg, ".jpg", JpegHeaders(2048, 1536, 0, 72)));
    EXPECT_EQ(Shown(jpeg, 304), "    0.00");
    ASSERT_TRUE(Load(jpeg, ".jpg", JpegHeaders(300, 200, 2, 100, "JFIF", 0xC2)));  // progressive
    EXPECT_TRUE(Shows(jpeg, {{301, "300"}, {304, "    3.00"}}));
    // No APP0, or an APP0 of another kind: sizes without a print size.
    ASSERT_TRUE(Load(jpeg, ".jpg", JpegHeaders(64, 48, 1, 72, "")));
    EXPECT_TRUE(Shows(jpeg, {{301, "64"}, {304, "    0.00"}}));
    ASSERT_TRUE(Load(jpeg, ".jpg", JpegHeaders(64, 48, 1, 72, "JFXX")));
    EXPECT_EQ(Shown(jpeg, 305), "    0.00");

    // Fill bytes and stray bytes before markers; two frame headers give the first.
    Bytes twoFrames = JpegHeaders(640, 480, 1, 72);
    const Bytes second = {0xFF, 0xFF, 0xC1, 0, 11, 8, 0, 10, 0, 20, 1, 1, 0x11, 0};
    twoFrames.insert(twoFrames.end() - 14, second.begin(), second.end());
    twoFrames.insert(twoFrames.begin() + 2, {0x00, 0x12, 0xFF, 0xFF});
    ASSERT_TRUE(Load(jpeg, ".jpg", twoFrames));
    EXPECT_TRUE(Shows(jpeg, {{301, "640"}, {302, "480"}}));

    // Tables, comments and application segments are stepped over.
    Bytes tables = {0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0};
    tables.resize(tables.size() + 64, 1);
    tables.insert(tables.end(), {0xFF, 0xC4, 0, 20, 0x00, 1});
    tables.resize(tables.size() + 15, 0);
    tables.push_back(5);
    tables.insert(tables.end(), {0xFF, 0xFE, 0, 5, 'a', 'b', 'c', 0xFF, 0xE1, 0, 2});
    ASSERT_TRUE(Load(jpeg, ".jpg", SegmentsBefore(tables, JpegHeaders(33, 44, 1, 72))));
    EXPECT_EQ(Shown(jpeg, 301), "33");
}

TEST_F(ImageProviderTest, DamagedJpegsFail) {
    CJpegInfoProvider jpeg;
    const Bytes good = JpegHeaders(640, 480, 1, 72);
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        EXPECT_FALSE(Load(jpeg, ".jpg", Bytes(good.begin(), good.begin() + static_cast<long>(cut))))
            << cut;
    }
    Bytes noComponents = good;
    noComponents[2 + 18 + 9] = 0;  // the frame header's component count
    EXPECT_FALSE(Load(jpeg, ".jpg", noComponents));
    const Bytes scanOnly = {0xFF, 0xD8, 0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0};
    EXPECT_FALSE(Load(jpeg, ".jpg", scanOnly));
    for (const std::uint8_t length : {0, 1}) {
        const Bytes app = SegmentsBefore({0xFF, 0xD8, 0xFF, 0xE1, 0, length}, good);
        EXPECT_FALSE(Load(jpeg, ".jpg", app)) << int{length};
    }
    Bytes badPrecision = {0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0x30};
    badPrecision.resize(badPrecision.size() + 64, 1);
    EXPECT_FALSE(Load(jpeg, ".jpg", SegmentsBefore(badPrecision, good)));
    EXPECT_FALSE(Load(jpeg, ".jpg", SegmentsBefore({0xFF, 0xD8, 0xFF, 0xE0, 0, 2}, good)));
    // No marker at all in a large file ends at its end.
    EXPECT_FALSE(Load(jpeg, ".jpg", Bytes(200000, 0x12)));
}

TEST(PixelsToCentimetres, UnitsAndDensities) {
    EXPECT_DOUBLE_EQ(PixelsToCentimetres(254, 100, 1), 6.4516);
    EXPECT_DOUBLE_EQ(PixelsToCentimetres(300, 100, 2), 3.0);
    EXPECT_EQ(PixelsToCentimetres(300, 100, 0), 0.0);
    EXPECT_EQ(PixelsToCentimetres(300, 100, 3), 0.0);
    EXPECT_EQ(PixelsToCentimetres(300, 0, 1), 0.0);
    EXPECT_EQ(PixelsToCentimetres(300, -5, 2), 0.0);
}

TEST_F(ImageProviderTest, MembersOfArchivesAreReadFoldersAreNot) {
    InitArchiveHandlers();
    const ZipImage zip = BuildZip({
        {"pics/Photo.BMP", ToString(Bmp(640, 480, 24, 3780))},
        {"pics/shot.jpg", ToString(JpegHeaders(320, 240, 1, 72))},
        {"pics/logo.png", ToString(Png(16, 8, 8, 6))},
    });
    const std::string archive = WriteFile(m_files.Dir() + "/pics.zip", zip.bytes);
    CBmpInfoProvider bmp;
    ASSERT_TRUE(bmp.Load(MemberItem(archive, "pics\\Photo.BMP")));
    EXPECT_TRUE(Shows(bmp, {{301, "640"}, {304, "   16.93"}}));
    CJpegInfoProvider jpeg;
    ASSERT_TRUE(jpeg.Load(MemberItem(archive, "pics\\shot.jpg")));
    EXPECT_EQ(Shown(jpeg, 302), "240");
    CPngInfoProvider png;
    ASSERT_TRUE(png.Load(MemberItem(archive, "pics\\logo.png")));
    EXPECT_EQ(Shown(png, 303), "32bit");
    EXPECT_FALSE(bmp.Load(MemberItem(archive, "pics\\missing.bmp")));

    CProviderItem folder = DiskItem(m_files.Dir());
    folder.m_bFolder = TRUE;
    EXPECT_FALSE(bmp.Load(folder));
    CProviderItem pathless;
    pathless.m_sName = "a.bmp";
    EXPECT_FALSE(bmp.Load(pathless));
}

}  // namespace
