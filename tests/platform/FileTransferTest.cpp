#include "platform/FileTransfer.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/FolderDropTarget.h"
#include "platform/PosixFile.h"
#include "platform/TrashTestSupport.h"
#include "support/TempHome.h"

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
