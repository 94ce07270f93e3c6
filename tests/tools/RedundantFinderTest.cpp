#include "tools/RedundantFinder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <future>

#include "engine/RecordingSearchHost.h"
#include "support/LnkWriter.h"
#include "support/MountNamespace.h"
#include "tools/RedundantSearch.h"
#include "tools/ToolTestSupport.h"

namespace {

class RecordingSink : public IRedundantSink {
public:
    bool AddItem(const std::string& path) override {
        items.push_back(path);
        return limit == 0 || items.size() < limit;
    }
    void ShowFolder(const std::string& path) override { folders.push_back(path); }
    std::vector<std::string> items;
    std::vector<std::string> folders;
    std::size_t limit = 0;
};

// A shortcut whose link information names `target` as its local path.
std::string Shortcut(const std::string& target) {
    zbtest::LnkSpec spec;
    spec.linkInfo = true;
    spec.localBasePath = target;
    const zbtest::Bytes bytes = zbtest::WriteShellLink(spec);
    return std::string(bytes.begin(), bytes.end());
}

class RedundantFinderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = zbtest::MakeTempDir("redundant");
        m_roots.tempFolder = m_root + "/tmp";
        m_roots.trashFolders = {m_root + "/trash"};
        m_roots.computer = {m_root + "/disk"};
        m_roots.mountPoints = {m_root + "/disk"};
        for (const char* folder : {"/tmp", "/trash/files", "/trash/info", "/disk"})
            std::filesystem::create_directories(m_root + folder);
    }
    std::string File(const std::string& name, const std::string& bytes = "x") {
        return zbtest::WriteFile(m_root + "/" + name, bytes);
    }
    std::vector<std::string> Run(const CRedundantOptions& options) {
        RecordingSink sink;
        CRedundantFinder finder(options, m_roots, m_stop, sink);
        finder.Run();
        m_result = finder.GetResult();
        m_walked = finder.WalkedComputer();
        std::vector<std::string> relative;
        for (const std::string& item : sink.items)
            relative.push_back(item.substr(m_root.size() + 1));
        return relative;
    }
    static CRedundantOptions Only(BOOL CRedundantOptions::*option) {
        CRedundantOptions none;
        none.m_bInternetCache = none.m_bLostClusters = none.m_bBrokenShortcuts = FALSE;
        none.m_bTempFiles = none.m_bTempFolder = none.m_bRecycleBin = FALSE;
        none.*option = TRUE;
        return none;
    }

    std::string m_root;
    RedundantRoots m_roots;
    std::atomic<bool> m_stop{false};
    int m_result = 0;
    bool m_walked = false;
};

TEST_F(RedundantFinderTest, RecycleBinAloneListsTrashedItemsAndWalksNothingElse) {
    File("trash/files/old.txt");
    File("trash/files/folder/inner.txt");
    File("trash/info/old.txt.trashinfo");
    File("disk/x.tmp");
    EXPECT_EQ(Run(Only(&CRedundantOptions::m_bRecycleBin)),
              (std::vector<std::string>{"trash/files/folder", "trash/files/old.txt"}));
    EXPECT_FALSE(m_walked);
}

TEST_F(RedundantFinderTest, TemporaryFolderListsOnlyTheUsersRegularFilesAndOnce) {
    File("tmp/a.tmp");
    File("tmp/sub/b.dat");
    ASSERT_EQ(mkfifo((m_root + "/tmp/fifo").c_str(), 0600), 0);
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = m_root + "/tmp/s";
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    if (geteuid() == 0) {
        const std::string foreign = File("tmp/foreign.tmp");
        ASSERT_EQ(chown(foreign.c_str(), 65534, 65534), 0);
    }
    // The temporary folder inside the walked disk is not listed again.
    m_roots.computer = {m_root};
    CRedundantOptions options = Only(&CRedundantOptions::m_bTempFolder);
    options.m_bTempFiles = TRUE;
    EXPECT_EQ(Run(options), (std::vector<std::string>{"tmp/a.tmp", "tmp/sub/b.dat"}));
    EXPECT_TRUE(m_walked);
    close(sock);
}

TEST_F(RedundantFinderTest, TheTemporaryFolderPassesOverFilesInUseAndXServerLocks) {
    File("tmp/plain.dat");
    File("tmp/.X0-lock");
    File("tmp/.X1024-lock");
    const std::string open = File("tmp/sub/open.dat");
    const int held = ::open(open.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    m_roots.procFolder = "/proc";
    EXPECT_EQ(Run(Only(&CRedundantOptions::m_bTempFolder)),
              (std::vector<std::string>{"tmp/plain.dat"}));
    close(held);
    EXPECT_EQ(Run(Only(&CRedundantOptions::m_bTempFolder)),
              (std::vector<std::string>{"tmp/plain.dat", "tmp/sub/open.dat"}));
}

TEST_F(RedundantFinderTest, TheTemporaryFolderStaysOnItsMount) {
    const std::string elsewhere = zbtest::MakeTempDir("mounted");
    zbtest::WriteFile(elsewhere + "/work.dat", "x");
    File("tmp/own.dat");
    std::filesystem::create_directories(m_root + "/tmp/mnt");
    ZB_EXPECT_IN_PRIVATE_MOUNTS([&] {
        if (!zbtest::BindMount(elsewhere, m_root + "/tmp/mnt"))
            return false;
        const std::vector<std::string> found = Run(Only(&CRedundantOptions::m_bTempFolder));
        for (const std::string& item : found)
            std::fprintf(stderr, "found %s\n", item.c_str());
        return found == std::vector<std::string>{"tmp/own.dat"};
    });
}

TEST_F(RedundantFinderTest, TheTrashIsNotWalkedAgainByThePatterns) {
    File("trash/files/old.tmp");
    File("trash/info/old.tmp.trashinfo");
    m_roots.computer = {m_root};
    CRedundantOptions options = Only(&CRedundantOptions::m_bRecycleBin);
    options.m_bTempFiles = TRUE;
    EXPECT_EQ(Run(options), (std::vector<std::string>{"trash/files/old.tmp"}));
}

TEST_F(RedundantFinderTest, AnUnreachableTemporaryFolderSkipsTheLaterSteps) {
    m_roots.tempFolder = m_root + "/missing";
    File("trash/files/old.txt");
    File("disk/x.tmp");
    EXPECT_TRUE(Run(CRedundantOptions()).empty());
    EXPECT_EQ(m_result, -1);
    EXPECT_FALSE(m_walked);
}

TEST_F(RedundantFinderTest, BrokenShortcutsAreDanglingLinksAndLaunchersWithoutTheirTarget) {
    const std::string target = File("disk/target.txt");
    symlink(target.c_str(), (m_root + "/disk/good-link").c_str());
    symlink((m_root + "/disk/gone").c_str(), (m_root + "/disk/dangling").c_str());
    symlink("loop", (m_root + "/disk/loop").c_str());
    File("disk/missing.lnk", Shortcut(m_root + "/disk/gone.txt"));
    File("disk/present.lnk", Shortcut(target));
    File("disk/windows.lnk", Shortcut("C:\\nowhere\\x.txt"));
    File("disk/garbage.lnk", "not a shortcut");
    File("disk/app.desktop", "[Desktop Entry]\nType=Application\nExec=/nonexistent/bin/app %U\n");
    File("disk/sh.desktop", "[Desktop Entry]\nType=Application\nExec=\"sh\" -c true\n");
    File("disk/url.desktop", "[Desktop Entry]\nType=Link\nURL=https://example.org\n");
    EXPECT_EQ(Run(Only(&CRedundantOptions::m_bBrokenShortcuts)),
              (std::vector<std::string>{"disk/app.desktop", "disk/dangling", "disk/loop",
                                        "disk/missing.lnk"}));
}

TEST_F(RedundantFinderTest, PatternsMatchFilesOnly) {
    File("disk/a.TMP");
    std::filesystem::create_directories(m_root + "/disk/cache.tmp");
    File("disk/cache.tmp/inside.txt");
    File("disk/FILE0001.CHK");
    File("disk/lost+found/#12345");
    std::filesystem::create_directories(m_root + "/disk/lost+found/#2");
    EXPECT_EQ(Run(Only(&CRedundantOptions::m_bTempFiles)),
              (std::vector<std::string>{"disk/a.TMP"}));
    EXPECT_EQ(Run(Only(&CRedundantOptions::m_bLostClusters)),
              (std::vector<std::string>{"disk/FILE0001.CHK", "disk/lost+found/#12345"}));
}

TEST_F(RedundantFinderTest, LostAndFoundCountsOnlyAtTheRootOfAFileSystem) {
    File("disk/lost+found/#12345");
    File("disk/projects/lost+found/essay.txt");
    EXPECT_EQ(Run(Only(&CRedundantOptions::m_bLostClusters)),
              (std::vector<std::string>{"disk/lost+found/#12345"}));
}

TEST_F(RedundantFinderTest, SystemFoldersAreNeverListed) {
    File("disk/usr/lib/nss/libsoftokn3.chk");
    File("disk/etc/old.tmp");
    File("disk/home/FILE0000.CHK");
    symlink("/nonexistent", (m_root + "/disk/usr/dangling").c_str());
    m_roots.systemFolders = {m_root + "/disk/usr", m_root + "/disk/etc"};
    EXPECT_EQ(Run(CRedundantOptions()), (std::vector<std::string>{"disk/home/FILE0000.CHK"}));
    // The folders of the installed system, wherever the finder runs.
    const std::vector<std::string> system = RedundantRoots::FromEnvironment().systemFolders;
    for (const char* folder : {"/usr", "/etc", "/boot", "/opt", "/var/lib", "/snap"})
        EXPECT_NE(std::find(system.begin(), system.end(), folder), system.end()) << folder;
}

TEST_F(RedundantFinderTest, TheLimitEndsTheSearch) {
    File("tmp/1");
    File("tmp/2");
    File("trash/files/3");
    RecordingSink sink;
    sink.limit = 1;
    CRedundantFinder finder(CRedundantOptions(), m_roots, m_stop, sink);
    finder.Run();
    EXPECT_EQ(sink.items.size(), 1u);
    EXPECT_EQ(finder.GetResult(), -1);
    EXPECT_FALSE(finder.WalkedComputer());
}

TEST_F(RedundantFinderTest, RunsOnTheSearchThreadAndFillsTheListThroughTheEngine) {
    File("tmp/left.over");
    File("trash/files/gone.txt");
    File("disk/a.tmp");
    zbtest::RecordingHost host;
    CSearchEngine engine(&host, &host);
    engine.GetResultList().SetLimit(0);
    ASSERT_TRUE(StartRedundantSearch(engine, CRedundantOptions(), m_roots));
    engine.WaitForSearch();
    EXPECT_EQ(host.GetRows(),
              (std::vector<std::string>{m_root + "/tmp/left.over", m_root + "/trash/files/gone.txt",
                                        m_root + "/disk/a.tmp"}));
    EXPECT_EQ(host.begins.load(), 1);
    EXPECT_EQ(host.ends.load(), 1);
    EXPECT_EQ(host.endedCount.load(), 1);
    EXPECT_EQ(host.buttonStates, (std::vector<bool>{false, true}));
    EXPECT_EQ(host.status, "3 Objects  1KB");

    // Stop before the thread runs: nothing is listed, and the search ends as usual.
    engine.StopSearch();
    ASSERT_TRUE(StartRedundantSearch(engine, CRedundantOptions(), m_roots));
    engine.StopSearch();
    engine.WaitForSearch();
    EXPECT_LE(host.GetRows().size(), 3u);
    EXPECT_FALSE(engine.IsSearching());

    // One search at a time: no start while another runs.
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    ASSERT_TRUE(engine.StartToolSearch([released](CSearchEngine&) { released.wait(); }));
    EXPECT_FALSE(StartRedundantSearch(engine, CRedundantOptions(), m_roots));
    release.set_value();
    engine.WaitForSearch();
}

}  // namespace
