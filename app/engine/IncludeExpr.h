#pragma once
// The include string of a search: one literal term, or (with "Regular
// Expression" on) terms joined by '&', '|', '!' and braces, compiled into an
// array of nodes whose LAST node is the root. Files are scanned block by block;
// a term holds when it occurs in the text as 8-bit text or as UTF-16 text,
// and the expression is evaluated once over those terms, so a negated term
// holds only when the text has it in neither form. Each node keeps its state
// (0 satisfied, 1 not satisfied, 2 undecided) across the blocks of one file.
//
// Term text with escapes (regular-expression mode) accepts \! \" \& \' \\ \{
// \| \} \a \b \f \n \r \t \v and \x with one or two hexadecimal digits; any
// other backslash sequence, including a backslash that ends the text, makes
// the term (and so the expression) invalid.

#include <cstddef>
#include <string>
#include <vector>

#include "app/engine/BytePairScan.h"
#include "app/engine/SearchData.h"
#include "platform/WinTypes.h"

// How a block is read: as 8-bit text, as UTF-16 text, or as either (a term
// matches when it occurs in one of the two forms).
constexpr int INCLUDE_PASS_ANSI = 0;
constexpr int INCLUDE_PASS_UTF16 = 1;
constexpr int INCLUDE_PASS_EITHER = 2;

// Node states.
constexpr int INCLUDE_STATE_TRUE = 0;
constexpr int INCLUDE_STATE_FALSE = 1;
constexpr int INCLUDE_STATE_UNDECIDED = 2;

// Node kinds.
constexpr int INCLUDE_NODE_TERM = 0;
constexpr int INCLUDE_NODE_AND = 1;
constexpr int INCLUDE_NODE_OR = 2;

// The longest term text, in characters.
constexpr std::size_t kMaxIncludeTermLength = 4096;

// A block of text handed to the matcher is either a whole text (the default)
// or a window of a longer one. Where a window does not begin at the text's
// start, a match at its first bytes cannot see the character before it; where
// it does not end at the text's end, a match at its last bytes cannot see the
// character after it. Such matches are left to a neighbouring window that
// overlaps this one far enough (see ContentSearch.cpp) and are not accepted
// for a whole-word term; the text's real start and end are word boundaries.
struct CIncludeBlockEdges {
    BOOL m_bTextStart = TRUE;  // the block's first byte is the text's first byte
    BOOL m_bTextEnd = TRUE;    // the block's last byte is the text's last byte
};

class CIncludeTerm {
public:
    virtual ~CIncludeTerm() = default;

    // Prepares the search bytes of both passes; FALSE when the text is longer
    // than 4096 characters, empty, or an escape is invalid.
    BOOL SetText(const std::string& text, BOOL escapes);
    // 1 when the term occurs in the block under its case and whole-word rules,
    // read as `pass` says.
    BOOL Match(const BYTE* block, std::size_t length, int pass,
               CIncludeBlockEdges edges = {}) const;

    std::string m_sText;
    BOOL m_bMatchCase = FALSE;
    BOOL m_bMatchWholeWord = FALSE;
    std::string m_sAnsiBytes;   // 8-bit search bytes
    std::string m_sUtf16Bytes;  // UTF-16LE search bytes; empty when the text is not valid UTF-8

private:
    // How one pass compares: a block byte b matches search byte k when
    // (b | fold[k]) == bytes[k]; fold[k] is 0x20 where a lower-case ASCII
    // letter also accepts its upper-case form, else 0. Candidates are the
    // positions where the two rarest search bytes fit (`pair`).
    struct CPassPattern {
        std::string fold;
        CBytePair pair;
        bool folded = false;  // some fold byte is not 0
        bool hasNul = false;  // some search byte is 0: a block without one cannot match
    };
    struct CMatchContext;
    static bool AcceptCandidate(std::size_t pos, const void* context);
    void PreparePass(int pass);
    bool IsWholeWord(const BYTE* block, std::size_t length, std::size_t pos, int pass,
                     CIncludeBlockEdges edges) const;

    CPassPattern m_Pass[2];
};

class CIncludeExprNode {
public:
    virtual ~CIncludeExprNode() = default;

    BOOL m_bNot = FALSE;
    int m_iState = INCLUDE_STATE_UNDECIDED;
    int m_iKind = INCLUDE_NODE_TERM;
    CIncludeTerm m_Term;
    int m_iLeft = -1;
    int m_iRight = -1;
    int m_iParent = -1;
};

using CIncludeExprNodeArray = std::vector<CIncludeExprNode>;

class CIncludeExpr {
public:
    explicit CIncludeExpr(const CIncludeStringData& data) : m_Data(data) {}
    // Empties `nodes` and compiles; 1 on success (an empty string gives no
    // nodes), 0 on a syntax error: an unbalanced brace, a missing operand or
    // operator, a quote inside a term, a missing closing quote, an empty term,
    // a term longer than 4096 characters or an invalid escape.
    BOOL Parse(CIncludeExprNodeArray& nodes) const;

private:
    CIncludeStringData m_Data;
};

// Sets every node's state to 2.
void ResetIncludeStates(CIncludeExprNodeArray& nodes);
// Evaluates the root over one block, storing every node state that becomes 0
// or 1 (decided nodes are not evaluated again); returns the root's value:
// 0, 1 or 2. An empty array (no condition) gives 0. By default the block is a
// whole text.
int EvalIncludeBlock(CIncludeExprNodeArray& nodes, const BYTE* block, std::size_t length, int pass,
                     CIncludeBlockEdges edges = {});
// The root's value at the end of the text: an undecided term counts as not
// found. Returns 0, 1 or 2 (the expression holds only for 0) and changes no
// state, so a later text (a PDF document's) can go on from the same states.
// An empty array gives 0.
int EvalIncludeFinal(const CIncludeExprNodeArray& nodes);
// The largest byte length of any term's 8-bit or UTF-16 search bytes.
std::size_t GetLongestIncludeTerm(const CIncludeExprNodeArray& nodes);
