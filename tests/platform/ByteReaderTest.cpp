#include "platform/ByteReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/ByteSource.h"
#include "support/TempHome.h"

namespace {

using zb::ByteReader;

const std::vector<std::uint8_t> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};

TEST(ByteReader, ReadsBothByteOrders) {
    ByteReader le(kBytes);
    EXPECT_EQ(le.U16Le(), 0x0201);
    EXPECT_EQ(le.U32Le(), 0x06050403u);
    EXPECT_EQ(le.U8(), 0x07);
    ByteReader be(kBytes);
    EXPECT_EQ(be.U16Be(), 0x0102);
    EXPECT_EQ(be.U32Be(), 0x03040506u);
    be.Seek(0);
    EXPECT_EQ(be.U64Be(), 0x0102030405060708ull);
    ByteReader le64(kBytes);
    EXPECT_EQ(le64.U64Le(), 0x0807060504030201ull);
    EXPECT_TRUE(le64.Ok());
    EXPECT_EQ(le64.Remaining(), 1u);
}

TEST(ByteReader, AFailedReadLeavesTheReaderFailed) {
    ByteReader reader(kBytes);
    reader.Seek(6);
    EXPECT_EQ(reader.U32Le(), 0u);  // only three bytes left
    EXPECT_FALSE(reader.Ok());
    EXPECT_EQ(reader.U16Le(), 0u);  // would fit, but the reader stays failed
    EXPECT_TRUE(reader.Bytes(1).empty());
    EXPECT_FALSE(reader.Seek(0));

    ByteReader sizes(kBytes);
    EXPECT_FALSE(sizes.Skip(~std::uint64_t{0}));
    ByteReader huge(kBytes);
    EXPECT_TRUE(huge.Bytes(0xFFFFFFFFFFFFull).empty());
    EXPECT_FALSE(huge.Ok());
    EXPECT_FALSE(ByteReader(kBytes).Sub(8, ~std::uint64_t{0}).Ok());
    EXPECT_FALSE(ByteReader(kBytes).Sub(~std::uint64_t{0}, 2).Ok());
    ByteReader sub = ByteReader(kBytes).Sub(2, 3);
    EXPECT_EQ(sub.Size(), 3u);
    EXPECT_EQ(sub.U8(), 0x03);
    EXPECT_TRUE(zb::RangeFits(9, 0, 9));
    EXPECT_FALSE(zb::RangeFits(~std::uint64_t{0}, 2, 9));
}

TEST(ByteSource, PositionedReadsCheckTheRangeFirst) {
    const std::string path = zbtest::WriteFile(zbtest::MakeTempDir() + "/bytes",
                                               std::string(kBytes.begin(), kBytes.end()));
    zb::FileSource file;
    ASSERT_TRUE(file.Open(path));
    zb::MemorySource memory(kBytes);
    for (zb::ByteSource* source :
         {static_cast<zb::ByteSource*>(&file), static_cast<zb::ByteSource*>(&memory)}) {
        EXPECT_EQ(source->Size(), kBytes.size());
        std::uint32_t value = 0;
        ASSERT_TRUE(source->Le32At(5, value));
        EXPECT_EQ(value, 0x09080706u);
        EXPECT_FALSE(source->Le32At(6, value));
        std::vector<std::uint8_t> out;
        EXPECT_FALSE(source->ReadAt(1, 0xFFFFFFFFFFFFull, out));  // refused before any allocation
        EXPECT_TRUE(out.empty());
        ASSERT_TRUE(source->ReadAt(7, 2, out));
        EXPECT_EQ(out, (std::vector<std::uint8_t>{0x08, 0x09}));
    }
    EXPECT_EQ(zb::OpenFileSource(zbtest::TempRoot()), nullptr);  // a folder
}

}  // namespace
