// The CAB reader: the sample cabinets (MSZIP, LZX, reserves, a five-part
// set), cabinets of gcab, cabinets written by the test (LZX uncompressed
// blocks, Quantum folders, spans over two cabinets) and damaged tables.
#include "readers/archives/CabArchiveHandler.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "archives/CabBuilder.h"
#include "archives/HandlerReading.h"
#include "platform/FileTime.h"
#include "platform/Log.h"
#include "support/TempHome.h"

namespace {

using zbtest::BuildCab;
using zbtest::CabBlocks;
using zbtest::CabFile;
using zbtest::CabFolder;
using zbtest::CabSpec;
using zbtest::ReadAll;
using zbtest::ReadMember;
using zbtest::SimpleCab;

const std::string kSamples = std::string(ZEMBROLT_TESTDATA) + "/cab/";

// Text of random letters, lines and a repeated word.
std::string TextData(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string out;
    while (out.size() < size) {
        out += random() % 9 == 0 ? std::string("cabinet ")
                                 : std::string(1, static_cast<char>('a' + random() % 26));
        if (random() % 60 == 0) {
            out += '\n';
        }
    }
    out.resize(size);
    return out;
}

// Bytes this process has read and written through system calls so far, all
// threads together: how much of a cabinet a read costs, and whether it went
// to disk.
struct IoCount {
    std::int64_t read = 0, written = 0;
};
IoCount ProcessIo() {
    std::ifstream io("/proc/self/io");
    IoCount count;
    std::string key;
    std::int64_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") {
            count.read = value;
        } else if (key == "wchar:") {
            count.written = value;
        }
    }
    return count;
}

// The first `count` bytes of member `name`, which is then closed.
std::string ReadHead(CArchiveHandler& handler, const std::string& name, int count) {
    const int i = handler.OpenEntryByName(name);
    std::string head(static_cast<std::size_t>(count), '\0');
    const int got = i < 0 ? -1 : handler.Read(i, head.data(), count);
    handler.CloseEntry(i);
    return got == count ? head : "<failed>";
}

class CabTest : public ::testing::Test {
protected:
    void SetUp() override {
        cab.Init();
        dir = zbtest::MakeTempDir("cab");
    }
    bool OpenBytes(const std::string& bytes, const std::string& name = "case.cab") {
        cab.Close();
        return cab.Open(zbtest::WriteFile(dir + "/" + name, bytes)) != FALSE;
    }

    CCabArchive cab;
    std::string dir;
};

TEST_F(CabTest, InitAndAFlatWalk) {
    std::vector<std::string> extensions;
    cab.GetExtensions(&extensions);
    EXPECT_EQ(extensions, std::vector<std::string>{"cab"});
    EXPECT_EQ(cab.GetBlockSize(), 0x10000);
    EXPECT_EQ(cab.GetFlags(), ARCHIVE_FLAG_USABLE);
    ASSERT_TRUE(cab.Open(kSamples + "test_read_format_cab_1.cab"));
    EXPECT_EQ(zbtest::WalkNames(cab, "", FALSE),
              (std::vector<std::string>{"empty", "dir1\\file1", "dir2\\file2"}));
    EXPECT_EQ(zbtest::WalkNames(cab, "", TRUE).size(), 3u);
    EXPECT_EQ(cab.FindFolder("dir1"), -1);
    EXPECT_EQ(zbtest::WalkNames(cab, "dir1", FALSE), std::vector<std::string>{});
    BOOL has = TRUE;
    EXPECT_FALSE(cab.HasSubfolders("", &has));
    EXPECT_FALSE(has);
    EXPECT_EQ(ReadMember(cab, "DIR1\\FILE1").substr(0, 41),
              "                          file 1 contents");
    EXPECT_EQ(ReadMember(cab, "empty"), "");
}

TEST_F(CabTest, SamplesDecodeMszipAndLzxAndRefuseQuantum) {
    ASSERT_TRUE(cab.Open(kSamples + "mszip_lzx_qtm.cab"));
    const std::string line(65, '-');
    EXPECT_EQ(ReadMember(cab, "mszip.txt", 1),
              "If you can read this, the MSZIP decompressor is working!\n");
    EXPECT_EQ(ReadMember(cab, "LZX.TXT", 7),
              line + "\nIf you can read this, the LZX decompressor is working!\n" + line + "\n");
    EXPECT_EQ(cab.OpenEntryByName("qtm.txt"), -1);  // a later Quantum folder
    ASSERT_TRUE(cab.Open(kSamples + "normal_2files_2folders.cab"));
    EXPECT_EQ(ReadMember(cab, "lzx2.txt"), "This is also LZX compressed\n");
    EXPECT_EQ(ReadMember(cab, "mszip1.txt"), "This is compressed with MS-ZIP\n");
    ASSERT_TRUE(cab.Open(kSamples + "test_read_format_cab_3.cab"));
    EXPECT_EQ(ReadMember(cab, "zero", 65536), std::string(33000, '\0'));
    ASSERT_TRUE(cab.Open(kSamples + "reserve_-F-.cab"));
    EXPECT_EQ(ReadMember(cab, "test1.txt"), "TEST\n");
    EXPECT_EQ(ReadMember(cab, "test2.txt"), "test\n");
    CArchiveEntryInfo info;
    ASSERT_TRUE(cab.GetFileInfo(cab.FindEntry("test1.txt"), &info));
    SYSTEMTIME time;
    ASSERT_TRUE(FileTimeToSystemTime(&info.m_ftTime, &time));
    EXPECT_EQ((std::vector<int>{time.wYear, time.wMonth, time.wDay, time.wHour}),
              (std::vector<int>{1997, 3, 12, 11}));
}

TEST_F(CabTest, FiveCabinetSetReadsFromTheFirstAndListsEachMemberOnce) {
    ASSERT_TRUE(cab.Open(kSamples + "cabd_multi_basic_pt1.cab"));
    EXPECT_EQ(zbtest::WalkNames(cab, "", FALSE),
              (std::vector<std::string>{"test1.txt", "test2.txt", "test3.txt"}));
    const std::string t1 = ReadMember(cab, "test1.txt");
    const std::string t3 = ReadMember(cab, "test3.txt", 1);
    EXPECT_EQ(t1.size(), 76u);
    EXPECT_EQ(t3.size(), 76u);
    EXPECT_EQ(ReadMember(cab, "test2.txt").size(), 38u);
    // The later parts list nothing of their own: every member starts earlier.
    ASSERT_TRUE(cab.Open(kSamples + "cabd_multi_basic_pt3.cab"));
    EXPECT_TRUE(zbtest::WalkNames(cab, "", FALSE).empty());
    EXPECT_EQ(cab.FirstFile(), -1);
    EXPECT_GE(cab.FindEntry("test1.txt"), 0);
    EXPECT_EQ(cab.OpenEntryByName("test1.txt"), -1);
}

TEST_F(CabTest, GcabCabinetsReadByteExact) {
    const std::map<std::string, std::string> files = {
        {"Readme.TXT", "read me\n"},
        {"empty.txt", ""},
        {"big.txt", TextData(200000, 1)},
        {"mid.bin", zbtest::PatternData(40000, 2)},
    };
    for (const auto& [name, data] : files) {
        zbtest::WriteFile(dir + "/src/" + name, data);
    }
    for (const std::string flags : {"-c", "-c -z"}) {
        SCOPED_TRACE(flags);
        const std::string path = dir + "/g" + std::to_string(flags.size()) + ".cab";
        ASSERT_EQ(std::system(("cd '" + dir + "/src' && gcab " + flags + " -n '" + path +
                               "' Readme.TXT empty.txt big.txt mid.bin >/dev/null 2>&1")
                                  .c_str()),
                  0);
        ASSERT_TRUE(cab.Open(path));
        // In order, out of order (the folder restarts) and in every block size.
        for (const auto& [asked, stored] :
             {std::pair{"readme.txt", "Readme.TXT"}, std::pair{"mid.bin", "mid.bin"},
              std::pair{"BIG.TXT", "big.txt"}, std::pair{"empty.txt", "empty.txt"}}) {
            EXPECT_TRUE(ReadMember(cab, asked, 65536) == files.at(stored)) << asked;
        }
        for (const int block : {1, 7, 4096, 65536}) {
            EXPECT_TRUE(ReadMember(cab, "big.txt", block) == files.at("big.txt")) << block;
        }
    }
}

TEST_F(CabTest, LzxFoldersOfUncompressedBlocksInEveryWindow) {
    const std::string a = TextData(70000, 3), b = TextData(33000, 4), c = "tail";
    for (const unsigned bits : {15u, 16u, 21u}) {
        ASSERT_TRUE(OpenBytes(
            SimpleCab({{"a.txt", a}, {"sub\\b.txt", b}, {"c.txt", c}}, zbtest::CabLzx(bits))));
        EXPECT_EQ(ReadMember(cab, "c.txt"), c) << bits;
        EXPECT_TRUE(ReadMember(cab, "A.TXT", 7) == a) << bits;  // behind: restarts the folder
        EXPECT_TRUE(ReadMember(cab, "Sub\\B.txt", 65536) == b) << bits;
    }
    // A window outside 2^15 to 2^21 cannot be set up: the cabinet does not open.
    EXPECT_FALSE(OpenBytes(SimpleCab({{"a.txt", a}}, zbtest::CabLzx(22))));
    EXPECT_FALSE(OpenBytes(SimpleCab({{"a.txt", a}}, zbtest::CabLzx(14))));
}

TEST_F(CabTest, ReservesVersionsAndTheirTraces) {
    CabSpec spec;
    spec.reserve = true;
    spec.headerReserve = 60001;
    spec.folderReserve = 7;
    spec.blockReserve = 5;
    spec.majorVersion = 1;
    spec.minorVersion = 4;
    const std::string data = TextData(50000, 5);
    spec.folders.push_back({zbtest::kCabMszip, CabBlocks(data, zbtest::kCabMszip)});
    spec.files.push_back({"data.txt", 50000, 0, 0, 0x21});
    std::vector<std::string> traces;
    SetTraceSink([&](const std::string& line) { traces.push_back(line); });
    const bool opened = OpenBytes(BuildCab(spec));
    SetTraceSink({});
    ASSERT_TRUE(opened);
    const std::string path = dir + "/case.cab";
    EXPECT_EQ(traces,
              (std::vector<std::string>{path + ": WARNING; cabinet format version > 1.3\r\n",
                                        path + ": WARNING; header reserved space > 60000\r\n"}));
    EXPECT_TRUE(ReadMember(cab, "data.txt", 7) == data);
    DWORD attributes = 0;
    ASSERT_TRUE(cab.GetAttributes(cab.FindEntry("data.txt"), &attributes));
    EXPECT_EQ(attributes, 0x21u);
}

TEST_F(CabTest, QuantumFirstFolderFailsTheOpenAndALaterOneItsMembers) {
    CabSpec spec;
    spec.folders.push_back({zbtest::kCabQuantum, CabBlocks("qqqq", zbtest::kCabStored)});
    spec.folders.push_back({zbtest::kCabStored, CabBlocks("ssss", zbtest::kCabStored)});
    spec.files = {{"q.txt", 4, 0, 0, 0x20}, {"s.txt", 4, 0, 1, 0x20}};
    EXPECT_FALSE(OpenBytes(BuildCab(spec)));
    EXPECT_EQ(cab.GetLastFailure(), ArchiveFailure::UnsupportedMethod);
    std::swap(spec.folders[0], spec.folders[1]);
    ASSERT_TRUE(OpenBytes(BuildCab(spec)));
    EXPECT_EQ(ReadMember(cab, "q.txt"), "ssss");
    EXPECT_EQ(cab.OpenEntryByName("s.txt"), -1);
}

// A stored folder of one 8 MiB member, and an MSZIP folder of one small one.
class CabLargeMemberTest : public CabTest {
protected:
    void SetUp() override {
        CabTest::SetUp();
        if (ProcessIo().read == 0) {
            GTEST_SKIP() << "no I/O accounting in /proc/self/io";
        }
        big = TextData(8 << 20, 10);
        CabSpec spec;
        spec.folders.push_back({zbtest::kCabStored, CabBlocks(big, zbtest::kCabStored)});
        spec.folders.push_back({zbtest::kCabMszip, CabBlocks("other", zbtest::kCabMszip)});
        spec.files = {{"big.txt", static_cast<std::uint32_t>(big.size()), 0, 0, 0x20},
                      {"other.txt", 5, 0, 1, 0x20}};
        ASSERT_TRUE(OpenBytes(BuildCab(spec)));
    }
    std::string big;
};

TEST_F(CabLargeMemberTest, FirstBytesCostAFewBlocksAndNothingGoesToDisk) {
    const IoCount before = ProcessIo();
    EXPECT_EQ(ReadHead(cab, "big.txt", 100), big.substr(0, 100));
    const IoCount after = ProcessIo();
    EXPECT_LT(after.read - before.read, 256 << 10);  // of 8 MiB
    EXPECT_LT(after.written - before.written, 4096);
    // Moving to another folder stops the decoding instead of finishing it.
    EXPECT_EQ(ReadMember(cab, "other.txt"), "other");
    EXPECT_LT(ProcessIo().read - before.read, 512 << 10);
}

TEST_F(CabLargeMemberTest, MembersReadWholeWithoutATemporaryFolder) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string saved = tmp != nullptr ? tmp : "";
    setenv("TMPDIR", (dir + "/missing").c_str(), 1);
    const std::string whole = ReadMember(cab, "big.txt", 65536);
    setenv("TMPDIR", saved.c_str(), 1);
    EXPECT_TRUE(whole == big) << whole.size();
    EXPECT_EQ(cab.GetLastFailure(), ArchiveFailure::None);
}

TEST_F(CabLargeMemberTest, ReadingAgainOrBehindAStoppedDecodingStartsOver) {
    // Read in part, then again whole; in part, then another folder, then whole.
    EXPECT_EQ(ReadHead(cab, "big.txt", 70000), big.substr(0, 70000));
    EXPECT_TRUE(ReadMember(cab, "big.txt", 65536) == big);
    EXPECT_EQ(ReadHead(cab, "big.txt", 5), big.substr(0, 5));
    EXPECT_EQ(ReadMember(cab, "other.txt", 1), "other");
    EXPECT_TRUE(ReadMember(cab, "big.txt", 4096) == big);
    // A member open in the middle of its decoding when the cabinet closes.
    const int i = cab.OpenEntryByName("big.txt");
    char head[10];
    ASSERT_EQ(cab.Read(i, head, 10), 10);
    cab.Close();
    EXPECT_FALSE(cab.IsOpen());
}

TEST_F(CabTest, ASolidFolderReadInPartAndInOrderDecodesOnce) {
    if (ProcessIo().read == 0) {
        GTEST_SKIP() << "no I/O accounting in /proc/self/io";
    }
    std::vector<std::pair<std::string, std::string>> files;
    for (int m = 0; m < 16; ++m) {
        files.emplace_back(std::to_string(m) + ".txt",
                           TextData(256 << 10, static_cast<unsigned>(20 + m)));
    }
    const std::string bytes = SimpleCab(files, zbtest::CabLzx(21));
    ASSERT_TRUE(OpenBytes(bytes));
    const IoCount before = ProcessIo();
    for (const auto& [name, data] : files) {
        EXPECT_EQ(ReadHead(cab, name, 10), data.substr(0, 10)) << name;
    }
    EXPECT_LT(ProcessIo().read - before.read, static_cast<std::int64_t>(bytes.size() * 3 / 2));
    // Whole members after partly read ones, skipping some, go on correctly.
    for (const int m : {0, 1, 3, 4, 9, 15}) {
        EXPECT_TRUE(m % 3 == 0 ? ReadHead(cab, files[m].first, 7) == files[m].second.substr(0, 7)
                               : ReadMember(cab, files[m].first, 65536) == files[m].second)
            << m;
    }
}

// Two cabinets a.cab and b.cab sharing one stored folder: first.txt lies in
// a.cab, span.bin runs from a.cab into b.cab (its data block is split), and
// lost.txt lies in b.cab, in the folder that began in a.cab; last.txt is in
// a folder of b.cab's own.
class CabSpanTest : public CabTest {
protected:
    void SetUp() override {
        CabTest::SetUp();
        first = TextData(100, 6);
        span = TextData(50000, 7);
        lost = TextData(100, 8);
        last = TextData(100, 9);
        const std::string all = first + span + lost;  // 50200 bytes: frames 32768 + 17432
        const std::string frame2 = all.substr(zbtest::kCabFrame);
        CabSpec a;
        a.next = "../elsewhere/B.CAB";  // only the name counts, in either case
        a.folders.push_back(
            {zbtest::kCabStored,
             {{all.substr(0, zbtest::kCabFrame), 32768}, {frame2.substr(0, 5000), 0}}});
        a.files = {{"first.txt", 100, 0, 0, 0x20}, {"span.bin", 50000, 100, 0xFFFE, 0x20}};
        CabSpec b;
        b.previous = "a.cab";
        b.folders.push_back({zbtest::kCabStored,
                             {{frame2.substr(5000), static_cast<std::uint16_t>(frame2.size())}}});
        b.folders.push_back({zbtest::kCabMszip, CabBlocks(last, zbtest::kCabMszip)});
        b.files = {{"span.bin", 50000, 100, 0xFFFD, 0x20},
                   {"lost.txt", 100, 50100, 0, 0x20},
                   {"last.txt", 100, 0, 1, 0x20}};
        zbtest::WriteFile(dir + "/a.cab", BuildCab(a));
        zbtest::WriteFile(dir + "/b.cab", BuildCab(b));
    }
    std::string first, span, lost, last;
};

TEST_F(CabSpanTest, SpanningMemberReadsWholeFromTheFirstCabinet) {
    ASSERT_TRUE(cab.Open(dir + "/a.cab"));
    EXPECT_EQ(zbtest::WalkNames(cab, "", FALSE),
              (std::vector<std::string>{"first.txt", "span.bin"}));
    for (const int block : {1, 7, 4096, 65536}) {
        EXPECT_TRUE(ReadMember(cab, "span.bin", block) == span) << block;
    }
    EXPECT_EQ(ReadMember(cab, "first.txt"), first);
}

TEST_F(CabSpanTest, SecondCabinetListsOnlyWhatStartsInIt) {
    ASSERT_TRUE(cab.Open(dir + "/b.cab"));
    EXPECT_EQ(zbtest::WalkNames(cab, "", FALSE),
              (std::vector<std::string>{"lost.txt", "last.txt"}));
    EXPECT_EQ(cab.OpenEntryByName("span.bin"), -1);
    // Its folder began in a.cab: the set cannot serve it from here.
    EXPECT_EQ(cab.OpenEntryByName("lost.txt"), -1);
    EXPECT_EQ(ReadMember(cab, "last.txt"), last);
}

TEST_F(CabSpanTest, MissingOrSelfNamingNextCabinetFailsTheRead) {
    std::filesystem::remove(dir + "/b.cab");
    ASSERT_TRUE(cab.Open(dir + "/a.cab"));
    EXPECT_EQ(ReadMember(cab, "span.bin"), "<failed>");
    EXPECT_EQ(ReadMember(cab, "first.txt"), first);
    // b.cab is a.cab itself: the set is not joined to itself.
    std::filesystem::create_symlink(dir + "/a.cab", dir + "/b.cab");
    ASSERT_TRUE(cab.Open(dir + "/a.cab"));
    EXPECT_EQ(ReadMember(cab, "span.bin"), "<failed>");
}

TEST_F(CabTest, HostileTablesAndBlocks) {
    const std::string good = SimpleCab({{"a.txt", "alpha"}, {"b.txt", "beta"}}, zbtest::kCabStored);
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        if (OpenBytes(good.substr(0, cut))) {
            ReadMember(cab, "a.txt");
            ReadMember(cab, "b.txt");
        }
    }
    CabSpec spec;
    spec.folders.push_back({zbtest::kCabStored, CabBlocks("stored", zbtest::kCabStored)});
    spec.files = {{"ok.txt", 6, 0, 0, 0x20}, {"past.txt", 6, 0, 3, 0x20}};
    ASSERT_TRUE(OpenBytes(BuildCab(spec)));
    EXPECT_EQ(ReadMember(cab, "ok.txt"), "stored");
    EXPECT_EQ(cab.OpenEntryByName("past.txt"), -1);  // folder 3 of 1: never folder 0's bytes
    EXPECT_EQ(cab.GetLastFailure(), ArchiveFailure::BadArchive);
    // Stored blocks must hold what they decode to, at most 32 KiB.
    for (const auto& block : {zbtest::CabBlock{"stored", 5}, zbtest::CabBlock{"st", 6},
                              zbtest::CabBlock{std::string(0x8001, 's'), 0x8001}}) {
        spec.folders[0].blocks = {block};
        spec.files = {{"x.txt", block.size, 0, 0, 0x20}};
        ASSERT_TRUE(OpenBytes(BuildCab(spec)));
        EXPECT_EQ(cab.OpenEntryByName("x.txt"), -1);
    }
    spec.folders[0] = {zbtest::kCabMszip, {{std::string(0x9801, 'z'), 0x8000}}};
    spec.files = {{"x.txt", 100, 0, 0, 0x20}};
    ASSERT_TRUE(OpenBytes(BuildCab(spec)));
    EXPECT_EQ(cab.OpenEntryByName("x.txt"), -1);
    // Corrupt MSZIP data, and a member claiming 4 GiB from a few bytes.
    spec.folders[0] = {zbtest::kCabMszip, {{"CKgarbage", 100}}};
    spec.files = {{"bad.txt", 100, 0, 0, 0x20}, {"huge.txt", 0xFFFFFFFF, 0, 0, 0x20}};
    ASSERT_TRUE(OpenBytes(BuildCab(spec)));
    EXPECT_EQ(ReadMember(cab, "bad.txt"), "<failed>");
    EXPECT_EQ(ReadMember(cab, "huge.txt", 65536), "<failed>");
    // 65535 files claimed by a short file; no folders or no files; a name
    // without its end.
    std::string many = good;
    many[28] = '\xFF';
    many[29] = '\xFF';
    EXPECT_FALSE(OpenBytes(many));
    std::string none = good;
    none[26] = 0;
    EXPECT_FALSE(OpenBytes(none));
    none = good;
    none[28] = 0;
    EXPECT_FALSE(OpenBytes(none));
    spec = CabSpec{};
    spec.folders.push_back({zbtest::kCabStored, CabBlocks("x", zbtest::kCabStored)});
    spec.files = {{std::string(5000, 'n'), 1, 0, 0, 0x20}};
    EXPECT_FALSE(OpenBytes(BuildCab(spec)));
    for (const char* sample : {"malformed_bad_signature.cab", "malformed_partial_shortfile2.cab"}) {
        EXPECT_FALSE(cab.Open(kSamples + sample)) << sample;
    }
}

TEST_F(CabTest, OneMemberOpenAtATime) {
    ASSERT_TRUE(OpenBytes(SimpleCab({{"a.txt", "alpha"}, {"b.txt", "beta"}}, zbtest::kCabMszip)));
    const int a = cab.OpenEntryByName("a.txt");
    ASSERT_GE(a, 0);
    EXPECT_EQ(cab.OpenEntryByName("b.txt"), -1);
    EXPECT_EQ(cab.FindOpenEntry("A.txt"), a);
    char buffer[8];
    EXPECT_EQ(cab.Read(a, buffer, 3), 3);
    EXPECT_EQ(cab.GetBytesRead(a), 3);
    EXPECT_EQ(cab.Read(a, buffer, 8), 2);
    EXPECT_EQ(cab.Read(a, buffer, 8), 0);
    cab.CloseEntry(a);
    EXPECT_EQ(cab.Read(a, buffer, 8), -1);
    EXPECT_EQ(cab.GetBytesRead(a), -1);
}

}  // namespace
