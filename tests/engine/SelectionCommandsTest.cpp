#include "app/engine/SelectionCommands.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/engine/ResultItem.h"

namespace {

constexpr DWORD kAllFlags = RIF_FOLDER | RIF_IN_ARCHIVE | RIF_NO_PATH | RIF_DELETABLE |
                            RIF_ARCHIVE | RIF_SIZE_UNKNOWN | RIF_VANISHED;

// A record in the given folder with the given flags.
CResultItem RecordIn(const char* folder, DWORD flags = 0) {
    CResultItem record;
    record.m_sFolder = folder;
    record.m_dwFlags = flags;
    return record;
}

// The rules written record by record: Copy with any record, Cut with a
// record outside archives, Delete with a deletable record outside archives
// that is still there, the three changes with a record outside archives and
// a record with a path (not necessarily the same one).
unsigned Expected(const std::vector<DWORD>& flags) {
    bool outside = false;
    bool withPath = false;
    bool deletable = false;
    for (const DWORD f : flags) {
        outside = outside || !(f & RIF_IN_ARCHIVE);
        withPath = withPath || !(f & RIF_NO_PATH);
        deletable = deletable || ((f & RIF_DELETABLE) && !(f & (RIF_IN_ARCHIVE | RIF_VANISHED)));
    }
    unsigned enabled = flags.empty() ? 0u : unsigned{SELCMD_COPY};
    if (outside)
        enabled |= SELCMD_CUT;
    if (deletable)
        enabled |= SELCMD_DELETE;
    if (outside && withPath)
        enabled |= SELCMD_CHANGE_ATTRIBUTES | SELCMD_CHANGE_FILE_TIME | SELCMD_RENAME;
    return enabled;
}

TEST(SelectionCommands, NothingSelectedEnablesNothing) {
    EXPECT_EQ(EnabledSelectionCommands({}), 0u);
}

TEST(SelectionCommands, EveryMixOfOneAndTwoRecords) {
    for (DWORD a = 0; a <= kAllFlags; ++a) {
        if (a & ~kAllFlags)
            continue;
        const std::vector<DWORD> one{a};
        ASSERT_EQ(EnabledSelectionCommands(one), Expected(one)) << std::hex << a;
        for (DWORD b = 0; b <= kAllFlags; ++b) {
            if (b & ~kAllFlags)
                continue;
            const std::vector<DWORD> two{a, b};
            ASSERT_EQ(EnabledSelectionCommands(two), Expected(two)) << std::hex << a << " " << b;
        }
    }
}

TEST(SelectionCommands, TheRulesOfTheMenu) {
    const DWORD file = RIF_DELETABLE;
    const DWORD member = RIF_IN_ARCHIVE;
    const DWORD shellItem = RIF_NO_PATH;
    EXPECT_EQ(EnabledSelectionCommands(std::vector<DWORD>{file}), SELCMD_ALL);
    EXPECT_EQ(EnabledSelectionCommands(std::vector<DWORD>{member, member}), SELCMD_COPY);
    EXPECT_EQ(EnabledSelectionCommands(std::vector<DWORD>{shellItem}), SELCMD_COPY | SELCMD_CUT);
    // Neither all inside archives nor all without a path: the changes stay.
    EXPECT_EQ(EnabledSelectionCommands(std::vector<DWORD>{member, shellItem}),
              SELCMD_ALL & ~SELCMD_DELETE);
    EXPECT_EQ(EnabledSelectionCommands(std::vector<DWORD>{member, 0}), SELCMD_ALL & ~SELCMD_DELETE);
    EXPECT_EQ(EnabledSelectionCommands(std::vector<DWORD>{member, file}), SELCMD_ALL);
}

TEST(SelectionCommands, WhichRecordsTakePart) {
    EXPECT_TRUE(IsDeleteCandidate(RIF_DELETABLE | RIF_FOLDER));
    EXPECT_FALSE(IsDeleteCandidate(RIF_IN_ARCHIVE | RIF_DELETABLE));
    EXPECT_FALSE(IsDeleteCandidate(RIF_DELETABLE | RIF_VANISHED));
    EXPECT_TRUE(IsLabelEditable(RIF_FOLDER | RIF_DELETABLE));
    EXPECT_FALSE(IsLabelEditable(RIF_IN_ARCHIVE));
    EXPECT_FALSE(IsLabelEditable(RIF_ARCHIVE));
    EXPECT_FALSE(IsLabelEditable(RIF_VANISHED));
    EXPECT_TRUE(IsFileOnDisk(RIF_FOLDER));
    EXPECT_FALSE(IsFileOnDisk(RIF_NO_PATH));
    EXPECT_FALSE(IsFileOnDisk(RIF_IN_ARCHIVE | RIF_DELETABLE));
}

TEST(SelectionCommands, FoldersAreRenamedTogetherOnlyFromOneFolder) {
    const CResultItem fileA = RecordIn("/a");
    const CResultItem fileB = RecordIn("/b");
    const CResultItem folder = RecordIn("/a", RIF_FOLDER);
    const std::vector<const CResultItem*> files{&fileA, &fileB};
    EXPECT_TRUE(MayRenameTogether(files));
    const std::vector<const CResultItem*> oneFolder{&fileA, &folder};
    EXPECT_TRUE(MayRenameTogether(oneFolder));
    const std::vector<const CResultItem*> apart{&fileA, &folder, &fileB};
    EXPECT_FALSE(MayRenameTogether(apart));
    EXPECT_TRUE(MayRenameTogether({}));
}

TEST(SelectionCommands, AnArchiveFilesMembersAreTheRecordsInsideItsPath) {
    const struct {
        const char* folder;
        DWORD flags;
        bool member;
    } cases[] = {
        {"/x/pack.zip", RIF_IN_ARCHIVE, true},             // at the archive's root
        {"/x/pack.zip\\docs\\old", RIF_IN_ARCHIVE, true},  // deeper inside
        {"/x/pack.zip2", RIF_IN_ARCHIVE, false},           // another archive's name
        {"/x/pack.zip", 0, false},                         // a file beside it on disk
        {"/x", RIF_IN_ARCHIVE, false},
    };
    for (const auto& c : cases) {
        const CResultItem record = RecordIn(c.folder, c.flags);
        const std::vector<const CResultItem*> records{&record};
        EXPECT_EQ(HasMemberRecords(records, "/x/pack.zip"), c.member) << c.folder;
    }
    EXPECT_FALSE(HasMemberRecords({}, "/x/pack.zip"));
}

}  // namespace
