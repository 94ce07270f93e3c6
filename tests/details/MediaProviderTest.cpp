#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archives/ZipBuilder.h"
#include "details/ProviderTestSupport.h"
#include "readers/archives/ArchiveHandler.h"
#include "readers/details/AviInfoProvider.h"
#include "readers/details/WaveInfoProvider.h"
#include "support/RiffWriter.h"
#include "support/TempHome.h"

namespace {

using namespace zbtest;

const std::string kData = std::string(ZEMBROLT_TESTDATA) + "/";

// A clip with one video stream and, when `audioChannels` is given, one audio stream.
Bytes Clip(std::uint32_t scale, std::uint32_t rate, std::uint32_t start, std::uint32_t length,
           int audioChannels = -1) {
    std::vector<Bytes> header = {
        Chunk("avih", Bytes(56, 0)),
        List("strl", {Chunk("strh", StreamHeader("vids", "DIB ", scale, rate, start, length)),
                      Chunk("strf", BitmapFormat(320, 240, 24, ""))})};
    if (audioChannels >= 0) {
        header.push_back(List(
            "strl", {Chunk("strh", StreamHeader("auds", "", 1, 22050, 0, 22050)),
                     Chunk("strf", WaveFormatBytes(1, static_cast<std::uint16_t>(audioChannels),
                                                   22050, 16))}));
    }
    return List("AVI ", {List("hdrl", header), List("movi", {})}, "RIFF");
}

// A WAVE file: a format chunk of `formatSize` bytes, the chunks of `between`,
// and a data chunk declaring `dataSize` bytes (only a few of them present).
Bytes Wave(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, std::uint32_t dataSize,
           std::size_t formatSize = 16, const std::vector<Bytes>& between = {}) {
    Bytes format = WaveFormatBytes(3, channels, rate, bits);
    format.resize(formatSize, 0);
    Bytes body;
    PutBytes(body, "WAVE");
    PutBytes(body, Chunk("fmt ", format));
    for (const Bytes& chunk : between)
        PutBytes(body, chunk);
    PutBytes(body, "data");
    PutLe32(body, dataSize);
    PutBytes(body, Bytes(16, 0));
    Bytes out;
    PutBytes(out, "RIFF");
    PutLe32(out, static_cast<std::uint32_t>(body.size()));
    PutBytes(out, body);
    return out;
}

class MediaProviderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_avi.InitExtensions();
        m_wave.InitExtensions();
    }
    std::string Write(const std::string& extension, const Bytes& bytes) {
        return m_files.Write(extension, ToString(bytes));
    }
    BOOL LoadAvi(const Bytes& bytes) { return m_avi.Load(DiskItem(Write(".avi", bytes))); }
    BOOL LoadWave(const Bytes& bytes) { return m_wave.Load(DiskItem(Write(".wav", bytes))); }

    NumberedFiles m_files{"media"};
    CAviInfoProvider m_avi;
    CWaveInfoProvider m_wave;
};

// Expected values were taken once from reference readers of the same files.
TEST_F(MediaProviderTest, SampleClips) {
    ASSERT_TRUE(m_avi.Load(DiskItem(kData + "avi/test.avi")));
    EXPECT_TRUE(Shows(m_avi, {{301, "32"},
                              {302, "24"},
                              {303, "24bit"},
                              {306, "20"},
                              {307, "20"},
                              {201, "1 sec"},
                              {102, "16000hz"},
                              {107, "Mono"}}));

    // 600 frames at 41666/1000000 s: 24.9996 s.
    ASSERT_TRUE(m_avi.Load(DiskItem(kData + "avi/Pentax.avi")));
    EXPECT_TRUE(Shows(m_avi, {{301, "1280"},
                              {302, "720"},
                              {306, "600"},
                              {307, "1000000"},
                              {201, "24 sec"},
                              {102, "32000hz"}}));

    ASSERT_TRUE(m_avi.Load(DiskItem(kData + "avi/AudioVideoInterleave.avi")));
    EXPECT_TRUE(Shows(m_avi, {{102, "<none>"}, {107, "<none>"}}));

    EXPECT_FALSE(m_avi.Load(DiskItem(kData + "wav/8bit_pcm.wav")));
    EXPECT_EQ(Shown(m_avi, 301), "<none>");
}

TEST_F(MediaProviderTest, ClipRatesAndAudio) {
    ASSERT_TRUE(LoadAvi(Clip(100, 2997, 0, 1000, 2)));
    EXPECT_EQ(Shown(m_avi, 307), "2997");  // as stored
    EXPECT_TRUE(Shows(m_avi, {{201, "33 sec"}, {306, "1000"}, {107, "Stero"}, {102, "22050hz"}}));
    ASSERT_TRUE(LoadAvi(Clip(1, 25, 10, 90, 1)));
    EXPECT_EQ(Shown(m_avi, 306), "100");  // first frame + length
    EXPECT_TRUE(Shows(m_avi, {{201, "4 sec"}, {107, "Mono"}}));
    ASSERT_TRUE(LoadAvi(Clip(1, 25, 0, 90, 0)));
    EXPECT_EQ(Shown(m_avi, 107), "<none>");  // no channels
    EXPECT_EQ(Shown(m_avi, 102), "22050hz");
    ASSERT_TRUE(LoadAvi(Clip(1, 0, 0, 90)));
    EXPECT_EQ(Shown(m_avi, 201), "<none>");  // no division by a rate of 0
    EXPECT_TRUE(Shows(m_avi, {{307, "0"}, {102, "<none>"}}));

    // A first frame and length past 32 bits, and a scale that overflows 64.
    ASSERT_TRUE(LoadAvi(Clip(0xFFFFFFFF, 1, 0xFFFFFFFF, 0xFFFFFFFF)));
    EXPECT_TRUE(Shows(m_avi, {{306, "2147483647"}, {201, "2147483647 sec"}}));
    ASSERT_TRUE(LoadAvi(Clip(0x80000000, 0xFFFFFFFF, 0, 6)));
    EXPECT_EQ(Shown(m_avi, 201), "3 sec");  // 6 x 2^31 / (2^32 - 1), not wrapped

    // Reset forgets the clip.
    EXPECT_TRUE(m_avi.Reset());
    EXPECT_EQ(m_avi.GetState(), PROVIDER_STATE_LOADING);
    EXPECT_EQ(Shown(m_avi, 301), "<none>");
}

TEST_F(MediaProviderTest, ClipsWithoutVideoOrWithBadChunksGiveNothing) {
    const Bytes audioOnly =
        List("AVI ",
             {List("hdrl", {Chunk("avih", Bytes(56, 0)),
                            List("strl", {Chunk("strh", StreamHeader("auds", "", 1, 8000, 0, 8000)),
                                          Chunk("strf", WaveFormatBytes(1, 1, 8000, 8))})}),
              List("movi", {})},
             "RIFF");
    EXPECT_FALSE(LoadAvi(audioOnly));
    const Bytes good = Clip(1, 25, 0, 90, 1);
    for (const std::size_t offset : {std::size_t{4}, std::size_t{16}}) {  // form, hdrl sizes
        Bytes huge = good;
        SetLe32(huge, offset, 0xFFFFFFF8);
        LoadAvi(huge);  // may read what is there; must end
    }
    Bytes bigFormat = good;  // strf claims 2 GB
    const std::size_t strf = ToString(good).find("strf");
    ASSERT_NE(strf, std::string::npos);
    SetLe32(bigFormat, strf + 4, 0x7FFFFFFF);
    EXPECT_FALSE(LoadAvi(bigFormat));
    for (std::size_t cut = 0; cut < 100; ++cut)
        EXPECT_FALSE(LoadAvi(Bytes(good.begin(), good.begin() + static_cast<long>(cut)))) << cut;
}

TEST_F(MediaProviderTest, AnAudioStreamWithoutAReadableFormatGivesNoAudioValues) {
    // The audio stream's list without its "strf", or with one too short for
    // a wave format's fields: the clip is refused as the thumbnail maker
    // refuses it, so no "0hz" shows.
    const Bytes format = WaveFormatBytes(1, 2, 22050, 16);
    for (const std::size_t size : {std::size_t{0}, std::size_t{2}, std::size_t{13}}) {
        SCOPED_TRACE(size);
        std::vector<Bytes> audio = {Chunk("strh", StreamHeader("auds", "", 1, 22050, 0, 22050))};
        if (size > 0)
            audio.push_back(Chunk("strf", Bytes(format.begin(), format.begin() + size)));
        const Bytes clip = List(
            "AVI ",
            {List("hdrl", {Chunk("avih", Bytes(56, 0)),
                           List("strl", {Chunk("strh", StreamHeader("vids", "DIB ", 1, 25, 0, 90)),
                                         Chunk("strf", BitmapFormat(320, 240, 24, ""))}),
                           List("strl", audio)}),
             List("movi", {})},
            "RIFF");
        LoadAvi(clip);
        EXPECT_TRUE(Shows(m_avi, {{102, "<none>"}, {107, "<none>"}}));
    }
}

TEST_F(MediaProviderTest, ClipsInsideArchivesAreRefused) {
    InitArchiveHandlers();
    const std::string archive = WriteFile(
        m_files.Dir() + "/clips.zip", BuildZip({{"a.avi", ToString(Clip(1, 25, 0, 90))}}).bytes);
    EXPECT_FALSE(m_avi.Load(MemberItem(archive, "a.avi")));
    const std::string clip = Write(".avi", Clip(1, 25, 0, 90));
    EXPECT_TRUE(m_avi.Load(DiskItem(clip)));
}

TEST_F(MediaProviderTest, SampleWaves) {
    struct Sample {
        const char* file;
        const char* rate;
        const char* channels;
        const char* bits;
        const char* mode;
        const char* length;
    };
    const std::vector<Sample> samples = {
        {"8bit_pcm.wav", "8000hz", "2", "8 bits", "Stero", "1 sec"},
        {"24bit_pcm_extended.wav", "8000hz", "2", "24 bits", "Stero", "1 sec"},
        {"silence-22khz-mono-1s.wav", "22050hz", "1", "16 bits", "Mono", "1 sec"},
        {"wav_with_image.wav", "8000hz", "1", "8 bits", "Mono", "3 sec"},
        {"no_audio_data_uncompressed.wav", "8000hz", "2", "16 bits", "Stero", "0 sec"},
    };
    for (const Sample& sample : samples) {
        ASSERT_TRUE(m_wave.Load(DiskItem(kData + "wav/" + sample.file))) << sample.file;
        EXPECT_EQ(Shown(m_wave, 102), sample.rate) << sample.file;
        EXPECT_EQ(Shown(m_wave, 103), sample.channels) << sample.file;
        EXPECT_EQ(Shown(m_wave, 106), sample.bits) << sample.file;
        EXPECT_EQ(Shown(m_wave, 107), sample.mode) << sample.file;
        EXPECT_EQ(Shown(m_wave, 201), sample.length) << sample.file;
    }
    EXPECT_FALSE(m_wave.Load(DiskItem(kData + "wav/malformed_invalid_file.wav")));
}

TEST_F(MediaProviderTest, WaveLengthsRoundUp) {
    ASSERT_TRUE(LoadWave(Wave(2, 44100, 16, 441001 * 4)));
    EXPECT_EQ(Shown(m_wave, 201), "11 sec");
    ASSERT_TRUE(LoadWave(Wave(2, 44100, 16, 441000 * 4)));
    EXPECT_TRUE(Shows(m_wave, {{201, "10 sec"}, {107, "Stero"}}));
    // Format chunks of 18 and 40 bytes, and an odd LIST with its pad byte.
    ASSERT_TRUE(LoadWave(Wave(1, 8000, 8, 16000, 18)));
    EXPECT_EQ(Shown(m_wave, 201), "2 sec");
    ASSERT_TRUE(LoadWave(Wave(1, 8000, 8, 16000, 40, {Chunk("LIST", Bytes(5, 'i'))})));
    EXPECT_TRUE(Shows(m_wave, {{201, "2 sec"}, {107, "Mono"}}));
    // Bits x channels below 8: no length, the rest is shown.
    ASSERT_TRUE(LoadWave(Wave(1, 8000, 4, 16000)));
    EXPECT_TRUE(Shows(m_wave, {{201, "<none>"}, {106, "4 bits"}}));
    // A rate of 0 gives a length of 0; no channels no mode.
    ASSERT_TRUE(LoadWave(Wave(0, 0, 16, 100)));
    EXPECT_TRUE(Shows(m_wave, {{201, "<none>"}, {107, "<none>"}}));
    ASSERT_TRUE(LoadWave(Wave(2, 0, 16, 100)));
    EXPECT_EQ(Shown(m_wave, 201), "0 sec");
}

TEST_F(MediaProviderTest, DamagedWavesEndCleanly) {
    const Bytes good = Wave(2, 44100, 16, 400);
    Bytes noData = good;
    const std::size_t data = ToString(good).find("data");
    noData[data] = 'D';
    EXPECT_FALSE(LoadWave(noData));
    Bytes shortFormat = Wave(2, 44100, 16, 400, 14);
    EXPECT_FALSE(LoadWave(shortFormat));
    // A chunk claiming nearly 4 GB is skipped forward, never back.
    Bytes huge = Wave(2, 44100, 16, 400, 16, {Chunk("junk", {})});
    SetLe32(huge, ToString(huge).find("junk") + 4, 0xFFFFFFF8);
    EXPECT_FALSE(LoadWave(huge));
    for (std::size_t cut = 0; cut < data + 8; ++cut)
        EXPECT_FALSE(LoadWave(Bytes(good.begin(), good.begin() + static_cast<long>(cut)))) << cut;
    Bytes notWave = good;
    notWave[8] = 'X';
    EXPECT_FALSE(LoadWave(notWave));
}

TEST_F(MediaProviderTest, WavesInsideArchivesAreRead) {
    InitArchiveHandlers();
    const std::string archive =
        WriteFile(m_files.Dir() + "/sounds.zip",
                  BuildZip({{"s/beep.wav", ToString(Wave(1, 8000, 8, 24000))}}).bytes);
    ASSERT_TRUE(m_wave.Load(MemberItem(archive, "s\\beep.wav")));
    EXPECT_EQ(Shown(m_wave, 201), "3 sec");
}

}  // namespace
