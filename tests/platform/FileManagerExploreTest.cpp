#include "platform/FileManagerExplore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Answers as told and keeps every call.
class FakeCaller : public zb::IFileManagerCaller {
public:
    explicit FakeCaller(bool answers) : m_answers(answers) {}
    bool CallFileManager(const std::string& method, const std::vector<std::string>& uris,
                         const std::string& startupId) override {
        calls.push_back({method, uris, startupId});
        return m_answers;
    }
    struct Call {
        std::string method;
        std::vector<std::string> uris;
        std::string startupId;
    };
    std::vector<Call> calls;

private:
    bool m_answers;
};

TEST(FileManagerExploreTest, ShowItemsGetsEncodedUrisAndNoFallback) {
    FakeCaller caller(true);
    std::vector<std::string> opened;
    const auto open = [&](const std::string& folder) {
        opened.push_back(folder);
        return true;
    };
    EXPECT_TRUE(zb::ExploreItems(caller, {"/home/u/a b.txt", "/home/u/#1"}, open));
    ASSERT_EQ(caller.calls.size(), 1u);
    EXPECT_EQ(caller.calls[0].method, "ShowItems");
    EXPECT_EQ(caller.calls[0].uris,
              (std::vector<std::string>{"file:///home/u/a%20b.txt", "file:///home/u/%231"}));
    EXPECT_EQ(caller.calls[0].startupId, "");
    EXPECT_TRUE(opened.empty());
    EXPECT_STREQ(zb::kFileManagerService, "org.freedesktop.FileManager1");
    EXPECT_STREQ(zb::kFileManagerPath, "/org/freedesktop/FileManager1");
}

TEST(FileManagerExploreTest, WithoutAnAnswerEachFolderIsOpenedOnce) {
    FakeCaller caller(false);
    std::vector<std::string> opened;
    const auto open = [&](const std::string& folder) {
        opened.push_back(folder);
        return true;
    };
    EXPECT_TRUE(zb::ExploreItems(caller, {"/a/x", "/a/y", "/b/z", "/top"}, open));
    EXPECT_EQ(opened, (std::vector<std::string>{"/a", "/b", "/"}));
    opened.clear();
    EXPECT_TRUE(zb::ExploreFolders(caller, {"/a", "/b"}, open));
    EXPECT_EQ(caller.calls.back().method, "ShowFolders");
    EXPECT_EQ(opened, (std::vector<std::string>{"/a", "/b"}));
    EXPECT_FALSE(zb::ExploreFolders(caller, {}, open));
    EXPECT_FALSE(zb::ExploreItems(caller, {"/a/x"}, [](const std::string&) { return false; }));
}

}  // namespace
