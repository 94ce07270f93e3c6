#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/engine/ContentAnswerCache.h"
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

// Within one search, a file read under one name answers under its other
// names (hard and symbolic links) without being read again, as long as its
// size and last write time stand; small files with one name, and PDF
// documents, are read every time. The contents are changed behind the
// search's back, the write time put back, to tell a reading from a kept
// answer.
TEST_F(CriteriaContentTest, AFileReadUnderOneNameAnswersUnderItsOthers) {
    SetInclude("needle");
    m_snapshot.contentAnswers = std::make_shared<CContentAnswerCache>();
    InstallPdfText("");
    const auto pathOf = [this](const std::string& name) { return m_folder + "/" + name; };
    const auto named = [&](const std::string& name) {
        CResultItem record;
        record.m_sName = name;
        record.SetFullPidl(zbtest::ListOfPath(pathOf(name)));
        return record;
    };
    // Overwrites the file in place with bytes of the same length, without
    // the word; `sameTime` puts the last write time back.
    const auto hideTheWord = [&](const std::string& name, bool sameTime) {
        struct stat before {};
        ASSERT_EQ(stat(pathOf(name).c_str(), &before), 0);
        const std::string hay(static_cast<std::size_t>(before.st_size), 'h');
        const int fd = open(pathOf(name).c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(pwrite(fd, hay.data(), hay.size(), 0), static_cast<ssize_t>(hay.size()));
        close(fd);
        timespec times[2] = {before.st_atim, before.st_mtim};
        if (!sameTime)
            times[1].tv_sec -= 60;
        ASSERT_EQ(utimensat(AT_FDCWD, pathOf(name).c_str(), times, 0), 0);
    };
    const std::string large = std::string(70000, 'x') + " needle";
    struct Case {
        const char* target;
        std::string contents;
        const char* other;  // the second name
        bool hard;          // a hard link, else a symbolic one
        bool sameTime;
        bool kept;  // the first answer stands for the second name
    };
    const Case cases[] = {
        {"big1.txt", large, "hard1.txt", true, true, true},
        {"big2.txt", large, "soft2.txt", false, true, true},
        {"big3.txt", large, "soft3.txt", false, false, false},      // written since
        {"small4.txt", "a needle", "hard4.txt", true, true, true},  // two names
        {"small5.txt", "a needle", "soft5.txt", false, true, false},
        {"big6.txt", large, "soft6.pdf", false, true, false},  // a PDF's bytes
    };
    for (const Case& c : cases) {
        zbtest::WriteFile(pathOf(c.target), c.contents);
        if (c.hard)
            ASSERT_EQ(link(pathOf(c.target).c_str(), pathOf(c.other).c_str()), 0);
        else
            ASSERT_EQ(symlink(pathOf(c.target).c_str(), pathOf(c.other).c_str()), 0);
        EXPECT_TRUE(Match(named(c.target))) << c.target;
        hideTheWord(c.target, c.sameTime);
        EXPECT_EQ(Match(named(c.other)), c.kept ? TRUE : FALSE) << c.other;
    }
    // Without the search's answers every name is read.
    m_snapshot.contentAnswers.reset();
    EXPECT_TRUE(Match(DiskFile("big7.txt", large)));
    ASSERT_EQ(link(pathOf("big7.txt").c_str(), pathOf("hard7.txt").c_str()), 0);
    hideTheWord("big7.txt", true);
    EXPECT_FALSE(Match(named("hard7.txt")));
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
