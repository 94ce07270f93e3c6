#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/engine/SearchEngine.h"
#include "engine/RecordingSearchHost.h"
#include "platform/TextBuffer.h"
#include "readers/details/PdfTextSource.h"
#include "support/PdfWriter.h"
#include "support/TempHome.h"

namespace {

CSearchRequest TextSearch(const std::string& root, const std::string& names,
                          const std::string& text, int threads) {
    CSearchData criteria;
    criteria.Reset();
    criteria.m_MainData.m_sFindString = names;
    criteria.m_MainData.m_sFindRootPath = root;
    criteria.m_IncludeStringData.m_sIncludeStr = text;
    CSearchRequest request;
    const SearchRequestResult prepared = PrepareSearchRequest(criteria, &request);
    EXPECT_TRUE(prepared.Ok()) << prepared.message;
    request.scanThreads = threads;
    return request;
}

// The words of a deflated PDF are not in its bytes: only its page text has them.
TEST(PdfContentSearchTest, TheTextSearchReadsThePagesOfPdfDocuments) {
    const std::string root = zbtest::MakeTempDir("pdftext");
    zbtest::PdfContents document;
    document.deflate = true;
    document.pages = {{"nothing here"}, {"the quarterly figures", "rose again"}};
    zbtest::WriteFile(root + "/with.pdf", zbtest::BuildPdf(document));
    document.pages = {{"other words"}};
    zbtest::WriteFile(root + "/without.pdf", zbtest::BuildPdf(document));
    zbtest::WriteFile(root + "/plain.txt", "the quarterly figures");

    for (const int threads : {0, 2}) {
        zbtest::RecordingHost host;
        CSearchEngine engine(&host, &host);
        engine.RunSearch(TextSearch(root, "*.pdf", "quarterly figures", threads));
        EXPECT_EQ(host.rows, std::vector<std::string>{root + "/with.pdf"}) << threads;
    }
}

// Waits on `changed` until `done` holds, however long that takes, so that a
// slow machine only makes a test slower. A search that never gets there
// hangs its test until ctest's timeout; after a minute the wait says once
// what it waits for, so that the timeout's output tells why.
template <class Condition>
void WaitWithoutDeadline(std::condition_variable& changed, std::unique_lock<std::mutex>& guard,
                         const Condition& done, const char* what) {
    if (!changed.wait_for(guard, std::chrono::minutes(1), done)) {
        std::fprintf(stderr, "still waiting for %s\n", what);
        changed.wait(guard, done);
    }
}

// Records like RecordingHost and lets a rendering wait until the walk has
// entered `folder` (its status text names it).
class FolderWatchingHost : public zbtest::RecordingHost {
public:
    explicit FolderWatchingHost(std::string folder) : m_folder(std::move(folder)) {}
    void SetStatusText(const std::string& text) override {
        RecordingHost::SetStatusText(text);
        if (text.find(m_folder) != std::string::npos) {
            const std::lock_guard guard(m_lock);
            m_entered = true;
            m_changed.notify_all();
        }
    }
    void WaitUntilEntered() {
        std::unique_lock guard(m_lock);
        WaitWithoutDeadline(
            m_changed, guard, [this] { return m_entered; }, "the walk to enter the last folder");
    }

private:
    std::string m_folder;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_entered = false;
};

// Page text takes long to render; the walk goes on meanwhile and the rows
// keep the walk's order. Each document's text is given only once the walk
// has entered the last folder: a walk that waited for a document would never
// get there.
class PdfTextWhileWalking : public ::testing::Test {
protected:
    void TearDown() override { SetPdfTextExtractor({}); }
};

TEST_F(PdfTextWhileWalking, TheWalkGoesOnAndTheRowsKeepTheirOrder) {
    const std::string root = zbtest::MakeTempDir("pdfwalk");
    zbtest::WriteFile(root + "/a.txt", "a needle first");
    zbtest::WriteFile(root + "/b.pdf", "%PDF-1.4 deflated pages");
    zbtest::WriteFile(root + "/c.txt", "a needle right after the document");
    zbtest::WriteFile(root + "/d.pdf", "%PDF-1.4 deflated pages");
    zbtest::WriteFile(root + "/e.txt", "hay");
    zbtest::WriteFile(root + "/f/g.txt", "needle");
    zbtest::WriteFile(root + "/zz/h.txt", "needle in the last folder");
    const std::vector<std::string> expected = {root + "/a.txt", root + "/b.pdf", root + "/c.txt",
                                               root + "/f/g.txt", root + "/zz/h.txt"};
    for (const int threads : {1, 2, 7}) {
        FolderWatchingHost host(root + "/zz");
        SetPdfTextExtractor([&host](const std::string& path, CTextBuffer* text) {
            host.WaitUntilEntered();
            text->Append(path.ends_with("/b.pdf") ? "a needle on page two" : "nothing");
            return TRUE;
        });
        CSearchEngine engine(&host, &host);
        engine.RunSearch(TextSearch(root, "", "needle", threads));
        EXPECT_EQ(host.rows, expected) << threads;
    }
    // The result limit cuts the same order, also among rows that waited
    // behind a document.
    SetPdfTextExtractor([](const std::string& path, CTextBuffer* text) {
        text->Append(path.ends_with("/b.pdf") ? "a needle" : "nothing");
        return TRUE;
    });
    for (const int limit : {1, 2, 3}) {
        zbtest::RecordingHost host;
        CSearchEngine engine(&host, &host);
        CSearchRequest request = TextSearch(root, "", "needle", 2);
        request.resultLimit = limit;
        engine.RunSearch(std::move(request));
        EXPECT_EQ(host.rows, std::vector<std::string>(expected.begin(), expected.begin() + limit))
            << limit;
    }
}

// Rendering page text computes far more than it reads, so PDF documents are
// rendered on every worker of the search, not only on the few that read
// files. Each rendering waits until five run at once: on fewer workers they
// never would.
TEST_F(PdfTextWhileWalking, DocumentsAreRenderedOnEveryWorker) {
    const std::string root = zbtest::MakeTempDir("pdfmany");
    for (int i = 0; i < 12; ++i)
        zbtest::WriteFile(root + "/doc" + std::to_string(10 + i) + ".pdf", "%PDF-1.4");
    std::mutex lock;
    std::condition_variable changed;
    int running = 0;
    int most = 0;
    SetPdfTextExtractor([&](const std::string&, CTextBuffer* text) {
        std::unique_lock guard(lock);
        most = std::max(most, ++running);
        changed.notify_all();
        WaitWithoutDeadline(
            changed, guard, [&] { return most >= 5; }, "five renderings at once");
        --running;
        text->Append("a needle");
        return TRUE;
    });
    zbtest::RecordingHost host;
    CSearchEngine engine(&host, &host);
    engine.RunSearch(TextSearch(root, "", "needle", 7));
    EXPECT_EQ(host.rows.size(), 12u);
    EXPECT_GE(most, 5);
}

}  // namespace
