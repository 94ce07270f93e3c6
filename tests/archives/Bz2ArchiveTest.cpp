#include "readers/archives/Bz2ArchiveHandler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archives/CompressedTestData.h"
#include "archives/HandlerReading.h"
#include "readers/archives/SourceStream.h"
#include "support/TempHome.h"

namespace {

using zbtest::MemberName;

TEST(Bz2Archive, InitAndMemberNames) {
    CBz2Archive bz;
    bz.Init();
    std::vector<std::string> extensions;
    bz.GetExtensions(&extensions);
    EXPECT_EQ(extensions, (std::vector<std::string>{"bz", "bz2"}));
    EXPECT_EQ(bz.GetBlockSize(), 0x10000);
    EXPECT_EQ(bz.GetFlags(), ARCHIVE_FLAG_USABLE);
    EXPECT_TRUE(bz.MatchExtension("x.BZ2"));
    const std::string dir = zbtest::MakeTempDir("bzname");
    const std::string packed = zbtest::Bzip2("text");
    EXPECT_EQ(MemberName(bz, zbtest::WriteFile(dir + "/notes.bz2", packed)), "notes");
    EXPECT_EQ(MemberName(bz, zbtest::WriteFile(dir + "/data.BZ", packed)), "data");
    EXPECT_EQ(MemberName(bz, zbtest::WriteFile(dir + "/a.tbz", packed)), "a.tbz");
    EXPECT_EQ(MemberName(bz, zbtest::WriteFile(dir + "/.bz2", packed)), ".bz2");
    EXPECT_EQ(MemberName(bz, zbtest::WriteFile(dir + "/x.bz", packed)), "x");
    // Not bzip2 data: no member to offer.
    EXPECT_EQ(MemberName(bz, zbtest::WriteFile(dir + "/plain.bz2", "plain text")), "<closed>");
    EXPECT_EQ(MemberName(bz, zbtest::WriteFile(dir + "/gz.bz2", zbtest::Gzip("x"))), "<closed>");
    EXPECT_FALSE(bz.IsOpen());
    EXPECT_FALSE(CreateBz2ArchiveHandler()->IsOpen());
}

TEST(Bz2Archive, ReadEndAndReadAgainStartsAtTheFirstByte) {
    const std::string data = zbtest::PatternData(1500000, 4);  // two bzip2 blocks
    const std::string path =
        zbtest::WriteFile(zbtest::MakeTempDir("bzread") + "/d.bz2", zbtest::Bzip2(data));
    CBz2Archive bz;
    bz.Init();
    ASSERT_TRUE(bz.Open(path));
    EXPECT_EQ(bz.FindEntry("D"), 0);
    ASSERT_EQ(bz.OpenEntryByName("d"), 0);
    char buffer[100];
    ASSERT_EQ(bz.Read(0, buffer, 100), 100);
    EXPECT_EQ(bz.GetBytesRead(0), 100);
    EXPECT_TRUE(bz.CloseEntry(0));
    EXPECT_EQ(bz.GetBytesRead(0), 0);
    EXPECT_EQ(zbtest::ReadAll(bz, 0, 65536), data);
    EXPECT_TRUE(bz.CloseEntry(0));
    ASSERT_EQ(bz.Read(0, buffer, 100), 100);
    EXPECT_EQ(std::string(buffer, 100), data.substr(0, 100));
    EXPECT_TRUE(bz.OpenEntry(0));
    EXPECT_EQ(bz.GetBytesRead(0), 0);
    EXPECT_FALSE(bz.OpenEntry(1));
    EXPECT_EQ(bz.Read(1, buffer, 1), -1);
    EXPECT_EQ(bz.Read(0, buffer, -1), -1);
}

TEST(Bz2Archive, TheSizeIsKnownOnceTheMemberWasRead) {
    const std::string data = zbtest::PatternData(70000, 3);
    const std::string path =
        zbtest::WriteFile(zbtest::MakeTempDir("bzsize") + "/s.bz2", zbtest::Bzip2(data));
    CBz2Archive bz;
    bz.Init();
    ASSERT_TRUE(bz.Open(path));
    CArchiveEntryInfo info;
    ASSERT_TRUE(bz.GetFileInfo(0, &info));
    EXPECT_EQ(info.m_nSize, -1);  // bzip2 records no size
    EXPECT_EQ(zbtest::ReadAll(bz, 0, 65536), data);
    ASSERT_TRUE(bz.GetFileInfo(0, &info));
    EXPECT_EQ(info.m_nSize, 70000);
    EXPECT_EQ(bz.GetEntrySize(0), -1);  // a copy still reads to the end
}

TEST(Bz2Archive, ConcatenatedStreamsReadWhole) {
    const std::string path = zbtest::WriteFile(
        zbtest::MakeTempDir("bzcat") + "/cat.bz2",
        zbtest::Bzip2("first ") + zbtest::Bzip2("") + zbtest::Bzip2("second") + "garbage");
    CBz2Archive bz;
    bz.Init();
    ASSERT_TRUE(bz.Open(path));
    EXPECT_EQ(zbtest::ReadAll(bz, 0, 3), "first second");
    CSourceStream stream;
    ASSERT_TRUE(stream.OpenInArchive(&bz, "CAT"));
    EXPECT_EQ(stream.GetLength(), -1);
    EXPECT_TRUE(stream.Seek(6, 0));
    char buffer[6];
    ASSERT_EQ(stream.Read(buffer, 6), 6);
    EXPECT_EQ(std::string(buffer, 6), "second");
}

TEST(Bz2Archive, TruncatedAndCorruptDataFailTheRead) {
    const std::string dir = zbtest::MakeTempDir("bzbad");
    const std::string packed = zbtest::Bzip2(zbtest::PatternData(100000, 8));
    CBz2Archive bz;
    bz.Init();
    for (std::size_t length = 4; length < packed.size(); length += packed.size() / 29 + 1) {
        ASSERT_TRUE(bz.Open(zbtest::WriteFile(dir + "/cut" + std::to_string(length) + ".bz2",
                                              packed.substr(0, length))));
        EXPECT_EQ(zbtest::ReadAll(bz), "<failed>") << length;
    }
    std::string corrupt = packed;
    corrupt[packed.size() / 2] = static_cast<char>(corrupt[packed.size() / 2] ^ 0x20);
    ASSERT_TRUE(bz.Open(zbtest::WriteFile(dir + "/bad.bz2", corrupt)));
    EXPECT_EQ(zbtest::ReadAll(bz), "<failed>");
}

TEST(Bz2Archive, RealSamples) {
    const std::string data = std::string(ZEMBROLT_TESTDATA) + "/bz2/";
    CBz2Archive bz;
    bz.Init();
    ASSERT_TRUE(bz.Open(data + "bzip2.bz2"));
    EXPECT_EQ(MemberName(bz, data + "bzip2.bz2"), "bzip2");
    EXPECT_EQ(zbtest::ReadAll(bz), "");
    ASSERT_TRUE(bz.Open(data + "malformed_mtree_crash747.mtree.bz2"));
    EXPECT_EQ(zbtest::ReadAll(bz), "<failed>");
    ASSERT_TRUE(bz.Open(data + "test_compat_bzip2_1.tbz"));
    const std::string tar = zbtest::ReadAll(bz);
    EXPECT_EQ(tar.size() % 512, 0u);
    EXPECT_NE(tar.find("d1/f3"), std::string::npos);
}

}  // namespace
