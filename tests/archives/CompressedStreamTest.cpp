#include "readers/archives/CompressedStream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <deque>
#include <string>
#include <utility>

#include "archives/CompressedTestData.h"
#include "support/TempHome.h"

namespace {

// Reads from the position to the end in blocks of `block` bytes; "<failed>"
// when a read fails.
std::string ReadRest(CCompressedStream& stream, std::size_t block = 5000) {
    std::string out;
    std::string buffer(block, '\0');
    for (;;) {
        const std::int64_t n = stream.Read(buffer.data(), block);
        if (n < 0) {
            return "<failed>";
        }
        if (n == 0) {
            return out;
        }
        out.append(buffer, 0, static_cast<std::size_t>(n));
    }
}

std::string ReadCount(CCompressedStream& stream, std::size_t count) {
    std::string out(count, '\0');
    const std::int64_t n = stream.Read(out.data(), count);
    if (n < 0) {
        return "<failed>";
    }
    out.resize(static_cast<std::size_t>(n));
    return out;
}

// Empties the file on disk under an open stream: what the stream reads
// afterwards can only come from what it keeps in memory.
void EmptyFile(const std::string& path) {
    ASSERT_EQ(::truncate(path.c_str(), 0), 0);
}

// Gzip or bzip2 compression, by name.
class CompressedStreamTest : public ::testing::TestWithParam<std::string> {
protected:
    std::string Pack(const std::string& data) const {
        return GetParam() == "gz" ? zbtest::Gzip(data) : zbtest::Bzip2(data);
    }
    std::string Write(const std::string& name, const std::string& data) const {
        return zbtest::WriteFile(zbtest::MakeTempDir("cstream") + "/" + name + "." + GetParam(),
                                 Pack(data));
    }
};

TEST_P(CompressedStreamTest, RewindAndBackwardSeekAreServedFromMemory) {
    const std::string data = zbtest::PatternData(200000, 4);
    const std::string path = Write("kept", data);
    CCompressedStream stream(1 << 20);
    ASSERT_TRUE(stream.Open(path, CCompressedStream::ACCEPT_ANY));
    EXPECT_EQ(ReadRest(stream), data);
    EmptyFile(path);
    ASSERT_TRUE(stream.Rewind());
    EXPECT_EQ(ReadRest(stream, 70000), data);
    ASSERT_TRUE(stream.Seek(123457));
    EXPECT_EQ(stream.Tell(), 123457);
    EXPECT_EQ(ReadCount(stream, 10), data.substr(123457, 10));
    ASSERT_TRUE(stream.Seek(65530));  // across the kept blocks' boundary
    EXPECT_EQ(ReadCount(stream, 20), data.substr(65530, 20));
    ASSERT_TRUE(stream.Seek(static_cast<std::int64_t>(data.size())));
    EXPECT_EQ(ReadCount(stream, 10), "");
    EXPECT_FALSE(stream.Seek(static_cast<std::int64_t>(data.size()) + 1));

    // Without a limit the same rewind has to decode the emptied file again.
    const std::string other = Write("unkept", data);
    CCompressedStream plainStream;
    ASSERT_TRUE(plainStream.Open(other, CCompressedStream::ACCEPT_ANY));
    EXPECT_EQ(ReadRest(plainStream), data);
    EmptyFile(other);
    ASSERT_TRUE(plainStream.Rewind());
    EXPECT_EQ(ReadRest(plainStream), "<failed>");
}

TEST_P(CompressedStreamTest, DecodingGoesOnAfterTheKeptBytes) {
    const std::string data = zbtest::PatternData(300000, 8);
    CCompressedStream stream(1 << 20);
    ASSERT_TRUE(stream.Open(Write("partial", data), CCompressedStream::ACCEPT_ANY));
    EXPECT_EQ(ReadCount(stream, 100000), data.substr(0, 100000));
    ASSERT_TRUE(stream.Seek(99990));
    // Ten kept bytes, then the live decoder's next ones, in one read.
    EXPECT_EQ(ReadCount(stream, 30), data.substr(99990, 30));
    ASSERT_TRUE(stream.Rewind());
    EXPECT_EQ(ReadRest(stream, 33333), data);
}

TEST_P(CompressedStreamTest, DataBeyondTheLimitIsDecodedAgain) {
    const std::string data = zbtest::PatternData(150000, 2);
    // Exactly at the limit the bytes are kept; one byte more drops them.
    for (const auto& [limit, kept] : {std::make_pair(150000u, true), std::make_pair(149999u, false),
                                      std::make_pair(1000u, false)}) {
        const std::string path = Write("limit" + std::to_string(limit), data);
        CCompressedStream stream(limit);
        ASSERT_TRUE(stream.Open(path, CCompressedStream::ACCEPT_ANY));
        EXPECT_EQ(ReadCount(stream, 2000), data.substr(0, 2000));
        ASSERT_TRUE(stream.Seek(10));
        EXPECT_EQ(ReadCount(stream, 10), data.substr(10, 10));
        EXPECT_EQ(ReadRest(stream, 4096), data.substr(20));
        ASSERT_TRUE(stream.Seek(140000));
        EXPECT_EQ(ReadRest(stream), data.substr(140000));
        ASSERT_TRUE(stream.Rewind());
        EXPECT_EQ(ReadRest(stream, 65536), data) << limit;
        EmptyFile(path);
        ASSERT_TRUE(stream.Rewind());
        EXPECT_EQ(ReadRest(stream), kept ? data : "<failed>") << limit;
    }
}

TEST_P(CompressedStreamTest, SameBytesWithAndWithoutKeeping) {
    const std::string data = zbtest::PatternData(250000, 6) + std::string(50000, 'z');
    const std::string path = Write("same", data);
    std::deque<CCompressedStream> streams;
    for (const std::size_t limit : {0u, 777u, 100000u, 16u << 20}) {
        streams.emplace_back(limit);
    }
    for (CCompressedStream& stream : streams) {
        ASSERT_TRUE(stream.Open(path, CCompressedStream::ACCEPT_ANY));
    }
    // A fixed walk of seeks and reads, forwards and backwards.
    unsigned state = 12345;
    for (int step = 0; step < 60; ++step) {
        state = state * 1103515245u + 12345u;
        const std::int64_t target = (state >> 8) % (data.size() + 10);
        const std::size_t count = (state >> 4) % 70000;
        const bool inside = target <= static_cast<std::int64_t>(data.size());
        for (CCompressedStream& stream : streams) {
            ASSERT_EQ(stream.Seek(target), inside) << step;
            if (inside) {
                EXPECT_EQ(ReadCount(stream, count),
                          data.substr(static_cast<std::size_t>(target), count))
                    << step;
            }
        }
    }
}

TEST_P(CompressedStreamTest, CorruptDataAfterTheKeptPartStillFails) {
    // Two streams back to back, the second cut short: the first decodes whole.
    const std::string data = zbtest::PatternData(100000, 3) + zbtest::PatternData(100000, 5);
    std::string packed = Pack(data.substr(0, 100000)) + Pack(data.substr(100000));
    packed.resize(packed.size() - 30);
    const std::string path =
        zbtest::WriteFile(zbtest::MakeTempDir("cstreambad") + "/cut." + GetParam(), packed);
    for (const std::size_t limit : {0u, 1000u, 1u << 20}) {
        CCompressedStream stream(limit);
        ASSERT_TRUE(stream.Open(path, CCompressedStream::ACCEPT_ANY));
        const std::string head = ReadCount(stream, 50000);
        EXPECT_EQ(head, data.substr(0, 50000));
        ASSERT_TRUE(stream.Rewind());
        EXPECT_EQ(ReadCount(stream, 50000), head);
        EXPECT_EQ(ReadRest(stream), "<failed>") << limit;
        EXPECT_EQ(ReadCount(stream, 1), "<failed>");  // the failure stays
        EXPECT_FALSE(stream.Seek(stream.Tell() + 1));
        // Moving back starts over; the data fails again at the same place.
        ASSERT_TRUE(stream.Seek(40000));
        EXPECT_EQ(ReadCount(stream, 100), data.substr(40000, 100));
        EXPECT_EQ(ReadRest(stream), "<failed>") << limit;
        ASSERT_TRUE(stream.Rewind());
        EXPECT_EQ(ReadCount(stream, 10), data.substr(0, 10));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, CompressedStreamTest, ::testing::Values("gz", "bz2"));

TEST(CompressedStreamPlain, PlainFilesAreReadInPlaceWhateverTheLimit) {
    const std::string data = zbtest::PatternData(100000, 1);
    const std::string path = zbtest::WriteFile(zbtest::MakeTempDir("cstreamplain") + "/a", data);
    CCompressedStream stream(1 << 20);
    ASSERT_TRUE(stream.Open(path, CCompressedStream::ACCEPT_ANY));
    EXPECT_EQ(stream.GetFormat(), CCompressedStream::Format::Plain);
    EXPECT_EQ(ReadRest(stream), data);
    ASSERT_TRUE(stream.Seek(5000));
    EXPECT_EQ(ReadCount(stream, 5), data.substr(5000, 5));
    EmptyFile(path);
    ASSERT_TRUE(stream.Rewind());
    EXPECT_EQ(ReadRest(stream), "");  // nothing was kept: the file is read again
}

}  // namespace
