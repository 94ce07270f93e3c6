// Renaming a found item in place, and telling whether it still exists.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "app/engine/ResultItem.h"
#include "platform/PosixFile.h"
#include "platform/shell/ShellApi.h"
#include "platform/shell/ShellHelper.h"
#include "support/TempHome.h"

namespace {

// A record for the file at `dir`/`name`, built as a search builds it.
CResultItem MakeRecord(const std::string& dir, const std::string& name) {
    CShellHelper shell;
    LPITEMIDLIST list = nullptr;
    EXPECT_EQ(shell.ParseDisplayName(dir + "/" + name, &list, nullptr), S_OK);
    PidlPtr full(list);
    PidlPtr item(ILCloneFirst(ILFindLast(full.get())));
    EXPECT_EQ(shell.ParseDisplayName(dir, &list, nullptr), S_OK);
    const PidlPtr folderList(list);
    CResultItem record;
    MakeResultItem(record, shell.BindToFolder(folderList.get()), std::move(item), std::move(full),
                   SFGAO_CANCOPY | SFGAO_CANDELETE, dir);
    return record;
}

std::string PidlBytes(LPCITEMIDLIST list) {
    return std::string(reinterpret_cast<const char*>(list), ILGetSize(list));
}

std::string Read(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(zb::ReadWholeFile(path, 1024, bytes)) << path;
    return bytes;
}

TEST(ResultItemRename, RenamesTheFileAndPointsTheRecordAtIt) {
    const std::string dir = zbtest::MakeTempDir("rename");
    zbtest::WriteFile(dir + "/old.txt", "contents");
    CResultItem record = MakeRecord(dir, "old.txt");
    record.m_arrValues.resize(1);
    record.m_arrValues[0].valid = true;

    int error = 0;
    ASSERT_EQ(RenameResultItem(record, "new.log", &error), zb::RenameResult::Renamed);
    EXPECT_EQ(Read(dir + "/new.log"), "contents");
    EXPECT_NE(::access((dir + "/old.txt").c_str(), F_OK), 0);
    EXPECT_EQ(record.m_sName, "new.log");
    EXPECT_EQ(record.m_sFolder, dir);
    EXPECT_EQ(record.m_nSize, 8u);
    EXPECT_EQ(record.m_dwFlags, RIF_DELETABLE);
    std::string path;
    ASSERT_TRUE(SHGetPathFromIDList(record.GetFullPidl().get(), &path));
    EXPECT_EQ(path, dir + "/new.log");
    std::string itemName;
    ASSERT_TRUE(CShellHelper::GetItemName(record.m_pParentFolder.Get(), record.m_pidl.get(),
                                          SHGDN_INFOLDER, &itemName));
    EXPECT_EQ(itemName, "new.log");
    EXPECT_TRUE(IsResultItemValid(record));
    ASSERT_EQ(record.m_arrValues.size(), 1u);  // what was read from the contents stays
}

TEST(ResultItemRename, ARefusedRenameChangesNothing) {
    const std::string dir = zbtest::MakeTempDir("rename");
    zbtest::WriteFile(dir + "/a.txt", "a");
    zbtest::WriteFile(dir + "/b.txt", "b");
    CResultItem record = MakeRecord(dir, "a.txt");
    const std::string pidl = PidlBytes(record.GetFullPidl().get());

    int error = 0;
    EXPECT_EQ(RenameResultItem(record, "b.txt", &error), zb::RenameResult::Exists);
    for (const char* bad : {"", ".", "..", "sub/c.txt"})
        EXPECT_EQ(RenameResultItem(record, bad, &error), zb::RenameResult::InvalidName) << bad;
    EXPECT_EQ(Read(dir + "/a.txt"), "a");
    EXPECT_EQ(Read(dir + "/b.txt"), "b");
    EXPECT_EQ(record.m_sName, "a.txt");
    EXPECT_EQ(PidlBytes(record.GetFullPidl().get()), pidl);

    // Members of archives and archive files are never renamed.
    for (const DWORD flag : {RIF_IN_ARCHIVE, RIF_ARCHIVE}) {
        CResultItem member = MakeRecord(dir, "a.txt");
        member.m_dwFlags |= flag;
        EXPECT_EQ(RenameResultItem(member, "c.txt", &error), zb::RenameResult::Failed);
        EXPECT_EQ(member.m_sName, "a.txt");
    }
    EXPECT_EQ(Read(dir + "/a.txt"), "a");
}

TEST(ResultItemRename, AnItemThatWentIsNoLongerValid) {
    const std::string dir = zbtest::MakeTempDir("rename");
    zbtest::WriteFile(dir + "/a.txt", "a");
    const CResultItem record = MakeRecord(dir, "a.txt");
    EXPECT_TRUE(IsResultItemValid(record));
    ASSERT_EQ(::unlink((dir + "/a.txt").c_str()), 0);
    EXPECT_FALSE(IsResultItemValid(record));
    EXPECT_FALSE(IsResultItemValid(CResultItem()));
}

}  // namespace
