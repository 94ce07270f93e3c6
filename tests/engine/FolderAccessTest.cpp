#include "app/engine/FolderAccess.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/shell/ShellHelper.h"
#include "platform/shell/ShellRoots.h"
#include "support/TempHome.h"

namespace {

PidlPtr ParsePath(const std::string& path) {
    CShellHelper helper;
    LPITEMIDLIST list = nullptr;
    EXPECT_EQ(helper.ParseDisplayName(path, &list, nullptr), S_OK) << path;
    return PidlPtr(list);
}

constexpr ULONG kOnDisk = SFGAO_FILESYSTEM | SFGAO_FOLDER;

TEST(FolderAccessTest, FoldersOnDiskMustBeListable) {
    const std::string dir = zbtest::MakeTempDir("access");
    PidlPtr list = ParsePath(dir);
    EXPECT_TRUE(IsFolderAccessible(list.get(), kOnDisk));
    // Non-enumerated folders and links are never entered.
    EXPECT_FALSE(IsFolderAccessible(list.get(), kOnDisk | SFGAO_NONENUMERATED));
    EXPECT_FALSE(IsFolderAccessible(list.get(), kOnDisk | SFGAO_LINK));
    // Outside the file system nothing is checked.
    EXPECT_TRUE(IsFolderAccessible(list.get(), SFGAO_FOLDER | SFGAO_NONENUMERATED));
    // A folder that went away (a drive without its disc) is not entered.
    ASSERT_EQ(rmdir(dir.c_str()), 0);
    EXPECT_FALSE(IsFolderAccessible(list.get(), kOnDisk));
}

TEST(FolderAccessTest, FolderLinksWithAPathAreNeverEntered) {
    const std::string dir = zbtest::MakeTempDir("links");
    CResultItem record;
    record.SetFullPidl(ParsePath(dir));
    EXPECT_TRUE(IsShellItemSearchable(record, kOnDisk));
    EXPECT_FALSE(IsShellItemSearchable(record, kOnDisk | SFGAO_LINK));
    EXPECT_FALSE(IsShellItemSearchable(record, kOnDisk | SFGAO_NONENUMERATED));
    // Without a path the link bit does not matter.
    record.m_dwFlags = RIF_NO_PATH;
    EXPECT_TRUE(IsShellItemSearchable(record, SFGAO_FOLDER | SFGAO_LINK));
}

TEST(FolderAccessTest, ServersComeFromTheNetworkMounts) {
    const std::string dir = zbtest::MakeTempDir("mounts");
    const std::string mountInfo =
        zbtest::WriteFile(dir + "/mountinfo",
                          "20 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                          "40 20 0:50 / /mnt/share rw - nfs4 Server1:/export/home rw\n"
                          "41 20 0:51 / /mnt/smb rw - cifs //fileserver/Public rw\n"
                          "42 20 0:5 / /proc rw - proc proc rw\n");
    setenv("ZEMBROLT_MOUNTINFO", mountInfo.c_str(), 1);
    zb::RefreshShellRoots();
    LoadNetworkResourceCache();
    EXPECT_TRUE(IsKnownNetworkServer("server1"));
    EXPECT_TRUE(IsKnownNetworkServer("FILESERVER"));
    EXPECT_FALSE(IsKnownNetworkServer("sda1"));
    EXPECT_FALSE(IsKnownNetworkServer("elsewhere"));
    unsetenv("ZEMBROLT_MOUNTINFO");
    zb::RefreshShellRoots();
}

TEST(FolderAccessTest, ItemsWithAPathAreNoNetworkQuestion) {
    CResultItem record;
    record.m_sFolder = "anything";
    EXPECT_TRUE(IsNetworkItemAccessible(record, 0));
}

}  // namespace
