#include "app/engine/DetailColumns.h"

#include <gtest/gtest.h>
#include <sys/xattr.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/engine/SearchEngine.h"
#include "archives/ZipBuilder.h"
#include "engine/CriteriaTestSupport.h"
#include "engine/RecordingSearchHost.h"
#include "readers/archives/ArchiveHandler.h"
#include "readers/details/FixedColumnProvider.h"
#include "support/ColumnLists.h"
#include "support/PdfWriter.h"
#include "support/TempHome.h"

namespace {

// The column ids of a fake provider, built before the provider's base
// takes a view of them.
struct ColumnIdList {
    std::vector<int> ids;
};

// A provider that delivers "<id>:<name>" for each of its columns and counts
// its calls. With `everyId` its HasColumn answers 1 for any id.
class FakeProvider : private ColumnIdList, public CFixedColumnProvider {
public:
    FakeProvider(std::vector<std::string> extensions, std::vector<int> columns,
                 bool everyId = false)
        : ColumnIdList{std::move(columns)}, CFixedColumnProvider(ids), m_bEveryId(everyId) {
        m_arrExtensions = std::move(extensions);
    }
    BOOL InitExtensions() override { return TRUE; }
    BOOL HasColumn(int id) const override {
        return m_bEveryId || CFixedColumnProvider::HasColumn(id);
    }
    BOOL Load(const CProviderItem& item) override {
        ++loads;
        m_nState = PROVIDER_STATE_LOADING;
        m_sName = item.m_sName;
        if (!loadResult)
            return FALSE;
        m_nState = PROVIDER_STATE_LOADED;
        return TRUE;
    }
    BOOL GetValue(int id, COLUMNVALUE* value) override {
        if (m_nState != PROVIDER_STATE_LOADED || !CFixedColumnProvider::HasColumn(id))
            return FALSE;
        value->text = std::to_string(id) + ":" + m_sName;
        value->SetUInt32(static_cast<std::uint32_t>(id));
        return TRUE;
    }
    BOOL Reset() override {
        ++resets;
        m_nState = PROVIDER_STATE_NONE;
        return TRUE;
    }

    int loads = 0;
    int resets = 0;
    bool loadResult = true;

private:
    bool m_bEveryId;
    std::string m_sName;
};

using zbtest::Columns;

using zbtest::ColumnIds;

CResultItem Record(const std::string& name) {
    CResultItem record;
    record.m_sName = name;
    record.m_sFolder = "/data";
    return record;
}

class DetailColumnsTest : public ::testing::Test {
protected:
    // MP3-like (title, author, frequency), a GIF-like one that answers every
    // id, and a PDF-like one sharing the title column.
    void SetUp() override {
        CFileInfoProviderList list;
        list.push_back(std::make_unique<FakeProvider>(std::vector<std::string>{"mp3"},
                                                      std::vector<int>{2, 4, 102}));
        list.push_back(std::make_unique<FakeProvider>(std::vector<std::string>{"gif"},
                                                      std::vector<int>{301, 302, 303}, true));
        list.push_back(std::make_unique<FakeProvider>(std::vector<std::string>{"pdf", "mp3"},
                                                      std::vector<int>{2, 50}));
        m_mp3 = static_cast<FakeProvider*>(list[0].get());
        m_gif = static_cast<FakeProvider*>(list[1].get());
        m_pdf = static_cast<FakeProvider*>(list[2].get());
        m_columns.SetProviders(std::move(list));
    }

    std::vector<bool> Enabled() const {
        return {m_mp3->IsEnabled() != 0, m_gif->IsEnabled() != 0, m_pdf->IsEnabled() != 0};
    }

    CDetailColumns m_columns;
    FakeProvider* m_mp3 = nullptr;
    FakeProvider* m_gif = nullptr;
    FakeProvider* m_pdf = nullptr;
};

TEST_F(DetailColumnsTest, WithEveryDetailColumnHiddenNothingLoads) {
    EXPECT_EQ(ColumnIds(m_columns.GetVisibleColumns()),
              (std::vector<int>{1001, 1002, 1003, 1004, 1007}));
    EXPECT_EQ(m_columns.GetDetailSlotCount(), 0);
    // Only the provider that answers every id owns a standard column; it is
    // enabled, but with no detail slot no file is read.
    EXPECT_EQ(Enabled(), (std::vector<bool>{false, true, false}));
    CResultItem record = Record("song.mp3");
    record.m_arrValues.resize(3);
    m_columns.FillDetailColumns(record);
    EXPECT_TRUE(record.m_arrValues.empty());
    EXPECT_EQ(m_mp3->loads + m_gif->loads + m_pdf->loads, 0);
}

TEST_F(DetailColumnsTest, OnlyProvidersOwningAVisibleColumnAreEnabled) {
    m_columns.SetVisibleColumns(Columns({1001, 102}));
    EXPECT_EQ(Enabled(), (std::vector<bool>{true, true, false}));  // the GIF one takes any id
    m_columns.SetVisibleColumns(Columns({1001, 50}));
    EXPECT_EQ(Enabled(), (std::vector<bool>{false, true, true}));
    EXPECT_EQ(m_columns.GetSlotMap(), (std::vector<int>{-1, 0}));
}

TEST_F(DetailColumnsTest, TheFirstEnabledProviderFillsTheSlots) {
    m_columns.SetVisibleColumns(Columns({50, 1001, 2, 1002, 102}));
    EXPECT_EQ(m_columns.GetSlotMap(), (std::vector<int>{0, -1, 1, -1, 2}));
    // Both MP3 providers are enabled: the first in list order reads the file.
    CResultItem song = Record("Song.MP3");
    m_columns.FillDetailColumns(song);
    ASSERT_EQ(song.m_arrValues.size(), 3u);
    EXPECT_FALSE(song.m_arrValues[0].valid);  // it has no page count
    EXPECT_TRUE(song.m_arrValues[1].valid);
    EXPECT_EQ(song.m_arrValues[1].text, "2:Song.MP3");
    EXPECT_EQ(song.m_arrValues[2].text, "102:Song.MP3");
    EXPECT_EQ(m_mp3->loads, 1);
    EXPECT_EQ(m_mp3->resets, 1);
    EXPECT_EQ(m_pdf->loads, 0);

    // With only the PDF provider's columns shown, the MP3 one is disabled and
    // the next supporting provider takes the file.
    m_columns.SetVisibleColumns(Columns({1001, 50}));
    m_columns.FillDetailColumns(song);
    ASSERT_EQ(song.m_arrValues.size(), 1u);
    EXPECT_EQ(song.m_arrValues[0].text, "50:Song.MP3");
    EXPECT_EQ(m_mp3->loads, 1);
    EXPECT_EQ(m_pdf->loads, 1);
}

TEST_F(DetailColumnsTest, AFailedLoadLeavesEmptyCellsAndNoReset) {
    m_columns.SetVisibleColumns(Columns({2, 4}));
    CResultItem song = Record("a.mp3");
    song.m_arrValues.resize(2);
    song.m_arrValues[0].text = "stale";
    song.m_arrValues[0].valid = TRUE;
    m_mp3->loadResult = false;
    m_columns.FillDetailColumns(song);
    EXPECT_EQ(m_mp3->resets, 0);
    for (const COLUMNVALUE& value : song.m_arrValues) {
        EXPECT_FALSE(value.valid);
        EXPECT_EQ(value.text, "");
    }
    // No provider for the name: empty cells too.
    CResultItem other = Record("notes.txt");
    m_columns.FillDetailColumns(other);
    EXPECT_EQ(other.m_arrValues.size(), 2u);
    EXPECT_FALSE(other.m_arrValues[0].valid);
}

TEST_F(DetailColumnsTest, TheDialogOffersStandardThenProviderColumnsOnce) {
    m_columns.SetVisibleColumns(Columns({1001, 1002, 4}));
    EXPECT_EQ(ColumnIds(m_columns.GetAvailableColumns()),
              (std::vector<int>{1003, 1004, 1005, 1006, 1007, 1008, 2, 102, 301, 302, 303, 50}));
    COLUMNINFO info{};
    ASSERT_TRUE(m_columns.FindColumn(102, &info));
    EXPECT_STREQ(info.szTitle, "Frequency");
    EXPECT_FALSE(m_columns.FindColumn(4242, &info));
}

TEST(DetailValueChangeTest, MoveWhenEveryColumnWasShownElseRefill) {
    CResultItem record = Record("a.pdf");
    record.m_arrValues.resize(2);
    const CColumnInfoArray before = Columns({1001, 2, 4});
    EXPECT_EQ(GetDetailValueChange(before, Columns({1001, 2, 4}), &record),
              DetailValueChange::None);
    EXPECT_EQ(GetDetailValueChange(before, Columns({2, 1001, 4}), &record),
              DetailValueChange::None);  // only a standard column moved
    EXPECT_EQ(GetDetailValueChange(before, Columns({1001, 4, 2}), &record),
              DetailValueChange::Move);
    EXPECT_EQ(GetDetailValueChange(before, Columns({1001, 4}), &record), DetailValueChange::Move);
    EXPECT_EQ(GetDetailValueChange(before, Columns({1001, 4, 5}), &record),
              DetailValueChange::Refill);
    EXPECT_EQ(GetDetailValueChange(before, Columns({1001}), &record), DetailValueChange::None);
    EXPECT_EQ(GetDetailValueChange(before, Columns({1001, 5}), nullptr), DetailValueChange::None);

    record.m_arrValues[0].text = "title";
    record.m_arrValues[0].valid = TRUE;
    record.m_arrValues[1].text = "author";
    MoveDetailValues(record, before, Columns({4, 1002, 2}));
    ASSERT_EQ(record.m_arrValues.size(), 2u);
    EXPECT_EQ(record.m_arrValues[0].text, "author");
    EXPECT_FALSE(record.m_arrValues[0].valid);
    EXPECT_EQ(record.m_arrValues[1].text, "title");
    EXPECT_TRUE(record.m_arrValues[1].valid);
    MoveDetailValues(record, Columns({4, 2}), Columns({2}));
    ASSERT_EQ(record.m_arrValues.size(), 1u);
    EXPECT_EQ(record.m_arrValues[0].text, "title");
}

TEST(DetailColumnsSearchTest, DescriptionFilesShowWhenTheProvidersAreMadeBeforeAnySearch) {
    // The column dialog may make the providers before anything made the
    // archive readers; the description-file provider still gets their
    // extensions.
    FreeArchiveHandlers();
    const std::string root = zbtest::MakeTempDir("dizcolumns");
    zbtest::WriteFile(root + "/demo.zip",
                      zbtest::BuildZip({{"FILE_ID.DIZ", "Demo disk\r\n"}}).bytes);
    CDetailColumns columns;
    columns.EnsureProviders();
    columns.SetVisibleColumns(Columns({1001, 6}));
    CResultItem record = Record("demo.zip");
    record.m_sFolder = root;
    record.SetFullPidl(zbtest::ListOfPath(root + "/demo.zip"));
    columns.FillDetailColumns(record);
    ASSERT_EQ(record.m_arrValues.size(), 1u);
    EXPECT_TRUE(record.m_arrValues[0].valid);
    EXPECT_EQ(record.m_arrValues[0].text, "Demo disk");
}

// The records a search of everything below `root` keeps with `columns`
// visible, on `threads` threads beside the walk.
std::shared_ptr<CResultArray> SearchShowing(const std::string& root, CDetailColumns& columns,
                                            int threads = -1) {
    zbtest::RecordingHost host;
    CSearchEngine engine(&host, &host);
    engine.SetDetailColumns(&columns);
    CSearchData criteria;
    criteria.Reset();
    criteria.m_MainData.m_sFindRootPath = root;
    CSearchRequest request;
    const SearchRequestResult prepared = PrepareSearchRequest(criteria, &request);
    EXPECT_TRUE(prepared.Ok()) << prepared.message;
    request.scanThreads = threads;
    engine.RunSearch(std::move(request));
    return engine.GetResultList().GetResults();
}

TEST(DetailColumnsSearchTest, ASearchFillsThePdfColumnsOfItsRows) {
    const std::string root = zbtest::MakeTempDir("pdfsearch");
    zbtest::PdfContents document;
    document.info = {{"Title", "Annual report"}};
    document.pages = {{"a"}, {"b"}};
    zbtest::WriteFile(root + "/report.pdf", zbtest::BuildPdf(document));
    zbtest::WriteFile(root + "/broken.pdf", "%PDF-1.4 nothing else");
    zbtest::WriteFile(root + "/notes.txt", "text");

    CDetailColumns columns;
    columns.EnsureProviders();
    columns.SetVisibleColumns(Columns({1001, 2, 50}));
    const std::shared_ptr<CResultArray> results = SearchShowing(root, columns);
    ASSERT_EQ(results->GetCount(), 3u);
    for (std::size_t i = 0; i < results->GetCount(); ++i) {
        const CResultItem& record = results->GetAt(i);
        ASSERT_EQ(record.m_arrValues.size(), 2u) << record.m_sName;
        const bool report = record.m_sName == "report.pdf";
        EXPECT_EQ(record.m_arrValues[0].valid != 0, report) << record.m_sName;
        EXPECT_EQ(record.m_arrValues[1].valid != 0, report) << record.m_sName;
        if (report) {
            EXPECT_EQ(record.m_arrValues[0].text, "Annual report");
            EXPECT_EQ(record.m_arrValues[1].GetUInt32(), 2u);
        }
    }
}

TEST(DetailColumnsSearchTest, TheDosBitsAreReadWithTheRowsOnlyWhenTheAttributeColumnShows) {
    const std::string root = zbtest::MakeTempDir("dosbits");
    const std::string marked = zbtest::WriteFile(root + "/sub/marked.doc", "x");
    zbtest::WriteFile(root + "/plain.txt", "x");
    if (setxattr(marked.c_str(), "user.DOSATTRIB", "0x24", 4, 0) != 0)
        GTEST_SKIP() << "the temporary file system refuses user extended attributes";
    constexpr DWORD kMarked = FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

    struct Case {
        CColumnInfoArray columns;
        int threads;
        bool bitsRead;
    };
    const CColumnInfoArray hidden = Columns({1001, 1002});
    const CColumnInfoArray shown = Columns({1001, 1008});
    for (const Case& c : {Case{hidden, 0, false}, Case{hidden, 3, false}, Case{shown, 0, true},
                          Case{shown, 3, true}}) {
        CDetailColumns columns;
        columns.SetVisibleColumns(c.columns);
        const std::shared_ptr<CResultArray> results = SearchShowing(root, columns, c.threads);
        ASSERT_EQ(results->GetCount(), 3u);
        for (std::size_t i = 0; i < results->GetCount(); ++i) {
            const CResultItem& record = results->GetAt(i);
            const bool isMarked = record.m_sName == "marked.doc";
            const bool isFile = !(record.m_dwFlags & RIF_FOLDER);
            SCOPED_TRACE(record.m_sName + " with " + std::to_string(c.threads) + " threads");
            EXPECT_EQ((record.m_dwFlags & RIF_DOS_UNREAD) != 0, !c.bitsRead);
            EXPECT_EQ(record.m_dwAttributes & kMarked, isMarked && c.bitsRead ? kMarked : 0u);
            EXPECT_EQ(
                GetResultAttributes(record),
                isMarked ? kMarked : (isFile ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_DIRECTORY));
        }
    }
}

}  // namespace
