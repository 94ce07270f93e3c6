#include "platform/FileMapping.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "support/TempHome.h"

namespace {

std::string Pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        s[i] = static_cast<char>(i * 7 + 3);
    }
    return s;
}

TEST(FileMappingTest, MapsWholeFileAndEmptyFile) {
    const std::string dir = zbtest::MakeTempDir("map");
    const std::string content = Pattern(10000);
    const std::string path = zbtest::WriteFile(dir + "/data.bin", content);

    zb::FileMapping map;
    EXPECT_FALSE(map.IsOpen());
    ASSERT_TRUE(map.Open(path));
    ASSERT_EQ(map.Size(), content.size());
    EXPECT_EQ(std::memcmp(map.Data(), content.data(), content.size()), 0);

    const std::string empty = zbtest::WriteFile(dir + "/empty.bin", "");
    ASSERT_TRUE(map.Open(empty));
    EXPECT_TRUE(map.IsOpen());
    EXPECT_EQ(map.Size(), 0u);
    EXPECT_NE(map.Data(), nullptr);
    map.Close();
    EXPECT_FALSE(map.IsOpen());
    EXPECT_EQ(map.Data(), nullptr);
}

TEST(FileMappingTest, RefusesWhatIsNotARegularFile) {
    const std::string dir = zbtest::MakeTempDir("mapfail");
    const std::string fifo = dir + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    zb::FileMapping map;
    EXPECT_FALSE(map.Open(fifo));
    EXPECT_FALSE(map.Open(dir));
    errno = 0;
    EXPECT_FALSE(map.Open(dir + "/missing"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(map.IsOpen());
    EXPECT_EQ(map.Size(), 0u);
}

TEST(FileMappingTest, MoveHandsOverTheMapping) {
    const std::string dir = zbtest::MakeTempDir("mapmove");
    const std::string path = zbtest::WriteFile(dir + "/f.bin", "abcdef");
    zb::FileMapping a;
    ASSERT_TRUE(a.Open(path));
    const std::uint8_t* data = a.Data();
    zb::FileMapping b(std::move(a));
    EXPECT_FALSE(a.IsOpen());
    EXPECT_EQ(b.Data(), data);
    zb::FileMapping c;
    ASSERT_TRUE(c.Open(path));
    c = std::move(b);
    EXPECT_EQ(c.Data(), data);
    EXPECT_EQ(c.Size(), 6u);
    EXPECT_EQ(c.Data()[5], 'f');
}

TEST(PositionedReaderTest, ReadsAcrossTheEndOfFile) {
    const std::string dir = zbtest::MakeTempDir("pread");
    const std::string content = Pattern(200000);
    const std::string path = zbtest::WriteFile(dir + "/data.bin", content);

    zb::PositionedReader reader;
    char byte = 0;
    EXPECT_EQ(reader.ReadAt(0, &byte, 1), -1);
    EXPECT_EQ(reader.Size(), -1);
    ASSERT_TRUE(reader.Open(path));
    EXPECT_EQ(reader.Size(), 200000);

    std::string buffer(150000, '\0');
    EXPECT_EQ(reader.ReadAt(100000, buffer.data(), buffer.size()), 100000);
    EXPECT_EQ(buffer.substr(0, 100000), content.substr(100000));
    EXPECT_EQ(reader.ReadAt(0, buffer.data(), buffer.size()), 150000);
    EXPECT_EQ(buffer, content.substr(0, 150000));
    EXPECT_EQ(reader.ReadAt(199999, buffer.data(), 10), 1);
    EXPECT_EQ(buffer[0], content[199999]);
    EXPECT_EQ(reader.ReadAt(200000, buffer.data(), 10), 0);
    EXPECT_EQ(reader.ReadAt(1u << 31, buffer.data(), 10), 0);
    EXPECT_EQ(reader.ReadAt(std::numeric_limits<std::uint64_t>::max(), buffer.data(), 10), 0);
    EXPECT_EQ(reader.ReadAt(5, buffer.data(), 0), 0);

    EXPECT_FALSE(reader.Open(dir));
    EXPECT_FALSE(reader.IsOpen());
}

TEST(PositionedReaderTest, BorrowedDescriptorStaysOpen) {
    const std::string dir = zbtest::MakeTempDir("preadfd");
    const std::string path = zbtest::WriteFile(dir + "/f.bin", "0123456789");
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    {
        zb::PositionedReader reader(fd);
        zb::PositionedReader moved(std::move(reader));
        EXPECT_FALSE(reader.IsOpen());
        char two[2] = {};
        EXPECT_EQ(moved.ReadAt(3, two, 2), 2);
        EXPECT_EQ(two[0], '3');
        EXPECT_EQ(moved.Size(), 10);
        // Reading at an offset leaves the descriptor's own position alone.
        EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 0);
    }
    EXPECT_NE(fcntl(fd, F_GETFD), -1);

    // A descriptor that cannot be read reports an error, not an end of file.
    const int writeOnly = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(writeOnly, 0);
    char c = 0;
    EXPECT_EQ(zb::PositionedReader(writeOnly).ReadAt(0, &c, 1), -1);
    close(writeOnly);
    close(fd);
}

}  // namespace
