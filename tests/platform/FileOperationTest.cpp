#include "platform/FileOperation.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/PosixFile.h"
#include "platform/TrashTestSupport.h"
#include "platform/shell/ItemIdList.h"
#include "platform/shell/ShellHelper.h"
#include "support/MountNamespace.h"
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
    const std::string b = zbtest::WriteFile(m_dir + "/b.txt", "b");
    ScriptedUi yes({true});
    ASSERT_EQ(zb::DeleteToTrash({a, b}, yes).size(), 2u);
    const std::string trashed = Trash() + "/files/a.txt";

    // No trash takes an item of the trash: the permanent question decides.
    ScriptedUi keep({false});
    EXPECT_TRUE(zb::DeleteToTrash({trashed}, keep).empty());
    ASSERT_EQ(keep.questions.size(), 1u);
    EXPECT_NE(keep.questions[0].find("delete it permanently"), std::string::npos);
    EXPECT_TRUE(Exists(trashed));

    // Already in the trash: the one question is the permanent one, and the
    // item goes for good with its record; the other item keeps its own.
    ScriptedUi erase({true});
    EXPECT_EQ(zb::DeleteToTrash({trashed}, erase), std::vector<std::string>{trashed});
    EXPECT_EQ(erase.questions,
              std::vector<std::string>{"'" + trashed +
                                       "' is in the Trash.\n\nDo you want to delete it "
                                       "permanently? It cannot be restored."});
    EXPECT_TRUE(erase.reports.empty());
    EXPECT_FALSE(Exists(trashed));
    EXPECT_FALSE(Exists(Trash() + "/info/a.txt.trashinfo"));
    EXPECT_TRUE(Exists(Trash() + "/info/b.txt.trashinfo"));
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
    EXPECT_TRUE(zb::DeletePermanently(m_dir + "/tree").removed);
    EXPECT_FALSE(Exists(m_dir + "/tree"));
    EXPECT_TRUE(Exists(outside));
    const zb::DeleteOutcome again = zb::DeletePermanently(m_dir + "/tree");
    EXPECT_FALSE(again.removed);
    EXPECT_EQ(again.error, ENOENT);
}

TEST_F(FileOperationTest, DeletingForGoodLeavesMountPointsAndWhatIsOnThemAlone) {
    zbtest::WriteFile(m_dir + "/proj/src/main.c", "code");
    zbtest::WriteFile(m_dir + "/proj/data/.keep", "");
    const std::string shared = zbtest::WriteFile(m_dir + "/shared/precious.txt", "data");
    ZB_EXPECT_IN_PRIVATE_MOUNTS([&] {
        if (!zbtest::BindMount(m_dir + "/shared", m_dir + "/proj/data"))
            return false;
        const zb::DeleteOutcome outcome = zb::DeletePermanently(m_dir + "/proj");
        const zb::DeleteOutcome mountPoint = zb::DeletePermanently(m_dir + "/proj/data");
        using zbtest::Check;
        return Check(!outcome.removed, "the folder holding a mount point stays") &&
               Check(outcome.mountPoints == std::vector<std::string>{m_dir + "/proj/data"},
                     "the mount point is named") &&
               Check(Exists(shared) && Exists(m_dir + "/proj/data/precious.txt"),
                     "the mounted files stay") &&
               Check(!Exists(m_dir + "/proj/src"), "the rest is gone") &&
               Check(!mountPoint.removed && mountPoint.mountPoints.size() == 1 &&
                         Exists(m_dir + "/proj/data/precious.txt"),
                     "a mount point itself is left alone");
    });
}

// Neither a mount point nor a folder holding one goes to the trash: the
// mount would go along, and emptying the trash would reach what it shows.
TEST_F(FileOperationTest, AMountPointGoesNowhereNorAFolderHoldingOne) {
    ASSERT_TRUE(zb::CreateFolders(m_dir + "/volume", 0700));
    ASSERT_TRUE(zb::CreateFolders(m_dir + "/proj/data", 0700));
    zbtest::WriteFile(m_dir + "/shown/precious.txt", "kept");
    ZB_EXPECT_IN_PRIVATE_MOUNTS([&] {
        if (!zbtest::MountTmpfs(m_dir + "/volume") ||
            !zbtest::BindMount(m_dir + "/shown", m_dir + "/proj/data"))
            return false;
        ScriptedUi holderYes({true});
        using zbtest::Check;
        if (!Check(zb::DeleteToTrash({m_dir + "/proj"}, holderYes).empty(),
                   "the folder holding a mount point stays") ||
            !Check(holderYes.reports ==
                       std::vector<std::string>{"'" + m_dir + "/proj' was left alone: '" + m_dir +
                                                "/proj/data' inside it is a mount point."},
                   "the report names the mount point inside") ||
            !Check(Exists(m_dir + "/proj/data/precious.txt"), "the mounted folder keeps its file"))
            return false;
        zbtest::WriteFile(m_dir + "/volume/file.txt", "on the volume");
        ScriptedUi yes({true, true});
        const auto gone = zb::DeleteToTrash({m_dir + "/volume"}, yes);
        return Check(gone.empty(), "nothing is gone") &&
               Check(yes.questions.size() == 1, "no second question") &&
               Check(yes.reports == std::vector<std::string>{"'" + m_dir +
                                                             "/volume' is a mount point: it "
                                                             "was left alone."},
                     "the report names the mount point") &&
               Check(Exists(m_dir + "/volume/file.txt"), "the volume keeps its file") &&
               Check(!Exists(m_dir + "/.Trash-" + std::to_string(::getuid())) &&
                         !Exists(m_dir + "/volume/.Trash-" + std::to_string(::getuid())),
                     "no trash was made");
    });
}

TEST_F(FileOperationTest, AFolderSelectedWithItemsInsideItTakesThemAlong) {
    const std::string folder = m_dir + "/folder";
    zbtest::WriteFile(folder + "/inner/deep.txt", "d");
    zbtest::WriteFile(folder + "/top.txt", "t");
    const std::vector<std::string> selected = {folder + "/top.txt", folder,
                                               folder + "/inner/deep.txt"};
    ScriptedUi yes({true});
    const auto gone = zb::DeleteToTrash(selected, yes);
    EXPECT_EQ(std::set<std::string>(gone.begin(), gone.end()),
              std::set<std::string>(selected.begin(), selected.end()));
    EXPECT_EQ(yes.questions, std::vector<std::string>{
                                 "Are you sure you want to move these 3 items to the Trash?"});
    EXPECT_TRUE(yes.reports.empty()) << yes.reports.front();
    EXPECT_TRUE(Exists(Trash() + "/files/folder/inner/deep.txt"));
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
    const zb::ComPtr<IShellFolder> folder = shell.BindToFolder(folderPidl.get());
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
