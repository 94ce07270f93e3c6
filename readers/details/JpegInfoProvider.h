#pragma once
// The detail provider of JPEG files: width and height of the first frame
// header, a colour depth of 24, and the printed size from the JFIF density.
// The marker segments are walked up to the first start of scan; files inside
// archives are read too.

#include <cstdint>
#include <vector>

#include "readers/details/FixedColumnProvider.h"
#include "readers/details/ImageColumns.h"

class CStreamReader;

// `pixels` at `density` in centimetres: units 1 (dots per inch) pixels /
// density x 2.54, units 2 (dots per centimetre) pixels / density; 0 for
// other units or a density that is not positive.
double PixelsToCentimetres(double pixels, double density, int units);

// One frame header (start-of-frame segment).
struct CJpegFrameHeader {
    struct Component {
        std::uint8_t id = 0;
        std::uint8_t horizontalSampling = 0;
        std::uint8_t verticalSampling = 0;
        std::uint8_t quantisationTable = 0;
    };
    int type = 0;  // the marker - 0xC0
    std::uint16_t length = 0;
    std::uint8_t precision = 0;
    std::uint16_t lines = 0;           // height
    std::uint16_t samplesPerLine = 0;  // width
    std::vector<Component> components;
};

// What the walk gathers.
struct CJpegInfo {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint8_t units = 0;  // JFIF density units: 0 none, 1 per inch, 2 per centimetre
    std::uint16_t xDensity = 0;
    std::uint16_t yDensity = 0;
    std::vector<CJpegFrameHeader> frames;
};

// Walks the marker segments of `reader` to the first start of scan; true
// when it got there with a frame header before it (width and height are the
// first one's). A damaged segment, the end of the data, or more than
// kMaxJpegHeaderBytes before the scan end the walk with false.
constexpr std::uint64_t kMaxJpegHeaderBytes = 32u << 20;
bool ReadJpegInfo(CStreamReader& reader, CJpegInfo& info);

class CJpegInfoProvider : public CFixedColumnProvider {
public:
    CJpegInfoProvider();

    // "jpg" "jpeg".
    BOOL InitExtensions() override;
    BOOL Load(const CProviderItem& item) override;
    // Only once loaded: 301 to 305 (303 is always 24).
    BOOL GetValue(int id, COLUMNVALUE* value) override;

private:
    CJpegInfo m_info;
};
