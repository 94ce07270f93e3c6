#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archives/ZipBuilder.h"
#include "details/ProviderTestSupport.h"
#include "readers/archives/ArchiveHandler.h"
#include "readers/details/DizInfoProvider.h"
#include "readers/details/HtmlTitleProvider.h"
#include "support/TempHome.h"

namespace {

using namespace zbtest;

const std::string kHtmlData = std::string(ZEMBROLT_TESTDATA) + "/html/";

// `text` as UTF-16 little-endian bytes after a byte-order mark.
std::string Utf16Page(const std::u16string& text) {
    std::string out = "\xFF\xFE";
    for (const char16_t unit : text) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
    return out;
}

class HtmlTitleProviderTest : public ::testing::Test {
protected:
    void SetUp() override { m_provider.InitExtensions(); }
    BOOL Load(const std::string& bytes) {
        return m_provider.Load(DiskItem(m_files.Write(".html", bytes)));
    }

    NumberedFiles m_files{"html"};
    CHtmlTitleProvider m_provider;
};

// Expected titles were taken once from a reference reader.
TEST_F(HtmlTitleProviderTest, SamplePages) {
    ASSERT_TRUE(m_provider.Load(DiskItem(kHtmlData + "case-1117013.html")));
    EXPECT_EQ(Shown(m_provider, 2), "test 1117013");
    ASSERT_TRUE(m_provider.Load(DiskItem(kHtmlData + "case-2705873b.xhtml.html")));
    EXPECT_EQ(Shown(m_provider, 2), "Virtual Library");
    EXPECT_FALSE(m_provider.Load(DiskItem(kHtmlData + "case-1053626.html")));
    EXPECT_EQ(Shown(m_provider, 2), "<none>");
}

TEST_F(HtmlTitleProviderTest, TagsCompareWithoutCaseAndTheTitleKeepsItsOwn) {
    ASSERT_TRUE(Load("<HTML><HEAD><TITLE>Foo Bar</Title></HEAD>"));
    EXPECT_EQ(Shown(m_provider, 2), "Foo Bar");
    EXPECT_EQ(m_provider.GetState(), PROVIDER_STATE_LOADED);
    ASSERT_TRUE(Load("<title></title>"));
    EXPECT_EQ(Shown(m_provider, 2), "");
    EXPECT_EQ(m_provider.GetState(), PROVIDER_STATE_LOADED);
    // Latin-1 bytes that are not UTF-8 are shown as their characters.
    ASSERT_TRUE(Load("<title>Caf\xE9</title>"));
    EXPECT_TRUE(Shows(m_provider, {{2, "Caf\u00e9"}, {6, "<none>"}}));
}

TEST_F(HtmlTitleProviderTest, OnlyTheFirstBlockIsSearched) {
    // The end tag ends exactly at byte 1024: found.
    std::string edge = std::string(1024 - 20, ' ') + "<title>abcde</title>";
    ASSERT_EQ(edge.size(), 1024u);
    ASSERT_TRUE(Load(edge + "more"));
    EXPECT_EQ(Shown(m_provider, 2), "abcde");
    // A title that starts at byte 1000 and ends after byte 1024.
    const std::string across =
        std::string(1000, ' ') + "<title>" + std::string(93, 'x') + "</title>";
    EXPECT_FALSE(Load(across));
    // A title wholly after the first block.
    EXPECT_FALSE(Load(std::string(5000, ' ') + "<title>late</title>"));
    EXPECT_FALSE(Load("<tit"));  // fewer than 8 bytes
    EXPECT_FALSE(Load(""));
    EXPECT_FALSE(Load("12345"));
}

TEST_F(HtmlTitleProviderTest, Utf16Pages) {
    ASSERT_TRUE(Load(Utf16Page(u"<html><TITLE>Caf\u00e9 \u4e2d</title>")));
    EXPECT_EQ(Shown(m_provider, 2), "Caf\u00e9 \u4e2d");
    // An unpaired surrogate shows as "?"; an odd trailing byte is dropped.
    ASSERT_TRUE(Load(Utf16Page(u"<title>a\xD800z</title>") + "x"));
    EXPECT_EQ(Shown(m_provider, 2), "a?z");
    // 8-bit tags do not match in a UTF-16 page.
    EXPECT_FALSE(Load("\xFF\xFE<title>x</title>"));
}

TEST_F(HtmlTitleProviderTest, PagesInsideArchivesAreRead) {
    InitArchiveHandlers();
    const std::string archive = WriteFile(
        m_files.Dir() + "/site.zip", BuildZip({{"www/index.htm", "<title>Home</title>"}}).bytes);
    ASSERT_TRUE(m_provider.Load(MemberItem(archive, "www\\index.htm")));
    EXPECT_EQ(Shown(m_provider, 2), "Home");
    CProviderItem folder = DiskItem(m_files.Dir());
    folder.m_bFolder = TRUE;
    EXPECT_FALSE(m_provider.Load(folder));
}

class DizInfoProviderTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitArchiveHandlers();
        ASSERT_TRUE(m_provider.InitExtensions());
    }
    BOOL Load(const std::vector<ZipTestMember>& members) {
        return m_provider.Load(DiskItem(m_files.Write(".zip", BuildZip(members).bytes)));
    }

    NumberedFiles m_files{"diz"};
    CDizInfoProvider m_provider;
};

TEST_F(DizInfoProviderTest, ExtensionsAreTheArchiveReaders) {
    std::vector<std::string> all;
    for (const auto& handler : g_arrArchiveHandlers) {
        std::vector<std::string> extensions;
        handler->GetExtensions(&extensions);
        all.insert(all.end(), extensions.begin(), extensions.end());
    }
    EXPECT_EQ(m_provider.GetExtensions(), all);
    EXPECT_TRUE(m_provider.IsSupported("pack.ZIP"));
}

TEST_F(DizInfoProviderTest, FirstLineOfTheFirstDescriptionMember) {
    // Members are walked in the reader's table order (sorted by path).
    ASSERT_TRUE(Load({{"readme.txt", "no"},
                      {"sub/z/file_id.diz", "second"},
                      {"sub/FILE_ID.DIZ", "line one\r\nline two"}}));
    EXPECT_EQ(Shown(m_provider, 6), "line one");
    ASSERT_TRUE(Load({{"file_id.diz", std::string(250, 'd')}}));
    EXPECT_EQ(Shown(m_provider, 6), std::string(199, 'd'));
    ASSERT_TRUE(Load({{"FILE_ID.DIZ", std::string("cut\0here", 8)}}));
    EXPECT_EQ(Shown(m_provider, 6), "cut");
    // Code page 437 text.
    ASSERT_TRUE(Load({{"file_id.diz", "\xC9\xCD\xBB Demo \x82t\x82\n"}}));
    EXPECT_EQ(Shown(m_provider, 6), "\u2554\u2550\u2557 Demo \u00e9t\u00e9");
}

TEST_F(DizInfoProviderTest, NoOrEmptyDescriptionGivesNothing) {
    EXPECT_FALSE(Load({{"a.txt", "x"}, {"file_id.dizz", "y"}, {"xfile_id.diz", "z"}}));
    EXPECT_EQ(Shown(m_provider, 6), "<none>");
    // The first match decides, even when empty.
    EXPECT_FALSE(Load({{"b/file_id.diz", "later"}, {"a/file_id.diz", ""}}));
    const std::string text = WriteFile(m_files.Dir() + "/fake.zip", "not an archive");
    EXPECT_FALSE(m_provider.Load(DiskItem(text)));
    const std::string archive =
        WriteFile(m_files.Dir() + "/in.zip", BuildZip({{"file_id.diz", "x"}}).bytes);
    EXPECT_FALSE(m_provider.Load(MemberItem(archive, "inner.zip")));
    EXPECT_TRUE(m_provider.Load(DiskItem(archive)));
}

}  // namespace
