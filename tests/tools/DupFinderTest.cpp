#include "tools/DupFinder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "app/engine/ResultList.h"
#include "archives/CompressedTestData.h"
#include "archives/ZipBuilder.h"
#include "tools/DupResults.h"
#include "tools/ToolTestSupport.h"

namespace {

// Names of the files of each group, relative to the root, in order.
using GroupNames = std::vector<std::vector<std::string>>;

std::string Bytes(std::size_t size, unsigned seed) {
    std::string data(size, '\0');
    unsigned value = seed * 2654435761u + 1;
    for (char& c : data) {
        value = value * 1103515245u + 12345u;
        c = static_cast<char>(value >> 24);
    }
    return data;
}

class DupFinderTest : public ::testing::Test {
protected:
    void SetUp() override { m_root = zbtest::MakeTempDir("dup"); }

    std::string File(const std::string& name, const std::string& bytes) {
        return zbtest::WriteFile(m_root + "/" + name, bytes);
    }

    CFindDupOptions Options(int rules, std::uint32_t minSize = 0) {
        CFindDupOptions options;
        options.m_nRules = rules;
        options.m_nMinSize = minSize;
        options.m_arrFolders = {m_root};
        return options;
    }

    GroupNames Groups(const CDupFinder& finder) {
        GroupNames groups;
        for (const CDupSlot& slot : finder.GetSlots()) {
            for (const CDupGroup& group : slot) {
                std::vector<std::string> names;
                for (std::size_t index : group) {
                    const CDupFileEntry& entry = finder.GetEntries()[index];
                    std::string name =
                        entry.archivePath.empty()
                            ? entry.path.substr(m_root.size() + 1)
                            : entry.archivePath.substr(m_root.size() + 1) + "\\" + entry.path;
                    names.push_back(name);
                }
                groups.push_back(names);
            }
        }
        return groups;
    }

    GroupNames Find(CFindDupOptions options, unsigned threads = 2) {
        CDupFinder finder(std::move(options), m_stop);
        finder.SetReadThreads(threads);
        EXPECT_TRUE(finder.Run());
        return Groups(finder);
    }

    std::string m_root;
    std::atomic<bool> m_stop{false};
};

TEST_F(DupFinderTest, ContentDecidesByEveryByteNotByAFold) {
    // Two 32-byte blocks swapped: every XOR fold of the file is the same.
    const std::string a = Bytes(32, 1);
    const std::string b = Bytes(32, 2);
    File("ab.bin", a + b + Bytes(4000, 3));
    File("ba.bin", b + a + Bytes(4000, 3));
    // Equal up to the last byte, past the first block.
    std::string big = Bytes(100000, 4);
    File("big1.bin", big);
    big.back() ^= 1;
    File("big2.bin", big);
    File("big3.bin", Bytes(100000, 4));
    File("sub/same.bin", Bytes(5000, 5));
    File("same.bin", Bytes(5000, 5));
    EXPECT_EQ(Find(Options(12)),
              (GroupNames{{"same.bin", "sub/same.bin"}, {"big1.bin", "big3.bin"}}));
    // Name and content: the copy with another name is not listed.
    File("other.bin", Bytes(5000, 5));
    EXPECT_EQ(Find(Options(13)), (GroupNames{{"same.bin", "sub/same.bin"}}));
}

TEST_F(DupFinderTest, HardLinksAndSymlinksAreNeverGrouped) {
    const std::string data = Bytes(70000, 6);
    const std::string original = File("original.dat", data);
    ASSERT_EQ(link(original.c_str(), (m_root + "/hardlink.dat").c_str()), 0);
    ASSERT_EQ(symlink(original.c_str(), (m_root + "/symlink.dat").c_str()), 0);
    std::filesystem::create_directories(m_root + "/dir");
    ASSERT_EQ(symlink("..", (m_root + "/dir/loop").c_str()), 0);
    ASSERT_EQ(symlink(original.c_str(), (m_root + "/dir/original.dat").c_str()), 0);
    for (int rules : kDupRules)
        EXPECT_TRUE(Find(Options(rules)).empty()) << rules;
    // A true copy groups with one of the names.
    File("copy.dat", data);
    EXPECT_EQ(Find(Options(12)).size(), 1u);
    EXPECT_EQ(Find(Options(12))[0].size(), 2u);
}

TEST_F(DupFinderTest, OverlappingFoldersCountAFileOnce) {
    File("a/x.txt", "same");
    File("b/x.txt", "same");
    CFindDupOptions options = Options(1);
    options.m_arrFolders = {m_root, m_root + "/a"};
    EXPECT_EQ(Find(options), (GroupNames{{"a/x.txt", "b/x.txt"}}));
}

TEST_F(DupFinderTest, FifosSocketsAndUnreadableFilesAreSkippedWithoutAHang) {
    ASSERT_EQ(mkfifo((m_root + "/pipe.bin").c_str(), 0644), 0);
    std::filesystem::create_directories(m_root + "/sub");
    ASSERT_EQ(mkfifo((m_root + "/sub/pipe.bin").c_str(), 0644), 0);
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = m_root + "/sock.bin";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    File("a.bin", "one");
    File("sub/a.bin", "one");
    // By name the special files would pair up; they are no candidates.
    EXPECT_EQ(Find(Options(1)), (GroupNames{{"a.bin", "sub/a.bin"}}));
    EXPECT_EQ(Find(Options(12)), (GroupNames{{"a.bin", "sub/a.bin"}}));
    close(sock);
}

TEST_F(DupFinderTest, AnotherUsersUnreadableFileNeverMatchesByContent) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to run the search as another user";
    File("mine.bin", "same bytes");
    const std::string secret = File("secret.bin", "same bytes");
    chmod(secret.c_str(), 0600);
    const CFindDupOptions options = Options(12);
    EXPECT_TRUE(zbtest::RunAsNobody(m_root, [&] {
        std::atomic<bool> stop{false};
        CDupFinder finder(options, stop);
        return finder.Run() && finder.GetSlots().empty() && finder.GetEntries().size() == 2;
    }));
}

TEST_F(DupFinderTest, RulesNameTimeAndTheMinimumSize) {
    File("a/report.txt", "1234");
    File("b/REPORT.TXT", "5678");
    File("c/report.txt", "1234");
    timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    utimensat(AT_FDCWD, (m_root + "/a/report.txt").c_str(), times, 0);
    utimensat(AT_FDCWD, (m_root + "/b/REPORT.TXT").c_str(), times, 0);
    times[1].tv_sec = 1100000000;
    utimensat(AT_FDCWD, (m_root + "/c/report.txt").c_str(), times, 0);
    // Name only ignores the minimum size on disk.
    EXPECT_EQ(Find(Options(1, 65536)),
              (GroupNames{{"a/report.txt", "b/REPORT.TXT", "c/report.txt"}}));
    EXPECT_EQ(Find(Options(7)), (GroupNames{{"a/report.txt", "b/REPORT.TXT"}}));
    EXPECT_TRUE(Find(Options(7, 5)).empty());
    EXPECT_EQ(Find(Options(13)), (GroupNames{{"a/report.txt", "c/report.txt"}}));
    // Only the chosen names are candidates.
    CFindDupOptions options = Options(1);
    // Every pattern is a wildcard pattern: "report" alone names no file here.
    ParseDupNamePatterns("*.doc report", &options.m_arrPatterns);
    EXPECT_TRUE(Find(options).empty());
    ParseDupNamePatterns("*.doc report.*", &options.m_arrPatterns);
    EXPECT_EQ(Find(options).size(), 1u);
    ParseDupNamePatterns("*.doc", &options.m_arrPatterns);
    EXPECT_TRUE(Find(options).empty());
}

TEST_F(DupFinderTest, TheTrashIsNeverACandidate) {
    const std::string data = Bytes(100, 7);
    File("keep.bin", data);
    const std::string trash = zbtest::TempRoot() + "/data/Trash/files";
    zbtest::WriteFile(trash + "/deleted.bin", data);
    CFindDupOptions options = Options(12);
    options.m_arrFolders = {m_root, zbtest::TempRoot() + "/data"};
    EXPECT_TRUE(Find(options).empty());
    std::filesystem::remove_all(zbtest::TempRoot() + "/data/Trash");
}

TEST_F(DupFinderTest, LinkAndDeviceMembersAreNoCandidates) {
    // A link member records no data: it is no empty file.
    File("pack.tar", zbtest::TarMember("empty.txt", "") + zbtest::TarMember("link", "", '2') +
                         zbtest::TarMember("hard", "", '1') + zbtest::TarMember("fifo", "", '6') +
                         zbtest::TarEnd());
    File("also-empty.txt", "");
    EXPECT_EQ(Find(Options(12)), (GroupNames{{"also-empty.txt", "pack.tar\\empty.txt"}}));
}

TEST_F(DupFinderTest, ArchiveMembersJoinGroupsAndAlwaysHonourTheMinimumSize) {
    const std::string text = Bytes(3000, 8);
    File("plain.txt", text);
    File("pack.zip", zbtest::BuildZip(
                         {{"docs/plain.txt", text}, {"docs/copy.txt", text, 0}, {"tiny.txt", "ab"}})
                         .bytes);
    File("tiny.txt", "ab");
    EXPECT_EQ(Find(Options(12)),
              (GroupNames{{"pack.zip\\tiny.txt", "tiny.txt"},
                          {"pack.zip\\docs\\copy.txt", "pack.zip\\docs\\plain.txt", "plain.txt"}}));
    // The minimum size holds for members under the name rule too.
    EXPECT_TRUE(Find(Options(1, 10)).size() == 1u);
    CFindDupOptions flat = Options(12);
    flat.m_bSearchCompressed = FALSE;
    EXPECT_TRUE(Find(flat).empty());
}

TEST_F(DupFinderTest, GroupsComeOutTheSameWhateverTheThreads) {
    for (unsigned i = 0; i < 40; ++i) {
        const std::string name = std::to_string(i) + ".bin";
        File("f" + name, Bytes(5000 + (i % 4), i % 8));
        File("g/f" + name, Bytes(5000 + (i % 4), i % 8));
    }
    const GroupNames one = Find(Options(12), 1);
    EXPECT_EQ(one.size(), 8u);
    EXPECT_EQ(Find(Options(12), 4), one);
}

TEST_F(DupFinderTest, StopLeavesAConsistentResult) {
    for (int i = 0; i < 20; ++i)
        File(std::to_string(i) + "/x.bin", "same");
    m_stop = true;
    CDupFinder finder(Options(12), m_stop);
    EXPECT_FALSE(finder.Run());
    for (const CDupSlot& slot : finder.GetSlots()) {
        for (const CDupGroup& group : slot)
            EXPECT_GE(group.size(), 2u);
    }
}

class RecordingView : public IResultListView {
public:
    void DeleteAllRows(const std::shared_ptr<CResultArray>&) override {}
    void InsertRows(const std::shared_ptr<CResultArray>& results, std::size_t first,
                    std::size_t count) override {
        for (std::size_t i = first; i < first + count; ++i) {
            const CResultItem& record = results->GetAt(i);
            rows.push_back(record.m_sName + "#" + std::to_string(record.m_arrValues[0].number));
        }
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> rows;
    std::vector<std::string> messages;
};

TEST_F(DupFinderTest, TheLimitNeverCutsAGroup) {
    File("a1.txt", "aa");
    File("a2.txt", "aa");
    File("b1.txt", "bbb");
    File("b2.txt", "bbb");
    File("b3.txt", "bbb");
    CDupFinder finder(Options(12), m_stop);
    ASSERT_TRUE(finder.Run());
    RecordingView view;
    CResultList list(&view);
    list.SetLimit(4);
    DupAddSettings settings;
    std::vector<std::size_t> progress;
    settings.progress = [&](std::size_t position) { progress.push_back(position); };
    EXPECT_EQ(AddDuplicateResults(finder, list, settings), 2u);
    EXPECT_EQ(view.rows, (std::vector<std::string>{"a1.txt#1", "a2.txt#1"}));
    EXPECT_EQ(view.messages, (std::vector<std::string>{"Search result exceed 4"}));

    RecordingView all;
    CResultList unlimited(&all);
    unlimited.SetLimit(0);
    EXPECT_EQ(AddDuplicateResults(finder, unlimited, settings), 5u);
    EXPECT_EQ(all.rows.back(), "b3.txt#2");
    EXPECT_TRUE(all.messages.empty());
}

}  // namespace
