#include "platform/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "support/TempHome.h"

namespace {

std::string Digits(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += static_cast<char>('0' + i % 10);
    }
    return s;
}

TEST(OpenRegularFileTest, OpensRegularFilesOnly) {
    const std::string dir = zbtest::MakeTempDir("open");
    const std::string file = zbtest::WriteFile(dir + "/a.txt", "abc");
    zb::FileStamp stamp;
    const int fd = zb::OpenRegularFileAt(AT_FDCWD, file.c_str(), &stamp);
    ASSERT_GE(fd, 0);
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(stamp.size, 3);
    EXPECT_EQ(stamp.device, st.st_dev);
    EXPECT_EQ(stamp.inode, st.st_ino);
    EXPECT_EQ(stamp.links, 1u);
    EXPECT_EQ(stamp.modified, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec);
    EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    char bytes[8];
    EXPECT_EQ(read(fd, bytes, sizeof bytes), 3);
    close(fd);

    errno = 0;
    EXPECT_EQ(zb::OpenRegularFile(dir), -1);
    EXPECT_EQ(errno, EISDIR);

    // A FIFO without a writer would block a blocking open for ever.
    const std::string fifo = dir + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    errno = 0;
    EXPECT_EQ(zb::OpenRegularFile(fifo), -1);
    EXPECT_EQ(errno, ENXIO);

    errno = 0;
    EXPECT_EQ(zb::OpenRegularFile("/dev/null"), -1);
    EXPECT_EQ(errno, ENXIO);

    errno = 0;
    EXPECT_EQ(zb::OpenRegularFile(dir + "/missing"), -1);
    EXPECT_EQ(errno, ENOENT);
}

TEST(InputFileTest, ReadsWholeRequestsAndStopsAtEnd) {
    const std::string dir = zbtest::MakeTempDir("input");
    const std::string content = Digits(100000);
    const std::string path = zbtest::WriteFile(dir + "/big.bin", content);

    zb::InputFile file;
    EXPECT_FALSE(file.IsOpen());
    char probe = 0;
    EXPECT_EQ(file.Read(&probe, 1), -1);
    EXPECT_EQ(file.GetPosition(), -1);
    EXPECT_EQ(file.GetLength(), -1);
    EXPECT_FALSE(file.Seek(0, 0));

    ASSERT_TRUE(file.Open(path));
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.GetLength(), 100000);
    std::string buffer(70000, '\0');
    EXPECT_EQ(file.Read(buffer.data(), buffer.size()), 70000);
    EXPECT_EQ(buffer, content.substr(0, 70000));
    EXPECT_EQ(file.GetPosition(), 70000);
    EXPECT_EQ(file.Read(buffer.data(), buffer.size()), 30000);
    EXPECT_EQ(buffer.substr(0, 30000), content.substr(70000));
    EXPECT_EQ(file.Read(buffer.data(), buffer.size()), 0);
    EXPECT_EQ(file.Read(buffer.data(), 0), 0);
}

TEST(InputFileTest, SeekOriginsAndRefusedTargets) {
    const std::string dir = zbtest::MakeTempDir("seek");
    const std::string path = zbtest::WriteFile(dir + "/f.bin", "0123456789");
    zb::InputFile file;
    ASSERT_TRUE(file.Open(path));
    char c = 0;

    EXPECT_TRUE(file.Seek(4, 0));
    ASSERT_EQ(file.Read(&c, 1), 1);
    EXPECT_EQ(c, '4');
    EXPECT_TRUE(file.Seek(2, 1));
    ASSERT_EQ(file.Read(&c, 1), 1);
    EXPECT_EQ(c, '7');
    EXPECT_TRUE(file.Seek(-1, 2));
    ASSERT_EQ(file.Read(&c, 1), 1);
    EXPECT_EQ(c, '9');

    // Past the end is allowed (reads then return 0); before the start is not.
    EXPECT_TRUE(file.Seek(5, 2));
    EXPECT_EQ(file.GetPosition(), 15);
    EXPECT_EQ(file.Read(&c, 1), 0);
    EXPECT_TRUE(file.Seek(3, 0));
    EXPECT_FALSE(file.Seek(-11, 2));
    EXPECT_FALSE(file.Seek(-4, 1));
    EXPECT_FALSE(file.Seek(-1, 0));
    EXPECT_FALSE(file.Seek(0, 3));
    EXPECT_FALSE(file.Seek(0, -1));
    EXPECT_FALSE(file.Seek(INT64_MAX, 2));
    EXPECT_EQ(file.GetPosition(), 3);
}

TEST(InputFileTest, MoveTransfersOwnershipAndCloseReleases) {
    const std::string dir = zbtest::MakeTempDir("move");
    const std::string path = zbtest::WriteFile(dir + "/f.bin", "xyz");
    zb::InputFile a;
    ASSERT_TRUE(a.Open(path));
    const int fd = a.Fd();
    zb::InputFile b(std::move(a));
    EXPECT_FALSE(a.IsOpen());
    EXPECT_EQ(b.Fd(), fd);
    zb::InputFile c;
    c = std::move(b);
    EXPECT_EQ(c.Fd(), fd);
    EXPECT_EQ(c.GetLength(), 3);
    c.Close();
    EXPECT_FALSE(c.IsOpen());
    EXPECT_EQ(fcntl(fd, F_GETFD), -1);

    // Opening a non-regular file leaves the object closed.
    EXPECT_FALSE(c.Open(dir));
    EXPECT_FALSE(c.IsOpen());
}

}  // namespace
