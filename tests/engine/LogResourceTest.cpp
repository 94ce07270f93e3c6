#include "app/engine/LogResource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(LogPrintResource, FormatsTheStringTableText) {
    std::vector<std::pair<COLORREF, std::string>> lines;
    SetLogSink([&](COLORREF colour, const std::string& line) { lines.emplace_back(colour, line); });
    LogPrintResource(RGB(255, 0, 0), 5011, 10000);
    LogPrintResource(RGB(0, 0, 255), 326, "/a/old.txt", "/a/new.txt");
    SetLogSink({});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              (std::pair<COLORREF, std::string>{RGB(255, 0, 0), "Search result exceed 10000\n"}));
    EXPECT_EQ(lines[1].second, "Failed in renaming /a/old.txt to /a/new.txt.\n");
    EXPECT_EQ(lines[1].first, RGB(0, 0, 255));
}

}  // namespace
