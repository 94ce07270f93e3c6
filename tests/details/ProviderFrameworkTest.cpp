#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "readers/archives/ArchiveHandler.h"
#include "readers/details/FileInfoProvider.h"
#include "readers/details/ProviderRegistry.h"
#include "readers/details/ThumbnailProvider.h"

namespace {

class FakeThumbnailMaker : public CThumbnailProvider {
public:
    explicit FakeThumbnailMaker(std::vector<std::string> extensions) {
        m_arrExtensions = std::move(extensions);
    }
    BOOL InitExtensions() override { return TRUE; }
    BOOL MakeThumbnail(const CProviderItem&, CBitmap*, SIZE) override { return FALSE; }
};

SIZE Fit(LONG maxW, LONG maxH, LONG w, LONG h, BOOL* ok = nullptr) {
    SIZE out{-1, -1};
    const BOOL result = FitThumbnailSize(SIZE{maxW, maxH}, SIZE{w, h}, &out);
    if (ok != nullptr)
        *ok = result;
    return out;
}

TEST(ProviderFrameworkTest, ExtensionsCompareAfterTheLastDotLowerCased) {
    const FakeThumbnailMaker maker({"jpg", "gz", "TIF"});
    EXPECT_TRUE(maker.IsSupported("PHOTO.JPG"));
    EXPECT_TRUE(maker.IsSupported("/a.b/photo.jpg"));
    EXPECT_TRUE(maker.IsSupported("a.tar.gz"));  // the last extension counts
    EXPECT_FALSE(maker.IsSupported("a.gz.tar"));
    EXPECT_FALSE(maker.IsSupported("jpg"));    // no dot, no extension
    EXPECT_FALSE(maker.IsSupported("name."));  // a trailing dot: the empty extension
    EXPECT_FALSE(maker.IsSupported("x.jpgx"));
    EXPECT_FALSE(maker.IsSupported("scan.tif"));  // an upper-case entry never matches
    EXPECT_FALSE(maker.IsSupported("SCAN.TIF"));
    // Only ASCII letters are lower-cased; other bytes compare as they stand.
    EXPECT_FALSE(FakeThumbnailMaker({"é"}).IsSupported("a.É"));
}

TEST(ProviderFrameworkTest, FittingKeepsTheAspectAndNeverEnlarges) {
    EXPECT_EQ(Fit(128, 128, 1000, 500), (SIZE{128, 64}));
    EXPECT_EQ(Fit(128, 128, 500, 1000), (SIZE{64, 128}));
    EXPECT_EQ(Fit(128, 128, 100, 50), (SIZE{100, 50}));
    EXPECT_EQ(Fit(128, 128, 128, 128), (SIZE{128, 128}));
    // A tie goes to the height: both sides are twice the box.
    EXPECT_EQ(Fit(100, 50, 200, 100), (SIZE{100, 50}));
    EXPECT_EQ(Fit(96, 64, 300, 200), (SIZE{96, 64}));
    // The scaled side is truncated, and never to 0.
    EXPECT_EQ(Fit(128, 128, 1000, 333), (SIZE{128, 42}));
    EXPECT_EQ(Fit(128, 128, 10000, 1), (SIZE{128, 1}));
    EXPECT_EQ(Fit(128, 128, 1, 10000), (SIZE{1, 128}));
}

TEST(ProviderFrameworkTest, FittingRefusesEmptySizes) {
    for (const auto& [maxW, maxH, w, h] : std::vector<std::array<LONG, 4>>{{0, 128, 10, 10},
                                                                           {128, 0, 10, 10},
                                                                           {128, 128, 0, 10},
                                                                           {128, 128, 10, 0},
                                                                           {-5, 128, 10, 10},
                                                                           {128, 128, 10, -1}}) {
        BOOL ok = TRUE;
        EXPECT_EQ(Fit(maxW, maxH, w, h, &ok), (SIZE{0, 0}));
        EXPECT_FALSE(ok);
    }
}

TEST(ProviderFrameworkTest, RegistriesCreateTheBuiltProvidersInitialised) {
    InitArchiveHandlers();  // the description-file provider takes the readers' extensions
    CFileInfoProviderList details;
    details.push_back(nullptr);  // whatever a list held is deleted first
    const int count = CreateFileInfoProviders(details);
    ASSERT_EQ(static_cast<std::size_t>(count), details.size());
    // The lookup order, by each provider's first extension.
    const std::vector<std::string> firstExtensions = {"mp3", "max", "pdf", "htm", "bmp",
                                                      "jpg", "gif", "tga", "pcx", "avi",
                                                      "wav", "exe", "png", "zip", "lnk", "psd"};
    ASSERT_EQ(details.size(), firstExtensions.size());
    for (std::size_t i = 0; i < details.size(); ++i) {
        ASSERT_FALSE(details[i]->GetExtensions().empty()) << i;
        EXPECT_EQ(details[i]->GetExtensions().front(), firstExtensions[i]) << i;
        EXPECT_FALSE(details[i]->IsEnabled());
        EXPECT_EQ(details[i]->GetState(), PROVIDER_STATE_NONE);
    }
    // Every column a provider delivers is a row of the column table.
    for (const auto& provider : details) {
        for (int i = 0; i < provider->GetColumnCount(); ++i) {
            COLUMNINFO info{};
            ASSERT_TRUE(provider->GetColumnByIndex(i, &info));
            EXPECT_NE(GetColumnInfo(info.nId), nullptr) << info.nId;
            EXPECT_TRUE(provider->HasColumn(info.nId));
        }
    }
    DeleteFileInfoProviders(details);
    EXPECT_TRUE(details.empty());

    CThumbnailProviderList makers;
    const int made = CreateThumbnailProviders(makers);
    EXPECT_EQ(made, static_cast<int>(makers.size()));
    DeleteThumbnailProviders(makers);
    EXPECT_TRUE(makers.empty());
}

TEST(ProviderFrameworkTest, LookupsTakeTheFirstSupportingProvider) {
    CThumbnailProviderList makers;
    makers.push_back(std::make_unique<FakeThumbnailMaker>(std::vector<std::string>{"png"}));
    makers.push_back(std::make_unique<FakeThumbnailMaker>(std::vector<std::string>{"jpg", "png"}));
    EXPECT_EQ(FindThumbnailProvider(makers, "a.PNG"), makers[0].get());
    EXPECT_EQ(FindThumbnailProvider(makers, "a.jpg"), makers[1].get());
    EXPECT_EQ(FindThumbnailProvider(makers, "a.gif"), nullptr);
}

}  // namespace
