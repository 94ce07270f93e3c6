#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/engine/CriteriaTest.h"
#include "app/engine/IncludeExpr.h"
#include "archives/MemoryArchive.h"
#include "engine/CriteriaTestSupport.h"
#include "platform/TextBuffer.h"
#include "readers/archives/ArchiveHandler.h"
#include "readers/archives/ArchiveHandlerFactory.h"
#include "readers/details/PdfTextSource.h"
#include "support/Utf16Text.h"

namespace {

using zbtest::MemoryArchive;

using zbtest::Utf16;

std::unique_ptr<CArchiveHandler> MakeZipReader() {
    return std::make_unique<MemoryArchive>(std::vector<std::string>{"zip"});
}

class CriteriaContentTest : public zbtest::CriteriaTestFixture {
protected:
    void TearDown() override {
        SetPdfTextExtractor({});
        if (m_savedFactory) {
            FreeArchiveHandlers();
            SetArchiveHandlerFactory(ArchiveSlot::Zip, *m_savedFactory);
            MemoryArchive::Archives().clear();
        }
        CriteriaTestFixture::TearDown();
    }

    void SetInclude(const std::string& text, BOOL expression = FALSE) {
        CIncludeStringData data;
        data.m_sIncludeStr = text;
        data.m_bRegularExpression = expression;
        ASSERT_TRUE(CIncludeExpr(data).Parse(m_snapshot.includeNodes));
    }

    CResultItem DiskFile(const std::string& name, const std::string& contents) {
        CResultItem record;
        record.m_sName = name;
        record.SetFullPidl(zbtest::ListOfPath(zbtest::WriteFile(m_folder + "/" + name, contents)));
        record.m_nSize = contents.size();
        return record;
    }

    // A member of a stand-in archive on disk, read through the memory reader.
    CResultItem ArchiveMember(const std::string& innerFolder, const std::string& name,
                              const std::string& contents) {
        const std::string archive = zbtest::WriteFile(m_folder + "/pack.zip", "stand-in");
        MemoryArchive::Archives()[archive] = {{innerFolder + "/" + name, contents}};
        if (!m_savedFactory) {
            m_savedFactory = SetArchiveHandlerFactory(ArchiveSlot::Zip, &MakeZipReader);
        }
        FreeArchiveHandlers();
        InitArchiveHandlers();
        CResultItem record;
        record.SetFullPidl(zbtest::ListOfPath(archive));
        record.m_dwFlags = RIF_IN_ARCHIVE;
        record.m_sFolder = archive + "\\" + innerFolder;
        record.m_sName = name;
        record.m_nSize = contents.size();
        return record;
    }

    // Installs an extractor that gives `text` and counts its calls.
    void InstallPdfText(const std::string& text, BOOL result = TRUE) {
        SetPdfTextExtractor([this, text, result](const std::string& path, CTextBuffer* buffer) {
            ++m_extractions;
            m_extractedPath = path;
            buffer->Append(text.c_str());
            return result;
        });
    }

    int m_extractions = 0;
    std::string m_extractedPath;

private:
    std::optional<ArchiveHandlerFactory> m_savedFactory;
};

TEST_F(CriteriaContentTest, FileContainingTheWordPasses) {
    SetInclude("needle");
    EXPECT_TRUE(Match(DiskFile("a.txt", "hay hay NEEDLE hay")));
    EXPECT_FALSE(Match(DiskFile("b.txt", "hay hay hay")));
    EXPECT_FALSE(Match(DiskFile("empty.txt", "")));
}

TEST_F(CriteriaContentTest, Utf16TextIsFound) {
    SetInclude("needle");
    EXPECT_TRUE(Match(DiskFile("wide.txt", "\xFF\xFE" + Utf16("some needle here"))));
    EXPECT_FALSE(Match(DiskFile("wide2.txt", "\xFF\xFE" + Utf16("some thread here"))));
}

TEST_F(CriteriaContentTest, ExpressionsCombineTerms) {
    SetInclude("{alpha | beta} & !gamma", TRUE);
    EXPECT_TRUE(Match(DiskFile("a.txt", "beta only")));
    EXPECT_FALSE(Match(DiskFile("b.txt", "alpha and gamma")));
}

TEST_F(CriteriaContentTest, ANegatedTermFailsEveryFileThatHoldsIt) {
    SetInclude("!alpha", TRUE);
    EXPECT_FALSE(Match(DiskFile("a.txt", "alpha")));
    EXPECT_FALSE(Match(DiskFile("w.txt", Utf16("alpha"))));
    EXPECT_FALSE(Match(ArchiveMember("docs", "m.txt", "alpha")));
    EXPECT_TRUE(Match(DiskFile("b.txt", "beta")));
    EXPECT_TRUE(Match(ArchiveMember("docs", "n.txt", "beta")));
}

TEST_F(CriteriaContentTest, FoldersItemsWithoutPathAndMissingFilesFail) {
    SetInclude("x");
    CResultItem folder = FolderRecord("dir");
    folder.m_dwAttributes = 0;
    EXPECT_FALSE(Match(folder));

    CResultItem noPath = DiskFile("c.txt", "x");
    noPath.m_dwFlags = RIF_NO_PATH;
    EXPECT_FALSE(Match(noPath));

    CResultItem gone = DiskFile("gone.txt", "x");
    ASSERT_EQ(std::remove((m_folder + "/gone.txt").c_str()), 0);
    EXPECT_FALSE(Match(gone));
}

TEST_F(CriteriaContentTest, MemberInsideAnArchiveIsSearched) {
    SetInclude("needle");
    EXPECT_TRUE(Match(ArchiveMember("docs", "inner.txt", "a needle inside")));
    EXPECT_FALSE(Match(ArchiveMember("docs", "inner.txt", "nothing inside")));
    EXPECT_TRUE(Match(ArchiveMember("docs", "wide.txt", Utf16("a needle inside"))));
    CResultItem missing = ArchiveMember("docs", "inner.txt", "a needle inside");
    missing.m_sName = "other.txt";
    EXPECT_FALSE(Match(missing));
}

TEST_F(CriteriaContentTest, PdfTextIsSearchedAfterThePlainPasses) {
    SetInclude("needle");
    InstallPdfText("page one\n\f\n\nthe needle is here\n\f\n\n");
    const CResultItem pdf = DiskFile("doc.pdf", "%PDF-1.4 compressed streams");
    EXPECT_TRUE(Match(pdf));
    EXPECT_EQ(m_extractions, 1);
    EXPECT_EQ(m_extractedPath, m_folder + "/doc.pdf");

    // Found in the raw bytes: no extraction.
    EXPECT_TRUE(Match(DiskFile("raw.pdf", "%PDF-1.4 needle")));
    EXPECT_EQ(m_extractions, 1);

    // The extension in any case.
    EXPECT_TRUE(Match(DiskFile("UPPER.PDF", "%PDF")));
    EXPECT_EQ(m_extractions, 2);
}

TEST_F(CriteriaContentTest, OnlyPdfFilesOnDiskAreExtracted) {
    SetInclude("needle");
    InstallPdfText("needle");
    EXPECT_FALSE(Match(DiskFile("doc.txt", "%PDF")));
    EXPECT_FALSE(Match(DiskFile("pdf", "%PDF")));
    EXPECT_FALSE(Match(DiskFile("doc.pdf.bak", "%PDF")));
    EXPECT_FALSE(Match(ArchiveMember("docs", "inner.pdf", "%PDF")));
    EXPECT_EQ(m_extractions, 0);
}

TEST_F(CriteriaContentTest, PdfWithoutTextFails) {
    SetInclude("needle");
    const CResultItem pdf = DiskFile("doc.pdf", "%PDF");
    // No extractor installed.
    EXPECT_FALSE(Match(pdf));
    InstallPdfText("other words");
    EXPECT_FALSE(Match(pdf));
    InstallPdfText("needle", FALSE);
    EXPECT_FALSE(Match(pdf));
    InstallPdfText("");
    EXPECT_FALSE(Match(pdf));
}

TEST_F(CriteriaContentTest, PdfTextResolvesTermsThatMustBeAbsent) {
    SetInclude("alpha & !gamma", TRUE);
    InstallPdfText("alpha beta");
    EXPECT_TRUE(Match(DiskFile("a.pdf", "%PDF")));
    InstallPdfText("alpha gamma");
    EXPECT_FALSE(Match(DiskFile("b.pdf", "%PDF")));
    InstallPdfText("beta");
    EXPECT_FALSE(Match(DiskFile("c.pdf", "%PDF")));
}

TEST_F(CriteriaContentTest, FileIsReadOnlyAfterTheCheapConditionsPass) {
    SetInclude("needle");
    InstallPdfText("needle");
    m_snapshot.criteria.m_SizeOptionData.m_iSizeOptionType = 2;
    m_snapshot.criteria.m_SizeOptionData.m_nSize = 0;
    EXPECT_FALSE(Match(DiskFile("doc.pdf", "%PDF")));
    EXPECT_EQ(m_extractions, 0);
}

TEST_F(CriteriaContentTest, FaultInsideMakesOnlyThatRecordFail) {
    SetInclude("needle");
    SetPdfTextExtractor([](const std::string&, CTextBuffer*) -> BOOL {
        throw std::runtime_error("broken document");
    });
    EXPECT_FALSE(Match(DiskFile("doc.pdf", "%PDF")));
    EXPECT_TRUE(Match(DiskFile("next.txt", "needle")));
}

TEST_F(CriteriaContentTest, StoppedSearchReadsNoFurther) {
    SetInclude("needle");
    InstallPdfText("needle");
    m_stop = true;
    EXPECT_FALSE(Match(DiskFile("a.txt", "needle")));
    EXPECT_FALSE(Match(DiskFile("doc.pdf", "%PDF")));
    EXPECT_EQ(m_extractions, 0);
}

}  // namespace
