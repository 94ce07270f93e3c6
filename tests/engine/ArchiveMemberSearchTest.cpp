#include "app/engine/ArchiveMemberSearch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archives/MemoryArchive.h"

namespace {

const std::string kArchive = "/memory/walk.zip";

std::vector<std::string> NamesOf(const CArchiveHandler& handler, const std::vector<int>& members) {
    std::vector<std::string> names;
    for (const int i : members) {
        std::string name;
        EXPECT_TRUE(handler.GetName(i, &name)) << i;
        names.push_back(name);
    }
    return names;
}

// A reader whose walk never gets past the first member.
class StuckArchive : public zbtest::MemoryArchive {
public:
    StuckArchive() : MemoryArchive({"zip"}) {}
    int NextChild(int i, const std::string&, BOOL) const override { return i < 0 ? 0 : i; }
};

class ArchiveFolderMembersTest : public ::testing::Test {
protected:
    void SetUp() override {
        zbtest::MemoryArchive::Archives()[kArchive] = {
            {"a.txt", "a"},
            {"docs\\x.txt", "x"},
            {"docs\\deep\\y.txt", "y"},
            {"src\\z.c", "z"},
        };
    }
    void TearDown() override { zbtest::MemoryArchive::Archives().erase(kArchive); }
};

TEST_F(ArchiveFolderMembersTest, GivesAFoldersChildrenOrEverythingBelowItInTableOrder) {
    zbtest::MemoryArchive archive({"zip"});
    ASSERT_TRUE(archive.Init());
    ASSERT_TRUE(archive.Open(kArchive));
    struct Case {
        std::string folder;
        BOOL subtree;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"", FALSE, {"a.txt", "docs", "src"}},
        {"",
         TRUE,
         {"a.txt", "docs", "docs\\deep", "docs\\deep\\y.txt", "docs\\x.txt", "src", "src\\z.c"}},
        {"docs", FALSE, {"docs\\deep", "docs\\x.txt"}},
        {"DOCS", TRUE, {"docs\\deep", "docs\\deep\\y.txt", "docs\\x.txt"}},
        {"docs\\deep", FALSE, {"docs\\deep\\y.txt"}},
        {"missing", TRUE, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NamesOf(archive, ArchiveFolderMembers(archive, c.folder, c.subtree)), c.names)
            << c.folder << (c.subtree ? " with its subtree" : "");
    }
}

TEST_F(ArchiveFolderMembersTest, AReaderThatDoesNotMoveOnEndsTheWalk) {
    StuckArchive archive;
    ASSERT_TRUE(archive.Init());
    ASSERT_TRUE(archive.Open(kArchive));
    EXPECT_EQ(ArchiveFolderMembers(archive, "", FALSE), std::vector<int>{0});
}

}  // namespace
