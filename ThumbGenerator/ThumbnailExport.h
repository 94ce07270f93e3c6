#pragma once
// The one export of libzbthumb.so (zbthumb.map keeps every other symbol
// inside). It is defined by the shared library alone; code linked against the
// library's internal archive calls GenerateThumbnail (ThumbGenerator.h).

#include <type_traits>

#include "platform/ThumbnailLibrary.h"

extern "C" {
// 1 with a new bitmap of the fitted size in *out (the caller frees it with
// DeleteObject), or 0 with nothing left behind. Never throws.
__attribute__((visibility("default"))) int fn_b_GenerateThumbnail(const char* path, int maxWidth,
                                                                  int maxHeight, HBITMAP* out);
}
static_assert(std::is_same_v<decltype(&fn_b_GenerateThumbnail), zb::PFN_GENERATETHUMBNAIL>);
