// zb_pattern_bench: micro-benchmarks of the two per-item tests of a search:
// the name test (CFileNamePattern::Match, MatchNamePatterns) over a million
// generated file names, and the contained-text matcher (CIncludeTerm::Match,
// EvalIncludeBlock) over 64 KB blocks of generated text in both passes.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/engine/FileNamePattern.h"
#include "app/engine/IncludeExpr.h"
#include "app/engine/SearchData.h"
#include "bench/BenchText.h"
#include "platform/TextCase.h"

namespace {

using namespace zbbench;

constexpr std::size_t kNameCount = 1000000;
constexpr std::size_t kBlockSize = 0x10000;

const std::vector<std::string>& Names() {
    static const std::vector<std::string> names = [] {
        Rng rng(7);
        std::vector<std::string> list;
        list.reserve(kNameCount);
        for (std::size_t i = 0; i < kNameCount; ++i)
            list.push_back(FileBaseName(rng) + std::string(rng.Pick(kSmallExts)));
        return list;
    }();
    return names;
}

const std::vector<std::string>& LowerNames() {
    static const std::vector<std::string> lower = [] {
        std::vector<std::string> list;
        list.reserve(kNameCount);
        for (const std::string& name : Names())
            list.push_back(LowerCaseUtf8(name));
        return list;
    }();
    return lower;
}

std::vector<CFileNamePattern> Patterns(const char* text, BOOL caseSensitive) {
    CSearchNameSpec spec(text);
    std::vector<CFileNamePattern> patterns;
    spec.Parse(patterns);
    PrepareNamePatterns(patterns, caseSensitive);
    return patterns;
}

void ReportNames(benchmark::State& state, std::size_t matched) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kNameCount));
    state.counters["matched"] = static_cast<double>(matched);
}

// One prepared pattern against every lower-cased name.
void BM_PatternMatch(benchmark::State& state, const char* text) {
    const CFileNamePattern pattern = Patterns(text, FALSE).front();
    const std::vector<std::string>& names = LowerNames();
    std::size_t matched = 0;
    for (auto _ : state) {
        matched = 0;
        for (const std::string& name : names)
            matched += pattern.Match(name) ? 1 : 0;
        benchmark::DoNotOptimize(matched);
    }
    ReportNames(state, matched);
}
BENCHMARK_CAPTURE(BM_PatternMatch, literal, "report");
BENCHMARK_CAPTURE(BM_PatternMatch, extension, "*.txt");
BENCHMARK_CAPTURE(BM_PatternMatch, both_ends, "*port*");
BENCHMARK_CAPTURE(BM_PatternMatch, question_marks, "img_????.jpg");
BENCHMARK_CAPTURE(BM_PatternMatch, several_stars, "*a*e*.*");
BENCHMARK_CAPTURE(BM_PatternMatch, no_match, "*.zzz");

// The name test as a case-insensitive search runs it for each item: the name
// lower-cased into a reused buffer, then the pattern list.
void BM_NameTest(benchmark::State& state, const char* text) {
    const std::vector<CFileNamePattern> patterns = Patterns(text, FALSE);
    const std::vector<std::string>& names = Names();
    std::string lower;
    std::size_t matched = 0;
    for (auto _ : state) {
        matched = 0;
        for (const std::string& name : names) {
            LowerCaseUtf8(name, lower);
            matched += MatchNamePatterns(patterns, lower) ? 1 : 0;
        }
        benchmark::DoNotOptimize(matched);
    }
    ReportNames(state, matched);
}
BENCHMARK_CAPTURE(BM_NameTest, one_pattern, "*.jpg");
BENCHMARK_CAPTURE(BM_NameTest, three_patterns, "*.jpg *.png *.gif");
BENCHMARK_CAPTURE(BM_NameTest, quoted_and_literal, "\"report 1\" data;img_1*");

// The same with "File Name Case Sensitive": names are tested as they are.
void BM_NameTestCaseSensitive(benchmark::State& state, const char* text) {
    const std::vector<CFileNamePattern> patterns = Patterns(text, TRUE);
    const std::vector<std::string>& names = Names();
    std::size_t matched = 0;
    for (auto _ : state) {
        matched = 0;
        for (const std::string& name : names)
            matched += MatchNamePatterns(patterns, name) ? 1 : 0;
        benchmark::DoNotOptimize(matched);
    }
    ReportNames(state, matched);
}
BENCHMARK_CAPTURE(BM_NameTestCaseSensitive, three_patterns, "*.jpg *.png *.gif");

// 64 KB of sentences without any marker word, as 8-bit text and as UTF-16LE.
const std::string& AnsiBlock() {
    static const std::string block = [] {
        Rng rng(11);
        std::string text = MakeCorpus(rng, kBlockSize);
        text.resize(kBlockSize);
        return text;
    }();
    return block;
}

const std::string& Utf16Block() {
    static const std::string block = [] {
        std::string text;
        text.reserve(kBlockSize);
        for (std::size_t i = 0; text.size() < kBlockSize; ++i) {
            text += AnsiBlock()[i];
            text += '\0';
        }
        return text;
    }();
    return block;
}

enum TermFlags { kIgnoreCase = 0, kMatchCase = 1, kWholeWord = 2 };

CIncludeExprNodeArray Compile(const char* text, bool expression, int flags) {
    CIncludeStringData data;
    data.m_sIncludeStr = text;
    data.m_bRegularExpression = expression ? TRUE : FALSE;
    data.m_bMatchCase = (flags & kMatchCase) ? TRUE : FALSE;
    data.m_bMatchWholeWord = (flags & kWholeWord) ? TRUE : FALSE;
    CIncludeExprNodeArray nodes;
    CIncludeExpr(data).Parse(nodes);
    return nodes;
}

const std::string& Block(int pass) {
    return pass == INCLUDE_PASS_ANSI ? AnsiBlock() : Utf16Block();
}

// One literal term over a block that does not hold it (the common case: every
// offset is tried).
void BM_TermMatch(benchmark::State& state, int flags, int pass) {
    const CIncludeExprNodeArray nodes = Compile("zembroltneedle", false, flags);
    const CIncludeTerm& term = nodes.back().m_Term;
    const std::string& block = Block(pass);
    const auto* bytes = reinterpret_cast<const BYTE*>(block.data());
    for (auto _ : state)
        benchmark::DoNotOptimize(term.Match(bytes, block.size(), pass));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * block.size()));
}
BENCHMARK_CAPTURE(BM_TermMatch, ignore_case_ansi, kIgnoreCase, INCLUDE_PASS_ANSI);
BENCHMARK_CAPTURE(BM_TermMatch, match_case_ansi, kMatchCase, INCLUDE_PASS_ANSI);
BENCHMARK_CAPTURE(BM_TermMatch, whole_word_ansi, kWholeWord, INCLUDE_PASS_ANSI);
BENCHMARK_CAPTURE(BM_TermMatch, ignore_case_utf16, kIgnoreCase, INCLUDE_PASS_UTF16);
BENCHMARK_CAPTURE(BM_TermMatch, match_case_utf16, kMatchCase, INCLUDE_PASS_UTF16);

// A whole expression over one block from fresh states: every term is tried
// and the root stays undecided.
void BM_ExpressionBlock(benchmark::State& state, const char* text, int pass) {
    CIncludeExprNodeArray nodes = Compile(text, true, kIgnoreCase);
    const std::string& block = Block(pass);
    const auto* bytes = reinterpret_cast<const BYTE*>(block.data());
    for (auto _ : state) {
        ResetIncludeStates(nodes);
        benchmark::DoNotOptimize(EvalIncludeBlock(nodes, bytes, block.size(), pass));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * block.size()));
}
BENCHMARK_CAPTURE(BM_ExpressionBlock, and_or_ansi, "{alpha & beta} | gamma", INCLUDE_PASS_ANSI);
BENCHMARK_CAPTURE(BM_ExpressionBlock, and_or_utf16, "{alpha & beta} | gamma", INCLUDE_PASS_UTF16);
BENCHMARK_CAPTURE(BM_ExpressionBlock, not_term_ansi, "report & !zembroltneedle", INCLUDE_PASS_ANSI);

}  // namespace

BENCHMARK_MAIN();
