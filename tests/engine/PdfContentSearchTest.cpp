#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/engine/SearchEngine.h"
#include "engine/RecordingSearchHost.h"
#include "support/PdfWriter.h"
#include "support/TempHome.h"

namespace {

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
        CSearchData criteria;
        criteria.Reset();
        criteria.m_MainData.m_sFindString = "*.pdf";
        criteria.m_MainData.m_sFindRootPath = root;
        criteria.m_IncludeStringData.m_sIncludeStr = "quarterly figures";
        CSearchRequest request;
        const SearchRequestResult prepared = PrepareSearchRequest(criteria, &request);
        ASSERT_TRUE(prepared.Ok()) << prepared.message;
        request.scanThreads = threads;
        zbtest::RecordingHost host;
        CSearchEngine engine(&host, &host);
        engine.RunSearch(std::move(request));
        EXPECT_EQ(host.rows, std::vector<std::string>{root + "/with.pdf"}) << threads;
    }
}

}  // namespace
