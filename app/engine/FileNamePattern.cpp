#include "app/engine/FileNamePattern.h"

#include <algorithm>

#include "app/engine/LogResource.h"
#include "platform/TextCase.h"

namespace {

constexpr std::string_view kWildcards = "?*";
// Dark red: red component 128.
constexpr COLORREF kUnmatchedQuoteColour = RGB(128, 0, 0);

bool IsSeparator(char c) {
    return c == ' ' || c == ',' || c == ';';
}

void AddPattern(std::vector<CFileNamePattern>& patterns, std::string_view text) {
    if (!text.empty())
        patterns.emplace_back(std::string(text));
}

}  // namespace

CFileNamePattern::CFileNamePattern(std::string text) : m_sPattern(std::move(text)) {
    UpdateWildcardFlag();
}

BOOL CFileNamePattern::UpdateWildcardFlag() {
    m_bWildcard = m_sPattern.find_first_of(kWildcards) != std::string::npos ? TRUE : FALSE;
    return m_bWildcard;
}

BOOL CFileNamePattern::Match(std::string_view name) const {
    const std::string_view pattern = m_sPattern;
    if (!m_bWildcard)
        return name.find(pattern) != std::string_view::npos ? TRUE : FALSE;

    std::size_t i = 0;  // position in the pattern
    std::size_t p = 0;  // position in the name
    while (i < pattern.size()) {
        if (p >= name.size()) {
            // The name is used up: only '*'s may remain.
            return pattern.find_first_not_of('*', i) == std::string_view::npos ? TRUE : FALSE;
        }
        const char c = pattern[i];
        if (c == '?') {
            if (name[p] == '.')
                return FALSE;
            p += Utf8CharLength(name, p);
            ++i;
        } else if (c == '*') {
            i = std::min(pattern.find_first_not_of('*', i), pattern.size());
            // The name is not used up here: '*' consumes nothing.
            if (i < pattern.size() && pattern[i] == '?') {
                if (name[p] == '.')
                    return FALSE;
                p += Utf8CharLength(name, p);
                ++i;
            }
            if (i >= pattern.size())
                return TRUE;
            // The literal run up to the next wildcard, at its first occurrence.
            const std::size_t runEnd =
                std::min(pattern.find_first_of(kWildcards, i), pattern.size());
            const std::string_view run = pattern.substr(i, runEnd - i);
            const std::size_t found = name.find(run, p);
            if (found == std::string_view::npos)
                return FALSE;
            p = found + run.size();
            i = runEnd;
        } else {
            if (name[p] != c)
                return FALSE;
            ++p;
            ++i;
        }
    }
    return p >= name.size() ? TRUE : FALSE;
}

int CSearchNameSpec::Parse(std::vector<CFileNamePattern>& patterns) {
    patterns.clear();
    m_sFolderPart.clear();

    std::string text(TrimWhiteSpace(m_sText));
    std::replace(text.begin(), text.end(), '/', '\\');

    const std::size_t lastSlash = text.rfind('\\');
    if (lastSlash != std::string::npos) {
        // A separator in front and nowhere else names the root folder.
        m_sFolderPart = lastSlash == 0 ? std::string("\\") : text.substr(0, lastSlash);
        text.erase(0, lastSlash + 1);
    }

    const std::string_view view = text;
    std::size_t tokenStart = 0;
    std::size_t pos = 0;
    while (pos < view.size()) {
        const char c = view[pos];
        if (IsSeparator(c)) {
            AddPattern(patterns, view.substr(tokenStart, pos - tokenStart));
            while (pos < view.size() && IsSeparator(view[pos]))
                ++pos;
            tokenStart = pos;
        } else if (c == '"') {
            AddPattern(patterns, view.substr(tokenStart, pos - tokenStart));
            const std::size_t close = view.find('"', pos + 1);
            if (close == std::string_view::npos) {
                LogPrintResource(kUnmatchedQuoteColour, IDS_UNMATCHED_QUOTE);
                AddPattern(patterns, view.substr(pos + 1));
                return 0;
            }
            AddPattern(patterns, view.substr(pos + 1, close - pos - 1));
            pos = close + 1;
            tokenStart = pos;
        } else {
            ++pos;
        }
    }
    AddPattern(patterns, view.substr(tokenStart));
    return 0;
}

BOOL MatchNamePatterns(const std::vector<CFileNamePattern>& patterns, std::string_view name) {
    if (patterns.empty())
        return TRUE;
    for (const CFileNamePattern& pattern : patterns) {
        if (pattern.Match(name))
            return TRUE;
    }
    return FALSE;
}

void PrepareNamePatterns(std::vector<CFileNamePattern>& patterns, BOOL caseSensitive) {
    for (CFileNamePattern& pattern : patterns) {
        pattern.UpdateWildcardFlag();
        if (!caseSensitive)
            pattern.m_sPattern = LowerCaseUtf8(pattern.m_sPattern);
    }
}
