#include "readers/archives/TableArchiveHandler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "archives/MemoryArchive.h"

namespace {

using zbtest::MemoryArchive;
using zbtest::MemoryMember;

// Runs the entry-tree walk the search and the folder tree run: FindFolder,
// then NextChild until -1; returns the stored names met.
std::vector<std::string> Walk(const CArchiveHandler& handler, const std::string& folder,
                              bool subtree) {
    std::vector<std::string> names;
    int i = handler.FindFolder(folder);
    for (i = handler.NextChild(i, folder, subtree ? TRUE : FALSE); i != -1;
         i = handler.NextChild(i, folder, subtree ? TRUE : FALSE)) {
        CArchiveEntryInfo info;
        EXPECT_TRUE(handler.GetFileInfo(i, &info));
        names.push_back(info.m_strName);
    }
    return names;
}

std::vector<std::string> TableNames(const MemoryArchive& handler) {
    std::vector<std::string> names;
    for (int i = 0; i < handler.GetMemberCount(); ++i) {
        names.push_back(handler.GetMember(i)->m_strName);
    }
    return names;
}

class TableArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Members given out of order, with a mix of separators and no entry
        // for the folder "sub" itself: the table adds it.
        MemoryArchive::Archives()["/t/tree.zip"] = {
            {"top.txt", "top"},
            {"sub/deep/a.txt", "alpha"},
            {"sub\\deep\\", ""},
            {"sub\\b.txt", "bee"},
            // Names that sort right next to the folder but do not lie in it.
            {"sub b.txt", "space"},
            {"sub_x.txt", "underscore"},
            {"sub-1/c.txt", "dash"},
        };
        handler.Init();
        ASSERT_TRUE(handler.Open("/t/tree.zip"));
    }
    void TearDown() override { MemoryArchive::Archives().clear(); }

    MemoryArchive handler{{"zip"}};
};

TEST_F(TableArchiveTest, TableIsSortedWithFoldersBeforeTheirMembers) {
    EXPECT_EQ(
        TableNames(handler),
        (std::vector<std::string>{"sub b.txt", "sub-1\\", "sub-1\\c.txt", "sub\\", "sub\\b.txt",
                                  "sub\\deep\\", "sub\\deep\\a.txt", "sub_x.txt", "top.txt"}));
}

TEST_F(TableArchiveTest, RootHasNoEntryAndWalkStartsAtFirstMember) {
    EXPECT_EQ(handler.FindFolder(""), -1);
    EXPECT_EQ(handler.NextChild(-1, "", TRUE), 0);
}

TEST_F(TableArchiveTest, NonRecursiveWalkGivesDirectFilesAndFolders) {
    EXPECT_EQ(Walk(handler, "", false),
              (std::vector<std::string>{"sub b.txt", "sub-1\\", "sub\\", "sub_x.txt", "top.txt"}));
    EXPECT_EQ(Walk(handler, "sub", false), (std::vector<std::string>{"sub\\b.txt", "sub\\deep\\"}));
    EXPECT_EQ(Walk(handler, "sub\\deep", false), (std::vector<std::string>{"sub\\deep\\a.txt"}));
}

TEST_F(TableArchiveTest, RecursiveWalkGivesEverythingBelowInTableOrder) {
    EXPECT_EQ(Walk(handler, "sub", true),
              (std::vector<std::string>{"sub\\b.txt", "sub\\deep\\", "sub\\deep\\a.txt"}));
    EXPECT_EQ(Walk(handler, "", true), TableNames(handler));
}

TEST_F(TableArchiveTest, FolderLookupIgnoresCaseAndRefusesFilesAndUnknownNames) {
    const int sub = handler.FindFolder("sub");
    ASSERT_GE(sub, 0);
    EXPECT_EQ(handler.GetMember(sub)->m_strName, "sub\\");
    EXPECT_EQ(handler.FindFolder("SUB\\Deep"), handler.FindEntry("sub\\deep\\"));
    EXPECT_EQ(Walk(handler, "SUB", false), Walk(handler, "sub", false));
    EXPECT_EQ(handler.FindFolder("top.txt"), -1);
    EXPECT_EQ(handler.FindFolder("nothing"), -1);
}

TEST_F(TableArchiveTest, NextChildRefusesIndicesOutsideTheTable) {
    EXPECT_EQ(handler.NextChild(-2, "", TRUE), -1);
    EXPECT_EQ(handler.NextChild(handler.GetMemberCount() - 1, "", TRUE), -1);
    EXPECT_EQ(handler.NextChild(handler.GetMemberCount(), "", TRUE), -1);
}

TEST_F(TableArchiveTest, HasSubfolders) {
    BOOL has = 7;
    EXPECT_TRUE(handler.HasSubfolders("", &has));
    EXPECT_EQ(has, TRUE);
    EXPECT_TRUE(handler.HasSubfolders("sub", &has));
    EXPECT_EQ(has, TRUE);
    EXPECT_TRUE(handler.HasSubfolders("sub\\deep", &has));
    EXPECT_EQ(has, FALSE);
    EXPECT_TRUE(handler.HasSubfolders("sub-1", &has));
    EXPECT_EQ(has, FALSE);
    // Only an existing folder member can be asked about.
    EXPECT_FALSE(handler.HasSubfolders("top.txt", &has));
    EXPECT_FALSE(handler.HasSubfolders("missing", &has));
}

TEST_F(TableArchiveTest, MemberQueries) {
    const int file = handler.FindEntry("SUB\\DEEP\\A.TXT");
    ASSERT_GE(file, 0);
    CArchiveEntryInfo info;
    ASSERT_TRUE(handler.GetFileInfo(file, &info));
    EXPECT_EQ(info.m_strName, "sub\\deep\\a.txt");
    EXPECT_EQ(info.m_nSize, 5);
    EXPECT_EQ(handler.GetEntrySize(file), 5);
    DWORD attributes = 99;
    ASSERT_TRUE(handler.GetAttributes(file, &attributes));
    EXPECT_EQ(attributes, 0u);

    const int folder = handler.FindFolder("sub\\deep");
    ASSERT_TRUE(handler.GetAttributes(folder, &attributes));
    EXPECT_EQ(attributes, FILE_ATTRIBUTE_DIRECTORY);
    std::string name;
    ASSERT_TRUE(handler.GetName(folder, &name));
    EXPECT_EQ(name, "sub\\deep");
    ASSERT_TRUE(handler.GetFileInfo(folder, &info));
    EXPECT_EQ(info.m_strName, "sub\\deep\\");

    EXPECT_FALSE(handler.GetAttributes(-1, &attributes));
    EXPECT_FALSE(handler.GetFileInfo(handler.GetMemberCount(), &info));
    EXPECT_FALSE(handler.GetName(-1, &name));
    EXPECT_EQ(handler.GetEntrySize(-1), -1);
    EXPECT_EQ(handler.FindEntry("sub\\deep\\b.txt"), -1);
}

TEST_F(TableArchiveTest, FirstAndNextFileSkipFolders) {
    std::vector<std::string> files;
    for (int i = handler.FirstFile(); i != -1; i = handler.NextFile(i)) {
        files.push_back(handler.GetMember(i)->m_strName);
    }
    EXPECT_EQ(files, (std::vector<std::string>{"sub b.txt", "sub-1\\c.txt", "sub\\b.txt",
                                               "sub\\deep\\a.txt", "sub_x.txt", "top.txt"}));
    EXPECT_EQ(handler.NextFile(-1), -1);
}

TEST_F(TableArchiveTest, CloseEmptiesTheTable) {
    handler.Close();
    EXPECT_FALSE(handler.IsOpen());
    EXPECT_EQ(handler.GetMemberCount(), 0);
    EXPECT_EQ(handler.FirstFile(), -1);
    EXPECT_EQ(handler.FindEntry("top.txt"), -1);
    BOOL has = FALSE;
    EXPECT_FALSE(handler.HasSubfolders("", &has));
}

TEST(TableArchiveMissingFolders, ParentsAreAddedOnceIgnoringCase) {
    MemoryArchive::Archives()["/t/deep.zip"] = {
        {"a/b/c.txt", "c"},
        {"A/b/D.txt", "d"},
        {"x/", ""},
    };
    MemoryArchive handler({"zip"});
    handler.Init();
    ASSERT_TRUE(handler.Open("/t/deep.zip"));
    EXPECT_EQ(TableNames(handler),
              (std::vector<std::string>{"a\\", "a\\b\\", "a\\b\\c.txt", "A\\b\\D.txt", "x\\"}));
    const CArchiveMember* added = handler.GetMember(0);
    EXPECT_TRUE(added->IsFolder());
    EXPECT_EQ(added->m_nRecord, CArchiveMember::NO_RECORD);
    EXPECT_EQ(Walk(handler, "a\\b", false),
              (std::vector<std::string>{"a\\b\\c.txt", "A\\b\\D.txt"}));
    MemoryArchive::Archives().clear();
}

TEST(TableArchiveNonAscii, LookupIgnoresCaseOfUtf8Names) {
    MemoryArchive::Archives()["/t/u.zip"] = {
        {"\xC3\x84rger/\xC3\x9C"
         "ber.txt",
         "x"}};
    MemoryArchive handler({"zip"});
    handler.Init();
    ASSERT_TRUE(handler.Open("/t/u.zip"));
    EXPECT_GE(handler.FindEntry("\xC3\xA4rger\\\xC3\xBC"
                                "ber.TXT"),
              0);
    EXPECT_GE(handler.FindFolder("\xC3\xA4RGER"), 0);
    MemoryArchive::Archives().clear();
}

// A reader that keeps the archive's order walks it in that order: a folder's
// members are found only while they follow its entry.
TEST(TableArchiveInArchiveOrder, WalkFollowsArchiveOrderFromTheFolderEntry) {
    MemoryArchive::Archives()["/t/plain.tar"] = {
        {"dir/", ""},
        {"dir/one.txt", "1"},
        {"other.txt", "o"},
        {"dir/two.txt", "2"},
    };
    MemoryArchive handler({"tar"}, 0x10000, /*keepArchiveOrder=*/true, /*addFolders=*/false);
    handler.Init();
    ASSERT_TRUE(handler.Open("/t/plain.tar"));
    EXPECT_EQ(TableNames(handler),
              (std::vector<std::string>{"dir\\", "dir\\one.txt", "other.txt", "dir\\two.txt"}));
    EXPECT_EQ(handler.FindFolder("DIR"), 0);
    EXPECT_EQ(handler.FindEntry("dir\\two.txt"), 3);
    EXPECT_EQ(Walk(handler, "dir", false), (std::vector<std::string>{"dir\\one.txt"}));
    MemoryArchive::Archives().clear();
}

// Members whose names differ only in case (as in a kernel tarball), or not
// at all: each lookup by the name and index a listing gave reaches its own
// member, and a lookup by name alone prefers the exact spelling.
TEST(TableArchiveLookup, EveryMemberIsReachedByItsOwnNameAndIndex) {
    MemoryArchive::Archives()["/t/case.tar"] = {
        {"inc/xt_connmark.h", "lower"},
        {"inc/xt_CONNMARK.h", "upper"},
        {"same.txt", "first"},
        {"same.txt", "second"},
    };
    MemoryArchive handler({"tar"});
    handler.Init();
    ASSERT_TRUE(handler.Open("/t/case.tar"));
    const auto read = [&handler](int i) {
        EXPECT_TRUE(handler.OpenEntry(i));
        std::string text(16, '\0');
        text.resize(static_cast<std::size_t>(std::max(handler.Read(i, text.data(), 16), 0)));
        handler.CloseEntry(i);
        return text;
    };
    EXPECT_EQ(read(handler.FindEntry("inc\\xt_connmark.h")), "lower");
    EXPECT_EQ(read(handler.FindEntry("inc\\xt_CONNMARK.h")), "upper");
    EXPECT_EQ(read(handler.FindEntry("INC\\XT_CONNMARK.H")), "upper");  // no exact match

    std::vector<std::string> contents;
    for (int i = handler.FirstFile(); i != -1; i = handler.NextFile(i)) {
        CArchiveEntryInfo info;
        ASSERT_TRUE(handler.GetFileInfo(i, &info));
        const int found = handler.OpenEntryAt(i, info.m_strName);
        ASSERT_EQ(found, i) << info.m_strName;
        handler.CloseEntry(found);
        contents.push_back(read(handler.FindEntryAt(i, info.m_strName)));
    }
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (std::vector<std::string>{"first", "lower", "second", "upper"}));
    // An index whose member has another name is not trusted.
    EXPECT_EQ(handler.FindEntryAt(handler.FindEntry("same.txt"), "inc\\xt_connmark.h"),
              handler.FindEntry("inc\\xt_connmark.h"));
    EXPECT_EQ(handler.OpenEntryAt(0, "missing.txt"), -1);
    EXPECT_EQ(handler.GetLastFailure(), ArchiveFailure::BadMember);
    MemoryArchive::Archives().clear();
}

// Names as tools write the members of "." ("./a.txt"), and names with a NUL
// byte: the table keeps what a path on disk could hold.
TEST(TableArchiveNames, DotStepsAreDroppedAndNamesEndAtANulByte) {
    EXPECT_EQ(NormaliseMemberName("./a/./b.txt"), "a\\b.txt");
    EXPECT_EQ(NormaliseMemberName(".\\"), "");
    EXPECT_EQ(NormaliseMemberName("a/."), "a\\");
    EXPECT_EQ(NormaliseMemberName("../x"), "..\\x");
    EXPECT_EQ(NormaliseMemberName(std::string("dir/a\0b.txt", 11)), "dir\\a");
    MemoryArchive::Archives()["/t/dot.tar"] = {
        {"./", ""}, {"./a.txt", "a"}, {"./sub/", ""}, {"./sub/b.txt", "b"}};
    MemoryArchive handler({"tar"});
    handler.Init();
    ASSERT_TRUE(handler.Open("/t/dot.tar"));
    EXPECT_EQ(TableNames(handler), (std::vector<std::string>{"a.txt", "sub\\", "sub\\b.txt"}));
    EXPECT_GE(handler.FindEntry("sub\\b.txt"), 0);
    MemoryArchive::Archives().clear();
}

}  // namespace
