#include "readers/archives/ZipArchiveHandler.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "archives/ZipBuilder.h"
#include "platform/FileTime.h"
#include "support/TempHome.h"

namespace {

using zbtest::BuildZip;
using zbtest::ZipBuildOptions;
using zbtest::ZipTestMember;

std::string Pattern(std::size_t size) {
    std::string data(size, '\0');
    std::uint32_t x = 12345;
    for (std::size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        // Half text, half noise, so deflate neither vanishes nor expands it much.
        data[i] = (i / 512) % 2 == 0 ? static_cast<char>('a' + i % 26) : static_cast<char>(x >> 24);
    }
    return data;
}

std::string WriteArchive(const std::string& bytes, const std::string& name = "test.zip") {
    return zbtest::WriteFile(zbtest::MakeTempDir("zip") + "/" + name, bytes);
}

// Reads a member to its end in blocks; the bytes, or nullopt when a read failed.
std::optional<std::string> ReadAll(CZipArchive& zip, int i, int block = 0x10000) {
    if (!zip.OpenEntry(i)) {
        return std::nullopt;
    }
    std::string data;
    std::vector<char> buffer(static_cast<std::size_t>(block));
    for (;;) {
        const int n = zip.Read(i, buffer.data(), block);
        if (n < 0) {
            zip.CloseEntry(i);
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        data.append(buffer.data(), static_cast<std::size_t>(n));
    }
    zip.CloseEntry(i);
    return data;
}

std::vector<std::string> ListedNames(const CZipArchive& zip) {
    std::vector<std::string> names;
    for (int i = 0; i < zip.GetMemberCount(); ++i) {
        names.push_back(zip.GetMember(i)->m_strName);
    }
    return names;
}

std::vector<std::string> Walk(const CZipArchive& zip, const std::string& folder, bool subtree) {
    std::vector<std::string> names;
    const BOOL flag = subtree ? TRUE : FALSE;
    for (int i = zip.NextChild(zip.FindFolder(folder), folder, flag); i != -1;
         i = zip.NextChild(i, folder, flag)) {
        names.push_back(zip.GetMember(i)->m_strName);
    }
    return names;
}

class ZipArchiveTest : public ::testing::Test {
protected:
    void SetUp() override { zip.Init(); }

    // Writes the archive and opens it; fails the test when it does not open.
    void OpenBuilt(const std::vector<ZipTestMember>& members, const ZipBuildOptions& options = {}) {
        path = WriteArchive(BuildZip(members, options).bytes);
        ASSERT_TRUE(zip.Open(path)) << DescribeArchiveFailure(zip.GetLastFailure());
    }

    CZipArchive zip;
    std::string path;
};

TEST_F(ZipArchiveTest, InitGivesExtensionsBlockSizeAndFlags) {
    std::vector<std::string> extensions;
    zip.GetExtensions(&extensions);
    EXPECT_EQ(extensions, (std::vector<std::string>{"zip", "pak"}));
    EXPECT_EQ(zip.GetBlockSize(), 0x10000);
    EXPECT_EQ(zip.GetFlags(), ARCHIVE_FLAG_USABLE);
    EXPECT_TRUE(zip.MatchExtension("Data.PAK"));
    EXPECT_FALSE(zip.MatchExtension("zip"));
    EXPECT_NE(CreateZipArchiveHandler(), nullptr);
}

TEST_F(ZipArchiveTest, StoredAndDeflatedMembersReadBackWithSizeAndTime) {
    const std::string text = Pattern(200000);
    OpenBuilt({ZipTestMember("stored.bin", text, 0), ZipTestMember("deflated.bin", text, 8)});
    ASSERT_EQ(zip.GetMemberCount(), 2);
    for (const char* name : {"stored.bin", "deflated.bin"}) {
        const int i = zip.FindEntry(name);
        ASSERT_GE(i, 0) << name;
        EXPECT_EQ(zip.GetEntrySize(i), 200000);
        EXPECT_EQ(ReadAll(zip, i, 7000), text) << name;
        EXPECT_EQ(ReadAll(zip, i), text) << name;

        CArchiveEntryInfo info;
        ASSERT_TRUE(zip.GetFileInfo(i, &info));
        EXPECT_EQ(info.m_strName, name);
        EXPECT_EQ(info.m_nSize, 200000);
        SYSTEMTIME st;
        ASSERT_TRUE(FileTimeToSystemTime(&info.m_ftTime, &st));
        EXPECT_EQ(st.wYear, 2024);
        EXPECT_EQ(st.wMonth, 3);
        EXPECT_EQ(st.wDay, 14);
        EXPECT_EQ(st.wHour, 13);
        EXPECT_EQ(st.wMinute, 37);
        EXPECT_EQ(st.wSecond, 42);
    }
}

TEST_F(ZipArchiveTest, BytesReadFollowsTheReadsAndReopeningRestarts) {
    OpenBuilt({ZipTestMember("a.txt", "0123456789")});
    EXPECT_EQ(zip.GetBytesRead(0), -1);
    char buffer[16];
    EXPECT_EQ(zip.Read(0, buffer, 4), -1);  // not open
    ASSERT_TRUE(zip.OpenEntry(0));
    EXPECT_TRUE(zip.IsEntryOpen(0));
    EXPECT_EQ(zip.GetBytesRead(0), 0);
    ASSERT_EQ(zip.Read(0, buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(zip.GetBytesRead(0), 4);
    ASSERT_TRUE(zip.OpenEntry(0));
    EXPECT_EQ(zip.GetBytesRead(0), 0);
    ASSERT_EQ(zip.Read(0, buffer, 16), 10);
    EXPECT_EQ(std::string(buffer, 10), "0123456789");
    EXPECT_EQ(zip.Read(0, buffer, 16), 0);
    EXPECT_TRUE(zip.CloseEntry(0));
    EXPECT_FALSE(zip.IsEntryOpen(0));
    EXPECT_EQ(zip.Read(0, buffer, 16), -1);
    EXPECT_EQ(zip.GetLastFailure(), ArchiveFailure::BadMember);
}

TEST_F(ZipArchiveTest, MembersCanBeReadSideBySide) {
    OpenBuilt({ZipTestMember("a", Pattern(100000)), ZipTestMember("b", "bee")});
    ASSERT_TRUE(zip.OpenEntry(0));
    ASSERT_TRUE(zip.OpenEntry(1));
    std::vector<char> buffer(60000);
    EXPECT_EQ(zip.Read(0, buffer.data(), 60000), 60000);
    EXPECT_EQ(zip.Read(1, buffer.data(), 100), 3);
    EXPECT_EQ(zip.Read(0, buffer.data(), 60000), 40000);
    EXPECT_EQ(std::string(buffer.data(), 40000), Pattern(100000).substr(60000));
}

TEST_F(ZipArchiveTest, MemberOfExactlyOneBlockGivesOneFullBlockThenTheEnd) {
    const std::string block = Pattern(0x10000);
    OpenBuilt({ZipTestMember("s", block, 0), ZipTestMember("d", block, 8)});
    std::vector<char> buffer(0x10000);
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(zip.OpenEntry(i));
        EXPECT_EQ(zip.Read(i, buffer.data(), 0x10000), 0x10000);
        EXPECT_EQ(std::string(buffer.data(), buffer.size()), block);
        EXPECT_EQ(zip.Read(i, buffer.data(), 0x10000), 0);
        EXPECT_EQ(zip.Read(i, buffer.data(), 0x10000), 0);
    }
}

TEST_F(ZipArchiveTest, EmptyMembersAndEmptyArchives) {
    OpenBuilt({ZipTestMember("empty.txt", "", 0), ZipTestMember("empty.gz", "", 8)});
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(ReadAll(zip, i), "");
    }

    const std::string endOnly = BuildZip({}).bytes;
    ASSERT_EQ(endOnly.size(), 22u);
    ASSERT_TRUE(zip.Open(WriteArchive(endOnly, "empty.zip")));
    EXPECT_EQ(zip.GetMemberCount(), 0);
    EXPECT_EQ(zip.FirstFile(), -1);
    EXPECT_EQ(zip.NextChild(-1, "", TRUE), -1);
}

TEST_F(ZipArchiveTest, DataDescriptorMembersTakeTheirSizesFromTheDirectory) {
    const std::string text = Pattern(5000);
    OpenBuilt({ZipTestMember("d.bin", text, 8).DataDescriptor(),
               ZipTestMember("s.bin", text, 0).DataDescriptor()});
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(zip.GetEntrySize(i), 5000);
        EXPECT_EQ(ReadAll(zip, i), text);
    }
}

TEST_F(ZipArchiveTest, Zip64FieldsAndEndRecordsAreRead) {
    const std::string text = Pattern(3000);
    OpenBuilt({ZipTestMember("one", text).Zip64(), ZipTestMember("two", "plain", 0)},
              ZipBuildOptions().Zip64End().Comment("ZIP64 archive"));
    ASSERT_EQ(zip.GetMemberCount(), 2);
    EXPECT_EQ(zip.GetEntrySize(zip.FindEntry("one")), 3000);
    EXPECT_EQ(ReadAll(zip, zip.FindEntry("one")), text);
    EXPECT_EQ(ReadAll(zip, zip.FindEntry("two")), "plain");
}

TEST_F(ZipArchiveTest, BytesInFrontOfTheArchiveAreAllowedForEitherOffsetBase) {
    const std::string stub(1500, 'M');
    for (const bool includePrefix : {false, true}) {
        for (const bool zip64 : {false, true}) {
            SCOPED_TRACE(std::to_string(includePrefix) + std::to_string(zip64));
            OpenBuilt(
                {zip64 ? ZipTestMember("a.txt", "alpha").Zip64() : ZipTestMember("a.txt", "alpha"),
                 ZipTestMember("b.txt", "beta", 0)},
                ZipBuildOptions().Prefix(stub, includePrefix).Zip64End(zip64));
            EXPECT_EQ(ReadAll(zip, zip.FindEntry("a.txt")), "alpha");
            EXPECT_EQ(ReadAll(zip, zip.FindEntry("b.txt")), "beta");
        }
    }
}

TEST_F(ZipArchiveTest, CommentHoldingAnEndSignatureDoesNotHideTheRealRecord) {
    std::string fake;
    zbtest::PutLe(fake, 0x06054b50, 4);
    fake += std::string(18, '\x7f');
    OpenBuilt({ZipTestMember("a.txt", "alpha")}, ZipBuildOptions().Comment("x" + fake + "y"));
    EXPECT_EQ(ReadAll(zip, 0), "alpha");
}

TEST_F(ZipArchiveTest, FoldersMissingFromTheArchiveAreAddedAndWalked) {
    OpenBuilt({ZipTestMember("a/b/c.txt", "c"), ZipTestMember("a/top.txt", "t"),
               ZipTestMember("a/b/d/", "", 0), ZipTestMember("root.txt", "r")});
    EXPECT_EQ(ListedNames(zip), (std::vector<std::string>{"a\\", "a\\b\\", "a\\b\\c.txt",
                                                          "a\\b\\d\\", "a\\top.txt", "root.txt"}));
    EXPECT_EQ(Walk(zip, "", false), (std::vector<std::string>{"a\\", "root.txt"}));
    EXPECT_EQ(Walk(zip, "a", false), (std::vector<std::string>{"a\\b\\", "a\\top.txt"}));
    EXPECT_EQ(Walk(zip, "a", true),
              (std::vector<std::string>{"a\\b\\", "a\\b\\c.txt", "a\\b\\d\\", "a\\top.txt"}));
    EXPECT_EQ(Walk(zip, "a\\b", false), (std::vector<std::string>{"a\\b\\c.txt", "a\\b\\d\\"}));
    EXPECT_EQ(zip.FindFolder("A\\B"), zip.FindEntry("a\\b\\"));
    BOOL has = FALSE;
    ASSERT_TRUE(zip.HasSubfolders("a\\b", &has));
    EXPECT_TRUE(has);
    ASSERT_TRUE(zip.HasSubfolders("a\\b\\d", &has));
    EXPECT_FALSE(has);

    DWORD attributes = 0;
    ASSERT_TRUE(zip.GetAttributes(zip.FindEntry("a\\b\\d\\"), &attributes));
    EXPECT_EQ(attributes, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    ASSERT_TRUE(zip.GetAttributes(zip.FindEntry("a\\top.txt"), &attributes));
    EXPECT_EQ(attributes, 0u);
    std::string name;
    ASSERT_TRUE(zip.GetName(zip.FindEntry("a\\b\\"), &name));
    EXPECT_EQ(name, "a\\b");
    // FirstFile and NextFile skip the folders.
    std::vector<std::string> files;
    for (int i = zip.FirstFile(); i != -1; i = zip.NextFile(i)) {
        files.push_back(zip.GetMember(i)->m_strName);
    }
    EXPECT_EQ(files, (std::vector<std::string>{"a\\b\\c.txt", "a\\top.txt", "root.txt"}));
    // A folder member has no contents to read.
    EXPECT_FALSE(zip.OpenEntry(zip.FindEntry("a\\b\\d\\")));
    EXPECT_FALSE(zip.OpenEntry(zip.FindEntry("a\\")));
}

TEST_F(ZipArchiveTest, LookupIgnoresCase) {
    OpenBuilt({ZipTestMember("Docs/Read Me.TXT", "hello")});
    CArchiveEntryInfo info;
    ASSERT_TRUE(zip.GetFileInfo(zip.FindEntry("docs\\read me.txt"), &info));
    EXPECT_EQ(info.m_strName, "Docs\\Read Me.TXT");
    EXPECT_EQ(zip.FindEntry("DOCS\\READ ME.txt"), zip.FindEntry("docs\\read me.txt"));
    const int i = zip.OpenEntryByName("dOcS\\rEaD mE.tXt");
    ASSERT_GE(i, 0);
    EXPECT_EQ(zip.FindOpenEntry("docs\\READ ME.TXT"), i);
    char buffer[8];
    EXPECT_EQ(zip.Read(i, buffer, 8), 5);
    EXPECT_EQ(zip.FindEntry("docs\\missing.txt"), -1);
}

TEST_F(ZipArchiveTest, NamesWithParentStepsAndAbsolutePathsAreListedAsStored) {
    OpenBuilt({ZipTestMember("../../evil.txt", "up"), ZipTestMember("/etc/passwd", "abs"),
               ZipTestMember("ok/../x.txt", "mid"), ZipTestMember("ok/y.txt", "fine")});
    EXPECT_EQ(ReadAll(zip, zip.FindEntry("..\\..\\evil.txt")), "up");
    EXPECT_EQ(ReadAll(zip, zip.FindEntry("\\etc\\passwd")), "abs");
    EXPECT_EQ(ReadAll(zip, zip.FindEntry("ok\\..\\x.txt")), "mid");
    EXPECT_EQ(ReadAll(zip, zip.FindEntry("OK\\Y.TXT")), "fine");
    EXPECT_EQ(zip.FindEntry("evil.txt"), -1);
    EXPECT_EQ(zip.FindEntry("etc\\passwd"), -1);
    // Every file is still met by a recursive walk from the root, once.
    std::vector<std::string> files;
    for (const std::string& name : Walk(zip, "", true)) {
        if (name.back() != '\\') {
            files.push_back(name);
        }
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"..\\..\\evil.txt", "\\etc\\passwd", "ok\\..\\x.txt",
                                               "ok\\y.txt"}));
}

TEST_F(ZipArchiveTest, NamesAreDecodedByTheirDeclaredEncoding) {
    const std::string utf8Name = "caf\xC3\xA9/na\xC3\xAFve.txt";  // café/naïve.txt
    const std::string oemName = "caf\x82.txt";                    // café.txt in code page 437
    std::string unicodeField = "\x01";
    zbtest::PutLe(unicodeField, zbtest::Crc32Of("R\x82sum\x82.txt"), 4);
    unicodeField += "R\xC3\xA9sum\xC3\xA9.txt";
    std::string staleField = "\x01";
    zbtest::PutLe(staleField, zbtest::Crc32Of("something else"), 4);
    staleField += "Wrong.txt";
    OpenBuilt(
        {ZipTestMember(utf8Name, "1").Flags(0x0800), ZipTestMember(oemName, "2"),
         ZipTestMember("R\x82sum\x82.txt", "3").Extra(zbtest::ExtraRecord(0x7075, unicodeField)),
         ZipTestMember("\x9A"
                       "ber.txt",
                       "4")
             .Extra(zbtest::ExtraRecord(0x7075, staleField))});
    EXPECT_EQ(ReadAll(zip, zip.FindEntry("caf\xC3\xA9\\na\xC3\xAFve.txt")), "1");
    EXPECT_EQ(ReadAll(zip, zip.FindEntry("caf\xC3\xA9.txt")), "2");
    EXPECT_EQ(ReadAll(zip, zip.FindEntry("r\xC3\xA9sum\xC3\xA9.txt")), "3");
    EXPECT_EQ(ReadAll(zip, zip.FindEntry("\xC3\x9C"
                                         "ber.txt")),
              "4");  // Über.txt
    // The added folder keeps the decoded spelling.
    EXPECT_GE(zip.FindEntry("caf\xC3\xA9\\"), 0);
}

TEST_F(ZipArchiveTest, EncryptedMembersAreListedButNeverRead) {
    OpenBuilt({ZipTestMember("secret.txt", "garbled bytes").Flags(0x0001),
               ZipTestMember("open.txt", "clear")});
    const int secret = zip.FindEntry("secret.txt");
    ASSERT_GE(secret, 0);
    EXPECT_EQ(zip.GetEntrySize(secret), 13);
    EXPECT_FALSE(zip.OpenEntry(secret));
    EXPECT_EQ(zip.GetLastFailure(), ArchiveFailure::Encrypted);
    EXPECT_EQ(zip.OpenEntryByName("secret.txt"), -1);
    char buffer[32];
    EXPECT_EQ(zip.Read(secret, buffer, 32), -1);
    EXPECT_EQ(ReadAll(zip, zip.FindEntry("open.txt")), "clear");
}

TEST_F(ZipArchiveTest, ArchiveEncryptedByTheZipToolIsListedButNotRead) {
    const std::string dir = zbtest::MakeTempDir("zipcli");
    zbtest::WriteFile(dir + "/in/plain.txt", "some text to hide\n");
    const std::string command = "cd '" + dir + "/in' && zip -q -P secret ../enc.zip plain.txt";
    if (access("/usr/bin/zip", X_OK) != 0 || std::system(command.c_str()) != 0) {
        GTEST_SKIP() << "the zip tool is not available";
    }
    ASSERT_TRUE(zip.Open(dir + "/enc.zip"));
    const int i = zip.FindEntry("plain.txt");
    ASSERT_GE(i, 0);
    EXPECT_EQ(zip.GetEntrySize(i), 18);
    EXPECT_EQ(ReadAll(zip, i), std::nullopt);
}

TEST_F(ZipArchiveTest, MemberInAnotherMethodIsListedButNotRead) {
    OpenBuilt({ZipTestMember("packed.bz2", "BZh9...", 12), ZipTestMember("plain.txt", "readable")});
    const int packed = zip.FindEntry("packed.bz2");
    ASSERT_GE(packed, 0);
    EXPECT_FALSE(zip.OpenEntry(packed));
    EXPECT_EQ(zip.GetLastFailure(), ArchiveFailure::UnsupportedMethod);
    EXPECT_EQ(ReadAll(zip, zip.FindEntry("plain.txt")), "readable");
}

TEST_F(ZipArchiveTest, DamagedMemberDataFailsTheRead) {
    const std::string text = Pattern(20000);
    const auto badCrc = ZipTestMember("crc", text).Crc(0x12345678);
    const auto storedBadCrc = ZipTestMember("crc0", "abc", 0).Crc(1);
    const auto longer = ZipTestMember("longer", text).DeclaredSize(30000);
    const auto storedLonger = ZipTestMember("longer0", "abc", 0).DeclaredSize(4);
    const auto shorter =
        ZipTestMember("shorter", text).DeclaredSize(100).Crc(zbtest::Crc32Of(text.substr(0, 100)));
    const ZipTestMember notDeflate("junk", std::string(50, '\xff'), 0);
    OpenBuilt({badCrc, storedBadCrc, longer, storedLonger, shorter, notDeflate});
    for (const char* name : {"crc", "crc0", "longer", "longer0"}) {
        EXPECT_EQ(ReadAll(zip, zip.FindEntry(name)), std::nullopt) << name;
    }
    // A stream longer than the member's size is cut at the size.
    EXPECT_EQ(ReadAll(zip, zip.FindEntry("shorter")), text.substr(0, 100));

    // The checksum failure replaces the last bytes and sticks.
    const int i = zip.FindEntry("crc0");
    ASSERT_TRUE(zip.OpenEntry(i));
    char buffer[8];
    EXPECT_EQ(zip.Read(i, buffer, 2), 2);
    EXPECT_EQ(zip.Read(i, buffer, 8), -1);
    EXPECT_EQ(zip.GetLastFailure(), ArchiveFailure::BadArchive);
    EXPECT_EQ(zip.Read(i, buffer, 8), -1);
}

TEST_F(ZipArchiveTest, CorruptDeflateStreamFailsTheRead) {
    // A member marked deflated whose bytes are no deflate stream.
    std::string image = BuildZip({ZipTestMember("bad", std::string(64, 'x'), 0)}).bytes;
    image[8] = 8;                 // local header method
    image[30 + 3 + 64 + 10] = 8;  // central header method
    path = WriteArchive(image);
    ASSERT_TRUE(zip.Open(path));
    EXPECT_EQ(ReadAll(zip, 0), std::nullopt);
}

TEST_F(ZipArchiveTest, FileShrinkingWhileOpenGivesReadFailures) {
    const std::string text = Pattern(300000);
    OpenBuilt({ZipTestMember("big", text, 0), ZipTestMember("small", "s")});
    ASSERT_TRUE(zip.OpenEntry(0));
    ASSERT_EQ(truncate(path.c_str(), 1000), 0);
    std::vector<char> buffer(0x10000);
    EXPECT_EQ(zip.Read(0, buffer.data(), 0x10000), -1);
}

TEST_F(ZipArchiveTest, OpenFailuresLeaveTheReaderClosed) {
    EXPECT_FALSE(zip.Open(zbtest::TempRoot() + "/no-such.zip"));
    EXPECT_EQ(zip.GetLastFailure(), ArchiveFailure::CannotOpen);
    EXPECT_FALSE(zip.Open(zbtest::MakeTempDir("folder.zip")));
    EXPECT_FALSE(zip.IsOpen());
    EXPECT_FALSE(zip.Open(WriteArchive("not a zip file at all, just text", "text.zip")));
    EXPECT_EQ(zip.GetLastFailure(), ArchiveFailure::BadArchive);
    EXPECT_FALSE(zip.IsOpen());
    EXPECT_EQ(zip.FirstFile(), -1);
}

TEST_F(ZipArchiveTest, OpeningAnotherArchiveReplacesTheFirst) {
    OpenBuilt({ZipTestMember("first.txt", "1")});
    ASSERT_TRUE(zip.OpenEntry(0));
    const std::string first = path;
    OpenBuilt({ZipTestMember("second.txt", "2")});
    EXPECT_EQ(zip.FindEntry("first.txt"), -1);
    EXPECT_FALSE(zip.IsEntryOpen(0));
    EXPECT_EQ(ReadAll(zip, zip.FindEntry("second.txt")), "2");
    EXPECT_FALSE(zip.IsOpenOn(first));
}

}  // namespace
