#include "app/engine/IncludeExpr.h"

#include <gtest/gtest.h>

#include <string>

#include "support/Utf16Text.h"

namespace {

struct Options {
    bool regex = true;
    bool matchCase = false;
    bool wholeWord = false;
};

CIncludeStringData Data(const std::string& text, Options options) {
    CIncludeStringData data;
    data.m_sIncludeStr = text;
    data.m_bRegularExpression = options.regex ? TRUE : FALSE;
    data.m_bMatchCase = options.matchCase ? TRUE : FALSE;
    data.m_bMatchWholeWord = options.wholeWord ? TRUE : FALSE;
    return data;
}

bool Parses(const std::string& text, Options options = {}) {
    CIncludeExprNodeArray nodes;
    return CIncludeExpr(Data(text, options)).Parse(nodes) == TRUE;
}

CIncludeExprNodeArray Compile(const std::string& text, Options options = {}) {
    CIncludeExprNodeArray nodes;
    EXPECT_TRUE(CIncludeExpr(Data(text, options)).Parse(nodes)) << text;
    return nodes;
}

const BYTE* Bytes(const std::string& text) {
    return reinterpret_cast<const BYTE*>(text.data());
}

// The expression over one whole text, as a file of that content is judged.
bool Holds(CIncludeExprNodeArray& nodes, const std::string& text, int pass = INCLUDE_PASS_ANSI) {
    ResetIncludeStates(nodes);
    const int root = EvalIncludeBlock(nodes, Bytes(text), text.size(), pass);
    if (root != INCLUDE_STATE_UNDECIDED)
        return root == INCLUDE_STATE_TRUE;
    return EvalIncludeFinal(nodes) == INCLUDE_STATE_TRUE;
}

bool Holds(const std::string& expr, const std::string& text, Options options = {}) {
    CIncludeExprNodeArray nodes = Compile(expr, options);
    return Holds(nodes, text);
}

using zbtest::Utf16;

CIncludeTerm Term(const std::string& text, Options options = {}, BOOL escapes = TRUE) {
    CIncludeTerm term;
    term.m_bMatchCase = options.matchCase ? TRUE : FALSE;
    term.m_bMatchWholeWord = options.wholeWord ? TRUE : FALSE;
    EXPECT_TRUE(term.SetText(text, escapes)) << text;
    return term;
}

bool Matches(const CIncludeTerm& term, const std::string& block, int pass = INCLUDE_PASS_ANSI,
             CIncludeBlockEdges edges = {}) {
    return term.Match(Bytes(block), block.size(), pass, edges) == TRUE;
}

TEST(IncludeExprParse, EmptyStringGivesNoNodes) {
    CIncludeExprNodeArray nodes(3);
    EXPECT_TRUE(CIncludeExpr(Data("", {})).Parse(nodes));
    EXPECT_TRUE(nodes.empty());
    EXPECT_EQ(EvalIncludeFinal(nodes), INCLUDE_STATE_TRUE);
}

TEST(IncludeExprParse, LiteralModeTakesTheWholeStringAsOneTerm) {
    const Options literal{.regex = false};
    CIncludeExprNodeArray nodes = Compile("a&b", literal);
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0].m_iKind, INCLUDE_NODE_TERM);
    EXPECT_EQ(nodes[0].m_Term.m_sAnsiBytes, "a&b");
    EXPECT_TRUE(Holds(nodes, "xxa&byy"));
    EXPECT_FALSE(Holds(nodes, "a and b"));
    // No escape processing, no trimming, and braces or quotes are plain text.
    EXPECT_EQ(Compile("\\n {x} \"", literal)[0].m_Term.m_sAnsiBytes, "\\n {x} \"");
    EXPECT_EQ(Compile("  ", literal)[0].m_Term.m_sAnsiBytes, "  ");
    EXPECT_TRUE(Parses("C:\\", literal));
}

TEST(IncludeExprParse, TreeShapeAndParentLinks) {
    CIncludeExprNodeArray nodes = Compile("{alpha | beta} & !gamma");
    ASSERT_EQ(nodes.size(), 5u);
    const CIncludeExprNode& root = nodes.back();
    EXPECT_EQ(root.m_iKind, INCLUDE_NODE_AND);
    EXPECT_EQ(root.m_iParent, -1);
    EXPECT_FALSE(root.m_bNot);
    const CIncludeExprNode& left = nodes[root.m_iLeft];
    const CIncludeExprNode& right = nodes[root.m_iRight];
    EXPECT_EQ(left.m_iKind, INCLUDE_NODE_OR);
    EXPECT_EQ(nodes[left.m_iLeft].m_Term.m_sText, "alpha");
    EXPECT_EQ(nodes[left.m_iRight].m_Term.m_sText, "beta");
    EXPECT_EQ(right.m_iKind, INCLUDE_NODE_TERM);
    EXPECT_EQ(right.m_Term.m_sText, "gamma");
    EXPECT_TRUE(right.m_bNot);
    for (int i = 0; i + 1 < static_cast<int>(nodes.size()); ++i) {
        const int parent = nodes[i].m_iParent;
        ASSERT_GT(parent, i);
        EXPECT_TRUE(nodes[parent].m_iLeft == i || nodes[parent].m_iRight == i);
    }
}

TEST(IncludeExprEval, BracedOrAndNegation) {
    const std::string expr = "{alpha | beta} & !gamma";
    EXPECT_TRUE(Holds(expr, "here is beta only"));
    EXPECT_FALSE(Holds(expr, "alpha and gamma"));
    EXPECT_FALSE(Holds(expr, "nothing at all"));
    EXPECT_TRUE(Holds(expr, "ALPHA"));
}

TEST(IncludeExprEval, AndAndOrGroupFromTheLeft) {
    EXPECT_FALSE(Holds("a | b & c", "a"));
    EXPECT_TRUE(Holds("a | b & c", "a c"));
    EXPECT_TRUE(Holds("a | b & c", "b c"));
    EXPECT_TRUE(Holds("x & y | z", "z"));  // {x & y} | z
    EXPECT_FALSE(Holds("x & {y | z}", "z"));
}

TEST(IncludeExprEval, NotCancelsInPairs) {
    EXPECT_TRUE(Holds("!!a", "a"));
    EXPECT_FALSE(Holds("!!a", "b"));
    EXPECT_FALSE(Holds("!!!a", "a"));
    EXPECT_TRUE(Holds("!!!a", "b"));
    EXPECT_TRUE(Holds("!{!a}", "a"));
    EXPECT_TRUE(Holds("!{a & b}", "a"));
    EXPECT_FALSE(Holds("!{a | b}", "b"));
    EXPECT_TRUE(Holds("!{a | !b}", "b"));
    EXPECT_TRUE(Holds("!x", ""));
}

TEST(IncludeExprEval, BlockStatesCarryAcrossBlocks) {
    CIncludeExprNodeArray nodes = Compile("one & two & !three");
    ResetIncludeStates(nodes);
    EXPECT_EQ(EvalIncludeBlock(nodes, Bytes("one"), 3, INCLUDE_PASS_ANSI), INCLUDE_STATE_UNDECIDED);
    EXPECT_EQ(EvalIncludeBlock(nodes, Bytes("two"), 3, INCLUDE_PASS_ANSI), INCLUDE_STATE_UNDECIDED);
    EXPECT_EQ(EvalIncludeFinal(nodes), INCLUDE_STATE_TRUE);
    // The final resolution changes no state: a later text can still decide.
    EXPECT_EQ(nodes.back().m_iState, INCLUDE_STATE_UNDECIDED);
    EXPECT_EQ(EvalIncludeBlock(nodes, Bytes("three"), 5, INCLUDE_PASS_ANSI), INCLUDE_STATE_FALSE);
    // A decided root is returned unchanged.
    EXPECT_EQ(EvalIncludeBlock(nodes, Bytes("x"), 1, INCLUDE_PASS_ANSI), INCLUDE_STATE_FALSE);
    EXPECT_EQ(EvalIncludeFinal(nodes), INCLUDE_STATE_FALSE);
}

TEST(IncludeExprEval, LongChainsNeedNoDeepRecursion) {
    std::string expr = "t0";
    for (int i = 1; i < 20000; ++i)
        expr += " & t" + std::to_string(i);
    CIncludeExprNodeArray nodes = Compile(expr);
    ASSERT_EQ(nodes.size(), 39999u);
    EXPECT_FALSE(Holds(nodes, "t0 t1"));
    EXPECT_TRUE(Holds("t1 | t2 | t3 | t4 | t5 | t6 | t7", "t7"));
}

TEST(IncludeExprParse, SyntaxErrors) {
    for (const char* bad : {
             "{a",         // unclosed brace
             "a}",         // no brace to close
             "{a}}",       //
             "a &",        // missing operand
             "a & ",       //
             "& a",        //
             "a | | b",    //
             "!",          //
             "a !b",       // missing operator
             "{a}{b}",     //
             "{a}{b} &",   //
             "& {a}{b}",   //
             "{a} b",      //
             "{}",         // empty group
             "a & {}",     //
             "\"\"",       // empty quoted term
             "a & \"\"",   //
             "ab\"c\"",    // quote inside a term
             "\"abc",      // missing closing quote
             "\"abc\\\"",  // the only quote after abc is escaped
             "\"a\" b",    // text after a quoted term
             "a\\q",       // unknown escape
             "a\\",        // a backslash that ends the text
             "\\x",        // \x without a digit
             "\\xg1",      //
             "\\X41",      // escape letters are lower case (with match case)
             "   ",        // no term at all
         }) {
        EXPECT_FALSE(Parses(bad, {.matchCase = true})) << bad;
    }
}

TEST(IncludeExprParse, FailedParseLeavesNoNodes) {
    CIncludeExprNodeArray nodes = Compile("a | b");
    EXPECT_FALSE(CIncludeExpr(Data("a | ", {})).Parse(nodes));
    EXPECT_TRUE(nodes.empty());
}

TEST(IncludeExprParse, TermLengthLimit) {
    const std::string limit(kMaxIncludeTermLength, 'x');
    EXPECT_TRUE(Parses(limit));
    EXPECT_TRUE(Parses(limit, {.regex = false}));
    EXPECT_FALSE(Parses(limit + "x"));
    EXPECT_FALSE(Parses(limit + "x", {.regex = false}));
    EXPECT_FALSE(Parses("a | " + limit + "x"));
    // The limit counts characters: 4096 two-byte letters are allowed.
    std::string wide;
    for (std::size_t i = 0; i < kMaxIncludeTermLength; ++i)
        wide += "\xC3\xA9";
    CIncludeExprNodeArray nodes = Compile(wide);
    EXPECT_EQ(GetLongestIncludeTerm(nodes), 2 * kMaxIncludeTermLength);
}

TEST(IncludeExprParse, QuotedTerms) {
    CIncludeExprNodeArray nodes = Compile("\"a & {b}\" | \" c \"");
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(nodes[0].m_Term.m_sAnsiBytes, "a & {b}");
    EXPECT_EQ(nodes[1].m_Term.m_sAnsiBytes, " c ");  // not trimmed
    // An escaped backslash before the closing quote does not hide it.
    nodes = Compile("\"dir\\\\\"   & x");
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(nodes[0].m_Term.m_sAnsiBytes, "dir\\");
    nodes = Compile("\"say \\\"hi\\\"\"");
    EXPECT_EQ(nodes[0].m_Term.m_sAnsiBytes, "say \"hi\"");
    // Unquoted terms are trimmed.
    nodes = Compile("  spaced out  &x");
    EXPECT_EQ(nodes[0].m_Term.m_sAnsiBytes, "spaced out");
}

TEST(IncludeExprTerm, Escapes) {
    const Options exact{.matchCase = true};
    EXPECT_EQ(Term("\\x41", exact).m_sAnsiBytes, "A");
    EXPECT_EQ(Term("\\x414", exact).m_sAnsiBytes, "A4");  // at most two digits
    EXPECT_EQ(Term("\\x4z", exact).m_sAnsiBytes, "\x04z");
    EXPECT_EQ(Term("\\xfF", exact).m_sAnsiBytes, "\xff");
    EXPECT_EQ(Term("\\x00", exact).m_sAnsiBytes, std::string(1, '\0'));
    EXPECT_EQ(Term("a\\nb", exact).m_sAnsiBytes, "a\nb");
    EXPECT_EQ(Term("\\\\", exact).m_sAnsiBytes, "\\");
    EXPECT_EQ(Term("\\\"", exact).m_sAnsiBytes, "\"");
    EXPECT_EQ(Term("\\!\\&\\'\\{\\|\\}", exact).m_sAnsiBytes, "!&'{|}");
    EXPECT_EQ(Term("\\a\\b\\f\\r\\t\\v", exact).m_sAnsiBytes, "\a\b\f\r\t\v");
    // An escaped operator is term text.
    CIncludeExprNodeArray nodes = Compile("a\\&b");
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0].m_Term.m_sAnsiBytes, "a&b");
    CIncludeTerm bad;
    EXPECT_FALSE(bad.SetText("x\\", TRUE));
    EXPECT_FALSE(bad.SetText("", FALSE));
    EXPECT_TRUE(bad.SetText("x\\", FALSE));
}

TEST(IncludeExprTerm, CaseRulesInThe8BitPass) {
    const CIncludeTerm folded = Term("HeLLo");
    EXPECT_EQ(folded.m_sAnsiBytes, "hello");
    EXPECT_TRUE(Matches(folded, "say HELLO"));
    EXPECT_TRUE(Matches(folded, "say hello"));
    EXPECT_FALSE(Matches(folded, "say help"));
    const CIncludeTerm exact = Term("HeLLo", {.matchCase = true});
    EXPECT_TRUE(Matches(exact, "say HeLLo"));
    EXPECT_FALSE(Matches(exact, "say hello"));
    // A hexadecimal escape spelling a capital letter matches both cases
    // unless case matters.
    EXPECT_TRUE(Matches(Term("\\x41"), "xax"));
    EXPECT_TRUE(Matches(Term("\\x41"), "xAx"));
    EXPECT_FALSE(Matches(Term("\\x41", {.matchCase = true}), "xax"));
    // Only 'A'..'Z' fold, in the term as in the text: an accented capital
    // stays as typed.
    EXPECT_EQ(Term("\xC3\x89T\xC3\xA9").m_sAnsiBytes, "\xC3\x89t\xC3\xA9");
    // Escaped bytes are taken as they are beyond 'A'..'Z' (the wizard's Hex
    // and Dec rows write such escapes): C3 84 is not turned into C3 A4.
    EXPECT_EQ(Term("\\xc3\\x84").m_sAnsiBytes, "\xC3\x84");
    EXPECT_TRUE(Holds("{\\xc3\\x84}", "\xC3\x84rger", {.regex = true}));
    EXPECT_FALSE(Holds("{\\xc3\\x84}", "\xC3\xA4rger", {.regex = true}));
    // Brackets and the like are not letters: '[' never matches '{'.
    EXPECT_FALSE(Matches(Term("{"), "["));
    EXPECT_FALSE(Matches(Term("@"), "`"));
}

TEST(IncludeExprTerm, Utf16SearchBytes) {
    EXPECT_EQ(Term("h\xC3\xA9").m_sUtf16Bytes, std::string("h\0\xE9\0", 4));
    EXPECT_EQ(Term("\xF0\x9F\x98\x80").m_sUtf16Bytes,
              std::string("\x3D\xD8\x00\xDE", 4));  // a surrogate pair
    // Bytes that are not UTF-8 have no UTF-16 form: that pass never matches.
    const CIncludeTerm raw = Term("\\xff\\xfe");
    EXPECT_TRUE(raw.m_sUtf16Bytes.empty());
    EXPECT_TRUE(Matches(raw, "\xff\xfe"));
    EXPECT_FALSE(Matches(raw, "\xff\xfe", INCLUDE_PASS_UTF16));
    EXPECT_EQ(Term("\\x02\\x01").m_sUtf16Bytes, std::string("\x02\0\x01\0", 4));
}

TEST(IncludeExprTerm, CaseRulesInTheUtf16Pass) {
    const CIncludeTerm folded = Term("Hello");
    EXPECT_TRUE(Matches(folded, Utf16("say HELLO there"), INCLUDE_PASS_UTF16));
    EXPECT_FALSE(Matches(folded, Utf16("say HELLO there"), INCLUDE_PASS_ANSI));
    EXPECT_FALSE(Matches(folded, "say hello", INCLUDE_PASS_UTF16));
    // Folding works on whole units: 'H' with a non-zero high byte is not 'h'.
    std::string odd = Utf16("hello");
    odd[1] = '\x01';
    EXPECT_FALSE(Matches(folded, odd, INCLUDE_PASS_UTF16));
    const CIncludeTerm exact = Term("Hello", {.matchCase = true});
    EXPECT_TRUE(Matches(exact, Utf16("Hello"), INCLUDE_PASS_UTF16));
    EXPECT_FALSE(Matches(exact, Utf16("hello"), INCLUDE_PASS_UTF16));
    // Any byte offset is tried, odd ones too.
    std::string shifted = "\x01";
    shifted += Utf16("xHELLOx");
    EXPECT_TRUE(Matches(folded, shifted, INCLUDE_PASS_UTF16));
}

TEST(IncludeExprTerm, NonAsciiLettersInBothPasses) {
    // "дом": its UTF-16 form holds no NUL byte, so it is found in a block
    // without one, where an ASCII term's UTF-16 form cannot be.
    const CIncludeTerm house = Term("\xD0\xB4\xD0\xBE\xD0\xBC");
    const std::string wide = "<<\x34\x04\x3E\x04\x3C\x04>>";
    ASSERT_EQ(wide.find('\0'), std::string::npos);
    EXPECT_TRUE(Matches(house, wide, INCLUDE_PASS_UTF16));
    EXPECT_FALSE(Matches(house, wide, INCLUDE_PASS_ANSI));
    EXPECT_TRUE(Matches(house, "<<\xD0\xB4\xD0\xBE\xD0\xBC>>", INCLUDE_PASS_ANSI));
    EXPECT_FALSE(Matches(house, "<<\xD0\xB4\xD0\xBE\xD0\xBC>>", INCLUDE_PASS_UTF16));
    // Only 'A'..'Z' fold in either pass: U+00E9 is not found as U+00C9 (whose
    // low byte differs by the same bit), nor the lower-case Cyrillic letter
    // as its capital.
    const CIncludeTerm accented = Term("caf\xC3\xA9");
    EXPECT_TRUE(Matches(accented, Utf16("CAF") + std::string("\xE9\0", 2), INCLUDE_PASS_UTF16));
    EXPECT_FALSE(Matches(accented, Utf16("caf") + std::string("\xC9\0", 2), INCLUDE_PASS_UTF16));
    EXPECT_TRUE(Matches(accented, "CAF\xC3\xA9", INCLUDE_PASS_ANSI));
    EXPECT_FALSE(Matches(accented, "caf\xC3\x89", INCLUDE_PASS_ANSI));
    EXPECT_FALSE(Matches(Term("\xD0\xB4"), std::string("\x14\x04", 2), INCLUDE_PASS_UTF16));
    EXPECT_TRUE(Matches(Term("\xD0\xB4"), std::string("\x34\x04", 2), INCLUDE_PASS_UTF16));
    // A whole non-ASCII word at both edges of the block, in both forms.
    const CIncludeTerm word = Term("caf\xC3\xA9", {.wholeWord = true});
    EXPECT_TRUE(Matches(word, "caf\xC3\xA9"));
    EXPECT_TRUE(Matches(word, Utf16("caf") + std::string("\xE9\0", 2), INCLUDE_PASS_UTF16));
    EXPECT_FALSE(Matches(word, "caf\xC3\xA9s"));
    EXPECT_FALSE(
        Matches(word, Utf16("caf") + std::string("\xE9\0", 2) + Utf16("s"), INCLUDE_PASS_UTF16));
}

TEST(IncludeExprTerm, WithoutMatchCaseOnlyAsciiLettersFold) {
    // The term is folded as the blocks are: a letter beyond A to Z is found
    // as typed, in both forms of the text, and only as typed.
    struct Case {
        const char* term;
        const char* text;
        bool found;
    };
    const Case cases[] = {
        {"\xC3\x84", "\xC3\x84rger", true},                               // Ä in Ärger
        {"\xC3\x84", "\xC3\xA4rger", false},                              // not in ärger
        {"\xC3\x89\x43OLE", "\xC3\x89\x43OLE", true},                     // ÉCOLE
        {"\xC3\x89\x43OLE", "\xC3\x89\x63ole", true},                     // École
        {"\xC3\x89\x43OLE", "\xC3\xA9\x63ole", false},                    // not école
        {"\xD0\x96\xD0\xA3\xD0\x9A", "\xD0\x96\xD0\xA3\xD0\x9A", true},   // ЖУК
        {"\xD0\x96\xD0\xA3\xD0\x9A", "\xD0\xB6\xD1\x83\xD0\xBA", false},  // not жук
    };
    for (const Case& c : cases) {
        const CIncludeTerm term = Term(c.term);
        // The text as a UTF-16 file holds it: the UTF-16 form of an exact term.
        const std::string wide = Term(c.text, {.matchCase = true}).m_sUtf16Bytes;
        EXPECT_EQ(Matches(term, c.text), c.found) << c.text;
        EXPECT_EQ(Matches(term, wide, INCLUDE_PASS_UTF16), c.found) << c.text;
    }
}

TEST(IncludeExprTerm, WholeWord) {
    const CIncludeTerm cat = Term("cat", {.wholeWord = true});
    EXPECT_TRUE(Matches(cat, "the cat."));
    EXPECT_FALSE(Matches(cat, "concatenate"));
    EXPECT_FALSE(Matches(cat, "cat5"));
    EXPECT_TRUE(Matches(cat, "cat"));
    EXPECT_TRUE(Matches(cat, "_cat-"));
    EXPECT_TRUE(Matches(cat, "CATS cat5 Cat"));  // the last one
    EXPECT_TRUE(Matches(cat, Utf16("the cat."), INCLUDE_PASS_UTF16));
    EXPECT_FALSE(Matches(cat, Utf16("concatenate"), INCLUDE_PASS_UTF16));
    EXPECT_FALSE(Matches(cat, Utf16("cat5"), INCLUDE_PASS_UTF16));
    EXPECT_TRUE(Matches(cat, Utf16("cat"), INCLUDE_PASS_UTF16));
    // With match case the UTF-16 pass tests the single bytes around the match.
    const CIncludeTerm exact = Term("cat", {.matchCase = true, .wholeWord = true});
    EXPECT_TRUE(Matches(exact, Utf16("a cat!"), INCLUDE_PASS_UTF16));
    EXPECT_FALSE(Matches(exact, Utf16("acat!"), INCLUDE_PASS_UTF16));
    EXPECT_TRUE(Holds("cat", "the cat.", {.wholeWord = true}));
    EXPECT_FALSE(Holds("cat", "concatenate cat5", {.wholeWord = true}));
}

TEST(IncludeExprTerm, WholeWordAtBlockEdgesThatAreNotTextEdges) {
    const CIncludeTerm cat = Term("cat", {.wholeWord = true});
    const CIncludeBlockEdges inner{FALSE, FALSE};
    // The character beyond the block is unknown: the match is left to the
    // neighbouring block.
    EXPECT_FALSE(Matches(cat, "cat is", INCLUDE_PASS_ANSI, inner));
    EXPECT_FALSE(Matches(cat, "a cat", INCLUDE_PASS_ANSI, inner));
    EXPECT_TRUE(Matches(cat, "a cat.", INCLUDE_PASS_ANSI, inner));
    EXPECT_TRUE(Matches(cat, "cat is", INCLUDE_PASS_ANSI, {TRUE, FALSE}));
    EXPECT_TRUE(Matches(cat, "a cat", INCLUDE_PASS_ANSI, {FALSE, TRUE}));
    EXPECT_FALSE(Matches(cat, Utf16("cat "), INCLUDE_PASS_UTF16, inner));
    std::string shifted(1, '\0');
    shifted += Utf16("cat ");
    EXPECT_FALSE(Matches(cat, shifted, INCLUDE_PASS_UTF16, inner));
    EXPECT_FALSE(Matches(cat, Utf16(" cat"), INCLUDE_PASS_UTF16, inner));
    EXPECT_TRUE(Matches(cat, Utf16(" cat "), INCLUDE_PASS_UTF16, inner));
    // Without whole word the edges do not matter.
    EXPECT_TRUE(Matches(Term("cat"), "cat", INCLUDE_PASS_ANSI, inner));
}

TEST(IncludeExprTerm, CandidatesEverywhereInALongBlock) {
    // Every offset around the 16-byte steps of the candidate scan.
    const CIncludeTerm term = Term("needle");
    for (std::size_t at = 0; at + 6 <= 80; ++at) {
        std::string block(80, 'n');
        block.replace(at, 6, "NeEdLe");
        EXPECT_TRUE(Matches(term, block)) << at;
        block[at + 5] = 'x';
        EXPECT_FALSE(Matches(term, block)) << at;
    }
    EXPECT_TRUE(Matches(Term("n"), std::string(40, 'x') + "N"));
    EXPECT_FALSE(Matches(Term("needle"), "needl"));
}

TEST(IncludeExprTerm, LongestTerm) {
    CIncludeExprNodeArray nodes = Compile("ab | cde");
    EXPECT_EQ(GetLongestIncludeTerm(nodes), 6u);  // "cde" in UTF-16
    nodes = Compile("\\xff\\xff\\xff\\xff");
    EXPECT_EQ(GetLongestIncludeTerm(nodes), 4u);
    EXPECT_EQ(GetLongestIncludeTerm({}), 0u);
}

}  // namespace
