#include <gtest/gtest.h>
#include <sys/sysmacros.h>

#include "platform/shell/MountTable.h"
#include "platform/shell/ShellRoots.h"
#include "support/TempHome.h"

namespace {

TEST(MountTableTest, ParsesLinesAndDecodesEscapes) {
    zb::MountEntry entry;
    ASSERT_TRUE(
        zb::ParseMountInfoLine("36 35 98:0 / /mnt/My\\040Disk rw,noatime master:1 shared:2 - ext3 "
                               "/dev/sdb1 rw,errors=continue",
                               &entry));
    EXPECT_EQ(entry.mountPoint, "/mnt/My Disk");
    EXPECT_EQ(entry.fsType, "ext3");
    EXPECT_EQ(entry.source, "/dev/sdb1");
    EXPECT_FALSE(entry.readOnly);
    EXPECT_EQ(entry.device, makedev(98, 0));

    ASSERT_TRUE(
        zb::ParseMountInfoLine("40 1 8:17 / /media/u/CD ro,nosuid - iso9660 /dev/sr0 ro", &entry));
    EXPECT_TRUE(entry.readOnly);
    ASSERT_TRUE(zb::ParseMountInfoLine("41 1 8:17 / /x rw - ext4 /dev/sdc rw,ro", &entry));
    EXPECT_TRUE(entry.readOnly);  // read-only super block

    EXPECT_FALSE(zb::ParseMountInfoLine("", &entry));
    EXPECT_FALSE(zb::ParseMountInfoLine("36 35 98:0 / /mnt rw", &entry));    // no separator
    EXPECT_FALSE(zb::ParseMountInfoLine("36 35 98:0 / /mnt rw -", &entry));  // no type

    EXPECT_EQ(zb::DecodeMountPath("a\\011b\\012c\\134d"), "a\tb\nc\\d");
    EXPECT_EQ(zb::DecodeMountPath("tail\\04"), "tail\\04");  // cut-off escape stays
    EXPECT_EQ(zb::DecodeMountPath("\\777x"), "\\777x");      // beyond a byte stays
}

TEST(MountTableTest, ClassifiesVolumesNetworkAndPseudoFileSystems) {
    auto classOf = [](const std::string& point, const std::string& type) {
        zb::MountEntry entry;
        entry.mountPoint = point;
        entry.fsType = type;
        return zb::ClassifyMount(entry);
    };
    EXPECT_EQ(classOf("/", "ext4"), zb::MountClass::Hidden);  // Computer adds "/" itself
    EXPECT_EQ(classOf("/proc", "proc"), zb::MountClass::Hidden);
    EXPECT_EQ(classOf("/sys/fs/cgroup", "cgroup2"), zb::MountClass::Hidden);
    EXPECT_EQ(classOf("/dev/shm", "tmpfs"), zb::MountClass::Hidden);
    EXPECT_EQ(classOf("/run/user/1000", "tmpfs"), zb::MountClass::Hidden);
    EXPECT_EQ(classOf("/var/lib/docker/x", "overlay"), zb::MountClass::Hidden);
    EXPECT_EQ(classOf("/run/user/1000/gvfs", "fuse.gvfsd-fuse"), zb::MountClass::Hidden);
    EXPECT_EQ(classOf("/home", "ext4"), zb::MountClass::Local);
    EXPECT_EQ(classOf("/run/media/u/USB", "vfat"), zb::MountClass::Local);
    EXPECT_EQ(classOf("/mnt/nas", "nfs4"), zb::MountClass::Network);
    EXPECT_EQ(classOf("/mnt/share", "cifs"), zb::MountClass::Network);
    EXPECT_EQ(classOf("/home/u/remote", "fuse.sshfs"), zb::MountClass::Network);

    EXPECT_TRUE(zb::IsPseudoFileSystemType("proc"));
    EXPECT_TRUE(zb::IsPseudoFileSystemType("devtmpfs"));
    EXPECT_TRUE(zb::IsPseudoFileSystemType("autofs"));
    EXPECT_FALSE(zb::IsPseudoFileSystemType("tmpfs"));  // /tmp holds real files
    EXPECT_FALSE(zb::IsPseudoFileSystemType("ext4"));

    EXPECT_TRUE(zb::IsRemovableMountPoint("/media/u/USB"));
    EXPECT_TRUE(zb::IsRemovableMountPoint("/run/media/u/USB"));
    EXPECT_FALSE(zb::IsRemovableMountPoint("/media"));
    EXPECT_FALSE(zb::IsRemovableMountPoint("/mediathek"));

    EXPECT_TRUE(zb::PathHasPrefix("/mnt/data/x", "/mnt/data"));
    EXPECT_TRUE(zb::PathHasPrefix("/mnt/data", "/mnt/data"));
    EXPECT_FALSE(zb::PathHasPrefix("/mnt/data2", "/mnt/data"));
    EXPECT_TRUE(zb::PathHasPrefix("/anything", "/"));
}

TEST(MountTableTest, ReadsAFileAndSkipsMalformedLines) {
    const std::string path = zbtest::WriteFile(zbtest::MakeTempDir("mounts") + "/mountinfo",
                                               "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                               "garbage\n"
                                               "25 22 0:40 / /mnt/nas rw - nfs nas:/e rw\n");
    const auto entries = zb::ReadMountInfo(path);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].mountPoint, "/mnt/nas");
    EXPECT_TRUE(zb::ReadMountInfo(path + ".missing").empty());
}

TEST(ShellRootsTest, DesktopFolderFromUserDirs) {
    EXPECT_EQ(zb::DesktopDirFromUserDirs("XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n", "/h"),
              "/h/Schreibtisch");
    EXPECT_EQ(
        zb::DesktopDirFromUserDirs("# c\n  XDG_DESKTOP_DIR=\"/data/My \\\"Desk\\\"/\"\n", "/h"),
        "/data/My \"Desk\"");
    EXPECT_EQ(zb::DesktopDirFromUserDirs("XDG_DOWNLOAD_DIR=\"$HOME/Dl\"\n", "/h"), "");
    EXPECT_EQ(zb::DesktopDirFromUserDirs("XDG_DESKTOP_DIR=\"relative\"\n", "/h"), "");
    EXPECT_EQ(zb::DesktopDirFromUserDirs("XDG_DESKTOP_DIR=\"$HOMEX/a\"\n", "/h"), "");
    EXPECT_EQ(zb::DesktopDirFromUserDirs("XDG_DESKTOP_DIR=\"$HOME\"\n", "/h"), "/h");
}

}  // namespace
