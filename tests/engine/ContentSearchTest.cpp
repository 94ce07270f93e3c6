#include "app/engine/ContentSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "readers/archives/SourceStream.h"
#include "support/TempHome.h"
#include "support/Utf16Text.h"

namespace {

constexpr std::size_t kBlock = 0x10000;

struct Options {
    bool regex = true;
    bool matchCase = false;
    bool wholeWord = false;
};

CIncludeExprNodeArray Compile(const std::string& text, Options options = {}) {
    CIncludeStringData data;
    data.m_sIncludeStr = text;
    data.m_bRegularExpression = options.regex ? TRUE : FALSE;
    data.m_bMatchCase = options.matchCase ? TRUE : FALSE;
    data.m_bMatchWholeWord = options.wholeWord ? TRUE : FALSE;
    CIncludeExprNodeArray nodes;
    EXPECT_TRUE(CIncludeExpr(data).Parse(nodes)) << text;
    return nodes;
}

using zbtest::Utf16;

std::string WriteContent(const std::string& bytes) {
    static int counter = 0;
    return zbtest::WriteFile(zbtest::MakeTempDir("content") + "/f" + std::to_string(++counter),
                             bytes);
}

// `text` placed at `offset` in a file of `size` filler bytes.
std::string Placed(std::size_t size, std::size_t offset, const std::string& text,
                   char filler = '.') {
    std::string content(size, filler);
    content.replace(offset, text.size(), text);
    return content;
}

// A disk stream whose reads return at most `chunk` bytes and, when
// `failAfter` is set, fail once that many bytes were delivered.
class CChoppyStream : public CSourceStream {
public:
    explicit CChoppyStream(int chunk, long failAfter = -1)
        : m_chunk(chunk), m_failAfter(failAfter) {}
    // Its short reads come before the end.
    BOOL IsShortReadEnd() const override { return FALSE; }
    int Read(void* buffer, int count) override {
        if (m_failAfter >= 0 && m_delivered >= m_failAfter)
            return -1;
        const int read = CSourceStream::Read(buffer, std::min(count, m_chunk));
        if (read > 0)
            m_delivered += read;
        return read;
    }
    long Delivered() const { return m_delivered; }

private:
    int m_chunk;
    long m_failAfter;
    long m_delivered = 0;
};

const std::atomic<bool> kGo{false};

bool Search(CIncludeExprNodeArray& nodes, const std::string& content, int pass,
            int chunk = 1 << 30) {
    CChoppyStream stream(chunk);
    EXPECT_TRUE(stream.Open(WriteContent(content)));
    return SearchFileContent(nodes, stream, pass, kGo) == TRUE;
}

bool Search(const std::string& expr, const std::string& content, int pass, Options options = {}) {
    CIncludeExprNodeArray nodes = Compile(expr, options);
    return Search(nodes, content, pass);
}

// Both passes the way the criteria test runs them: the 8-bit pass, then the
// UTF-16 pass on a reopened stream.
bool SearchTwoPasses(CIncludeExprNodeArray& nodes, const std::string& path) {
    CSourceStream stream;
    EXPECT_TRUE(stream.Open(path));
    if (SearchFileContent(nodes, stream, INCLUDE_PASS_ANSI, kGo))
        return true;
    stream.Close();
    EXPECT_TRUE(stream.Open(path));
    return SearchFileContent(nodes, stream, INCLUDE_PASS_UTF16, kGo) == TRUE;
}

std::vector<int> States(const CIncludeExprNodeArray& nodes) {
    std::vector<int> states;
    for (const CIncludeExprNode& node : nodes)
        states.push_back(node.m_iState);
    return states;
}

TEST(ContentSearch, LiteralAndExpressionSearches) {
    EXPECT_TRUE(Search("a&b", "xx a&b yy", INCLUDE_PASS_ANSI, {.regex = false}));
    EXPECT_FALSE(Search("a&b", "a and b", INCLUDE_PASS_ANSI, {.regex = false}));
    EXPECT_TRUE(Search("{alpha | beta} & !gamma", "only beta here", INCLUDE_PASS_ANSI));
    EXPECT_FALSE(Search("{alpha | beta} & !gamma", "alpha, gamma", INCLUDE_PASS_ANSI));
    EXPECT_FALSE(Search("a | b & c", "a", INCLUDE_PASS_ANSI));
    EXPECT_TRUE(Search("!{\\x02\\x01}", "no such bytes", INCLUDE_PASS_ANSI));
    EXPECT_FALSE(Search("!{\\x02\\x01}", std::string("xx\x02\x01yy"), INCLUDE_PASS_ANSI));
}

TEST(ContentSearch, TermAcrossTheBlockBoundary) {
    for (std::size_t offset = kBlock - 5; offset <= kBlock; ++offset) {
        const std::string content = Placed(3 * kBlock, offset, "needle");
        EXPECT_TRUE(Search("NEEDLE", content, INCLUDE_PASS_ANSI)) << offset;
        EXPECT_FALSE(Search("NEEDLE", content, INCLUDE_PASS_UTF16)) << offset;
    }
    for (std::size_t offset = kBlock - 11; offset <= kBlock; ++offset) {
        const std::string content = Placed(2 * kBlock + 7, offset, Utf16("needle"));
        EXPECT_TRUE(Search("needle", content, INCLUDE_PASS_UTF16)) << offset;
        EXPECT_FALSE(Search("needle", content, INCLUDE_PASS_ANSI)) << offset;
    }
    // Both terms of an AND in different blocks.
    EXPECT_TRUE(Search("first & second",
                       Placed(5 * kBlock, 10, "first").replace(4 * kBlock, 6, "second"),
                       INCLUDE_PASS_ANSI));
}

TEST(ContentSearch, Utf16TextIsFoundOnlyByTheUtf16Pass) {
    const std::string content = "\xFF\xFE" + Utf16("Say Hello to everyone");
    EXPECT_FALSE(Search("hello", content, INCLUDE_PASS_ANSI));
    EXPECT_TRUE(Search("hello", content, INCLUDE_PASS_UTF16));
    EXPECT_FALSE(Search("hello", content, INCLUDE_PASS_UTF16, {.matchCase = true}));
    EXPECT_TRUE(Search("Hello", content, INCLUDE_PASS_UTF16, {.matchCase = true}));
    EXPECT_FALSE(Search("hello", "Say Hello", INCLUDE_PASS_UTF16));
    EXPECT_TRUE(Search("hello", "Say HELLO", INCLUDE_PASS_ANSI));
    EXPECT_FALSE(Search("hello", "Say HELLO", INCLUDE_PASS_ANSI, {.matchCase = true}));
}

TEST(ContentSearch, WholeWordAcrossBlockJoins) {
    const Options word{.wholeWord = true};
    // The word ends where the first block ends; what follows decides.
    EXPECT_FALSE(Search("cat", Placed(2 * kBlock, kBlock - 3, "cat5"), INCLUDE_PASS_ANSI, word));
    EXPECT_TRUE(Search("cat", Placed(2 * kBlock, kBlock - 3, "cat "), INCLUDE_PASS_ANSI, word));
    // The word starts where the second block's new bytes start; what precedes decides.
    EXPECT_FALSE(Search("cat", Placed(2 * kBlock, kBlock - 1, "xcat "), INCLUDE_PASS_ANSI, word));
    EXPECT_TRUE(Search("cat", Placed(2 * kBlock, kBlock - 1, " cat "), INCLUDE_PASS_ANSI, word));
    // The file's end right after a full block is a word boundary.
    EXPECT_TRUE(Search("cat", Placed(kBlock, kBlock - 3, "cat"), INCLUDE_PASS_ANSI, word));
    EXPECT_TRUE(Search("cat", Placed(kBlock + 1, kBlock - 3, "cat."), INCLUDE_PASS_ANSI, word));
    EXPECT_FALSE(Search("cat", Placed(kBlock + 1, kBlock - 3, "cat5"), INCLUDE_PASS_ANSI, word));
    // The same in the UTF-16 pass, one unit on each side.
    EXPECT_FALSE(
        Search("cat", Placed(2 * kBlock, kBlock - 6, Utf16("cat5")), INCLUDE_PASS_UTF16, word));
    EXPECT_TRUE(
        Search("cat", Placed(2 * kBlock, kBlock - 6, Utf16("cat ")), INCLUDE_PASS_UTF16, word));
    EXPECT_FALSE(
        Search("cat", Placed(2 * kBlock, kBlock - 2, Utf16("xcat ")), INCLUDE_PASS_UTF16, word));
    EXPECT_TRUE(
        Search("cat", Placed(2 * kBlock, kBlock - 2, Utf16(" cat ")), INCLUDE_PASS_UTF16, word));
    EXPECT_TRUE(Search("cat", Placed(kBlock, kBlock - 6, Utf16("cat")), INCLUDE_PASS_UTF16, word));
    // Negated: a whole word found across the join decides the NOT.
    EXPECT_FALSE(Search("!cat", Placed(2 * kBlock, kBlock - 3, "cat "), INCLUDE_PASS_ANSI, word));
    EXPECT_TRUE(Search("!cat", Placed(2 * kBlock, kBlock - 3, "cat5"), INCLUDE_PASS_ANSI, word));
}

TEST(ContentSearch, ShortReadsAreNotTheEnd) {
    CIncludeExprNodeArray nodes = Compile("late & !missing");
    const std::string content = Placed(3 * kBlock + 123, 2 * kBlock + 50000, "late");
    EXPECT_TRUE(Search(nodes, content, INCLUDE_PASS_ANSI, 1));
    EXPECT_TRUE(Search(nodes, content, INCLUDE_PASS_ANSI, 4097));
    nodes = Compile("cat", {.wholeWord = true});
    EXPECT_FALSE(Search(nodes, Placed(2 * kBlock, kBlock - 3, "cat5"), INCLUDE_PASS_ANSI, 7));
    EXPECT_TRUE(Search(nodes, Placed(2 * kBlock, kBlock - 3, "cat."), INCLUDE_PASS_ANSI, 7));
}

TEST(ContentSearch, ReadErrorMeansNoMatch) {
    CIncludeExprNodeArray nodes = Compile("!absent");
    CChoppyStream failing(1000, 70000);
    ASSERT_TRUE(failing.Open(WriteContent(std::string(3 * kBlock, 'x'))));
    EXPECT_FALSE(SearchFileContent(nodes, failing, INCLUDE_PASS_ANSI, kGo));
    // A term found before the failing read is found.
    nodes = Compile("early");
    CChoppyStream late(1000, 70000);
    ASSERT_TRUE(late.Open(WriteContent(Placed(3 * kBlock, 100, "early"))));
    EXPECT_TRUE(SearchFileContent(nodes, late, INCLUDE_PASS_ANSI, kGo));
}

TEST(ContentSearch, StopFlagEndsTheScan) {
    CIncludeExprNodeArray nodes = Compile("here");
    CSourceStream stream;
    ASSERT_TRUE(stream.Open(WriteContent("here")));
    const std::atomic<bool> stop{true};
    EXPECT_FALSE(SearchFileContent(nodes, stream, INCLUDE_PASS_ANSI, stop));
    ASSERT_TRUE(stream.Open(WriteContent("here")));
    EXPECT_FALSE(SearchFileContentBothPasses(nodes, stream, stop));
}

TEST(ContentSearch, DecidedRootEndsTheReading) {
    CIncludeExprNodeArray nodes = Compile("front");
    CChoppyStream stream(1 << 30);
    ASSERT_TRUE(stream.Open(WriteContent(Placed(10 * kBlock, 0, "front"))));
    EXPECT_TRUE(SearchFileContent(nodes, stream, INCLUDE_PASS_ANSI, kGo));
    EXPECT_EQ(stream.Delivered(), static_cast<long>(kBlock));
    nodes = Compile("!front");
    ASSERT_TRUE(stream.Open(WriteContent(Placed(10 * kBlock, 0, "front"))));
    EXPECT_FALSE(SearchFileContent(nodes, stream, INCLUDE_PASS_ANSI, kGo));
    EXPECT_EQ(stream.Delivered(), static_cast<long>(2 * kBlock));  // both opens
}

TEST(ContentSearch, EdgesOfTheFile) {
    CIncludeExprNodeArray nodes = Compile("a");
    CSourceStream closed;
    EXPECT_FALSE(SearchFileContent(nodes, closed, INCLUDE_PASS_ANSI, kGo));
    EXPECT_FALSE(Search("a", "", INCLUDE_PASS_ANSI));
    EXPECT_TRUE(Search("!a", "", INCLUDE_PASS_ANSI));
    // No padding is searched: a NUL term is not found in a file without NULs.
    EXPECT_FALSE(Search("{\\x00}", std::string(kBlock + 10, 'z'), INCLUDE_PASS_ANSI));
    EXPECT_FALSE(Search("{\\x00}", "z", INCLUDE_PASS_UTF16));
    EXPECT_TRUE(Search("{\\x00}", std::string("z\0z", 3), INCLUDE_PASS_ANSI));
    // A term of the longest length fits the overlap.
    const std::string longest(kMaxIncludeTermLength, 'q');
    EXPECT_TRUE(Search(longest, Placed(3 * kBlock, kBlock - 1000, longest), INCLUDE_PASS_ANSI,
                       {.regex = false}));
    EXPECT_TRUE(Search(longest, Placed(3 * kBlock, 2 * kBlock - 3000, Utf16(longest)),
                       INCLUDE_PASS_UTF16, {.regex = false}));
}

TEST(ContentSearch, BothPassesInOneReadingGiveTheTwoPassAnswer) {
    const std::vector<std::string> expressions = {
        "hello",          "!hello", "hello & world",           "hello | world", "!{hello & world}",
        "hello & !world", "cat",    "{alpha | beta} & !gamma", "!{\\x00}",
    };
    const std::vector<std::string> contents = {
        "",
        "hello world",
        Utf16("hello world"),
        "hello " + Utf16("world"),
        Utf16("hello") + " world",
        Placed(3 * kBlock, kBlock - 3, "cat.") + Utf16("hello"),
        Placed(2 * kBlock, kBlock - 4, Utf16("beta")) + "gamma",
        Utf16("alpha gamma"),
        std::string(kBlock, 'x'),
    };
    for (const bool wholeWord : {false, true}) {
        for (const std::string& expr : expressions) {
            for (const std::string& content : contents) {
                const std::string path = WriteContent(content);
                CIncludeExprNodeArray twoPass = Compile(expr, {.wholeWord = wholeWord});
                const bool expected = SearchTwoPasses(twoPass, path);
                CIncludeExprNodeArray onePass = Compile(expr, {.wholeWord = wholeWord});
                CSourceStream stream;
                ASSERT_TRUE(stream.Open(path));
                const bool actual = SearchFileContentBothPasses(onePass, stream, kGo) == TRUE;
                EXPECT_EQ(actual, expected) << expr << " over " << content.size() << " bytes";
                if (!expected) {
                    EXPECT_EQ(States(onePass), States(twoPass)) << expr;
                }
            }
        }
    }
}

TEST(ContentSearch, PdfTextGoesOnFromTheUtf16States) {
    // What the criteria test does for a PDF: both passes over the raw bytes
    // fail, then the extracted text is one more block.
    CIncludeExprNodeArray nodes = Compile("report & summary");
    const std::string path = WriteContent("%PDF-1.4 compressed report");
    ASSERT_FALSE(SearchTwoPasses(nodes, path));
    const std::string text = "the summary page";
    EXPECT_EQ(EvalIncludeBlock(nodes, reinterpret_cast<const BYTE*>(text.data()), text.size(),
                               INCLUDE_PASS_ANSI),
              INCLUDE_STATE_UNDECIDED);  // "report" came from the 8-bit pass only
    const std::string both = "report and summary";
    EXPECT_EQ(EvalIncludeBlock(nodes, reinterpret_cast<const BYTE*>(both.data()), both.size(),
                               INCLUDE_PASS_ANSI),
              INCLUDE_STATE_TRUE);
}

}  // namespace
