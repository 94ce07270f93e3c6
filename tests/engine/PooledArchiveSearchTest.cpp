// Archives searched by the content-scan pool during a contained-text search:
// each archive is listed and its members tested on a worker with readers of
// its own, and the rows must be exactly those a walk that searched every
// archive itself gives, in the same order, with the limit and Stop acting
// the same way.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "app/engine/SearchEngine.h"
#include "archives/CompressedTestData.h"
#include "archives/MemoryArchive.h"
#include "archives/ZipBuilder.h"
#include "engine/RecordingSearchHost.h"
#include "readers/archives/ArchiveHandler.h"
#include "readers/archives/ArchiveHandlerFactory.h"
#include "support/TempHome.h"

namespace {

using Rows = std::vector<std::string>;

std::string Numbered(const char* prefix, int n, const char* suffix) {
    std::string text = prefix;
    text += std::to_string(n);
    text += suffix;
    return text;
}

class PooledArchiveSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = zbtest::MakeTempDir("pooled");
        DeleteArchiveHandlers(g_arrArchiveHandlers);
    }
    void TearDown() override { DeleteArchiveHandlers(g_arrArchiveHandlers); }

    std::string File(const std::string& relative, const std::string& contents) {
        return zbtest::WriteFile(m_root + "/" + relative, contents);
    }

    // Folders of text files, ZIP, TAR.GZ and GZ files side by side, the word
    // in some files and some members; returns every row a search for it
    // must give, in no particular order.
    Rows MakeTree() {
        Rows all;
        for (int f = 0; f < 6; ++f) {
            const std::string folder = Numbered("d", f, "/");
            for (int i = 0; i < 12; ++i) {
                const int n = f * 12 + i;
                const std::string filler(3000 + 97 * n, 'x');
                const std::string text = Numbered("f", i, ".txt");
                const bool textHas = n % 4 == 1;
                File(folder + text, textHas ? filler + " needle" : filler);
                if (textHas)
                    all.push_back(folder + text);

                // A stored member makes the ZIP file's own bytes hold the word.
                const std::string zip = Numbered("f", i, "a.zip");
                const bool stored = n % 5 == 0;
                std::vector<zbtest::ZipTestMember> members;
                for (int m = 0; m < 4; ++m) {
                    const bool has = (n + m) % 3 == 0;
                    zbtest::ZipTestMember member{Numbered("in/m", m, ".txt"),
                                                 filler + (has ? " needle" : "")};
                    if (stored && m == 0)
                        member.method = 0;
                    if (has)
                        all.push_back(folder + zip + "\\in/" + Numbered("m", m, ".txt"));
                    members.push_back(member);
                }
                File(folder + zip, zbtest::BuildZip(members).bytes);
                if (stored && n % 3 == 0)
                    all.push_back(folder + zip);

                const std::string tgz = Numbered("f", i, "b.tar.gz");
                std::string tar;
                for (int m = 0; m < 3; ++m) {
                    const bool has = (n + m) % 2 == 0;
                    tar += zbtest::TarMember(Numbered("t", m, ".txt"), has ? "a needle" : filler);
                    if (has)
                        all.push_back(folder + tgz + "/" + Numbered("t", m, ".txt"));
                }
                File(folder + tgz, zbtest::Gzip(tar + zbtest::TarEnd()));

                const std::string gz = Numbered("f", i, "c.txt.gz");
                File(folder + gz, zbtest::Gzip(n % 7 == 0 ? "needle alone" : filler));
                if (n % 7 == 0)
                    all.push_back(folder + gz + "/" + Numbered("f", i, "c.txt"));
            }
        }
        return all;
    }

    CSearchRequest Request(const std::string& text, int scanThreads, int limit = 0) {
        CSearchData data;
        data.Reset();
        data.m_MainData.m_sFindString = "*";
        data.m_MainData.m_sFindRootPath = m_root;
        data.m_IncludeStringData.m_sIncludeStr = text;
        CSearchRequest request;
        const SearchRequestResult prepared = PrepareSearchRequest(data, &request);
        EXPECT_TRUE(prepared.Ok()) << prepared.message;
        request.scanThreads = scanThreads;
        request.resultLimit = limit;
        return request;
    }

    // The rows of a search, relative to the root, and its messages.
    Rows Run(int scanThreads, int limit = 0, Rows* messages = nullptr) {
        zbtest::RecordingHost host;
        CSearchEngine engine(&host, &host);
        engine.RunSearch(Request("needle", scanThreads, limit));
        if (messages)
            *messages = host.GetMessages();
        return Relative(host.GetRows());
    }

    Rows Relative(const Rows& rows) const {
        Rows out;
        for (const std::string& row : rows)
            out.push_back(row.rfind(m_root, 0) == 0 ? row.substr(m_root.size() + 1) : row);
        return out;
    }

    std::string m_root;
};

TEST_F(PooledArchiveSearchTest, MembersKeepTheirPlaceAmongTheFiles) {
    Rows expected = MakeTree();
    // The walk searching every file and archive itself.
    const Rows walk = Run(0);
    Rows sorted = walk;
    std::sort(sorted.begin(), sorted.end());
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(sorted, expected);
    // One worker, the usual three, and workers beyond those that read files
    // (they take only archives): the same rows in the same order.
    for (int threads : {1, 3, 6})
        EXPECT_EQ(Run(threads), walk) << threads << " threads";
}

TEST_F(PooledArchiveSearchTest, TheLimitInsideAnArchiveCutsAtTheSameRow) {
    MakeTree();
    const Rows walk = Run(0);
    // A limit that falls between two members of one archive.
    std::size_t limit = 0;
    for (std::size_t i = walk.size() / 2; i + 1 < walk.size() && limit == 0; ++i) {
        const std::size_t a = walk[i].find(".zip\\");
        if (a != std::string::npos && walk[i + 1].compare(0, a, walk[i], 0, a) == 0)
            limit = i + 1;
    }
    ASSERT_GT(limit, 0u);
    const Rows first(walk.begin(), walk.begin() + static_cast<std::ptrdiff_t>(limit));
    const Rows message{"Search result exceed " + std::to_string(limit)};
    for (int threads : {0, 3, 6}) {
        Rows messages;
        EXPECT_EQ(Run(threads, static_cast<int>(limit), &messages), first) << threads;
        EXPECT_EQ(messages, message) << threads;
    }
}

// A reader whose members never end: reading one stops only with the search.
class EndlessArchive : public zbtest::MemoryArchive {
public:
    EndlessArchive() : MemoryArchive({"zip"}) {}
    int Read(int i, void* buffer, int count) override {
        if (!IsEntryOpen(i) || count < 0)
            return -1;
        s_reads.fetch_add(1);
        std::memset(buffer, 'y', static_cast<std::size_t>(count));
        return count;
    }
    static std::atomic<int> s_reads;
};
std::atomic<int> EndlessArchive::s_reads{0};

TEST_F(PooledArchiveSearchTest, StopEndsTheSearchWhileAWorkerReadsAMember) {
    const ArchiveHandlerFactory previous = SetArchiveHandlerFactory(
        ArchiveSlot::Zip,
        []() -> std::unique_ptr<CArchiveHandler> { return std::make_unique<EndlessArchive>(); });
    File("a.txt", "a needle first");
    const std::string endless = File("b.zip", "in memory");
    File("c.txt", "a needle after the archive");
    zbtest::MemoryArchive::Archives()[endless] = {{"m.txt", "", false}};
    EndlessArchive::s_reads.store(0);

    zbtest::RecordingHost host;
    CSearchEngine engine(&host, &host);
    ASSERT_TRUE(engine.StartSearch(Request("needle", 3)));
    while (EndlessArchive::s_reads.load() == 0 && engine.IsSearching())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_GT(EndlessArchive::s_reads.load(), 0);
    engine.StopSearch();
    engine.WaitForSearch();
    EXPECT_FALSE(engine.IsSearching());

    // What came before the archive may be kept; nothing after it is.
    const Rows rows = Relative(host.GetRows());
    EXPECT_LE(rows.size(), 1u);
    if (!rows.empty()) {
        EXPECT_EQ(rows[0], "a.txt");
    }
    EXPECT_EQ(engine.GetResultList().GetCount(), rows.size());

    zbtest::MemoryArchive::Archives().erase(endless);
    DeleteArchiveHandlers(g_arrArchiveHandlers);
    SetArchiveHandlerFactory(ArchiveSlot::Zip, previous);
}

TEST_F(PooledArchiveSearchTest, AThreadFindsReadersInItsOwnListWhileOneIsInstalled) {
    const std::string zip = File("one.zip", zbtest::BuildZip({{"x.txt", "x"}}).bytes);
    InitArchiveHandlers();
    CArchiveHandlerList own;
    ASSERT_GT(CreateArchiveHandlers(own), 0);
    const auto ownsIt = [](const CArchiveHandlerList& list, const CArchiveHandler* handler) {
        return std::any_of(list.begin(), list.end(),
                           [&](const auto& entry) { return entry.get() == handler; });
    };
    {
        const CThreadArchiveHandlers installed(own);
        const CArchiveHandler* mine = FindArchiveHandler(zip);
        ASSERT_NE(mine, nullptr);
        EXPECT_TRUE(ownsIt(own, mine));
        // Another thread still reads with the global readers.
        const CArchiveHandler* other = nullptr;
        std::thread([&] { other = FindArchiveHandler(zip); }).join();
        EXPECT_TRUE(ownsIt(g_arrArchiveHandlers, other));
    }
    EXPECT_TRUE(ownsIt(g_arrArchiveHandlers, FindArchiveHandler(zip)));
    DeleteArchiveHandlers(own);
}

}  // namespace
