// The RAR reader: the sample archives (RAR 2.0 compressed, stored, volumes,
// solid, encrypted and other versions), archives written by the test builder
// with stored and RAR 2.0 members, and damaged headers.
#include "readers/archives/RarArchiveHandler.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archives/ArjTestEncoder.h"
#include "archives/HandlerReading.h"
#include "archives/Rar20TestEncoder.h"
#include "archives/RarBuilder.h"
#include "platform/FileTime.h"
#include "platform/Log.h"
#include "readers/archives/ArjArchiveHandler.h"
#include "support/TempHome.h"

namespace {

using zbtest::RarBuilder;
using zbtest::RarFile;
using zbtest::ReadAll;
using zbtest::ReadMember;

const std::string kSamples = std::string(ZEMBROLT_TESTDATA) + "/rar/";

// Every member's stored name, in table order.
std::vector<std::string> Names(const CRarArchive& rar) {
    std::vector<std::string> names;
    for (int i = 0; i < rar.GetMemberCount(); ++i) {
        names.push_back(rar.GetMember(i)->m_strName);
    }
    return names;
}

// Bytes read up to the first failure, and whether the reads ended in one.
struct Partial {
    std::string bytes;
    bool failed = false;
};
Partial ReadUntilFailure(CArchiveHandler& handler, const std::string& name) {
    Partial result;
    const int i = handler.OpenEntryByName(name);
    std::string buffer(65536, '\0');
    for (int n = 0; i >= 0 && (n = handler.Read(i, buffer.data(), 65536)) != 0;) {
        if (n < 0) {
            result.failed = true;
            break;
        }
        result.bytes.append(buffer, 0, static_cast<std::size_t>(n));
    }
    handler.CloseEntry(i);
    return result;
}

class RarTest : public ::testing::Test {
protected:
    void SetUp() override {
        rar.Init();
        dir = zbtest::MakeTempDir("rar");
    }
    bool OpenBytes(const std::string& bytes) {
        rar.Close();
        return rar.Open(zbtest::WriteFile(dir + "/case.rar", bytes)) != FALSE;
    }

    CRarArchive rar;
    std::string dir;
};

TEST_F(RarTest, InitAndVolumeExtensions) {
    std::vector<std::string> extensions;
    rar.GetExtensions(&extensions);
    EXPECT_EQ(extensions, std::vector<std::string>{"rar"});
    EXPECT_EQ(rar.GetBlockSize(), 0x10000);
    EXPECT_EQ(rar.GetFlags(), ARCHIVE_FLAG_USABLE);
    for (const char* name : {"x.rar", "X.RAR", "x.r00", "x.r01", "/d/x.R99"}) {
        EXPECT_TRUE(rar.MatchExtension(name)) << name;
    }
    for (const char* name : {"rar", "x.rx1", "x.r1x", "x.r001", "x.rarx", "x.a01"}) {
        EXPECT_FALSE(rar.MatchExtension(name)) << name;
    }
}

TEST_F(RarTest, Rar20SampleListsLowerCaseAndReadsWhatTheArjSampleHolds) {
    ASSERT_TRUE(rar.Open(kSamples + "Rar2.rar"));
    // The Cyrillic name is stored with its UTF-16 form after "????.txt".
    EXPECT_EQ(Names(rar), (std::vector<std::string>{"exe\\", "exe\\test.exe", "jpg\\",
                                                    "jpg\\test.jpg", "тест.txt"}));
    EXPECT_EQ(zbtest::WalkNames(rar, "", FALSE),
              (std::vector<std::string>{"exe\\", "jpg\\", "тест.txt"}));
    EXPECT_EQ(zbtest::WalkNames(rar, "EXE", FALSE), std::vector<std::string>{"exe\\test.exe"});
    const int exe = rar.FindEntry("EXE\\Test.Exe");
    CArchiveEntryInfo info;
    ASSERT_TRUE(rar.GetFileInfo(exe, &info));
    EXPECT_EQ(info.m_nSize, 45056);
    SYSTEMTIME time;
    ASSERT_TRUE(FileTimeToSystemTime(&info.m_ftTime, &time));
    EXPECT_EQ((std::vector<int>{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute}),
              (std::vector<int>{2022, 2, 14, 9, 38}));
    // The same files are in the ARJ sample; both checksums are verified.
    CArjArchive arj;
    arj.Init();
    ASSERT_TRUE(arj.Open(std::string(ZEMBROLT_TESTDATA) + "/arj/Arj.method1.arj"));
    for (const auto& [inRar, inArj] : {std::pair{"exe\\test.exe", "EXE\\TEST.EXE"},
                                       std::pair{"jpg\\test.jpg", "JPG\\TEST.JPG"}}) {
        const std::string expected = ReadMember(arj, inArj);
        ASSERT_GT(expected.size(), 40000u);
        for (const int block : {1, 7, 4096, 65536}) {
            EXPECT_TRUE(ReadMember(rar, inRar, block) == expected) << inRar << " " << block;
        }
    }
    EXPECT_EQ(ReadMember(rar, "ТЕСТ.TXT").size(), 15498u);
}

TEST_F(RarTest, UnicodeNamesDecodeTheirEncodedPart) {
    // 8-bit spelling, zero, then the high byte, flag bytes and their data.
    const struct {
        std::string raw;
        std::string name;
    } cases[] = {
        // Four characters with the high byte 0x04, then a run of four copied.
        {std::string("????.txt\0\x04\x55\x42\x35\x41\x42\xC0\x02", 17), "тест.txt"},
        // Windows-1251 bytes corrected by 0x50 into U+04xx, then a copied run.
        {std::string("\xF2\xE5\xF1\xF2.txt\0\x04\xF0\x82\x50\x02", 14), "тест.txt"},
        // A whole 16-bit character, and a surrogate pair.
        {std::string("?\0\x00\xA8\xAC\x20\x3D\xD8\x00\xDE", 10), "€😀"},
        // Nothing after the zero, or only the high byte: the 8-bit spelling.
        {std::string("Plain.TXT\0", 10), "plain.txt"},
        {std::string("Plain.TXT\0\x04", 11), "plain.txt"},
        // Encodings that end early keep what they decoded.
        {std::string("????\0\x04\x55\x42\x35", 9), "те"},
        {std::string("ab\0\x00\x80\x41", 6), "ab"},
        // A run past the 8-bit spelling stops at its end.
        {std::string("ab\0\x00\xC0\x7F", 6), "ab"},
        {std::string("ab\0\x04\xC0\xFF", 6), "ab"},
        // A first character NUL leaves the 8-bit spelling.
        {std::string("x\0\x00\x00\x00", 5), "x"},
        // No zero: the name is UTF-8.
        {"Naïve.txt", "naïve.txt"},
    };
    for (const auto& c : cases) {
        RarFile file = RarFile::Stored(c.raw, "data");
        file.flags |= 0x0200;
        ASSERT_TRUE(OpenBytes(RarBuilder().File(file).End()));
        EXPECT_EQ(Names(rar), std::vector<std::string>{c.name}) << c.name;
    }
    // Without the flag, everything up to a zero is code page 437.
    ASSERT_TRUE(OpenBytes(
        RarBuilder().File(RarFile::Stored(std::string("\x80t.txt\0\x04\x55\x42", 9), "")).End()));
    EXPECT_EQ(Names(rar), std::vector<std::string>{"çt.txt"});
    // CP932 spellings whose UTF-16 forms hold the Japanese names.
    ASSERT_TRUE(rar.Open(kSamples + "test_read_format_rar_unicode.rar"));
    EXPECT_EQ(Names(rar),
              (std::vector<std::string>{"abcdefghijklmnopqrsテスト.txt", "表だよ\\",
                                        "表だよ\\ファイル", "表だよ\\新しいフォルダ\\",
                                        "表だよ\\新しいフォルダ\\新規テキスト ドキュメント.txt",
                                        "表だよ\\漢字長いファイル名long-filename-in-漢字.txt"}));
    EXPECT_EQ(ReadMember(rar, "表だよ\\ファイル").size(),
              rar.GetEntrySize(rar.FindEntry("表だよ\\ファイル")));
}

TEST_F(RarTest, StoredSamplesListFoldersOnceAndReadEmptyMembers) {
    ASSERT_TRUE(rar.Open(kSamples + "test_read_format_rar.rar"));
    EXPECT_EQ(Names(rar), (std::vector<std::string>{"test.txt", "testdir\\", "testdir\\test.txt",
                                                    "testemptydir\\", "testlink"}));
    EXPECT_EQ(ReadMember(rar, "TESTDIR\\TEST.TXT"), ReadMember(rar, "test.txt"));
    ASSERT_TRUE(rar.Open(kSamples + "test_read_format_rar_windows.rar"));
    EXPECT_EQ(ReadMember(rar, "testshortcut.lnk").size(), 441u);
    ASSERT_TRUE(rar.Open(kSamples + "rar202-comment-nopsw.rar"));  // a comment in the main header
    EXPECT_EQ(Names(rar), (std::vector<std::string>{"file1.txt", "file2.txt"}));
}

TEST_F(RarTest, EachVolumeOpensAloneAndACutMemberFails) {
    ASSERT_TRUE(rar.Open(kSamples + "Rar2.rar"));
    const std::string exe = ReadMember(rar, "exe\\test.exe");
    ASSERT_TRUE(rar.Open(kSamples + "Rar2.multi.rar"));
    const Partial first = ReadUntilFailure(rar, "exe\\test.exe");
    EXPECT_TRUE(first.failed);
    EXPECT_GT(first.bytes.size(), 10000u);
    EXPECT_TRUE(first.bytes == exe.substr(0, first.bytes.size()));
    // The next volume holds the rest: compressed, it cannot start there.
    ASSERT_TRUE(rar.Open(kSamples + "Rar2.multi.r00"));
    EXPECT_EQ(rar.OpenEntryByName("exe\\test.exe"), -1);
    EXPECT_TRUE(ReadUntilFailure(rar, "jpg\\test.jpg").failed);
    // A stored member split over volumes: its first part, then a failure.
    ASSERT_TRUE(rar.Open(kSamples + "rar3-vols.part1.rar"));
    const Partial stored = ReadUntilFailure(rar, "vols\\bigfile.txt");
    EXPECT_TRUE(stored.failed);
    EXPECT_EQ(stored.bytes.size(), 102310u);
}

TEST_F(RarTest, MembersThatCannotBeProducedAreListedButRefused) {
    ASSERT_TRUE(rar.Open(kSamples + "Rar.solid.rar"));  // version 29, solid
    EXPECT_EQ(rar.GetMemberCount(), 6);
    EXPECT_EQ(rar.OpenEntryByName("exe\\test.exe"), -1);
    EXPECT_EQ(rar.GetLastFailure(), ArchiveFailure::UnsupportedMethod);
    ASSERT_TRUE(rar.Open(kSamples + "test_read_format_rar_encryption_data.rar"));
    EXPECT_EQ(rar.GetMemberCount(), 2);
    EXPECT_EQ(rar.OpenEntryByName("foo.txt"), -1);
    EXPECT_EQ(rar.GetLastFailure(), ArchiveFailure::Encrypted);
    EXPECT_FALSE(rar.Open(dir + "/missing.rar"));
    EXPECT_EQ(rar.GetLastFailure(), ArchiveFailure::CannotOpen);
    ASSERT_TRUE(rar.Open(kSamples + "rar15-comment.rar"));  // version 15 compressed, and stored
    EXPECT_EQ(rar.OpenEntryByName("file1.txt"), -1);
    EXPECT_EQ(ReadMember(rar, "file2.txt").size(), 8u);
}

TEST_F(RarTest, OldAndNewFormatsDoNotOpen) {
    std::vector<std::string> traces;
    SetTraceSink([&](const std::string& line) { traces.push_back(line); });
    EXPECT_FALSE(rar.Open(kSamples + "rar14.rar"));
    SetTraceSink({});
    EXPECT_EQ(traces, std::vector<std::string>{
                          "Attention: format as OLD detected! Can't handel archive!\r\n"});
    EXPECT_FALSE(rar.Open(kSamples + "test_read_format_rar5_stored.rar"));
    EXPECT_FALSE(rar.IsOpen());
    EXPECT_TRUE(OpenBytes(std::string("UniquE!") + RarBuilder().End().substr(7)));
}

TEST_F(RarTest, RepeatedMarkerBlocksBeforeTheMainHeaderAreSkipped) {
    const std::string marker("Rar!\x1A\x07\x00", 7);
    const std::string bytes = RarBuilder().File(RarFile::Stored("a.txt", "alpha")).End();
    for (const int extra : {1, 2, 5}) {
        std::string repeated = bytes;
        for (int n = 0; n < extra; ++n) {
            repeated.insert(7, marker);
        }
        ASSERT_TRUE(OpenBytes(repeated)) << extra;
        EXPECT_EQ(Names(rar), std::vector<std::string>{"a.txt"}) << extra;
        EXPECT_EQ(ReadMember(rar, "a.txt"), "alpha") << extra;
    }
    // Markers up to the end of the file leave no main header.
    EXPECT_FALSE(OpenBytes(marker + marker + marker));
}

TEST_F(RarTest, BuiltArchiveWithFoldersSubBlocksAndRar20Members) {
    zbtest::Rar20TestEncoder encoder;
    std::vector<std::uint8_t> main(298, 9), distance(48, 6), repeat(28, 5);
    encoder.Tables(main, distance, repeat);
    for (int i = 0; i < 5000; ++i) {
        encoder.Literal(static_cast<std::uint8_t>("zembrolt needle "[i % 16]));
    }
    encoder.Match(250, 16);
    RarFile folder = RarFile::Stored("DOCS", "");
    folder.flags |= 0x00E0;  // the directory flags
    RarFile unixFile = RarFile::Stored("Docs/Unix.txt", "mode 0664");
    unixFile.host = 3;
    unixFile.attributes = 0100664;  // group write, 0x10 in a DOS attribute word
    RarFile unixFolder = RarFile::Stored("docs/Tree", "");
    unixFolder.host = 3;
    unixFolder.attributes = 040755;
    RarFile encrypted = RarFile::Stored("secret.txt", "ciphertext");
    encrypted.flags |= 0x0004;
    RarFile large = RarFile::Stored("Large.txt", "large sizes");
    large.flags |= 0x0100;
    const std::string bytes =
        RarBuilder()
            .File(folder)
            .File(RarFile::Stored("DOCS\\README.TXT", "read me"))
            .SubBlock("owner data")
            .File(unixFile)
            .File(unixFolder)
            .File(RarFile::Stored("Deep\\Er\\empty.txt", ""))
            .File(RarFile::Packed("Deep\\packed.txt", encoder.Bytes(), encoder.Data()))
            .File(encrypted)
            .File(large)
            .End();
    ASSERT_TRUE(OpenBytes(bytes));
    EXPECT_EQ(Names(rar), (std::vector<std::string>{"deep\\", "deep\\er\\", "deep\\er\\empty.txt",
                                                    "deep\\packed.txt", "docs\\",
                                                    "docs\\readme.txt", "docs\\tree\\",
                                                    "docs\\unix.txt", "large.txt", "secret.txt"}));
    EXPECT_EQ(ReadMember(rar, "Docs\\ReadMe.txt"), "read me");
    EXPECT_EQ(ReadMember(rar, "docs\\unix.txt", 1), "mode 0664");
    EXPECT_EQ(ReadMember(rar, "deep\\er\\empty.txt"), "");
    EXPECT_EQ(ReadMember(rar, "large.txt"), "large sizes");
    EXPECT_EQ(rar.OpenEntryByName("secret.txt"), -1);
    for (const int block : {1, 7, 4096, 65536}) {
        EXPECT_TRUE(ReadMember(rar, "DEEP\\PACKED.TXT", block) == encoder.Data()) << block;
    }
    DWORD attributes = 0;
    ASSERT_TRUE(rar.GetAttributes(rar.FindEntry("docs\\unix.txt"), &attributes));
    EXPECT_EQ(attributes, 0u);
    ASSERT_TRUE(rar.GetAttributes(rar.FindEntry("docs\\tree\\"), &attributes));
    EXPECT_EQ(attributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(zbtest::WalkNames(rar, "docs", FALSE),
              (std::vector<std::string>{"docs\\readme.txt", "docs\\tree\\", "docs\\unix.txt"}));
    EXPECT_EQ(zbtest::WalkNames(rar, "deep", TRUE).size(), 3u);
    BOOL has = FALSE;
    EXPECT_TRUE(rar.HasSubfolders("deep", &has));
    EXPECT_TRUE(has);
}

TEST_F(RarTest, WrongChecksumFailsTheLastRead) {
    RarFile bad = RarFile::Stored("bad.txt", std::string(10000, 'b'));
    bad.crc ^= 1;
    ASSERT_TRUE(OpenBytes(RarBuilder().File(bad).End()));
    EXPECT_EQ(ReadMember(rar, "bad.txt"), "<failed>");
    EXPECT_EQ(rar.GetLastFailure(), ArchiveFailure::BadArchive);
}

TEST_F(RarTest, MembersInOtherVersionsMethodsOrStatesAreRefused) {
    zbtest::Rar20TestEncoder encoder;
    encoder.Tables(std::vector<std::uint8_t>(298, 9), std::vector<std::uint8_t>(48, 6),
                   std::vector<std::uint8_t>(28, 5));
    encoder.Literal('x');
    RarFile v29 = RarFile::Packed("v29", encoder.Bytes(), encoder.Data());
    v29.version = 29;
    RarFile v26 = RarFile::Packed("v26", encoder.Bytes(), encoder.Data());
    v26.version = 26;
    RarFile solid = RarFile::Packed("solid", encoder.Bytes(), encoder.Data());
    solid.flags |= 0x0010;
    RarFile continued = RarFile::Packed("continued", encoder.Bytes(), encoder.Data());
    continued.flags |= 0x0001;
    RarFile method = RarFile::Packed("method", encoder.Bytes(), encoder.Data());
    method.method = 0x36;
    ASSERT_TRUE(
        OpenBytes(RarBuilder().File(v29).File(v26).File(solid).File(continued).File(method).End()));
    EXPECT_EQ(rar.GetMemberCount(), 5);
    for (const char* name : {"v29", "solid", "continued", "method"}) {
        EXPECT_EQ(rar.OpenEntryByName(name), -1) << name;
    }
    EXPECT_EQ(ReadMember(rar, "v26"), "x");
}

TEST_F(RarTest, HostileHeadersEndTheListingCleanly) {
    const std::string good = RarBuilder()
                                 .File(RarFile::Stored("a\\one.txt", "one"))
                                 .File(RarFile::Stored("two.txt", "two"))
                                 .End();
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        if (OpenBytes(good.substr(0, cut))) {
            for (int i = 0; i < rar.GetMemberCount(); ++i) {
                if (rar.OpenEntry(i)) {
                    ReadAll(rar, i);
                    rar.CloseEntry(i);
                }
            }
        } else {
            EXPECT_LT(cut, 20u);  // only a cut marker or main header fails the open
        }
    }
    // A file header shorter than its fixed fields, and a name past its header.
    EXPECT_TRUE(OpenBytes(RarBuilder().Block(0x74, 0x8000, std::string(10, '\0')).End()));
    EXPECT_EQ(rar.GetMemberCount(), 0);
    RarFile longName = RarFile::Stored("n", "x");
    std::string bytes = RarBuilder().File(longName).End();
    bytes[7 + 13 + 7 + 19] = '\xFF';  // name size 0xFFFF
    bytes[7 + 13 + 7 + 20] = '\xFF';
    EXPECT_TRUE(OpenBytes(bytes));
    EXPECT_EQ(rar.GetMemberCount(), 0);
    // A header size below 7 stops the walk; data past the end of the file
    // is listed but fails when read.
    EXPECT_TRUE(OpenBytes(RarBuilder().Block(0x75, 0, "").End().substr(0, 7 + 13) +
                          std::string("\0\0\x75\0\0\x03\0", 7)));
    RarFile past = RarFile::Stored("past.txt", "short");
    past.size = 0xFFFFFFFF;
    bytes = RarBuilder().File(past).End();
    bytes[7 + 13 + 7] = '\x70';  // packed size 0x70 bytes (more than the file holds)
    ASSERT_TRUE(OpenBytes(bytes));
    EXPECT_EQ(ReadMember(rar, "past.txt"), "<failed>");
    // 100 packed bytes that claim 4 GiB.
    RarFile liar = RarFile::Packed("liar", std::string(100, '\x55'), "");
    liar.size = 0xFFFFFFFF;
    ASSERT_TRUE(OpenBytes(RarBuilder().File(liar).End()));
    EXPECT_EQ(ReadMember(rar, "liar", 65536), "<failed>");
}

TEST_F(RarTest, OneMemberOpenAtATime) {
    ASSERT_TRUE(OpenBytes(RarBuilder()
                              .File(RarFile::Stored("a.txt", "alpha"))
                              .File(RarFile::Stored("b.txt", "beta"))
                              .End()));
    const int a = rar.OpenEntryByName("A.TXT");
    ASSERT_GE(a, 0);
    EXPECT_EQ(rar.OpenEntryByName("b.txt"), -1);
    EXPECT_FALSE(rar.OpenEntry(a));
    char buffer[8];
    EXPECT_EQ(rar.Read(a, buffer, 3), 3);
    EXPECT_EQ(rar.GetBytesRead(a), 3);
    EXPECT_EQ(rar.Read(a, buffer, 8), 2);
    EXPECT_EQ(rar.Read(a, buffer, 8), 0);
    rar.CloseEntry(a);
    EXPECT_EQ(rar.Read(a, buffer, 8), -1);
    EXPECT_EQ(rar.Read(rar.GetMemberCount(), buffer, 8), -1);
}

}  // namespace
