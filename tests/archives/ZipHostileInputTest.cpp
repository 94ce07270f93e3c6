// Damaged and hostile ZIP files: every one must open cleanly or fail cleanly,
// and whatever opens must read to the end or fail, without a crash, a hang
// or an allocation sized by a field of the file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archives/ZipBuilder.h"
#include "readers/archives/ZipArchiveHandler.h"
#include "support/TempHome.h"

namespace {

using zbtest::BuildZip;
using zbtest::PutLe;
using zbtest::ZipBuildOptions;
using zbtest::ZipImage;
using zbtest::ZipTestMember;

// Reads every member to its end or to its first failure; the number of
// members that read through without a failure.
int ReadEverything(CZipArchive& zip) {
    int complete = 0;
    std::vector<char> buffer(4096);
    for (int i = 0; i < zip.GetMemberCount(); ++i) {
        CArchiveEntryInfo info;
        EXPECT_TRUE(zip.GetFileInfo(i, &info));
        if (!zip.OpenEntry(i)) {
            continue;
        }
        std::int64_t total = 0;
        int n = 0;
        while ((n = zip.Read(i, buffer.data(), static_cast<int>(buffer.size()))) > 0) {
            total += n;
        }
        EXPECT_EQ(zip.GetBytesRead(i), total);
        if (n == 0) {
            EXPECT_EQ(total, zip.GetEntrySize(i));
            ++complete;
        }
        zip.CloseEntry(i);
    }
    return complete;
}

class ZipHostileTest : public ::testing::Test {
protected:
    void SetUp() override {
        zip.Init();
        dir = zbtest::MakeTempDir("hostile");
    }

    // Opens the bytes as an archive; whether it opened.
    bool OpenBytes(const std::string& bytes) {
        const std::string path = zbtest::WriteFile(dir + "/case.zip", bytes);
        zip.Close();
        return zip.Open(path) != FALSE;
    }

    static ZipImage Sample() {
        return BuildZip({ZipTestMember("dir/stored.txt", "stored text", 0),
                         ZipTestMember("dir/deflated.txt", std::string(300, 'z')),
                         ZipTestMember("dd.txt", "described", 8).DataDescriptor(),
                         ZipTestMember("big64.txt", "sixty-four").Zip64()},
                        ZipBuildOptions().Zip64End());
    }

    CZipArchive zip;
    std::string dir;
};

TEST_F(ZipHostileTest, SampleItselfOpensAndReadsCompletely) {
    ASSERT_TRUE(OpenBytes(Sample().bytes));
    EXPECT_EQ(ReadEverything(zip), 4);
}

// Offsets of every central directory header in an image.
std::vector<std::size_t> CentralHeaders(const std::string& bytes) {
    std::vector<std::size_t> found;
    for (std::size_t at = bytes.find("PK\x01\x02"); at != std::string::npos;
         at = bytes.find("PK\x01\x02", at + 1))
        found.push_back(at);
    return found;
}

TEST_F(ZipHostileTest, MembersThatShareOrOverlapTheirDataAreRefused) {
    // Many names pointing at one large member would make every search unpack
    // it once per name.
    const ZipImage image = BuildZip({ZipTestMember("big.bin", std::string(100000, 'b')),
                                     ZipTestMember("b.txt", "bee"), ZipTestMember("c.txt", "sea")});
    ASSERT_TRUE(OpenBytes(image.bytes));
    const std::vector<std::size_t> central = CentralHeaders(image.bytes);
    ASSERT_EQ(central.size(), 3u);

    std::string shared = image.bytes;
    for (const std::size_t at : {central[1], central[2]}) {
        std::string field;
        PutLe(field, 0, 4);  // every entry at the first local header
        shared.replace(at + 42, 4, field);
    }
    EXPECT_FALSE(OpenBytes(shared));
    EXPECT_EQ(zip.GetLastFailure(), ArchiveFailure::BadArchive);

    // The first member's data claimed to run over the second one's header.
    std::string overlapping = image.bytes;
    std::string field;
    PutLe(field, image.bytes.size() / 2, 4);
    overlapping.replace(central[0] + 20, 4, field);
    EXPECT_FALSE(OpenBytes(overlapping));
}

TEST_F(ZipHostileTest, ALocalHeaderNamingAnotherMemberIsRefused) {
    const ZipImage image =
        BuildZip({ZipTestMember("a.txt", "alpha"), ZipTestMember("b.txt", "beta")});
    ASSERT_TRUE(OpenBytes(image.bytes));
    std::string renamed = image.bytes;
    renamed[30] = 'x';  // the first local header's name: "x.txt"
    EXPECT_FALSE(OpenBytes(renamed));
    EXPECT_EQ(zip.GetLastFailure(), ArchiveFailure::BadArchive);
}

TEST_F(ZipHostileTest, ArchiveCutAtAnyLengthFails) {
    const ZipImage image = Sample();
    for (std::size_t cut = 0; cut < image.bytes.size(); ++cut) {
        EXPECT_FALSE(OpenBytes(image.bytes.substr(0, cut))) << "cut at " << cut;
        EXPECT_FALSE(zip.IsOpen());
    }
}

TEST_F(ZipHostileTest, ArchiveWithCommentCutInsideTheCommentStillOpens) {
    const ZipImage image = BuildZip({ZipTestMember("a.txt", "alpha")},
                                    ZipBuildOptions().Comment("a comment of some length"));
    const std::size_t endRecord = image.boundaries.back();
    for (std::size_t cut = endRecord + 22; cut < image.bytes.size(); ++cut) {
        ASSERT_TRUE(OpenBytes(image.bytes.substr(0, cut))) << "cut at " << cut;
        EXPECT_EQ(ReadEverything(zip), 1);
    }
}

TEST_F(ZipHostileTest, BytesRemovedAtEveryHeaderBoundaryFailOrStayReadable) {
    const ZipImage image = Sample();
    for (const std::size_t boundary : image.boundaries) {
        // The archive without its front part, and without one header's bytes.
        for (const std::string& bytes :
             {image.bytes.substr(boundary),
              image.bytes.substr(0, boundary) + image.bytes.substr(boundary + 4)}) {
            if (OpenBytes(bytes)) {
                ReadEverything(zip);
            }
        }
    }
}

TEST_F(ZipHostileTest, EveryByteFlippedFailsOrStaysReadable) {
    const std::string original = Sample().bytes;
    for (std::size_t pos = 0; pos < original.size(); ++pos) {
        for (const unsigned char mask : {0xFFu, 0x80u, 0x01u}) {
            std::string bytes = original;
            bytes[pos] = static_cast<char>(bytes[pos] ^ mask);
            if (OpenBytes(bytes)) {
                ReadEverything(zip);
            }
        }
    }
}

// An archive of one stored member "a.txt" (5 bytes), with the offsets of its
// central header and end record.
struct SmallArchive {
    std::string bytes = BuildZip({ZipTestMember("a.txt", "alpha", 0)}).bytes;
    std::size_t central = 30 + 5 + 5;
    std::size_t end = central + 46 + 5;

    void Set(std::size_t offset, std::uint64_t value, int size) {
        std::string field;
        PutLe(field, value, size);
        bytes.replace(offset, static_cast<std::size_t>(size), field);
    }
};

TEST_F(ZipHostileTest, FieldsPointingOutsideTheirRangeFailTheOpen) {
    {
        SmallArchive a;
        ASSERT_TRUE(OpenBytes(a.bytes));
        EXPECT_EQ(ReadEverything(zip), 1);
    }
    struct Case {
        const char* what;
        std::size_t (*field)(const SmallArchive&);
        std::uint64_t value;
        int size;
    };
    const Case cases[] = {
        {"more entries than the directory holds", [](const SmallArchive& a) { return a.end + 10; },
         0xFFFF, 2},
        {"directory offset past the end record", [](const SmallArchive& a) { return a.end + 16; },
         0x7FFFFFF0, 4},
        {"directory size past the end record", [](const SmallArchive& a) { return a.end + 12; },
         0xFFFFFFF0, 4},
        {"name running past the directory", [](const SmallArchive& a) { return a.central + 28; },
         0xFFFF, 2},
        {"comment running past the directory", [](const SmallArchive& a) { return a.central + 32; },
         200, 2},
        {"local header past the file", [](const SmallArchive& a) { return a.central + 42; },
         0xFFFFFF00, 4},
        {"local header in the wrong place", [](const SmallArchive& a) { return a.central + 42; }, 7,
         4},
        {"compressed size past the file", [](const SmallArchive& a) { return a.central + 20; },
         0xFFFFFFF0, 4},
        {"local name running past the file", [](const SmallArchive&) { return std::size_t{26}; },
         0xFFFF, 2},
    };
    for (const Case& c : cases) {
        SmallArchive a;
        a.Set(c.field(a), c.value, c.size);
        EXPECT_FALSE(OpenBytes(a.bytes)) << c.what;
        EXPECT_EQ(zip.GetLastFailure(), ArchiveFailure::BadArchive) << c.what;
    }
}

TEST_F(ZipHostileTest, Zip64RecordsWithHugeOrMisplacedFieldsFail) {
    const ZipImage image =
        BuildZip({ZipTestMember("a.txt", "alpha")}, ZipBuildOptions().Zip64End());
    const std::size_t end64 = image.boundaries[image.boundaries.size() - 3];
    const std::size_t locator = image.boundaries[image.boundaries.size() - 2];
    ASSERT_TRUE(OpenBytes(image.bytes));

    const auto patched = [&](std::size_t offset, std::uint64_t value) {
        std::string bytes = image.bytes;
        std::string field;
        PutLe(field, value, 8);
        bytes.replace(offset, 8, field);
        return bytes;
    };
    EXPECT_TRUE(
        OpenBytes(patched(end64 + 24, 0x7FFFFFFFFFFFFFFFull)));  // entries on this disk: unused
    EXPECT_FALSE(OpenBytes(patched(end64 + 32, 0x7FFFFFFFFFFFFFFFull)));  // total entries
    EXPECT_FALSE(OpenBytes(patched(end64 + 40, 0xFFFFFFFFFFFFFFF0ull)));  // directory size
    EXPECT_FALSE(OpenBytes(patched(end64 + 48, 0xFFFFFFFFFFFFFFF0ull)));  // directory offset
    // A locator pointing nowhere: the record right before it is used.
    ASSERT_TRUE(OpenBytes(patched(locator + 8, 0xFFFFFFFFFFFFFF00ull)));
    EXPECT_EQ(ReadEverything(zip), 1);
    // Without a ZIP64 end record anywhere, the locator makes the candidate fail.
    std::string noRecord = image.bytes;
    noRecord[end64] = 'X';
    EXPECT_FALSE(OpenBytes(noRecord));
}

TEST_F(ZipHostileTest, HugeDeclaredSizeReadsTheRealDataThenFails) {
    ASSERT_TRUE(OpenBytes(
        BuildZip({ZipTestMember("bomb", "tiny").Zip64().DeclaredSize(0x7FFFFFFFFFFFull)}).bytes));
    EXPECT_EQ(zip.GetEntrySize(0), 0x7FFFFFFFFFFFll);
    ASSERT_TRUE(zip.OpenEntry(0));
    char buffer[64];
    EXPECT_EQ(zip.Read(0, buffer, 64), 4);
    EXPECT_EQ(zip.Read(0, buffer, 64), -1);
}

TEST_F(ZipHostileTest, EndSignaturesFillingTheTailDoNotHang) {
    std::string bytes = BuildZip({ZipTestMember("a.txt", "alpha")}).bytes;
    std::string junk;
    for (int i = 0; i < 0x4000; ++i) {
        PutLe(junk, 0x06054b50, 4);
    }
    EXPECT_FALSE(OpenBytes(junk));
    // As a comment they hide nothing: the real record is found behind them.
    std::string withComment = bytes.substr(0, bytes.size() - 2);
    PutLe(withComment, 0xFFFF, 2);
    withComment += junk.substr(0, 0xFFFF);
    ASSERT_TRUE(OpenBytes(withComment));
    EXPECT_EQ(ReadEverything(zip), 1);
}

}  // namespace
