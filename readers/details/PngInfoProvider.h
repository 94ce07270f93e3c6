#pragma once
// The detail provider of PNG files: width, height and pixel depth (bit depth
// x channels) of the header, read through libpng up to the image data. Files
// inside archives are read too.

#include <cstdint>

#include "readers/details/FixedColumnProvider.h"

class CStreamReader;

// What the PNG reader takes of the header.
struct CPngHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int pixelDepth = 0;  // bit depth x channels
};

// Reads the signature and the chunks up to the image data through libpng,
// which keeps none of the ancillary chunks; false after a library error (a
// short read is the error "Read Error", a chunk longer than what is left of
// the stream is refused at its header). The error's text goes to the
// debugging output only.
bool ReadPngHeader(CStreamReader& reader, CPngHeader& header);

class CPngInfoProvider : public CFixedColumnProvider {
public:
    CPngInfoProvider();

    // "png".
    BOOL InitExtensions() override;
    // Clears the values.
    BOOL Reset() override;
    BOOL Load(const CProviderItem& item) override;
    // Only once loaded: 301 to 303.
    BOOL GetValue(int id, COLUMNVALUE* value) override;
    // 1 for every id, so the provider is enabled whenever any detail column is.
    BOOL HasColumn(int id) const override;

private:
    CPngHeader m_header;
};
