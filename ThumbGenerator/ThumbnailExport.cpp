#include "ThumbGenerator/ThumbnailExport.h"

#include "ThumbGenerator/ThumbGenerator.h"

extern "C" int fn_b_GenerateThumbnail(const char* path, int maxWidth, int maxHeight, HBITMAP* out) {
    return GenerateThumbnail(path, maxWidth, maxHeight, out);
}
