#include "app/engine/ContentSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>

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

bool Search(CIncludeExprNodeArray& nodes, const std::string& content, int chunk = 1 << 30) {
    CChoppyStream stream(chunk);
    EXPECT_TRUE(stream.Open(WriteContent(content)));
    return SearchFileContent(nodes, stream, kGo) == TRUE;
}

bool Search(const std::string& expr, const std::string& content, Options options = {}) {
    CIncludeExprNodeArray nodes = Compile(expr, options);
    return Search(nodes, content);
}

TEST(ContentSearch, LiteralAndExpressionSearches) {
    EXPECT_TRUE(Search("a&b", "xx a&b yy", {.regex = false}));
    EXPECT_FALSE(Search("a&b", "a and b", {.regex = false}));
    EXPECT_TRUE(Search("{alpha | beta} & !gamma", "only beta here"));
    EXPECT_FALSE(Search("{alpha | beta} & !gamma", "alpha, gamma"));
    EXPECT_FALSE(Search("a | b & c", "a"));
    EXPECT_TRUE(Search("!{\\x02\\x01}", "no such bytes"));
    EXPECT_FALSE(Search("!{\\x02\\x01}", std::string("xx\x02\x01yy")));
}

TEST(ContentSearch, ATermHoldsInEitherEncodingAndTheExpressionOnce) {
    // A negated term holds only where the text has the term in neither form;
    // the terms of one expression may be found in different forms.
    struct Case {
        const char* expr;
        std::string content;
        bool holds;
    };
    const Case cases[] = {
        {"!alpha", "alpha", false},
        {"!alpha", Utf16("alpha"), false},
        {"!alpha", "beta", true},
        {"!alpha", Utf16("beta"), true},
        {"!{\\x00}", "plain text", true},
        {"!{\\x00}", std::string("one\0zero", 8), false},
        {"!{\\x00}", Utf16("wide text"), false},
        {"hello & world", "hello " + Utf16("world"), true},
        {"alpha & !beta", "alpha " + Utf16("beta"), false},
        {"alpha & !beta", Utf16("alpha") + " gamma", true},
        {"{alpha | beta} & !gamma", Utf16("beta"), true},
        {"{alpha | beta} & !gamma", Utf16("alpha gamma"), false},
        {"!{alpha & beta}", "alpha " + Utf16("beta"), false},
        {"!{alpha & beta}", "alpha only", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Search(c.expr, c.content), c.holds) << c.expr << " over " << c.content.size();
    // Far apart, in blocks of their own.
    EXPECT_FALSE(Search("!needle", Placed(3 * kBlock, 2 * kBlock + 100, Utf16("needle"))));
    EXPECT_TRUE(Search("first & second",
                       Placed(5 * kBlock, 10, "first").replace(4 * kBlock, 12, Utf16("second"))));
}

TEST(ContentSearch, TermAcrossTheBlockBoundary) {
    for (std::size_t offset = kBlock - 5; offset <= kBlock; ++offset)
        EXPECT_TRUE(Search("NEEDLE", Placed(3 * kBlock, offset, "needle"))) << offset;
    for (std::size_t offset = kBlock - 11; offset <= kBlock; ++offset)
        EXPECT_TRUE(Search("needle", Placed(2 * kBlock + 7, offset, Utf16("needle")))) << offset;
    // Both terms of an AND in different blocks.
    EXPECT_TRUE(
        Search("first & second", Placed(5 * kBlock, 10, "first").replace(4 * kBlock, 6, "second")));
}

TEST(ContentSearch, CaseRulesInBothEncodings) {
    const std::string content = "\xFF\xFE" + Utf16("Say Hello to everyone");
    EXPECT_TRUE(Search("hello", content));
    EXPECT_FALSE(Search("hello", content, {.matchCase = true}));
    EXPECT_TRUE(Search("Hello", content, {.matchCase = true}));
    EXPECT_TRUE(Search("hello", "Say HELLO"));
    EXPECT_FALSE(Search("hello", "Say HELLO", {.matchCase = true}));
}

TEST(ContentSearch, WholeWordAcrossBlockJoins) {
    const Options word{.wholeWord = true};
    // The word ends where the first block ends; what follows decides.
    EXPECT_FALSE(Search("cat", Placed(2 * kBlock, kBlock - 3, "cat5"), word));
    EXPECT_TRUE(Search("cat", Placed(2 * kBlock, kBlock - 3, "cat "), word));
    // The word starts where the second block's new bytes start; what precedes decides.
    EXPECT_FALSE(Search("cat", Placed(2 * kBlock, kBlock - 1, "xcat "), word));
    EXPECT_TRUE(Search("cat", Placed(2 * kBlock, kBlock - 1, " cat "), word));
    // The file's end right after a full block is a word boundary.
    EXPECT_TRUE(Search("cat", Placed(kBlock, kBlock - 3, "cat"), word));
    EXPECT_TRUE(Search("cat", Placed(kBlock + 1, kBlock - 3, "cat."), word));
    EXPECT_FALSE(Search("cat", Placed(kBlock + 1, kBlock - 3, "cat5"), word));
    // The same in UTF-16 text, one unit on each side.
    EXPECT_FALSE(Search("cat", Placed(2 * kBlock, kBlock - 6, Utf16("cat5")), word));
    EXPECT_TRUE(Search("cat", Placed(2 * kBlock, kBlock - 6, Utf16("cat ")), word));
    EXPECT_FALSE(Search("cat", Placed(2 * kBlock, kBlock - 2, Utf16("xcat ")), word));
    EXPECT_TRUE(Search("cat", Placed(2 * kBlock, kBlock - 2, Utf16(" cat ")), word));
    EXPECT_TRUE(Search("cat", Placed(kBlock, kBlock - 6, Utf16("cat")), word));
    // Negated: a whole word found across the join decides the NOT.
    EXPECT_FALSE(Search("!cat", Placed(2 * kBlock, kBlock - 3, "cat "), word));
    EXPECT_TRUE(Search("!cat", Placed(2 * kBlock, kBlock - 3, "cat5"), word));
}

TEST(ContentSearch, ShortReadsAreNotTheEnd) {
    CIncludeExprNodeArray nodes = Compile("late & !missing");
    const std::string content = Placed(3 * kBlock + 123, 2 * kBlock + 50000, "late");
    EXPECT_TRUE(Search(nodes, content, 1));
    EXPECT_TRUE(Search(nodes, content, 4097));
    nodes = Compile("cat", {.wholeWord = true});
    EXPECT_FALSE(Search(nodes, Placed(2 * kBlock, kBlock - 3, "cat5"), 7));
    EXPECT_TRUE(Search(nodes, Placed(2 * kBlock, kBlock - 3, "cat."), 7));
}

TEST(ContentSearch, ReadErrorMeansNoMatch) {
    CIncludeExprNodeArray nodes = Compile("!absent");
    CChoppyStream failing(1000, 70000);
    ASSERT_TRUE(failing.Open(WriteContent(std::string(3 * kBlock, 'x'))));
    EXPECT_FALSE(SearchFileContent(nodes, failing, kGo));
    // A term found before the failing read is found.
    nodes = Compile("early");
    CChoppyStream late(1000, 70000);
    ASSERT_TRUE(late.Open(WriteContent(Placed(3 * kBlock, 100, "early"))));
    EXPECT_TRUE(SearchFileContent(nodes, late, kGo));
    // So is one in the bytes the block being filled got before the failure.
    nodes = Compile("late");
    CChoppyStream cut(1000, 70000);
    ASSERT_TRUE(cut.Open(WriteContent(Placed(3 * kBlock, 68000, "late"))));
    EXPECT_TRUE(SearchFileContent(nodes, cut, kGo));
    // A failure on the first read of a block: the overlap the last block left
    // is the end of what there is, so a whole word ending at that block's
    // last byte is found.
    nodes = Compile("cat", {.wholeWord = true});
    CChoppyStream atBlock(1000, static_cast<long>(kBlock));
    ASSERT_TRUE(atBlock.Open(WriteContent(Placed(3 * kBlock, kBlock - 3, "cat"))));
    EXPECT_TRUE(SearchFileContent(nodes, atBlock, kGo));
    EXPECT_EQ(atBlock.Delivered(), static_cast<long>(kBlock));
}

TEST(ContentSearch, StopFlagEndsTheScan) {
    CIncludeExprNodeArray nodes = Compile("here");
    CSourceStream stream;
    ASSERT_TRUE(stream.Open(WriteContent("here")));
    const std::atomic<bool> stop{true};
    EXPECT_FALSE(SearchFileContent(nodes, stream, stop));
}

TEST(ContentSearch, DecidedRootEndsTheReading) {
    for (const char* expr : {"front", "!front"}) {
        CIncludeExprNodeArray nodes = Compile(expr);
        CChoppyStream stream(1 << 30);
        ASSERT_TRUE(stream.Open(WriteContent(Placed(10 * kBlock, 0, "front"))));
        EXPECT_EQ(SearchFileContent(nodes, stream, kGo), expr[0] != '!') << expr;
        EXPECT_EQ(stream.Delivered(), static_cast<long>(kBlock)) << expr;
    }
}

TEST(ContentSearch, EdgesOfTheFile) {
    CIncludeExprNodeArray nodes = Compile("a");
    CSourceStream closed;
    EXPECT_FALSE(SearchFileContent(nodes, closed, kGo));
    EXPECT_FALSE(Search("a", ""));
    EXPECT_TRUE(Search("!a", ""));
    // No padding is searched: a NUL term is not found in a file without NULs.
    EXPECT_FALSE(Search("{\\x00}", std::string(kBlock + 10, 'z')));
    EXPECT_FALSE(Search("{\\x00}", "z"));
    EXPECT_TRUE(Search("{\\x00}", std::string("z\0z", 3)));
    // A term of the longest length fits the overlap.
    const std::string longest(kMaxIncludeTermLength, 'q');
    EXPECT_TRUE(Search(longest, Placed(3 * kBlock, kBlock - 1000, longest), {.regex = false}));
    EXPECT_TRUE(
        Search(longest, Placed(3 * kBlock, 2 * kBlock - 3000, Utf16(longest)), {.regex = false}));
}

TEST(ContentSearch, PdfTextGoesOnFromTheStatesTheScanLeft) {
    // What the criteria test does for a PDF: the scan of the raw bytes fails,
    // then the extracted text is one more block.
    CIncludeExprNodeArray nodes = Compile("report & summary");
    CSourceStream stream;
    ASSERT_TRUE(stream.Open(WriteContent("%PDF-1.4 compressed " + Utf16("report"))));
    ASSERT_FALSE(SearchFileContent(nodes, stream, kGo));
    const std::string text = "the summary page";
    EXPECT_EQ(EvalIncludeBlock(nodes, reinterpret_cast<const BYTE*>(text.data()), text.size(),
                               INCLUDE_PASS_ANSI),
              INCLUDE_STATE_TRUE);  // "report" was found in the bytes, in UTF-16
    nodes = Compile("report & !summary");
    ASSERT_TRUE(stream.Open(WriteContent("report and summary")));
    ASSERT_FALSE(SearchFileContent(nodes, stream, kGo));
    const std::string none = "nothing";
    EXPECT_EQ(EvalIncludeBlock(nodes, reinterpret_cast<const BYTE*>(none.data()), none.size(),
                               INCLUDE_PASS_ANSI),
              INCLUDE_STATE_FALSE);  // decided by the bytes already
}

}  // namespace
