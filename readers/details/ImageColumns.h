#pragma once
// The image columns that the image providers share, and how their values are
// delivered.

#include <cstdint>

#include "platform/WinTypes.h"
#include "readers/details/ColumnInfo.h"

constexpr int kImageWidthColumn = 301;     // Width (pixel)
constexpr int kImageHeightColumn = 302;    // Height (pixel)
constexpr int kImageDepthColumn = 303;     // Color Depth
constexpr int kImageWidthCmColumn = 304;   // Width (cm)
constexpr int kImageHeightCmColumn = 305;  // Height (cm)

// What an image provider read of one picture.
struct CImageValues {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t depth = 0;
    bool hasPrintSize = false;  // whether the provider delivers 304 and 305
    float widthCm = 0.0f;
    float heightCm = 0.0f;
};

// Writes the value of image column `id` (304 and 305 only with a print
// size); FALSE for any other id.
BOOL GetImageColumnValue(int id, const CImageValues& values, COLUMNVALUE* value);
