// The export: extension routes, traces, fitting and the bitmap it hands out,
// and the program's loader of the library.
#include <gtest/gtest.h>

#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <sstream>

#include "ThumbGenerator/ThumbGenerator.h"
#include "ThumbTestSupport.h"
#include "platform/ThumbnailLibrary.h"
#include "support/TempHome.h"

namespace {

using thumbtest::CaptureTraces;
using thumbtest::Generate;
using thumbtest::WriteTemp;

std::string TraceLine(int line) {
    return "error filename: ThumbGenerator.cpp  line: " + std::to_string(line) + "\r\n";
}

// Left half red, right half blue.
std::uint32_t Halves(int x, int width) {
    return x < width / 2 ? 0xFF0000 : 0x0000FF;
}

TEST(FitThumbnailBox, KeepsTheShapeAndNeverEnlarges) {
    EXPECT_EQ(FitThumbnailBox(QSize(100, 100), QSize(400, 300)), QSize(100, 75));
    EXPECT_EQ(FitThumbnailBox(QSize(100, 50), QSize(200, 100)),
              QSize(100, 50));  // tie: height rule
    EXPECT_EQ(FitThumbnailBox(QSize(100, 100), QSize(333, 100)), QSize(100, 30));
    EXPECT_EQ(FitThumbnailBox(QSize(96, 96), QSize(60, 40)), QSize(60, 40));
    EXPECT_EQ(FitThumbnailBox(QSize(100, 100), QSize(100, 100)), QSize(100, 100));
    EXPECT_EQ(FitThumbnailBox(QSize(100, 100), QSize(10000, 1)), QSize(100, 1));
    EXPECT_EQ(FitThumbnailBox(QSize(100, 100), QSize(1, 10000)), QSize(1, 100));
    EXPECT_EQ(FitThumbnailBox(QSize(0, 100), QSize(50, 50)), QSize(1, 50));
}

TEST(GenerateThumbnail, PathsWithoutARoutedExtensionGiveTheirTraces) {
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
    auto traces =
        CaptureTraces([&] { EXPECT_EQ(GenerateThumbnail("/readme", 96, 96, &bitmap), 0); });
    EXPECT_EQ(bitmap, nullptr);
    EXPECT_EQ(traces, std::vector<std::string>{TraceLine(332)});
    traces = CaptureTraces([&] { EXPECT_EQ(GenerateThumbnail("/a.b/file", 96, 96, &bitmap), 0); });
    EXPECT_EQ(traces, std::vector<std::string>{TraceLine(411)});
    const std::string longExtension = "/x." + std::string(300, 'p');
    traces = CaptureTraces(
        [&] { EXPECT_EQ(GenerateThumbnail(longExtension.c_str(), 96, 96, &bitmap), 0); });
    EXPECT_EQ(traces, std::vector<std::string>{TraceLine(411)});
}

TEST(GenerateThumbnail, AnEmptyFileTracesLine117OnTheLoaderRoutesOnly) {
    const std::string bmp = WriteTemp("empty.bmp", "");
    auto traces = CaptureTraces([&] { EXPECT_EQ(Generate(bmp, 96, 96).result, 0); });
    EXPECT_EQ(traces, std::vector<std::string>{TraceLine(117)});
    const std::string png = WriteTemp("empty.png", "");
    traces = CaptureTraces([&] { EXPECT_EQ(Generate(png, 96, 96).result, 0); });
    EXPECT_TRUE(traces.empty());
}

TEST(GenerateThumbnail, ABoxWithoutAreaGivesNothing) {
    const std::string png = WriteTemp(
        "a.png",
        thumbtest::EncodePng(4, 4, PNG_COLOR_TYPE_RGB, 8, [](int, int) { return 0x123456u; }));
    EXPECT_EQ(Generate(png, 0, 96).result, 0);
    EXPECT_EQ(Generate(png, 96, -1).result, 0);
    EXPECT_EQ(GenerateThumbnail(png.c_str(), 96, 96, nullptr), 0);
}

TEST(GenerateThumbnail, ASmallPictureKeepsItsOwnSizeAndPixels) {
    const std::string png =
        WriteTemp("small.png", thumbtest::EncodePng(60, 40, PNG_COLOR_TYPE_RGB, 8,
                                                    [](int x, int) { return Halves(x, 60); }));
    const thumbtest::Thumbnail thumbnail = Generate(png, 96, 96);
    ASSERT_EQ(thumbnail.result, 1);
    EXPECT_EQ(thumbnail.width, 60);
    EXPECT_EQ(thumbnail.height, 40);
    EXPECT_EQ(thumbnail.At(0, 0), 0xFF0000u);
    EXPECT_EQ(thumbnail.At(29, 39), 0xFF0000u);
    EXPECT_EQ(thumbnail.At(30, 0), 0x0000FFu);
    EXPECT_EQ(thumbnail.At(59, 39), 0x0000FFu);
}

TEST(GenerateThumbnail, ALargePictureIsFittedIntoTheBox) {
    const std::string png =
        WriteTemp("large.png", thumbtest::EncodePng(400, 300, PNG_COLOR_TYPE_RGB, 8,
                                                    [](int x, int) { return Halves(x, 400); }));
    const thumbtest::Thumbnail thumbnail = Generate(png, 100, 100);
    ASSERT_EQ(thumbnail.result, 1);
    EXPECT_EQ(thumbnail.width, 100);
    EXPECT_EQ(thumbnail.height, 75);
    EXPECT_EQ(thumbnail.At(10, 40), 0xFF0000u);
    EXPECT_EQ(thumbnail.At(90, 40), 0x0000FFu);
}

TEST(GenerateThumbnail, UpperCaseJpegExtensionsTakeTheJpegRoute) {
    const std::string jpeg =
        thumbtest::EncodeJpeg(64, 32, 3, [](int x, int) { return Halves(x, 64); });
    const thumbtest::Thumbnail thumbnail = Generate(WriteTemp("Photo.JPG", jpeg), 32, 32);
    ASSERT_EQ(thumbnail.result, 1);
    EXPECT_EQ(thumbnail.width, 32);
    EXPECT_EQ(thumbnail.height, 16);
    EXPECT_TRUE(thumbtest::Near(thumbnail.At(2, 8), 0xFF0000, 40));
    EXPECT_TRUE(thumbtest::Near(thumbnail.At(29, 8), 0x0000FF, 40));
}

TEST(GenerateThumbnail, OnlyTheLastExtensionCounts) {
    const std::string gif = thumbtest::EncodeGif(
        8, 4, {0x00FF00, 0xFFFFFF},
        {thumbtest::GifImage{0, 0, 8, 4, false, std::vector<std::uint8_t>(32, 0), {}}});
    const thumbtest::Thumbnail thumbnail = Generate(WriteTemp("scan.tar.gif", gif), 96, 96);
    ASSERT_EQ(thumbnail.result, 1);
    EXPECT_EQ(thumbnail.At(3, 2), 0x00FF00u);
}

TEST(GenerateThumbnail, AGifTheLoaderRefusesIsStillDecoded) {
    // The platform's reader takes only the two known versions; giflib reads
    // any file that starts with "GIF".
    std::string gif = thumbtest::EncodeGif(
        4, 2, {0x000000, 0x3366CC},
        {thumbtest::GifImage{0, 0, 4, 2, false, std::vector<std::uint8_t>(8, 1), {}}});
    gif.replace(3, 3, "90a");
    const thumbtest::Thumbnail thumbnail = Generate(WriteTemp("future.gif", gif), 96, 96);
    ASSERT_EQ(thumbnail.result, 1);
    EXPECT_EQ(thumbnail.width, 4);
    EXPECT_EQ(thumbnail.At(1, 1), 0x3366CCu);
}

TEST(GenerateThumbnail, AGifScreenLargerThanItsFirstImageIsFittedWhole) {
    // A blue 2100 x 100 screen whose one image, 50 x 50 of red (two entries
    // of the same red, mixed), lies at its top left. The loader's size() of
    // so wide a screen is the image's width.
    thumbtest::GifImage image{0, 0, 50, 50, false, {}, {}};
    for (int i = 0; i < 2500; ++i)
        image.indices.push_back(static_cast<std::uint8_t>(1 + (i * 7 + i / 50) % 2));
    const std::string gif =
        thumbtest::EncodeGif(2100, 100, {0x0000FF, 0xFF0000, 0xFF0000, 0x00FF00}, {image});
    const thumbtest::Thumbnail thumbnail = Generate(WriteTemp("screen.gif", gif), 420, 420);
    ASSERT_EQ(thumbnail.result, 1);
    EXPECT_EQ(QSize(thumbnail.width, thumbnail.height), QSize(420, 20));
    EXPECT_TRUE(thumbtest::Near(thumbnail.At(3, 3), 0xFF0000, 8));
    EXPECT_FALSE(thumbtest::Near(thumbnail.At(300, 15), 0xFF0000, 8));
    // A screen wider than the largest picture is refused before it is read
    // (and by the GIF decoder after the loader).
    const std::string wide = thumbtest::EncodeGif(
        20000, 1, {0x0000FF, 0xFF0000},
        {thumbtest::GifImage{0, 0, 10, 1, false, std::vector<std::uint8_t>(10, 1), {}}});
    const auto traces = CaptureTraces(
        [&] { EXPECT_EQ(Generate(WriteTemp("wide.gif", wide), 100, 100).result, 0); });
    EXPECT_EQ(traces, std::vector<std::string>{TraceLine(140)});
}

TEST(GenerateThumbnail, JpegFilesTheLoaderRefusesGoThroughLibjpeg) {
    // A four-component picture is read by the direct decoding; scaled
    // decoding keeps the fitted size exact.
    const std::string jpeg =
        thumbtest::ReadFileBytes(std::string(ZEMBROLT_TESTDATA) + "/jpeg/pil_sample_cmyk.jpg");
    const JpegPixels full = JpegFileToRGB(WriteTemp("cmyk.jpg", jpeg).c_str());
    ASSERT_EQ(full.width, 100);
    ASSERT_EQ(full.height, 100);
    const std::string big =
        thumbtest::EncodeJpeg(800, 600, 3, [](int x, int) { return Halves(x, 800); });
    const JpegPixels scaled = JpegFileToRGB(WriteTemp("big.jpg", big).c_str(), QSize(100, 100));
    EXPECT_EQ(scaled.fullWidth, 800);
    EXPECT_EQ(scaled.width, 100);  // 1/8 still covers 100 x 75
    EXPECT_EQ(scaled.height, 75);
    EXPECT_NEAR(scaled.rgb[3 * (40 * 100 + 10)], 255, 40);
    EXPECT_NEAR(scaled.rgb[3 * (40 * 100 + 90) + 2], 255, 40);
    EXPECT_FALSE(JpegFileToRGB(WriteTemp("bad.jpg", "not a jpeg").c_str()).decoded);
}

TEST(GenerateThumbnail, IconsAndBitmapsGoThroughThePictureLoader) {
    const std::string data = ZEMBROLT_TESTDATA;
    const thumbtest::Thumbnail icon = Generate(data + "/ico/pillow.ico", 64, 64);
    ASSERT_EQ(icon.result, 1);
    EXPECT_EQ(icon.width, 64);
    const thumbtest::Thumbnail bitmap = Generate(data + "/bmp/pal8topdown.bmp", 256, 256);
    ASSERT_EQ(bitmap.result, 1);
    EXPECT_EQ(bitmap.height, 64);
    // A PNG named .bmp is no format of the picture loader.
    const std::string png =
        thumbtest::EncodePng(4, 4, PNG_COLOR_TYPE_RGB, 8, [](int, int) { return 0u; });
    auto traces =
        CaptureTraces([&] { EXPECT_EQ(Generate(WriteTemp("fake.bmp", png), 8, 8).result, 0); });
    EXPECT_EQ(traces, std::vector<std::string>{TraceLine(140)});
}

TEST(ThumbnailLibrary, LoadsTheLibraryByNameAndRetriesAFailedLoad) {
    const std::string folder = zbtest::MakeTempDir("program");
    const std::string png = WriteTemp(
        "p.png",
        thumbtest::EncodePng(8, 8, PNG_COLOR_TYPE_RGB, 8, [](int, int) { return 0x00FF00u; }));
    zb::CThumbnailLibrary library(folder);
    HBITMAP bitmap = nullptr;
    EXPECT_EQ(library.GenerateThumbnail(png, 96, 96, &bitmap), 0);
    EXPECT_FALSE(library.IsLoaded());
    std::filesystem::create_symlink(ZEMBROLT_THUMB_LIBRARY,
                                    folder + "/" + zb::kThumbnailLibraryName);
    ASSERT_EQ(library.GenerateThumbnail(png, 96, 96, &bitmap), 1);
    EXPECT_TRUE(library.IsLoaded());
    CBitmap picture;
    picture.Attach(bitmap);
    EXPECT_EQ(picture.Width(), 8);
    EXPECT_EQ(picture.Row(7)[7] & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(library.GenerateThumbnail("/no/such.png", 96, 96, &bitmap), 0);
    EXPECT_EQ(bitmap, nullptr);
}

// The names of the dynamic symbols `library` defines, as `nm -D
// --defined-only` lists them; none when nm cannot be run.
std::optional<std::vector<std::string>> DefinedDynamicSymbols(const std::string& library) {
    const std::string command = "nm -D --defined-only '" + library + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return std::nullopt;
    std::string listing;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0;)
        listing.append(buffer, n);
    const int status = pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    std::vector<std::string> names;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        // "<value> <type> <name>"
        const std::size_t space = line.rfind(' ');
        if (space != std::string::npos)
            names.push_back(line.substr(space + 1));
    }
    return names;
}

TEST(ThumbnailLibrary, ExportsItsOneFunctionAlone) {
    const auto symbols = DefinedDynamicSymbols(ZEMBROLT_THUMB_LIBRARY);
    if (!symbols)
        GTEST_SKIP() << "nm cannot be run";
    EXPECT_EQ(*symbols, std::vector<std::string>{zb::kGenerateThumbnailExport});
}

}  // namespace
