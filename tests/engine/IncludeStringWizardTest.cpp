#include "app/engine/IncludeStringWizard.h"

#include <gtest/gtest.h>

#include <string>

#include "app/engine/IncludeExpr.h"

namespace {

std::optional<std::string> Build(IncludeWizardRow a, IncludeWizardRow b = {},
                                 IncludeWizardRow c = {}, int first = INCLUDE_WIZARD_AND,
                                 int second = INCLUDE_WIZARD_AND, int* badRow = nullptr) {
    const IncludeWizardRow rows[kIncludeWizardRows] = {a, b, c};
    const int connectors[kIncludeWizardRows - 1] = {first, second};
    return BuildIncludeString(rows, connectors, badRow);
}

IncludeWizardRow Row(int include, int kind, std::string text) {
    return {include, kind, std::move(text)};
}

// The built string compiled as an include expression with escapes.
CIncludeExprNodeArray CompileBuilt(const std::string& text) {
    CIncludeStringData data;
    data.m_sIncludeStr = text;
    data.m_bRegularExpression = TRUE;
    CIncludeExprNodeArray nodes;
    EXPECT_TRUE(CIncludeExpr(data).Parse(nodes)) << text;
    return nodes;
}

TEST(IncludeStringWizard, NumbersBecomeTheirBytesFromTheLowest) {
    EXPECT_EQ(Build(Row(INCLUDE_WIZARD_NOT_INCLUDE, INCLUDE_WIZARD_DEC_NUMBER, "258")),
              "!{\\x02\\x01}");
    EXPECT_EQ(Build(Row(INCLUDE_WIZARD_INCLUDE, INCLUDE_WIZARD_HEX_NUMBER, "0x1A2b")),
              "{\\x2b\\x1a}");
    EXPECT_EQ(Build(Row(INCLUDE_WIZARD_INCLUDE, INCLUDE_WIZARD_HEX_NUMBER, "ff00")),
              "{\\x00\\xff}");
    EXPECT_EQ(Build(Row(INCLUDE_WIZARD_INCLUDE, INCLUDE_WIZARD_DEC_NUMBER, "0")), "{\\x00}");
    EXPECT_EQ(Build(Row(INCLUDE_WIZARD_INCLUDE, INCLUDE_WIZARD_DEC_NUMBER, " 65536 ")),
              "{\\x00\\x00\\x01}");
    EXPECT_EQ(Build(Row(INCLUDE_WIZARD_INCLUDE, INCLUDE_WIZARD_HEX_NUMBER, "FFFFFFFFFFFFFFFF")),
              "{\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff}");
    CIncludeExprNodeArray nodes =
        CompileBuilt(*Build(Row(INCLUDE_WIZARD_NOT_INCLUDE, INCLUDE_WIZARD_DEC_NUMBER, "258")));
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_TRUE(nodes[0].m_bNot);
    EXPECT_EQ(nodes[0].m_Term.m_sAnsiBytes, "\x02\x01");
}

TEST(IncludeStringWizard, RowsAndConnectors) {
    const IncludeWizardRow cat = Row(INCLUDE_WIZARD_INCLUDE, INCLUDE_WIZARD_STRING, "cat");
    const IncludeWizardRow dog = Row(INCLUDE_WIZARD_NOT_INCLUDE, INCLUDE_WIZARD_STRING, "dog");
    const IncludeWizardRow num = Row(INCLUDE_WIZARD_INCLUDE, INCLUDE_WIZARD_DEC_NUMBER, "7");
    EXPECT_EQ(Build(cat, dog, num, INCLUDE_WIZARD_OR, INCLUDE_WIZARD_AND),
              "\"cat\"|!\"dog\"&{\\x07}");
    // An empty row is left out; the next used row takes its own connector.
    EXPECT_EQ(Build(cat, {}, num, INCLUDE_WIZARD_AND, INCLUDE_WIZARD_OR), "\"cat\"|{\\x07}");
    EXPECT_EQ(Build({}, dog, {}, INCLUDE_WIZARD_OR), "!\"dog\"");
    EXPECT_EQ(Build({}, {}, {}), "");
}

TEST(IncludeStringWizard, StringsAreQuotedAndEscaped) {
    const std::string built =
        *Build(Row(INCLUDE_WIZARD_INCLUDE, INCLUDE_WIZARD_STRING, "say \"hi\" in C:\\"));
    EXPECT_EQ(built, "\"say \\\"hi\\\" in C:\\\\\"");
    CIncludeExprNodeArray nodes = CompileBuilt(built);
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0].m_Term.m_sAnsiBytes, "say \"hi\" in c:\\");
    nodes =
        CompileBuilt(*Build(Row(INCLUDE_WIZARD_INCLUDE, INCLUDE_WIZARD_STRING, "a & {b} | !c")));
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0].m_Term.m_sAnsiBytes, "a & {b} | !c");
}

TEST(IncludeStringWizard, TextThatIsNotANumberIsRefused) {
    const IncludeWizardRow ok = Row(INCLUDE_WIZARD_INCLUDE, INCLUDE_WIZARD_STRING, "x");
    for (const char* bad : {"12a", "abc", "-1", "+5", "0x", " ", "18446744073709551616"}) {
        int badRow = -1;
        EXPECT_FALSE(Build(ok, Row(INCLUDE_WIZARD_INCLUDE, INCLUDE_WIZARD_DEC_NUMBER, bad), {},
                           INCLUDE_WIZARD_AND, INCLUDE_WIZARD_AND, &badRow))
            << bad;
        EXPECT_EQ(badRow, 1) << bad;
    }
    EXPECT_FALSE(Build(Row(INCLUDE_WIZARD_INCLUDE, INCLUDE_WIZARD_HEX_NUMBER, "12g")));
    EXPECT_TRUE(Build(Row(INCLUDE_WIZARD_INCLUDE, INCLUDE_WIZARD_HEX_NUMBER, "abc")));
}

}  // namespace
