#pragma once
// The detail provider of PNG files: width, height and pixel depth (bit depth
// x channels) of the header, read through libpng up to the image data. Files
// inside archives are read too.

#include <cstdint>

#include "readers/details/FixedColumnProvider.h"

class CPngInfoProvider : public CFixedColumnProvider {
public:
    // libpng keeps no chunk larger than this while reading the header.
    static constexpr std::uint32_t kMaxChunkSize = 1u << 20;

    CPngInfoProvider();

    // "png".
    BOOL InitExtensions() override;
    // Clears the values and the error flag.
    BOOL Reset() override;
    BOOL Load(const CProviderItem& item) override;
    // Only once loaded: 301 to 303.
    BOOL GetValue(int id, COLUMNVALUE* value) override;
    // 1 for every id, so the provider is enabled whenever any detail column is.
    BOOL HasColumn(int id) const override;

    // Set by libpng's error handler (through the read structure's pointer).
    void SetError() { m_bError = true; }

private:
    std::uint32_t m_nWidth = 0;
    std::uint32_t m_nHeight = 0;
    int m_nPixelDepth = 0;
    bool m_bError = false;
};
