#include "app/engine/AdvancedOptions.h"

#include <gtest/gtest.h>

#include "engine/FreshUserFolders.h"

namespace {

class AdvancedOptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(m_key.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt"), ERROR_SUCCESS);
    }

    // Writes the two required limits and the thumbnail size.
    void WriteRequiredAnd(DWORD thumbnailSize) {
        ASSERT_EQ(m_key.SetDWORD("Recent Search Limit Count", 7), ERROR_SUCCESS);
        ASSERT_EQ(m_key.SetDWORD("Search Result Max Limit", 500), ERROR_SUCCESS);
        ASSERT_EQ(m_key.SetDWORD("Max Thumbnail Size", thumbnailSize), ERROR_SUCCESS);
    }

    zbtest::FreshUserFolders m_folders;
    CRegKey m_key;
};

TEST(AdvancedOptionsDefaults, ConstructionGivesTheDefaults) {
    const CAdvancedOptions options;
    EXPECT_EQ(options.m_nRecentSearchLimit, 10);
    EXPECT_EQ(options.m_nSearchResultLimit, 10000);
    EXPECT_EQ(options.m_bCheckNewerVersion, 1);
    EXPECT_EQ(options.m_nThumbnailWidth, 128);
    EXPECT_EQ(options.m_nThumbnailHeight, 128);
    EXPECT_EQ(options.m_bSizeInBytes, 0);
    EXPECT_EQ(options.m_cHotKey, 'F');
}

TEST_F(AdvancedOptionsTest, EveryValueRoundTrips) {
    CAdvancedOptions saved;
    saved.m_nRecentSearchLimit = 3;
    saved.m_nSearchResultLimit = 123456;
    saved.m_bCheckNewerVersion = 0;
    saved.m_nThumbnailWidth = 64;
    saved.m_nThumbnailHeight = 64;
    saved.m_bSizeInBytes = 1;
    saved.m_cHotKey = 'K';
    ASSERT_TRUE(saved.Save(m_key));

    DWORD value = 0;
    ASSERT_EQ(m_key.QueryDWORD("Max Thumbnail Size", value), ERROR_SUCCESS);
    EXPECT_EQ(value, (64u << 16) | 64u);
    ASSERT_EQ(m_key.QueryDWORD("Hot Key", value), ERROR_SUCCESS);
    EXPECT_EQ(value, static_cast<DWORD>('K'));

    CAdvancedOptions loaded;
    ASSERT_TRUE(loaded.Load(m_key));
    EXPECT_EQ(loaded.m_nRecentSearchLimit, 3);
    EXPECT_EQ(loaded.m_nSearchResultLimit, 123456);
    EXPECT_EQ(loaded.m_bCheckNewerVersion, 0);
    EXPECT_EQ(loaded.m_nThumbnailWidth, 64);
    EXPECT_EQ(loaded.m_nThumbnailHeight, 64);
    EXPECT_EQ(loaded.m_bSizeInBytes, 1);
    EXPECT_EQ(loaded.m_cHotKey, 'K');
}

TEST_F(AdvancedOptionsTest, NoHotKeyRoundTripsAsZero) {
    CAdvancedOptions saved;
    saved.m_cHotKey = 0;
    ASSERT_TRUE(saved.Save(m_key));
    CAdvancedOptions loaded;
    ASSERT_TRUE(loaded.Load(m_key));
    EXPECT_EQ(loaded.m_cHotKey, 0);
}

TEST_F(AdvancedOptionsTest, ThumbnailSizeIsMadeSquare) {
    struct Case {
        DWORD stored;
        std::int32_t size;
    };
    const Case cases[] = {
        {(96u << 16) | 96u, 96}, {100u, 256}, {(32u << 16) | 192u, 192}, {(256u << 16) | 32u, 32},
        {(48u << 16) | 48u, 48}, {0u, 256},   {0xFFFFFFFFu, 256},
    };
    for (const Case& c : cases) {
        WriteRequiredAnd(c.stored);
        CAdvancedOptions options;
        ASSERT_TRUE(options.Load(m_key));
        EXPECT_EQ(options.m_nThumbnailWidth, c.size) << std::hex << c.stored;
        EXPECT_EQ(options.m_nThumbnailHeight, c.size) << std::hex << c.stored;
    }
}

TEST_F(AdvancedOptionsTest, OnlyTheTwoLimitsAreRequired) {
    ASSERT_EQ(m_key.SetDWORD("Recent Search Limit Count", 4), ERROR_SUCCESS);
    CAdvancedOptions options;
    EXPECT_FALSE(options.Load(m_key));  // "Search Result Max Limit" missing

    ASSERT_EQ(m_key.SetDWORD("Search Result Max Limit", 9), ERROR_SUCCESS);
    options.m_bCheckNewerVersion = 0;
    options.m_bSizeInBytes = 1;
    options.m_cHotKey = 'Q';
    ASSERT_TRUE(options.Load(m_key));
    EXPECT_EQ(options.m_nRecentSearchLimit, 4);
    EXPECT_EQ(options.m_nSearchResultLimit, 9);
    EXPECT_EQ(options.m_bCheckNewerVersion, 1);  // missing gives 1
    EXPECT_EQ(options.m_bSizeInBytes, 0);        // missing gives 0
    // Missing thumbnail size and hot key keep what was held.
    EXPECT_EQ(options.m_nThumbnailWidth, 128);
    EXPECT_EQ(options.m_nThumbnailHeight, 128);
    EXPECT_EQ(options.m_cHotKey, 'Q');
}

TEST_F(AdvancedOptionsTest, MissingFirstLimitFailsBeforeAnythingChanges) {
    ASSERT_EQ(m_key.SetDWORD("Search Result Max Limit", 9), ERROR_SUCCESS);
    CAdvancedOptions options;
    EXPECT_FALSE(options.Load(m_key));
    EXPECT_EQ(options.m_nSearchResultLimit, 10000);
}

TEST_F(AdvancedOptionsTest, HotKeyTakesTheLowByte) {
    WriteRequiredAnd(128);
    ASSERT_EQ(m_key.SetDWORD("Hot Key", 0x1234'5600u | 'Z'), ERROR_SUCCESS);
    CAdvancedOptions options;
    ASSERT_TRUE(options.Load(m_key));
    EXPECT_EQ(options.m_cHotKey, 'Z');
}

TEST_F(AdvancedOptionsTest, ValueOfAnotherTypeCountsAsMissing) {
    ASSERT_EQ(m_key.SetString("Recent Search Limit Count", "7"), ERROR_SUCCESS);
    ASSERT_EQ(m_key.SetDWORD("Search Result Max Limit", 9), ERROR_SUCCESS);
    CAdvancedOptions options;
    EXPECT_FALSE(options.Load(m_key));
}

TEST_F(AdvancedOptionsTest, SaveOnAKeyThatIsNotOpenFails) {
    CRegKey closed;  // not open: every write fails
    const CAdvancedOptions options;
    EXPECT_FALSE(options.Save(closed));
    DWORD value = 0;
    EXPECT_NE(m_key.QueryDWORD("Recent Search Limit Count", value), ERROR_SUCCESS);
}

}  // namespace
