// The ACE reader: the sample archives and headers written by the test, with
// self-extractor stubs, false signatures, volumes and damaged headers.
#include "readers/archives/AceArchiveHandler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archives/AceBuilder.h"
#include "archives/CompressedTestData.h"
#include "archives/HandlerReading.h"
#include "platform/FileTime.h"
#include "support/TempHome.h"

namespace {

using zbtest::AceBlock;
using zbtest::AceFileHeader;
using zbtest::AceMainHeader;
using zbtest::PutLe;

const std::string kSamples = std::string(ZEMBROLT_TESTDATA) + "/ace/";

class AceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ace.Init();
        dir = zbtest::MakeTempDir("ace");
    }
    bool OpenBytes(const std::string& bytes) {
        ace.Close();
        return ace.Open(zbtest::WriteFile(dir + "/case.ace", bytes)) != FALSE;
    }
    CAceArchive ace;
    std::string dir;
};

TEST_F(AceTest, InitSaysMembersCannotBeUnpacked) {
    std::vector<std::string> extensions;
    ace.GetExtensions(&extensions);
    EXPECT_EQ(extensions, std::vector<std::string>{"ace"});
    EXPECT_EQ(ace.GetBlockSize(), 0x10000);
    EXPECT_EQ(ace.GetFlags(), ARCHIVE_FLAG_USABLE | ARCHIVE_FLAG_NO_UNPACK);
    EXPECT_FALSE(ace.MatchExtension("x.c00"));
}

TEST_F(AceTest, SampleArchivesListNamesSizesTimesAndFolders) {
    for (const char* sample : {"Ace.store.ace", "Ace.method2-solid.ace", "Ace.encrypted.ace"}) {
        SCOPED_TRACE(sample);
        ASSERT_TRUE(ace.Open(kSamples + sample));
        EXPECT_EQ(zbtest::ListedFiles(ace).size(), 3u);
        EXPECT_EQ(zbtest::WalkNames(ace, "", FALSE).size(), 3u);
        const int exe = ace.FindEntry("EXE\\TEST.EXE");
        ASSERT_GE(exe, 0);
        CArchiveEntryInfo info;
        ASSERT_TRUE(ace.GetFileInfo(exe, &info));
        EXPECT_EQ(info.m_strName, "exe\\test.exe");
        EXPECT_EQ(info.m_nSize, 45056);
        SYSTEMTIME time;
        ASSERT_TRUE(FileTimeToSystemTime(&info.m_ftTime, &time));
        EXPECT_EQ((std::vector<int>{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
                                    time.wSecond}),
                  (std::vector<int>{2025, 10, 27, 10, 57, 4}));
        EXPECT_EQ(zbtest::WalkNames(ace, "Exe", FALSE), std::vector<std::string>{"exe\\test.exe"});
        DWORD attributes = 0;
        ASSERT_TRUE(ace.GetAttributes(ace.FindEntry("jpg\\"), &attributes));
        EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
        EXPECT_FALSE(ace.OpenEntry(exe));
        EXPECT_EQ(ace.GetLastFailure(), ArchiveFailure::UnsupportedMethod);
        EXPECT_EQ(ace.OpenEntryByName("exe\\test.exe"), -1);
        char buffer[4];
        EXPECT_EQ(ace.Read(exe, buffer, 4), -1);
    }
    // The first volume of a set opens and lists the member going on in the
    // next; the second volume alone is not opened.
    ASSERT_TRUE(ace.Open(kSamples + "Ace.store.split.ace"));
    EXPECT_EQ(zbtest::ListedFiles(ace),
              (std::vector<std::string>{"exe\\test.exe", "jpg\\test.jpg"}));
    EXPECT_FALSE(ace.Open(kSamples + "Ace.store.split.c00"));
}

TEST_F(AceTest, BuiltArchiveWithFoldersAndContinuations) {
    const std::string bytes = AceMainHeader() + AceFileHeader("Docs", "", 0, 0x10) +
                              AceFileHeader("Docs\\Read Me.TXT", "packed", 100) +
                              AceFileHeader("Deep\\Er\\x.bin", "p", 5) +
                              AceFileHeader("Tail.txt", "rest", 4, 0x20, 0x1001);
    ASSERT_TRUE(OpenBytes(bytes));
    EXPECT_EQ(zbtest::ListedFiles(ace),
              (std::vector<std::string>{"Deep\\Er\\x.bin", "Docs\\Read Me.TXT"}));
    EXPECT_EQ(zbtest::WalkNames(ace, "", FALSE), (std::vector<std::string>{"Deep\\", "Docs\\"}));
    EXPECT_EQ(zbtest::WalkNames(ace, "deep", FALSE), std::vector<std::string>{"Deep\\Er\\"});
    EXPECT_EQ(zbtest::WalkNames(ace, "", TRUE).size(), 5u);  // the continuation is not walked
    EXPECT_GE(ace.FindEntry("tail.txt"), 0);
    EXPECT_EQ(ace.GetEntrySize(ace.FindEntry("docs\\read me.txt")), 100);
    BOOL has = FALSE;
    EXPECT_TRUE(ace.HasSubfolders("Deep", &has));
    EXPECT_TRUE(has);
}

TEST_F(AceTest, MainHeaderIsLookedForInTheFirst64KiB) {
    const std::string archive = AceMainHeader() + AceFileHeader("a.txt", "aa", 2);
    ASSERT_TRUE(OpenBytes(std::string(20000, 'M') + archive));
    EXPECT_EQ(zbtest::ListedFiles(ace), std::vector<std::string>{"a.txt"});
    EXPECT_FALSE(OpenBytes(std::string(70000, 'M') + archive));
    // A signature whose block fails its check, right before the real one, and
    // a false candidate claiming a huge header: the scan goes on behind both.
    const std::string fake("xx\xFF\x7F\0\0\0**ACE**", 14);
    EXPECT_TRUE(OpenBytes(std::string(1000, 'M') + fake + std::string(500, 'M') + archive));
    EXPECT_TRUE(OpenBytes(std::string(3, 'M') + "**ACE**" + std::string(1017, 'M') + archive));
    EXPECT_FALSE(OpenBytes("**ACE**"));  // a signature less than 7 bytes in
    EXPECT_FALSE(OpenBytes(AceMainHeader(1) + AceFileHeader("a.txt", "aa", 2)));  // volume 1
}

TEST_F(AceTest, DamagedHeaderEndsTheList) {
    std::string bytes = AceMainHeader() + AceFileHeader("a.txt", "a", 1);
    const std::size_t second = bytes.size();
    bytes += AceFileHeader("b.txt", "b", 1) + AceFileHeader("c.txt", "c", 1);
    bytes[second + 40] ^= 1;  // inside b.txt's name
    ASSERT_TRUE(OpenBytes(bytes));
    EXPECT_EQ(zbtest::ListedFiles(ace), std::vector<std::string>{"a.txt"});
}

TEST_F(AceTest, HostileHeadersListWhatIsSound) {
    const std::string good =
        AceMainHeader() + AceFileHeader("dir\\a.txt", "aa", 2) + AceFileHeader("b.txt", "bbb", 3);
    for (std::size_t cut = 0; cut <= good.size(); ++cut) {
        OpenBytes(good.substr(0, cut));
    }
    // Headers too short for their fields.
    for (const std::size_t size : {0u, 2u, 3u, 6u, 30u}) {
        std::string h = std::string("\1\1\0", 3) + std::string(size > 3 ? size - 3 : 0, '\0');
        h.resize(size);
        EXPECT_TRUE(OpenBytes(AceMainHeader() + AceBlock(h))) << size;
        EXPECT_TRUE(zbtest::ListedFiles(ace).empty()) << size;
    }
    // A name length far past the header: the name ends with the header.
    std::string named = AceFileHeader("abc", "", 0);
    named[4 + 29] = '\xFF';
    named[4 + 30] = '\xFF';
    named = AceBlock(named.substr(4));
    ASSERT_TRUE(OpenBytes(AceMainHeader() + named));
    EXPECT_EQ(zbtest::ListedFiles(ace), std::vector<std::string>{"abc"});
    // A header size of 0xFFFF on a short file; a data size past the end.
    EXPECT_TRUE(OpenBytes(AceMainHeader() + std::string("\0\0\xFF\xFF\1\1\0", 7)));
    EXPECT_TRUE(zbtest::ListedFiles(ace).empty());
    std::string past = AceFileHeader("past.txt", "", 9);
    past[4 + 3] = '\xFF';
    past[4 + 6] = '\x7F';
    ASSERT_TRUE(
        OpenBytes(AceMainHeader() + AceBlock(past.substr(4)) + AceFileHeader("next.txt", "", 0)));
    EXPECT_EQ(zbtest::ListedFiles(ace), std::vector<std::string>{"past.txt"});
}

}  // namespace
