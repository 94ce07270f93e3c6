#include "platform/CompoundFile.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/CompoundFileWriter.h"

namespace {

using zb::CompoundFile;
using zbtest::Bytes;
using zbtest::CompoundLayout;
using zbtest::CompoundStream;

const std::string kData = std::string(ZEMBROLT_TESTDATA) + "/ole2/";

std::uint32_t Crc(const std::vector<std::uint8_t>& bytes) {
    return static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

Bytes Pattern(std::size_t size, unsigned seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 7 + seed + i / 251) & 0xFF);
    }
    return bytes;
}

bool OpenBytes(CompoundFile& file, const Bytes& bytes) {
    return file.Open(std::make_unique<zb::MemorySource>(bytes));
}

std::vector<std::string> ChildNames(const CompoundFile& file, std::uint32_t storage) {
    std::vector<std::string> names;
    for (const std::uint32_t child : file.Children(storage)) {
        names.push_back(file.Entries()[child].name);
    }
    return names;
}

TEST(CompoundFile, ReadsTheStreamsOfAWordDocument) {
    CompoundFile file;
    ASSERT_TRUE(file.Open(kData + "test-ole-file.doc"));
    EXPECT_EQ(file.MajorVersion(), 3);
    EXPECT_EQ(file.SectorSize(), 512u);
    std::vector<std::string> names = ChildNames(file, CompoundFile::kRootEntry);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{"\x01"
                                        "CompObj",
                                        "\x05"
                                        "DocumentSummaryInformation",
                                        "\x05SummaryInformation", "1Table", "WordDocument"}));
    // Expected sizes and checksums were taken from a reference reader.
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(
        file.ReadRootStream("worddocument", 1 << 20, bytes));  // letter case does not matter
    EXPECT_EQ(bytes.size(), 4096u);
    EXPECT_EQ(Crc(bytes), 0x8a9da71du);
    ASSERT_TRUE(file.ReadRootStream("1Table", 1 << 20, bytes));
    EXPECT_EQ(bytes.size(), 6438u);
    EXPECT_EQ(Crc(bytes), 0x6111f8adu);
    ASSERT_TRUE(
        file.ReadRootStream("\x01"
                            "CompObj",
                            1 << 20, bytes));  // in the mini stream
    EXPECT_EQ(bytes.size(), 114u);
    EXPECT_EQ(Crc(bytes), 0xb3c2e3fau);
    EXPECT_FALSE(file.ReadRootStream("1Table", 6437, bytes));  // over the caller's limit
    EXPECT_FALSE(file.ReadRootStream("Missing", 1 << 20, bytes));
}

TEST(CompoundFile, ReadsStreamsInsideAStorageAndALargeSummaryStream) {
    CompoundFile xls;
    ASSERT_TRUE(xls.Open(kData + "embedded-simple-2007.xls"));
    const std::uint32_t storage = xls.FindChild(CompoundFile::kRootEntry, "MBD0009CF7B");
    ASSERT_NE(storage, CompoundFile::kNoEntry);
    EXPECT_EQ(xls.Entries()[storage].type, zb::CompoundEntry::kStorage);
    const std::uint32_t native = xls.FindChild(storage, "\x01Ole10Native");
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(xls.ReadStream(native, 1 << 20, bytes));
    EXPECT_EQ(bytes.size(), 441u);
    EXPECT_EQ(Crc(bytes), 0x03fe0ffcu);
    EXPECT_FALSE(xls.ReadStream(storage, 1 << 20, bytes));  // a storage is no stream

    CompoundFile ppt;
    ASSERT_TRUE(ppt.Open(kData + "embedded-simple-2007.ppt"));
    ASSERT_TRUE(ppt.ReadRootStream("\x05SummaryInformation", 64 << 20, bytes));
    EXPECT_EQ(bytes.size(), 58028u);
    EXPECT_EQ(Crc(bytes), 0x8da2866cu);
}

TEST(CompoundFile, RefusesFilesThatAreNoCompoundFiles) {
    CompoundFile file;
    EXPECT_FALSE(file.Open(std::string(ZEMBROLT_TESTDATA) + "/pe/EXE.exe"));
    EXPECT_FALSE(file.Open(kData + "missing.doc"));
    EXPECT_FALSE(file.Open(std::string(ZEMBROLT_TESTDATA)));  // a folder
    EXPECT_FALSE(file.IsOpen());
}

TEST(CompoundFile, GeneratedFilesOfBothVersionsRoundTrip) {
    for (const int version : {3, 4}) {
        SCOPED_TRACE(version);
        const std::vector<CompoundStream> streams = {
            {"small", Pattern(100, 1)},
            {"Empty", {}},
            {"exactly4096", Pattern(4096, 2)},
            {"big", Pattern(70000, 3)},
            {"\x05SummaryInformation", Pattern(4095, 4)},
        };
        const Bytes bytes = zbtest::WriteCompoundFile(streams, version);
        CompoundFile file;
        ASSERT_TRUE(OpenBytes(file, bytes));
        EXPECT_EQ(file.MajorVersion(), version);
        EXPECT_EQ(file.SectorSize(), version == 4 ? 4096u : 512u);
        EXPECT_EQ(file.Children(CompoundFile::kRootEntry).size(), streams.size());
        for (const CompoundStream& stream : streams) {
            std::vector<std::uint8_t> read;
            ASSERT_TRUE(file.ReadRootStream(stream.name, 1 << 20, read)) << stream.name;
            EXPECT_EQ(read, stream.data) << stream.name;
        }
    }
}

TEST(CompoundFile, FollowsChainedTableListSectors) {
    // More than 109 table sectors: the rest are listed in chained sectors.
    const Bytes big = Pattern(110 * 128 * 512, 9);
    CompoundLayout layout;
    const Bytes bytes = zbtest::WriteCompoundFile({{"big", big}}, 3, &layout);
    ASSERT_GT(layout.fatSectors.size(), 109u);
    CompoundFile file;
    ASSERT_TRUE(OpenBytes(file, bytes));
    std::vector<std::uint8_t> read;
    ASSERT_TRUE(file.ReadRootStream("big", big.size(), read));
    EXPECT_TRUE(read == big);

    // A list chain that loops back on itself before listing every table sector.
    Bytes looped = bytes;
    const std::uint32_t listSector = zbtest::GetLe32(looped, 68);
    zbtest::SetLe32(looped, 72, 2);
    zbtest::SetLe32(looped, 44, static_cast<std::uint32_t>(layout.fatSectors.size() + 127));
    zbtest::SetLe32(looped, layout.SectorOffset(listSector) + 127 * 4, listSector);
    EXPECT_FALSE(OpenBytes(file, looped));
}

TEST(CompoundFile, BrokenChainsFailTheStreamNotTheProcess) {
    CompoundLayout layout;
    const Bytes good = zbtest::WriteCompoundFile(
        {{"big", Pattern(9000, 5)}, {"small", Pattern(300, 6)}}, 3, &layout);
    std::vector<std::uint8_t> read;
    CompoundFile file;

    Bytes cycle = good;  // the stream's second sector links back to its first
    const std::uint32_t first = layout.streamStarts[0];
    zbtest::SetLe32(cycle, layout.FatEntryOffset(first + 1), first);
    ASSERT_TRUE(OpenBytes(file, cycle));
    EXPECT_FALSE(file.ReadRootStream("big", 1 << 20, read));
    EXPECT_TRUE(file.ReadRootStream("small", 1 << 20, read));

    Bytes past = good;  // a link to a sector beyond the end of the file
    zbtest::SetLe32(past, layout.FatEntryOffset(first + 1), 0x00FFFFF0);
    ASSERT_TRUE(OpenBytes(file, past));
    EXPECT_FALSE(file.ReadRootStream("big", 1 << 20, read));

    Bytes early = good;  // the chain ends before the stream's size
    zbtest::SetLe32(early, layout.FatEntryOffset(first + 1), 0xFFFFFFFEu);
    ASSERT_TRUE(OpenBytes(file, early));
    EXPECT_FALSE(file.ReadRootStream("big", 1 << 20, read));

    Bytes miniCycle = good;  // a mini sector that links to itself
    const std::uint32_t mini = layout.streamStarts[1];
    zbtest::SetLe32(miniCycle, layout.SectorOffset(layout.miniFatSector) + mini * 4, mini);
    ASSERT_TRUE(OpenBytes(file, miniCycle));
    EXPECT_FALSE(file.ReadRootStream("small", 1 << 20, read));

    Bytes huge = good;  // a size far beyond the file
    zbtest::SetLe32(huge, layout.EntryOffset(1) + 120, 0x7FFFFFF0);
    ASSERT_TRUE(OpenBytes(file, huge));
    EXPECT_FALSE(file.ReadRootStream("big", ~std::uint64_t{0}, read));

    Bytes version3High = good;  // a version 3 file ignores the size's high word
    zbtest::SetLe32(version3High, layout.EntryOffset(2) + 124, 0xDEADBEEF);
    ASSERT_TRUE(OpenBytes(file, version3High));
    EXPECT_TRUE(file.ReadRootStream("small", 1 << 20, read));
    EXPECT_EQ(read.size(), 300u);
}

TEST(CompoundFile, DirectoryTreesWithCyclesEnd) {
    CompoundLayout layout;
    Bytes bytes = zbtest::WriteCompoundFile(
        {{"a", Pattern(10, 1)}, {"b", Pattern(10, 2)}, {"c", Pattern(10, 3)}}, 3, &layout);
    zbtest::SetLe32(bytes, layout.EntryOffset(3) + 72, 1);  // c's right sibling is a again
    zbtest::SetLe32(bytes, layout.EntryOffset(2) + 68, 2);  // b is its own left sibling
    zbtest::SetLe32(bytes, layout.EntryOffset(1) + 76, 0);  // a claims the root as its child
    CompoundFile file;
    ASSERT_TRUE(OpenBytes(file, bytes));
    EXPECT_EQ(ChildNames(file, CompoundFile::kRootEntry),
              (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(file.Children(1).empty());
    EXPECT_EQ(file.FindChild(CompoundFile::kRootEntry, "C"), 3u);
}

TEST(CompoundFile, DamagedHeadersAreRefused) {
    const Bytes good = zbtest::WriteCompoundFile({{"s", Pattern(5000, 1)}});
    const auto refused = [&](std::size_t offset, std::uint32_t value, bool word) {
        Bytes bytes = good;
        word ? zbtest::SetLe16(bytes, offset, value) : zbtest::SetLe32(bytes, offset, value);
        CompoundFile file;
        return !OpenBytes(file, bytes);
    };
    EXPECT_TRUE(refused(28, 0xFEFF, true));        // byte order
    EXPECT_TRUE(refused(26, 5, true));             // version
    EXPECT_TRUE(refused(30, 16, true));            // sector shift
    EXPECT_TRUE(refused(44, 0xFFFFFFFFu, false));  // table sector count
    EXPECT_TRUE(refused(48, 0x7FFFFFFF, false));   // directory sector
    EXPECT_TRUE(refused(76, 0xFFFFFFF0u, false));  // the first table sector
    // Every cut of a valid file opens or fails cleanly.
    for (std::size_t size = 0; size <= good.size(); size += 37) {
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        CompoundFile file;
        if (OpenBytes(file, cut)) {
            std::vector<std::uint8_t> read;
            file.ReadRootStream("s", 1 << 20, read);
        }
    }
}

}  // namespace
