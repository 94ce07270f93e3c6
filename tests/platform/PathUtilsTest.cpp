#include "platform/PathUtils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "support/TempHome.h"

namespace {

std::string Ext(const char* name) {
    const char* ext = GetFileExtension(name);
    return ext == nullptr ? "<null>" : ext;
}

std::string FolderPart(const char* path) {
    std::string out = "junk";
    GetFolderPart(path, out);
    return out;
}

TEST(PathNameTest, ExtensionIsAfterTheLastDotAnywhere) {
    EXPECT_EQ(Ext("archive.tar.gz"), "gz");
    EXPECT_EQ(Ext("noext"), "<null>");
    EXPECT_EQ(Ext("/dir.d/file"), "d/file");
    EXPECT_EQ(Ext("C:\\dir.d\\file"), "d\\file");
    EXPECT_EQ(Ext("name."), "");
    EXPECT_EQ(GetFileExtension(nullptr), nullptr);
    const char* name = "a.b";
    EXPECT_EQ(GetFileExtension(name), name + 2);
}

TEST(PathNameTest, NamePartSkipsTrailingSeparators) {
    EXPECT_STREQ(GetFileNamePart("/dir/"), "dir/");
    EXPECT_STREQ(GetFileNamePart("C:\\dir\\"), "dir\\");
    EXPECT_STREQ(GetFileNamePart("/a/b/c.txt"), "c.txt");
    EXPECT_STREQ(GetFileNamePart("dir\\sub\\file"), "file");
    EXPECT_STREQ(GetFileNamePart("mixed\\part/name"), "name");
    EXPECT_STREQ(GetFileNamePart("/dir//"), "dir//");
    EXPECT_STREQ(GetFileNamePart("/"), "/");
    EXPECT_STREQ(GetFileNamePart(""), "");
    EXPECT_STREQ(GetFileNamePart("name"), "name");
    EXPECT_EQ(GetFileNamePart(nullptr), nullptr);
}

TEST(PathNameTest, ColonIsPartOfAName) {
    EXPECT_STREQ(GetFileNamePart("C:"), "C:");
    EXPECT_STREQ(GetFileNamePart("/data/12:30 notes.txt"), "12:30 notes.txt");
    EXPECT_STREQ(GetFileNamePart("a:b"), "a:b");
}

TEST(PathNameTest, MultiByteNamesSplitOnlyAtSeparators) {
    EXPECT_STREQ(GetFileNamePart("/\xC3\xBC"
                                 "ber/stra\xC3\x9F"
                                 "e"),
                 "stra\xC3\x9F"
                 "e");
    EXPECT_STREQ(GetFileNamePart("\xE6\x97\xA5\\\xE6\x9C\xAC"), "\xE6\x9C\xAC");
}

TEST(PathNameTest, FolderPartSkipsOneTrailingSeparator) {
    EXPECT_EQ(FolderPart("/a/b"), "/a");
    EXPECT_EQ(FolderPart("/a/b/"), "/a");
    EXPECT_EQ(FolderPart("C:\\a\\b"), "C:\\a");
    EXPECT_EQ(FolderPart("C:\\a\\b\\"), "C:\\a");
    EXPECT_EQ(FolderPart("/a"), "");
    EXPECT_EQ(FolderPart("b"), "");
    EXPECT_EQ(FolderPart("/"), "");
    EXPECT_EQ(FolderPart(""), "");
}

TEST(PathNameTest, ParentFolderIsBeforeTheLastSeparator) {
    EXPECT_EQ(GetParentFolder("\\file"), "");
    EXPECT_EQ(GetParentFolder("/file"), "");
    EXPECT_EQ(GetParentFolder("file"), "");
    EXPECT_EQ(GetParentFolder("/a/b"), "/a");
    EXPECT_EQ(GetParentFolder("a\\b\\c"), "a\\b");
    EXPECT_EQ(GetParentFolder("/a/b/"), "/a/b");
    EXPECT_EQ(GetParentFolder(""), "");
}

class PathFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = zbtest::MakeTempDir("paths");
        file = zbtest::WriteFile(dir + "/file.txt", "data");
    }
    std::string dir;
    std::string file;
};

TEST_F(PathFileTest, ExistenceFollowsLinks) {
    ASSERT_EQ(symlink(file.c_str(), (dir + "/link").c_str()), 0);
    ASSERT_EQ(symlink((dir + "/gone").c_str(), (dir + "/dangling").c_str()), 0);
    ASSERT_EQ(symlink(dir.c_str(), (dir + "/dirlink").c_str()), 0);

    EXPECT_EQ(FileExists(file), TRUE);
    EXPECT_EQ(FileExists(dir), TRUE);
    EXPECT_EQ(FileExists(dir + "/link"), TRUE);
    EXPECT_EQ(FileExists(dir + "/dangling"), FALSE);
    EXPECT_EQ(FileExists(dir + "/missing"), FALSE);
    EXPECT_EQ(FileExists(""), FALSE);

    EXPECT_EQ(IsDirectory(dir), TRUE);
    EXPECT_EQ(IsDirectory(dir + "/"), TRUE);
    EXPECT_EQ(IsDirectory(dir + "/dirlink"), TRUE);
    EXPECT_EQ(IsDirectory(file), FALSE);
    EXPECT_EQ(IsDirectory(dir + "/missing"), FALSE);
}

TEST_F(PathFileTest, ExistsByOpenFindsFilesNotFolders) {
    EXPECT_EQ(FileExistsByOpen(file), TRUE);
    EXPECT_EQ(FileExistsByOpen(dir), FALSE);
    EXPECT_EQ(FileExistsByOpen(dir + "/missing"), FALSE);
    // A FIFO without a writer must not hang the test.
    const std::string fifo = dir + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(FileExistsByOpen(fifo), TRUE);
}

TEST_F(PathFileTest, RegularAndExecutableFilesFollowLinks) {
    const std::string program = zbtest::WriteFile(dir + "/program", "#!/bin/sh\n");
    ASSERT_EQ(chmod(program.c_str(), 0700), 0);
    ASSERT_EQ(symlink(program.c_str(), (dir + "/link").c_str()), 0);
    ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0700), 0);
    const struct {
        std::string path;
        BOOL regular;
        BOOL executable;
    } cases[] = {
        {program, TRUE, TRUE}, {dir + "/link", TRUE, TRUE},   {file, TRUE, FALSE},
        {dir, FALSE, FALSE},   {dir + "/fifo", FALSE, FALSE}, {dir + "/missing", FALSE, FALSE},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsRegularFile(c.path), c.regular) << c.path;
        EXPECT_EQ(IsExecutableFile(c.path), c.executable) << c.path;
    }
}

TEST_F(PathFileTest, ReadWriteOpenNeverCreates) {
    EXPECT_EQ(CanOpenFileReadWrite(file), TRUE);
    EXPECT_EQ(CanOpenFileReadWrite(dir + "/missing"), FALSE);
    EXPECT_EQ(FileExists(dir + "/missing"), FALSE);
    EXPECT_EQ(CanOpenFileReadWrite(dir), FALSE);
}

TEST_F(PathFileTest, ReadWriteOpenCountsADeniedFileAsThere) {
    const std::string locked = zbtest::WriteFile(dir + "/locked", "x");
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    EXPECT_EQ(CanOpenFileReadWrite(locked), TRUE);
    chmod(locked.c_str(), 0600);
}

class CreateDirectoryPathTest : public ::testing::Test {
protected:
    void SetUp() override { base = zbtest::MakeTempDir("mkdir"); }
    std::string base;
};

TEST_F(CreateDirectoryPathTest, MakesParentsBeforeChildren) {
    std::vector<std::string> created;
    EXPECT_EQ(CreateDirectoryPath(base + "/a/b/c", created), 0);
    EXPECT_EQ(created, (std::vector<std::string>{base + "/a/", base + "/a/b/", base + "/a/b/c"}));
    EXPECT_EQ(IsDirectory(base + "/a/b/c"), TRUE);
}

TEST_F(CreateDirectoryPathTest, ExistingFolderIsNotListed) {
    std::vector<std::string> created{"earlier"};
    EXPECT_EQ(CreateDirectoryPath(base, created), 0);
    EXPECT_EQ(created, std::vector<std::string>{"earlier"});
}

TEST_F(CreateDirectoryPathTest, TrailingSeparatorAndDoubledSeparators) {
    std::vector<std::string> created;
    EXPECT_EQ(CreateDirectoryPath(base + "/x//y/", created), 0);
    EXPECT_EQ(created, (std::vector<std::string>{base + "/x//", base + "/x//y/"}));
    EXPECT_EQ(IsDirectory(base + "/x/y"), TRUE);
}

TEST_F(CreateDirectoryPathTest, BackslashIsPartOfADiskName) {
    std::vector<std::string> created;
    EXPECT_EQ(CreateDirectoryPath(base + "/a\\b", created), 0);
    EXPECT_EQ(created, std::vector<std::string>{base + "/a\\b"});
    EXPECT_EQ(FileExists(base + "/a\\"), FALSE);
}

TEST_F(CreateDirectoryPathTest, ParentThatIsAFileFails) {
    zbtest::WriteFile(base + "/file", "x");
    std::vector<std::string> created;
    EXPECT_EQ(CreateDirectoryPath(base + "/file/sub/leaf", created), -1);
    EXPECT_TRUE(created.empty());
}

TEST_F(CreateDirectoryPathTest, FoldersMadeBeforeAFailureStayListed) {
    const std::string tooLong(NAME_MAX + 1, 'n');
    std::vector<std::string> created;
    EXPECT_EQ(CreateDirectoryPath(base + "/p/q/" + tooLong, created), -1);
    EXPECT_EQ(created, (std::vector<std::string>{base + "/p/", base + "/p/q/"}));
    EXPECT_EQ(IsDirectory(base + "/p/q"), TRUE);
}

TEST_F(CreateDirectoryPathTest, RelativePathsStartInTheCurrentFolder) {
    char old[PATH_MAX];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(base.c_str()), 0);
    std::vector<std::string> created;
    const int result = CreateDirectoryPath("r/s", created);
    ASSERT_EQ(chdir(old), 0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(created, (std::vector<std::string>{"r/", "r/s"}));
    EXPECT_EQ(IsDirectory(base + "/r/s"), TRUE);
}

TEST_F(CreateDirectoryPathTest, EmptyPathFails) {
    std::vector<std::string> created;
    EXPECT_EQ(CreateDirectoryPath("", created), -1);
    EXPECT_TRUE(created.empty());
}

}  // namespace
