#pragma once
// Reading a decoder to its end the way the decoder tests compare it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "readers/archives/LzDecoder.h"

namespace zbtest {

constexpr char kDecodeFailed[] = "<failed>";

// Everything the decoder gives in reads of `block` bytes: the bytes, or what
// came before a failure followed by "<failed>".
inline std::string DecodeAll(CLzDecoder& decoder, int block) {
    std::string out;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(block));
    for (int guard = 0; guard < 10'000'000; ++guard) {
        const int n = decoder.Read(buffer.data(), block);
        if (n < 0) {
            EXPECT_EQ(decoder.Read(buffer.data(), block), -1);  // a failure stays a failure
            return out + kDecodeFailed;
        }
        if (n == 0) {
            EXPECT_EQ(decoder.Read(buffer.data(), block), 0);  // the end stays the end
            return out;
        }
        out.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(n));
    }
    ADD_FAILURE() << "decoder did not end";
    return out;
}

}  // namespace zbtest
