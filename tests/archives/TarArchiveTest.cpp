#include "readers/archives/TarArchiveHandler.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archives/CompressedTestData.h"
#include "platform/FileTime.h"
#include "readers/archives/SourceStream.h"
#include "support/ScopedTimeZone.h"
#include "support/TempHome.h"

namespace {

using zbtest::TarEnd;
using zbtest::TarHeader;
using zbtest::TarHeaderSpec;
using zbtest::TarMember;

// Runs a shell command in `dir`; true when it succeeds.
bool RunIn(const std::string& dir, const std::string& command) {
    return std::system(("cd '" + dir + "' && " + command + " >/dev/null 2>&1").c_str()) == 0;
}

// Every member's stored name, in table order.
std::vector<std::string> Names(const CTarArchive& tar) {
    std::vector<std::string> names;
    for (int i = 0; i < tar.GetMemberCount(); ++i) {
        names.push_back(tar.GetMember(i)->m_strName);
    }
    return names;
}

// The names a walk of `folder` reports (folders with their trailing "\").
std::vector<std::string> Walk(const CTarArchive& tar, const std::string& folder, BOOL subtree) {
    std::vector<std::string> names;
    for (int i = tar.NextChild(tar.FindFolder(folder), folder, subtree); i != -1;
         i = tar.NextChild(i, folder, subtree)) {
        CArchiveEntryInfo info;
        EXPECT_TRUE(tar.GetFileInfo(i, &info));
        names.push_back(info.m_strName);
    }
    return names;
}

// The whole contents of member `name`, read in blocks of `block` bytes;
// "<failed>" when a read fails.
std::string ReadMember(CArchiveHandler& handler, const std::string& name, int block = 7000) {
    const int i = handler.OpenEntryByName(name);
    if (i < 0) {
        return "<not found>";
    }
    std::string out;
    std::string buffer(static_cast<std::size_t>(block), '\0');
    for (;;) {
        const int n = handler.Read(i, buffer.data(), block);
        if (n < 0) {
            out = "<failed>";
            break;
        }
        if (n == 0) {
            break;
        }
        out.append(buffer, 0, static_cast<std::size_t>(n));
    }
    handler.CloseEntry(i);
    return out;
}

std::string OpenAndInit(CTarArchive& tar, const std::string& path) {
    tar.Init();
    return tar.Open(path) ? "open" : "closed";
}

TEST(TarArchiveInit, ExtensionsBlockSizeAndFlags) {
    CTarArchive tar;
    tar.Init();
    std::vector<std::string> extensions;
    tar.GetExtensions(&extensions);
    EXPECT_EQ(extensions, (std::vector<std::string>{"tgz", "tar", "tar.gz", "tbz2", "tbz", "tar.bz",
                                                    "tar.bz2"}));
    EXPECT_EQ(tar.GetBlockSize(), 0x10000);
    EXPECT_EQ(tar.GetFlags(), ARCHIVE_FLAG_USABLE);
    EXPECT_TRUE(tar.MatchExtension("/x/Backup.TAR.BZ2"));
    EXPECT_FALSE(tar.MatchExtension("/x/tar"));
    EXPECT_FALSE(CreateTarArchiveHandler()->IsOpen());
}

// A tree made with the tar tool, then packed plain, with gzip and with bzip2.
class TarToolArchiveTest : public ::testing::TestWithParam<std::pair<std::string, std::string>> {
protected:
    void SetUp() override {
        m_dir = zbtest::MakeTempDir("tartool");
        m_big = zbtest::PatternData(150000, 3);
        zbtest::WriteFile(m_dir + "/src/Docs/Readme.TXT", "read me\n");
        zbtest::WriteFile(m_dir + "/src/Docs/Deep/big.bin", m_big);
        zbtest::WriteFile(m_dir + "/src/Docs/Deep/empty.txt", "");
        zbtest::WriteFile(m_dir + "/src/top.txt", "top");
        std::filesystem::create_directories(m_dir + "/src/Empty");
        const auto& [name, flags] = GetParam();
        m_path = m_dir + "/" + name;
        ASSERT_TRUE(RunIn(m_dir + "/src",
                          "tar " + flags + " --sort=name -cf '" + m_path + "' Docs top.txt Empty"));
        ASSERT_EQ(OpenAndInit(m_tar, m_path), "open");
    }

    std::string m_dir;
    std::string m_path;
    std::string m_big;
    CTarArchive m_tar;
};

TEST_P(TarToolArchiveTest, ListsFoldersAndFilesInArchiveOrder) {
    EXPECT_EQ(Names(m_tar),
              (std::vector<std::string>{"Docs\\", "Docs\\Deep\\", "Docs\\Deep\\big.bin",
                                        "Docs\\Deep\\empty.txt", "Docs\\Readme.TXT", "top.txt",
                                        "Empty\\"}));
    const int big = m_tar.FindEntry("DOCS\\deep\\BIG.bin");
    ASSERT_GE(big, 0);
    EXPECT_EQ(m_tar.GetEntrySize(big), 150000);
    std::vector<std::string> files;
    for (int i = m_tar.FirstFile(); i != -1; i = m_tar.NextFile(i)) {
        std::string name;
        ASSERT_TRUE(m_tar.GetName(i, &name));
        files.push_back(name);
    }
    EXPECT_EQ(files, (std::vector<std::string>{"Docs\\Deep\\big.bin", "Docs\\Deep\\empty.txt",
                                               "Docs\\Readme.TXT", "top.txt"}));
    DWORD attributes = 0;
    EXPECT_TRUE(m_tar.GetAttributes(m_tar.FindEntry("docs\\"), &attributes));
    EXPECT_EQ(attributes, FILE_ATTRIBUTE_DIRECTORY);
    std::string name;
    EXPECT_TRUE(m_tar.GetName(m_tar.FindEntry("docs\\"), &name));
    EXPECT_EQ(name, "Docs");
}

TEST_P(TarToolArchiveTest, WalksFoldersWithAndWithoutSubtree) {
    EXPECT_EQ(m_tar.FindFolder(""), -1);
    EXPECT_EQ(m_tar.FindFolder("missing"), -1);
    EXPECT_EQ(Walk(m_tar, "", FALSE), (std::vector<std::string>{"Docs\\", "top.txt", "Empty\\"}));
    EXPECT_EQ(Walk(m_tar, "docs", FALSE),
              (std::vector<std::string>{"Docs\\Deep\\", "Docs\\Readme.TXT"}));
    EXPECT_EQ(Walk(m_tar, "Docs", TRUE),
              (std::vector<std::string>{"Docs\\Deep\\", "Docs\\Deep\\big.bin",
                                        "Docs\\Deep\\empty.txt", "Docs\\Readme.TXT"}));
    EXPECT_EQ(Walk(m_tar, "Docs\\DEEP", FALSE),
              (std::vector<std::string>{"Docs\\Deep\\big.bin", "Docs\\Deep\\empty.txt"}));
    EXPECT_TRUE(Walk(m_tar, "Empty", TRUE).empty());
    BOOL has = FALSE;
    EXPECT_TRUE(m_tar.HasSubfolders("", &has));
    EXPECT_TRUE(has);
    EXPECT_TRUE(m_tar.HasSubfolders("docs", &has));
    EXPECT_TRUE(has);
    EXPECT_TRUE(m_tar.HasSubfolders("docs\\deep", &has));
    EXPECT_FALSE(has);
    EXPECT_FALSE(m_tar.HasSubfolders("top.txt", &has));
}

TEST_P(TarToolArchiveTest, ReadsMembersInAnyOrder) {
    // Backwards first: in a compressed archive that decodes it again.
    EXPECT_EQ(ReadMember(m_tar, "top.txt"), "top");
    EXPECT_EQ(ReadMember(m_tar, "docs\\deep\\big.bin"), m_big);
    EXPECT_EQ(ReadMember(m_tar, "Docs\\Deep\\empty.txt"), "");
    EXPECT_EQ(ReadMember(m_tar, "Docs\\Readme.TXT", 3), "read me\n");
    EXPECT_EQ(ReadMember(m_tar, "Docs\\Deep\\big.bin", 65536), m_big);
    EXPECT_EQ(OpenAndInit(m_tar, m_path), "open");  // the same path again: still open
    EXPECT_EQ(ReadMember(m_tar, "top.txt"), "top");
}

TEST_P(TarToolArchiveTest, TwoMembersOpenAtOnceKeepTheirPositions) {
    const int big = m_tar.OpenEntryByName("Docs\\Deep\\big.bin");
    const int top = m_tar.OpenEntryByName("top.txt");
    ASSERT_GE(big, 0);
    ASSERT_GE(top, 0);
    EXPECT_EQ(m_tar.OpenEntry(big), FALSE);  // already open
    EXPECT_EQ(m_tar.FindOpenEntry("TOP.TXT"), top);
    char buffer[100];
    ASSERT_EQ(m_tar.Read(big, buffer, 100), 100);
    ASSERT_EQ(m_tar.Read(top, buffer, 100), 3);
    ASSERT_EQ(m_tar.Read(big, buffer, 10), 10);
    EXPECT_EQ(std::string(buffer, 10), m_big.substr(100, 10));
    EXPECT_EQ(m_tar.GetBytesRead(big), 110);
    EXPECT_EQ(m_tar.Read(top, buffer, 100), 0);
    m_tar.CloseEntry(big);
    m_tar.CloseEntry(top);
    EXPECT_EQ(m_tar.Read(big, buffer, 10), -1);
    EXPECT_EQ(m_tar.GetBytesRead(big), -1);
    EXPECT_FALSE(m_tar.OpenEntry(m_tar.FindEntry("docs\\")));  // a folder
    EXPECT_EQ(m_tar.Read(m_tar.GetMemberCount(), buffer, 1), -1);
}

TEST_P(TarToolArchiveTest, StreamSeeksForwardOnlyInsideAMember) {
    CSourceStream stream;
    ASSERT_TRUE(stream.OpenInArchive(&m_tar, "Docs\\Deep\\big.bin"));
    EXPECT_EQ(stream.GetLength(), 150000);
    char buffer[16];
    ASSERT_EQ(stream.Read(buffer, 16), 16);
    EXPECT_TRUE(stream.Seek(1000, 1));
    EXPECT_EQ(stream.GetPosition(), 1016);
    ASSERT_EQ(stream.Read(buffer, 16), 16);
    EXPECT_EQ(std::string(buffer, 16), m_big.substr(1016, 16));
    EXPECT_FALSE(stream.Seek(10, 0));
    EXPECT_EQ(stream.GetPosition(), 1032);
    EXPECT_TRUE(stream.Seek(-16, 2));
    ASSERT_EQ(stream.Read(buffer, 16), 16);
    EXPECT_EQ(std::string(buffer, 16), m_big.substr(150000 - 16));
    EXPECT_EQ(stream.Read(buffer, 16), 0);
    stream.Close();
    EXPECT_FALSE(m_tar.IsEntryOpen(m_tar.FindEntry("Docs\\Deep\\big.bin")));
}

TEST_P(TarToolArchiveTest, CutAtEveryBlockBoundaryNeverOpensBrokenData) {
    std::string bytes;
    {
        zb::InputFile file;
        ASSERT_TRUE(file.Open(m_path));
        bytes.resize(static_cast<std::size_t>(file.GetLength()));
        ASSERT_EQ(file.Read(bytes.data(), bytes.size()), static_cast<std::int64_t>(bytes.size()));
    }
    const std::string cutPath = m_dir + "/cut-" + GetParam().first;
    const std::size_t step = GetParam().first == "plain.tar" ? 512 : 97;
    for (std::size_t length = 0; length < bytes.size(); length += step) {
        zbtest::WriteFile(cutPath, bytes.substr(0, length));
        CTarArchive cut;
        cut.Init();
        if (!cut.Open(cutPath)) {
            continue;
        }
        // An archive that still opens has every member whole, or fails the read.
        for (int i = cut.FirstFile(); i != -1; i = cut.NextFile(i)) {
            CArchiveEntryInfo info;
            ASSERT_TRUE(cut.GetFileInfo(i, &info));
            const std::string contents = ReadMember(cut, info.m_strName);
            EXPECT_TRUE(contents == "<failed>" ||
                        static_cast<std::int64_t>(contents.size()) == info.m_nSize)
                << length << " " << info.m_strName;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Compressions, TarToolArchiveTest,
                         ::testing::Values(std::make_pair("plain.tar", ""),
                                           std::make_pair("packed.tar.gz", "-z"),
                                           std::make_pair("packed.tgz", "-z"),
                                           std::make_pair("packed.tar.bz2", "-j"),
                                           std::make_pair("packed.tbz", "-j")),
                         [](const auto& info) {
                             std::string name = info.param.first;
                             for (char& c : name) {
                                 if (c == '.') {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

TEST(TarArchiveNames, LongNamesFromEveryFormatOfTheTarTool) {
    const std::string dir = zbtest::MakeTempDir("tarlong");
    const std::string folder(120, 'f');
    const std::string longName = folder + "/" + std::string(130, 'n') + ".txt";
    zbtest::WriteFile(dir + "/src/" + longName, "long");
    for (const std::string format : {"gnu", "pax", "ustar"}) {
        const std::string path = dir + "/" + format + ".tar";
        if (format == "ustar") {
            // ustar splits the path at a "/" into prefix and name: both must fit.
            zbtest::WriteFile(dir + "/src/" + folder + "/short.txt", "short");
            ASSERT_TRUE(RunIn(dir + "/src",
                              "tar --format=ustar -cf '" + path + "' " + folder + "/short.txt"));
        } else {
            ASSERT_TRUE(
                RunIn(dir + "/src", "tar --format=" + format + " -cf '" + path + "' " + longName));
        }
        CTarArchive tar;
        ASSERT_EQ(OpenAndInit(tar, path), "open") << format;
        const std::string expected = format == "ustar"
                                         ? folder + "\\short.txt"
                                         : folder + "\\" + std::string(130, 'n') + ".txt";
        ASSERT_EQ(tar.FirstFile(), tar.FindEntry(expected)) << format;
        EXPECT_EQ(tar.NextFile(tar.FirstFile()), -1) << format;
        EXPECT_EQ(ReadMember(tar, expected), format == "ustar" ? "short" : "long");
        EXPECT_GE(tar.FindFolder(folder), 0) << format;  // added: the archive has no entry
    }
}

TEST(TarArchiveNames, HundredCharacterNameIsKeptWhole) {
    const std::string name(100, 'x');
    const std::string path = zbtest::WriteFile(zbtest::MakeTempDir("tar100") + "/a.tar",
                                               TarMember(name, "abc") + TarEnd());
    CTarArchive tar;
    ASSERT_EQ(OpenAndInit(tar, path), "open");
    EXPECT_EQ(tar.FindEntry(name), 0);
}

TEST(TarArchiveNames, DotDotAndAbsoluteNamesAreListedAsStored) {
    const std::string path =
        zbtest::WriteFile(zbtest::MakeTempDir("tarabs") + "/a.tar",
                          TarMember("../escape.txt", "up") + TarMember("/etc/passwd", "root") +
                              TarMember("a/../../b.txt", "b") + TarMember("/", "", '5') +
                              TarMember("//", "") + TarEnd());
    CTarArchive tar;
    ASSERT_EQ(OpenAndInit(tar, path), "open");
    EXPECT_EQ(Names(tar),
              (std::vector<std::string>{"..\\", "..\\escape.txt", "\\etc\\", "\\etc\\passwd", "a\\",
                                        "a\\..\\", "a\\..\\..\\", "a\\..\\..\\b.txt"}));
    EXPECT_EQ(ReadMember(tar, "\\ETC\\passwd"), "root");
    EXPECT_EQ(Walk(tar, "\\etc", FALSE), (std::vector<std::string>{"\\etc\\passwd"}));
    EXPECT_EQ(Walk(tar, "", FALSE), (std::vector<std::string>{"..\\", "\\etc\\", "a\\"}));
}

TEST(TarArchiveNames, FolderMembersAreGroupedAndMissingFoldersAdded) {
    // Appended archives scatter a folder's members; the archive has no entry
    // for folder "b", and folder "a" comes after its first file.
    const std::string path = zbtest::WriteFile(
        zbtest::MakeTempDir("targroup") + "/a.tar",
        TarMember("a/x.txt", "x") + TarMember("b/y.txt", "y") + TarMember("A/", "", '5') +
            TarMember("a/z.txt", "z") + TarMember("c", "", '5') + TarMember("c/w", "w") + TarEnd());
    CTarArchive tar;
    ASSERT_EQ(OpenAndInit(tar, path), "open");
    EXPECT_EQ(Names(tar), (std::vector<std::string>{"A\\", "a\\x.txt", "a\\z.txt", "b\\",
                                                    "b\\y.txt", "c\\", "c\\w"}));
    EXPECT_EQ(Walk(tar, "a", FALSE), (std::vector<std::string>{"a\\x.txt", "a\\z.txt"}));
    EXPECT_EQ(Walk(tar, "B", FALSE), (std::vector<std::string>{"b\\y.txt"}));
    EXPECT_EQ(Walk(tar, "", FALSE), (std::vector<std::string>{"A\\", "b\\", "c\\"}));
    EXPECT_EQ(ReadMember(tar, "A\\Z.TXT"), "z");
    EXPECT_EQ(ReadMember(tar, "c\\w"), "w");
    EXPECT_EQ(tar.GetEntrySize(tar.FindEntry("b\\")), 0);
}

TEST(TarArchiveNames, MemberTimeIsLocalTime) {
    zbtest::ScopedTimeZone zone("UTC+02");  // POSIX sign: two hours behind UTC
    TarHeaderSpec spec;
    spec.name = "t.txt";
    spec.mtime = 1200000000;
    const std::string path =
        zbtest::WriteFile(zbtest::MakeTempDir("tartime") + "/a.tar", TarHeader(spec) + TarEnd());
    CTarArchive tar;
    ASSERT_EQ(OpenAndInit(tar, path), "open");
    CArchiveEntryInfo info;
    ASSERT_TRUE(tar.GetFileInfo(0, &info));
    FILETIME utc{};
    ASSERT_TRUE(LocalFileTimeToFileTime(&info.m_ftTime, &utc));
    EXPECT_EQ(FileTimeToCTime(utc).GetTime(), 1200000000);
    FILETIME expected = TimespecToFileTimeClamped(timespec{1200000000 - 7200, 0});
    EXPECT_EQ(CompareFileTime(&info.m_ftTime, &expected), 0);
}

// An archive with one member whose size field holds the given 12 bytes.
std::string WithSizeField(const std::string& field, const std::string& data) {
    TarHeaderSpec spec;
    spec.name = "m";
    spec.sizeField = field;
    return TarHeader(spec) + zbtest::TarPadded(data) + TarEnd();
}

TEST(TarArchiveHeaders, SizeFields) {
    const std::string dir = zbtest::MakeTempDir("tarsize");
    const std::string data(700, 'd');
    struct Case {
        std::string field;
        std::string result;  // "open" with the member's size, or "closed"
        std::int64_t size;
    };
    const std::string base256Positive("\x80\0\0\0\0\0\0\0\0\0\x02\x9c", 12);  // 668
    const std::string base256Negative("\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff", 12);
    const std::string base256Huge("\x80\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff", 12);
    for (const Case& c : std::vector<Case>{
             {std::string("     1234 \0\0", 12), "open", 668},
             {std::string("00000001274\0", 12), "open", 700},
             {base256Positive, "open", 668},
             {base256Negative, "closed", 0},
             {base256Huge, "closed", 0},
             {std::string("0000000012x4", 12), "closed", 0},
             {std::string("77777777777\0", 12), "closed", 0},  // past the end of the file
         }) {
        const std::string path = zbtest::WriteFile(dir + "/a.tar", WithSizeField(c.field, data));
        CTarArchive tar;
        ASSERT_EQ(OpenAndInit(tar, path), c.result) << c.field;
        if (c.result == "open") {
            EXPECT_EQ(tar.GetEntrySize(0), c.size);
            EXPECT_EQ(ReadMember(tar, "m").size(), static_cast<std::size_t>(c.size));
        }
    }
}

TEST(TarArchiveHeaders, EndOfArchiveRules) {
    const std::string dir = zbtest::MakeTempDir("tarend");
    CTarArchive tar;
    tar.Init();
    // No zero block after the last member: old archives end so, and open.
    ASSERT_TRUE(tar.Open(zbtest::WriteFile(dir + "/noend.tar", TarMember("a", "abc"))));
    EXPECT_EQ(ReadMember(tar, "a"), "abc");
    // Member data cut short.
    EXPECT_FALSE(
        tar.Open(zbtest::WriteFile(dir + "/short.tar", TarMember("a", "abc").substr(0, 515))));
    EXPECT_FALSE(tar.IsOpen());
    // A header cut short.
    EXPECT_FALSE(tar.Open(zbtest::WriteFile(dir + "/cut.tar", TarMember("a", "abc") + "\x61\x62")));
    // A single zero block ends it; an empty archive opens with no members.
    ASSERT_TRUE(tar.Open(
        zbtest::WriteFile(dir + "/one.tar", TarMember("a", "abc") + std::string(512, '\0'))));
    EXPECT_EQ(tar.GetMemberCount(), 1);
    ASSERT_TRUE(tar.Open(zbtest::WriteFile(dir + "/empty.tar", TarEnd())));
    EXPECT_EQ(tar.FirstFile(), -1);
    EXPECT_FALSE(tar.Open(zbtest::WriteFile(dir + "/zero.tar", "")));
    EXPECT_FALSE(tar.Open(dir + "/missing.tar"));
    EXPECT_FALSE(tar.Open(dir));  // a folder is not a file
}

TEST(TarArchiveHeaders, MetadataHeadersNameTheNextMember) {
    const std::string longName = std::string(300, 'L') + "/file";
    TarHeaderSpec link;
    link.name = "link";
    link.type = '2';
    const std::string pax = "26 path=pax/dir/named.txt\n" + std::string("17 mtime=12345.5\n");
    const std::string path = zbtest::WriteFile(
        zbtest::MakeTempDir("tarmeta") + "/a.tar",
        TarMember("././@LongLink", longName + std::string(1, '\0'), 'L') +
            TarMember("short-cut-name", "data") + TarMember("././@LongLink", "target", 'K') +
            TarHeader(link) + TarMember("pax-header", pax, 'x') + TarMember("cut", "p") +
            TarMember("global", "9 a=b c\n", 'g') + TarMember("label", "", 'V') +
            TarMember("plain", "q") + TarEnd());
    CTarArchive tar;
    ASSERT_EQ(OpenAndInit(tar, path), "open");
    std::vector<std::string> files;
    for (int i = tar.FirstFile(); i != -1; i = tar.NextFile(i)) {
        files.push_back(tar.GetMember(i)->m_strName);
    }
    EXPECT_EQ(files, (std::vector<std::string>{std::string(300, 'L') + "\\file", "link",
                                               "pax\\dir\\named.txt", "plain"}));
    EXPECT_EQ(ReadMember(tar, std::string(300, 'l') + "\\FILE"), "data");
    EXPECT_EQ(ReadMember(tar, "pax\\dir\\named.txt"), "p");
}

TEST(TarArchiveHeaders, AnOldFolderEntryWithASizeKeepsTheNextHeader) {
    // Old archives mark a folder by a trailing "/" on a regular member; its
    // size field means nothing, no data follows.
    TarHeaderSpec folder;
    folder.name = "dir/";
    folder.size = 1024;
    const std::string path =
        zbtest::WriteFile(zbtest::MakeTempDir("tarv7") + "/v7.tar",
                          TarHeader(folder) + TarMember("dir/a.txt", "alpha") + TarEnd());
    CTarArchive tar;
    ASSERT_EQ(OpenAndInit(tar, path), "open");
    EXPECT_EQ(Names(tar), (std::vector<std::string>{"dir\\", "dir\\a.txt"}));
    EXPECT_EQ(ReadMember(tar, "dir\\a.txt"), "alpha");
}

TEST(TarArchiveHeaders, ANameHoldingANulByteEndsThereAndIsFound) {
    std::string record = " path=dir/a";
    record += '\0';
    record += "b.txt\n";
    record = std::to_string(record.size() + 2) + record;
    const std::string path =
        zbtest::WriteFile(zbtest::MakeTempDir("tarnul") + "/nul.tar",
                          TarMember("pax", record, 'x') + TarMember("x", "found") + TarEnd());
    CTarArchive tar;
    ASSERT_EQ(OpenAndInit(tar, path), "open");
    ASSERT_EQ(tar.FirstFile(), tar.FindEntry("dir\\a"));
    CArchiveEntryInfo info;
    ASSERT_TRUE(tar.GetFileInfo(tar.FirstFile(), &info));
    EXPECT_EQ(info.m_strName, "dir\\a");
    EXPECT_EQ(ReadMember(tar, info.m_strName), "found");
}

TEST(TarArchiveHeaders, SparseMembersAreListedWithTheirRealNameAndSizeButNotRead) {
    const std::string dir = zbtest::MakeTempDir("tarsparse");
    // A 2 MiB file that is a hole but for its last 4 bytes.
    ASSERT_TRUE(RunIn(dir,
                      "(dd if=/dev/zero of=sparse.bin bs=1 count=0 seek=2M && "
                      "printf tail >> sparse.bin && echo after > after.txt)"));
    for (const std::string format :
         {"--format=gnu", "--format=posix", "--format=posix --sparse-version=0.1"}) {
        SCOPED_TRACE(format);
        ASSERT_TRUE(RunIn(dir, "tar --sparse --hole-detection=raw " + format +
                                   " -cf s.tar sparse.bin after.txt"));
        CTarArchive tar;
        ASSERT_EQ(OpenAndInit(tar, dir + "/s.tar"), "open");
        EXPECT_EQ(Names(tar), (std::vector<std::string>{"sparse.bin", "after.txt"}));
        const int sparse = tar.FindEntry("sparse.bin");
        ASSERT_GE(sparse, 0);
        EXPECT_EQ(tar.GetEntrySize(sparse), 2 * 1024 * 1024 + 4);
        EXPECT_FALSE(tar.OpenEntry(sparse));
        EXPECT_EQ(tar.GetLastFailure(), ArchiveFailure::UnsupportedMethod);
        EXPECT_EQ(ReadMember(tar, "after.txt"), "after\n");
    }
}

TEST(TarArchiveHeaders, OversizedLongNameFails) {
    const std::string dir = zbtest::MakeTempDir("tarbig");
    const std::string name(5000, 'n');
    CTarArchive tar;
    tar.Init();
    EXPECT_FALSE(tar.Open(zbtest::WriteFile(
        dir + "/a.tar", TarMember("././@LongLink", name, 'L') + TarMember("x", "") + TarEnd())));
    // A GNU long-name header claiming more than the file holds.
    TarHeaderSpec spec;
    spec.name = "././@LongLink";
    spec.type = 'L';
    spec.size = 100;
    EXPECT_FALSE(tar.Open(zbtest::WriteFile(dir + "/b.tar", TarHeader(spec) + "abc")));
}

TEST(TarArchiveCompressed, ConcatenatedStreamsAndCorruptData) {
    const std::string dir = zbtest::MakeTempDir("tarcomp");
    const std::string first = TarMember("one.txt", zbtest::PatternData(3000));
    const std::string second = TarMember("two.txt", "second") + TarEnd();
    CTarArchive tar;
    tar.Init();
    for (const auto& [name, packed] :
         {std::make_pair("a.tar.gz", zbtest::Gzip(first) + zbtest::Gzip(second)),
          std::make_pair("a.tar.bz2", zbtest::Bzip2(first) + zbtest::Bzip2(second))}) {
        ASSERT_TRUE(tar.Open(zbtest::WriteFile(dir + "/" + name, packed))) << name;
        EXPECT_EQ(ReadMember(tar, "two.txt"), "second");
        EXPECT_EQ(ReadMember(tar, "one.txt"), zbtest::PatternData(3000));
    }
    // A stream cut before the second member's header: the listing cannot finish.
    const std::string gz = zbtest::Gzip(first + second);
    EXPECT_FALSE(tar.Open(zbtest::WriteFile(dir + "/cut.tgz", gz.substr(0, gz.size() / 3))));
    EXPECT_FALSE(tar.IsOpen());
    const std::string bz = zbtest::Bzip2(first + second);
    EXPECT_FALSE(tar.Open(zbtest::WriteFile(dir + "/cut.tbz", bz.substr(0, bz.size() - 20))));
    // Cut after the listing's end block but before the stream's end: the
    // listing stands, while a read that reaches the cut fails.
    const std::string tail = zbtest::Gzip(first + second + zbtest::PatternData(200000, 9));
    ASSERT_TRUE(tar.Open(zbtest::WriteFile(dir + "/tail.tgz", tail.substr(0, tail.size() - 9))));
    EXPECT_EQ(ReadMember(tar, "two.txt"), "second");
}

// The listing decodes the stream up to the end block; the members read after
// it come from the decoded bytes the stream keeps, not from the file again.
TEST(TarArchiveCompressed, MembersAfterTheListingAreNotDecodedAgain) {
    const std::string dir = zbtest::MakeTempDir("tarkept");
    const std::string one = zbtest::PatternData(70000, 1);
    const std::string two = zbtest::PatternData(3000, 2);
    const std::string tar = TarMember("one.bin", one) + TarMember("two.txt", two) + TarEnd();
    CTarArchive archive;
    archive.Init();
    for (const auto& [name, packed] : {std::make_pair("kept.tar.gz", zbtest::Gzip(tar)),
                                       std::make_pair("kept.tar.bz2", zbtest::Bzip2(tar))}) {
        const std::string path = zbtest::WriteFile(dir + "/" + name, packed);
        ASSERT_TRUE(archive.Open(path)) << name;
        ASSERT_EQ(::truncate(path.c_str(), 0), 0);
        EXPECT_EQ(ReadMember(archive, "two.txt"), two) << name;
        EXPECT_EQ(ReadMember(archive, "one.bin", 4096), one) << name;
        EXPECT_EQ(ReadMember(archive, "two.txt", 1), two) << name;
    }
    // A plain archive is read in place: emptied, its members cannot be read.
    const std::string path = zbtest::WriteFile(dir + "/plain.tar", tar);
    ASSERT_TRUE(archive.Open(path));
    ASSERT_EQ(::truncate(path.c_str(), 0), 0);
    EXPECT_EQ(ReadMember(archive, "two.txt"), "<failed>");
}

TEST(TarArchiveSamples, RealArchives) {
    const std::string data = ZEMBROLT_TESTDATA;
    CTarArchive tar;
    tar.Init();
    ASSERT_TRUE(tar.Open(data + "/tar/test_compat_gtar_1.tar"));
    EXPECT_EQ(tar.GetMemberCount(), 2);
    const std::string digits =
        "1234567890123456789012345678901234567890123456789012345678901234567890123456789012345678"
        "9012345678901234567890123456789012345678901234567890123456789012345678901234567890123456"
        "789012345678901234567890";
    EXPECT_EQ(tar.FindEntry(digits), 0);
    EXPECT_EQ(ReadMember(tar, digits), "");

    ASSERT_TRUE(tar.Open(data + "/tar/test_compat_gtar_2.tar"));
    EXPECT_EQ(tar.GetEntrySize(tar.FindEntry("file_with_big_uid_gid")), 119);
    EXPECT_EQ(ReadMember(tar, "file_with_big_uid_gid").size(), 119u);

    ASSERT_TRUE(tar.Open(data + "/tar/test_compat_tar_hardlink_1.tar"));
    EXPECT_EQ(ReadMember(tar, "xmcd-3.3.2\\docs_d\\READMf").size(), 321u);
    EXPECT_GE(tar.FindEntry("xmcd-3.3.2\\README"), 0);

    // Two archives back to back: the first end block ends the listing.
    ASSERT_TRUE(tar.Open(data + "/tar/test_read_format_tar_concatenated.tar"));
    EXPECT_EQ(Names(tar), (std::vector<std::string>{"file1"}));

    // A first header with an empty name ends the archive at once.
    ASSERT_TRUE(tar.Open(data + "/tar/test_read_format_tar_empty_filename.tar"));
    EXPECT_EQ(tar.GetMemberCount(), 0);

    // Its first header has an empty name: the end, before the negative size.
    ASSERT_TRUE(tar.Open(data + "/tar/malformed_tar_V_negative_size.tar"));
    EXPECT_EQ(tar.GetMemberCount(), 0);
    ASSERT_TRUE(tar.Open(data + "/tar/small_tar.tar"));  // no end block
    EXPECT_EQ(Names(tar), (std::vector<std::string>{"n"}));

    for (const std::string sample :
         {"/gz/test_compat_gzip_1.tgz", "/bz2/test_compat_bzip2_1.tbz"}) {
        ASSERT_TRUE(tar.Open(data + sample)) << sample;
        std::vector<std::string> files;
        for (int i = tar.FirstFile(); i != -1; i = tar.NextFile(i)) {
            files.push_back(tar.GetMember(i)->m_strName);
            EXPECT_EQ(ReadMember(tar, tar.GetMember(i)->m_strName).size(), 3u);
        }
        EXPECT_GE(files.size(), 6u) << sample;
        EXPECT_GE(tar.FindEntry("D1\\F3"), 0) << sample;
        EXPECT_EQ(Walk(tar, "d1", FALSE), (std::vector<std::string>{"d1\\f1", "d1\\f2", "d1\\f3"}))
            << sample;
    }
    // Not a TAR in any form.
    EXPECT_FALSE(tar.Open(data + "/gz/test_read_format_raw.data.gz"));
    EXPECT_FALSE(tar.Open(data + "/bz2/malformed_mtree_crash747.mtree.bz2"));
}

}  // namespace
