#include "platform/MountPoint.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/PosixFile.h"
#include "support/MountNamespace.h"
#include "support/TempHome.h"

namespace {

TEST(MountPointTest, ABindMountInsideATreeIsAMountPointAndItsNeighboursAreNot) {
    const std::string tree = zbtest::MakeTempDir("tree");
    const std::string elsewhere = zbtest::MakeTempDir("elsewhere");
    zbtest::WriteFile(tree + "/plain/file.txt", "a");
    zbtest::WriteFile(tree + "/mounted/.keep", "");
    zbtest::WriteFile(tree + "/file-mounted", "b");
    zbtest::WriteFile(elsewhere + "/inside.txt", "c");
    ZB_EXPECT_IN_PRIVATE_MOUNTS([&] {
        if (!zbtest::BindMount(elsewhere, tree + "/mounted") ||
            !zbtest::BindMount(elsewhere + "/inside.txt", tree + "/file-mounted"))
            return false;
        const zb::UniqueFd folder(::open(tree.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        const auto folderMount = zb::FolderMountId(folder.Get());
        bool right = folderMount.has_value();
        for (const auto& [name, isMountPoint] :
             {std::pair{"mounted", true}, std::pair{"file-mounted", true},
              std::pair{"plain", false}, std::pair{"plain/file.txt", false}}) {
            right = right && zb::IsMountPointAt(folder.Get(), name) == isMountPoint &&
                    zb::IsMountPointAt(folder.Get(), name, folderMount) == isMountPoint;
        }
        // Both sides of a bind mount have one device: only the mount id tells.
        struct stat inside {};
        struct stat outside {};
        ::stat((tree + "/mounted").c_str(), &inside);
        ::stat(tree.c_str(), &outside);
        if (inside.st_dev != outside.st_dev)
            std::fprintf(stderr, "note: the bind mount has its own device here\n");
        return right;
    });
}

TEST(MountPointTest, AMissingEntryOrAnUnreadFolderIdCountsAsAMountPoint) {
    const std::string tree = zbtest::MakeTempDir("tree");
    zbtest::WriteFile(tree + "/plain.txt", "a");
    const zb::UniqueFd folder(::open(tree.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::uint64_t id = 0;
    EXPECT_TRUE(zb::MountIdAt(folder.Get(), "", &id));
    EXPECT_NE(id, 0u);
    EXPECT_EQ(zb::FolderMountId(folder.Get()), id);
    EXPECT_TRUE(zb::IsMountPointAt(folder.Get(), "missing"));
    EXPECT_TRUE(zb::IsMountPointAt(folder.Get(), "missing", id));
    EXPECT_FALSE(zb::IsMountPointAt(folder.Get(), "plain.txt", id));
    EXPECT_TRUE(zb::IsMountPointAt(folder.Get(), "plain.txt", std::nullopt));
}

}  // namespace
