#pragma once
// RIFF chunk building for the tests: chunks with their pad byte, lists and
// forms, and the AVI stream headers and formats.

#include <cstdint>
#include <string_view>
#include <vector>

#include "support/ByteWriter.h"

namespace zbtest {

inline Bytes Chunk(std::string_view id, const Bytes& data) {
    Bytes out;
    PutBytes(out, id.substr(0, 4));
    PutLe32(out, static_cast<std::uint32_t>(data.size()));
    PutBytes(out, data);
    PadTo(out, 2);
    return out;
}

// A "LIST" (or, with id "RIFF", a form) of `type` holding `children`.
inline Bytes List(std::string_view type, const std::vector<Bytes>& children,
                  std::string_view id = "LIST") {
    Bytes data;
    PutBytes(data, type.substr(0, 4));
    for (const Bytes& child : children) {
        PutBytes(data, child);
    }
    Bytes out;
    PutBytes(out, id.substr(0, 4));
    PutLe32(out, static_cast<std::uint32_t>(data.size()));
    PutBytes(out, data);
    return out;
}

inline Bytes StreamHeader(std::string_view type, std::string_view handler, std::uint32_t scale,
                          std::uint32_t rate, std::uint32_t start, std::uint32_t length) {
    Bytes out;
    PutBytes(out, type.substr(0, 4));
    PutBytes(out, handler.substr(0, 4));
    PutLe32(out, 0);  // flags
    PutLe32(out, 0);  // priority, language
    PutLe32(out, 0);  // initial frames
    PutLe32(out, scale);
    PutLe32(out, rate);
    PutLe32(out, start);
    PutLe32(out, length);
    out.resize(56, 0);
    return out;
}

inline Bytes BitmapFormat(std::int32_t width, std::int32_t height, std::uint16_t bits,
                          std::string_view compression) {
    Bytes out;
    PutLe32(out, 40);
    PutLe32(out, static_cast<std::uint32_t>(width));
    PutLe32(out, static_cast<std::uint32_t>(height));
    PutLe16(out, 1);
    PutLe16(out, bits);
    if (compression.empty()) {
        PutLe32(out, 0);
    } else {
        PutBytes(out, compression.substr(0, 4));
    }
    out.resize(40, 0);
    return out;
}

inline Bytes WaveFormatBytes(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                             std::uint16_t bits) {
    Bytes out;
    PutLe16(out, tag);
    PutLe16(out, channels);
    PutLe32(out, rate);
    PutLe32(out, rate * channels * bits / 8);
    PutLe16(out, static_cast<std::uint32_t>(channels * bits / 8));
    PutLe16(out, bits);
    return out;
}

}  // namespace zbtest
