// Searches whose folders are listed and whose files are tested ahead of the
// walk on other threads: whatever the number of threads, the rows and their
// depth-first order are those of a plain walk, and the result limit and Stop
// cut that order.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "app/engine/CriteriaTest.h"
#include "app/engine/SearchEngine.h"
#include "engine/RecordingSearchHost.h"
#include "support/TempHome.h"
#include "support/Utf16Text.h"

namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::string>;

using zbtest::Utf16;

// A tree of lower-case names (so that the walk's order is the byte order),
// with names holding "key" and contents holding "needle" (as 8-bit or
// UTF-16 text, in any case) spread unevenly: whole sub-trees hold neither,
// others one match deep down.
class ReadAheadSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = zbtest::MakeTempDir("ahead");
        unsigned seed = 7;
        const auto roll = [&seed](unsigned n) {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) % n;
        };
        MakeFolder(m_root, 0, roll);
        // What a walk meets besides folders and files.
        fs::create_directory_symlink(m_root + "/d0", m_root + "/d0/keylink");
        ASSERT_EQ(mkfifo((m_root + "/d1/keyfifo").c_str(), 0600), 0);
        zbtest::WriteFile(m_root + "/d2/e1/e0/f9/lonely.txt", "one needle deep down");
        fs::create_directories(m_root + "/d3/keyempty");
        zbtest::WriteFile(m_root + "/.keyhidden", Utf16("a hidden NEEDLE"));
    }

    template <class Roll>
    void MakeFolder(const std::string& folder, int depth, Roll& roll) {
        fs::create_directories(folder);
        const int files = static_cast<int>(roll(12));
        for (int i = 0; i < files; ++i) {
            std::string name = (roll(9) == 0 ? "key" : "f") + std::to_string(i) + ".txt";
            std::string content = "plain text " + std::to_string(roll(1000));
            switch (roll(8)) {
                case 0:
                    content += " a NeEdLe here";
                    break;
                case 1:
                    content = Utf16("wide needle text");
                    break;
                case 2:
                    content = std::string(70000, 'x') + "needle";  // past the first block
                    break;
                default:
                    break;
            }
            zbtest::WriteFile(folder + "/" + name, content);
        }
        if (depth == 3)
            return;
        const int subFolders = depth == 0 ? 6 : static_cast<int>(roll(4));
        for (int i = 0; i < subFolders; ++i) {
            const char letter = static_cast<char>('d' + depth);
            const std::string name =
                (roll(7) == 0 ? "key" : "") + std::string(1, letter) + std::to_string(i);
            MakeFolder(folder + "/" + name, depth + 1, roll);
        }
    }

    // The rows of a plain depth-first walk in byte order of the names: the
    // entries `passes` accepts, links never entered.
    template <class Passes>
    void Expect(const std::string& folder, const Passes& passes, Rows* rows) const {
        std::vector<fs::directory_entry> entries;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            entries.push_back(entry);
        std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
            return a.path().filename().string() < b.path().filename().string();
        });
        for (const fs::directory_entry& entry : entries) {
            if (passes(entry))
                rows->push_back(entry.path().string().substr(m_root.size() + 1));
            if (entry.is_directory() && !entry.is_symlink())
                Expect(entry.path().string(), passes, rows);
        }
    }

    Rows ExpectedNames() const {
        Rows rows;
        Expect(
            m_root,
            [](const fs::directory_entry& entry) {
                return entry.path().filename().string().find("key") != std::string::npos;
            },
            &rows);
        return rows;
    }

    Rows ExpectedContents() const {
        Rows rows;
        Expect(
            m_root,
            [](const fs::directory_entry& entry) {
                if (!entry.is_regular_file() || entry.is_symlink())
                    return false;
                std::ifstream in(entry.path(), std::ios::binary);
                std::string text((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
                std::transform(text.begin(), text.end(), text.begin(),
                               [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
                return text.find("needle") != std::string::npos ||
                       text.find(Utf16("needle")) != std::string::npos;
            },
            &rows);
        return rows;
    }

    // `ahead`: the most entries listed ahead of the walk, 0 the engine's own.
    CSearchRequest Request(const std::string& names, const std::string& text, int threads,
                           int limit = 0, std::size_t ahead = 0) {
        CSearchData data;
        data.Reset();
        data.m_MainData.m_sFindString = names;
        data.m_MainData.m_sFindRootPath = m_root;
        data.m_IncludeStringData.m_sIncludeStr = text;
        CSearchRequest request;
        EXPECT_TRUE(PrepareSearchRequest(data, &request).Ok());
        request.scanThreads = threads;
        request.resultLimit = limit;
        request.aheadEntries = ahead;
        return request;
    }

    Rows Run(CSearchRequest request) {
        zbtest::RecordingHost host;
        CSearchEngine engine(&host, &host);
        engine.RunSearch(std::move(request));
        return Relative(host.GetRows());
    }

    // The first `count` rows of `rows`, or all of them.
    static Rows Leading(const Rows& rows, std::size_t count) {
        return Rows(rows.begin(), rows.begin() + static_cast<long>(std::min(count, rows.size())));
    }

    Rows Relative(const Rows& rows) const {
        Rows out;
        for (const std::string& row : rows)
            out.push_back(row.substr(m_root.size() + 1));
        return out;
    }

    std::string m_root;
};

TEST_F(ReadAheadSearchTest, EveryThreadCountGivesThePlainWalksRows) {
    const Rows names = ExpectedNames();
    const Rows contents = ExpectedContents();
    ASSERT_GT(names.size(), 10u);
    ASSERT_GT(contents.size(), 20u);
    ASSERT_NE(std::find(contents.begin(), contents.end(), "d2/e1/e0/f9/lonely.txt"),
              contents.end());
    for (const int threads : {0, 1, 2, 7}) {
        EXPECT_EQ(Run(Request("key", "", threads)), names) << threads;
        EXPECT_EQ(Run(Request("", "needle", threads)), contents) << threads;
        // Both conditions: names that pass, then their contents.
        Rows both;
        for (const std::string& row : contents) {
            if (fs::path(row).filename().string().find("key") != std::string::npos)
                both.push_back(row);
        }
        EXPECT_EQ(Run(Request("key", "needle", threads)), both) << threads;
    }
}

TEST_F(ReadAheadSearchTest, TheLimitCutsTheSameOrder) {
    const Rows contents = ExpectedContents();
    const Rows names = ExpectedNames();
    for (const int limit : {1, 7, 23}) {
        for (const int threads : {1, 7}) {
            EXPECT_EQ(Run(Request("", "needle", threads, limit)), Leading(contents, limit))
                << limit << " " << threads;
            EXPECT_EQ(Run(Request("key", "", threads, limit)), Leading(names, limit))
                << limit << " " << threads;
        }
    }
}

TEST_F(ReadAheadSearchTest, AStoppedSearchKeepsALeadingPartOfTheOrder) {
    const Rows contents = ExpectedContents();
    for (int attempt = 0; attempt < 20; ++attempt) {
        zbtest::RecordingHost host;
        CSearchEngine engine(&host, &host);
        ASSERT_TRUE(engine.StartSearch(Request("", "needle", 7)));
        // Stops at a different point each time: at once, or after some rows.
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::microseconds(200 * attempt);
        while (std::chrono::steady_clock::now() < until && engine.IsSearching())
            std::this_thread::yield();
        engine.StopSearch();
        engine.WaitForSearch();
        const Rows rows = Relative(host.GetRows());
        ASSERT_LE(rows.size(), contents.size());
        EXPECT_EQ(rows, Leading(contents, rows.size())) << attempt;
        EXPECT_EQ(engine.GetResultList().GetCount(), rows.size());
    }
}

TEST_F(ReadAheadSearchTest, MoreEntriesThanTheWindowHolds) {
    // A window of 40 entries: the threads fill it and wait for the walk to
    // pass what they listed, again and again.
    zbtest::WriteFile(m_root + "/d4/wide/many/key.txt", "");
    for (int i = 0; i < 300; ++i)
        zbtest::WriteFile(m_root + "/d4/wide/w" + std::to_string(1000 + i), "needle");
    const Rows names = ExpectedNames();
    const Rows contents = ExpectedContents();
    for (const int threads : {1, 7}) {
        EXPECT_EQ(Run(Request("key", "", threads, 0, 40)), names) << threads;
        EXPECT_EQ(Run(Request("", "needle", threads, 0, 40)), contents) << threads;
    }
}

TEST_F(ReadAheadSearchTest, FilesWithSeveralNamesAreRowsUnderEachName) {
    // Symbolic links and hard links to large files, before and after the
    // file itself in the walk's order, and one to a file without the word.
    const std::string root = zbtest::MakeTempDir("names");
    const std::string large = std::string(70000, 'x') + " needle";
    zbtest::WriteFile(root + "/m/big.txt", large);
    zbtest::WriteFile(root + "/m/hay.txt", std::string(70000, 'h'));
    fs::create_directories(root + "/a");
    fs::create_directories(root + "/z");
    fs::create_hard_link(root + "/m/big.txt", root + "/m/hard.txt");
    fs::create_hard_link(root + "/m/big.txt", root + "/z/hard.txt");
    fs::create_symlink("../m/big.txt", root + "/a/soft.txt");
    fs::create_symlink("../m/big.txt", root + "/z/soft.txt");
    fs::create_symlink("hay.txt", root + "/m/soft-hay.txt");
    const Rows expected = {"a/soft.txt", "m/big.txt", "m/hard.txt", "z/hard.txt", "z/soft.txt"};
    for (const int threads : {0, 1, 7}) {
        zbtest::RecordingHost host;
        CSearchEngine engine(&host, &host);
        m_root = root;
        engine.RunSearch(Request("", "needle", threads));
        EXPECT_EQ(Relative(host.GetRows()), expected) << threads;
    }
}

TEST_F(ReadAheadSearchTest, LargeFoldersAndFilesAmongSmallOnes) {
    // The walk reaches a large folder while a thread still lists it, or a
    // large file while a thread still reads it, and tests queued files of
    // other folders meanwhile.
    for (const char* big : {"d0/big", "d3/big", "zbig"}) {
        for (int i = 0; i < 2500; ++i)
            zbtest::WriteFile(m_root + "/" + big + "/b" + std::to_string(10000 + i),
                              i % 97 == 0 ? "needle" : "hay");
    }
    const std::string large(CCriteriaTest::kLargeFile + 70000, 'x');
    zbtest::WriteFile(m_root + "/d1/large1", large);
    zbtest::WriteFile(m_root + "/d1/large2.txt", large + " needle");
    zbtest::WriteFile(m_root + "/d4/large3", large + " needle");
    zbtest::WriteFile(m_root + "/large4", large);
    const Rows contents = ExpectedContents();
    for (const int threads : {1, 2, 7}) {
        for (int round = 0; round < 3; ++round)
            EXPECT_EQ(Run(Request("", "needle", threads)), contents) << threads << " " << round;
    }
}

TEST_F(ReadAheadSearchTest, RowsCarryTheSizeAndHiddenBitOfTheirFiles) {
    // Whoever reads a row's data (the walk, a thread ahead of it, or the walk
    // for a row that waits behind a large file still being read), a name in
    // its folder's ".hidden" list makes it hidden and its size is the file's.
    const std::string root = zbtest::MakeTempDir("data");
    const std::string large(CCriteriaTest::kLargeFile + 70000, 'x');
    for (const char* folder : {"listed", "plain"}) {
        zbtest::WriteFile(root + "/" + folder + "/a-large.txt", large + " needle");
        for (int i = 0; i < 40; ++i)
            zbtest::WriteFile(root + "/" + folder + "/f" + std::to_string(10 + i) + ".txt",
                              std::string(static_cast<std::size_t>(i), 'n') + " needle");
    }
    zbtest::WriteFile(root + "/listed/.hidden", "f11.txt\nf30.txt\na-large.txt\n");
    const auto hidden = [](const std::string& row) {
        return row.find("/.") != std::string::npos ||
               (row.starts_with("listed/") &&
                (row.ends_with("/f11.txt") || row.ends_with("/f30.txt") ||
                 row.ends_with("/a-large.txt")));
    };
    m_root = root;
    for (const char* text : {"", "needle"}) {
        for (const int threads : {0, 1, 7}) {
            zbtest::RecordingHost host;
            CSearchEngine engine(&host, &host);
            engine.RunSearch(Request("*.txt", text, threads));
            const CResultArray& results = *engine.GetResultList().GetResults();
            ASSERT_EQ(results.GetCount(), 82u) << text << " " << threads;
            for (std::size_t i = 0; i < results.GetCount(); ++i) {
                const CResultItem& record = results.GetAt(i);
                const std::string path = record.m_sFolder + "/" + record.m_sName;
                const std::string row = path.substr(root.size() + 1);
                EXPECT_EQ(record.m_nSize, fs::file_size(path)) << row << " " << threads;
                EXPECT_EQ((record.m_dwAttributes & FILE_ATTRIBUTE_HIDDEN) != 0, hidden(row))
                    << row << " " << text << " " << threads;
            }
        }
    }
}

}  // namespace
