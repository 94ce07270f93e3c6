#pragma once
// The include string of a search: one literal term, or (with "Regular
// Expression" on) terms joined by '&', '|', '!' and braces, compiled into an
// array of nodes whose LAST node is the root. Files are scanned block by block,
// first as 8-bit text and then as UTF-16 text; each node keeps its state
// (0 satisfied, 1 not satisfied, 2 undecided) across the blocks of one file.

#include <cstddef>
#include <string>
#include <vector>

#include "app/engine/SearchData.h"
#include "platform/WinTypes.h"

// Passes of the content search.
constexpr int INCLUDE_PASS_ANSI = 0;
constexpr int INCLUDE_PASS_UTF16 = 1;

// Node states.
constexpr int INCLUDE_STATE_TRUE = 0;
constexpr int INCLUDE_STATE_FALSE = 1;
constexpr int INCLUDE_STATE_UNDECIDED = 2;

// Node kinds.
constexpr int INCLUDE_NODE_TERM = 0;
constexpr int INCLUDE_NODE_AND = 1;
constexpr int INCLUDE_NODE_OR = 2;

// The longest term text.
constexpr std::size_t kMaxIncludeTermLength = 4096;

class CIncludeTerm {
public:
    // Prepares the search bytes of both passes; FALSE when the text is longer
    // than 4096 characters, empty, or an escape is invalid.
    BOOL SetText(const std::string& text, BOOL escapes);
    // 1 when the term occurs in the block under its case and whole-word rules.
    BOOL Match(const BYTE* block, std::size_t length, int pass) const;

    std::string m_sText;
    BOOL m_bMatchCase = FALSE;
    BOOL m_bMatchWholeWord = FALSE;
    std::string m_sAnsiBytes;   // 8-bit search bytes
    std::string m_sUtf16Bytes;  // UTF-16LE search bytes
};

class CIncludeExprNode {
public:
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
    // nodes), 0 on a syntax error.
    BOOL Parse(CIncludeExprNodeArray& nodes) const;

private:
    CIncludeStringData m_Data;
};

void ResetIncludeStates(CIncludeExprNodeArray& nodes);
int EvalIncludeBlock(CIncludeExprNodeArray& nodes, const BYTE* block, std::size_t length,
                     int pass);
int EvalIncludeFinal(CIncludeExprNodeArray& nodes);
std::size_t GetLongestIncludeTerm(const CIncludeExprNodeArray& nodes);
