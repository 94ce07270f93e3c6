// The multi-folder search: several roots walked one after the other, each
// from the search's own copy of its place.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/engine/SearchEngine.h"
#include "archives/ZipBuilder.h"
#include "engine/RecordingSearchHost.h"
#include "support/TempHome.h"

namespace {

using Rows = std::vector<std::string>;

// Stops the search when the look-in box is told of its `stopAt`th folder.
class StoppingHost : public zbtest::RecordingHost {
public:
    void SetLookInText(const std::string& text) override {
        RecordingHost::SetLookInText(text);
        if (engine && ++folders == stopAt)
            engine->StopSearch();
    }
    CSearchEngine* engine = nullptr;
    int stopAt = 0;
    int folders = 0;
};

class MultiFolderSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_base = zbtest::MakeTempDir("multi");
        for (const char* file : {"one/a.txt", "one/b.txt", "one/c.txt", "one/x.log", "two/d.txt",
                                 "two/sub/e.txt", "three/f.txt"})
            zbtest::WriteFile(m_base + "/" + file, "x");
    }

    CSearchData Criteria(const std::string& names) {
        CSearchData data;
        data.Reset();
        data.m_MainData.m_sFindString = names;
        data.m_MainData.m_sFindRootPath = m_base;
        return data;
    }

    // A request for `names` over the given folders below the base.
    CSearchRequest Request(const CSearchData& criteria, const std::vector<std::string>& folders) {
        CSearchRequest request;
        EXPECT_TRUE(PrepareSearchRequest(criteria, &request).Ok());
        for (const std::string& folder : folders) {
            CSearchData one = criteria;
            one.m_MainData.m_sFindRootPath = m_base + "/" + folder;
            CSearchRequest place;
            EXPECT_TRUE(PrepareSearchRequest(one, &place).Ok()) << folder;
            request.folders.push_back({place.root, one.m_MainData.m_sFindRootPath});
        }
        return request;
    }

    Rows Names() const {
        Rows names;
        for (const std::string& row : m_host.rows)
            names.push_back(row.substr(row.rfind('/') + 1));
        return names;
    }

    std::string m_base;
    StoppingHost m_host;
};

TEST_F(MultiFolderSearchTest, WalksTheFoldersInTurn) {
    CSearchEngine engine(&m_host, &m_host);
    engine.RunSearch(Request(Criteria("*.txt"), {"two", "one"}));
    EXPECT_EQ(Names(), (Rows{"d.txt", "e.txt", "a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(m_host.lookIns, (Rows{m_base + "/two", m_base + "/one"}));
    // The place given ("/base") is not searched by itself.
    EXPECT_EQ(m_host.begins.load(), 1);
    EXPECT_EQ(m_host.ends.load(), 1);
}

TEST_F(MultiFolderSearchTest, TheLimitReachedInTheFirstFolderEndsTheSearch) {
    CSearchEngine engine(&m_host, &m_host);
    CSearchRequest request = Request(Criteria("*.txt"), {"one", "two"});
    request.resultLimit = 3;
    engine.RunSearch(std::move(request));
    EXPECT_EQ(Names(), (Rows{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(m_host.lookIns, (Rows{m_base + "/one"}));
    EXPECT_EQ(m_host.messages, (Rows{"Search result exceed 3"}));
}

TEST_F(MultiFolderSearchTest, AppendKeepsTheEarlierRowsAbove) {
    CSearchEngine engine(&m_host, &m_host);
    engine.RunSearch(Request(Criteria("*.log"), {"one"}));
    ASSERT_EQ(Names(), (Rows{"x.log"}));

    CSearchData append = Criteria("*.txt");
    append.m_GeneralOptionData.m_bAppendResultToLastSearch = TRUE;
    engine.RunSearch(Request(append, {"three"}));
    EXPECT_EQ(Names(), (Rows{"x.log", "f.txt"}));

    // Without it the list starts empty; "search in last result" does not
    // apply to several folders.
    CSearchData fresh = Criteria("*.txt");
    fresh.m_GeneralOptionData.m_bSearchInLastResult = TRUE;
    engine.RunSearch(Request(fresh, {"two"}));
    EXPECT_EQ(Names(), (Rows{"d.txt", "e.txt"}));
}

TEST_F(MultiFolderSearchTest, StopActsAcrossTheFolders) {
    CSearchEngine engine(&m_host, &m_host);
    m_host.engine = &engine;
    m_host.stopAt = 2;
    engine.StartSearch(Request(Criteria("*.txt"), {"three", "one", "two"}));
    engine.WaitForSearch();
    EXPECT_EQ(Names(), (Rows{"f.txt"}));
    EXPECT_EQ(m_host.lookIns, (Rows{m_base + "/three", m_base + "/one"}));
    EXPECT_EQ(m_host.endedCount.load(), 1);
}

TEST_F(MultiFolderSearchTest, AnArchiveChosenAsAFolderIsSearched) {
    zbtest::WriteFile(m_base + "/pack.zip",
                      zbtest::BuildZip({{"in/g.txt", "x"}, {"h.log", "y"}}).bytes);
    CSearchEngine engine(&m_host, &m_host);
    CSearchRequest request = Request(Criteria("*.txt"), {"pack.zip", "three"});
    ASSERT_EQ(request.folders[0].root->m_nKind, FOLDERITEM_ARCHIVE);
    engine.RunSearch(std::move(request));
    EXPECT_EQ(Names(), (Rows{"g.txt", "f.txt"}));
}

TEST_F(MultiFolderSearchTest, AFolderGoneSinceItWasChosenIsSkipped) {
    CSearchEngine engine(&m_host, &m_host);
    CSearchRequest request = Request(Criteria("*.txt"), {"two", "three"});
    std::filesystem::remove_all(m_base + "/two");
    engine.RunSearch(std::move(request));
    EXPECT_EQ(Names(), (Rows{"f.txt"}));
    EXPECT_TRUE(m_host.messages.empty());
}

}  // namespace
