#include "platform/FileInfo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "platform/FileTime.h"
#include "platform/InputFile.h"
#include "support/TempHome.h"

namespace {

// Opens a folder for the *at calls and closes it at the end of the scope.
class DirFd {
public:
    explicit DirFd(const std::string& path)
        : m_fd(open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)) {}
    ~DirFd() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

FILETIME FromUnix(time_t sec, long nsec) {
    FILETIME ft;
    EXPECT_TRUE(TimespecToFileTime(timespec{sec, nsec}, &ft));
    return ft;
}

TEST(FileInfoTest, RegularFileSizeTimesAndNormal) {
    const std::string dir = zbtest::MakeTempDir("info");
    const std::string path = zbtest::WriteFile(dir + "/file.txt", "hello world");
    const timespec times[2] = {{1000000000, 123456700}, {1600000000, 987654300}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);

    zb::FileInfo info;
    ASSERT_TRUE(zb::GetFileInfo(path, &info));
    EXPECT_EQ(info.size, 11u);
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(info.ftLastAccessTime, FromUnix(1000000000, 123456700));
    EXPECT_EQ(info.ftLastWriteTime, FromUnix(1600000000, 987654300));
    EXPECT_TRUE(S_ISREG(info.mode));

    struct statx sx {};
    ASSERT_EQ(statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_INO, &sx), 0);
    EXPECT_EQ(info.inode, sx.stx_ino);
    if ((sx.stx_mask & STATX_BTIME) != 0) {
        EXPECT_EQ(info.ftCreationTime,
                  FromUnix(sx.stx_btime.tv_sec, static_cast<long>(sx.stx_btime.tv_nsec)));
    } else {
        EXPECT_EQ(info.ftCreationTime, info.ftLastWriteTime);
    }

    EXPECT_EQ(zb::GetFileAttributes(path), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(zb::GetFileAttributes(dir + "/missing"), INVALID_FILE_ATTRIBUTES);
    errno = 0;
    EXPECT_FALSE(zb::GetFileInfo(dir + "/missing", &info));
    EXPECT_EQ(errno, ENOENT);
}

TEST(FileInfoTest, FolderAndReadOnly) {
    const std::string dir = zbtest::MakeTempDir("folder");
    const std::string sub = dir + "/sub";
    ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
    zb::FileInfo info;
    ASSERT_TRUE(zb::GetFileInfo(sub, &info));
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(info.size, 0u);
    // Trailing slashes and the root name the folder itself.
    EXPECT_EQ(zb::GetFileAttributes(sub + "//"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(zb::GetFileAttributes("/") & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(zb::GetFileAttributes(sub + "/.") & FILE_ATTRIBUTE_HIDDEN, 0u);

    const std::string ro = zbtest::WriteFile(dir + "/ro.txt", "x");
    ASSERT_EQ(chmod(ro.c_str(), 0444), 0);
    EXPECT_EQ(zb::GetFileAttributes(ro), FILE_ATTRIBUTE_READONLY);
    // Only the owner's write bit counts.
    ASSERT_EQ(chmod(ro.c_str(), 0577), 0);
    EXPECT_EQ(zb::GetFileAttributes(ro), FILE_ATTRIBUTE_READONLY);
    ASSERT_EQ(chmod(ro.c_str(), 0200), 0);
    EXPECT_EQ(zb::GetFileAttributes(ro), FILE_ATTRIBUTE_NORMAL);
}

TEST(FileInfoTest, SymbolicLinkIsTheLinkNotAFolder) {
    const std::string dir = zbtest::MakeTempDir("links");
    ASSERT_EQ(mkdir((dir + "/target").c_str(), 0755), 0);
    const std::string link = dir + "/link";
    ASSERT_EQ(symlink("target", link.c_str()), 0);

    zb::FileInfo info;
    ASSERT_TRUE(zb::GetFileInfo(link, &info));
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_TRUE(S_ISLNK(info.mode));
    EXPECT_EQ(zb::GetFileAttributes(link), FILE_ATTRIBUTE_REPARSE_POINT);

    ASSERT_TRUE(zb::GetFileInfo(link, &info, zb::LinkMode::Follow));
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);

    // A dangling link is still reported as a link; following it fails.
    const std::string dangling = dir + "/dangling";
    ASSERT_EQ(symlink("nowhere", dangling.c_str()), 0);
    EXPECT_EQ(zb::GetFileAttributes(dangling), FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_FALSE(zb::GetFileInfo(dangling, &info, zb::LinkMode::Follow));

    DirFd fd(dir);
    ASSERT_TRUE(zb::GetFileInfoAt(fd.get(), "link", nullptr, &info));
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_REPARSE_POINT);
    ASSERT_TRUE(zb::GetFileInfoAt(fd.get(), "link", nullptr, &info, zb::LinkMode::Follow));
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
}

TEST(FileInfoTest, HiddenByDotAndByHiddenList) {
    const std::string dir = zbtest::MakeTempDir("hidden");
    zbtest::WriteFile(dir + "/.dotfile", "x");
    zbtest::WriteFile(dir + "/listed.txt", "x");
    zbtest::WriteFile(dir + "/crlf.txt", "x");
    zbtest::WriteFile(dir + "/shown.txt", "x");
    zbtest::WriteFile(dir + "/.hidden", "listed.txt\n\ncrlf.txt\r\nlisted\n");

    EXPECT_EQ(zb::GetFileAttributes(dir + "/.dotfile"), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(zb::GetFileAttributes(dir + "/listed.txt"), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(zb::GetFileAttributes(dir + "/crlf.txt"), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(zb::GetFileAttributes(dir + "/shown.txt"), FILE_ATTRIBUTE_NORMAL);

    DirFd fd(dir);
    const zb::HiddenNames hidden = zb::HiddenNames::Load(fd.get());
    EXPECT_TRUE(hidden.Contains("listed.txt"));
    EXPECT_TRUE(hidden.Contains("listed"));
    EXPECT_FALSE(hidden.Contains("shown.txt"));
    EXPECT_FALSE(hidden.Contains(""));
    zb::FileInfo info;
    ASSERT_TRUE(zb::GetFileInfoAt(fd.get(), "listed.txt", &hidden, &info));
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_HIDDEN);
    // Without the list only the dot rule applies.
    ASSERT_TRUE(zb::GetFileInfoAt(fd.get(), "listed.txt", nullptr, &info));
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(zb::GetFileInfoAt(fd.get(), ".dotfile", nullptr, &info));
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(zb::GetFileInfoAt(fd.get(), "", nullptr, &info));

    // By path with the folder's list loaded once: the last name is tested,
    // never the whole path.
    ASSERT_TRUE(zb::GetFileInfo(dir + "/listed.txt", hidden, &info));
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(zb::GetFileInfo(dir + "/shown.txt", hidden, &info));
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(zb::GetFileInfo(dir + "/.dotfile", zb::HiddenNames(), &info));
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(zb::GetFileInfo(dir + "/missing.txt", hidden, &info));

    EXPECT_TRUE(zb::HiddenNames::Load(dir).Contains("crlf.txt"));
    EXPECT_TRUE(zb::HiddenNames::Load(dir + "/missing").Empty());
}

TEST(FileInfoTest, FifoIsListedButNeverOpened) {
    const std::string dir = zbtest::MakeTempDir("fifo");
    const std::string fifo = dir + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    zb::FileInfo info;
    ASSERT_TRUE(zb::GetFileInfo(fifo, &info));
    EXPECT_TRUE(S_ISFIFO(info.mode));
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(zb::OpenRegularFile(fifo), -1);

    // A ".hidden" that is a FIFO would block a plain open; it is ignored.
    ASSERT_EQ(mkfifo((dir + "/.hidden").c_str(), 0644), 0);
    zbtest::WriteFile(dir + "/a.txt", "x");
    EXPECT_TRUE(zb::HiddenNames::Load(dir).Empty());
    EXPECT_EQ(zb::GetFileAttributes(dir + "/a.txt"), FILE_ATTRIBUTE_NORMAL);
}

TEST(FileInfoTest, DosAttribTextForms) {
    EXPECT_EQ(zb::ParseDosAttrib("0x20"), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(zb::ParseDosAttrib(std::string_view("0x6\0\x03\x01garbage", 13)),
              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(zb::ParseDosAttrib("0X26"),
              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(zb::ParseDosAttrib("34"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    // Read-only and directory bits come from the file itself, not from here.
    EXPECT_EQ(zb::ParseDosAttrib("0x11"), 0u);
    EXPECT_EQ(zb::ParseDosAttrib(""), 0u);
    EXPECT_EQ(zb::ParseDosAttrib("0x"), 0u);
    EXPECT_EQ(zb::ParseDosAttrib("0xZZ"), 0u);
    EXPECT_EQ(zb::ParseDosAttrib("2x"), 0u);
    EXPECT_EQ(zb::ParseDosAttrib("-2"), 0u);
    EXPECT_EQ(zb::ParseDosAttrib("99999999999999"), 0u);
}

TEST(FileInfoTest, DosAttribExtendedAttribute) {
    const std::string dir = zbtest::MakeTempDir("dosattrib");
    const std::string path = zbtest::WriteFile(dir + "/file.bin", "x");
    const char value[] = "0x26";
    if (setxattr(path.c_str(), "user.DOSATTRIB", value, sizeof value, 0) != 0) {
        GTEST_SKIP() << "the temporary file system refuses user extended attributes";
    }
    EXPECT_EQ(zb::GetFileAttributes(path),
              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    DirFd fd(dir);
    zb::FileInfo info;
    ASSERT_TRUE(zb::GetFileInfoAt(fd.get(), "file.bin", nullptr, &info));
    EXPECT_EQ(info.dwFileAttributes,
              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);

    ASSERT_EQ(setxattr(path.c_str(), "user.DOSATTRIB", "not a number", 12, 0), 0);
    EXPECT_EQ(zb::GetFileAttributes(path), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(setxattr(path.c_str(), "user.DOSATTRIB", "32", 2, 0), 0);
    EXPECT_EQ(zb::GetFileAttributes(path), FILE_ATTRIBUTE_ARCHIVE);

    // The attribute of a link's target shows only when following the link.
    ASSERT_EQ(symlink("file.bin", (dir + "/link").c_str()), 0);
    EXPECT_EQ(zb::GetFileAttributes(dir + "/link"), FILE_ATTRIBUTE_REPARSE_POINT);
    ASSERT_TRUE(zb::GetFileInfo(dir + "/link", &info, zb::LinkMode::Follow));
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
}

TEST(FileInfoTest, DosBitsLeftForLaterAreReadOnTheirOwn) {
    const std::string dir = zbtest::MakeTempDir("dosbits");
    const std::string path = zbtest::WriteFile(dir + "/file.bin", "x");
    const std::string dotted = zbtest::WriteFile(dir + "/.dotted", "x");
    if (setxattr(path.c_str(), "user.DOSATTRIB", "0x24", 4, 0) != 0 ||
        setxattr(dotted.c_str(), "user.DOSATTRIB", "0x20", 4, 0) != 0) {
        GTEST_SKIP() << "the temporary file system refuses user extended attributes";
    }
    DirFd fd(dir);
    zb::FileInfo info;
    ASSERT_TRUE(zb::GetFileInfoAt(fd.get(), "file.bin", nullptr, &info, zb::LinkMode::NoFollow,
                                  zb::DosBits::Later));
    EXPECT_FALSE(info.dosBitsRead);
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(info.size, 1u);
    // The name still decides the hidden bit.
    ASSERT_TRUE(zb::GetFileInfo(dotted, &info, zb::LinkMode::NoFollow, zb::DosBits::Later));
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(zb::GetFileInfo(path, zb::HiddenNames(), &info));
    EXPECT_TRUE(info.dosBitsRead);
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);

    EXPECT_EQ(zb::ReadDosAttributes(path), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(zb::ReadDosAttributes(dotted), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(zb::ReadDosAttributes(dir + "/missing"), 0u);
    ASSERT_EQ(symlink("file.bin", (dir + "/link").c_str()), 0);
    EXPECT_EQ(zb::ReadDosAttributes(dir + "/link"), 0u);
}

}  // namespace
