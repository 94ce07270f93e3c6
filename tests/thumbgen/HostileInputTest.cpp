// Every decoder against truncated and bit-flipped copies of real and made
// files: each copy gives a picture or a CTextException, never a crash, a hang
// or a read outside the data (the sanitizer build checks the last).
#include <gtest/gtest.h>

#include <png.h>
#include <tiffio.h>

#include <filesystem>
#include <memory>

#include "ThumbGenerator/GIFDecoder.h"
#include "ThumbGenerator/JPEGDecoder.h"
#include "ThumbGenerator/MetafileDecoder.h"
#include "ThumbGenerator/PCXDecoder.h"
#include "ThumbGenerator/PGMDecoder.h"
#include "ThumbGenerator/PICTDecoder.h"
#include "ThumbGenerator/PNGDecoder.h"
#include "ThumbGenerator/TGADecoder.h"
#include "ThumbGenerator/TIFFDecoder.h"
#include "ThumbGenerator/ThumbGenerator.h"
#include "ThumbTestSupport.h"

namespace {

// Largest sample file swept (the larger ones take long under the sanitizers).
constexpr std::uintmax_t kMaxSweptFile = 64 * 1024;
constexpr int kFlipsPerFile = 96;
constexpr std::size_t kPrefixesPerFile = 96;

struct DecoderSet {
    CJPEGDecoder jpeg;
    CPICTDecoder pict{&jpeg};
    CPGMDecoder pgm;
    CTGADecoder tga;
    CPCXDecoder pcx;
    CMetafileDecoder metafile;
    CPNGDecoder png;
    CGIFDecoder gif;
    CTIFFDecoder tiff;

    CImageDecoder& For(const std::string& extension) {
        if (extension == "pict" || extension == "pct")
            return pict;
        if (extension == "pgm")
            return pgm;
        if (extension == "tga")
            return tga;
        if (extension == "pcx")
            return pcx;
        if (extension == "wmf" || extension == "emf")
            return metafile;
        if (extension == "png")
            return png;
        if (extension == "gif")
            return gif;
        if (extension == "tif" || extension == "tiff")
            return tiff;
        return jpeg;
    }
};

// A small deterministic generator, so a failing copy can be made again.
class XorShift {
public:
    explicit XorShift(std::uint64_t seed) : m_state(seed | 1) {}
    std::uint64_t Next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return m_state;
    }

private:
    std::uint64_t m_state;
};

// Decodes every damaged copy of `bytes`; returns how many gave a picture.
int Sweep(DecoderSet& decoders, const std::string& extension, const std::string& bytes) {
    CImageDecoder& decoder = decoders.For(extension);
    const std::string name = "sweep." + extension;
    int pictures = 0;
    const auto run = [&](const std::string& copy) {
        thumbtest::Decoded result;
        thumbtest::DecodeBytes(decoder, copy, result, name);
        if (result.code == 0) {
            ++pictures;
            EXPECT_GT(result.bitmap.GetWidth(), 0);
        }
    };
    run(bytes);
    const std::size_t step = std::max<std::size_t>(1, bytes.size() / kPrefixesPerFile);
    for (std::size_t length = 0; length < bytes.size(); length += step)
        run(bytes.substr(0, length));
    XorShift random(std::hash<std::string>()(bytes));
    for (int i = 0; i < kFlipsPerFile && !bytes.empty(); ++i) {
        std::string copy = bytes;
        const int flips = 1 + static_cast<int>(random.Next() % 4);
        for (int f = 0; f < flips; ++f)
            copy[random.Next() % copy.size()] ^= static_cast<char>(1 << (random.Next() % 8));
        run(copy);
    }
    return pictures;
}

std::string Extension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    if (!extension.empty())
        extension.erase(0, 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

TEST(HostileInput, SampleFilesOfEveryDecoder) {
    DecoderSet decoders;
    int files = 0;
    for (const char* folder :
         {"pgm", "tga", "pcx", "pict", "wmf", "emf", "png", "gif", "tiff", "jpeg"}) {
        for (const auto& entry :
             std::filesystem::directory_iterator(std::string(ZEMBROLT_TESTDATA) + "/" + folder)) {
            if (entry.file_size() > kMaxSweptFile)
                continue;
            SCOPED_TRACE(entry.path().string());
            Sweep(decoders, Extension(entry.path()),
                  thumbtest::ReadFileBytes(entry.path().string()));
            ++files;
        }
    }
    EXPECT_GT(files, 60);
}

TEST(HostileInput, MadeFilesOfEveryDecoder) {
    DecoderSet decoders;
    const auto gradient = [](int x, int y) {
        return static_cast<std::uint32_t>((x * 16) << 16 | (y * 16) << 8 | 0x40);
    };
    std::vector<std::uint8_t> palette(16 * 8);
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] = static_cast<std::uint8_t>(i * 37);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"png", thumbtest::EncodePng(16, 16, PNG_COLOR_TYPE_RGB_ALPHA, 8, gradient, 0x80)},
        {"png",
         thumbtest::EncodePng(16, 16, PNG_COLOR_TYPE_GRAY, 4, [](int x, int) { return x % 16u; })},
        {"jpeg", thumbtest::EncodeJpeg(24, 24, 3, gradient, true)},
        {"gif", thumbtest::EncodeGif(
                    16, 16, {0, 0xFFFFFF, 0xFF0000},
                    {thumbtest::GifImage{2, 2, 8, 8, true, std::vector<std::uint8_t>(64, 2), {}}})},
        {"tiff", thumbtest::EncodeTiff(16, 8, 4, 1, PHOTOMETRIC_MINISBLACK, palette)},
        {"pgm", "P2 3 2 7 0 1 2 3 4 5 6"},
        {"pcx", thumbtest::ReadFileBytes(std::string(ZEMBROLT_TESTDATA) + "/pcx/p_4_planes.pcx")},
    };
    for (const auto& [extension, bytes] : files) {
        SCOPED_TRACE(extension);
        EXPECT_GT(Sweep(decoders, extension, bytes), 0);
    }
}

TEST(HostileInput, TheDirectJpegDecodingOfDamagedFiles) {
    const std::string jpeg = thumbtest::EncodeJpeg(40, 30, 3, [](int x, int) { return x * 6u; });
    XorShift random(7);
    for (int i = 0; i < 48; ++i) {
        std::string copy = jpeg.substr(0, i % 2 == 0 ? jpeg.size() : random.Next() % jpeg.size());
        copy[random.Next() % copy.size()] ^= static_cast<char>(random.Next());
        const std::string path = thumbtest::WriteTemp("damaged.jpg", copy);
        const JpegPixels pixels = JpegFileToRGB(path.c_str(), QSize(16, 16));
        if (pixels.decoded) {
            EXPECT_EQ(pixels.rgb.size(),
                      static_cast<std::size_t>(pixels.width) * pixels.height * 3);
        }
        thumbtest::Generate(path, 16, 16);
    }
}

}  // namespace
