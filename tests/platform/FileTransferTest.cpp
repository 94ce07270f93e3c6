#include "platform/FileTransfer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/FolderDropTarget.h"
#include "platform/PathUtils.h"
#include "platform/PosixFile.h"
#include "platform/TrashTestSupport.h"
#include "support/MountNamespace.h"
#include "support/TempHome.h"
#include "tools/ToolTestSupport.h"

namespace {

using zbtest::Exists;

std::string Contents(const std::string& path) {
    std::string bytes;
    return zb::ReadWholeFile(path, 1 << 20, bytes) ? bytes : std::string("<missing>");
}

class RecordingUi : public zb::IFileOperationUi {
public:
    bool AskFileOperation(const std::string&) override { return false; }
    void ReportFileOperation(const std::string& text) override { reports.push_back(text); }
    std::vector<std::string> reports;
};

// A folder on another file system than the test's temporary root, or empty.
std::string OtherFileSystemFolder() {
    for (const char* candidate : {"/dev/shm", "/run/user"}) {
        struct stat there {};
        struct stat here {};
        if (::stat(candidate, &there) == 0 && ::stat(zbtest::TempRoot().c_str(), &here) == 0 &&
            there.st_dev != here.st_dev && ::access(candidate, W_OK) == 0) {
            char pattern[64];
            std::snprintf(pattern, sizeof pattern, "%s/zbtest-XXXXXX", candidate);
            if (::mkdtemp(pattern) != nullptr)
                return pattern;
        }
    }
    return {};
}

// A listening UNIX socket at `path`: an item no copy can make.
int MakeSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ? fd : -1;
}

TEST(FileTransferTest, CopyKeepsContentsModeLinksAndNeverReplaces) {
    const std::string from = zbtest::MakeTempDir("from");
    const std::string to = zbtest::MakeTempDir("to");
    zbtest::WriteFile(from + "/tree/a.txt", "alpha");
    zbtest::WriteFile(from + "/tree/sub/b.txt", "beta");
    ASSERT_EQ(::chmod((from + "/tree/a.txt").c_str(), 0640), 0);
    ASSERT_EQ(::symlink("/etc/passwd", (from + "/tree/link").c_str()), 0);
    zbtest::WriteFile(to + "/single.txt", "kept");
    zbtest::WriteFile(from + "/single.txt", "new");

    RecordingUi ui;
    const auto made =
        zb::TransferItems({from + "/tree", from + "/single.txt"}, to, zb::TransferMode::Copy, ui);
    ASSERT_EQ(made, std::vector<std::string>{to + "/tree"});
    EXPECT_EQ(Contents(to + "/tree/a.txt"), "alpha");
    EXPECT_EQ(Contents(to + "/tree/sub/b.txt"), "beta");
    struct stat st {};
    ASSERT_EQ(::stat((to + "/tree/a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    // The link is copied as a link, not as the file it names.
    ASSERT_EQ(::lstat((to + "/tree/link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    // The existing name was refused and left as it was; the source stays.
    EXPECT_EQ(Contents(to + "/single.txt"), "kept");
    EXPECT_EQ(Contents(from + "/single.txt"), "new");
    ASSERT_EQ(ui.reports.size(), 1u);
    EXPECT_NE(ui.reports[0].find("already exists"), std::string::npos);
}

TEST(FileTransferTest, MoveOntoTakenNameKeepsBoth) {
    const std::string from = zbtest::MakeTempDir("from");
    const std::string to = zbtest::MakeTempDir("to");
    zbtest::WriteFile(from + "/same.txt", "source");
    zbtest::WriteFile(to + "/same.txt", "target");
    RecordingUi ui;
    EXPECT_TRUE(zb::TransferItems({from + "/same.txt"}, to, zb::TransferMode::Move, ui).empty());
    EXPECT_EQ(Contents(from + "/same.txt"), "source");
    EXPECT_EQ(Contents(to + "/same.txt"), "target");
}

TEST(FileTransferTest, FolderNeverGoesIntoItself) {
    const std::string root = zbtest::MakeTempDir("root");
    zbtest::WriteFile(root + "/parent/child/file", "x");
    RecordingUi ui;
    for (const auto mode : {zb::TransferMode::Move, zb::TransferMode::Copy}) {
        EXPECT_TRUE(
            zb::TransferItems({root + "/parent"}, root + "/parent/child", mode, ui).empty());
        EXPECT_TRUE(zb::TransferItems({root + "/parent"}, root + "/parent", mode, ui).empty());
    }
    EXPECT_EQ(Contents(root + "/parent/child/file"), "x");
    EXPECT_FALSE(Exists(root + "/parent/child/parent"));
    // Through a link to the child as well.
    ASSERT_EQ(::symlink((root + "/parent/child").c_str(), (root + "/alias").c_str()), 0);
    EXPECT_TRUE(zb::IsFolderInsideItem(root + "/alias", root + "/parent"));
    EXPECT_FALSE(zb::IsFolderInsideItem(root + "/parent", root + "/parent/child"));
    EXPECT_EQ(ui.reports.size(), 4u);
}

TEST(FileTransferTest, FailedCopyKeepsTheSourceAndLeavesNothingBehind) {
    const std::string from = zbtest::MakeTempDir("from");
    const std::string to = zbtest::MakeTempDir("to");
    zbtest::WriteFile(from + "/box/a.txt", "a");
    const int socket = MakeSocket(from + "/box/s");
    ASSERT_GE(socket, 0);
    RecordingUi ui;
    EXPECT_TRUE(zb::TransferItems({from + "/box"}, to, zb::TransferMode::Copy, ui).empty());
    EXPECT_FALSE(Exists(to + "/box"));
    EXPECT_EQ(Contents(from + "/box/a.txt"), "a");

    // A move across file systems copies first; its failure keeps the source.
    const std::string other = OtherFileSystemFolder();
    if (!other.empty()) {
        EXPECT_TRUE(zb::TransferItems({from + "/box"}, other, zb::TransferMode::Move, ui).empty());
        EXPECT_FALSE(Exists(other + "/box"));
        EXPECT_EQ(Contents(from + "/box/a.txt"), "a");
        zbtest::WriteFile(from + "/plain.txt", "moved");
        EXPECT_EQ(zb::TransferItems({from + "/plain.txt"}, other, zb::TransferMode::Move, ui),
                  std::vector<std::string>{other + "/plain.txt"});
        EXPECT_EQ(Contents(other + "/plain.txt"), "moved");
        EXPECT_FALSE(Exists(from + "/plain.txt"));
        zb::DeletePermanently(other);
    }
    ::close(socket);
}

TEST(FileTransferTest, LinkMakesASymbolicLink) {
    const std::string from = zbtest::MakeTempDir("from");
    const std::string to = zbtest::MakeTempDir("to");
    zbtest::WriteFile(from + "/f", "f");
    RecordingUi ui;
    EXPECT_EQ(zb::TransferItems({from + "/f"}, to, zb::TransferMode::Link, ui).size(), 1u);
    char target[512] = {};
    ASSERT_GT(::readlink((to + "/f").c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), from + "/f");
}

// A test folder with a source tree and, mounted in a private namespace, a
// target on another file system.
class CrossDeviceMoveTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_from = zbtest::MakeTempDir("from");
        m_to = zbtest::MakeTempDir("to");
        zbtest::WriteFile(m_from + "/proj/a.txt", "alpha");
        zbtest::WriteFile(m_from + "/proj/b.txt", "beta");
    }
    // Moves proj to the other file system in private mounts and checks it
    // there with `check`.
    void MoveAndCheck(const std::function<bool()>& prepare,
                      const zb::CTreeCopy::BeforeCreate& beforeCreate,
                      const std::function<bool(const RecordingUi&)>& check) {
        ZB_EXPECT_IN_PRIVATE_MOUNTS([&] {
            if (!zbtest::MountTmpfs(m_to) || !prepare())
                return false;
            RecordingUi ui;
            const auto made = zb::TransferItems({m_from + "/proj"}, m_to, zb::TransferMode::Move,
                                                ui, beforeCreate);
            return zbtest::Check(made == std::vector<std::string>{m_to + "/proj"},
                                 "the move is made") &&
                   check(ui);
        });
    }
    std::string m_from;
    std::string m_to;
};

TEST_F(CrossDeviceMoveTest, AMountPointInsideIsNeitherCopiedNorEmptied) {
    const std::string shared = zbtest::WriteFile(zbtest::MakeTempDir("shared") + "/keep.txt", "k");
    zbtest::WriteFile(m_from + "/proj/data/.placeholder", "");
    const auto mount = [&] { return zbtest::BindMount(GetParentFolder(shared), m_from + "/proj/data"); };
    MoveAndCheck(mount, {}, [&](const RecordingUi& ui) {
        using zbtest::Check;
        return Check(Contents(m_to + "/proj/a.txt") == "alpha", "the rest is moved") &&
               Check(!Exists(m_to + "/proj/data"), "the mount point is not copied") &&
               Check(Contents(m_from + "/proj/data/keep.txt") == "k" &&
                         Contents(shared) == "k",
                     "the mounted folder keeps its files") &&
               Check(!Exists(m_from + "/proj/a.txt"), "what was copied left the source") &&
               Check(ui.reports.size() == 1 &&
                         ui.reports[0].find("'" + m_from +
                                            "/proj/data' is a mount point: it was not copied.") !=
                             std::string::npos,
                     "the mount point is reported");
    });
}

TEST_F(CrossDeviceMoveTest, WhatChangesOrAppearsDuringTheMoveStaysInTheSource) {
    // While the second file is being made, the first (copied already)
    // changes and a new file appears in the folder, which was listed before.
    std::vector<std::string> made;
    const auto meanwhile = [&](const std::string& target) {
        made.push_back(GetFileNamePart(target.c_str()));
        if (made.size() == 3) {  // proj, then its two files
            zbtest::WriteFile(m_from + "/proj/" + made[1], "edited");
            zbtest::WriteFile(m_from + "/proj/new.txt", "new");
        }
    };
    MoveAndCheck([] { return true; }, meanwhile, [&](const RecordingUi& ui) {
        using zbtest::Check;
        const std::string edited = made[1];
        const std::string moved = made[2];
        return Check(Contents(m_from + "/proj/" + edited) == "edited", "the edit stays") &&
               Check(Contents(m_from + "/proj/new.txt") == "new", "the new file stays") &&
               Check(!Exists(m_from + "/proj/" + moved) && Exists(m_to + "/proj/" + moved),
                     "the unchanged file moved") &&
               Check(ui.reports.size() == 1 &&
                         ui.reports[0].find(edited + "' changed while it was moved") !=
                             std::string::npos &&
                         ui.reports[0].find("proj' stays where it was") == std::string::npos,
                     "the changed file is reported");
    });
}

TEST(FileTransferTest, AFailedCopyRemovesOnlyWhatItMade) {
    const std::string from = zbtest::MakeTempDir("from");
    const std::string to = zbtest::MakeTempDir("to");
    zbtest::WriteFile(from + "/proj/a.txt", "a");
    // Another program makes the same folder, with its own file, between the
    // check that the name is free and the copy's own mkdir.
    const auto race = [&](const std::string& target) {
        if (target == to + "/proj")
            zbtest::WriteFile(to + "/proj/theirs.txt", "not ours");
    };
    RecordingUi ui;
    EXPECT_TRUE(zb::TransferItems({from + "/proj"}, to, zb::TransferMode::Copy, ui, race).empty());
    EXPECT_EQ(Contents(to + "/proj/theirs.txt"), "not ours");
    EXPECT_EQ(Contents(from + "/proj/a.txt"), "a");
    ASSERT_EQ(ui.reports.size(), 1u);
    EXPECT_NE(ui.reports[0].find("File exists"), std::string::npos) << ui.reports[0];
}

TEST(FileTransferTest, ACopyOutOfDescriptorsLeavesNoFolderBehind) {
    // Each level of a folder copy holds descriptors, so a 40-deep tree runs
    // out of them under a small limit: at each limit the copy fails at
    // another open, the one after a folder's mkdir too.
    const std::string from = zbtest::MakeTempDir("from");
    std::string deepest = from + "/deep";
    for (int level = 1; level < 40; ++level)
        deepest += "/d";
    ASSERT_TRUE(zb::CreateFolders(deepest, 0700));
    const int firstFree = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(firstFree, 0);
    ::close(firstFree);
    for (int spare = 4; spare < 16; ++spare) {
        const std::string to = zbtest::MakeTempDir("to");
        std::fflush(nullptr);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            rlimit files{};
            ::getrlimit(RLIMIT_NOFILE, &files);
            files.rlim_cur = static_cast<rlim_t>(firstFree + spare);
            RecordingUi ui;
            const bool failed =
                ::setrlimit(RLIMIT_NOFILE, &files) == 0 &&
                zb::TransferItems({from + "/deep"}, to, zb::TransferMode::Copy, ui).empty();
            _exit(failed ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << spare << " spare";
        std::vector<std::string> left;
        EXPECT_TRUE(zb::ListFolderNames(to, &left));
        EXPECT_TRUE(left.empty()) << spare << " spare";
    }
}

TEST(FileTransferTest, CopiesKeepUserAttributesEvenOfReadOnlyFiles) {
    const std::string from = zbtest::MakeTempDir("from");
    const std::string to = zbtest::MakeTempDir("to");
    const std::string file = zbtest::WriteFile(from + "/box/ro.txt", "r");
    if (!zbtest::UserXattrsWork(from))
        GTEST_SKIP() << "no user extended attributes here";
    ASSERT_EQ(::setxattr(file.c_str(), "user.DOSATTRIB", "0x4", 3, 0), 0);
    ASSERT_EQ(::setxattr((from + "/box").c_str(), "user.tag", "folder", 6, 0), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    const auto copy = [&] {
        RecordingUi ui;
        return zb::TransferItems({from + "/box"}, to, zb::TransferMode::Copy, ui).size() == 1;
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(copy());
    } else {
        // As the files' owner: root may write attributes whatever the mode.
        for (const std::string& path : {from + "/box", file, to})
            ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chmod(from.c_str(), 0755), 0);
        EXPECT_TRUE(zbtest::RunAsNobody(to, copy));
    }
    EXPECT_EQ(zbtest::XattrOf(to + "/box/ro.txt"), "0x4");
    EXPECT_EQ(zbtest::XattrOf(to + "/box", "user.tag"), "folder");
    EXPECT_EQ(Contents(to + "/box/ro.txt"), "r");
}

TEST(FolderDropTargetTest, EffectsFollowTheKeysAndRefuseWhatCannotBe) {
    const std::string root = zbtest::MakeTempDir("drop");
    zbtest::WriteFile(root + "/src/f.txt", "f");
    zbtest::WriteFile(root + "/dst/keep", "k");
    zbtest::WriteFile(root + "/file.txt", "x");
    EXPECT_EQ(zb::CFolderDropTarget::Create(root + "/file.txt"), nullptr);
    auto target = zb::CFolderDropTarget::Create(root + "/dst");
    ASSERT_NE(target, nullptr);
    const std::vector<std::string> files{root + "/src/f.txt"};
    constexpr DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    EXPECT_EQ(target->DragEnter(files, MK_LBUTTON, all), DROPEFFECT_MOVE);  // same file system
    EXPECT_EQ(target->DragOver(MK_LBUTTON | MK_CONTROL, all), DROPEFFECT_COPY);
    EXPECT_EQ(target->DragOver(MK_LBUTTON | MK_SHIFT, all), DROPEFFECT_MOVE);
    EXPECT_EQ(target->DragOver(MK_LBUTTON | MK_SHIFT | MK_CONTROL, all), DROPEFFECT_LINK);
    EXPECT_EQ(target->DragOver(MK_LBUTTON, DROPEFFECT_COPY), DROPEFFECT_COPY);
    EXPECT_EQ(target->DragOver(MK_LBUTTON | MK_SHIFT, DROPEFFECT_COPY), DROPEFFECT_NONE);
    EXPECT_EQ(target->DragEnter({}, MK_LBUTTON, all), DROPEFFECT_NONE);
    // A folder onto its own child, and a move into the folder it lies in.
    auto child = zb::CFolderDropTarget::Create(root + "/src");
    EXPECT_EQ(child->DragEnter({root + "/src"}, MK_LBUTTON, all), DROPEFFECT_NONE);
    EXPECT_EQ(child->DragEnter(files, MK_LBUTTON, all), DROPEFFECT_NONE);
    EXPECT_EQ(child->DragEnter(files, MK_LBUTTON | MK_CONTROL, all), DROPEFFECT_COPY);

    RecordingUi ui;
    EXPECT_EQ(target->Drop(files, MK_LBUTTON, all, ui), DROPEFFECT_MOVE);
    EXPECT_EQ(Contents(root + "/dst/f.txt"), "f");
    EXPECT_FALSE(Exists(root + "/src/f.txt"));
    EXPECT_TRUE(ui.reports.empty());

    EXPECT_EQ(ProposedDropEffect(MK_CONTROL | MK_SHIFT), DROPEFFECT_LINK);
    EXPECT_EQ(ProposedDropEffect(MK_CONTROL), DROPEFFECT_COPY);
    EXPECT_EQ(ProposedDropEffect(MK_SHIFT), DROPEFFECT_MOVE);
    EXPECT_EQ(ProposedDropEffect(0), all);
}

}  // namespace
