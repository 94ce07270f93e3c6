#include "app/engine/FileNamePattern.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Log.h"
#include "platform/TextCase.h"

namespace {

std::vector<std::string> Texts(const std::vector<CFileNamePattern>& patterns) {
    std::vector<std::string> texts;
    for (const CFileNamePattern& p : patterns)
        texts.push_back(p.m_sPattern);
    return texts;
}

std::vector<std::string> ParseTexts(const std::string& text, std::string* folder = nullptr) {
    CSearchNameSpec spec(text);
    std::vector<CFileNamePattern> patterns;
    EXPECT_EQ(spec.Parse(patterns), 0);
    if (folder)
        *folder = spec.GetFolderPart();
    return Texts(patterns);
}

using Strings = std::vector<std::string>;

bool Matches(const std::string& pattern, const std::string& name) {
    return CFileNamePattern(pattern).Match(name) == TRUE;
}

// The name test as a search runs it: patterns and name lower-cased unless the
// search is case-sensitive.
bool NameTest(const std::string& field, const std::string& name, BOOL caseSensitive) {
    CSearchNameSpec spec(field);
    std::vector<CFileNamePattern> patterns;
    spec.Parse(patterns);
    PrepareNamePatterns(patterns, caseSensitive);
    return MatchNamePatterns(patterns, caseSensitive ? name : LowerCaseUtf8(name)) == TRUE;
}

TEST(SearchNameSpecParse, QuotedPatternKeepsSeparators) {
    EXPECT_EQ(ParseTexts("\"my file.txt\" *.doc;a?c"), (Strings{"my file.txt", "*.doc", "a?c"}));
}

TEST(SearchNameSpecParse, SeparatorsAndRuns) {
    EXPECT_EQ(ParseTexts("a.txt b.txt,c.txt;d.txt"), (Strings{"a.txt", "b.txt", "c.txt", "d.txt"}));
    EXPECT_EQ(ParseTexts("a ,; ,b;;"), (Strings{"a", "b"}));
    EXPECT_EQ(ParseTexts(" \t *.cpp \r\n"), (Strings{"*.cpp"}));
    EXPECT_EQ(ParseTexts(";;, "), Strings{});
}

TEST(SearchNameSpecParse, QuoteEndsTheTokenBeforeIt) {
    EXPECT_EQ(ParseTexts("ab\"c d\"e"), (Strings{"ab", "c d", "e"}));
    EXPECT_EQ(ParseTexts("\"\" x"), (Strings{"x"}));
    EXPECT_EQ(ParseTexts("\"a;b\"\"c,d\""), (Strings{"a;b", "c,d"}));
}

// Collects the log lines written while it lives.
class LogCapture {
public:
    struct Line {
        COLORREF colour;
        std::string text;
        friend bool operator==(const Line&, const Line&) = default;
    };
    LogCapture() {
        SetLogSink([this](COLORREF colour, const std::string& line) {
            lines.push_back({colour, line});
        });
    }
    ~LogCapture() { SetLogSink({}); }
    std::vector<Line> lines;
};

TEST(SearchNameSpecParse, UnmatchedQuoteTakesTheRestAsOnePatternAndLogs) {
    const LogCapture::Line warning{RGB(128, 0, 0), "The double quotation mark is not matching\n"};
    {
        LogCapture log;
        EXPECT_EQ(ParseTexts("a \"b c;d"), (Strings{"a", "b c;d"}));
        EXPECT_EQ(log.lines, std::vector<LogCapture::Line>{warning});
        EXPECT_EQ(log.lines.front().colour, 128u);
    }
    {
        LogCapture log;
        EXPECT_EQ(ParseTexts("a \""), (Strings{"a"}));
        EXPECT_EQ(log.lines, std::vector<LogCapture::Line>{warning});
    }
    {
        LogCapture log;
        ParseTexts("\"a b\" \"c\"");
        EXPECT_TRUE(log.lines.empty());
    }
}

TEST(SearchNameSpecParse, FolderPart) {
    std::string folder;
    EXPECT_EQ(ParseTexts("C:/work/*.txt", &folder), (Strings{"*.txt"}));
    EXPECT_EQ(folder, "C:\\work");

    // A Linux path: its separators become '\' in the folder part too.
    EXPECT_EQ(ParseTexts("/home/x/*.txt", &folder), (Strings{"*.txt"}));
    EXPECT_EQ(folder, "\\home\\x");

    // The last separator splits, even inside quotes.
    EXPECT_EQ(ParseTexts("dir\\\"a b\\c\"", &folder), (Strings{"c"}));
    EXPECT_EQ(folder, "dir\\\"a b");

    // A folder with no patterns after it.
    EXPECT_EQ(ParseTexts("C:\\work\\", &folder), Strings{});
    EXPECT_EQ(folder, "C:\\work");

    EXPECT_EQ(ParseTexts("*.txt", &folder), (Strings{"*.txt"}));
    EXPECT_EQ(folder, "");
}

TEST(SearchNameSpecParse, ReparseReplacesPatternsAndFolder) {
    CSearchNameSpec spec("/a/x y");
    std::vector<CFileNamePattern> patterns;
    spec.Parse(patterns);
    EXPECT_EQ(Texts(patterns), (Strings{"x", "y"}));
    spec.m_sText = "z";
    spec.Parse(patterns);
    EXPECT_EQ(Texts(patterns), (Strings{"z"}));
    EXPECT_EQ(spec.GetFolderPart(), "");
}

TEST(SearchNameSpecParse, EmptyFieldGivesNoPatternsAndEveryNamePasses) {
    std::vector<CFileNamePattern> patterns{CFileNamePattern("stale")};
    CSearchNameSpec spec("   ");
    spec.Parse(patterns);
    EXPECT_TRUE(patterns.empty());
    EXPECT_EQ(MatchNamePatterns(patterns, "anything.bin"), TRUE);
    EXPECT_EQ(MatchNamePatterns(patterns, ""), TRUE);
}

TEST(FileNamePattern, WildcardFlag) {
    CFileNamePattern p;
    p.m_sPattern = "abc";
    EXPECT_EQ(p.UpdateWildcardFlag(), FALSE);
    p.m_sPattern = "a?c";
    EXPECT_EQ(p.UpdateWildcardFlag(), TRUE);
    EXPECT_EQ(p.m_bWildcard, TRUE);
    EXPECT_EQ(CFileNamePattern("*").m_bWildcard, TRUE);
}

TEST(FileNamePattern, PlainPatternMatchesAnywhere) {
    EXPECT_TRUE(Matches("report", "old_report_2.doc"));
    EXPECT_TRUE(Matches("doc", "my documents.txt"));
    EXPECT_FALSE(Matches("report", "old_repor.doc"));
    EXPECT_TRUE(Matches("\xC3\xA4", "b\xC3\xA4r.txt"));
}

TEST(FileNamePattern, StarExtension) {
    EXPECT_TRUE(Matches("*.txt", "a.txt"));
    EXPECT_FALSE(Matches("*.txt", "a.TXT"));
    EXPECT_FALSE(Matches("*.txt", "a.txt.bak"));
    // The run ".txt" is taken at its first occurrence only.
    EXPECT_FALSE(Matches("*.txt", "a.txt.txt"));
    EXPECT_FALSE(Matches("*ab", "abab"));
}

TEST(FileNamePattern, QuestionMark) {
    EXPECT_TRUE(Matches("a?c", "abc"));
    EXPECT_FALSE(Matches("a?c", "a.c"));
    EXPECT_FALSE(Matches("a?c", "ac"));
    EXPECT_FALSE(Matches("a?c", "abcd"));
    // One character, however many bytes it takes.
    EXPECT_TRUE(Matches("caf?", "caf\xC3\xA9"));
    EXPECT_TRUE(Matches("?.txt", "\xE2\x82\xAC.txt"));
}

TEST(FileNamePattern, StarRules) {
    EXPECT_TRUE(Matches("ab*", "ab"));
    EXPECT_TRUE(Matches("ab*", "abc"));
    EXPECT_TRUE(Matches("ab**", "ab"));
    EXPECT_FALSE(Matches("a*?", "a"));
    EXPECT_TRUE(Matches("a*?", "ab"));
    EXPECT_TRUE(Matches("a*?", "abcd"));
    EXPECT_FALSE(Matches("a*?", "a.b"));
    EXPECT_TRUE(Matches("*", ""));
    EXPECT_TRUE(Matches("*", "anything at all"));
    EXPECT_TRUE(Matches("*?.txt", "a.txt"));
    EXPECT_FALSE(Matches("*?.txt", ".txt"));
    EXPECT_TRUE(Matches("*a*b*c", "xaybzc"));
    EXPECT_TRUE(Matches("x*??z", "xabz"));
    EXPECT_FALSE(Matches("x*??z", "xa.z"));
}

TEST(FileNamePattern, CaseFollowsTheOption) {
    EXPECT_TRUE(NameTest("*.TXT", "a.txt", FALSE));
    EXPECT_TRUE(NameTest("*.txt", "A.TXT", FALSE));
    EXPECT_TRUE(NameTest("\xC3\x84*", "\xC3\xA4pfel", FALSE));  // Ä* matches äpfel
    EXPECT_FALSE(NameTest("*.TXT", "a.txt", TRUE));
    EXPECT_TRUE(NameTest("*.TXT", "a.TXT", TRUE));
}

TEST(FileNamePattern, SeveralPatterns) {
    EXPECT_TRUE(NameTest("*.doc *.txt", "notes.txt", FALSE));
    EXPECT_TRUE(NameTest("*.doc *.txt", "notes.doc", FALSE));
    EXPECT_FALSE(NameTest("*.doc *.txt", "notes.pdf", FALSE));
    EXPECT_TRUE(NameTest("\"my file\";x?z", "my file.txt", FALSE));
    EXPECT_TRUE(NameTest("\"my file\";x?z", "xyz", FALSE));
}

TEST(FileNamePattern, BytesThatAreNotUtf8) {
    EXPECT_TRUE(Matches("*.txt", "\xFF\xFE.txt"));
    EXPECT_TRUE(Matches("?.txt", "\xFF.txt"));
    EXPECT_TRUE(Matches("\xFF",
                        "a\xFF"
                        "b"));
}

}  // namespace
