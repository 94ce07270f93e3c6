#include "tools/AttributeChange.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/FileInfo.h"
#include "support/MountNamespace.h"
#include "tools/ToolTestSupport.h"

namespace {

using zbtest::StatOf;

// The user.* attributes a file carries.
std::vector<std::string> UserXattrNames(const std::string& path) {
    char list[1024];
    const ssize_t length = listxattr(path.c_str(), list, sizeof list);
    std::vector<std::string> names;
    for (ssize_t at = 0; at < length;) {
        const std::string name(list + at);
        at += static_cast<ssize_t>(name.size()) + 1;
        if (name.rfind("user.", 0) == 0)
            names.push_back(name);
    }
    return names;
}

class AttributeChangeTest : public zbtest::FileRecordTest {
protected:
    std::string File(const std::string& name, mode_t mode = 0644) {
        const std::string path = zbtest::WriteFile(m_root + "/" + name, "data");
        chmod(path.c_str(), mode);
        return path;
    }
    std::string HiddenList(const std::string& folder) {
        std::ifstream in(folder + "/.hidden");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(AttributeChangeTest, BoxesStartFromTheAndAndTheOrOfTheRecords) {
    CResultItem* a = Record(File("a.txt", 0444));
    CResultItem* b = Record(File("b.txt", 0644));
    ASSERT_TRUE(a->m_dwAttributes & FILE_ATTRIBUTE_READONLY);
    CAttributeChange change;
    change.SetItems({a, b});
    EXPECT_EQ(change.InitialBox(FILE_ATTRIBUTE_READONLY), AttributeBox::Gray);
    EXPECT_EQ(change.InitialBox(FILE_ATTRIBUTE_SYSTEM), AttributeBox::Clear);
    EXPECT_TRUE(change.HasNoFolder());
    change.SetItems({a});
    EXPECT_EQ(change.InitialBox(FILE_ATTRIBUTE_READONLY), AttributeBox::Checked);
    change.SetItems({});
    EXPECT_EQ(change.GetAnd(), 0u);
    EXPECT_EQ(change.GetOr(), 0u);
}

TEST_F(AttributeChangeTest, AllBoxesGrayChangesNothing) {
    const std::string path = File("a.txt");
    CResultItem* record = Record(path);
    const struct stat before = StatOf(path);
    CAttributeChange change;
    change.SetItems({record});
    DWORD set = 0;
    DWORD keep = 0xFFFFFFFFu;
    for (DWORD bit : {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
                      FILE_ATTRIBUTE_ARCHIVE})
        CAttributeChange::AddBox(AttributeBox::Gray, bit, &set, &keep);
    EXPECT_EQ(change.Apply(set, keep, TRUE), 0);
    const struct stat after = StatOf(path);
    // No chmod, no attribute write: the change time did not move.
    EXPECT_EQ(after.st_ctim.tv_sec, before.st_ctim.tv_sec);
    EXPECT_EQ(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec);
    EXPECT_FALSE(std::filesystem::exists(m_root + "/.hidden"));
    EXPECT_EQ(change.GetChangedCount(), 0);
    EXPECT_EQ(record->m_dwAttributes & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(AttributeChangeTest, ReadOnlyWithSubFoldersReachesFilesAndLeavesFoldersAndLinks) {
    const std::string outside =
        zbtest::WriteFile(zbtest::MakeTempDir("outside") + "/keep.txt", "x");
    chmod(outside.c_str(), 0644);
    const std::string top = m_root + "/top";
    const std::string deep = File("top/sub/deep.txt", 0664);
    File("top/a.txt", 0644);
    symlink(outside.c_str(), (top + "/link.txt").c_str());
    symlink("..", (top + "/sub/loop").c_str());  // a folder link loop
    chmod((top + "/sub").c_str(), 0755);
    CResultItem* folder = Record(top);
    CAttributeChange change;
    change.SetItems({folder});
    EXPECT_FALSE(change.HasNoFolder());
    DWORD set = 0;
    DWORD keep = 0xFFFFFFFFu;
    CAttributeChange::AddBox(AttributeBox::Checked, FILE_ATTRIBUTE_READONLY, &set, &keep);
    EXPECT_EQ(change.Apply(set, keep, TRUE), 0);

    EXPECT_EQ(StatOf(deep).st_mode & 07777, 0444u);
    EXPECT_EQ(StatOf(top + "/a.txt").st_mode & 07777, 0444u);
    EXPECT_EQ(StatOf(top + "/sub").st_mode & 07777, 0755u);
    EXPECT_EQ(StatOf(outside).st_mode & 07777, 0644u);  // the link's target stays

    // Clearing read-only gives the owner write permission back.
    CAttributeChange::AddBox(AttributeBox::Clear, FILE_ATTRIBUTE_READONLY, &set, &keep);
    set = 0;
    EXPECT_EQ(change.Apply(set, keep, TRUE), 0);
    EXPECT_EQ(StatOf(deep).st_mode & 07777, 0644u);
}

TEST_F(AttributeChangeTest, HiddenGoesToTheListAndTheAttributeNeverARename) {
    if (!zbtest::UserXattrsWork(m_root))
        GTEST_SKIP() << "no user extended attributes here";
    const std::string path = File("plain.txt");
    CResultItem* record = Record(path);
    CAttributeChange change;
    change.SetItems({record});
    EXPECT_EQ(change.Apply(FILE_ATTRIBUTE_HIDDEN, 0xFFFFFFFFu, FALSE), 0);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(HiddenList(m_root), "plain.txt\n");
    EXPECT_EQ(zbtest::XattrOf(path), "0x2");
    EXPECT_TRUE(record->m_dwAttributes & FILE_ATTRIBUTE_HIDDEN);

    EXPECT_EQ(change.Apply(0, ~FILE_ATTRIBUTE_HIDDEN, FALSE), 0);
    EXPECT_FALSE(std::filesystem::exists(m_root + "/.hidden"));
    EXPECT_FALSE(record->m_dwAttributes & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(AttributeChangeTest, ADotNameCannotBeShownAndTheFailureIsLogged) {
    const std::string path = File(".profile");
    CResultItem* record = Record(path);
    ASSERT_TRUE(record->m_dwAttributes & FILE_ATTRIBUTE_HIDDEN);
    zbtest::LogCapture log;
    CAttributeChange change;
    change.SetItems({record});
    EXPECT_EQ(change.Apply(0, ~FILE_ATTRIBUTE_HIDDEN, FALSE), 1);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(log.RedLinesWith(".profile"), 1);
    EXPECT_EQ(log.RedLinesWith("could not be changed"), 1);
    EXPECT_TRUE(record->m_dwAttributes & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(AttributeChangeTest, ClearingHiddenBelowAFolderPassesOverDotNamesSilently) {
    const std::string top = m_root + "/top";
    File("top/.config/.profile");
    const std::string listed = File("top/listed.txt");
    zbtest::WriteFile(top + "/.hidden", "listed.txt\n");
    CResultItem* folder = Record(top);
    zbtest::LogCapture log;
    CAttributeChange change;
    change.SetItems({folder});
    EXPECT_EQ(change.Apply(0, ~FILE_ATTRIBUTE_HIDDEN, TRUE), 0);
    EXPECT_EQ(log.RedLinesWith(""), 0);
    EXPECT_EQ(change.GetFailedCount(), 0);
    EXPECT_EQ(change.GetChangedCount(), 1);  // listed.txt alone
    EXPECT_FALSE(std::filesystem::exists(top + "/.hidden"));
    EXPECT_TRUE(std::filesystem::exists(top + "/.config/.profile"));
}

TEST_F(AttributeChangeTest, ReadOnlyWithSystemAsTheOwnerWritesTheAttributeWhileWritable) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to hand the file to another user";
    if (!zbtest::UserXattrsWork(m_root))
        GTEST_SKIP() << "no user extended attributes here";
    const std::string path = File("owned.txt", 0664);
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    CResultItem* record = Record(path);
    EXPECT_TRUE(zbtest::RunAsNobody(m_root, [&] {
        umask(002);
        CAttributeChange change;
        change.SetItems({record});
        const DWORD both = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM;
        const int setFailures = change.Apply(both, 0xFFFFFFFFu, FALSE);
        const mode_t readOnly = StatOf(path).st_mode & 07777;
        const std::string setValue = zbtest::XattrOf(path);
        const int clearFailures = change.Apply(0, ~both, FALSE);
        const mode_t writable = StatOf(path).st_mode & 07777;
        std::fprintf(stderr, "set %d: %o %s; cleared %d: %o %s\n", setFailures, readOnly,
                     setValue.c_str(), clearFailures, writable, zbtest::XattrOf(path).c_str());
        return setFailures == 0 && readOnly == 0444 && setValue == "0x4" && clearFailures == 0 &&
               writable == 0664 && zbtest::XattrOf(path) == "0x0" &&
               UserXattrNames(path) == std::vector<std::string>{"user.DOSATTRIB"};
    }));
}

TEST_F(AttributeChangeTest, SubFoldersLeaveAFolderMountedInsideAsItIs) {
    const std::string elsewhere = zbtest::MakeTempDir("mounted");
    const std::string kept = zbtest::WriteFile(elsewhere + "/kept.txt", "x");
    chmod(kept.c_str(), 0644);
    const std::string top = m_root + "/top";
    const std::string own = File("top/own.txt");
    std::filesystem::create_directories(top + "/data");
    CResultItem* folder = Record(top);
    ZB_EXPECT_IN_PRIVATE_MOUNTS([&] {
        if (!zbtest::BindMount(elsewhere, top + "/data"))
            return false;
        zbtest::LogCapture log;
        CAttributeChange change;
        change.SetItems({folder});
        const int failed = change.Apply(FILE_ATTRIBUTE_READONLY, 0xFFFFFFFFu, TRUE);
        std::fprintf(stderr, "%d failed; kept %o, own %o\n", failed, StatOf(kept).st_mode & 07777,
                     StatOf(own).st_mode & 07777);
        // The mount point is reported as a file that was not changed.
        return (StatOf(kept).st_mode & 07777) == 0644 && (StatOf(own).st_mode & 07777) == 0444 &&
               failed == 1 && log.RedLinesWith(top + "/data") == 1;
    });
}

TEST_F(AttributeChangeTest, SystemAndArchiveKeepABinaryTailAndOtherBits) {
    if (!zbtest::UserXattrsWork(m_root))
        GTEST_SKIP() << "no user extended attributes here";
    const std::string path = File("samba.doc");
    const std::string stored("0x80\0\x04\x00\xff\x01tail", 12);
    ASSERT_EQ(setxattr(path.c_str(), "user.DOSATTRIB", stored.data(), stored.size(), 0), 0);
    CResultItem* record = Record(path);
    CAttributeChange change;
    change.SetItems({record});
    EXPECT_EQ(change.Apply(FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE, 0xFFFFFFFFu, FALSE), 0);
    EXPECT_EQ(zbtest::XattrOf(path), std::string("0xa4\0\x04\x00\xff\x01tail", 12));
    EXPECT_EQ(record->m_dwAttributes & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE),
              FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);

    // A value this program cannot read is left alone.
    const std::string other = File("odd.doc");
    ASSERT_EQ(setxattr(other.c_str(), "user.DOSATTRIB", "zz", 2, 0), 0);
    CResultItem* odd = Record(other);
    zbtest::LogCapture log;
    change.SetItems({odd});
    EXPECT_EQ(change.Apply(FILE_ATTRIBUTE_ARCHIVE, 0xFFFFFFFFu, FALSE), 1);
    EXPECT_EQ(zbtest::XattrOf(other), "zz");
    EXPECT_EQ(log.RedLinesWith("odd.doc"), 1);
}

TEST_F(AttributeChangeTest, ARecordWhoseSearchLeftTheDosBitsUnreadKeepsSystemAndArchive) {
    if (!zbtest::UserXattrsWork(m_root))
        GTEST_SKIP() << "no user extended attributes here";
    const std::string path = File("report.doc");
    ASSERT_EQ(setxattr(path.c_str(), "user.DOSATTRIB", "0x24", 4, 0), 0);
    // Read as a search that shows no attributes reads it.
    CResultItem* record = Record(path);
    ReadResultItemFileData(*record, path, -1, nullptr, zb::DosBits::Later);
    ASSERT_TRUE(record->m_dwFlags & RIF_DOS_UNREAD);
    ASSERT_EQ(record->m_dwAttributes, FILE_ATTRIBUTE_NORMAL);

    CAttributeChange change;
    change.SetItems({record});
    // The dialog's boxes start from the whole attribute word, and OK with
    // only Read-only ticked hands the boxes back as they stand.
    DWORD set = 0;
    DWORD keep = 0xFFFFFFFFu;
    CAttributeChange::AddBox(AttributeBox::Checked, FILE_ATTRIBUTE_READONLY, &set, &keep);
    for (const DWORD bit : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_ARCHIVE})
        CAttributeChange::AddBox(change.InitialBox(bit), bit, &set, &keep);
    EXPECT_EQ(change.InitialBox(FILE_ATTRIBUTE_SYSTEM), AttributeBox::Checked);
    EXPECT_EQ(change.InitialBox(FILE_ATTRIBUTE_ARCHIVE), AttributeBox::Checked);
    EXPECT_EQ(change.Apply(set, keep, FALSE), 0);

    EXPECT_EQ(StatOf(path).st_mode & 07777, 0444u);
    EXPECT_EQ(zbtest::XattrOf(path), "0x24");
    EXPECT_EQ(record->m_dwAttributes,
              FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_FALSE(record->m_dwFlags & RIF_DOS_UNREAD);
}

TEST_F(AttributeChangeTest, RecordsInsideArchivesOrWithoutPathAreNeverChanged) {
    const std::string path = File("member.txt");
    CResultItem* record = Record(path);
    record->m_dwFlags |= RIF_IN_ARCHIVE;
    CAttributeChange change;
    change.SetItems({record});
    EXPECT_EQ(change.Apply(FILE_ATTRIBUTE_READONLY, 0xFFFFFFFFu, FALSE), 0);
    EXPECT_EQ(StatOf(path).st_mode & 07777, 0644u);
    EXPECT_EQ(change.GetChangedCount(), 0);
}

}  // namespace
