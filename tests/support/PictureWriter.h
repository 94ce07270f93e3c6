#pragma once
// Writes the headers of small pictures for the tests and the bench: a PNG
// with its chunks (CRCs computed), a header-only JPEG, a BMP.

#include <zlib.h>

#include <cstdint>
#include <string_view>

#include "support/ByteWriter.h"

namespace zbtest {

inline Bytes PngChunk(std::string_view type, const Bytes& data) {
    Bytes out;
    PutBe32(out, static_cast<std::uint32_t>(data.size()));
    Bytes typed;
    PutBytes(typed, type);
    PutBytes(typed, data);
    PutBytes(out, typed);
    PutBe32(out,
            static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
    return out;
}

// A PNG of `width` x `height` (no valid pixels: readers of the header stop at
// the image data), a palette for colour type 3, and `dataSize` bytes of IDAT.
inline Bytes Png(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth,
                 std::uint8_t colourType, std::size_t dataSize = 8) {
    Bytes out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes ihdr;
    PutBe32(ihdr, width);
    PutBe32(ihdr, height);
    ihdr.push_back(bitDepth);
    ihdr.push_back(colourType);
    ihdr.push_back(0);
    ihdr.push_back(0);
    ihdr.push_back(0);
    PutBytes(out, PngChunk("IHDR", ihdr));
    if (colourType == 3)
        PutBytes(out, PngChunk("PLTE", Bytes(6, 0x80)));
    PutBytes(out, PngChunk("IDAT", Bytes(dataSize, 0x78)));
    PutBytes(out, PngChunk("IEND", {}));
    return out;
}

// A JPEG's headers: SOI, an APP0 of `app0Id` (none when empty) with the
// density, a three-component frame header of marker `sof` and a start of
// scan. No scan data follows.
inline Bytes JpegHeaders(std::uint16_t width, std::uint16_t height, std::uint8_t units,
                         std::uint16_t density, std::string_view app0Id = "JFIF",
                         std::uint8_t sof = 0xC0) {
    Bytes out = {0xFF, 0xD8};
    if (!app0Id.empty()) {
        out.insert(out.end(), {0xFF, 0xE0});
        PutBe16(out, 16);
        PutBytes(out, app0Id);
        out.insert(out.end(), {0, 1, 1, units});
        PutBe16(out, density);
        PutBe16(out, density);
        out.insert(out.end(), {0, 0});
    }
    out.insert(out.end(), {0xFF, sof});
    PutBe16(out, 17);
    out.push_back(8);
    PutBe16(out, height);
    PutBe16(out, width);
    out.insert(out.end(), {3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
    out.insert(out.end(), {0xFF, 0xDA});
    PutBe16(out, 12);
    out.insert(out.end(), {3, 1, 0, 2, 0x11, 3, 0x11, 0, 63, 0});
    return out;
}

// A BMP file header and BITMAPINFOHEADER, followed by `pixelBytes` bytes.
inline Bytes Bmp(std::int32_t width, std::int32_t height, std::uint16_t bits,
                 std::uint32_t pelsPerMeter, std::uint32_t pixelBytes = 0) {
    Bytes out;
    out.reserve(54 + pixelBytes);
    PutBytes(out, "BM");
    PutLe32(out, 54 + pixelBytes);
    PutLe32(out, 0);
    PutLe32(out, 54);
    PutLe32(out, 40);
    PutLe32(out, static_cast<std::uint32_t>(width));
    PutLe32(out, static_cast<std::uint32_t>(height));
    PutLe16(out, 1);
    PutLe16(out, bits);
    PutLe32(out, 0);
    PutLe32(out, pixelBytes);
    PutLe32(out, pelsPerMeter);
    PutLe32(out, pelsPerMeter);
    PutLe32(out, 0);
    PutLe32(out, 0);
    out.resize(out.size() + pixelBytes, 0x40);
    return out;
}

}  // namespace zbtest
