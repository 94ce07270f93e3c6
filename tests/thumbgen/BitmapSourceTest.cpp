// Bitmaps, the exception and the data sources of the thumbnail library.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "ThumbGenerator/ImageBitmap.h"
#include "ThumbGenerator/ImageSource.h"
#include "ThumbGenerator/PGMDecoder.h"
#include "ThumbGenerator/TextException.h"
#include "ThumbTestSupport.h"
#include "support/TempHome.h"

namespace {

int CreateFailure(CImageBitmap& bitmap, int width, int height, int bpp) {
    try {
        bitmap.Create(width, height, bpp, false);
    } catch (const CTextException& e) {
        if (e.GetCode() == kErrOutOfMemory) {
            EXPECT_STREQ(e.GetText(), "Out of memory creating bitmap.");
        }
        return e.GetCode();
    }
    return 0;
}

TEST(ImageBitmap, BytesPerLineFollowTheBitmapLayout) {
    EXPECT_EQ(CImageBitmap::BytesPerLine(9, 1), 4);
    EXPECT_EQ(CImageBitmap::BytesPerLine(5, 8), 8);
    EXPECT_EQ(CImageBitmap::BytesPerLine(3, 32), 12);
    EXPECT_EQ(CImageBitmap::BytesPerLine(32, 1), 4);
    CDrawDibBitmap bitmap;
    bitmap.Create(9, 2, 1, false);
    EXPECT_EQ(bitmap.GetBytesPerLine(), 4);
    EXPECT_EQ(bitmap.GetLineArray()[1] - bitmap.GetLineArray()[0], 4);
}

TEST(ImageBitmap, NewBitmapsHaveTheGreyRamp) {
    CDrawDibBitmap bitmap;
    EXPECT_EQ(bitmap.GetWidth(), 16);
    EXPECT_EQ(bitmap.GetBitsPerPixel(), 8);
    bitmap.Create(2, 2, 8, false);
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD& entry = bitmap.GetPalette()[i];
        ASSERT_EQ(entry.rgbRed, i);
        ASSERT_EQ(entry.rgbGreen, i);
        ASSERT_EQ(entry.rgbBlue, i);
        ASSERT_EQ(entry.rgbReserved, 255);
    }
    bitmap.Create(9, 1, 1, false);
    EXPECT_EQ(bitmap.GetPalette()[0].rgbRed, 0);
    EXPECT_EQ(bitmap.GetPalette()[1].rgbRed, 255);
    bitmap.Create(4, 4, 32, true);
    EXPECT_EQ(bitmap.GetPalette(), nullptr);
    EXPECT_TRUE(bitmap.HasAlpha());
}

TEST(ImageBitmap, SizesOutsideTheLimitsAreRefusedWithCode10) {
    CDrawDibBitmap bitmap;
    EXPECT_EQ(CreateFailure(bitmap, 16385, 1, 8), kErrOutOfMemory);
    EXPECT_EQ(CreateFailure(bitmap, 1, 16385, 8), kErrOutOfMemory);
    EXPECT_EQ(CreateFailure(bitmap, 12000, 12000, 8), kErrOutOfMemory);  // over 128 megapixels
    EXPECT_EQ(CreateFailure(bitmap, 0, 5, 8), kErrOutOfMemory);
    EXPECT_EQ(CreateFailure(bitmap, 5, -1, 8), kErrOutOfMemory);
    EXPECT_EQ(CreateFailure(bitmap, 5, 5, 24), kErrUnsupported);
    EXPECT_EQ(CreateFailure(bitmap, 16384, 2, 8), 0);
}

TEST(ImageBitmap, PackedRowsAreStoredBottomUp) {
    CPackedDIBBitmap bitmap;
    bitmap.Create(3, 2, 8, false);
    bitmap.GetLineArray()[0][0] = 0xAB;  // the top row
    const BITMAPINFOHEADER& header = bitmap.GetHeader();
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biWidth, 3);
    EXPECT_EQ(header.biHeight, 2);
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, 8);
    EXPECT_EQ(bitmap.GetBits()[bitmap.GetBytesPerLine()], 0xAB);  // the last row in memory
    EXPECT_GE(bitmap.GetMemUsed(), 40u + 1024u + 8u);
}

class RecordingNotifier : public CProgressNotifier {
public:
    void OnProgress(double fraction) override { fractions.push_back(fraction); }
    std::vector<double> fractions;
};

TEST(ImageSource, ReadingExactlyToTheEndIsAllowedOneByteMoreIsCode11) {
    const std::string bytes(3000, 'x');
    RecordingNotifier notifier;
    CMemorySource source(&notifier);
    source.Open("memory", reinterpret_cast<const BYTE*>(bytes.data()), bytes.size());
    source.ReadNBytes(1000);
    source.ReadNBytes(100);
    source.ReadNBytes(1900);
    EXPECT_EQ(source.GetBytesLeft(), 0u);
    EXPECT_EQ(source.GetBufferPtr(1), nullptr);  // a peek at the end is safe
    try {
        source.ReadNBytes(1);
        FAIL();
    } catch (const CTextException& e) {
        EXPECT_EQ(e.GetCode(), kErrEndOfData);
        EXPECT_STREQ(e.GetText(), "End of file reached while decoding.\n");
    }
    source.Close();
    // Told when the count crosses a multiple of 1024, and at the close.
    ASSERT_EQ(notifier.fractions.size(), 3u);
    EXPECT_DOUBLE_EQ(notifier.fractions[0], 1100.0 / 3000.0);
    EXPECT_DOUBLE_EQ(notifier.fractions[1], 1.0);
    EXPECT_DOUBLE_EQ(notifier.fractions[2], 1.0);
}

int OpenCode(const std::string& path) {
    CMappedFileSource source;
    return source.Open(path);
}

TEST(ImageSource, OpenFailuresGiveTheirCodes) {
    const std::string folder = zbtest::MakeTempDir("open");
    EXPECT_EQ(OpenCode(folder + "/missing/picture.pgm"), kErrPathNotFound);
    EXPECT_EQ(OpenCode(folder + "/picture.pgm"), kErrFileNotFound);
    EXPECT_EQ(OpenCode(zbtest::WriteFile(folder + "/empty.pgm", "")), kErrAccessDenied);
    EXPECT_EQ(OpenCode(folder), kErrFileNotFound);
    const std::string file = zbtest::WriteFile(folder + "/locked.pgm", "P5 1 1 255\n\x01");
    EXPECT_EQ(OpenCode(file), 0);
    if (geteuid() != 0) {
        chmod(file.c_str(), 0);
        EXPECT_EQ(OpenCode(file), kErrAccessDenied);
    }
}

TEST(ImageDecoder, AnOpenFailureBecomesADecoderError) {
    const std::string path = zbtest::MakeTempDir("open") + "/missing.pgm";
    CPGMDecoder decoder;
    CDrawDibBitmap bitmap;
    try {
        decoder.DecodeFile(path, bitmap, 0, nullptr);
        FAIL();
    } catch (const CTextException& e) {
        EXPECT_EQ(e.GetCode(), kErrFileNotFound);
        EXPECT_EQ(std::string(e.GetText()), "Decoder error: Opening " + path + " failed\n");
    }
}

TEST(ImageDecoder, TheTraceFileReceivesTheDecodersStart) {
    const std::string trace = zbtest::MakeTempDir("trace") + "/decoders.log";
    SetDecoderTrace(2, trace);
    CPGMDecoder decoder;
    thumbtest::Decoded result;
    thumbtest::DecodeBytes(decoder, "P5 1 1 255\n\x07", result);
    SetDecoderTrace(0, "");
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(thumbtest::ReadFileBytes(trace), "Decoding PGM.\n");
}

}  // namespace
