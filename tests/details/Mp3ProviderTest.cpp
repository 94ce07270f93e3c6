#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "details/ProviderTestSupport.h"
#include "readers/details/Mp3Info.h"
#include "readers/details/Mp3InfoProvider.h"
#include "readers/details/StopFlag.h"
#include "support/ByteWriter.h"
#include "support/TempHome.h"

namespace {

using zbtest::Bytes;
using zbtest::DiskItem;
using zbtest::NumberedFiles;
using zbtest::Shown;
using zbtest::Shows;

const std::string kMp3Data = std::string(ZEMBROLT_TESTDATA) + "/mp3/";

// MPEG 1 Layer III, 128 kbit/s, 44,100 Hz, joint stereo.
const Bytes kFrameHeader = {0xFF, 0xFB, 0x90, 0x64};

// An ID3 version 1 tag; `track` makes it version 1.1.
Bytes Tag(const std::string& title, const std::string& comment, std::uint8_t genre,
          std::uint8_t track = 0) {
    Bytes tag(128, 0);
    const auto put = [&tag](std::size_t offset, const std::string& text) {
        std::copy(text.begin(), text.end(), tag.begin() + static_cast<std::ptrdiff_t>(offset));
    };
    put(0, "TAG");
    put(3, title);
    put(33, "Artist");
    put(63, "Album  ");
    put(97, comment);
    if (track != 0) {
        tag[125] = 0;
        tag[126] = track;
    }
    tag[127] = genre;
    return tag;
}

// A Xing header at `offset` of a frame: the frame-count flag and the count.
void PutXing(Bytes& file, std::size_t offset, bool withCount, std::uint32_t frames) {
    const Bytes xing = {'X',
                        'i',
                        'n',
                        'g',
                        0,
                        0,
                        0,
                        static_cast<std::uint8_t>(withCount ? 1 : 0),
                        static_cast<std::uint8_t>(frames >> 24),
                        static_cast<std::uint8_t>(frames >> 16),
                        static_cast<std::uint8_t>(frames >> 8),
                        static_cast<std::uint8_t>(frames)};
    std::copy(xing.begin(), xing.end(), file.begin() + static_cast<std::ptrdiff_t>(offset));
}

class Mp3ProviderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_provider.InitExtensions();
        SetStopFlag(FALSE);
    }
    void TearDown() override { SetStopFlag(FALSE); }

    std::string Write(const Bytes& bytes) { return m_files.Write(".mp3", zbtest::ToString(bytes)); }
    BOOL Load(const Bytes& bytes) { return m_provider.Load(DiskItem(Write(bytes))); }

    NumberedFiles m_files{"mp3"};
    CMp3InfoProvider m_provider;
};

struct SampleValues {
    const char* file;
    const char* frequency;
    const char* mode;
    const char* bitRate;
    const char* length;
    const char* title;
};

// Frequency, mode and the bit rate of constant-rate files agree with
// exiftool; for Xing files exiftool averages without the tags, so its
// figures (vbr11: 8.14 kbps, 9.20 s; vbr44stereo: 32.2 kbps, 9.09 s;
// mpeg25_id3v1: 14.4 kbps) lie a little off ours, which count an ID3 version 1
// tag.
TEST_F(Mp3ProviderTest, SampleFiles) {
    const SampleValues samples[] = {
        {"mpeg1_id3v1.mp3", "44100hz", "Joint Stereo", "192 kbit", "0 sec", "some title"},
        {"mpeg2_id3v1.mp3", "24000hz", "Joint Stereo", "23 kbit", "0 sec", "some title"},
        {"mpeg25_id3v1.mp3", "12000hz", "Joint Stereo", "18 kbit", "0 sec", "some title"},
        {"silence-22khz-mono-1s.mp3", "22050hz", "Single Channel", "32 kbit", "1 sec", ""},
        {"vbr11.mp3", "11025hz", "Single Channel", "8 kbit", "9 sec", ""},
        {"vbr44stereo.mp3", "44100hz", "Joint Stereo", "32 kbit", "9 sec", ""},
        // Behind an ID3 version 2 tag of 2,225 bytes.
        {"id3v22-test.mp3", "44100hz", "Joint Stereo", "160 kbit", "0 sec", ""},
        {"vbri.mp3", "44100hz", "Stereo", "160 kbit", "0 sec", ""},
    };
    for (const SampleValues& sample : samples) {
        SCOPED_TRACE(sample.file);
        ASSERT_TRUE(m_provider.Load(DiskItem(kMp3Data + sample.file)));
        EXPECT_TRUE(Shows(m_provider, {{102, sample.frequency},
                                       {107, sample.mode},
                                       {202, sample.bitRate},
                                       {201, sample.length},
                                       {2, sample.title}}));
        // A tag with genre 255 (none) shows no genre.
        EXPECT_EQ(Shown(m_provider, 104), "");
    }
    EXPECT_FALSE(m_provider.Load(DiskItem(kMp3Data + "malformed_incomplete.mp3")));
    EXPECT_EQ(Shown(m_provider, 102), "<none>");
}

TEST_F(Mp3ProviderTest, ColumnsAndExtension) {
    EXPECT_EQ(m_provider.GetExtensions(), std::vector<std::string>{"mp3"});
    std::vector<int> ids;
    COLUMNINFO info{};
    for (int i = 0; m_provider.GetColumnByIndex(i, &info); ++i)
        ids.push_back(info.nId);
    EXPECT_EQ(ids, (std::vector<int>{2, 4, 6, 102, 107, 104, 105, 201, 202}));
}

TEST_F(Mp3ProviderTest, ConstantRateMillionBytes) {
    Bytes file(1000000, 0);
    std::copy(kFrameHeader.begin(), kFrameHeader.end(), file.begin());
    ASSERT_TRUE(Load(file));
    EXPECT_TRUE(Shows(
        m_provider, {{201, "62 sec"}, {202, "128 kbit"}, {102, "44100hz"}, {107, "Joint Stereo"}}));
    // No tag: empty texts.
    EXPECT_TRUE(Shows(m_provider, {{2, ""}, {104, ""}}));
}

TEST_F(Mp3ProviderTest, FramesAreLookedForUpTo204800Positions) {
    for (const std::size_t position : {std::size_t{204800}, std::size_t{204801}}) {
        Bytes file(position + 1000, 0);
        std::copy(kFrameHeader.begin(), kFrameHeader.end(),
                  file.begin() + static_cast<std::ptrdiff_t>(position));
        EXPECT_EQ(Load(file), position == 204800) << position;
    }
    // The positions count from the end of an ID3 version 2 tag.
    Bytes tagged = {'I', 'D', '3', 3, 0, 0, 0, 0, 0x10, 0};  // a tag of 10 + 2,048 bytes
    tagged.resize(10 + 2048 + 204800 + 1000, 0);
    std::copy(kFrameHeader.begin(), kFrameHeader.end(), tagged.begin() + 10 + 2048 + 204800);
    EXPECT_TRUE(Load(tagged));
    // A tag size past the end of the file leaves nothing to search.
    EXPECT_FALSE(Load({'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F, 0xFF, 0xFB, 0x90, 0x64}));
}

TEST_F(Mp3ProviderTest, ReservedAndRefusedFieldsAreNoHeader) {
    for (const Bytes& header : {Bytes{0xFF, 0xEB, 0x90, 0x64},     // version reserved
                                Bytes{0xFF, 0xF9, 0x90, 0x64},     // layer reserved
                                Bytes{0xFF, 0xFB, 0x00, 0x64},     // free format
                                Bytes{0xFF, 0xFB, 0xF0, 0x64},     // bit rate 15
                                Bytes{0xFF, 0xFB, 0x9C, 0x64},     // frequency 3
                                Bytes{0xFF, 0xFB, 0x90, 0x66}}) {  // emphasis 2
        Bytes file = header;
        file.resize(400, 0);
        EXPECT_FALSE(Load(file)) << static_cast<int>(header[1]) << " "
                                 << static_cast<int>(header[2]);
    }
}

TEST_F(Mp3ProviderTest, TagVersionOnePointOne) {
    Bytes file = kFrameHeader;
    file.resize(4000, 0);
    zbtest::PutBytes(file, Tag("Song", std::string(30, 'c'), 125, 7));
    ASSERT_TRUE(Load(file));
    EXPECT_TRUE(Shows(
        m_provider, {{6, std::string(28, 'c')}, {104, "Dance Hall"}, {2, "Song"}, {4, "Artist"}}));
    EXPECT_EQ(Shown(m_provider, 105), "Album");  // trailing blanks go

    file.resize(file.size() - 128);
    zbtest::PutBytes(file, Tag("Song", std::string(30, 'c'), 126));
    ASSERT_TRUE(Load(file));
    EXPECT_TRUE(Shows(m_provider, {{6, std::string(30, 'c')}, {104, ""}}));
    file.back() = 0;
    ASSERT_TRUE(Load(file));
    EXPECT_EQ(Shown(m_provider, 104), "Blues");
}

TEST_F(Mp3ProviderTest, XingFrameCount) {
    // MPEG 1 stereo: the Xing header lies 36 bytes into the frame.
    Bytes file = kFrameHeader;
    file.resize(100000, 0);
    PutXing(file, 36, true, 1000);
    ASSERT_TRUE(Load(file));
    // 100,000 / 1,000 x 44,100 / 144,000 = 30.6 kbit/s; 800 / 30 = 26 s.
    EXPECT_TRUE(Shows(m_provider, {{202, "30 kbit"}, {201, "26 sec"}}));

    // Without the count flag, or with a count of 0, no rate is defined.
    PutXing(file, 36, false, 1000);
    ASSERT_TRUE(Load(file));
    EXPECT_TRUE(Shows(m_provider, {{202, "<none>"}, {201, "<none>"}, {102, "44100hz"}}));
    PutXing(file, 36, true, 0);
    ASSERT_TRUE(Load(file));
    EXPECT_EQ(Shown(m_provider, 202), "<none>");
    CMp3Info info;
    zb::MemorySource source(file);
    ASSERT_EQ(info.Read(source), CMp3Info::READ_OK);
    EXPECT_TRUE(info.IsVbr());

    // MPEG 2 Layer III (factor 72), mono: the header lies 13 bytes in.
    Bytes mpeg2 = {0xFF, 0xF3, 0x50, 0xC4};  // 40 kbit/s, 22,050 Hz, single channel
    mpeg2.resize(50000, 0);
    PutXing(mpeg2, 13, true, 500);
    ASSERT_TRUE(Load(mpeg2));
    // 50,000 / 500 x 22,050 / 72,000 = 30.6 kbit/s.
    EXPECT_TRUE(Shows(m_provider, {{202, "30 kbit"}, {107, "Single Channel"}}));
}

// An ID3 version 2 tag of 10 + `size` bytes (`size` below 2^28, syncsafe).
Bytes Id3v2Tag(std::uint32_t size) {
    Bytes tag = {'I',
                 'D',
                 '3',
                 3,
                 0,
                 0,
                 static_cast<std::uint8_t>((size >> 21) & 0x7F),
                 static_cast<std::uint8_t>((size >> 14) & 0x7F),
                 static_cast<std::uint8_t>((size >> 7) & 0x7F),
                 static_cast<std::uint8_t>(size & 0x7F)};
    tag.resize(10 + size, 0);
    return tag;
}

TEST_F(Mp3ProviderTest, RatesAndLengthLeaveOutTheLeadingTagButCountTheTrailingOne) {
    // 10 s of audio, 128 bytes of it the ID3 version 1 tag, behind a
    // 231 KB cover picture in an ID3 version 2 tag.
    Bytes constant = kFrameHeader;  // 128 kbit/s: 160,000 bytes
    constant.resize(160000 - 128, 0);
    Bytes variable = kFrameHeader;  // 383 frames at 44,100 Hz, 64,500 bytes
    variable.resize(64500 - 128, 0);
    PutXing(variable, 36, true, 383);
    struct Case {
        const char* name;
        Bytes audio;
        const char* bitRate;
    };
    for (Case c : {Case{"constant", constant, "128 kbit"}, Case{"variable", variable, "51 kbit"}}) {
        SCOPED_TRACE(c.name);
        zbtest::PutBytes(c.audio, Tag("Cover", "", 0));
        Bytes file = Id3v2Tag(231000);
        zbtest::PutBytes(file, c.audio);
        ASSERT_TRUE(Load(file));
        EXPECT_TRUE(Shows(m_provider, {{202, c.bitRate}, {201, "10 sec"}, {2, "Cover"}}));
    }
}

TEST_F(Mp3ProviderTest, XingHeaderCutByTheEndIsNone) {
    Bytes file = kFrameHeader;
    file.resize(36, 0);
    zbtest::PutBytes(file, "Xing\0\0\0\x01");  // the count's bytes are missing
    ASSERT_TRUE(Load(file));
    EXPECT_EQ(Shown(m_provider, 202), "128 kbit");
}

TEST_F(Mp3ProviderTest, ShortFilesHaveNoTag) {
    for (std::size_t size = 4; size < 128; size += 41) {
        Bytes file = kFrameHeader;
        file.resize(size, 'T');
        ASSERT_TRUE(Load(file)) << size;
        EXPECT_EQ(Shown(m_provider, 2), "");
    }
    EXPECT_FALSE(Load({0xFF, 0xFB, 0x90}));
}

TEST_F(Mp3ProviderTest, LengthOfFilesOver256MiBIsPositive) {
    Bytes head = kFrameHeader;
    head.resize(64, 0);
    const std::string path = Write(head);
    std::filesystem::resize_file(path, 300'000'000);  // sparse
    ASSERT_TRUE(m_provider.Load(DiskItem(path)));
    EXPECT_EQ(Shown(m_provider, 201), "18750 sec");
}

TEST_F(Mp3ProviderTest, StopFlagEndsTheSearch) {
    Bytes file(300000, 0);
    const std::string path = Write(file);
    SetStopFlag(TRUE);
    CMp3Info info;
    EXPECT_EQ(info.Read(path), CMp3Info::READ_STOPPED);
    EXPECT_FALSE(m_provider.Load(DiskItem(path)));
    SetStopFlag(FALSE);
    EXPECT_EQ(info.Read(path), CMp3Info::READ_NO_HEADER);
    EXPECT_EQ(info.Read(m_files.Dir() + "/missing.mp3"), CMp3Info::READ_OPEN_FAILED);
}

TEST_F(Mp3ProviderTest, MembersFoldersAndPathlessItemsAreRefused) {
    Bytes file = kFrameHeader;
    file.resize(1000, 0);
    CProviderItem item = DiskItem(Write(file));
    ASSERT_TRUE(m_provider.Load(item));
    item.m_bInArchive = TRUE;
    EXPECT_FALSE(m_provider.Load(item));
    EXPECT_EQ(m_provider.GetState(), PROVIDER_STATE_LOADING);
    EXPECT_EQ(Shown(m_provider, 202), "<none>");
    item.m_bInArchive = FALSE;
    item.m_bFolder = TRUE;
    EXPECT_FALSE(m_provider.Load(item));
    EXPECT_FALSE(m_provider.Load(DiskItem("")));
}

}  // namespace
