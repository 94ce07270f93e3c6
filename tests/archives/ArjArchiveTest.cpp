// The ARJ reader: the sample archives, archives of the arj tool in every
// method and in volumes, self-extractor stubs, and damaged headers.
#include "readers/archives/ArjArchiveHandler.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "archives/ArjBuilder.h"
#include "archives/CompressedTestData.h"
#include "archives/HandlerReading.h"
#include "platform/FileTime.h"
#include "support/ScopedTimeZone.h"
#include "support/TempHome.h"

namespace {

using namespace std::string_literals;
using zbtest::ArjBasic;
using zbtest::ArjHeader;
using zbtest::ReadAll;
using zbtest::ReadMember;
using zbtest::StoredArj;

// Text of random words with some random bytes: literals and matches of
// every kind for a compressor.
std::string MixedData(std::size_t size, unsigned seed) {
    static const char* const kWords[] = {"alpha ",  "beta ",    "gamma\n", "zembrolt ",
                                         "needle ", "archive ", "window "};
    std::mt19937 random(seed);
    std::string out;
    while (out.size() < size) {
        if (random() % 8 == 0) {
            out += static_cast<char>(random());
        } else {
            out += kWords[random() % 7];
        }
    }
    out.resize(size);
    return out;
}

std::string UpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

const std::string kSamples = std::string(ZEMBROLT_TESTDATA) + "/arj/";

bool RunIn(const std::string& dir, const std::string& command) {
    return std::system(("cd '" + dir + "' && " + command + " >/dev/null 2>&1").c_str()) == 0;
}

class ArjTest : public ::testing::Test {
protected:
    void SetUp() override {
        arj.Init();
        dir = zbtest::MakeTempDir("arj");
    }
    bool OpenBytes(const std::string& bytes, const std::string& name = "case.arj") {
        arj.Close();
        return arj.Open(zbtest::WriteFile(dir + "/" + name, bytes)) != FALSE;
    }

    CArjArchive arj;
    std::string dir;
};

TEST_F(ArjTest, InitAndVolumeExtensions) {
    std::vector<std::string> extensions;
    arj.GetExtensions(&extensions);
    EXPECT_EQ(extensions, std::vector<std::string>{"arj"});
    EXPECT_EQ(arj.GetBlockSize(), 0x10000);
    EXPECT_EQ(arj.GetFlags(), ARCHIVE_FLAG_USABLE | ARCHIVE_FLAG_READ_TO_END);
    for (const char* name : {"x.arj", "/d/X.ARJ", "x.a01", "x.A99", "x.a00"}) {
        EXPECT_TRUE(arj.MatchExtension(name)) << name;
    }
    for (const char* name : {"arj", "x.ax1", "x.a1x", "x.arjx", "x.a001", "x.r01"}) {
        EXPECT_FALSE(arj.MatchExtension(name)) << name;
    }
}

TEST_F(ArjTest, SampleArchivesListAndReadTheSameInEveryMethod) {
    std::string exe, jpg, txt;
    for (const char* sample : {"Arj.method1.arj", "Arj.method2.arj", "Arj.method4.arj"}) {
        SCOPED_TRACE(sample);
        ASSERT_TRUE(arj.Open(kSamples + sample));
        EXPECT_EQ(zbtest::ListedFiles(arj),
                  (std::vector<std::string>{"EXE\\TEST.EXE", "JPG\\TEST.JPG", "TECT.TXT"}));
        const int exeIndex = arj.FindEntry("exe\\test.exe");
        ASSERT_GE(exeIndex, 0);
        CArchiveEntryInfo info;
        ASSERT_TRUE(arj.GetFileInfo(exeIndex, &info));
        EXPECT_EQ(info.m_strName, "EXE\\TEST.EXE");
        EXPECT_EQ(info.m_nSize, 45056);
        SYSTEMTIME time;
        ASSERT_TRUE(FileTimeToSystemTime(&info.m_ftTime, &time));
        EXPECT_EQ((std::vector<int>{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
                                    time.wSecond}),
                  (std::vector<int>{2024, 3, 23, 19, 12, 46}));
        DWORD attributes = 0;
        ASSERT_TRUE(arj.GetAttributes(arj.FindEntry("Exe\\"), &attributes));
        EXPECT_EQ(attributes & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
        EXPECT_EQ(zbtest::WalkNames(arj, "", FALSE),
                  (std::vector<std::string>{"EXE\\", "JPG\\", "TECT.TXT"}));
        EXPECT_EQ(zbtest::WalkNames(arj, "jpg", FALSE), std::vector<std::string>{"JPG\\TEST.JPG"});
        BOOL has = TRUE;
        EXPECT_TRUE(arj.HasSubfolders("exe", &has));
        EXPECT_FALSE(has);
        const std::string e = ReadMember(arj, "EXE\\TEST.EXE", 65536);
        const std::string j = ReadMember(arj, "jpg\\test.jpg", 7);
        const std::string t = ReadMember(arj, "tect.txt", 1);
        EXPECT_EQ(e.size(), 45056u);
        EXPECT_EQ(j.size(), 40372u);
        EXPECT_EQ(t.size(), 15498u);
        if (exe.empty()) {
            exe = e, jpg = j, txt = t;
        } else {
            EXPECT_TRUE(e == exe && j == jpg && t == txt);
        }
    }
}

TEST_F(ArjTest, GarbledMembersAreListedButNotOpened) {
    ASSERT_TRUE(arj.Open(kSamples + "Arj.encrypted.arj"));
    EXPECT_EQ(zbtest::ListedFiles(arj).size(), 3u);
    EXPECT_EQ(arj.OpenEntryByName("TECT.TXT"), -1);
    EXPECT_EQ(arj.GetLastFailure(), ArchiveFailure::Encrypted);
}

TEST_F(ArjTest, SampleVolumeSetReadsWholeFromTheFirstVolume) {
    ASSERT_TRUE(arj.Open(kSamples + "Arj.method1.arj"));
    const std::string exe = ReadMember(arj, "EXE\\TEST.EXE");
    ASSERT_TRUE(arj.Open(kSamples + "Arj.store.split.arj"));
    EXPECT_EQ(zbtest::ListedFiles(arj), std::vector<std::string>{"EXE\\TEST.EXE"});
    const int i = arj.FindEntry("exe\\test.exe");
    EXPECT_EQ(arj.GetEntrySize(i), 19261);  // the part in the first volume
    for (const int block : {1, 7, 4096, 65536}) {
        EXPECT_TRUE(ReadMember(arj, "EXE\\TEST.EXE", block) == exe) << block;
    }
    // The second volume alone: its continuation is found, not listed.
    ASSERT_TRUE(arj.Open(kSamples + "Arj.store.split.a01"));
    EXPECT_TRUE(zbtest::ListedFiles(arj).empty());
    EXPECT_EQ(zbtest::WalkNames(arj, "exe", TRUE), std::vector<std::string>{});
    EXPECT_GE(arj.FindEntry("EXE\\TEST.EXE"), 0);
    EXPECT_TRUE(ReadMember(arj, "EXE\\TEST.EXE") == exe.substr(19261));
}

TEST_F(ArjTest, MissingVolumeCutsTheMemberWithAFailure) {
    for (const char* name : {"Arj.store.split.arj", "Arj.store.split.a01"}) {
        std::filesystem::copy_file(kSamples + name, dir + "/" + name);
    }
    ASSERT_TRUE(arj.Open(dir + "/Arj.store.split.arj"));
    const std::string out = ReadMember(arj, "EXE\\TEST.EXE", 65536);
    EXPECT_EQ(out, "<failed>");  // 19261 + 19268 bytes came first, then the failure
    const int i = arj.OpenEntryByName("EXE\\TEST.EXE");
    std::string buffer(100000, '\0');
    EXPECT_GT(arj.Read(i, buffer.data(), 100000), 19261);
    EXPECT_EQ(arj.Read(i, buffer.data(), 100000), -1);
    arj.CloseEntry(i);
    // A "next volume" that is the first volume again does not continue it.
    std::filesystem::remove(dir + "/Arj.store.split.a01");
    std::filesystem::create_symlink(dir + "/Arj.store.split.arj", dir + "/Arj.store.split.a01");
    ASSERT_TRUE(arj.Open(dir + "/Arj.store.split.arj"));
    EXPECT_EQ(ReadMember(arj, "EXE\\TEST.EXE"), "<failed>");
}

// Archives of the arj tool, one per method, over files around the window
// size.
class ArjToolTest : public ArjTest, public ::testing::WithParamInterface<int> {};

TEST_P(ArjToolTest, EveryMethodReadsByteExact) {
    const int method = GetParam();
    const std::string src = dir + "/src";
    std::map<std::string, std::string> files = {
        {"Empty.txt", ""},
        {"one.txt", "1"},
        {"Sub/w-1.bin", MixedData(26623, 1)},
        {"Sub/w.bin", MixedData(26624, 2)},
        {"Sub/Deeper/w+1.bin", MixedData(26625, 3)},
        {"Sub/Deeper/big.txt", MixedData(200000, 4)},
        {"Sub/Deeper/pattern.bin", zbtest::PatternData(70000, 5)},
    };
    for (const auto& [name, data] : files) {
        zbtest::WriteFile(src + "/" + name, data);
    }
    ASSERT_TRUE(RunIn(src, "arj a -y -r -m" + std::to_string(method) + " ../m.arj '*'"));
    ASSERT_TRUE(arj.Open(dir + "/m.arj"));
    EXPECT_EQ(zbtest::WalkNames(arj, "", FALSE),
              (std::vector<std::string>{"Empty.txt", "one.txt", "Sub\\"}));
    EXPECT_EQ(zbtest::WalkNames(arj, "SUB", FALSE),
              (std::vector<std::string>{"Sub\\Deeper\\", "Sub\\w-1.bin", "Sub\\w.bin"}));
    EXPECT_EQ(zbtest::WalkNames(arj, "sub", TRUE).size(), 6u);
    for (const auto& [name, data] : files) {
        std::string inner = name;
        std::replace(inner.begin(), inner.end(), '/', '\\');
        for (const int block : {1, 7, 4096, 65536}) {
            if (block == 1 && data.size() > 30000) {
                continue;  // byte by byte only where it is quick
            }
            EXPECT_TRUE(ReadMember(arj, UpperCase(inner), block) == data) << name << " " << block;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, ArjToolTest, ::testing::Values(0, 1, 2, 3, 4));

TEST_F(ArjTest, CompressedVolumesOfTheToolReadWhole) {
    std::mt19937 random(9);
    std::string data(300000, '\0');
    for (char& c : data) {
        c = static_cast<char>(random() % 64 + ' ');  // barely compressible
    }
    zbtest::WriteFile(dir + "/src/big.txt", data);
    ASSERT_TRUE(RunIn(dir + "/src", "arj a -y -m1 -v50k ../v.arj big.txt"));
    ASSERT_TRUE(std::filesystem::exists(dir + "/v.a02"));
    ASSERT_TRUE(arj.Open(dir + "/v.arj"));
    EXPECT_TRUE(ReadMember(arj, "BIG.TXT", 7) == data);
    // Volume names are found in either case.
    std::filesystem::rename(dir + "/v.a01", dir + "/v.A01");
    ASSERT_TRUE(arj.Open(dir + "/v.arj"));
    EXPECT_TRUE(ReadMember(arj, "big.txt", 65536) == data);
}

TEST_F(ArjTest, FirstHeaderIsFoundBehindAStubOfUpTo500000Bytes) {
    const std::string archive = StoredArj({{"a.txt", "alpha"}});
    const std::string stub(100000, 'M');
    ASSERT_TRUE(OpenBytes(stub + archive));
    EXPECT_EQ(ReadMember(arj, "A.TXT"), "alpha");
    EXPECT_TRUE(OpenBytes(std::string(500000, 'M') + archive));
    EXPECT_FALSE(OpenBytes(std::string(500001, 'M') + archive));
    // An empty header (its CRC is that of nothing) in the stub does not
    // stand in for the archive behind it.
    EXPECT_TRUE(OpenBytes(std::string("\x60\xEA\0\0\0\0\0\0", 8) + stub + archive));
    EXPECT_EQ(zbtest::ListedFiles(arj), std::vector<std::string>{"a.txt"});
}

TEST_F(ArjTest, UnixHostTimesAreUnixTimesAndOthersDosTimes) {
    zbtest::ScopedTimeZone zone("UTC+02");  // POSIX sign: two hours behind UTC
    const struct {
        std::uint8_t host;
        std::uint32_t time;
        std::vector<int> local;  // year, month, day, hour, minute, second
    } cases[] = {
        {2, 1733750400, {2024, 12, 9, 11, 20, 0}},  // 13:20 UTC
        {2, 0, {1969, 12, 31, 22, 0, 0}},          {2, 0xFFFFFFFF, {2106, 2, 7, 4, 28, 15}},
        {0, 0x5A216000, {2025, 1, 1, 12, 0, 0}},  // DOS date and time, already local
        {11, 0x5A216000, {2025, 1, 1, 12, 0, 0}},
    };
    for (const auto& c : cases) {
        std::string basic = ArjBasic(0, 0, 1, 1, zbtest::Crc32Of("x"), "t.txt"s + '\0' + '\0');
        basic[3] = static_cast<char>(c.host);
        std::string time;
        zbtest::PutLe(time, c.time, 4);
        basic.replace(8, 4, time);
        const std::string main = ArjHeader(ArjBasic(0, 2, 0, 0, 0, "x.arj\0\0"s));
        ASSERT_TRUE(OpenBytes(main + ArjHeader(basic) + "x" + "\x60\xEA\0\0"s));
        CArchiveEntryInfo info;
        ASSERT_TRUE(arj.GetFileInfo(arj.FindEntry("t.txt"), &info));
        SYSTEMTIME local;
        ASSERT_TRUE(FileTimeToSystemTime(&info.m_ftTime, &local));
        EXPECT_EQ((std::vector<int>{local.wYear, local.wMonth, local.wDay, local.wHour,
                                    local.wMinute, local.wSecond}),
                  c.local)
            << int{c.host} << " " << c.time;
    }
}

TEST_F(ArjTest, BadHeaderCrcEndsTheListing) {
    std::string bytes = StoredArj({{"a.txt", "alpha"}, {"b.txt", "beta"}, {"c.txt", "gamma"}});
    const std::size_t second = bytes.find("b.txt");
    bytes[second] = 'B';  // the header's CRC no longer matches
    ASSERT_TRUE(OpenBytes(bytes));
    EXPECT_EQ(zbtest::ListedFiles(arj), std::vector<std::string>{"a.txt"});
}

TEST_F(ArjTest, HostileHeadersFailCleanly) {
    const std::string good = StoredArj({{"dir/a.txt", "alpha"}, {"b.txt", "beta"}});
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        if (OpenBytes(good.substr(0, cut))) {
            for (int i = 0; i < arj.GetMemberCount(); ++i) {
                if (arj.OpenEntry(i)) {
                    std::string out = ReadAll(arj, i);
                    arj.CloseEntry(i);
                }
            }
        }
    }
    // A name without its zero byte ends at the header's end.
    std::string noZero = ArjHeader(ArjBasic(0, 2, 0, 0, 0, std::string("x\0\0", 3)));
    noZero += ArjHeader(ArjBasic(0, 0, 4, 4, zbtest::Crc32Of("data"), "long-name")) + "data";
    ASSERT_TRUE(OpenBytes(noZero + "\x60\xEA\0\0"s));
    EXPECT_EQ(zbtest::ListedFiles(arj), std::vector<std::string>{"long-name"});
    // A first-header size below the fixed fields, or past the header.
    std::string small = ArjBasic(0, 0, 0, 0, 0, std::string("s\0\0", 3));
    small[0] = 10;
    EXPECT_FALSE(OpenBytes(ArjHeader(small)));
    // A member of 100 bytes that claims 4 GiB, stored and compressed.
    for (const std::uint8_t method : {0, 1, 4}) {
        std::string liar = ArjHeader(ArjBasic(0, 2, 0, 0, 0, std::string("x\0\0", 3)));
        liar += ArjHeader(ArjBasic(method, 0, 100, 0xFFFFFFFFu, 0, std::string("big\0\0", 5)));
        liar += std::string(100, '\x55');
        ASSERT_TRUE(OpenBytes(liar));
        EXPECT_EQ(ReadMember(arj, "big", 65536), "<failed>") << int{method};
    }
    // Method 5 is listed but not opened; names with ".." are listed as they
    // stand (extraction sanitises them).
    std::string odd = ArjHeader(ArjBasic(0, 2, 0, 0, 0, std::string("x\0\0", 3)));
    odd += ArjHeader(ArjBasic(5, 0, 1, 1, 0, std::string("m5\0\0", 4))) + "z";
    odd += ArjHeader(ArjBasic(0, 0, 2, 2, zbtest::Crc32Of("up"), std::string("../../up\0\0", 10))) +
           "up";
    ASSERT_TRUE(OpenBytes(odd + "\x60\xEA\0\0"s));
    EXPECT_EQ(arj.OpenEntryByName("m5"), -1);
    EXPECT_EQ(arj.GetLastFailure(), ArchiveFailure::UnsupportedMethod);
    EXPECT_EQ(ReadMember(arj, "..\\..\\UP"), "up");
}

TEST_F(ArjTest, OneMemberOpenAtATime) {
    ASSERT_TRUE(OpenBytes(StoredArj({{"a.txt", "alpha"}, {"b.txt", "beta"}})));
    const int a = arj.OpenEntryByName("a.txt");
    ASSERT_GE(a, 0);
    EXPECT_EQ(arj.OpenEntryByName("b.txt"), -1);
    EXPECT_EQ(arj.FindOpenEntry("A.TXT"), a);
    char buffer[8];
    EXPECT_EQ(arj.Read(a, buffer, 8), 5);
    EXPECT_EQ(arj.GetBytesRead(a), 5);
    EXPECT_EQ(arj.Read(a, buffer, 8), 0);
    EXPECT_TRUE(arj.CloseEntry(a));
    EXPECT_EQ(arj.Read(a, buffer, 8), -1);
    EXPECT_EQ(arj.GetBytesRead(a), -1);
    EXPECT_GE(arj.OpenEntryByName("b.txt"), 0);
}

}  // namespace
