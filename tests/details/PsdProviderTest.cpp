#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "details/ProviderTestSupport.h"
#include "platform/ByteSource.h"
#include "readers/archives/ArchiveHandler.h"
#include "readers/details/PsdImage.h"
#include "readers/details/PsdInfoProvider.h"
#include "readers/details/PsdThumbnailProvider.h"
#include "support/PsdDecode.h"
#include "support/PsdWriter.h"
#include "support/TempHome.h"

namespace {

using zbtest::Bytes;
using zbtest::DiskItem;
using zbtest::PsdSpec;
using zbtest::Rgb;

const std::string kPsdData = std::string(ZEMBROLT_TESTDATA) + "/psd/";

std::uint32_t Value(CPsdInfoProvider& provider, int id) {
    COLUMNVALUE value;
    EXPECT_TRUE(provider.GetValue(id, &value)) << id;
    return value.GetUInt32();
}

// A plane of `width` x `height` samples made by `sample(x, y)`.
template <class F>
Bytes Plane(std::uint32_t width, std::uint32_t height, F sample) {
    Bytes plane;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x)
            plane.push_back(static_cast<std::uint8_t>(sample(x, y)));
    }
    return plane;
}

Bytes Filled(std::uint32_t width, std::uint32_t height, std::uint8_t value) {
    return Bytes(static_cast<std::size_t>(width) * height, value);
}

class PsdProviderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = zbtest::MakeTempDir("psd");
        m_info.InitExtensions();
        m_thumbnails.InitExtensions();
    }

    std::string Write(const std::string& name, const Bytes& bytes) {
        return zbtest::WriteFile(m_dir + "/" + name, zbtest::ToString(bytes));
    }
    // The thumbnail of `bytes` in a box of `box` pixels a side; empty when
    // none is made.
    CBitmap Thumbnail(const Bytes& bytes, LONG box = 128) {
        CBitmap bitmap(3, 3);
        if (!m_thumbnails.MakeThumbnail(DiskItem(Write("t.psd", bytes)), &bitmap, SIZE{box, box})) {
            EXPECT_TRUE(bitmap.IsEmpty());
        }
        return bitmap;
    }

    std::string m_dir;
    CPsdInfoProvider m_info;
    CPsdThumbnailProvider m_thumbnails;
};

TEST_F(PsdProviderTest, ColumnsOfRealDocuments) {
    ASSERT_TRUE(m_info.Load(DiskItem(kPsdData + "hopper.psd")));
    EXPECT_EQ(m_info.GetState(), PROVIDER_STATE_LOADED);
    EXPECT_EQ(Value(m_info, 301), 128u);
    EXPECT_EQ(Value(m_info, 302), 128u);
    EXPECT_EQ(Value(m_info, 103), 3u);
    ASSERT_TRUE(m_info.Load(DiskItem(kPsdData + "rgba.psd")));
    EXPECT_EQ(Value(m_info, 301), 100u);
    EXPECT_EQ(Value(m_info, 103), 4u);
    // The header is all the provider reads: damaged sections do not matter.
    EXPECT_TRUE(m_info.Load(DiskItem(kPsdData + "malformed_combined_larger_than_size.psd")));

    COLUMNVALUE value;
    EXPECT_FALSE(m_info.GetValue(2, &value));
    EXPECT_TRUE(m_info.HasColumn(2));  // every id counts as the provider's
    EXPECT_EQ(m_info.GetColumnCount(), 3);
    COLUMNINFO info{};
    ASSERT_TRUE(m_info.GetColumnByIndex(2, &info));
    EXPECT_EQ(info.nId, 103);
}

TEST_F(PsdProviderTest, InfoNeedsTheWholeHeaderWithSignatureAndVersion) {
    PsdSpec wide;
    wide.width = 30001;  // beyond the decoder's limit: columns, but no thumbnail
    const Bytes header = zbtest::PsdHeaderBytes(wide);
    ASSERT_TRUE(m_info.Load(DiskItem(Write("wide.psd", header))));
    EXPECT_EQ(Value(m_info, 301), 30001u);
    EXPECT_TRUE(Thumbnail(header).IsEmpty());

    EXPECT_FALSE(
        m_info.Load(DiskItem(Write("short.psd", Bytes(header.begin(), header.end() - 1)))));
    EXPECT_EQ(m_info.GetState(), PROVIDER_STATE_LOADING);
    COLUMNVALUE value;
    EXPECT_FALSE(m_info.GetValue(301, &value));
    Bytes version2 = header;
    version2[5] = 2;
    EXPECT_FALSE(m_info.Load(DiskItem(Write("v2.psd", version2))));
    CProviderItem folder = DiskItem(m_dir);
    folder.m_bFolder = TRUE;
    EXPECT_FALSE(m_info.Load(folder));
}

TEST_F(PsdProviderTest, MembersOfArchivesGetColumnsButNoThumbnail) {
    const std::string archive = m_dir + "/pictures.psd.gz";
    gzFile out = gzopen(archive.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    const std::string bytes = zbtest::ToString(zbtest::WritePsd(PsdSpec{}, {{1}, {2}, {3}}));
    gzwrite(out, bytes.data(), static_cast<unsigned>(bytes.size()));
    gzclose(out);
    CArchiveHandlerList readers;
    CreateArchiveHandlers(readers);
    const CThreadArchiveHandlers own(readers);
    CProviderItem member;
    member.m_sName = "pictures.psd";
    member.m_sPath = archive;
    member.m_sInnerPath = "pictures.psd";
    member.m_bInArchive = TRUE;
    ASSERT_TRUE(m_info.Load(member));
    EXPECT_EQ(Value(m_info, 103), 3u);
    CBitmap bitmap;
    EXPECT_FALSE(m_thumbnails.MakeThumbnail(member, &bitmap, SIZE{64, 64}));
    CloseArchiveHandlers(readers);
}

TEST_F(PsdProviderTest, ThumbnailOfARealDocumentKeepsItsPixels) {
    CBitmap bitmap;
    ASSERT_TRUE(
        m_thumbnails.MakeThumbnail(DiskItem(kPsdData + "hopper.psd"), &bitmap, SIZE{128, 128}));
    ASSERT_EQ(bitmap.Width(), 128);
    ASSERT_EQ(bitmap.Height(), 128);
    // Values of the packed composite, decoded by hand.
    EXPECT_EQ(Rgb(bitmap, 0, 0), 0x141543u);
    EXPECT_EQ(Rgb(bitmap, 64, 64), 0xac4637u);
    EXPECT_EQ(Rgb(bitmap, 127, 127), 0x86a0d1u);
    EXPECT_EQ(Rgb(bitmap, 10, 100), 0x100e0fu);
    EXPECT_EQ(Rgb(bitmap, 100, 10), 0x4369b2u);

    // Fitted into a smaller box, each pixel averages the ones it covers.
    CBitmap half;
    ASSERT_TRUE(m_thumbnails.MakeThumbnail(DiskItem(kPsdData + "rgba.psd"), &half, SIZE{64, 32}));
    EXPECT_EQ(half.Width(), 32);
    EXPECT_EQ(half.Height(), 32);
    EXPECT_EQ(Rgb(half, 16, 16), 0xFF0000u);
    EXPECT_TRUE(Thumbnail({}).IsEmpty());
    EXPECT_FALSE(m_thumbnails.MakeThumbnail(
        DiskItem(kPsdData + "malformed_combined_larger_than_size.psd"), &half, SIZE{64, 64}));
}

TEST_F(PsdProviderTest, ColourModesMapTheirChannels) {
    // Red RGB, raw and packed: blue byte 0, red byte 255.
    PsdSpec rgb;
    rgb.width = 4;
    rgb.height = 2;
    const std::vector<Bytes> red = {Filled(4, 2, 255), Filled(4, 2, 0), Filled(4, 2, 0)};
    EXPECT_EQ(Rgb(Thumbnail(zbtest::WritePsd(rgb, red)), 3, 1), 0xFF0000u);
    rgb.compression = 1;
    EXPECT_EQ(Rgb(Thumbnail(zbtest::WritePsd(rgb, red)), 0, 0), 0xFF0000u);

    // Rows are top-down in the file: a top row of green stays on top.
    const Bytes green = Plane(4, 2, [](auto, auto y) { return y == 0 ? 200 : 0; });
    const CBitmap rows =
        Thumbnail(zbtest::WritePsd(rgb, {Filled(4, 2, 0), green, Filled(4, 2, 0)}));
    EXPECT_EQ(Rgb(rows, 1, 0), 0x00C800u);
    EXPECT_EQ(Rgb(rows, 1, 1), 0x000000u);

    // Two-channel multichannel: plane 0 red, plane 1 green, blue black.
    PsdSpec multi;
    multi.mode = PSD_MODE_MULTICHANNEL;
    multi.channels = 2;
    EXPECT_EQ(Rgb(Thumbnail(zbtest::WritePsd(multi, {{0x11}, {0x22}})), 0, 0), 0x112200u);

    // CMYK and Lab show their first three planes as they stand.
    PsdSpec cmyk;
    cmyk.mode = PSD_MODE_CMYK;
    cmyk.channels = 4;
    EXPECT_EQ(Rgb(Thumbnail(zbtest::WritePsd(cmyk, {{1}, {2}, {3}, {4}})), 0, 0), 0x010203u);

    // Greyscale; 16-bit samples give their high bytes.
    PsdSpec grey;
    grey.mode = PSD_MODE_GRAYSCALE;
    grey.channels = 1;
    EXPECT_EQ(Rgb(Thumbnail(zbtest::WritePsd(grey, {{0x80}})), 0, 0), 0x808080u);
    PsdSpec deep = rgb;
    deep.compression = 0;
    deep.depth = 16;
    const Bytes wide = Plane(8, 2, [](auto x, auto) { return x % 2 == 0 ? 0x9A : 0x01; });
    const Bytes zero(16, 0);
    const CBitmap sixteen = Thumbnail(zbtest::WritePsd(deep, {wide, zero, wide}));
    PsdSpec reduced = rgb;
    reduced.compression = 0;
    const CBitmap eight = Thumbnail(
        zbtest::WritePsd(reduced, {Filled(4, 2, 0x9A), Filled(4, 2, 0), Filled(4, 2, 0x9A)}));
    ASSERT_EQ(sixteen.Width(), 4);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(Rgb(sixteen, x, 1), Rgb(eight, x, 1));
    EXPECT_EQ(Rgb(sixteen, 2, 0), 0x9A009Au);

    // Bitmap mode: set bits black on white.
    PsdSpec bits;
    bits.mode = PSD_MODE_BITMAP;
    bits.depth = 1;
    bits.channels = 1;
    bits.width = 10;
    const CBitmap mono = Thumbnail(zbtest::WritePsd(bits, {{0xA0, 0x40}}));
    ASSERT_EQ(mono.Width(), 10);
    const std::vector<std::uint32_t> expected = {0,        0xFFFFFF, 0,        0xFFFFFF, 0xFFFFFF,
                                                 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0};
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(Rgb(mono, x, 0), expected[static_cast<std::size_t>(x)]) << x;

    // Indexed: the colour table holds 256 reds, 256 greens, 256 blues.
    PsdSpec indexed;
    indexed.mode = PSD_MODE_INDEXED;
    indexed.channels = 1;
    indexed.colourData = Bytes(768, 0);
    indexed.colourData[7] = 0x12;
    indexed.colourData[256 + 7] = 0x34;
    indexed.colourData[512 + 7] = 0x56;
    EXPECT_EQ(Rgb(Thumbnail(zbtest::WritePsd(indexed, {{7}})), 0, 0), 0x123456u);
    indexed.colourData.resize(767);  // a short colour table
    EXPECT_TRUE(Thumbnail(zbtest::WritePsd(indexed, {{7}})).IsEmpty());
}

TEST_F(PsdProviderTest, RefusedModesDepthsAndSizes) {
    PsdSpec spec;
    const std::vector<Bytes> planes = {{1}, {2}, {3}};
    for (const auto& [mode, depth] : std::vector<std::pair<int, int>>{{PSD_MODE_INDEXED, 16},
                                                                      {PSD_MODE_DUOTONE, 16},
                                                                      {PSD_MODE_LAB, 16},
                                                                      {5, 8},
                                                                      {6, 8},
                                                                      {PSD_MODE_RGB, 32},
                                                                      {PSD_MODE_BITMAP, 8}}) {
        spec.mode = static_cast<std::uint16_t>(mode);
        spec.depth = static_cast<std::uint16_t>(depth);
        EXPECT_TRUE(Thumbnail(zbtest::WritePsd(spec, planes)).IsEmpty()) << mode << " " << depth;
    }
    EXPECT_EQ(PsdCheckModeDepth(PSD_MODE_RGB, 16), 0);
    EXPECT_EQ(PsdCheckModeDepth(PSD_MODE_LAB, 16), 2);
    EXPECT_EQ(PsdCheckModeDepth(6, 8), 1);
    // 16-bit samples are not unpacked.
    spec = PsdSpec{};
    spec.depth = 16;
    spec.compression = 1;
    EXPECT_TRUE(Thumbnail(zbtest::WritePsd(spec, {{1, 1}, {2, 2}, {3, 3}})).IsEmpty());
    spec = PsdSpec{};
    spec.channels = 25;
    EXPECT_TRUE(Thumbnail(zbtest::WritePsd(spec, planes)).IsEmpty());
    spec.channels = 3;
    spec.compression = 2;
    EXPECT_TRUE(Thumbnail(zbtest::WritePsd(spec, planes)).IsEmpty());
}

TEST_F(PsdProviderTest, StagesOfARequest) {
    const Bytes header = zbtest::PsdHeaderBytes(PsdSpec{});
    // 25 bytes are not read: the request stays unidentified.
    CImageRequest request;
    request.m_nStage = IMAGE_STAGE_IDENTIFY;
    request.m_nStatus = IMAGE_STATUS_PENDING;
    request.m_sName = Write("25.psd", Bytes(header.begin(), header.begin() + 25));
    PsdIdentify(&request);
    EXPECT_EQ(request.m_nStage, IMAGE_STAGE_IDENTIFY);
    EXPECT_EQ(request.m_nStatus, IMAGE_STATUS_DONE);

    // A bare header is identified and then fails on the missing sections.
    request = CImageRequest{};
    request.m_nStage = IMAGE_STAGE_IDENTIFY;
    request.m_nStatus = IMAGE_STATUS_PENDING;
    request.m_sName = Write("26.psd", header);
    PsdIdentify(&request);
    ASSERT_EQ(request.m_nStage, IMAGE_STAGE_IDENTIFIED);
    request.m_nStatus = IMAGE_STATUS_PENDING;
    PsdReadInfo(&request);
    EXPECT_EQ(request.m_nStatus, IMAGE_STATUS_READ_FAILED);
    EXPECT_EQ(request.m_nStage, IMAGE_STAGE_IDENTIFIED);

    // A whole document: its information, then its pixels.
    PsdSpec spec;
    spec.width = 3;
    spec.height = 2;
    spec.compression = 1;
    request = CImageRequest{};
    request.m_nStage = IMAGE_STAGE_IDENTIFY;
    request.m_nStatus = IMAGE_STATUS_PENDING;
    request.m_sName = Write(
        "whole.psd", zbtest::WritePsd(spec, {Filled(3, 2, 9), Filled(3, 2, 8), Filled(3, 2, 7)}));
    PsdIdentify(&request);
    request.m_nStatus = IMAGE_STATUS_PENDING;
    PsdReadInfo(&request);
    ASSERT_EQ(request.m_nStage, IMAGE_STAGE_INFO_READ);
    EXPECT_EQ(request.m_nImageType, IMAGE_TYPE_PSD);
    EXPECT_EQ(request.m_nCompression, IMAGE_COMPRESSION_RUN_LENGTH);
    EXPECT_EQ(request.m_nWidth, 3u);
    EXPECT_EQ(request.m_nHeight, 2u);
    EXPECT_GE(request.m_FileTime.wYear, 2020);
    ASSERT_TRUE(request.AllocatePixelBlock());
    EXPECT_EQ(request.RowStride(), 12u);  // 3 x 3 bytes rounded up to 4
    zb::FileSource file;
    ASSERT_TRUE(file.Open(request.m_sName));
    ASSERT_EQ(PsdDecodeImage(file, &request), IMAGE_STATUS_DONE);
    // Blue, green, red; image row 0 is the last row of the block.
    EXPECT_EQ(request.m_RowTable[0], request.m_Pixels.data() + 12);
    EXPECT_EQ(request.m_Pixels[12], 7);
    EXPECT_EQ(request.m_Pixels[13], 8);
    EXPECT_EQ(request.m_Pixels[14], 9);

    request = CImageRequest{};
    request.m_nStage = IMAGE_STAGE_IDENTIFY;
    request.m_nStatus = IMAGE_STATUS_PENDING;
    request.m_sName = m_dir + "/missing.psd";
    PsdIdentify(&request);
    EXPECT_EQ(request.m_nStatus, IMAGE_STATUS_MISSING);
}

TEST_F(PsdProviderTest, LargeImagesAreSampledWithinThePixelBudget) {
    // 6000 x 3000 (18 megapixels): every second row and column is decoded.
    PsdSpec spec;
    spec.mode = PSD_MODE_GRAYSCALE;
    spec.channels = 1;
    spec.width = 6000;
    spec.height = 3000;
    spec.compression = 1;
    const Bytes plane =
        Plane(6000, 3000, [](auto x, auto y) { return x < 3000 ? (y < 1500 ? 255 : 100) : 0; });
    CImageRequest request;
    request.m_nWidth = 6000;
    request.m_nHeight = 3000;
    ASSERT_TRUE(request.AllocatePixelBlock());
    EXPECT_EQ(request.m_nSampleStep, 2u);
    EXPECT_LE(static_cast<std::int64_t>(request.m_Header.biWidth) * request.m_Header.biHeight,
              kPsdPixelBudget);

    const CBitmap bitmap = Thumbnail(zbtest::WritePsd(spec, {plane}), 120);
    ASSERT_EQ(bitmap.Width(), 120);
    ASSERT_EQ(bitmap.Height(), 60);
    EXPECT_EQ(Rgb(bitmap, 10, 10), 0xFFFFFFu);
    EXPECT_EQ(Rgb(bitmap, 10, 50), 0x646464u);
    EXPECT_EQ(Rgb(bitmap, 100, 10), 0u);

    // The largest size the decoder takes stays within the budget too.
    request.m_nWidth = 30000;
    request.m_nHeight = 30000;
    ASSERT_TRUE(request.AllocatePixelBlock());
    EXPECT_LE(static_cast<std::int64_t>(request.m_Header.biWidth) * request.m_Header.biHeight,
              kPsdPixelBudget);
}

TEST_F(PsdProviderTest, DamagedDataGivesNoThumbnail) {
    PsdSpec spec;
    spec.width = 8;
    spec.height = 4;
    spec.compression = 1;
    const std::vector<Bytes> planes = {Filled(8, 4, 1), Filled(8, 4, 2), Filled(8, 4, 3)};
    const Bytes good = zbtest::WritePsd(spec, planes);
    ASSERT_FALSE(Thumbnail(good).IsEmpty());
    const std::size_t table = zbtest::PsdHeaderBytes(spec).size() + 4 + 4 + 4 + 4 + 2;

    // A row size larger than the data left.
    Bytes counts = good;
    counts[table + 2 * 11] = 0x7F;
    EXPECT_TRUE(Thumbnail(counts).IsEmpty());
    // Truncated pixel data, raw and packed.
    EXPECT_TRUE(Thumbnail(Bytes(good.begin(), good.end() - 1)).IsEmpty());
    spec.compression = 0;
    const Bytes raw = zbtest::WritePsd(spec, planes);
    EXPECT_TRUE(Thumbnail(Bytes(raw.begin(), raw.end() - 1)).IsEmpty());
    // RGB with one channel.
    PsdSpec thin = spec;
    thin.channels = 1;
    EXPECT_TRUE(Thumbnail(zbtest::WritePsd(thin, {planes[0]})).IsEmpty());
    // A section length that runs past the end.
    Bytes section = raw;
    section[26] = section[27] = section[28] = section[29] = 0xFF;
    EXPECT_TRUE(Thumbnail(section).IsEmpty());

    // A run longer than its row and a literal past the packed bytes are cut.
    spec.compression = 1;
    spec.width = 4;
    spec.height = 1;
    Bytes runs = zbtest::PsdHeaderBytes(spec);
    runs.resize(runs.size() + 12, 0);  // three empty sections
    runs.insert(runs.end(), {0, 1});   // packed
    runs.insert(runs.end(), {0, 2, 0, 2, 0, 2});
    runs.insert(runs.end(), {0x81, 0x40});  // 128 copies of 0x40
    runs.insert(runs.end(), {0x7F, 0x41});  // 128 literals, one there
    runs.insert(runs.end(), {0x80, 0x42});  // the row ends at once
    const CBitmap cut = Thumbnail(runs);
    ASSERT_EQ(cut.Width(), 4);
    EXPECT_EQ(Rgb(cut, 0, 0), 0x404100u);
    EXPECT_EQ(Rgb(cut, 3, 0), 0x400000u);
}

// Every prefix and many bit flips of the real documents: a picture no larger
// than the box or none, never a fault (the sanitizer build checks memory).
// The bytes stay in memory, so the whole sweep costs no disk writes.
TEST_F(PsdProviderTest, RealDocumentsSurviveTruncationAndBitFlips) {
    const SIZE box{40, 30};
    const auto check = [&](const Bytes& bytes) {
        CBitmap bitmap;
        if (zbtest::DecodePsdBytes(bytes, box, &bitmap)) {
            ASSERT_LE(bitmap.Width(), box.cx);
            ASSERT_LE(bitmap.Height(), box.cy);
        }
    };
    for (const char* name : {"hopper.psd", "rgba.psd", "negative_layer_count.psd",
                             "malformed_combined_larger_than_size.psd"}) {
        SCOPED_TRACE(name);
        std::ifstream in(kPsdData + name, std::ios::binary);
        const Bytes good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(good.empty());
        // Large files: every byte of the header and sections, then every 61st.
        const std::size_t prefixStep = good.size() > 8192 ? 61 : 1;
        for (std::size_t size = 0; size < good.size(); size += size < 4096 ? 1 : prefixStep)
            check(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)));
        const std::size_t bitStep = good.size() > 8192 ? 401 : 3;
        for (std::size_t bit = 0; bit < good.size() * 8; bit += bitStep) {
            Bytes bytes = good;
            bytes[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
            check(bytes);
        }
    }
}

}  // namespace
