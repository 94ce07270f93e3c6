#include "platform/Avi.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/RiffWriter.h"

namespace {

using zb::AviReader;
using zb::FourCc;
using zb::RiffChunk;
using zb::RiffReader;
using zbtest::Bytes;
using zbtest::Chunk;
using zbtest::List;

const std::string kData = std::string(ZEMBROLT_TESTDATA);

bool OpenBytes(AviReader& avi, const Bytes& bytes) {
    return avi.Open(std::make_unique<zb::MemorySource>(bytes));
}

// The chunks at the top of a RIFF file: id and declared size.
std::vector<std::pair<std::string, std::uint32_t>> TopChunks(const std::string& path,
                                                             bool* complete = nullptr) {
    zb::FileSource source;
    EXPECT_TRUE(source.Open(path));
    RiffReader riff(source);
    RiffChunk form;
    std::vector<std::pair<std::string, std::uint32_t>> chunks;
    if (!riff.ReadForm(form)) {
        return chunks;
    }
    const bool done = riff.ForEachChunk(form, [&](const RiffChunk& chunk) {
        const std::uint32_t id = chunk.IsList() ? chunk.listType : chunk.id;
        chunks.emplace_back(std::string(reinterpret_cast<const char*>(&id), 4), chunk.size);
        return true;
    });
    if (complete != nullptr) {
        *complete = done;
    }
    return chunks;
}

using Chunks = std::vector<std::pair<std::string, std::uint32_t>>;

// Expected chunk lists and header values were checked with a reference tool
// and by hand against the bytes.
TEST(Riff, WalksTheChunksOfRealWaveFiles) {
    bool complete = false;
    EXPECT_EQ(
        TopChunks(kData + "/wav/wav_with_image.wav", &complete),
        (Chunks{{"fmt ", 16}, {"data", 17157}, {"ID3 ", 5692}}));  // odd data, then a pad byte
    EXPECT_TRUE(complete);
    EXPECT_EQ(TopChunks(kData + "/wav/silence-22khz-mono-1s.wav"),
              (Chunks{{"fmt ", 16}, {"PAD ", 4044}, {"data", 44064}}));
    EXPECT_EQ(TopChunks(kData + "/wav/24bit_pcm_extended.wav"),
              (Chunks{{"fmt ", 40}, {"INFO", 26}, {"data", 6144}}));
    EXPECT_TRUE(TopChunks(kData + "/wav/malformed_invalid_file.wav").empty());

    zb::FileSource source;
    ASSERT_TRUE(source.Open(kData + "/wav/24bit_pcm_extended.wav"));
    RiffReader riff(source);
    RiffChunk form;
    RiffChunk format;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(riff.ReadForm(form));
    EXPECT_EQ(form.listType, FourCc("WAVE"));
    ASSERT_TRUE(riff.FindChunk(form, FourCc("fmt "), 0, format));
    ASSERT_TRUE(riff.ReadData(format, 64 << 10, bytes));
    const WAVEFORMATEX wave = zb::ParseWaveFormat(bytes);
    EXPECT_EQ(wave.wFormatTag, 0xFFFE);
    EXPECT_EQ(wave.nChannels, 2);
    EXPECT_EQ(wave.nSamplesPerSec, 8000u);
    EXPECT_EQ(wave.nAvgBytesPerSec, 48000u);
    EXPECT_EQ(wave.wBitsPerSample, 24);
    EXPECT_EQ(wave.cbSize, 22);
}

TEST(Riff, HostileSizesOnlyMoveForwardAndEnd) {
    // 0xFFFFFFF8 would point back at the chunk's own header as a signed seek.
    Bytes bytes =
        List("WAVE", {Chunk("fmt ", Bytes(16, 1)), Chunk("junk", {}), Chunk("data", Bytes(4, 2))},
             "RIFF");
    zbtest::SetLe32(bytes, 12 + 24 + 4, 0xFFFFFFF8u);
    zb::MemorySource source(bytes);
    RiffReader riff(source);
    RiffChunk form;
    ASSERT_TRUE(riff.ReadForm(form));
    std::vector<std::uint32_t> seen;
    EXPECT_FALSE(riff.ForEachChunk(form, [&](const RiffChunk& chunk) {
        seen.push_back(chunk.id);
        return true;
    }));
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{FourCc("fmt "), FourCc("junk")}));

    // Many empty chunks stop at the step limit.
    Bytes many;
    for (int i = 0; i < 100; ++i) {
        zbtest::PutBytes(many, Chunk("none", {}));
    }
    const Bytes flat = List("TEST", {many}, "RIFF");
    zb::MemorySource manySource(flat);
    RiffReader limited(manySource, 10);
    ASSERT_TRUE(limited.ReadForm(form));
    int steps = 0;
    EXPECT_FALSE(limited.ForEachChunk(form, [&](const RiffChunk&) { return ++steps > 0; }));
    EXPECT_EQ(steps, 10);

    // A list without room for its type, and a form cut to the file.
    Bytes shortList = List("TEST", {Chunk("LIST", {})}, "RIFF");
    zb::MemorySource shortSource(shortList);
    RiffReader shortRiff(shortSource);
    ASSERT_TRUE(shortRiff.ReadForm(form));
    EXPECT_FALSE(shortRiff.ForEachChunk(form, [](const RiffChunk&) { return true; }));
    zbtest::SetLe32(shortList, 4, 0xFFFFFFFFu);
    zb::MemorySource longForm(shortList);
    RiffReader longRiff(longForm);
    ASSERT_TRUE(longRiff.ReadForm(form));
    EXPECT_EQ(form.End(), shortList.size());
}

TEST(Avi, ReadsTheHeadersOfAClipWithSound) {
    AviReader avi;
    ASSERT_TRUE(avi.Open(kData + "/avi/test.avi"));
    EXPECT_EQ(avi.MainHeader().dwMicroSecPerFrame, 50000u);
    EXPECT_EQ(avi.MainHeader().dwTotalFrames, 20u);
    EXPECT_EQ(avi.MainHeader().dwWidth, 32u);
    ASSERT_EQ(avi.Streams().size(), 2u);
    const zb::AviStream* video = avi.FirstStream(zb::kStreamTypeVideo);
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->index, 0u);
    EXPECT_EQ(video->header.fccHandler, FourCc("MJPG"));
    EXPECT_EQ(video->header.dwScale, 1u);
    EXPECT_EQ(video->header.dwRate, 20u);
    EXPECT_EQ(video->header.dwStart, 0u);
    EXPECT_EQ(video->header.dwLength, 20u);
    const BITMAPINFOHEADER bitmap = zb::ParseBitmapInfoHeader(video->format);
    EXPECT_EQ(bitmap.biWidth, 32);
    EXPECT_EQ(bitmap.biHeight, 24);
    EXPECT_EQ(bitmap.biBitCount, 24);
    EXPECT_EQ(bitmap.biCompression, FourCc("MJPG"));
    EXPECT_EQ(bitmap.biSizeImage, 2304u);
    const zb::AviStream* audio = avi.FirstStream(zb::kStreamTypeAudio);
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(audio->header.dwLength, 15360u);
    const WAVEFORMATEX wave = zb::ParseWaveFormat(audio->format);
    EXPECT_EQ(wave.wFormatTag, 1);
    EXPECT_EQ(wave.nChannels, 1);
    EXPECT_EQ(wave.nSamplesPerSec, 16000u);
    EXPECT_EQ(wave.wBitsPerSample, 16);

    RiffChunk frame;
    ASSERT_TRUE(avi.FindFirstFrame(video->index, frame));
    EXPECT_EQ(frame.id, FourCc("00dc"));
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(avi.ReadChunk(frame, 1 << 20, bytes));
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);  // a JPEG picture
    EXPECT_EQ(bytes[1], 0xD8);
}

TEST(Avi, ReadsTruncatedAndEmptyClips) {
    AviReader avi;
    ASSERT_TRUE(avi.Open(kData + "/avi/Pentax.avi"));  // the form claims 117 MB
    const zb::AviStream* video = avi.FirstStream(zb::kStreamTypeVideo);
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->header.dwScale, 41666u);
    EXPECT_EQ(video->header.dwRate, 1000000u);
    EXPECT_EQ(video->header.dwLength, 600u);
    EXPECT_EQ(zb::ParseBitmapInfoHeader(video->format).biWidth, 1280);
    EXPECT_EQ(zb::ParseBitmapInfoHeader(video->format).biHeight, 720);
    const zb::AviStream* audio = avi.FirstStream(zb::kStreamTypeAudio);
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(zb::ParseWaveFormat(audio->format).nSamplesPerSec, 32000u);
    EXPECT_EQ(zb::ParseWaveFormat(audio->format).nChannels, 1);
    RiffChunk frame;
    EXPECT_FALSE(avi.FindFirstFrame(video->index, frame));

    ASSERT_TRUE(avi.Open(kData + "/avi/AudioVideoInterleave.avi"));
    ASSERT_EQ(avi.Streams().size(), 1u);
    EXPECT_EQ(avi.Streams()[0].header.fccHandler, FourCc("FMP4"));
    EXPECT_EQ(avi.FirstStream(zb::kStreamTypeAudio), nullptr);
    EXPECT_FALSE(avi.FindFirstFrame(0, frame));

    EXPECT_FALSE(avi.Open(kData + "/wav/8bit_pcm.wav"));
    EXPECT_FALSE(avi.IsOpen());
}

Bytes Clip(const Bytes& videoFormat, const std::vector<Bytes>& movi) {
    using namespace zbtest;
    return List(
        "AVI ",
        {List("hdrl",
              {Chunk("avih", Bytes(56, 0)),
               List("strl", {Chunk("strh", StreamHeader("vids", "DIB ", 100, 2997, 5, 1000)),
                             Chunk("strf", videoFormat), Chunk("strn", ToBytes("Video\0x"))})}),
         Chunk("JUNK", Bytes(3, 0)), List("movi", movi)},
        "RIFF");
}

TEST(Avi, GeneratedClipsAndRecordLists) {
    using namespace zbtest;
    const Bytes clip =
        Clip(BitmapFormat(320, 240, 24, ""), {Chunk("00db", {}), Chunk("01wb", Bytes(5, 1)),
                                              List("rec ", {Chunk("00dc", Bytes(7, 9))})});
    AviReader avi;
    ASSERT_TRUE(OpenBytes(avi, clip));
    const zb::AviStream* video = avi.FirstStream(zb::kStreamTypeVideo);
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->name, "Video");
    EXPECT_EQ(video->header.dwRate, 2997u);
    EXPECT_EQ(video->header.dwStart, 5u);
    EXPECT_EQ(avi.FirstStream(zb::kStreamTypeAudio), nullptr);
    RiffChunk frame;
    ASSERT_TRUE(avi.FindFirstFrame(0, frame));  // the empty "00db" is passed over
    EXPECT_EQ(frame.size, 7u);
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(avi.ReadChunk(frame, 100, bytes));
    EXPECT_EQ(bytes, Bytes(7, 9));
    EXPECT_FALSE(avi.ReadChunk(frame, 6, bytes));
    EXPECT_FALSE(avi.FindFirstFrame(1, frame));
}

TEST(Avi, DamagedHeadersAreRefused) {
    using namespace zbtest;
    const Bytes good = Clip(BitmapFormat(8, 8, 24, ""), {});
    AviReader avi;
    ASSERT_TRUE(OpenBytes(avi, good));
    const std::size_t strl = 12 + 12 + 64;    // form header, hdrl header, avih chunk
    const std::size_t strf = strl + 12 + 64;  // strl header, strh chunk
    const auto refused = [&](std::size_t offset, std::uint32_t value) {
        Bytes bytes = good;
        SetLe32(bytes, offset, value);
        return !OpenBytes(avi, bytes);
    };
    ASSERT_EQ(good[strf], 's');
    EXPECT_TRUE(refused(strf + 4, 0x7FFFFFFF));  // a format running past its list
    EXPECT_TRUE(refused(strf + 4, 0xFFFFFFF8u));
    EXPECT_TRUE(refused(strl + 4, 0x00FFFFF0));  // a stream list larger than the header list
    EXPECT_TRUE(refused(16, 0xFFFFFFF0u));       // a header list past the end
    EXPECT_TRUE(refused(8, FourCc("WAVE")));
    EXPECT_TRUE(refused(strl + 12, FourCc("xxxx")));  // a stream without its header
    for (std::size_t size = 0; size < good.size(); ++size) {
        OpenBytes(avi, Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)));
    }
}

}  // namespace
