#include "tools/TreeWalk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "support/DeepTree.h"
#include "tools/ToolTestSupport.h"

namespace {

constexpr int kChainLevels = 10000;

// "leaf.txt" in the deepest of the chain's folders "d", and no other file.
const zbtest::DeepTreeFiles kLeafOnly{.leafName = "leaf.txt", .leafText = "", .fillerName = ""};

// Checks the order of the calls: each folder is left after its own entries,
// and entries come at the depth of the folder the walk is in.
class OrderVisitor : public ITreeVisitor {
public:
    bool OnEntry(const TreeEntry& entry) override {
        ++entries;
        if (entry.depth != static_cast<int>(m_open.size()) + 1)
            ++wrongDepths;
        if (entry.name == "leaf.txt")
            leafDepth = entry.depth;
        return true;
    }
    bool EnterFolder(const TreeEntry& entry) override {
        m_open.push_back(entry.depth);
        return true;
    }
    void LeaveFolder(const TreeEntry& entry) override {
        if (m_open.empty() || m_open.back() != entry.depth || entry.dirFd < 0)
            ++wrongLeaves;
        else
            m_open.pop_back();
    }
    int entries = 0;
    int wrongDepths = 0;
    int wrongLeaves = 0;
    int leafDepth = 0;

private:
    std::vector<int> m_open;
};

TEST(TreeWalkTest, ADeepChainIsWalkedOnASmallStackWithFewDescriptors) {
    const std::string root = zbtest::MakeTempDir("chain");
    ASSERT_TRUE(zbtest::MakeDeepTree(root, "d", kChainLevels, kLeafOnly));
    EXPECT_TRUE(zbtest::RunOnSmallStackWithFewDescriptors([&] {
        CTreeWalk walk;
        OrderVisitor visitor;
        const int result = walk.Walk(root, visitor);
        int applied = 0;
        int foldersDone = 0;
        const int swept = ApplyBelowFolder(
            root, [&](const TreeEntry&) { ++applied; }, [&](const std::string&) { ++foldersDone; });
        std::printf(
            "walk %d: %d entries, leaf at %d, %d wrong depths, %d wrong leaves, %llu "
            "unreadable; sweep %d: %d applied, %d folders done\n",
            result, visitor.entries, visitor.leafDepth, visitor.wrongDepths, visitor.wrongLeaves,
            static_cast<unsigned long long>(walk.GetUnreadableFolders()), swept, applied,
            foldersDone);
        return result == CTreeWalk::WALK_DONE && visitor.entries == kChainLevels + 1 &&
               visitor.leafDepth == kChainLevels + 1 && visitor.wrongDepths == 0 &&
               visitor.wrongLeaves == 0 && walk.GetUnreadableFolders() == 0 &&
               swept == CTreeWalk::WALK_DONE && applied == kChainLevels + 1 &&
               foldersDone == kChainLevels + 1;
    }));
    zbtest::RemoveDeepTree(root, "d", kLeafOnly);
}

// Moves a folder of the chain away once the walk is deep below it, and
// records what the walk reports from then on.
class MovingVisitor : public ITreeVisitor {
public:
    MovingVisitor(std::string from, std::string to)
        : m_from(std::move(from)), m_to(std::move(to)) {}
    bool OnEntry(const TreeEntry& entry) override {
        if (m_moved)
            after.push_back(IdentityOf(entry.st));
        if (!m_moved && entry.depth == 20) {
            m_moved = true;
            return rename(m_from.c_str(), m_to.c_str()) == 0;
        }
        return true;
    }
    std::vector<FileIdentity> after;

private:
    std::string m_from;
    std::string m_to;
    bool m_moved = false;
};

TEST(TreeWalkTest, AFolderMovedAwayAboveTheWalkEndsItThere) {
    // 20 levels, more than the walk keeps open, each with a file after its
    // sub-folder; a file of the same name waits where the second level goes.
    const std::string root = zbtest::MakeTempDir("moving");
    const std::string outside = zbtest::MakeTempDir("outside");
    std::string level = root;
    for (int depth = 0; depth < 20; ++depth) {
        zbtest::WriteFile(level + "/zz.txt", "x");
        level += "/d";
    }
    std::filesystem::create_directories(level);
    const std::string stranger = zbtest::WriteFile(outside + "/zz.txt", "x");
    CTreeWalk walk;
    MovingVisitor visitor(root + "/d/d", outside + "/d");
    EXPECT_EQ(walk.Walk(root, visitor), CTreeWalk::WALK_ENDED);
    EXPECT_EQ(walk.GetUnreadableFolders(), 1u);
    // The walk climbed back through the moved folders and stopped at the
    // first one that is not where it was: it never reports the stranger.
    const FileIdentity strangerId = IdentityOf(zbtest::StatOf(stranger));
    EXPECT_EQ(std::count(visitor.after.begin(), visitor.after.end(), strangerId), 0);
    EXPECT_FALSE(visitor.after.empty());
}

}  // namespace
