#include "app/engine/SearchEngine.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <latch>
#include <mutex>

#include "archives/AceBuilder.h"
#include "archives/ArjBuilder.h"
#include "archives/CabBuilder.h"
#include "archives/CompressedTestData.h"
#include "archives/MemoryArchive.h"
#include "archives/Rar20TestEncoder.h"
#include "archives/RarBuilder.h"
#include "archives/ZipBuilder.h"
#include "engine/RecordingSearchHost.h"
#include "platform/Log.h"
#include "platform/shell/ShellApi.h"
#include "readers/archives/ArchiveHandlerFactory.h"
#include "support/DeepTree.h"
#include "support/TempHome.h"

namespace {

using zbtest::RecordingHost;

class SearchEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = zbtest::MakeTempDir("walk");
        SetLogSink([this](COLORREF, const std::string& line) {
            std::lock_guard guard(m_logLock);
            m_log.push_back(line);
        });
    }
    void TearDown() override { SetLogSink({}); }

    std::string File(const std::string& relative, const std::string& contents = "") {
        return zbtest::WriteFile(m_root + "/" + relative, contents);
    }

    CSearchData Criteria(const std::string& names) {
        CSearchData data;
        data.Reset();
        data.m_MainData.m_sFindString = names;
        data.m_MainData.m_sFindRootPath = m_root;
        return data;
    }

    // Runs a search on this thread and returns the rows relative to the root.
    std::vector<std::string> Run(const CSearchData& data, CSearchEngine* engine = nullptr) {
        CSearchRequest request;
        const SearchRequestResult prepared = PrepareSearchRequest(data, &request);
        EXPECT_TRUE(prepared.Ok()) << prepared.message;
        CSearchEngine local(&m_host, &m_host);
        CSearchEngine& e = engine ? *engine : local;
        e.RunSearch(std::move(request));
        return Relative(m_host.rows);
    }

    std::vector<std::string> Relative(const std::vector<std::string>& rows) {
        std::vector<std::string> out;
        for (const std::string& row : rows)
            out.push_back(row.rfind(m_root, 0) == 0 ? row.substr(m_root.size() + 1) : row);
        return out;
    }

    std::string m_root;
    RecordingHost m_host;
    std::mutex m_logLock;
    std::vector<std::string> m_log;
};

using Rows = std::vector<std::string>;

// Runs `body` in a child process as an unprivileged user (permissions do not
// hold for root); true when it returned true. The folders from the temporary
// root down to `root` are opened to everyone first.
bool RunAsOtherUser(const std::string& root, const std::function<bool()>& body) {
    std::filesystem::permissions(zbtest::TempRoot(), std::filesystem::perms::all);
    for (std::filesystem::path p = root; p != zbtest::TempRoot() && p.has_parent_path();
         p = p.parent_path())
        std::filesystem::permissions(p, std::filesystem::perms::all);
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// prefix + number (spelt out to keep GCC 12's -Wrestrict false positive away).
std::string Numbered(const char* prefix, int n) {
    std::string text = prefix;
    text += std::to_string(n);
    return text;
}

TEST_F(SearchEngineTest, WalksDepthFirstInNameOrder) {
    File("b.txt");
    File("A/z.txt");
    File("A/a.txt");
    File("c/x.log");
    File("a.TXT");
    EXPECT_EQ(Run(Criteria("*.txt")), (Rows{"A/a.txt", "A/z.txt", "a.TXT", "b.txt"}));
    EXPECT_EQ(m_host.status, "4 Objects  0KB");
    EXPECT_EQ(m_host.begins, 1);
    EXPECT_EQ(m_host.ends, 1);
}

TEST_F(SearchEngineTest, FoldersMatchUnlessOnlyFiles) {
    File("report/inner.doc");
    File("report.txt");
    EXPECT_EQ(Run(Criteria("report")), (Rows{"report", "report.txt"}));
    CSearchData data = Criteria("report");
    data.m_GeneralOptionData.m_bOnlyFiles = TRUE;
    m_host.rows.clear();
    EXPECT_EQ(Run(data), (Rows{"report.txt"}));
}

TEST_F(SearchEngineTest, DepthLimitAndSubFoldersOff) {
    File("top.txt");
    File("one/mid.txt");
    File("one/two/deep.txt");
    CSearchData data = Criteria("*.txt");
    data.m_GeneralOptionData.m_bLimitDepth = TRUE;
    data.m_GeneralOptionData.m_nSearchDepth = 1;
    EXPECT_EQ(Run(data), (Rows{"top.txt"}));

    data.m_GeneralOptionData.m_nSearchDepth = 2;
    EXPECT_EQ(Run(data), (Rows{"one/mid.txt", "top.txt"}));

    data = Criteria("*");
    data.m_GeneralOptionData.m_bIncludeSubFolder = FALSE;
    EXPECT_EQ(Run(data), (Rows{"one", "top.txt"}));
}

TEST_F(SearchEngineTest, HiddenItemsAreFoundAndSymlinkLoopsNeverEntered) {
    File(".hidden/a.txt");
    File("real/b.txt");
    ASSERT_EQ(symlink(m_root.c_str(), (m_root + "/real/loop").c_str()), 0);
    ASSERT_EQ(symlink("real", (m_root + "/alias").c_str()), 0);
    EXPECT_EQ(Run(Criteria("*.txt")), (Rows{".hidden/a.txt", "real/b.txt"}));
    // The links themselves are items and match by name.
    m_host.rows.clear();
    EXPECT_EQ(Run(Criteria("loop alias")), (Rows{"alias", "real/loop"}));
}

TEST_F(SearchEngineTest, NamesThatAreNotUtf8AreFound) {
    File(std::string("caf\xe9.txt"));
    EXPECT_EQ(Run(Criteria("*.txt")), (Rows{std::string("caf\xe9.txt")}));
}

TEST_F(SearchEngineTest, ABackslashOnDiskIsPartOfTheName) {
    File("dir/a\\b.txt", "x");
    CSearchEngine engine(&m_host, &m_host);
    CSearchRequest request;
    ASSERT_TRUE(PrepareSearchRequest(Criteria("b.txt"), &request).Ok());
    engine.RunSearch(std::move(request));
    ASSERT_EQ(engine.GetResultList().GetCount(), 1u);
    // The list was handed the generation the search filled.
    EXPECT_EQ(m_host.generation, engine.GetResultList().GetResults());
    EXPECT_EQ(m_host.status, "1 Objects  1KB");
    const CResultItem& record = engine.GetResultList().GetAt(0);
    EXPECT_EQ(record.m_sName, "a\\b.txt");
    EXPECT_EQ(record.m_sFolder, m_root + "/dir");
    EXPECT_EQ(record.m_nSize, 1u);
}

TEST_F(SearchEngineTest, TheResultLimitStopsTheWholeSearch) {
    for (int i = 0; i < 5; ++i)
        File(Numbered("d", i) + "/f.txt");
    CSearchRequest request;
    ASSERT_TRUE(PrepareSearchRequest(Criteria("f.txt"), &request).Ok());
    request.resultLimit = 3;
    CSearchEngine engine(&m_host, &m_host);
    engine.RunSearch(std::move(request));
    EXPECT_EQ(Relative(m_host.rows), (Rows{"d0/f.txt", "d1/f.txt", "d2/f.txt"}));
    EXPECT_EQ(m_host.messages, (std::vector<std::string>{"Search result exceed 3"}));
}

TEST_F(SearchEngineTest, AppendAndSearchInLastResult) {
    File("a.txt", "x");
    File("b.log", "xx");
    File("c.txt", "xxx");
    CSearchEngine engine(&m_host, &m_host);
    Run(Criteria("*.txt"), &engine);

    CSearchData append = Criteria("*.log");
    append.m_GeneralOptionData.m_bAppendResultToLastSearch = TRUE;
    EXPECT_EQ(Run(append, &engine), (Rows{"a.txt", "c.txt", "b.log"}));

    CSearchData last = Criteria("c");
    last.m_GeneralOptionData.m_bSearchInLastResult = TRUE;
    // The earlier rows are filtered in their order; no folder is walked.
    File("c2.txt");
    EXPECT_EQ(Run(last, &engine), (Rows{"c.txt"}));
    EXPECT_EQ(engine.GetResultList().GetCount(), 1u);
}

TEST_F(SearchEngineTest, SearchInAnEmptyLastResultEndsAtOnce) {
    File("a.txt");
    CSearchData last = Criteria("*");
    last.m_GeneralOptionData.m_bSearchInLastResult = TRUE;
    EXPECT_EQ(Run(last), Rows{});
    EXPECT_EQ(m_host.status, "0 Objects");
}

TEST_F(SearchEngineTest, ContentSearchSkipsFifosAndFolders) {
    File("has.txt", "some needle here");
    File("not.txt", "nothing");
    ASSERT_EQ(mkfifo((m_root + "/pipe.txt").c_str(), 0600), 0);
    CSearchData data = Criteria("*.txt");
    data.m_IncludeStringData.m_sIncludeStr = "needle";
    EXPECT_EQ(Run(data), (Rows{"has.txt"}));
}

TEST_F(SearchEngineTest, ContentResultsKeepTheWalkOrder) {
    // Contents are read on several threads; the rows still come in the
    // walk's order, and the limit still cuts at the same row.
    Rows expected;
    char name[32];
    for (int i = 0; i < 400; ++i) {
        std::snprintf(name, sizeof name, "d%02d/f%03d.txt", i / 40, i);
        const bool has = i % 3 == 0;
        File(name, has ? std::string(5000 + i, 'x') + " needle" : std::string(100, 'y'));
        if (has)
            expected.push_back(name);
    }
    CSearchData data = Criteria("*.txt");
    data.m_IncludeStringData.m_sIncludeStr = "needle";
    EXPECT_EQ(Run(data), expected);

    CSearchRequest request;
    ASSERT_TRUE(PrepareSearchRequest(data, &request).Ok());
    request.resultLimit = 25;
    m_host.rows.clear();
    CSearchEngine engine(&m_host, &m_host);
    engine.RunSearch(std::move(request));
    EXPECT_EQ(Relative(m_host.rows), Rows(expected.begin(), expected.begin() + 25));
    EXPECT_EQ(m_host.messages, (std::vector<std::string>{"Search result exceed 25"}));
}

TEST_F(SearchEngineTest, TheLogGetsStartEndAndUsedTimes) {
    Run(Criteria("*"));
    std::lock_guard guard(m_logLock);
    ASSERT_GE(m_log.size(), 3u);
    EXPECT_EQ(m_log[0].rfind("Start : ", 0), 0u);
    EXPECT_EQ(m_log[m_log.size() - 2].rfind("End : ", 0), 0u);
    EXPECT_EQ(m_log.back(), "Used : 00:00:00\n");
}

TEST_F(SearchEngineTest, TheUsedTimeIsTheTimeThatPassed) {
    // A search of 999 ms shows no second, whichever second boundary of the
    // wall clock it crosses; one of an hour, a minute and a second shows so.
    for (const auto& [millis, expected] :
         {std::pair<int, const char*>{999, "Used : 00:00:00\n"}, {3661000, "Used : 01:01:01\n"}}) {
        const auto origin = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
        int calls = 0;
        CSearchEngine engine(&m_host, &m_host);
        engine.SetSteadyClock([&, millis = millis] {
            return origin + std::chrono::milliseconds(calls++ == 0 ? 0 : millis);
        });
        Run(Criteria("*"), &engine);
        std::lock_guard guard(m_logLock);
        EXPECT_EQ(m_log.back(), expected);
    }
}

// A folder that fails with an exception when it is entered, as a shell fault
// deep in the walk would.
class FaultingFolder : public IShellFolder {
public:
    HRESULT ParseDisplayName(const std::string&, ULONG*, LPITEMIDLIST*, ULONG*) override {
        return E_FAIL;
    }
    HRESULT EnumObjects(DWORD, zb::ComPtr<IEnumIDList>*) override { throw std::bad_alloc(); }
    HRESULT BindToObject(LPCITEMIDLIST, zb::ComPtr<IShellFolder>*) override {
        throw std::bad_alloc();
    }
    HRESULT CompareIDs(std::intptr_t, LPCITEMIDLIST, LPCITEMIDLIST) override { return E_FAIL; }
    HRESULT GetAttributesOf(UINT, const LPCITEMIDLIST*, ULONG*) override { return E_FAIL; }
    HRESULT GetDisplayNameOf(LPCITEMIDLIST, DWORD, STRRET*) override { return E_FAIL; }
};

TEST_F(SearchEngineTest, AFaultInTheWalkIsLoggedWhereItIsCaughtAndTheSearchStillEnds) {
    CSearchRequest request;
    ASSERT_TRUE(PrepareSearchRequest(Criteria("*"), &request).Ok());
    auto root = std::make_shared<FOLDERITEM>();
    root->m_pParentFolder = zb::ComPtr<FaultingFolder>::Make();
    root->m_pidl.reset(ILClone(request.root->m_pidl.get()));
    root->m_pidlFull.reset(ILClone(request.root->m_pidlFull.get()));
    request.root = root;
    CSearchEngine engine(&m_host, &m_host);
    engine.RunSearch(std::move(request));

    EXPECT_EQ(m_host.ends.load(), 1);
    std::lock_guard guard(m_logLock);
    ASSERT_GE(m_log.size(), 4u);
    const std::string& fault = m_log[1];
    EXPECT_EQ(fault.rfind("Error in file: ", 0), 0u) << fault;
    EXPECT_NE(fault.find("app/engine/SearchEngine.cpp line: "), std::string::npos) << fault;
    EXPECT_EQ(m_log[m_log.size() - 2].rfind("End : ", 0), 0u);
}

TEST_F(SearchEngineTest, AMissingFolderIsRefused) {
    CSearchData data = Criteria("*.txt");
    data.m_MainData.m_sFindRootPath = m_root + "/nowhere";
    CSearchRequest request;
    SearchRequestResult prepared = PrepareSearchRequest(data, &request);
    EXPECT_FALSE(prepared.Ok());
    EXPECT_EQ(prepared.error, SearchRequestError::InvalidLookIn);
    EXPECT_EQ(prepared.message, m_root + "/nowhere is not a valid directory.");

    data = Criteria(m_root + "/nowhere/*.txt");
    prepared = PrepareSearchRequest(data, &request);
    EXPECT_FALSE(prepared.Ok());
    EXPECT_EQ(prepared.error, SearchRequestError::InvalidFolderPart);
    EXPECT_EQ(prepared.message, m_root + "/nowhere is not a valid directory.");

    data = Criteria("a&");
    data.m_IncludeStringData.m_sIncludeStr = "a &";
    data.m_IncludeStringData.m_bRegularExpression = TRUE;
    prepared = PrepareSearchRequest(data, &request);
    EXPECT_FALSE(prepared.Ok());
    EXPECT_EQ(prepared.error, SearchRequestError::InvalidIncludeString);
    EXPECT_EQ(prepared.message, "Invalid regular expression");
}

TEST_F(SearchEngineTest, TheFolderPartOfTheNamesIsTheRoot) {
    File("sub/x.txt");
    File("y.txt");
    EXPECT_EQ(Run(Criteria(m_root + "/sub/*.txt")), (Rows{"sub/x.txt"}));
}

TEST_F(SearchEngineTest, StopEndsTheThreadAndKeepsRows) {
    for (int i = 0; i < 300; ++i)
        File(Numbered("d", i / 10) + Numbered("/f", i));
    CSearchRequest request;
    ASSERT_TRUE(PrepareSearchRequest(Criteria("f"), &request).Ok());
    CSearchEngine engine(&m_host, &m_host);
    ASSERT_TRUE(engine.StartSearch(std::move(request)));
    EXPECT_FALSE(engine.StartSearch(CSearchRequest{}));
    engine.StopSearch();
    engine.WaitForSearch();
    EXPECT_FALSE(engine.IsSearching());
    EXPECT_EQ(m_host.endedCount.load(), 1);
    EXPECT_LE(engine.GetResultList().GetCount(), 300u);
    EXPECT_EQ(m_host.rows.size(), engine.GetResultList().GetCount());
    {
        std::lock_guard guard(m_host.lock);
        EXPECT_EQ(m_host.buttonStates, (std::vector<bool>{false, true}));
    }
    // A stopped search still logs its end and the time it used.
    std::lock_guard guard(m_logLock);
    ASSERT_GE(m_log.size(), 2u);
    EXPECT_EQ(m_log[m_log.size() - 2].rfind("End : ", 0), 0u);
    EXPECT_EQ(m_log.back().rfind("Used : ", 0), 0u);
}

// Holds the search thread at its first call to the window until released.
class GatedHost : public RecordingHost {
public:
    void SetSearchButtonState(bool ready) override {
        RecordingHost::SetSearchButtonState(ready);
        if (!ready)
            released.wait();
    }
    std::latch released{1};
};

TEST_F(SearchEngineTest, AStopAskedBeforeTheThreadRunsHolds) {
    for (int i = 0; i < 30; ++i)
        File(Numbered("f", i));
    CSearchRequest request;
    ASSERT_TRUE(PrepareSearchRequest(Criteria("f*"), &request).Ok());
    GatedHost host;
    CSearchEngine engine(&host, &host);
    ASSERT_TRUE(engine.StartSearch(std::move(request)));
    engine.StopSearch();
    host.released.count_down();
    engine.WaitForSearch();
    EXPECT_TRUE(host.rows.empty());
    EXPECT_EQ(host.endedCount.load(), 1);
}

TEST_F(SearchEngineTest, StatusShowsKilobytesUpToOneMebibyte) {
    const std::string big = File("big.bin");
    ASSERT_EQ(truncate(big.c_str(), 1048576), 0);
    Run(Criteria("big.bin"));
    EXPECT_EQ(m_host.status, "1 Objects  1024KB");
    ASSERT_EQ(truncate(big.c_str(), 1048577), 0);
    Run(Criteria("big.bin"));
    EXPECT_EQ(m_host.status, "1 Objects  1.00MB");
}

TEST_F(SearchEngineTest, UnreadableFoldersAreSkipped) {
    // Permissions do not hold for root: the walk runs as another user in a
    // child process.
    File("open/a.txt");
    File("closed/b.txt");
    std::filesystem::permissions(m_root + "/closed", std::filesystem::perms::none);
    CSearchRequest request;
    ASSERT_TRUE(PrepareSearchRequest(Criteria("*.txt"), &request).Ok());

    const bool ok = RunAsOtherUser(m_root, [&request] {
        RecordingHost host;
        CSearchEngine engine(&host, &host);
        engine.RunSearch(std::move(request));
        return engine.GetResultList().GetCount() == 1 &&
               engine.GetResultList().GetAt(0).m_sName == "a.txt";
    });
    std::filesystem::permissions(m_root + "/closed", std::filesystem::perms::all);
    EXPECT_TRUE(ok);
}

TEST_F(SearchEngineTest, AFolderThatCanBeListedButNotEnteredKeepsItsFolders) {
    // The items of such a folder cannot be looked at: its sub-folder is still
    // a folder (not a file that passes "only files" or a size condition), and
    // its file's size is not known, so no size condition holds for it.
    File("listed/sub/inner.txt");
    File("listed/f.txt", "12345");
    std::filesystem::permissions(m_root + "/listed", std::filesystem::perms::owner_read |
                                                         std::filesystem::perms::group_read |
                                                         std::filesystem::perms::others_read);
    CSearchData onlyFiles = Criteria("*");
    onlyFiles.m_GeneralOptionData.m_bOnlyFiles = TRUE;
    CSearchData atMost = Criteria("*");
    atMost.m_SizeOptionData.m_iSizeOptionType = 2;
    atMost.m_SizeOptionData.m_nSize = 100;
    const auto names = [](const CSearchData& data) {
        CSearchRequest request;
        std::vector<std::string> found;
        if (!PrepareSearchRequest(data, &request).Ok())
            return found;
        RecordingHost host;
        CSearchEngine engine(&host, &host);
        engine.RunSearch(std::move(request));
        for (std::size_t i = 0; i < engine.GetResultList().GetCount(); ++i)
            found.push_back(engine.GetResultList().GetAt(i).m_sName.str());
        return found;
    };
    const bool ok = RunAsOtherUser(
        m_root, [&] { return names(onlyFiles) == Rows{"f.txt"} && names(atMost).empty(); });
    std::filesystem::permissions(m_root + "/listed", std::filesystem::perms::all);
    EXPECT_TRUE(ok);
}

TEST_F(SearchEngineTest, DeepTreesAndLongPathsLoseNoRows) {
    // 1,500 levels hold more folders than a process may keep open at once,
    // and their paths grow past PATH_MAX (6,000 bytes).
    constexpr int kLevels = 1500;
    ASSERT_TRUE(zbtest::MakeDeepTree(m_root, "ddd", kLevels));
    CSearchRequest request;
    ASSERT_TRUE(PrepareSearchRequest(Criteria("*"), &request).Ok());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{256, 256};
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
            _exit(2);
        RecordingHost host;
        CSearchEngine engine(&host, &host);
        engine.RunSearch(std::move(request));
        CResultList& results = engine.GetResultList();
        std::size_t longest = 0;
        for (std::size_t i = 0; i < results.GetCount(); ++i)
            longest = std::max(longest, results.GetAt(i).m_sFolder.size());
        _exit(results.GetCount() == 2 * kLevels && longest > 6000 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    zbtest::RemoveDeepTree(m_root, "ddd");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Keeps only the last status text (those of a deep walk hold long paths).
class LastStatusHost : public RecordingHost {
public:
    void SetStatusText(const std::string& text) override { status = text; }
};

TEST_F(SearchEngineTest, AChainTenThousandFoldersDeepNeedsNoDeepStack) {
    // The walk keeps its levels on a stack of its own, with one descriptor
    // for all of them, with and without threads reading ahead.
    constexpr int kLevels = 10000;
    // The deepest file's path is longer than any path the system opens: only
    // a descriptor reaches it.
    const zbtest::DeepTreeFiles files{.leafName = "leaf.txt", .leafText = "a needle"};
    ASSERT_TRUE(zbtest::MakeDeepTree(m_root, "d", kLevels, files));
    struct Case {
        const char* names;
        const char* text;
        int threads;
        std::size_t rows;
    };
    const Case cases[] = {
        {"leaf.txt", "", 0, 1},    {"leaf.txt", "", 3, 1},    {"*.txt", "needle", 0, 1},
        {"*.txt", "needle", 3, 1}, {"nothing.txt", "", 3, 0}, {"*.txt", "absent", 3, 0},
    };
    for (const Case& c : cases) {
        CSearchData data = Criteria(c.names);
        data.m_IncludeStringData.m_sIncludeStr = c.text;
        CSearchRequest request;
        ASSERT_TRUE(PrepareSearchRequest(data, &request).Ok());
        request.scanThreads = c.threads;
        EXPECT_TRUE(zbtest::RunOnSmallStackWithFewDescriptors([&] {
            LastStatusHost host;
            CSearchEngine engine(&host, &host);
            engine.RunSearch(std::move(request));
            CResultList& results = engine.GetResultList();
            if (results.GetCount() != c.rows)
                return false;
            if (c.rows == 0)
                return true;
            const CResultItem& leaf = results.GetAt(0);
            return leaf.m_sFolder.size() > 2 * kLevels && leaf.m_sName == "leaf.txt" &&
                   leaf.m_nSize == 8;
        })) << c.names
            << " " << c.text << " " << c.threads;
    }
    zbtest::RemoveDeepTree(m_root, "d", files);
}

TEST_F(SearchEngineTest, ALinkedRootIsSearchedWhereItLeads) {
    // Like /bin linking to usr/bin; below the root links are still not followed.
    File("usr/bin/tool.txt");
    File("usr/bin/sub/more.txt");
    ASSERT_EQ(symlink("usr/bin", (m_root + "/bin").c_str()), 0);
    ASSERT_EQ(symlink("..", (m_root + "/usr/bin/up").c_str()), 0);
    CSearchData data = Criteria("*.txt");
    data.m_MainData.m_sFindRootPath = m_root + "/bin";
    EXPECT_EQ(Run(data), (Rows{"usr/bin/sub/more.txt", "usr/bin/tool.txt"}));
}

TEST_F(SearchEngineTest, ALeadingSeparatorInTheNamesLooksInTheRootFolder) {
    CSearchRequest request;
    const SearchRequestResult prepared = PrepareSearchRequest(Criteria("/*.txt"), &request);
    ASSERT_TRUE(prepared.Ok()) << prepared.message;
    EXPECT_EQ(request.lookInText, "/");
    std::string rootPath;
    ASSERT_TRUE(request.root && SHGetPathFromIDList(request.root->m_pidlFull.get(), &rootPath));
    EXPECT_EQ(rootPath, "/");
    ASSERT_EQ(request.snapshot.patterns.size(), 1u);
    EXPECT_EQ(request.snapshot.patterns[0].m_sPattern, "*.txt");
}

TEST_F(SearchEngineTest, TheRootFolderShowsAsASingleSeparator) {
    CSearchData data = Criteria("no-such-name-*.zz");
    data.m_MainData.m_sFindRootPath = "/";
    data.m_GeneralOptionData.m_bIncludeSubFolder = FALSE;
    EXPECT_EQ(Run(data), Rows{});
    std::lock_guard guard(m_host.lock);
    EXPECT_NE(std::find(m_host.statuses.begin(), m_host.statuses.end(), "Searching in /"),
              m_host.statuses.end());
    for (const std::string& status : m_host.statuses)
        EXPECT_EQ(status.find("//"), std::string::npos) << status;
}

class ArchiveSearchTest : public SearchEngineTest {
protected:
    void SetUp() override {
        SearchEngineTest::SetUp();
        m_previous =
            SetArchiveHandlerFactory(ArchiveSlot::Zip, []() -> std::unique_ptr<CArchiveHandler> {
                return std::make_unique<zbtest::MemoryArchive>(std::vector<std::string>{"zip"});
            });
        DeleteArchiveHandlers(g_arrArchiveHandlers);
        m_archive = File("pack.zip", "in memory");
        zbtest::MemoryArchive::Archives()[m_archive] = {
            {"docs\\a.txt", "alpha"}, {"docs\\deep\\b.txt", "beta"}, {"c.txt", "gamma"}};
    }
    void TearDown() override {
        DeleteArchiveHandlers(g_arrArchiveHandlers);
        SetArchiveHandlerFactory(ArchiveSlot::Zip, m_previous);
        SearchEngineTest::TearDown();
    }
    ArchiveHandlerFactory m_previous;
    std::string m_archive;
};

TEST_F(ArchiveSearchTest, MembersAreSearchedOnlyWithSubFoldersAndArchivesOn) {
    EXPECT_EQ(Run(Criteria("*.txt")),
              (Rows{"pack.zip/c.txt", "pack.zip\\docs/a.txt", "pack.zip\\docs\\deep/b.txt"}));
}

TEST_F(ArchiveSearchTest, TheLimitInsideAnArchiveEndsTheWholeSearch) {
    File("zz/after.txt");
    CSearchRequest request;
    ASSERT_TRUE(PrepareSearchRequest(Criteria("*.txt"), &request).Ok());
    request.resultLimit = 2;
    CSearchEngine engine(&m_host, &m_host);
    engine.RunSearch(std::move(request));
    EXPECT_EQ(Relative(m_host.rows), (Rows{"pack.zip/c.txt", "pack.zip\\docs/a.txt"}));
    EXPECT_EQ(m_host.messages, (std::vector<std::string>{"Search result exceed 2"}));
}

TEST_F(ArchiveSearchTest, NoArchivesWithoutSubFolders) {
    CSearchData data = Criteria("*.txt");
    data.m_GeneralOptionData.m_bIncludeSubFolder = FALSE;
    EXPECT_EQ(Run(data), Rows{});
    data = Criteria("*.txt");
    data.m_GeneralOptionData.m_bSearhInCompressedFiles = FALSE;
    m_host.rows.clear();
    EXPECT_EQ(Run(data), Rows{});
}

TEST_F(ArchiveSearchTest, AnArchiveRootListsItsFolder) {
    CSearchData data = Criteria("*.txt");
    data.m_MainData.m_sFindRootPath = m_archive + "\\docs";
    EXPECT_EQ(Run(data), (Rows{"pack.zip\\docs/a.txt", "pack.zip\\docs\\deep/b.txt"}));
    data.m_GeneralOptionData.m_bIncludeSubFolder = FALSE;
    m_host.rows.clear();
    EXPECT_EQ(Run(data), (Rows{"pack.zip\\docs/a.txt"}));
}

TEST_F(ArchiveSearchTest, AFolderTheArchiveLacksIsRefusedAsAMissingFolderIs) {
    CSearchData data = Criteria("*.txt");
    for (const std::string inner : {"/nodir", "\\docs\\none", "/docs/a.txt", "/c.txt"}) {
        data.m_MainData.m_sFindRootPath = m_archive + inner;
        CSearchRequest request;
        const SearchRequestResult prepared = PrepareSearchRequest(data, &request);
        EXPECT_EQ(prepared.error, SearchRequestError::InvalidLookIn) << inner;
        EXPECT_EQ(prepared.message, m_archive + inner + " is not a valid directory.");
    }
    for (const std::string inner : {"", "/", "/docs", "\\DOCS\\deep\\"}) {
        data.m_MainData.m_sFindRootPath = m_archive + inner;
        CSearchRequest request;
        EXPECT_TRUE(PrepareSearchRequest(data, &request).Ok()) << inner;
    }
}

TEST_F(ArchiveSearchTest, ContentOfMembersIsSearched) {
    CSearchData data = Criteria("*.txt");
    data.m_IncludeStringData.m_sIncludeStr = "beta";
    EXPECT_EQ(Run(data), (Rows{"pack.zip\\docs\\deep/b.txt"}));
}

TEST_F(ArchiveSearchTest, MemberContentsAreReadInTheArchivesOrder) {
    // Members not grouped by folder: the table puts them under their
    // folders, the contents are read front to back, and the rows come in
    // the table's order.
    zbtest::MemoryArchive::Archives()[m_archive] = {{"b\\1.txt", "needle"},
                                                    {"a\\2.txt", "needle"},
                                                    {"b\\3.txt", "hay"},
                                                    {"a\\4.txt", "needle"}};
    CSearchData data = Criteria("*.txt");
    data.m_IncludeStringData.m_sIncludeStr = "needle";
    CSearchRequest request;
    ASSERT_TRUE(PrepareSearchRequest(data, &request).Ok());
    request.scanThreads = 0;  // the walk reads with the global readers
    CSearchEngine engine(&m_host, &m_host);
    engine.RunSearch(std::move(request));
    EXPECT_EQ(Relative(m_host.rows),
              (Rows{"pack.zip\\a/2.txt", "pack.zip\\a/4.txt", "pack.zip\\b/1.txt"}));
    auto& reader = dynamic_cast<zbtest::MemoryArchive&>(*g_arrArchiveHandlers.front());
    EXPECT_EQ(reader.openedRecords, (std::vector<std::size_t>{0, 1, 2, 3}));
}

// The readers of the build: real ZIP, TAR.GZ, TAR.BZ2, GZ and BZ2 files.
class ReaderSearchTest : public SearchEngineTest {
protected:
    void SetUp() override {
        SearchEngineTest::SetUp();
        DeleteArchiveHandlers(g_arrArchiveHandlers);
        File("docs.zip", zbtest::BuildZip({{"Docs/readme.txt", "find the needle here"},
                                           {"Docs/other.txt", "nothing"},
                                           {"top.txt", "a needle at the top", 0}})
                             .bytes);
        File("src.tar.gz",
             zbtest::Gzip(zbtest::TarMember("src/main.txt", "needle in tar") +
                          zbtest::TarMember("src/lib/util.txt", "no match") + zbtest::TarEnd()));
        File("more.tbz",
             zbtest::Bzip2(zbtest::TarMember("deep/x.txt", "another needle") + zbtest::TarEnd()));
        File("note.txt.gz", zbtest::Gzip("needle alone"));
        File("plain.txt", "needle on disk");
    }
    void TearDown() override {
        DeleteArchiveHandlers(g_arrArchiveHandlers);
        SearchEngineTest::TearDown();
    }
};

TEST_F(ReaderSearchTest, NamesInsideEveryArchiveKind) {
    Rows rows = Run(Criteria("*.txt"));
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows,
              (Rows{"docs.zip/top.txt", "docs.zip\\Docs/other.txt", "docs.zip\\Docs/readme.txt",
                    "more.tbz\\deep/x.txt", "note.txt.gz/note.txt", "plain.txt",
                    "src.tar.gz\\src/main.txt", "src.tar.gz\\src\\lib/util.txt"}));
}

TEST_F(ReaderSearchTest, ContentInsideEveryArchiveKind) {
    CSearchData data = Criteria("*.txt");
    data.m_IncludeStringData.m_sIncludeStr = "needle";
    Rows rows = Run(data);
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (Rows{"docs.zip/top.txt", "docs.zip\\Docs/readme.txt", "more.tbz\\deep/x.txt",
                          "note.txt.gz/note.txt", "plain.txt", "src.tar.gz\\src/main.txt"}));
}

TEST_F(ReaderSearchTest, ArchivesWhoseNamesMatchAreStillOpenedForContent) {
    // Every name matches, so archive files meet the content test themselves
    // (docs.zip holds a stored member, so its own bytes match too); their
    // members must be searched as well.
    CSearchData data = Criteria("*");
    data.m_IncludeStringData.m_sIncludeStr = "needle";
    Rows rows = Run(data);
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (Rows{"docs.zip", "docs.zip/top.txt", "docs.zip\\Docs/readme.txt",
                          "more.tbz\\deep/x.txt", "note.txt.gz/note.txt", "plain.txt",
                          "src.tar.gz\\src/main.txt"}));
}

TEST_F(ReaderSearchTest, ACorruptArchiveIsSkippedAndTheWalkGoesOn) {
    File("broken.zip", "PK\x03\x04 not really a zip");
    File("broken.tar.gz", zbtest::Gzip("short").substr(0, 12));
    Rows rows = Run(Criteria("*.txt"));
    EXPECT_NE(std::find(rows.begin(), rows.end(), "plain.txt"), rows.end());
    EXPECT_EQ(rows.size(), 8u);
}

TEST_F(ReaderSearchTest, SizeConditionsUseTheSizeAReaderKnows) {
    // Neither a GZ nor a BZ2 member has a size before it is decoded (a gzip
    // trailer names only the last member), so no size condition holds for
    // them; a ZIP member's size is in its directory.
    const std::string data = zbtest::PatternData(200 * 1024);
    File("big.dat.gz", zbtest::Gzip(data));
    File("big.dat.bz2", zbtest::Bzip2(data));
    File("big.zip", zbtest::BuildZip({{"big.dat", data}}).bytes);
    CSearchData data0 = Criteria("*.dat");
    data0.m_SizeOptionData.m_iSizeOptionType = 2;  // at most
    data0.m_SizeOptionData.m_nSize = 0;
    EXPECT_EQ(Run(data0), Rows{});
    data0.m_SizeOptionData.m_nSize = 300;
    EXPECT_EQ(Run(data0), (Rows{"big.zip/big.dat"}));
    data0.m_SizeOptionData.m_iSizeOptionType = 1;  // at least
    data0.m_SizeOptionData.m_nSize = 100;
    EXPECT_EQ(Run(data0), (Rows{"big.zip/big.dat"}));
}

TEST_F(ReaderSearchTest, AnArchiveRootIsReadAfreshOnceItWasReplaced) {
    CSearchData data = Criteria("*.txt");
    data.m_MainData.m_sFindRootPath = m_root + "/docs.zip";
    CSearchEngine engine(&m_host, &m_host);
    Rows rows = Run(data, &engine);
    EXPECT_EQ(rows.size(), 3u);
    for (const auto& handler : g_arrArchiveHandlers)
        EXPECT_FALSE(handler->IsOpen());  // closed when the search ended

    File("docs.zip", zbtest::BuildZip({{"fresh.txt", "new"}}).bytes);
    EXPECT_EQ(Run(data, &engine), (Rows{"docs.zip/fresh.txt"}));
}

// Archives made by the common tools.
class ToolArchiveSearchTest : public SearchEngineTest {
protected:
    void SetUp() override {
        SearchEngineTest::SetUp();
        DeleteArchiveHandlers(g_arrArchiveHandlers);
        m_source = zbtest::MakeTempDir("tool-source");
    }
    void TearDown() override {
        DeleteArchiveHandlers(g_arrArchiveHandlers);
        SearchEngineTest::TearDown();
    }
    // Runs a shell command in the source folder; false when it fails.
    bool Tool(const std::string& command) {
        return std::system(("cd '" + m_source + "' && " + command + " >/dev/null 2>&1").c_str()) ==
               0;
    }
    std::string m_source;
};

TEST_F(ToolArchiveSearchTest, MembersWhoseNamesDifferOnlyInCaseKeepTheirOwnContents) {
    zbtest::WriteFile(m_source + "/inc/xt_connmark.h", "lower words");
    zbtest::WriteFile(m_source + "/inc/xt_CONNMARK.h", "upper words");
    zbtest::WriteFile(m_source + "/dup.txt", "first copy");
    ASSERT_TRUE(Tool("tar -cf '" + m_root + "/k.tar' inc dup.txt"));
    zbtest::WriteFile(m_source + "/dup.txt", "second copy");
    ASSERT_TRUE(Tool("tar -rf '" + m_root + "/k.tar' dup.txt"));

    CSearchData data = Criteria("*.h dup.txt");  // not the plain TAR file itself
    data.m_IncludeStringData.m_sIncludeStr = "upper";
    EXPECT_EQ(Run(data), (Rows{"k.tar\\inc/xt_CONNMARK.h"}));
    data.m_IncludeStringData.m_sIncludeStr = "lower";
    EXPECT_EQ(Run(data), (Rows{"k.tar\\inc/xt_connmark.h"}));
    data.m_IncludeStringData.m_sIncludeStr = "second";
    EXPECT_EQ(Run(data), (Rows{"k.tar/dup.txt"}));
    data.m_IncludeStringData.m_sIncludeStr = "copy";
    EXPECT_EQ(Run(data), (Rows{"k.tar/dup.txt", "k.tar/dup.txt"}));
}

TEST_F(ToolArchiveSearchTest, MembersOfDotAreListedWithoutTheDotStep) {
    zbtest::WriteFile(m_source + "/a.txt", "alpha");
    zbtest::WriteFile(m_source + "/sub/b.txt", "beta");
    ASSERT_TRUE(Tool("tar -czf '" + m_root + "/t.tgz' ."));
    ASSERT_TRUE(Tool("bsdtar -a -cf '" + m_root + "/z.zip' ."));
    Rows rows = Run(Criteria("*.txt"));
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (Rows{"t.tgz/a.txt", "t.tgz\\sub/b.txt", "z.zip/a.txt", "z.zip\\sub/b.txt"}));
    CSearchData data = Criteria("b.txt");
    data.m_IncludeStringData.m_sIncludeStr = "beta";
    rows = Run(data);
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (Rows{"t.tgz\\sub/b.txt", "z.zip\\sub/b.txt"}));
}

// RAR (stored and RAR 2.0), ARJ, CAB and ACE files through the readers of
// the build: names are found in all four, contents in all but ACE, whose
// members are listed only.
class MoreReadersSearchTest : public SearchEngineTest {
protected:
    void SetUp() override {
        SearchEngineTest::SetUp();
        DeleteArchiveHandlers(g_arrArchiveHandlers);
        zbtest::Rar20TestEncoder encoder;
        encoder.Tables(std::vector<std::uint8_t>(298, 9), std::vector<std::uint8_t>(48, 6),
                       std::vector<std::uint8_t>(28, 5));
        for (const char c : std::string("packed: a needle inside")) {
            encoder.Literal(static_cast<std::uint8_t>(c));
        }
        File("pack.rar",
             zbtest::RarBuilder()
                 .File(zbtest::RarFile::Stored("Docs\\stored.txt", "a stored needle"))
                 .File(zbtest::RarFile::Packed("Docs\\packed.txt", encoder.Bytes(), encoder.Data()))
                 .File(zbtest::RarFile::Stored("other.txt", "nothing"))
                 .End());
        File("pack.arj", zbtest::StoredArj({{"Arj/found.txt", "the needle in arj"},
                                            {"Arj/other.txt", "nothing"}}));
        File("pack.cab", zbtest::SimpleCab({{"cab\\found.txt", "the needle in a cabinet"},
                                            {"cab\\other.txt", "nothing"}},
                                           zbtest::kCabMszip));
        File("pack.ace",
             zbtest::AceMainHeader() + zbtest::AceFileHeader("Ace\\listed.txt", "needle", 6));
    }
    void TearDown() override {
        DeleteArchiveHandlers(g_arrArchiveHandlers);
        SearchEngineTest::TearDown();
    }
};

TEST_F(MoreReadersSearchTest, NamesInsideRarArjCabAndAce) {
    Rows rows = Run(Criteria("*.txt"));
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (Rows{"pack.ace\\Ace/listed.txt", "pack.arj\\Arj/found.txt",
                          "pack.arj\\Arj/other.txt", "pack.cab\\cab/found.txt",
                          "pack.cab\\cab/other.txt", "pack.rar/other.txt",
                          "pack.rar\\docs/packed.txt", "pack.rar\\docs/stored.txt"}));
}

TEST_F(MoreReadersSearchTest, ContentInsideRarArjAndCab) {
    CSearchData data = Criteria("*.txt");
    data.m_IncludeStringData.m_sIncludeStr = "needle";
    Rows rows = Run(data);
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (Rows{"pack.arj\\Arj/found.txt", "pack.cab\\cab/found.txt",
                          "pack.rar\\docs/packed.txt", "pack.rar\\docs/stored.txt"}));
}

TEST_F(MoreReadersSearchTest, AMemberCutShortIsSearchedInTheBytesThatWereRead) {
    // A member that goes on in a next volume, which is missing: its data
    // ends 100,000 bytes in, in the middle of the second block read. What
    // was read before the failing read is searched; a failure is still no
    // proof that a term is absent.
    std::string part(100000, '.');
    part.replace(70000, 6, "needle");
    std::string member = zbtest::ArjBasic(0, 0, static_cast<std::uint32_t>(part.size()),
                                          static_cast<std::uint32_t>(part.size()),
                                          zbtest::Crc32Of(part), std::string("a.txt\0\0", 7));
    member[4] = 0x04;  // continues in the next volume
    File("cut/cut.arj",
         zbtest::ArjHeader(zbtest::ArjBasic(0, 2, 0, 0, 0, std::string("x.arj\0\0", 7))) +
             zbtest::ArjHeader(member) + part + std::string("\x60\xEA\0\0", 4));
    const std::pair<const char*, Rows> cases[] = {
        {"needle", {"cut/cut.arj/a.txt"}}, {"!needle", {}}, {"!absent", {}}};
    for (const auto& [text, rows] : cases) {
        CSearchData data = Criteria("a.txt");
        data.m_MainData.m_sFindRootPath = m_root + "/cut";
        data.m_IncludeStringData.m_sIncludeStr = text;
        data.m_IncludeStringData.m_bRegularExpression = TRUE;
        m_host.rows.clear();
        EXPECT_EQ(Run(data), rows) << text;
    }
}

}  // namespace
