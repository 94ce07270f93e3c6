#include "readers/archives/GzArchiveHandler.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <tuple>
#include <vector>

#include "archives/CompressedTestData.h"
#include "archives/HandlerReading.h"
#include "platform/FileTime.h"
#include "readers/archives/SourceStream.h"
#include "support/TempHome.h"

namespace {

using zbtest::MemberName;

TEST(GzArchive, InitAndMemberNames) {
    CGzArchive gz;
    gz.Init();
    std::vector<std::string> extensions;
    gz.GetExtensions(&extensions);
    EXPECT_EQ(extensions, (std::vector<std::string>{"gz"}));
    EXPECT_EQ(gz.GetBlockSize(), 0x10000);
    EXPECT_EQ(gz.GetFlags(), ARCHIVE_FLAG_USABLE);
    const std::string dir = zbtest::MakeTempDir("gzname");
    const std::string packed = zbtest::Gzip("text");
    // The member is named after the file, never after the name stored inside.
    EXPECT_EQ(MemberName(gz, zbtest::WriteFile(dir + "/report.TXT.GZ", packed)), "report.TXT");
    EXPECT_EQ(MemberName(gz, zbtest::WriteFile(dir + "/.gz", packed)), ".gz");
    EXPECT_EQ(MemberName(gz, zbtest::WriteFile(dir + "/a.gz", packed)), "a");
    EXPECT_EQ(MemberName(gz, zbtest::WriteFile(dir + "/a.tgz", packed)), "a.tgz");
    EXPECT_EQ(MemberName(gz, std::string(ZEMBROLT_TESTDATA) + "/gz/test_read_format_raw.data.gz"),
              "test_read_format_raw.data");
    EXPECT_EQ(MemberName(gz, dir + "/missing.gz"), "<closed>");
    EXPECT_EQ(MemberName(gz, dir), "<closed>");
    EXPECT_FALSE(CreateGzArchiveHandler()->IsOpen());
}

TEST(GzArchive, OneMemberOfUnknownSizeAtTheRoot) {
    const std::string dir = zbtest::MakeTempDir("gzone");
    const std::string path = zbtest::WriteFile(dir + "/notes.txt.gz", zbtest::Gzip("hello"));
    CGzArchive gz;
    gz.Init();
    ASSERT_TRUE(gz.Open(path));
    EXPECT_TRUE(gz.Open(path));  // already open there
    EXPECT_EQ(gz.FirstFile(), 0);
    EXPECT_EQ(gz.NextFile(0), -1);
    EXPECT_EQ(gz.FindEntry("NOTES.TXT"), 0);
    EXPECT_EQ(gz.FindEntry("notes"), -1);
    EXPECT_EQ(gz.FindFolder(""), -1);
    EXPECT_EQ(gz.NextChild(-1, "", FALSE), 0);
    EXPECT_EQ(gz.NextChild(0, "", TRUE), -1);
    EXPECT_EQ(gz.NextChild(-1, "sub", FALSE), -1);
    BOOL has = TRUE;
    EXPECT_FALSE(gz.HasSubfolders("", &has));
    EXPECT_FALSE(has);
    EXPECT_EQ(gz.GetEntrySize(0), -1);
    DWORD attributes = 7;
    EXPECT_TRUE(gz.GetAttributes(0, &attributes));
    EXPECT_EQ(attributes, 0u);
    EXPECT_FALSE(gz.GetAttributes(1, &attributes));

    CArchiveEntryInfo info;
    ASSERT_TRUE(gz.GetFileInfo(0, &info));
    EXPECT_EQ(info.m_strName, "notes.txt");
    EXPECT_EQ(info.m_nSize, -1);  // not known before the member is decoded
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    FILETIME utc{};
    ASSERT_TRUE(LocalFileTimeToFileTime(&info.m_ftTime, &utc));
    const FILETIME expected = TimespecToFileTimeClamped(st.st_mtim);
    EXPECT_EQ(CompareFileTime(&utc, &expected), 0);

    gz.Close();
    EXPECT_FALSE(gz.IsOpen());
    EXPECT_EQ(gz.FirstFile(), -1);
    char c;
    EXPECT_EQ(gz.Read(0, &c, 1), -1);
    EXPECT_EQ(gz.GetBytesRead(0), -1);
    EXPECT_FALSE(gz.GetFileInfo(0, &info));
}

TEST(GzArchive, ReadingRewindsAndConcatenatedMembersReadWhole) {
    const std::string one = zbtest::PatternData(300000, 1);
    const std::string two = zbtest::PatternData(1000, 2);
    const std::string path = zbtest::WriteFile(
        zbtest::MakeTempDir("gzcat") + "/two.gz",
        zbtest::Gzip(one) + zbtest::Gzip("") + zbtest::Gzip(two) + std::string(300, '\0'));
    CGzArchive gz;
    gz.Init();
    ASSERT_TRUE(gz.Open(path));
    ASSERT_EQ(gz.OpenEntryByName("TWO"), 0);
    EXPECT_EQ(zbtest::ReadAll(gz, 0, 1000), one + two);  // trailing zero bytes are ignored
    EXPECT_EQ(gz.GetBytesRead(0), 301000);
    EXPECT_TRUE(gz.CloseEntry(0));
    EXPECT_EQ(gz.GetBytesRead(0), 0);
    char buffer[10];
    ASSERT_EQ(gz.Read(0, buffer, 10), 10);
    EXPECT_TRUE(gz.OpenEntry(0));  // from the first byte again
    EXPECT_EQ(zbtest::ReadAll(gz, 0, 65536), one + two);
    EXPECT_EQ(gz.Read(0, buffer, 10), 0);
}

TEST(GzArchive, SizeIsUnknownUntilTheMemberWasDecodedOnce) {
    // The last member's trailer records 104,000 bytes, the file holds more.
    const std::string one(5000000, 'a');
    const std::string two = zbtest::PatternData(104000, 3);
    const std::string dir = zbtest::MakeTempDir("gzsize");
    for (const auto& [name, packed, size] :
         {std::tuple{"m.gz", zbtest::Gzip(one) + zbtest::Gzip(two), 5104000},
          std::tuple{"one.gz", zbtest::Gzip(two), 104000},
          std::tuple{"plain.gz", std::string("not compressed"), 14}}) {
        CGzArchive gz;
        gz.Init();
        ASSERT_TRUE(gz.Open(zbtest::WriteFile(dir + "/" + name, packed)));
        CArchiveEntryInfo info;
        ASSERT_TRUE(gz.GetFileInfo(0, &info));
        EXPECT_EQ(info.m_nSize, std::string(name) == "plain.gz" ? 14 : -1) << name;
        char buffer[10];
        ASSERT_EQ(gz.Read(0, buffer, 10), 10);
        gz.CloseEntry(0);
        ASSERT_TRUE(gz.GetFileInfo(0, &info));
        EXPECT_EQ(info.m_nSize, std::string(name) == "plain.gz" ? 14 : -1) << name;  // read in part
        EXPECT_EQ(zbtest::ReadAll(gz, 0, 65536).size(), static_cast<std::size_t>(size)) << name;
        ASSERT_TRUE(gz.GetFileInfo(0, &info));
        EXPECT_EQ(info.m_nSize, size) << name;
        EXPECT_EQ(gz.GetEntrySize(0), -1) << name;  // a copy still reads to the end
    }
}

TEST(GzArchive, StreamOverTheMember) {
    const std::string data = zbtest::PatternData(100000, 5);
    const std::string path =
        zbtest::WriteFile(zbtest::MakeTempDir("gzstream") + "/d.gz", zbtest::Gzip(data));
    CGzArchive gz;
    gz.Init();
    ASSERT_TRUE(gz.Open(path));
    CSourceStream stream;
    ASSERT_TRUE(stream.OpenInArchive(&gz, "d"));
    EXPECT_EQ(stream.GetLength(), -1);
    EXPECT_FALSE(stream.Seek(-10, 2));  // the end is unknown
    EXPECT_TRUE(stream.Seek(50000, 1));
    char buffer[8];
    ASSERT_EQ(stream.Read(buffer, 8), 8);
    EXPECT_EQ(std::string(buffer, 8), data.substr(50000, 8));
    EXPECT_FALSE(stream.Seek(0, 0));
    EXPECT_EQ(stream.GetPosition(), 50008);
    stream.Close();
    EXPECT_EQ(gz.GetBytesRead(0), 0);
}

TEST(GzArchive, PlainFilesPassThrough) {
    const std::string path =
        zbtest::WriteFile(zbtest::MakeTempDir("gzplain") + "/plain.gz", "not compressed");
    CGzArchive gz;
    gz.Init();
    ASSERT_TRUE(gz.Open(path));
    EXPECT_EQ(zbtest::ReadAll(gz), "not compressed");
}

TEST(GzArchive, TruncatedAndCorruptDataFailTheRead) {
    const std::string dir = zbtest::MakeTempDir("gzbad");
    const std::string data = zbtest::PatternData(200000, 7);
    const std::string packed = zbtest::Gzip(data);
    CGzArchive gz;
    gz.Init();
    for (std::size_t length = 2; length < packed.size(); length += packed.size() / 37 + 1) {
        ASSERT_TRUE(gz.Open(zbtest::WriteFile(dir + "/cut" + std::to_string(length) + ".gz",
                                              packed.substr(0, length))));
        EXPECT_EQ(zbtest::ReadAll(gz), "<failed>") << length;
        EXPECT_EQ(gz.Read(0, nullptr, 0), -1);  // the failure stays
        gz.CloseEntry(0);
        EXPECT_EQ(zbtest::ReadAll(gz), "<failed>") << length;
    }
    std::string corrupt = packed;
    corrupt[corrupt.size() - 6] = static_cast<char>(corrupt[corrupt.size() - 6] ^ 1);  // CRC
    ASSERT_TRUE(gz.Open(zbtest::WriteFile(dir + "/crc.gz", corrupt)));
    EXPECT_EQ(zbtest::ReadAll(gz), "<failed>");
    std::string header = packed;
    header[2] = 7;  // unknown compression method
    ASSERT_TRUE(gz.Open(zbtest::WriteFile(dir + "/method.gz", header)));
    EXPECT_EQ(zbtest::ReadAll(gz), "<failed>");
}

TEST(GzArchive, RealSamples) {
    const std::string data = std::string(ZEMBROLT_TESTDATA) + "/gz/";
    CGzArchive gz;
    gz.Init();
    ASSERT_TRUE(gz.Open(data + "test_read_format_raw.data.gz"));
    EXPECT_EQ(zbtest::ReadAll(gz), "foo\n");
    ASSERT_TRUE(gz.Open(data + "gzip-name.gz"));
    EXPECT_EQ(zbtest::ReadAll(gz), "");
    // A gzip of a gzip of a gzip... with a bad check value: the member is the
    // next layer, still compressed (nothing unpacks it further), and the read
    // fails at the check.
    ASSERT_TRUE(gz.Open(data + "test_read_filter_gzip_recursive.gz"));
    char head[2];
    ASSERT_EQ(gz.Read(0, head, 2), 2);
    EXPECT_EQ(std::string(head, 2), "\x1f\x8b");
    EXPECT_EQ(zbtest::ReadAll(gz), "<failed>");
    // The multi-stream TAR sample as a GZ: one member, the whole TAR.
    ASSERT_TRUE(gz.Open(data + "test_compat_gzip_1.tgz"));
    const std::string tar = zbtest::ReadAll(gz);
    EXPECT_EQ(tar.size() % 512, 0u);
    EXPECT_NE(tar.find("d1/f3"), std::string::npos);
}

}  // namespace
