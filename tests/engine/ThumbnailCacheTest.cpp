#include "app/engine/ThumbnailCache.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A picture of `width` by 1 whose first pixel tells the record it was made for.
CBitmap Picture(int width, std::size_t record) {
    CBitmap picture(width, 1);
    picture.Row(0)[0] = static_cast<std::uint32_t>(record);
    return picture;
}

bool KeepNone(std::size_t) {
    return false;
}

TEST(ThumbnailCacheTest, CountsThePixelBytesOfThePicturesHeld) {
    CThumbnailCache cache(1000);
    cache.Put(1, Picture(10, 1));
    cache.Put(2, Picture(20, 2));
    EXPECT_EQ(cache.GetBytes(), 120u);
    EXPECT_EQ(cache.GetCount(), 2u);
    // A record's new picture replaces its old one.
    cache.Put(1, Picture(5, 1));
    EXPECT_EQ(cache.GetBytes(), 100u);
    EXPECT_EQ(cache.GetCount(), 2u);
    ASSERT_NE(cache.Find(1), nullptr);
    EXPECT_EQ(cache.Find(1)->Width(), 5);
    EXPECT_EQ(cache.Use(3), nullptr);
    cache.Clear();
    EXPECT_EQ(cache.GetBytes(), 0u);
    EXPECT_EQ(cache.Find(2), nullptr);
}

TEST(ThumbnailCacheTest, OverTheBoundThePicturesUsedLongestAgoGoFirst) {
    struct Case {
        const char* what;
        std::vector<std::size_t> used;  // records used after all were put, in order
        std::size_t limit;              // in pictures of 4 bytes
        std::vector<std::size_t> dropped;
    };
    const Case cases[] = {
        {"within the bound nothing goes", {}, 5, {}},
        {"the oldest put goes", {}, 4, {0}},
        {"down to the bound", {}, 2, {0, 1, 2}},
        {"a picture painted again is young", {0, 1}, 3, {2, 3}},
        {"the last used stays", {4, 2, 0}, 1, {1, 3, 4, 2}},
    };
    for (const Case& c : cases) {
        CThumbnailCache cache(c.limit * 4);
        for (std::size_t record = 0; record < 5; ++record)
            cache.Put(record, Picture(1, record));
        for (const std::size_t record : c.used)
            ASSERT_NE(cache.Use(record), nullptr) << c.what;
        EXPECT_EQ(cache.Trim(KeepNone), c.dropped) << c.what;
        EXPECT_EQ(cache.GetCount(), 5 - c.dropped.size()) << c.what;
        EXPECT_FALSE(cache.IsOverLimit()) << c.what;
        for (const std::size_t record : c.dropped)
            EXPECT_EQ(cache.Find(record), nullptr) << c.what;
    }
}

TEST(ThumbnailCacheTest, PicturesInViewStayEvenOverTheBound) {
    CThumbnailCache cache(8);
    for (std::size_t record = 0; record < 4; ++record)
        cache.Put(record, Picture(1, record));
    // Records 0 and 1 are in view, though used longest ago: the others go.
    const auto inView = [](std::size_t record) { return record <= 1; };
    EXPECT_EQ(cache.Trim(inView), (std::vector<std::size_t>{2, 3}));
    EXPECT_FALSE(cache.IsOverLimit());
    // A smaller bound than the view needs keeps the view whole.
    cache.SetByteLimit(4);
    EXPECT_TRUE(cache.Trim(inView).empty());
    EXPECT_TRUE(cache.IsOverLimit());
    ASSERT_NE(cache.Find(0), nullptr);
    EXPECT_EQ(cache.Find(0)->Row(0)[0], 0u);
    ASSERT_NE(cache.Find(1), nullptr);
    EXPECT_EQ(cache.Find(1)->Row(0)[0], 1u);
}

}  // namespace
