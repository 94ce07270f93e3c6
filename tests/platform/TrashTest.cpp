#include "platform/Trash.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/PosixFile.h"
#include "platform/TrashTestSupport.h"
#include "support/MountNamespace.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;

std::string Contents(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(zb::ReadWholeFile(path, 1 << 20, bytes)) << path;
    return bytes;
}

// Whether text is a local time "YYYY-MM-DDThh:mm:ss" and its line feed.
bool IsDeletionDateLine(const std::string& text) {
    constexpr std::string_view shape = "9999-99-99T99:99:99\n";
    return text.size() == shape.size() &&
           std::equal(shape.begin(), shape.end(), text.begin(), [](char expected, char c) {
               return expected == '9' ? std::isdigit(static_cast<unsigned char>(c)) != 0
                                      : c == expected;
           });
}

using zbtest::Exists;
using TrashTest = zbtest::TrashHomeTest;

TEST_F(TrashTest, MovesAFileWithItsRecord) {
    const std::string name = "a b%\xc3\xbc\xff.txt";
    zbtest::WriteFile(m_dir + "/" + name, "contents");

    const zb::TrashOutcome moved = zb::MoveToTrash(m_dir + "/" + name);
    ASSERT_EQ(moved.result, zb::TrashResult::Moved) << moved.error;
    EXPECT_FALSE(Exists(m_dir + "/" + name));
    EXPECT_EQ(moved.trashedPath, Trash() + "/files/" + name);
    EXPECT_EQ(Contents(moved.trashedPath), "contents");
    EXPECT_EQ(moved.infoPath, Trash() + "/info/" + name + ".trashinfo");
    const std::string record = Contents(moved.infoPath);
    const std::string encodedDir = zb::EncodeTrashPath(m_dir);
    const std::string head =
        "[Trash Info]\nPath=" + encodedDir + "/a%20b%25%C3%BC%FF.txt\nDeletionDate=";
    EXPECT_EQ(record.substr(0, head.size()), head);
    EXPECT_TRUE(IsDeletionDateLine(record.substr(std::min(head.size(), record.size())))) << record;
    EXPECT_EQ(fs::status(Trash()).permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST_F(TrashTest, ANameTakenInTheTrashGetsANumber) {
    for (int i = 0; i < 3; ++i) {
        zbtest::WriteFile(m_dir + "/same.txt", std::to_string(i));
        ASSERT_EQ(zb::MoveToTrash(m_dir + "/same.txt").result, zb::TrashResult::Moved);
    }
    EXPECT_EQ(Contents(Trash() + "/files/same.txt"), "0");
    EXPECT_EQ(Contents(Trash() + "/files/same.txt.2"), "1");
    EXPECT_EQ(Contents(Trash() + "/files/same.txt.3"), "2");
    EXPECT_TRUE(Exists(Trash() + "/info/same.txt.3.trashinfo"));
}

TEST_F(TrashTest, FoldersMoveWholeAndLinksAreNotFollowed) {
    zbtest::WriteFile(m_dir + "/folder/inner/file", "x");
    const std::string target = zbtest::WriteFile(m_dir + "/target", "kept");
    ASSERT_EQ(::symlink(target.c_str(), (m_dir + "/link").c_str()), 0);

    ASSERT_EQ(zb::MoveToTrash(m_dir + "/folder/").result, zb::TrashResult::Moved);
    EXPECT_EQ(Contents(Trash() + "/files/folder/inner/file"), "x");
    ASSERT_EQ(zb::MoveToTrash(m_dir + "/link").result, zb::TrashResult::Moved);
    EXPECT_TRUE(fs::is_symlink(Trash() + "/files/link"));
    EXPECT_EQ(Contents(target), "kept");
}

TEST_F(TrashTest, AFailedMoveLeavesTheItemAndNoRecord) {
    // The item holds the trash itself: it cannot be moved into it.
    const std::string data = m_dir + "/holder/data";
    ASSERT_TRUE(zb::CreateFolders(data, 0700));
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);

    const zb::TrashOutcome failed = zb::MoveToTrash(m_dir + "/holder");
    EXPECT_EQ(failed.result, zb::TrashResult::Failed);
    EXPECT_NE(failed.error, 0);
    EXPECT_TRUE(Exists(m_dir + "/holder/data"));
    EXPECT_TRUE(fs::is_empty(data + "/Trash/info"));

    const zb::TrashOutcome missing = zb::MoveToTrash(m_dir + "/missing");
    EXPECT_EQ(missing.result, zb::TrashResult::Failed);
    EXPECT_EQ(missing.error, ENOENT);

    // A path without a folder or without a name of its own is refused.
    for (const std::string& bad : {std::string("relative.txt"), m_dir + "/..", std::string("/")}) {
        const zb::TrashOutcome refused = zb::MoveToTrash(bad);
        EXPECT_EQ(refused.result, zb::TrashResult::Failed) << bad;
        EXPECT_EQ(refused.error, EINVAL) << bad;
        EXPECT_FALSE(zb::FindTrashPlace(bad).inTrash) << bad;
    }
}

TEST_F(TrashTest, AnItemInTheTrashCannotGoThereAgain) {
    zbtest::WriteFile(m_dir + "/x", "x");
    zbtest::WriteFile(m_dir + "/box/inner", "i");
    ASSERT_EQ(zb::MoveToTrash(m_dir + "/x").result, zb::TrashResult::Moved);
    ASSERT_EQ(zb::MoveToTrash(m_dir + "/box").result, zb::TrashResult::Moved);
    EXPECT_EQ(zb::MoveToTrash(Trash() + "/files/x").result, zb::TrashResult::NoTrash);
    EXPECT_TRUE(Exists(Trash() + "/files/x"));

    // Only an item right in "files" has a record of its own.
    const struct {
        std::string path;
        bool inTrash;
        std::string record;
    } places[] = {
        {Trash() + "/files/x", true, Trash() + "/info/x.trashinfo"},
        {Trash() + "/files/box/inner", true, ""},
        {Trash() + "/info/x.trashinfo", true, ""},
        {m_dir + "/elsewhere", false, ""},
    };
    for (const auto& place : places) {
        const zb::TrashPlace found = zb::FindTrashPlace(place.path);
        EXPECT_EQ(found.inTrash, place.inTrash) << place.path;
        EXPECT_EQ(found.record, place.record) << place.path;
    }
}

TEST_F(TrashTest, AHomeTrashThatIsALinkIsUsedWhereItLeads) {
    const std::string elsewhere = zbtest::MakeTempDir("kept-trash");
    ASSERT_EQ(::symlink(elsewhere.c_str(), Trash().c_str()), 0);
    zbtest::WriteFile(m_dir + "/x.txt", "x");
    const zb::TrashOutcome moved = zb::MoveToTrash(m_dir + "/x.txt");
    ASSERT_EQ(moved.result, zb::TrashResult::Moved) << moved.error;
    EXPECT_EQ(moved.trashedPath, elsewhere + "/files/x.txt");
    EXPECT_TRUE(fs::is_symlink(Trash()));
}

TEST_F(TrashTest, AnotherMountHasItsOwnTrashWithPathsBelowItsTop) {
    const std::string own = "/.Trash-" + std::to_string(::getuid());
    ASSERT_TRUE(zb::CreateFolders(m_dir + "/volume", 0700));
    ASSERT_TRUE(zb::CreateFolders(m_dir + "/bound", 0700));
    const std::string shown = zbtest::MakeTempDir("shown");
    ZB_EXPECT_IN_PRIVATE_MOUNTS([&] {
        if (!zbtest::MountTmpfs(m_dir + "/volume") || !zbtest::BindMount(shown, m_dir + "/bound"))
            return false;
        zbtest::WriteFile(m_dir + "/volume/sub/f.txt", "f");
        zbtest::WriteFile(m_dir + "/bound/g.txt", "g");
        const zb::TrashOutcome onTmpfs = zb::MoveToTrash(m_dir + "/volume/sub/f.txt");
        // A bind mount has the device of the home trash, but a rename cannot
        // leave its mount: it gets a trash of its own too.
        const zb::TrashOutcome onBind = zb::MoveToTrash(m_dir + "/bound/g.txt");
        std::string record;
        zb::ReadWholeFile(m_dir + "/volume" + own + "/info/f.txt.trashinfo", 4096, record);
        using zbtest::Check;
        return Check(onTmpfs.result == zb::TrashResult::Moved &&
                         onTmpfs.trashedPath == m_dir + "/volume" + own + "/files/f.txt",
                     "the volume's trash takes its file") &&
               Check(record.find("\nPath=sub/f.txt\n") != std::string::npos,
                     "the path is below the top: " + record) &&
               Check(onBind.result == zb::TrashResult::Moved &&
                         onBind.trashedPath == m_dir + "/bound" + own + "/files/g.txt",
                     "the bind mount's trash takes its file");
    });
}

TEST(VolumeTrash, TakesTheAdministratorsTrashOnlyWhenItIsSticky) {
    const uid_t uid = ::getuid();
    const std::string own = "/.Trash-" + std::to_string(uid);

    const std::string plain = zbtest::MakeTempDir("volume");
    EXPECT_EQ(zb::VolumeTrashFolder(plain, uid), plain + own);
    for (const char* part : {"", "/files", "/info"}) {
        const std::string folder = plain + own + part;
        EXPECT_TRUE(fs::is_directory(folder)) << folder;
        EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    }

    const std::string sticky = zbtest::MakeTempDir("volume");
    ASSERT_EQ(::mkdir((sticky + "/.Trash").c_str(), 01777), 0);
    ASSERT_EQ(::chmod((sticky + "/.Trash").c_str(), 01777), 0);
    const std::string shared = sticky + "/.Trash/" + std::to_string(uid);
    EXPECT_EQ(zb::VolumeTrashFolder(sticky, uid), shared);
    EXPECT_TRUE(fs::is_directory(shared + "/info"));

    const std::string notSticky = zbtest::MakeTempDir("volume");
    ASSERT_EQ(::mkdir((notSticky + "/.Trash").c_str(), 0777), 0);
    EXPECT_EQ(zb::VolumeTrashFolder(notSticky, uid), notSticky + own);

    // A link in place of the user's trash is never used.
    const std::string linked = zbtest::MakeTempDir("volume");
    const std::string elsewhere = zbtest::MakeTempDir("elsewhere");
    ASSERT_EQ(::symlink(elsewhere.c_str(), (linked + own).c_str()), 0);
    EXPECT_EQ(zb::VolumeTrashFolder(linked, uid), "");
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

TEST(EncodeTrashPath, KeepsOnlyUnreservedBytesAndSlashes) {
    EXPECT_EQ(zb::EncodeTrashPath("/home/u/My File_1.0~x"), "/home/u/My%20File_1.0~x");
    EXPECT_EQ(zb::EncodeTrashPath("/a/%#?\n\xff\xc3\xa9"), "/a/%25%23%3F%0A%FF%C3%A9");
}

}  // namespace
