#include "app/engine/FolderCursor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/DeepTree.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;

struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const Identity&) const = default;
};

Identity IdentityOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return {st.st_dev, st.st_ino};
}

Identity CursorIdentity(CFolderCursor& cursor) {
    Identity identity;
    EXPECT_TRUE(cursor.Identity(&identity.device, &identity.inode));
    return identity;
}

std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

// A chain of folders d/d/d/... below `root`, `depth` deep and holding no
// file; the paths of its folders, the root first.
std::vector<std::string> MakeChain(const std::string& root, std::size_t depth) {
    const int levels = static_cast<int>(depth);
    EXPECT_TRUE(zbtest::MakeDeepTree(root, "d", levels,
                                     {.leafName = "", .leafText = "", .fillerName = ""}));
    return zbtest::DeepTreeFolders(root, "d", levels);
}

TEST(FolderCursorTest, LeavingComesBackToEachFolderAtAnyDepth) {
    constexpr std::size_t kDepth = CFolderCursor::kKeptLevels * 3;
    const std::vector<std::string> folders = MakeChain(zbtest::MakeTempDir("chain"), kDepth);
    const std::size_t before = OpenDescriptors();
    CFolderCursor cursor;
    ASSERT_TRUE(cursor.EnterPath(folders[0]));
    for (std::size_t i = 1; i <= kDepth; ++i) {
        ASSERT_TRUE(cursor.EnterName("d")) << i;
        EXPECT_EQ(CursorIdentity(cursor), IdentityOf(folders[i])) << i;
    }
    // The kept descriptors, the current one and the path's: no more.
    EXPECT_LE(OpenDescriptors(), before + CFolderCursor::kKeptLevels + 2);
    for (std::size_t i = kDepth; i > 0; --i) {
        cursor.Leave();
        ASSERT_GE(cursor.Fd(), 0) << i;
        EXPECT_EQ(CursorIdentity(cursor), IdentityOf(folders[i - 1])) << i;
    }
    cursor.Leave();
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(FolderCursorTest, AFolderMovedAwayLeavesToWhereTheWalkCameFromOrToNothing) {
    // Near the top the walk goes back to the folder it came from whatever
    // happened to the one it leaves; deeper it opens ".." again, and where
    // that is no longer the folder it came from, it stands nowhere.
    struct Case {
        std::size_t depth;  // of the folder moved away, below the root
        bool backThere;
    };
    for (const Case c : {Case{1, true}, Case{CFolderCursor::kKeptLevels, true},
                         Case{CFolderCursor::kKeptLevels + 2, false}}) {
        SCOPED_TRACE(c.depth);
        const std::string root = zbtest::MakeTempDir("moved");
        const std::vector<std::string> folders = MakeChain(root, c.depth);
        const std::string elsewhere = zbtest::MakeTempDir("elsewhere");
        const Identity parent = IdentityOf(folders[c.depth - 1]);
        CFolderCursor cursor;
        ASSERT_TRUE(cursor.EnterPath(folders[0]));
        for (std::size_t i = 1; i <= c.depth; ++i)
            ASSERT_TRUE(cursor.EnterName("d"));
        ASSERT_EQ(std::rename(folders[c.depth].c_str(), (elsewhere + "/d").c_str()), 0);
        cursor.Leave();
        if (c.backThere) {
            ASSERT_GE(cursor.Fd(), 0);
            EXPECT_EQ(CursorIdentity(cursor), parent);
        } else {
            EXPECT_EQ(cursor.Fd(), -1);
        }
    }
}

}  // namespace
