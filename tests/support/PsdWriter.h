#pragma once
// Writes Photoshop documents for the tests: the header, the three sections
// and the composite image, raw or packed row by row.

#include <cstdint>
#include <vector>

#include "support/ByteWriter.h"

namespace zbtest {

struct PsdSpec {
    std::uint16_t channels = 3;
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    std::uint16_t depth = 8;
    std::uint16_t mode = 3;  // RGB
    Bytes colourData;        // the colour-mode data (indexed: 768 bytes)
    std::uint16_t compression = 0;
};

// One row packed: runs of a repeated byte as 257 - n, the rest as literals.
inline Bytes PackBitsRow(const Bytes& row) {
    Bytes out;
    std::size_t i = 0;
    while (i < row.size()) {
        std::size_t run = 1;
        while (i + run < row.size() && run < 128 && row[i + run] == row[i])
            ++run;
        if (run >= 2) {
            out.push_back(static_cast<std::uint8_t>(257 - run));
            out.push_back(row[i]);
            i += run;
            continue;
        }
        std::size_t literal = 1;
        while (i + literal < row.size() && literal < 128 &&
               !(i + literal + 1 < row.size() && row[i + literal] == row[i + literal + 1]))
            ++literal;
        out.push_back(static_cast<std::uint8_t>(literal - 1));
        out.insert(out.end(), row.begin() + static_cast<std::ptrdiff_t>(i),
                   row.begin() + static_cast<std::ptrdiff_t>(i + literal));
        i += literal;
    }
    return out;
}

// The header alone (26 bytes).
inline Bytes PsdHeaderBytes(const PsdSpec& spec) {
    Bytes out = ToBytes("8BPS");
    PutBe16(out, 1);
    out.resize(12, 0);
    PutBe16(out, spec.channels);
    PutBe32(out, spec.height);
    PutBe32(out, spec.width);
    PutBe16(out, spec.depth);
    PutBe16(out, spec.mode);
    return out;
}

// A whole file. `planes` holds each channel's rows as stored raw (for depth
// 8 a row is `width` bytes); with compression 1 each row is packed.
inline Bytes WritePsd(const PsdSpec& spec, const std::vector<Bytes>& planes) {
    Bytes out = PsdHeaderBytes(spec);
    PutBe32(out, static_cast<std::uint32_t>(spec.colourData.size()));
    PutBytes(out, spec.colourData);
    PutBe32(out, 4);  // image resources: one unknown byte block
    PutBytes(out, "ABCD");
    PutBe32(out, 0);  // no layers
    PutBe16(out, spec.compression);
    if (spec.compression == 0) {
        for (const Bytes& plane : planes)
            PutBytes(out, plane);
        return out;
    }
    std::vector<Bytes> packed;
    for (const Bytes& plane : planes) {
        const std::size_t rowBytes = plane.size() / spec.height;
        for (std::uint32_t row = 0; row < spec.height; ++row) {
            const auto first = plane.begin() + static_cast<std::ptrdiff_t>(row * rowBytes);
            packed.push_back(
                PackBitsRow(Bytes(first, first + static_cast<std::ptrdiff_t>(rowBytes))));
            PutBe16(out, static_cast<std::uint32_t>(packed.back().size()));
        }
    }
    for (const Bytes& row : packed)
        PutBytes(out, row);
    return out;
}

}  // namespace zbtest
