#include "tools/ItemProperties.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/TempHome.h"

namespace {

TEST(ItemPropertiesTest, ReadsALinkWithoutFollowingIt) {
    const std::string dir = zbtest::MakeTempDir("props");
    zbtest::WriteFile(dir + "/file.txt", "12345");
    ASSERT_EQ(::chmod((dir + "/file.txt").c_str(), 04750), 0);
    ASSERT_EQ(::symlink("file.txt", (dir + "/link").c_str()), 0);
    CItemProperties file;
    ASSERT_TRUE(ReadItemProperties(dir + "/file.txt", &file));
    EXPECT_EQ(file.name, "file.txt");
    EXPECT_EQ(file.folder, dir);
    EXPECT_EQ(file.size, 5u);
    EXPECT_FALSE(file.isFolder);
    EXPECT_EQ(PermissionText(file.mode), "-rwsr-x--- (4750)");
    EXPECT_FALSE(file.owner.empty());
    CItemProperties link;
    ASSERT_TRUE(ReadItemProperties(dir + "/link", &link));
    EXPECT_TRUE(link.isLink);
    EXPECT_EQ(link.linkTarget, "file.txt");
    EXPECT_EQ(link.size, 8u);  // the link's own text
    EXPECT_EQ(PermissionText(S_IFDIR | 01777), "drwxrwxrwt (1777)");
    EXPECT_FALSE(ReadItemProperties(dir + "/none", &link));
}

TEST(ItemPropertiesTest, FolderSumNeverFollowsLinksAndStops) {
    const std::string dir = zbtest::MakeTempDir("sum");
    zbtest::WriteFile(dir + "/a", "123");
    zbtest::WriteFile(dir + "/sub/b", "4567");
    zbtest::WriteFile(dir + "/sub/deeper/c", "89");
    ASSERT_EQ(::symlink("/usr", (dir + "/sub/usr").c_str()), 0);
    std::atomic<bool> stop{false};
    const CFolderTotals totals = SumFolderContents(dir, stop);
    EXPECT_TRUE(totals.complete);
    EXPECT_EQ(totals.files, 4u);
    EXPECT_EQ(totals.folders, 2u);
    EXPECT_EQ(totals.bytes, 3u + 4u + 2u + 4u);  // the link counts its own 4 bytes
    stop = true;
    EXPECT_FALSE(SumFolderContents(dir, stop).complete);
}

}  // namespace
