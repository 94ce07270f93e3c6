#include "platform/PosixFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TempHome.h"

namespace {

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Contents(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(zb::ReadWholeFile(path, 1 << 20, bytes)) << path;
    return bytes;
}

TEST(PathParts, FolderOfSplitItemPathAndJoinPathAgree) {
    // The path, FolderOf's answer, and the parts SplitItemPath gives (none
    // when it refuses the path), which JoinPath puts together again without
    // the trailing slashes.
    const struct {
        std::string path;
        std::string folderOf;
        std::string folder;
        std::string name;
        std::string joined;
    } cases[] = {
        {"/a/b", "/a", "/a", "b", "/a/b"},
        {"/b", "/", "/", "b", "/b"},
        {"/a/b//", "/a/b/", "/a", "b", "/a/b"},
        {"b", ".", "", "", ""},
        {"/a/..", "/a", "", "", ""},
        {"/", "/", "", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(zb::FolderOf(c.path), c.folderOf) << c.path;
        std::string folder;
        std::string name;
        if (zb::SplitItemPath(c.path, &folder, &name)) {
            EXPECT_EQ(folder, c.folder) << c.path;
            EXPECT_EQ(name, c.name) << c.path;
            EXPECT_EQ(zb::JoinPath(folder, name), c.joined) << c.path;
        } else {
            EXPECT_TRUE(c.joined.empty()) << c.path << " is refused";
        }
    }
}

TEST(WriteFileAtomically, ReplacesTheFileWithItsModeAndLeavesNoTemporaryFile) {
    const std::string dir = zbtest::MakeTempDir("atomic");
    const std::string path = zbtest::WriteFile(dir + "/file", "old contents");
    zb::UniqueFd written;
    ASSERT_TRUE(zb::WriteFileAtomically(path, std::string_view("new"), 0640, &written));
    EXPECT_EQ(Contents(path), "new");
    EXPECT_EQ(Names(dir), std::vector<std::string>{"file"});
    struct stat onDisk {};
    struct stat held {};
    ASSERT_EQ(::stat(path.c_str(), &onDisk), 0);
    ASSERT_EQ(::fstat(written.Get(), &held), 0);
    EXPECT_EQ(onDisk.st_mode & 07777, 0640u);
    EXPECT_EQ(held.st_ino, onDisk.st_ino);  // the descriptor handed back is the new file
}

TEST(WriteFileAtomically, AFailedWriteKeepsTheOldFile) {
    const std::string dir = zbtest::MakeTempDir("atomic");
    const std::string path = zbtest::WriteFile(dir + "/file", "old contents");
    // A folder in the way of the rename: the new file cannot take its place.
    const std::string blocked = dir + "/blocked";
    ASSERT_EQ(::mkdir(blocked.c_str(), 0700), 0);
    zbtest::WriteFile(blocked + "/inside", "x");
    EXPECT_FALSE(zb::WriteFileAtomically(blocked, std::string_view("new"), 0600));
    EXPECT_NE(errno, 0);
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"blocked", "file"}));
    EXPECT_FALSE(zb::WriteFileAtomically(dir + "/missing/file", std::string_view("x"), 0600));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(Contents(path), "old contents");
}

TEST(ReadAll, HoldsItsBoundExactly) {
    const std::string dir = zbtest::MakeTempDir("read");
    const std::string path = zbtest::WriteFile(dir + "/ten", "0123456789");
    std::string bytes = "stale";
    EXPECT_TRUE(zb::ReadWholeFile(path, 10, bytes));
    EXPECT_EQ(bytes, "0123456789");

    const zb::UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(file.IsOpen());
    EXPECT_FALSE(zb::ReadAll(file.Get(), 9, bytes));
    EXPECT_EQ(errno, EFBIG);
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(zb::ReadWholeFile(path, 9, bytes));
    EXPECT_EQ(errno, EFBIG);
}

TEST(ReadWholeFile, RefusesWhatIsNoRegularFileWithoutWaiting) {
    const std::string dir = zbtest::MakeTempDir("read");
    const std::string fifo = dir + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string bytes;
    EXPECT_FALSE(zb::ReadWholeFile(fifo, 100, bytes));
    EXPECT_FALSE(zb::ReadWholeFile(dir, 100, bytes));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_FALSE(zb::ReadWholeFile(dir + "/missing", 100, bytes));
    EXPECT_EQ(errno, ENOENT);
}

TEST(CreateFolders, GivesNewFoldersTheirMode) {
    const std::string base = zbtest::MakeTempDir("folders");
    std::vector<std::string> created;
    ASSERT_TRUE(zb::CreateFolders(base + "/a/b", 0700, &created));
    EXPECT_EQ(created, (std::vector<std::string>{base + "/a/", base + "/a/b"}));
    struct stat st {};
    ASSERT_EQ(::stat((base + "/a/b").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(zb::CreateFolders(base + "/a/b", 0700));
}

TEST(UniqueFd, ClosesWhatItOwnsOnceAndHandsItOnWhenMoved) {
    int raw = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(raw, 0);
    {
        zb::UniqueFd first(raw);
        zb::UniqueFd second(std::move(first));
        EXPECT_FALSE(first.IsOpen());
        EXPECT_EQ(second.Get(), raw);
        EXPECT_NE(::fcntl(raw, F_GETFD), -1);
    }
    EXPECT_EQ(::fcntl(raw, F_GETFD), -1);
    EXPECT_EQ(errno, EBADF);
}

TEST(ListFolderNames, GivesEveryNameButTheDotsByPathAndByDescriptor) {
    const std::string base = zbtest::MakeTempDir("listing");
    zbtest::WriteFile(base + "/file.txt", "x");
    zbtest::WriteFile(base + "/.hidden", "x");
    ASSERT_EQ(::mkdir((base + "/folder").c_str(), 0700), 0);
    ASSERT_EQ(::symlink("folder", (base + "/link").c_str()), 0);
    const std::vector<std::string> expected{".hidden", "file.txt", "folder", "link"};

    std::vector<std::string> byPath;
    ASSERT_TRUE(zb::ListFolderNames(base, &byPath));
    std::sort(byPath.begin(), byPath.end());
    EXPECT_EQ(byPath, expected);

    // The descriptor stays open and usable; the listing's own one is gone.
    const zb::UniqueFd fd(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    ASSERT_TRUE(fd.IsOpen());
    const std::size_t openBefore = Names("/proc/self/fd").size();
    std::vector<std::string> byFd;
    ASSERT_TRUE(zb::ListFolderNames(fd.Get(), &byFd));
    std::sort(byFd.begin(), byFd.end());
    EXPECT_EQ(byFd, expected);
    EXPECT_EQ(Names("/proc/self/fd").size(), openBefore);
    struct stat st {};
    EXPECT_EQ(::fstatat(fd.Get(), "folder", &st, 0), 0);
}

TEST(ListFolderNames, FailsWithErrnoOnWhatIsNoReadableFolder) {
    const std::string base = zbtest::MakeTempDir("unlisted");
    const std::string file = zbtest::WriteFile(base + "/file", "x");
    struct Case {
        std::string path;
        int error;
    };
    for (const Case& c : {Case{base + "/missing", ENOENT}, Case{file, ENOTDIR}}) {
        std::vector<std::string> names;
        errno = 0;
        EXPECT_FALSE(zb::ListFolderNames(c.path, &names)) << c.path;
        EXPECT_EQ(errno, c.error) << c.path;
        EXPECT_TRUE(names.empty());
        std::vector<zb::FolderEntry> entries;
        EXPECT_FALSE(zb::ListFolderEntries(c.path, &entries)) << c.path;
    }
    std::vector<std::string> names;
    EXPECT_FALSE(zb::ListFolderNames(-1, &names));
    EXPECT_EQ(errno, EBADF);
}

TEST(ListFolderEntries, GivesEachNameWithTheTypeTheFolderTells) {
    const std::string base = zbtest::MakeTempDir("typed");
    zbtest::WriteFile(base + "/file", "x");
    ASSERT_EQ(::mkdir((base + "/folder").c_str(), 0700), 0);
    ASSERT_EQ(::symlink("folder", (base + "/link").c_str()), 0);
    std::vector<zb::FolderEntry> entries;
    ASSERT_TRUE(zb::ListFolderEntries(base, &entries));
    std::sort(entries.begin(), entries.end(),
              [](const zb::FolderEntry& a, const zb::FolderEntry& b) { return a.name < b.name; });
    ASSERT_EQ(entries.size(), 3u);
    const unsigned char expected[] = {DT_REG, DT_DIR, DT_LNK};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        // A file system that does not tell types says DT_UNKNOWN.
        if (entries[i].type != DT_UNKNOWN) {
            EXPECT_EQ(entries[i].type, expected[i]) << entries[i].name;
        }
    }
    EXPECT_EQ(entries[0].name, "file");
    EXPECT_EQ(entries[2].name, "link");
}

TEST(ForEachFolderName, StopsWhereTheCallerSaysAndFailsAsTheListingsDo) {
    const std::string base = zbtest::MakeTempDir("each");
    for (const char* name : {"a", "b", "c", "d"})
        zbtest::WriteFile(base + "/" + name, "x");
    std::vector<std::string> all;
    ASSERT_TRUE(zb::ListFolderNames(base, &all));
    // The same names in the same order, up to and with the one that stopped it.
    std::vector<std::string> seen;
    ASSERT_TRUE(zb::ForEachFolderName(base, [&seen](std::string_view name) {
        seen.emplace_back(name);
        return seen.size() < 2;
    }));
    EXPECT_EQ(seen, std::vector<std::string>(all.begin(), all.begin() + 2));
    seen.clear();
    ASSERT_TRUE(zb::ForEachFolderName(base, [&seen](std::string_view name) {
        seen.emplace_back(name);
        return true;
    }));
    EXPECT_EQ(seen, all);
    errno = 0;
    EXPECT_FALSE(zb::ForEachFolderName(base + "/missing", [](std::string_view) { return true; }));
    EXPECT_EQ(errno, ENOENT);
}

}  // namespace
