// Every sample file through the export, and pictures that are stored twice in
// different ways decode to the same pixels.
#include <gtest/gtest.h>

#include "ThumbTestSupport.h"

namespace {

using thumbtest::Generate;
using thumbtest::Thumbnail;

struct Sample {
    const char* path;
    int width;  // in a 256 x 256 box; 0: no thumbnail
    int height;
};

// Files without a thumbnail are malformed, vector-only pictures, a PICT
// without its file header, a cursor (not a routed extension), an icon the
// platform's reader refuses, and a PCX whose rows are shorter than its width.
const Sample kSamples[] = {
    {"pgm/16_bit_binary.pgm", 20, 100},
    {"pgm/hopper_8bit.pgm", 128, 128},
    {"pgm/hopper_8bit_plain.pgm", 128, 128},
    {"tga/200x32_l_bl_raw.tga", 200, 32},
    {"tga/200x32_p_bl_rle.tga", 200, 32},
    {"tga/200x32_rgb_bl_raw.tga", 200, 32},
    {"tga/200x32_rgb_tl_rle.tga", 200, 32},
    {"tga/la.tga", 64, 64},
    {"tga/malformed_cross_scan_line_truncated.tga", 0, 0},
    {"tga/malformed_p_8.tga", 0, 0},
    {"tga/tga_id_field.tga", 100, 100},
    {"pcx/01r_00.pcx", 0, 0},
    {"pcx/malformed_ossfuzz.pcx", 0, 0},
    {"pcx/p_4_planes.pcx", 1, 1},
    {"pcx/pil184.pcx", 256, 82},
    {"pict/6.pict", 0, 0},
    {"pict/FC10.PCT", 223, 256},
    {"pict/PICT.pict", 0, 0},
    {"pict/Picture14.pict", 256, 84},
    {"pict/mire32.pict", 64, 64},
    {"pict/oom.pict", 0, 0},
    {"pict/qt_jpeg.pict", 193, 256},
    {"pict/qt_mire.pict", 64, 64},
    {"wmf/WindowsMetafile.wmf", 256, 160},
    {"wmf/bm0.WMF", 171, 256},
    {"wmf/drawing.wmf", 109, 109},
    {"wmf/grid.wmf", 94, 94},
    {"wmf/test.wmf", 133, 106},
    {"emf/Memo.emf", 210, 256},
    {"emf/drawing.emf", 256, 256},
    {"emf/image-6.emf", 82, 81},
    {"png/basn0g01.png", 32, 32},
    {"png/basn0g08.png", 32, 32},
    {"png/basn0g16.png", 32, 32},
    {"png/basn2c16.png", 32, 32},
    {"png/basn3p01.png", 32, 32},
    {"png/basn3p08.png", 32, 32},
    {"png/basn4a16.png", 32, 32},
    {"png/basn6a08.png", 32, 32},
    {"png/ftbwn3p08.png", 32, 32},
    {"png/ibasn2c16.png", 32, 32},
    {"png/ibasn3p04.png", 32, 32},
    {"png/ibasn3p08.png", 32, 32},
    {"png/malformed_badcrc.png", 0, 0},
    {"png/malformed_huge_IDAT.png", 0, 0},
    {"gif/malformed_zero_width.gif", 0, 0},
    {"gif/porsche.gif", 256, 160},
    {"gif/treescap-interlaced.gif", 40, 40},
    {"gif/treescap.gif", 40, 40},
    {"gif/welcome2.gif", 256, 42},
    {"gif/x-trans.gif", 100, 100},
    {"tiff/16bit.MM.deflate.tif", 64, 64},
    {"tiff/compression.tif", 10, 10},
    {"tiff/custom_dir_EXIF_GPS.tiff", 1, 1},
    {"tiff/hopper_bigtiff.tif", 128, 128},
    {"tiff/hopper_lzw.tif", 128, 128},
    {"tiff/logluv-3c-16b.tiff", 1, 1},
    {"tiff/malformed_ifd_loop_to_self.tif", 20, 20},
    {"tiff/malformed_libtiff_segfault.tif", 0, 0},
    {"tiff/minisblack-1c-16b.tiff", 157, 151},
    {"tiff/minisblack-2c-8b-alpha.tiff", 64, 64},
    {"tiff/miniswhite-1c-1b.tiff", 157, 151},
    {"tiff/multipage.tiff", 10, 10},
    {"tiff/ojpeg_zackthecat_subsamp22_single_strip.tiff", 234, 213},
    {"tiff/quad-tile.jpg.tiff", 256, 192},
    {"tiff/testfax3_bug_513.tiff", 32, 2},
    {"jpeg/exif_gps.jpg", 8, 8},
    {"jpeg/hopper.jpg", 128, 128},
    {"jpeg/hopper_gray.jpg", 128, 128},
    {"jpeg/jfif_unit_cm.jpg", 1, 1},
    {"jpeg/malformed_truncated_jpeg.jpg", 100, 100},
    {"jpeg/photoshop-200dpi.jpg", 200, 200},
    {"jpeg/pil_sample_cmyk.jpg", 100, 100},
    {"jpeg/rgb.jpg", 100, 100},
    {"bmp/malformed_badrle.bmp", 127, 64},
    {"bmp/malformed_shortfile.bmp", 127, 64},
    {"bmp/pal1.bmp", 127, 64},
    {"bmp/pal4rle.bmp", 127, 64},
    {"bmp/pal8.bmp", 127, 64},
    {"bmp/pal8os2.bmp", 127, 64},
    {"bmp/pal8rle.bmp", 127, 64},
    {"bmp/pal8topdown.bmp", 127, 64},
    {"bmp/pal8v5.bmp", 127, 64},
    {"bmp/rgb16-565.bmp", 127, 64},
    {"bmp/rgb24.bmp", 127, 64},
    {"bmp/rgb32.bmp", 127, 64},
    {"ico/black_and_white.ico", 16, 16},
    {"ico/deerstalker.cur", 0, 0},
    {"ico/hopper.ico", 16, 16},
    {"ico/hopper_unexpected.ico", 0, 0},
    {"ico/pillow.ico", 256, 256},
};

std::string DataPath(const std::string& name) {
    return std::string(ZEMBROLT_TESTDATA) + "/" + name;
}

TEST(SampleFiles, EachGivesItsThumbnailOrNone) {
    for (const Sample& sample : kSamples) {
        SCOPED_TRACE(sample.path);
        const Thumbnail thumbnail = Generate(DataPath(sample.path), 256, 256);
        EXPECT_EQ(thumbnail.result, sample.width != 0 ? 1 : 0);
        EXPECT_EQ(thumbnail.width, sample.width);
        EXPECT_EQ(thumbnail.height, sample.height);
    }
}

// The share of pixels of two same-sized thumbnails that differ by at most
// `tolerance` in each channel.
double Agreement(const Thumbnail& a, const Thumbnail& b, int tolerance) {
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    if (a.pixels.size() != b.pixels.size() || a.pixels.empty())
        return 0;
    std::size_t same = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        same += thumbtest::Near(a.pixels[i], b.pixels[i], tolerance) ? 1 : 0;
    return static_cast<double>(same) / static_cast<double>(a.pixels.size());
}

TEST(SampleFiles, ThePictureStoredTwiceDecodesAlike) {
    const struct {
        const char* first;
        const char* second;
        int tolerance;
        double share;
    } pairs[] = {
        {"pgm/hopper_8bit.pgm", "pgm/hopper_8bit_plain.pgm", 0, 1.0},
        {"png/basn2c16.png", "png/ibasn2c16.png", 0, 1.0},
        {"png/basn3p08.png", "png/ibasn3p08.png", 0, 1.0},
        {"gif/treescap.gif", "gif/treescap-interlaced.gif", 0, 1.0},
        {"tga/200x32_rgb_bl_raw.tga", "tga/200x32_rgb_tl_rle.tga", 0, 1.0},
        {"tiff/hopper_lzw.tif", "tiff/hopper_bigtiff.tif", 0, 1.0},
        {"tiff/hopper_lzw.tif", "jpeg/hopper.jpg", 48, 0.9},
        {"pgm/hopper_8bit.pgm", "jpeg/hopper_gray.jpg", 24, 0.9},
        {"pict/mire32.pict", "pict/qt_mire.pict", 48, 0.85},
    };
    for (const auto& pair : pairs) {
        SCOPED_TRACE(std::string(pair.first) + " / " + pair.second);
        EXPECT_GE(Agreement(Generate(DataPath(pair.first), 256, 256),
                            Generate(DataPath(pair.second), 256, 256), pair.tolerance),
                  pair.share);
    }
}

TEST(SampleFiles, KnownPixels) {
    // A one-bit TIFF whose zero is white, and the red disc of the sample
    // metafile.
    const Thumbnail fax = Generate(DataPath("tiff/miniswhite-1c-1b.tiff"), 256, 256);
    ASSERT_EQ(fax.result, 1);
    const Thumbnail grey = Generate(DataPath("tiff/minisblack-1c-16b.tiff"), 256, 256);
    ASSERT_EQ(grey.result, 1);
    EXPECT_GE(Agreement(fax, grey, 160), 0.8);  // the same peppers, in one bit and in grey
    const Thumbnail disc = Generate(DataPath("emf/drawing.emf"), 256, 256);
    ASSERT_EQ(disc.result, 1);
    EXPECT_EQ(disc.At(disc.width / 2, disc.height / 2), 0xFF0000u);
    EXPECT_EQ(disc.At(1, 1), 0xFFFFFFu);
}

}  // namespace
