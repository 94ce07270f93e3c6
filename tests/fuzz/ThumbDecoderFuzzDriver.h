#pragma once
// The body of a thumbnail decoder's fuzz target: the input is decoded from
// memory into a bitmap; a decoder must end every input with a picture or a
// CTextException.

#include <cstddef>
#include <cstdint>

#include "ThumbGenerator/ImageBitmap.h"
#include "ThumbGenerator/ImageDecoder.h"
#include "ThumbGenerator/TextException.h"

namespace zbfuzz {

// `name` stands for the file name (the metafile decoder reads its kind from it).
inline int FuzzDecoder(CImageDecoder& decoder, const std::uint8_t* data, std::size_t size,
                       const char* name) {
    CDrawDibBitmap bitmap;
    try {
        decoder.DecodeMemory(data, size, name, bitmap, 0);
        // A decoded picture has every row in place.
        volatile BYTE sink = 0;
        for (int y = 0; y < bitmap.GetHeight(); ++y)
            sink = sink ^ bitmap.GetLineArray()[y][0];
    } catch (const CTextException&) {
    }
    return 0;
}

}  // namespace zbfuzz
