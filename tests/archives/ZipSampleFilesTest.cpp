// ZIP files written by other tools, from the shared sample folder.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "readers/archives/ZipArchiveHandler.h"

namespace {

const std::string kZipSamples = std::string(ZEMBROLT_TESTDATA) + "/zip/";

// The listed names, in table order.
std::vector<std::string> Names(const CZipArchive& zip) {
    std::vector<std::string> names;
    for (int i = 0; i < zip.GetMemberCount(); ++i) {
        names.push_back(zip.GetMember(i)->m_strName);
    }
    return names;
}

// The member's bytes read to its end; nullopt when it cannot be opened or a
// read fails.
std::optional<std::string> Contents(CZipArchive& zip, const std::string& name) {
    const int i = zip.OpenEntryByName(name);
    if (i < 0) {
        return std::nullopt;
    }
    std::string data;
    char buffer[0x4000];
    int n = 0;
    while ((n = zip.Read(i, buffer, sizeof buffer)) > 0) {
        data.append(buffer, static_cast<std::size_t>(n));
    }
    zip.CloseEntry(i);
    if (n < 0) {
        return std::nullopt;
    }
    return data;
}

class ZipSampleTest : public ::testing::Test {
protected:
    void SetUp() override { zip.Init(); }
    bool Open(const char* name) { return zip.Open(kZipSamples + name) != FALSE; }

    CZipArchive zip;
};

TEST_F(ZipSampleTest, DeflatedAndStoredMembersWithDataDescriptors) {
    ASSERT_TRUE(Open("test_read_format_zip.zip"));
    EXPECT_EQ(Names(zip), (std::vector<std::string>{"dir\\", "file1", "file2"}));
    EXPECT_EQ(zip.GetEntrySize(zip.FindEntry("file1")), 18);
    const std::optional<std::string> file1 = Contents(zip, "file1");
    ASSERT_TRUE(file1.has_value());
    EXPECT_EQ(*file1, "hello\nhello\nhello\n");
    // file2 holds the same deflated bytes, but its directory entry carries a
    // wrong CRC-32: the damage shows as a failed read.
    EXPECT_EQ(zip.GetEntrySize(zip.FindEntry("FILE2")), 18);
    EXPECT_EQ(Contents(zip, "FILE2"), std::nullopt);
    EXPECT_EQ(zip.GetLastFailure(), ArchiveFailure::BadArchive);
}

TEST_F(ZipSampleTest, StoredMembersAndComments) {
    ASSERT_TRUE(Open("test_compat_zip_2.zip"));
    EXPECT_EQ(Names(zip), (std::vector<std::string>{"file1", "file2"}));
    EXPECT_EQ(Contents(zip, "file1"), "");
    EXPECT_EQ(Contents(zip, "file2")->size(), 6u);

    ASSERT_TRUE(Open("test_read_format_zip_comment_stored_1.zip"));
    EXPECT_EQ(Names(zip), (std::vector<std::string>{"build.sh", "file0"}));
    EXPECT_EQ(Contents(zip, "build.sh")->size(), 23u);

    ASSERT_TRUE(Open("Zip.EntryComment.zip"));
    EXPECT_EQ(Contents(zip, "test.txt")->size(), 15u);
}

TEST_F(ZipSampleTest, SelfExtractorStubBeforeTheArchive) {
    ASSERT_TRUE(Open("test_read_format_zip_sfx.zip"));
    EXPECT_EQ(Names(zip), (std::vector<std::string>{"build.sh", "file0"}));
    EXPECT_EQ(Contents(zip, "build.sh")->substr(0, 2), "#!");
}

TEST_F(ZipSampleTest, Utf8NamesWithTheirFlag) {
    ASSERT_TRUE(Open("test_read_format_zip_filename_utf8_jp.zip"));
    const std::string folder = "\xE8\xA1\xA8\xE3\x81\xA0\xE3\x82\x88\\";  // 表だよ
    EXPECT_EQ(Names(zip),
              (std::vector<std::string>{folder, folder + "\xE4\xB8\x80\xE8\xA6\xA7\xE8\xA1\xA8.txt",
                                        folder + "\xE6\xBC\xA2\xE5\xAD\x97.txt"}));
    EXPECT_EQ(Contents(zip, folder + "\xE6\xBC\xA2\xE5\xAD\x97.txt")->size(), 5u);
}

TEST_F(ZipSampleTest, Zip64Archives) {
    ASSERT_TRUE(Open("Zip.zip64.compressedonly.zip"));
    EXPECT_EQ(Names(zip), (std::vector<std::string>{"test\\", "test\\test.txt"}));
    EXPECT_EQ(Contents(zip, "test\\test.txt")->size(), 15u);

    ASSERT_TRUE(Open("test_read_format_zip_zip64a.zip"));
    EXPECT_EQ(Names(zip), (std::vector<std::string>{"-"}));
    EXPECT_EQ(Contents(zip, "-")->size(), 6u);

    // Its classic end record holds markers in the disk fields.
    ASSERT_TRUE(Open("malformed_zip_invalid_traditional_eocd.zip"));
    EXPECT_EQ(Names(zip), (std::vector<std::string>{"test1.txt", "test2.txt"}));
}

TEST_F(ZipSampleTest, EncryptedMembersAreListedButNotRead) {
    ASSERT_TRUE(Open("test_read_format_zip_traditional_encryption_data.zip"));
    EXPECT_EQ(Names(zip), (std::vector<std::string>{"bar.txt", "foo.txt"}));
    EXPECT_EQ(zip.GetEntrySize(zip.FindEntry("bar.txt")), 495);
    EXPECT_EQ(Contents(zip, "bar.txt"), std::nullopt);
    EXPECT_EQ(zip.GetLastFailure(), ArchiveFailure::Encrypted);

    ASSERT_TRUE(Open("test_read_format_zip_winzip_aes128.zip"));
    EXPECT_EQ(Names(zip), (std::vector<std::string>{"README"}));
    EXPECT_EQ(Contents(zip, "README"), std::nullopt);
}

TEST_F(ZipSampleTest, MembersInOtherMethodsAreListedButNotRead) {
    ASSERT_TRUE(Open("test_read_format_zip_bzip2.zipx"));
    EXPECT_EQ(Names(zip), (std::vector<std::string>{"vimrc"}));
    EXPECT_EQ(Contents(zip, "vimrc"), std::nullopt);
    EXPECT_EQ(zip.GetLastFailure(), ArchiveFailure::UnsupportedMethod);

    // Imploded members beside a stored one; a name in code page 437.
    ASSERT_TRUE(Open("Zip.implode.zip"));
    EXPECT_EQ(Names(zip),
              (std::vector<std::string>{"EXE\\", "EXE\\TEST.EXE", "JPG\\", "JPG\\TEST.JPG",
                                        "\xCE\x93\xC3\x91\xC3\x9F\xCE\x93.txt"}));
    EXPECT_EQ(Contents(zip, "exe\\test.exe"), std::nullopt);
    const std::optional<std::string> jpeg = Contents(zip, "jpg\\test.jpg");
    ASSERT_TRUE(jpeg.has_value());
    EXPECT_EQ(jpeg->size(), 40372u);
    EXPECT_EQ(jpeg->substr(0, 2), "\xFF\xD8");
}

TEST_F(ZipSampleTest, DeclaredSizeBeyondTheDataFailsTheRead) {
    ASSERT_TRUE(Open("malformed_zip_uncompressed_size_off_by_4gib.zip"));
    EXPECT_EQ(zip.GetEntrySize(zip.FindEntry("hello.txt")), 4294967301);
    EXPECT_EQ(Contents(zip, "hello.txt"), std::nullopt);
}

TEST_F(ZipSampleTest, IncompleteArchivesFail) {
    // A lone local header, and the two parts of a split archive on their own.
    for (const char* name :
         {"malformed_zip_malformed1.zip", "Infozip.nocomp.multi.z01", "Infozip.nocomp.multi.zip"}) {
        EXPECT_FALSE(Open(name)) << name;
        EXPECT_FALSE(zip.IsOpen()) << name;
    }
}

}  // namespace
