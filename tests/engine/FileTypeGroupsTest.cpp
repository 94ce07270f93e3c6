#include "app/engine/FileTypeGroups.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Names(const CFileTypeGroupArray& groups) {
    std::vector<std::string> names;
    for (const CFileTypeGroup& group : groups)
        names.push_back(group.m_sName);
    return names;
}

TEST(FileTypeGroupsTest, BuiltInGroupsInTheirOrder) {
    CFileTypeGroupArray groups = {{"Old", "*.old"}};
    BuildBuiltInGroups(groups);
    EXPECT_EQ(Names(groups),
              (std::vector<std::string>{"All Files", "Audio", "Image", "AV", "Html",
                                        "Office Documents", "Source Code", "Develop Project",
                                        "Database", "Compressed Files", "Executable Files"}));
    EXPECT_EQ(groups[0].m_sPatterns, "");
    EXPECT_EQ(groups[3].m_sPatterns, "*.mpg;*.avi;*.wmv;*.m1v;*.mpeg;*.rm;*.mov");
    EXPECT_EQ(groups[7].m_sPatterns,
              "*.dsp;*.dsw;*.vcp;*.vcw;*.mak;*.mdp;*.bpr;*.bpg;*.bpk;*.dpr;makefile*.*");
    EXPECT_EQ(groups[9].m_sPatterns, "*.zip;*.arj;*.rar;*.tar;*.z;*.gz;*.cab;*.ace;*.lha");
    EXPECT_GE(groups.capacity(), kFileTypeGroupGrowBy);
}

TEST(FileTypeGroupsTest, MergeInsertsMissingGroupsBeforeTheFirstGreaterName) {
    CFileTypeGroupArray groups = {{"Audio", "*.mine"}, {"Zip", "*.zip"}};
    MergeBuiltInGroups(groups);
    // Byte order puts capitals before small letters: "AV" < "All Files".
    EXPECT_EQ(Names(groups),
              (std::vector<std::string>{"AV", "All Files", "Audio", "Compressed Files", "Database",
                                        "Develop Project", "Executable Files", "Html", "Image",
                                        "Office Documents", "Source Code", "Zip"}));
    // The user's "Audio" stays single and keeps its own patterns.
    EXPECT_EQ(groups[2].m_sPatterns, "*.mine");
}

TEST(FileTypeGroupsTest, MergeComparesNamesWithCase) {
    CFileTypeGroupArray groups = {{"audio", "*.a"}};
    MergeBuiltInGroups(groups);
    EXPECT_EQ(groups.size(), 12u);
    EXPECT_EQ(groups.back().m_sName, "audio");  // every capitalised name sorts before it
    EXPECT_EQ(groups[2].m_sName, "Audio");
}

TEST(FileTypeGroupsTest, MergeIntoAnEmptyListSortsAndMergingTwiceAddsNothing) {
    CFileTypeGroupArray groups;
    MergeBuiltInGroups(groups);
    EXPECT_EQ(Names(groups),
              (std::vector<std::string>{"AV", "All Files", "Audio", "Compressed Files", "Database",
                                        "Develop Project", "Executable Files", "Html", "Image",
                                        "Office Documents", "Source Code"}));
    MergeBuiltInGroups(groups);
    EXPECT_EQ(groups.size(), 11u);
}

TEST(FileTypeGroupsTest, MenuCommandsStartAt50000) {
    CFileTypeGroupArray groups;
    BuildBuiltInGroups(groups);
    EXPECT_EQ(GetFileTypeGroupCommand(0), 50000u);
    EXPECT_EQ(GetFileTypeGroupCommand(10), 50010u);
    const CFileTypeGroup* allFiles = FindFileTypeGroupByCommand(groups, 50000);
    ASSERT_NE(allFiles, nullptr);
    // Choosing "All Files" empties the file-name field.
    EXPECT_EQ(allFiles->m_sPatterns, "");
    EXPECT_EQ(FindFileTypeGroupByCommand(groups, 50010)->m_sName, "Executable Files");
    EXPECT_EQ(FindFileTypeGroupByCommand(groups, 50011), nullptr);
    EXPECT_EQ(FindFileTypeGroupByCommand(groups, 49999), nullptr);
}

}  // namespace
