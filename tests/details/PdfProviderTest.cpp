#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "details/ProviderTestSupport.h"
#include "platform/TextBuffer.h"
#include "readers/details/PdfDocument.h"
#include "readers/details/PdfInfoProvider.h"
#include "readers/details/PdfText.h"
#include "readers/details/PdfTextSource.h"
#include "readers/details/StopFlag.h"
#include "support/PdfWriter.h"
#include "support/TempHome.h"

namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

const std::string kPdfData = std::string(ZEMBROLT_TESTDATA) + "/pdf/";

using zbtest::DiskItem;

std::string Text(CPdfInfoProvider& provider, int id) {
    COLUMNVALUE value;
    EXPECT_TRUE(provider.GetValue(id, &value)) << id;
    return value.text;
}

std::uint32_t Number(CPdfInfoProvider& provider, int id) {
    COLUMNVALUE value;
    EXPECT_TRUE(provider.GetValue(id, &value)) << id;
    return value.GetUInt32();
}

class PdfProviderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = zbtest::MakeTempDir("pdf");
        m_provider.InitExtensions();
        SetStopFlag(FALSE);
    }
    void TearDown() override { SetStopFlag(FALSE); }

    std::string Write(const std::string& name, const std::string& bytes) {
        return zbtest::WriteFile(m_dir + "/" + name, bytes);
    }
    // A document whose information dictionary holds `title` (raw bytes).
    BOOL LoadWithTitle(const std::string& title) {
        zbtest::PdfContents document;
        document.pages = {{"x"}};
        document.info = {{"Title", title}};
        return m_provider.Load(DiskItem(Write("title.pdf", zbtest::BuildPdf(document))));
    }

    std::string m_dir;
    CPdfInfoProvider m_provider;
};

TEST_F(PdfProviderTest, ColumnsAndExtension) {
    EXPECT_EQ(m_provider.GetExtensions(), std::vector<std::string>{"pdf"});
    ASSERT_EQ(m_provider.GetColumnCount(), 7);
    std::vector<int> ids;
    COLUMNINFO info{};
    for (int i = 0; m_provider.GetColumnByIndex(i, &info); ++i)
        ids.push_back(info.nId);
    EXPECT_EQ(ids, (std::vector<int>{2, 3, 4, 5, 50, 57, 58}));
    EXPECT_FALSE(m_provider.GetColumnByIndex(-1, &info));
    // By id: any row of the table, not only the provider's own.
    ASSERT_TRUE(m_provider.GetColumnById(1001, &info));
    EXPECT_STREQ(info.szTitle, "Name");
    EXPECT_FALSE(m_provider.GetColumnById(9999, &info));
    EXPECT_TRUE(m_provider.HasColumn(58));
    EXPECT_FALSE(m_provider.HasColumn(6));
}

TEST_F(PdfProviderTest, InformationStringsAsTheFileStoresThem) {
    zbtest::PdfContents document;
    document.pages = {{"one"}, {"two"}, {"three"}};
    document.info = {{"Title", "Plain title"},
                     {"Subject", "\xFE\xFF\x00S\x00u\x00\xE9"s},  // UTF-16 below U+0100
                     {"Author",
                      "\xFE\xFF\x00"
                      "A\x4E\x2D"s},                  // a wider character
                     {"Keywords", "euro \x80 sign"},  // Windows-1252
                     {"Producer", "cut\0here"s}};
    ASSERT_TRUE(m_provider.Load(DiskItem(Write("info.pdf", zbtest::BuildPdf(document)))));
    EXPECT_EQ(m_provider.GetState(), PROVIDER_STATE_LOADED);
    EXPECT_EQ(Text(m_provider, 2), "Plain title");
    EXPECT_EQ(Text(m_provider, 3), "Su\xC3\xA9");
    EXPECT_EQ(Text(m_provider, 4), "<unicode>");
    EXPECT_EQ(Text(m_provider, 5), "euro \xE2\x82\xAC sign");
    EXPECT_EQ(Text(m_provider, 57), "cut");
    EXPECT_EQ(Number(m_provider, 50), 3u);
    EXPECT_EQ(Number(m_provider, 58), 0u);
    COLUMNVALUE value;
    EXPECT_FALSE(m_provider.GetValue(6, &value));
    EXPECT_TRUE(m_provider.Reset());

    // A UTF-16 title whose wide character comes last still shows "<unicode>".
    ASSERT_TRUE(LoadWithTitle("\xFE\xFF\x00T\x01\x00"s));
    EXPECT_EQ(Text(m_provider, 2), "<unicode>");
    ASSERT_TRUE(LoadWithTitle("\xFE\xFF\x00T\x00\xFF"s));
    EXPECT_EQ(Text(m_provider, 2), "T\xC3\xBF");
}

TEST_F(PdfProviderTest, WithoutInformationStillPagesAndSecurity) {
    zbtest::PdfContents document;
    document.pages = {{"a"}, {"b"}};
    ASSERT_TRUE(m_provider.Load(DiskItem(Write("bare.pdf", zbtest::BuildPdf(document)))));
    for (const int id : {2, 3, 4, 5, 57})
        EXPECT_EQ(Text(m_provider, id), "") << id;
    EXPECT_EQ(Number(m_provider, 50), 2u);
    EXPECT_EQ(Number(m_provider, 58), 0u);
}

TEST_F(PdfProviderTest, EncryptedDocuments) {
    // An empty user password opens the document; its strings are decrypted.
    ASSERT_TRUE(m_provider.Load(DiskItem(kPdfData + "r2-empty-password.pdf")));
    EXPECT_EQ(Text(m_provider, 4), "cheng");
    EXPECT_EQ(Number(m_provider, 50), 1u);
    EXPECT_EQ(Number(m_provider, 58), 1u);
    // One that needs a password yields nothing, and the earlier values are gone.
    EXPECT_FALSE(m_provider.Load(DiskItem(kPdfData + "r2-user-password.pdf")));
    EXPECT_EQ(m_provider.GetState(), PROVIDER_STATE_LOADING);
    COLUMNVALUE value;
    EXPECT_FALSE(m_provider.GetValue(4, &value));
    CTextBuffer text;
    EXPECT_FALSE(ExtractPdfFileText(kPdfData + "r2-user-password.pdf", &text));
}

TEST_F(PdfProviderTest, BrokenFilesFailQuietly) {
    zbtest::PdfContents document;
    document.pages = {{"some text"}, {"more text"}};
    document.info = {{"Title", "T"}};
    const std::string whole = zbtest::BuildPdf(document);
    std::vector<std::string> broken = {"", "%PDF-1.4", std::string(4096, '\xA5'),
                                       "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n%%EOF"};
    for (std::size_t size = 1; size < whole.size(); size += whole.size() / 23 + 1)
        broken.push_back(whole.substr(0, size));
    testing::internal::CaptureStderr();
    for (std::size_t i = 0; i < broken.size(); ++i) {
        const std::string path = Write("broken" + std::to_string(i) + ".pdf", broken[i]);
        m_provider.Load(DiskItem(path));
        CTextBuffer text;
        ExtractPdfFileText(path, &text);
    }
    EXPECT_FALSE(m_provider.Load(DiskItem(Write("garbage.pdf", std::string(4096, '\xA5')))));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(PdfProviderTest, OnlyFilesOnDiskAreRead) {
    zbtest::PdfContents document;
    document.pages = {{"x"}};
    const std::string path = Write("doc.pdf", zbtest::BuildPdf(document));
    CProviderItem member = DiskItem(path);
    member.m_bInArchive = TRUE;
    member.m_sInnerPath = "doc.pdf";
    EXPECT_FALSE(m_provider.Load(member));
    CProviderItem folder = DiskItem(m_dir);
    folder.m_bFolder = TRUE;
    EXPECT_FALSE(m_provider.Load(folder));
    CProviderItem pathless = DiskItem(path);
    pathless.m_sPath.clear();
    EXPECT_FALSE(m_provider.Load(pathless));
    EXPECT_FALSE(m_provider.Load(DiskItem(m_dir)));  // a folder's path is no regular file
    EXPECT_TRUE(m_provider.Load(DiskItem(path)));
}

TEST_F(PdfProviderTest, PageTextWithItsSeparators) {
    zbtest::PdfContents document;
    document.pages = {{"first line", "second line"}, {}, {"third page"}};
    document.deflate = true;
    const std::string path = Write("text.pdf", zbtest::BuildPdf(document));
    CTextBuffer text;
    ASSERT_TRUE(ExtractPdfFileText(path, &text));
    EXPECT_EQ(std::string(text.GetData()),
              "first line\r\nsecond line\r\n\n\f\n\n"
              "\n\f\n\n"
              "third page\r\n\n\f\n\n");
    // The content search's hook reads the same text unless told otherwise.
    CTextBuffer hooked;
    ASSERT_TRUE(ExtractPdfText(path, &hooked));
    EXPECT_STREQ(hooked.GetData(), text.GetData());
}

TEST_F(PdfProviderTest, TheStopFlagEndsTheTextBetweenPages) {
    zbtest::PdfContents document;
    document.pages = {{"page one"}, {"page two"}, {"page three"}};
    const std::string path = Write("three.pdf", zbtest::BuildPdf(document));
    CTextBuffer text;
    std::vector<int> pages;
    ASSERT_TRUE(ExtractPdfFileText(path, &text, [&](int page) {
        pages.push_back(page);
        SetStopFlag(TRUE);
    }));
    EXPECT_EQ(pages, std::vector<int>{0});
    EXPECT_STREQ(text.GetData(), "page one\r\n\n\f\n\n");

    CTextBuffer none;
    ASSERT_TRUE(ExtractPdfFileText(path, &none));  // stopped before the first page
    EXPECT_EQ(none.GetLength(), 0);
}

// A long document is rendered on several threads; its pages still come in
// order, each told to `pageDone` as it is added, and a stop before the
// first page leaves the text empty.
TEST_F(PdfProviderTest, ALongDocumentKeepsItsPageOrder) {
    zbtest::PdfContents document;
    document.deflate = true;
    std::string expected;
    std::vector<int> expectedPages;
    for (int i = 0; i < 45; ++i) {
        const std::string line = "page " + std::to_string(i) + " of many";
        document.pages.push_back({line});
        expected += line + "\r\n\n\f\n\n";
        expectedPages.push_back(i);
    }
    const std::string path = Write("long.pdf", zbtest::BuildPdf(document));
    CTextBuffer text;
    std::vector<int> pages;
    ASSERT_TRUE(ExtractPdfFileText(
        path, &text, [&](int page) { pages.push_back(page); }, 4));
    EXPECT_EQ(std::string(text.GetData()), expected);
    EXPECT_EQ(pages, expectedPages);

    SetStopFlag(TRUE);
    CTextBuffer none;
    ASSERT_TRUE(ExtractPdfFileText(path, &none, {}, 4));
    EXPECT_EQ(none.GetLength(), 0);
}

TEST(PdfPageTextTest, LinesEndInCrLfAndPagesInTheSeparator) {
    std::string out;
    AppendPdfPageText("a\nb\n\f", out);
    EXPECT_EQ(out, "a\r\nb\r\n\n\f\n\n");
    out.clear();
    AppendPdfPageText("no end\0x"sv, out);
    EXPECT_EQ(out, "no endx\r\n\n\f\n\n");
    out.clear();
    AppendPdfPageText("\f", out);
    EXPECT_EQ(out, "\n\f\n\n");
}

TEST(PdfInfoTextTest, UnitsBecomeText) {
    using Units = std::basic_string<unsigned short>;
    EXPECT_EQ(PdfInfoUnitsToText(Units{'A', 0xE9}), "A\xC3\xA9");
    EXPECT_EQ(PdfInfoUnitsToText(Units{'A', 0, 'B'}), "A");
    EXPECT_EQ(PdfInfoUnitsToText(Units{'A', 0, 0x100}), "<unicode>");
    EXPECT_EQ(PdfInfoUnitsToText(Units{}), "");
}

}  // namespace
