#include "platform/FileOperation.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/PosixFile.h"
#include "platform/TrashTestSupport.h"
#include "platform/shell/ItemIdList.h"
#include "platform/shell/ShellHelper.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;

using zbtest::Exists;

// Answers the questions from a list and keeps what it was told.
class ScriptedUi : public zb::IFileOperationUi {
public:
    explicit ScriptedUi(std::vector<bool> answers) : m_answers(std::move(answers)) {}
    bool AskFileOperation(const std::string& text) override {
        questions.push_back(text);
        const bool answer = m_next < m_answers.size() && m_answers[m_next];
        ++m_next;
        return answer;
    }
    void ReportFileOperation(const std::string& text) override { reports.push_back(text); }

    std::vector<std::string> questions;
    std::vector<std::string> reports;

private:
    std::vector<bool> m_answers;
    std::size_t m_next = 0;
};

using FileOperationTest = zbtest::TrashHomeTest;

TEST_F(FileOperationTest, DeleteAsksOnceAndMovesToTheTrash) {
    const std::string a = zbtest::WriteFile(m_dir + "/a.txt", "a");
    const std::string b = zbtest::WriteFile(m_dir + "/b.txt", "b");

    ScriptedUi no({false});
    EXPECT_TRUE(zb::DeleteToTrash({a}, no).empty());
    EXPECT_EQ(no.questions,
              std::vector<std::string>{"Are you sure you want to move 'a.txt' to the Trash?"});
    EXPECT_TRUE(Exists(a));

    ScriptedUi yes({true});
    EXPECT_EQ(zb::DeleteToTrash({a, b}, yes), (std::vector<std::string>{a, b}));
    EXPECT_EQ(yes.questions, std::vector<std::string>{
                                 "Are you sure you want to move these 2 items to the Trash?"});
    EXPECT_TRUE(yes.reports.empty());
    EXPECT_FALSE(Exists(a));
    EXPECT_TRUE(Exists(Trash() + "/files/b.txt"));
}

TEST_F(FileOperationTest, OnlyASecondYesDeletesForGood) {
    const std::string a = zbtest::WriteFile(m_dir + "/a.txt", "a");
    ScriptedUi yes({true});
    ASSERT_EQ(zb::DeleteToTrash({a}, yes).size(), 1u);
    const std::string trashed = Trash() + "/files/a.txt";

    // No trash takes an item of the trash: a second question decides.
    ScriptedUi keep({true, false});
    EXPECT_TRUE(zb::DeleteToTrash({trashed}, keep).empty());
    ASSERT_EQ(keep.questions.size(), 2u);
    EXPECT_NE(keep.questions[1].find("delete it permanently"), std::string::npos);
    EXPECT_TRUE(Exists(trashed));

    ScriptedUi erase({true, true});
    EXPECT_EQ(zb::DeleteToTrash({trashed}, erase), std::vector<std::string>{trashed});
    EXPECT_FALSE(Exists(trashed));
}

TEST_F(FileOperationTest, AFailedMoveIsReportedAndNeverDeletedForGood) {
    const std::string data = m_dir + "/holder/data";
    ASSERT_TRUE(zb::CreateFolders(data, 0700));
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    const std::string missing = m_dir + "/missing";
    ScriptedUi yes({true, true});
    EXPECT_TRUE(zb::DeleteToTrash({m_dir + "/holder", missing}, yes).empty());
    EXPECT_EQ(yes.questions.size(), 1u);
    ASSERT_EQ(yes.reports.size(), 1u);
    EXPECT_NE(yes.reports[0].find("Cannot move '" + m_dir + "/holder' to the Trash: "),
              std::string::npos);
    EXPECT_NE(yes.reports[0].find("'" + missing + "' to the Trash: No such file or directory."),
              std::string::npos);
    EXPECT_TRUE(Exists(data));
}

TEST_F(FileOperationTest, DeletingForGoodNeverFollowsALink) {
    const std::string outside = zbtest::WriteFile(m_dir + "/outside/keep.txt", "kept");
    zbtest::WriteFile(m_dir + "/tree/a/b/c.txt", "c");
    ASSERT_EQ(::symlink((m_dir + "/outside").c_str(), (m_dir + "/tree/a/link").c_str()), 0);
    EXPECT_TRUE(zb::DeletePermanently(m_dir + "/tree"));
    EXPECT_FALSE(Exists(m_dir + "/tree"));
    EXPECT_TRUE(Exists(outside));
    EXPECT_FALSE(zb::DeletePermanently(m_dir + "/tree"));
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(FileOperationTest, RenameNeverReplacesAndRefusesBadNames) {
    zbtest::WriteFile(m_dir + "/a.txt", "a");
    zbtest::WriteFile(m_dir + "/b.txt", "b");
    int error = 0;
    EXPECT_EQ(zb::RenameItem(m_dir, "a.txt", "b.txt", &error), zb::RenameResult::Exists);
    for (const std::string& bad :
         {std::string(), std::string("."), std::string(".."), std::string("x/y"),
          std::string("x\0y", 3), std::string(256, 'n')}) {
        EXPECT_EQ(zb::RenameItem(m_dir, "a.txt", bad, &error), zb::RenameResult::InvalidName)
            << bad;
    }
    EXPECT_TRUE(zb::IsValidItemName(std::string(255, 'n')));
    std::string bytes;
    ASSERT_TRUE(zb::ReadWholeFile(m_dir + "/b.txt", 16, bytes));
    EXPECT_EQ(bytes, "b");

    EXPECT_EQ(zb::RenameItem(m_dir, "missing", "c.txt", &error), zb::RenameResult::Failed);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(zb::RenameItem(m_dir, "a.txt", "A.txt", &error), zb::RenameResult::Renamed);
    EXPECT_TRUE(Exists(m_dir + "/A.txt"));
    EXPECT_EQ(zb::RenameFailureText(zb::RenameResult::Exists, "a.txt", "b.txt", 0),
              "Cannot rename a.txt: A file with the name you specified already exists. Specify "
              "a different file name.");
}

TEST_F(FileOperationTest, TheDeleteVerbTakesItemsOfTheirFolder) {
    zbtest::WriteFile(m_dir + "/a.txt", "a");
    CShellHelper shell;
    LPITEMIDLIST folderList = nullptr;
    ASSERT_EQ(shell.ParseDisplayName(m_dir, &folderList, nullptr), S_OK);
    const PidlPtr folderPidl(folderList);
    const ComPtr<IShellFolder> folder = shell.BindToFolder(folderPidl.get());
    LPITEMIDLIST item = nullptr;
    ASSERT_EQ(folder->ParseDisplayName("a.txt", nullptr, &item, nullptr), S_OK);
    const PidlPtr itemPidl(item);
    LPCITEMIDLIST items[] = {itemPidl.get()};

    ScriptedUi yes({true});
    EXPECT_TRUE(CShellHelper::InvokeVerb(yes, folder.Get(), 1, items, "delete"));
    EXPECT_EQ(yes.questions.size(), 1u);
    EXPECT_FALSE(Exists(m_dir + "/a.txt"));
    EXPECT_TRUE(Exists(Trash() + "/files/a.txt"));

    ScriptedUi none({true});
    EXPECT_FALSE(CShellHelper::InvokeVerb(none, nullptr, 1, items, "delete"));
    EXPECT_EQ(none.reports, std::vector<std::string>{"GetUIObjectOf failed! hr=80004005"});
    EXPECT_TRUE(none.questions.empty());
}

}  // namespace
