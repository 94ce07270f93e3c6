#include "app/engine/IncludeExpr.h"

#include <algorithm>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/TextCase.h"

namespace {

// Operators of the expression language, in the order of the precedence table.
enum Operator { OP_AND, OP_OR, OP_OPEN, OP_CLOSE, OP_NOT, OP_COUNT };

// Rows: the operator on top of the stack; columns: the incoming operator.
// -1 push the incoming operator, 0 pop the matching one, 1 reduce the top and
// retry, -2 error.
constexpr int kPrecedence[OP_COUNT][OP_COUNT] = {
    /* &  */ {1, 1, -1, 1, -1},
    /* |  */ {1, 1, -1, 1, -1},
    /* {  */ {-1, -1, -1, 0, -1},
    /* }  */ {1, 1, -2, 1, -1},
    /* !  */ {-2, -2, -1, -2, 0},
};

int OperatorOf(char c) {
    switch (c) {
        case '&':
            return OP_AND;
        case '|':
            return OP_OR;
        case '{':
            return OP_OPEN;
        case '}':
            return OP_CLOSE;
        case '!':
            return OP_NOT;
        default:
            return -1;
    }
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The compiler of one include string in regular-expression mode: a scan that
// collects term text, an operator stack and an operand stack of node indices.
// Besides the precedence table it tracks whether an operand or an operator is
// due next, so a missing operand ("a &", "{}", "!") or a missing operator
// ("{a} {b}") is an error wherever it stands.
class CExprCompiler {
public:
    CExprCompiler(const CIncludeStringData& data, CIncludeExprNodeArray& nodes)
        : m_Data(data), m_Nodes(nodes) {}

    bool Compile(std::string_view text) {
        std::string pending;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '\\') {
                // An escape pair stays together; it is decoded with the term.
                pending += c;
                if (i + 1 < text.size())
                    pending += text[++i];
            } else if (c == '"') {
                // A quote may only start a term (white space alone is no term text).
                if (!TrimWhiteSpace(pending).empty())
                    return false;
                pending.clear();
                // The closing quote is the first one not taken by an escape
                // pair, so "a\\" ends after the escaped backslash.
                std::size_t end = i + 1;
                while (end < text.size() && text[end] != '"')
                    end += text[end] == '\\' ? 2 : 1;
                if (end >= text.size())
                    return false;
                const std::string_view quoted = text.substr(i + 1, end - i - 1);
                if (quoted.empty() || !AddTerm(std::string(quoted)))
                    return false;
                i = end;
                while (i + 1 < text.size() && IsBlank(text[i + 1]))
                    ++i;
            } else if (const int op = OperatorOf(c); op >= 0) {
                if (!FlushPending(pending) || !HandleOperator(op))
                    return false;
            } else {
                pending += c;
            }
        }
        if (!FlushPending(pending) || m_bExpectOperand)
            return false;
        while (!m_Operators.empty()) {
            if (!Reduce())
                return false;  // an unclosed brace
        }
        return m_Operands.size() == 1;
    }

private:
    // The pending text, trimmed, becomes a term when it is not empty.
    bool FlushPending(std::string& pending) {
        const std::string_view term = TrimWhiteSpace(pending);
        const bool ok = term.empty() || AddTerm(std::string(term));
        pending.clear();
        return ok;
    }

    bool AddTerm(const std::string& text) {
        if (!m_bExpectOperand)
            return false;
        CIncludeExprNode node;
        node.m_iKind = INCLUDE_NODE_TERM;
        node.m_Term.m_bMatchCase = m_Data.m_bMatchCase;
        node.m_Term.m_bMatchWholeWord = m_Data.m_bMatchWholeWord;
        if (!node.m_Term.SetText(text, TRUE))
            return false;
        m_Nodes.push_back(std::move(node));
        m_Operands.push_back(static_cast<int>(m_Nodes.size()) - 1);
        OperandComplete();
        return true;
    }

    // A term or braced group is complete: a '!' right before it negates it.
    void OperandComplete() {
        m_bExpectOperand = false;
        if (!m_Operators.empty() && m_Operators.back() == OP_NOT) {
            m_Operators.pop_back();
            CIncludeExprNode& operand = m_Nodes[m_Operands.back()];
            operand.m_bNot = operand.m_bNot ? FALSE : TRUE;
        }
    }

    bool HandleOperator(int op) {
        const bool binary = op == OP_AND || op == OP_OR;
        if (op == OP_CLOSE || binary) {
            if (m_bExpectOperand)
                return false;
        } else if (!m_bExpectOperand) {
            return false;  // '!' or '{' right after an operand
        }
        if (binary)
            m_bExpectOperand = true;
        for (;;) {
            if (m_Operators.empty()) {
                if (op == OP_CLOSE)
                    return false;  // no brace to close
                m_Operators.push_back(op);
                return true;
            }
            switch (kPrecedence[m_Operators.back()][op]) {
                case -1:
                    m_Operators.push_back(op);
                    return true;
                case 0:
                    m_Operators.pop_back();
                    if (op == OP_CLOSE)
                        OperandComplete();
                    return true;
                case 1:
                    if (!Reduce())
                        return false;
                    break;
                default:
                    return false;
            }
        }
    }

    // Pops '&' or '|' and its two operands and appends their node.
    bool Reduce() {
        const int op = m_Operators.back();
        if ((op != OP_AND && op != OP_OR) || m_Operands.size() < 2)
            return false;
        m_Operators.pop_back();
        const int right = m_Operands.back();
        m_Operands.pop_back();
        const int left = m_Operands.back();
        m_Operands.pop_back();
        CIncludeExprNode node;
        node.m_iKind = op == OP_AND ? INCLUDE_NODE_AND : INCLUDE_NODE_OR;
        node.m_iLeft = left;
        node.m_iRight = right;
        m_Nodes.push_back(std::move(node));
        const int index = static_cast<int>(m_Nodes.size()) - 1;
        m_Nodes[left].m_iParent = index;
        m_Nodes[right].m_iParent = index;
        m_Operands.push_back(index);
        return true;
    }

    const CIncludeStringData& m_Data;
    CIncludeExprNodeArray& m_Nodes;
    std::vector<int> m_Operators;
    std::vector<int> m_Operands;
    bool m_bExpectOperand = true;
};

// Walks the tree from the root without recursion (a long chain of '&' is as
// deep as it is long). Children always stand before their parent in the
// array; a child index that breaks this counts as undecided. `Policy` gives
// a term's value and the value of an undecided node with the NOT flag, and
// says whether decided values are stored.
template <class Policy>
int EvalTree(
    std::conditional_t<Policy::kStore, CIncludeExprNodeArray&, const CIncludeExprNodeArray&> nodes,
    const Policy& policy) {
    if (nodes.empty())
        return INCLUDE_STATE_TRUE;
    struct Frame {
        int node;
        int stage;  // 0 not started, 1 waiting for the left child, 2 for the right
        int left;
    };
    thread_local std::vector<Frame> stack;
    stack.clear();
    stack.push_back({static_cast<int>(nodes.size()) - 1, 0, 0});
    int value = INCLUDE_STATE_UNDECIDED;  // of the node completed last
    while (!stack.empty()) {
        Frame& frame = stack.back();
        auto& node = nodes[frame.node];
        int result = -1;
        int child = -1;
        switch (frame.stage) {
            case 0:
                if (node.m_iState != INCLUDE_STATE_UNDECIDED) {
                    value = node.m_iState;
                    stack.pop_back();
                    continue;
                }
                if (node.m_iKind == INCLUDE_NODE_TERM) {
                    result = policy.Term(node.m_Term);
                } else {
                    frame.stage = 1;
                    child = node.m_iLeft;
                }
                break;
            case 1:
                frame.left = value;
                if (node.m_iKind == INCLUDE_NODE_AND && value == INCLUDE_STATE_FALSE) {
                    result = INCLUDE_STATE_FALSE;
                } else if (node.m_iKind == INCLUDE_NODE_OR && value == INCLUDE_STATE_TRUE) {
                    result = INCLUDE_STATE_TRUE;
                } else {
                    frame.stage = 2;
                    child = node.m_iRight;
                }
                break;
            default:
                if (frame.left != INCLUDE_STATE_UNDECIDED) {
                    result = value;  // AND after true, OR after false: the right decides
                } else if (node.m_iKind == INCLUDE_NODE_AND) {
                    result = value == INCLUDE_STATE_FALSE ? INCLUDE_STATE_FALSE
                                                          : INCLUDE_STATE_UNDECIDED;
                } else {
                    result =
                        value == INCLUDE_STATE_TRUE ? INCLUDE_STATE_TRUE : INCLUDE_STATE_UNDECIDED;
                }
                break;
        }
        if (result < 0) {
            if (child >= 0 && child < frame.node) {
                stack.push_back({child, 0, 0});
            } else {
                value = INCLUDE_STATE_UNDECIDED;  // a broken link: nothing to visit
            }
            continue;
        }
        if (node.m_bNot) {
            if (result == INCLUDE_STATE_TRUE)
                result = INCLUDE_STATE_FALSE;
            else if (result == INCLUDE_STATE_FALSE)
                result = INCLUDE_STATE_TRUE;
            else
                result = Policy::kUndecidedNot;
        }
        if constexpr (Policy::kStore) {
            if (result != INCLUDE_STATE_UNDECIDED)
                node.m_iState = result;
        }
        value = result;
        stack.pop_back();
    }
    return value;
}

// Over one block: a term is satisfied when it matches there, else undecided.
struct CBlockPolicy {
    static constexpr bool kStore = true;
    static constexpr int kUndecidedNot = INCLUDE_STATE_UNDECIDED;
    int Term(const CIncludeTerm& term) const {
        return term.Match(block, length, pass, edges) ? INCLUDE_STATE_TRUE
                                                      : INCLUDE_STATE_UNDECIDED;
    }
    const BYTE* block;
    std::size_t length;
    int pass;
    CIncludeBlockEdges edges;
};

// At the end of the text: a term still undecided was not found, so a negated
// undecided node holds.
struct CFinalPolicy {
    static constexpr bool kStore = false;
    static constexpr int kUndecidedNot = INCLUDE_STATE_TRUE;
    int Term(const CIncludeTerm&) const { return INCLUDE_STATE_UNDECIDED; }
};

}  // namespace

BOOL CIncludeExpr::Parse(CIncludeExprNodeArray& nodes) const {
    nodes.clear();
    const std::string& text = m_Data.m_sIncludeStr;
    if (text.empty())
        return TRUE;
    if (!m_Data.m_bRegularExpression) {
        CIncludeExprNode node;
        node.m_Term.m_bMatchCase = m_Data.m_bMatchCase;
        node.m_Term.m_bMatchWholeWord = m_Data.m_bMatchWholeWord;
        if (!node.m_Term.SetText(text, FALSE))
            return FALSE;
        nodes.push_back(std::move(node));
        return TRUE;
    }
    CExprCompiler compiler(m_Data, nodes);
    if (!compiler.Compile(text)) {
        nodes.clear();
        return FALSE;
    }
    return TRUE;
}

void ResetIncludeStates(CIncludeExprNodeArray& nodes) {
    for (CIncludeExprNode& node : nodes)
        node.m_iState = INCLUDE_STATE_UNDECIDED;
}

int EvalIncludeBlock(CIncludeExprNodeArray& nodes, const BYTE* block, std::size_t length, int pass,
                     CIncludeBlockEdges edges) {
    return EvalTree<CBlockPolicy>(nodes, CBlockPolicy{block, length, pass, edges});
}

int EvalIncludeFinal(const CIncludeExprNodeArray& nodes) {
    return EvalTree<CFinalPolicy>(nodes, CFinalPolicy{});
}

std::size_t GetLongestIncludeTerm(const CIncludeExprNodeArray& nodes) {
    std::size_t longest = 0;
    for (const CIncludeExprNode& node : nodes) {
        if (node.m_iKind == INCLUDE_NODE_TERM) {
            longest = std::max(
                {longest, node.m_Term.m_sAnsiBytes.size(), node.m_Term.m_sUtf16Bytes.size()});
        }
    }
    return longest;
}
