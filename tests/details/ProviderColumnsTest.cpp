#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "readers/archives/ArchiveHandler.h"
#include "readers/details/ProviderRegistry.h"
#include "support/TempHome.h"

namespace {

// Each provider's columns in index order, and whether it answers HasColumn
// for every id, in the registry's order.
struct ProviderColumns {
    std::vector<int> ids;
    bool everyId;
};

std::vector<int> ColumnOrder(const CFileInfoProvider& provider) {
    std::vector<int> ids;
    for (int i = 0; i < provider.GetColumnCount(); ++i) {
        COLUMNINFO info{};
        EXPECT_TRUE(provider.GetColumnByIndex(i, &info));
        ids.push_back(info.nId);
    }
    COLUMNINFO beyond{};
    EXPECT_FALSE(provider.GetColumnByIndex(provider.GetColumnCount(), &beyond));
    EXPECT_FALSE(provider.GetColumnByIndex(-1, &beyond));
    return ids;
}

TEST(ProviderColumnsTest, EveryProviderListsItsColumnsInOrder) {
    InitArchiveHandlers();
    CFileInfoProviderList providers;
    CreateFileInfoProviders(providers);
    const std::vector<ProviderColumns> expected = {
        {{2, 4, 6, 102, 107, 104, 105, 201, 202}, false},              // MP3
        {{2, 3, 4, 5, 6, 50, 51, 52, 53, 54, 55, 56, 57, 58}, false},  // summary
        {{2, 3, 4, 5, 50, 57, 58}, false},                             // PDF
        {{2}, false},                                                  // HTML
        {{301, 302, 303, 304, 305}, false},                            // BMP
        {{301, 302, 303, 304, 305}, false},                            // JPEG
        {{301, 302, 303}, true},                                       // GIF
        {{301, 302, 303}, true},                                       // TGA
        {{301, 302, 303, 304, 305}, false},                            // PCX
        {{301, 302, 303, 306, 201, 102, 107, 307}, false},             // AVI
        {{102, 107, 201, 106, 103}, false},                            // WAVE
        {{1200, 1201, 1202, 1203, 1204, 1205, 1206, 1207, 1208, 1209, 1210, 6}, false},
        {{301, 302, 303}, true},                  // PNG
        {{6}, false},                             // FILE_ID.DIZ
        {{1250, 1251, 1252, 1253, 1205}, false},  // shortcut
    };
    ASSERT_GE(providers.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const CFileInfoProvider& provider = *providers[i];
        EXPECT_EQ(ColumnOrder(provider), expected[i].ids) << i;
        for (const int id : {1, 7, 100, 1211, 9999})
            EXPECT_EQ(provider.HasColumn(id) != FALSE, expected[i].everyId) << i << " " << id;
        // Any table id can be looked up, not only the provider's own.
        COLUMNINFO info{};
        EXPECT_TRUE(provider.GetColumnById(1253, &info)) << i;
        EXPECT_EQ(info.nId, 1253);
        EXPECT_FALSE(provider.GetColumnById(9999, &info)) << i;
    }
    const std::vector<std::vector<std::string>> extensions = {
        {"mp3"}, {},      {"pdf"}, {"htm", "html"}, {"bmp", "dib"}, {"jpg", "jpeg"},
        {"gif"}, {"tga"}, {"pcx"}, {"avi"},         {"wav"},        {},
        {"png"}, {},      {"lnk"}};
    for (std::size_t i = 0; i < extensions.size(); ++i) {
        if (!extensions[i].empty()) {
            EXPECT_EQ(providers[i]->GetExtensions(), extensions[i]) << i;
        }
    }
}

TEST(ProviderColumnsTest, NoProviderWaitsOnAPipe) {
    InitArchiveHandlers();
    CFileInfoProviderList providers;
    CreateFileInfoProviders(providers);
    const std::string dir = zbtest::MakeTempDir("fifos");
    for (const auto& provider : providers) {
        // A pipe without a writer named as the provider's file: opening it
        // for reading would wait for ever.
        const std::string path = dir + "/pipe." + provider->GetExtensions().front();
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0) << path;
        CProviderItem item;
        item.m_sName = path.substr(path.rfind('/') + 1);
        item.m_sPath = path;
        EXPECT_FALSE(provider->Load(item)) << path;
    }
}

}  // namespace
