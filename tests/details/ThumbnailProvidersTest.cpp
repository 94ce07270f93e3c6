#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "details/ProviderTestSupport.h"
#include "platform/Avi.h"
#include "readers/details/AviFile.h"
#include "readers/details/AviThumbnailProvider.h"
#include "readers/details/ImageThumbnailProvider.h"
#include "readers/details/MaxThumbnailProvider.h"
#include "readers/details/ProviderRegistry.h"
#include "readers/details/PsdImage.h"
#include "readers/details/PsdThumbnailProvider.h"
#include "support/CompoundFileWriter.h"
#include "support/PsdWriter.h"
#include "support/RiffWriter.h"
#include "support/TempHome.h"

namespace {

using zbtest::Bytes;
using zbtest::Chunk;
using zbtest::DiskItem;
using zbtest::List;
using zbtest::Rgb;

const std::string kData = std::string(ZEMBROLT_TESTDATA) + "/";

// The largest difference of one colour between two pixels.
int ColourDistance(std::uint32_t a, std::uint32_t b) {
    int largest = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int difference =
            static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        largest = std::max(largest, std::abs(difference));
    }
    return largest;
}

// A 24-bit bitmap file whose top half is red and bottom half blue.
Bytes TwoColourBmp(int width, int height) {
    const int stride = (width * 3 + 3) & ~3;
    Bytes out = zbtest::ToBytes("BM");
    zbtest::PutLe32(out, static_cast<std::uint32_t>(54 + stride * height));
    zbtest::PutLe32(out, 0);
    zbtest::PutLe32(out, 54);
    zbtest::PutBytes(out, zbtest::BitmapFormat(width, height, 24, ""));
    for (int row = 0; row < height; ++row) {  // bottom-up
        Bytes line;
        for (int x = 0; x < width; ++x) {
            const bool bottom = row < height / 2;
            line.insert(line.end(), {static_cast<std::uint8_t>(bottom ? 255 : 0), 0,
                                     static_cast<std::uint8_t>(bottom ? 0 : 255)});
        }
        line.resize(static_cast<std::size_t>(stride), 0);
        zbtest::PutBytes(out, line);
    }
    return out;
}

struct ClipStreams {
    Bytes videoFormat;
    std::vector<Bytes> frames;  // "00db" chunks of the video stream
    bool audio = false;
    bool video = true;
};

Bytes Clip(const ClipStreams& streams) {
    std::vector<Bytes> headers = {Chunk("avih", Bytes(56, 0))};
    std::vector<Bytes> movi;
    int index = 0;
    if (streams.video) {
        headers.push_back(
            List("strl", {Chunk("strh", zbtest::StreamHeader("vids", "DIB ", 1, 25, 0, 10)),
                          Chunk("strf", streams.videoFormat)}));
        for (const Bytes& frame : streams.frames)
            movi.push_back(Chunk("00db", frame));
        ++index;
    }
    if (streams.audio) {
        headers.push_back(
            List("strl", {Chunk("strh", zbtest::StreamHeader("auds", "", 1, 22050, 2, 22050)),
                          Chunk("strf", zbtest::WaveFormatBytes(1, 2, 22050, 16))}));
        movi.insert(movi.begin(), Chunk(index == 0 ? "00wb" : "01wb", Bytes(16, 0)));
    }
    return List("AVI ", {List("hdrl", headers), List("movi", movi)}, "RIFF");
}

// A raw frame of 24-bit pixels, bottom-up rows padded to 4 bytes.
Bytes RawFrame(int width, int height, std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    const int stride = (width * 3 + 3) & ~3;
    Bytes frame;
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x)
            frame.insert(frame.end(), {blue, green, red});
        frame.resize(static_cast<std::size_t>(stride * (row + 1)), 0);
    }
    return frame;
}

class ThumbnailProvidersTest : public ::testing::Test {
protected:
    void SetUp() override { m_dir = zbtest::MakeTempDir("thumbs"); }
    std::string Write(const std::string& name, const Bytes& bytes) {
        return zbtest::WriteFile(m_dir + "/" + name, zbtest::ToString(bytes));
    }
    // The picture `maker` makes of `path` in `box`; empty when it makes none.
    static CBitmap Make(CThumbnailProvider& maker, const std::string& path, SIZE box) {
        CBitmap bitmap(2, 2);
        if (!maker.MakeThumbnail(DiskItem(path), &bitmap, box)) {
            EXPECT_TRUE(bitmap.IsEmpty()) << path;
        }
        return bitmap;
    }

    std::string m_dir;
};

TEST_F(ThumbnailProvidersTest, RegistryHoldsTheFourMakersInOrder) {
    CThumbnailProviderList makers;
    ASSERT_EQ(CreateThumbnailProviders(makers), 4);
    EXPECT_NE(dynamic_cast<CImageThumbnailProvider*>(makers[0].get()), nullptr);
    EXPECT_EQ(
        makers[0]->GetExtensions(),
        (std::vector<std::string>{"jpg", "gif", "png", "bmp", "dib", "rle", "jpeg", "tif", "tiff",
                                  "pic", "pict", "pct", "pcx", "wmf", "emf", "tga", "pgm"}));
    EXPECT_EQ(makers[1]->GetExtensions(), std::vector<std::string>{"avi"});
    EXPECT_EQ(makers[2]->GetExtensions(), std::vector<std::string>{"max"});
    EXPECT_EQ(makers[3]->GetExtensions(), std::vector<std::string>{"psd"});
    EXPECT_EQ(FindThumbnailProvider(makers, "Photo.JPEG"), makers[0].get());
}

TEST_F(ThumbnailProvidersTest, ImagesGoThroughTheThumbnailLibrary) {
    CImageThumbnailProvider maker(ZEMBROLT_THUMB_LIBRARY_DIR);
    maker.InitExtensions();
    const CBitmap picture = Make(maker, Write("two.bmp", TwoColourBmp(40, 20)), SIZE{20, 20});
    ASSERT_EQ(picture.Width(), 20);
    ASSERT_EQ(picture.Height(), 10);
    EXPECT_EQ(Rgb(picture, 10, 1), 0xFF0000u);  // the top half is red
    EXPECT_EQ(Rgb(picture, 10, 8), 0x0000FFu);
    EXPECT_TRUE(maker.IsLibraryLoaded());

    // Real samples of the library's formats; a picture smaller than the box
    // keeps its size.
    for (const char* sample : {"png/basn3p08.png", "jpeg/hopper.jpg", "gif/porsche.gif",
                               "tiff/hopper_lzw.tif", "pcx/pil184.pcx", "tga/la.tga",
                               "pgm/hopper_8bit.pgm", "pict/mire32.pict", "wmf/grid.wmf"}) {
        const CBitmap bitmap = Make(maker, kData + sample, SIZE{96, 64});
        EXPECT_FALSE(bitmap.IsEmpty()) << sample;
        EXPECT_LE(bitmap.Width(), 96) << sample;
        EXPECT_LE(bitmap.Height(), 64) << sample;
    }
    EXPECT_EQ(Make(maker, kData + "png/basn3p08.png", SIZE{128, 128}).Width(), 32);
    EXPECT_TRUE(Make(maker, kData + "png/malformed_badcrc.png", SIZE{96, 64}).IsEmpty());

    CProviderItem member = DiskItem(kData + "png/basn3p08.png");
    member.m_bInArchive = TRUE;
    CBitmap bitmap;
    EXPECT_FALSE(maker.MakeThumbnail(member, &bitmap, SIZE{96, 64}));
    member = DiskItem(kData + "png");
    member.m_bFolder = TRUE;
    EXPECT_FALSE(maker.MakeThumbnail(member, &bitmap, SIZE{96, 64}));
}

TEST_F(ThumbnailProvidersTest, AMissingLibraryIsLookedForAgainAtEachRequest) {
    const std::string folder = zbtest::MakeTempDir("library");
    CImageThumbnailProvider maker(folder);
    maker.InitExtensions();
    const std::string bmp = Write("two.bmp", TwoColourBmp(8, 8));
    EXPECT_TRUE(Make(maker, bmp, SIZE{8, 8}).IsEmpty());
    EXPECT_FALSE(maker.IsLibraryLoaded());
    std::filesystem::copy_file(std::string(ZEMBROLT_THUMB_LIBRARY_DIR) + "/libzbthumb.so",
                               folder + "/libzbthumb.so");
    EXPECT_EQ(Rgb(Make(maker, bmp, SIZE{8, 8}), 0, 0), 0xFF0000u);
}

TEST_F(ThumbnailProvidersTest, ClipsShowTheirFirstFrame) {
    CAviThumbnailProvider maker;
    maker.InitExtensions();
    // 320 x 240 raw red, fitted into 128 x 128: 128 x 96, red.
    ClipStreams red{zbtest::BitmapFormat(320, 240, 24, ""),
                    {RawFrame(320, 240, 0, 0, 255), RawFrame(320, 240, 255, 0, 0)}};
    CBitmap picture = Make(maker, Write("red.avi", Clip(red)), SIZE{128, 128});
    ASSERT_EQ(picture.Width(), 128);
    ASSERT_EQ(picture.Height(), 96);
    EXPECT_EQ(Rgb(picture, 0, 0), 0xFF0000u);
    EXPECT_EQ(Rgb(picture, 127, 95), 0xFF0000u);

    // Rows are bottom-up unless the height is negative; a clip with audio
    // (before the video frames) works the same.
    Bytes frame = RawFrame(4, 2, 0, 0, 0);
    frame[0] = 0xFF;  // the first stored row is blue
    ClipStreams rows{zbtest::BitmapFormat(4, 2, 24, ""), {frame}};
    rows.audio = true;
    picture = Make(maker, Write("rows.avi", Clip(rows)), SIZE{4, 4});
    ASSERT_EQ(picture.Height(), 2);
    EXPECT_EQ(Rgb(picture, 0, 1), 0x0000FFu);
    EXPECT_EQ(Rgb(picture, 0, 0), 0u);
    rows.videoFormat = zbtest::BitmapFormat(4, -2, 24, "");
    picture = Make(maker, Write("topdown.avi", Clip(rows)), SIZE{4, 4});
    ASSERT_EQ(picture.Height(), 2);
    EXPECT_EQ(Rgb(picture, 0, 0), 0x0000FFu);

    // An 8-bit frame takes its colours from the palette after the header.
    ClipStreams palette{zbtest::BitmapFormat(4, 4, 8, ""), {Bytes(16, 1)}};
    for (std::uint32_t colour : {0x000000u, 0x00336699u})
        zbtest::PutLe32(palette.videoFormat, colour);
    picture = Make(maker, Write("palette.avi", Clip(palette)), SIZE{4, 4});
    ASSERT_FALSE(picture.IsEmpty());
    EXPECT_EQ(Rgb(picture, 2, 2), 0x336699u);
}

TEST_F(ThumbnailProvidersTest, ClipsWithoutADecodableFrameGiveNoThumbnail) {
    CAviThumbnailProvider maker;
    maker.InitExtensions();
    ClipStreams clip{zbtest::BitmapFormat(16, 16, 24, ""), {}};
    EXPECT_TRUE(Make(maker, Write("empty.avi", Clip(clip)), SIZE{64, 64}).IsEmpty());
    clip.frames = {Bytes(64, 0x55)};
    clip.videoFormat = zbtest::BitmapFormat(16, 16, 24, "MJPG");
    // The decoder's complaints stay out of the program's error output.
    testing::internal::CaptureStderr();
    EXPECT_TRUE(Make(maker, Write("garbage.avi", Clip(clip)), SIZE{64, 64}).IsEmpty());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    clip.videoFormat = zbtest::BitmapFormat(16, 16, 24, "ZQ9X");
    EXPECT_TRUE(Make(maker, Write("unknown.avi", Clip(clip)), SIZE{64, 64}).IsEmpty());
    clip.video = false;
    clip.audio = true;
    EXPECT_TRUE(Make(maker, Write("sound.avi", Clip(clip)), SIZE{64, 64}).IsEmpty());
    clip = ClipStreams{zbtest::BitmapFormat(0, 16, 24, ""), {RawFrame(1, 16, 0, 0, 0)}};
    EXPECT_TRUE(Make(maker, Write("zero.avi", Clip(clip)), SIZE{64, 64}).IsEmpty());
    clip = ClipStreams{zbtest::BitmapFormat(20000, 20000, 24, ""), {RawFrame(4, 4, 0, 0, 0)}};
    EXPECT_TRUE(Make(maker, Write("huge.avi", Clip(clip)), SIZE{64, 64}).IsEmpty());
    // The real samples: header-only clips and one without frames.
    EXPECT_TRUE(Make(maker, kData + "avi/Pentax.avi", SIZE{64, 64}).IsEmpty());
    EXPECT_TRUE(Make(maker, kData + "avi/AudioVideoInterleave.avi", SIZE{64, 64}).IsEmpty());
}

TEST_F(ThumbnailProvidersTest, AMotionJpegClipMatchesItsFrameDecodedAsAPicture) {
    CAviFile clip;
    ASSERT_TRUE(clip.Open(kData + "avi/test.avi"));
    EXPECT_EQ(clip.GetVideoHeader().biWidth, 32);
    EXPECT_EQ(clip.GetVideoHeader().biHeight, 24);
    EXPECT_EQ(clip.GetVideoInfo().fccType, zb::kStreamTypeVideo);
    EXPECT_EQ(clip.GetVideoEnd() - clip.GetVideoStart(), 20);
    ASSERT_TRUE(clip.HasAudio());
    EXPECT_EQ(clip.GetAudioHeader().nSamplesPerSec, 16000u);
    EXPECT_EQ(clip.GetAudioHeader().nChannels, 1u);

    CBitmap frame;
    ASSERT_TRUE(clip.DrawFrame(&frame, SIZE{32, 24}));
    // The same frame as a JPEG file, through the thumbnail library's decoders.
    zb::AviReader reader;
    zb::RiffChunk chunk;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(reader.Open(kData + "avi/test.avi"));
    ASSERT_TRUE(reader.FindFirstFrame(0, chunk));
    ASSERT_TRUE(reader.ReadChunk(chunk, 1 << 20, bytes));
    CImageThumbnailProvider pictures(ZEMBROLT_THUMB_LIBRARY_DIR);
    const CBitmap still = Make(pictures, Write("frame.jpg", bytes), SIZE{32, 24});
    ASSERT_EQ(still.Width(), 32);
    ASSERT_EQ(still.Height(), 24);
    int largest = 0;
    std::uint32_t first = Rgb(frame, 0, 0);
    bool uniform = true;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 32; ++x) {
            largest = std::max(largest, ColourDistance(Rgb(frame, x, y), Rgb(still, x, y)));
            uniform = uniform && Rgb(frame, x, y) == first;
        }
    }
    EXPECT_FALSE(uniform);
    EXPECT_LE(largest, 24);

    CAviThumbnailProvider maker;
    const CBitmap fitted = Make(maker, kData + "avi/test.avi", SIZE{16, 16});
    EXPECT_EQ(fitted.Width(), 16);
    EXPECT_EQ(fitted.Height(), 12);
    CProviderItem member = DiskItem(kData + "avi/test.avi");
    member.m_bInArchive = TRUE;
    CBitmap bitmap;
    EXPECT_FALSE(maker.MakeThumbnail(member, &bitmap, SIZE{16, 16}));
}

// A compound file whose summary information holds `blob` as its thumbnail.
Bytes MaxFile(const Bytes& blob, std::uint32_t property = 17) {
    const Bytes summary =
        zbtest::WritePropertySet({{zbtest::PropI2(1, 1252), zbtest::PropString(2, "Scene"),
                                   zbtest::PropClipboard(property, blob)}});
    return zbtest::WriteCompoundFile({{"\x05SummaryInformation", summary}});
}

// The thumbnail data: format tag, 6 bytes, width, height, then the pixels
// (here after a few bytes that are not pixels).
Bytes Blob(std::uint16_t width, std::uint16_t height, const Bytes& pixels) {
    Bytes blob = {0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0, 0, 0, 0, 0};
    zbtest::PutLe16(blob, width);
    zbtest::PutLe16(blob, height);
    blob.insert(blob.end(), {1, 2, 3, 4, 5});
    zbtest::PutBytes(blob, pixels);
    return blob;
}

TEST_F(ThumbnailProvidersTest, SummaryThumbnailsOfMaxFiles) {
    CMaxThumbnailProvider maker;
    maker.InitExtensions();
    // 3 x 2: the bottom row (stored first) blue, the top row green, no padding.
    Bytes pixels;
    for (int i = 0; i < 3; ++i)
        pixels.insert(pixels.end(), {255, 0, 0});
    for (int i = 0; i < 3; ++i)
        pixels.insert(pixels.end(), {0, 255, 0});
    const CBitmap picture =
        Make(maker, Write("scene.max", MaxFile(Blob(3, 2, pixels))), SIZE{8, 8});
    ASSERT_EQ(picture.Width(), 3);
    ASSERT_EQ(picture.Height(), 2);
    EXPECT_EQ(Rgb(picture, 2, 0), 0x00FF00u);
    EXPECT_EQ(Rgb(picture, 0, 1), 0x0000FFu);

    const CBitmap fitted =
        Make(maker, Write("large.max", MaxFile(Blob(200, 100, Bytes(60000, 0x80)))), SIZE{50, 50});
    EXPECT_EQ(fitted.Width(), 50);
    EXPECT_EQ(fitted.Height(), 25);
    EXPECT_EQ(Rgb(fitted, 20, 20), 0x808080u);

    // No thumbnail: a property other than 17, a blob shorter than its
    // picture, one too short to hold the size, an empty or huge size.
    EXPECT_TRUE(
        Make(maker, Write("p18.max", MaxFile(Blob(3, 2, pixels), 18)), SIZE{8, 8}).IsEmpty());
    const Bytes shorter(pixels.begin(), pixels.end() - 10);
    EXPECT_TRUE(
        Make(maker, Write("short.max", MaxFile(Blob(3, 4, shorter))), SIZE{8, 8}).IsEmpty());
    EXPECT_TRUE(Make(maker, Write("tiny.max", MaxFile(Bytes(13, 1))), SIZE{8, 8}).IsEmpty());
    EXPECT_TRUE(Make(maker, Write("zero.max", MaxFile(Blob(0, 2, pixels))), SIZE{8, 8}).IsEmpty());
    EXPECT_TRUE(
        Make(maker, Write("huge.max", MaxFile(Blob(65535, 65535, pixels))), SIZE{8, 8}).IsEmpty());
    EXPECT_TRUE(Make(maker, kData + "ole2/encrypted.ppt", SIZE{8, 8}).IsEmpty());
    EXPECT_TRUE(Make(maker, kData + "psd/hopper.psd", SIZE{8, 8}).IsEmpty());
    CProviderItem member = DiskItem(m_dir + "/scene.max");
    member.m_bInArchive = TRUE;
    CBitmap bitmap;
    EXPECT_FALSE(maker.MakeThumbnail(member, &bitmap, SIZE{8, 8}));
}

// Every prefix of a small file and every bit flipped: a picture no larger
// than the box or none, never a fault (the sanitizer build checks memory).
void Sweep(CThumbnailProvider& maker, const std::string& path, const Bytes& good) {
    const SIZE box{24, 24};
    const auto check = [&](const Bytes& bytes) {
        // A new file each time: rewriting one in place waits for the disk.
        std::filesystem::remove(path);
        zbtest::WriteFile(path, zbtest::ToString(bytes));
        CBitmap bitmap;
        if (maker.MakeThumbnail(DiskItem(path), &bitmap, box)) {
            ASSERT_LE(bitmap.Width(), box.cx);
            ASSERT_LE(bitmap.Height(), box.cy);
        }
    };
    for (std::size_t size = 0; size < good.size(); ++size)
        check(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)));
    for (std::size_t bit = 0; bit < good.size() * 8; bit += 3) {
        Bytes bytes = good;
        bytes[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
        check(bytes);
    }
}

TEST_F(ThumbnailProvidersTest, DamagedFilesNeverFault) {
    CAviThumbnailProvider clips;
    Bytes frame = RawFrame(6, 4, 1, 2, 3);
    ClipStreams raw{zbtest::BitmapFormat(6, 4, 24, ""), {frame}};
    raw.audio = true;
    Sweep(clips, m_dir + "/raw.avi", Clip(raw));
    ClipStreams palette{zbtest::BitmapFormat(4, 4, 8, ""), {Bytes(16, 1)}};
    zbtest::PutLe32(palette.videoFormat, 0x123456);
    Sweep(clips, m_dir + "/palette.avi", Clip(palette));

    CMaxThumbnailProvider max;
    Sweep(max, m_dir + "/scene.max", MaxFile(Blob(2, 2, Bytes(12, 9))));
    CPsdThumbnailProvider psd;
    zbtest::PsdSpec packed;
    packed.width = 6;
    packed.height = 4;
    packed.compression = 1;
    const Bytes plane = {1, 1, 1, 2, 3, 4, 5, 5, 5, 5, 6, 7, 8, 9, 9, 9, 9, 9, 9, 9, 0, 1, 2, 3};
    Sweep(psd, m_dir + "/packed.psd", zbtest::WritePsd(packed, {plane, plane, plane}));
    zbtest::PsdSpec deep;
    deep.mode = PSD_MODE_GRAYSCALE;
    deep.channels = 1;
    deep.depth = 16;
    deep.width = 3;
    deep.height = 2;
    Sweep(psd, m_dir + "/deep.psd", zbtest::WritePsd(deep, {Bytes(12, 0x70)}));
}

}  // namespace
