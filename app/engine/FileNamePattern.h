#pragma once
// File-name patterns: the "Search File Name" text split into a folder part and
// a list of patterns, and the test of a name against them.
//
// A pattern without '?' and '*' matches any name that contains it. With
// wildcards, '?' stands for one character other than '.', and '*' for any run
// of characters; after a '*' the next literal run is matched at its first
// occurrence only (no backtracking). Matching compares bytes exactly: for a
// case-insensitive search the patterns and the names are lower-cased first
// (PrepareNamePatterns, LowerCaseUtf8).

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/WinTypes.h"

class CFileNamePattern {
public:
    CFileNamePattern() = default;
    // The wildcard flag is set from the text.
    explicit CFileNamePattern(std::string text);

    // Sets m_bWildcard from the text ('?' or '*' present) and returns it.
    BOOL UpdateWildcardFlag();
    // 1 when `name` matches, else 0. Allocates nothing.
    BOOL Match(std::string_view name) const;

    friend bool operator==(const CFileNamePattern&, const CFileNamePattern&) = default;

    std::string m_sPattern;
    BOOL m_bWildcard = FALSE;
};

// Splits the text of the file-name field into a folder part and patterns.
class CSearchNameSpec {
public:
    CSearchNameSpec() = default;
    explicit CSearchNameSpec(std::string text) : m_sText(std::move(text)) {}

    // Fills `patterns` from the text (emptied first) and sets the folder part;
    // returns 0. Patterns are separated by blanks, ',' and ';'; a text between
    // double quotes is one pattern, separators included. An unmatched double
    // quote is logged and the rest of the text becomes one pattern.
    int Parse(std::vector<CFileNamePattern>& patterns);

    // The folder in front of the patterns ('/' turned into '\'), empty when
    // the text names none; "\" for a text that starts with its only
    // separator ("/*.txt" looks in the root folder).
    const std::string& GetFolderPart() const { return m_sFolderPart; }

    std::string m_sText;
    std::string m_sFolderPart;
};

// The name test of a search: 1 when `patterns` is empty or any pattern matches
// `name` (tried in order; the first match ends the test), else 0.
BOOL MatchNamePatterns(const std::vector<CFileNamePattern>& patterns, std::string_view name);

// Readies parsed patterns for matching: sets every wildcard flag and, unless
// the search is case-sensitive, lower-cases every pattern. Names are then
// lower-cased the same way (LowerCaseUtf8) before MatchNamePatterns.
void PrepareNamePatterns(std::vector<CFileNamePattern>& patterns, BOOL caseSensitive);
