#include "readers/details/AviThumbnailProvider.h"

#include <cstdint>
#include <cstdlib>

#include "readers/details/AviFile.h"

BOOL CAviThumbnailProvider::InitExtensions() {
    m_arrExtensions = {"avi"};
    return TRUE;
}

BOOL CAviThumbnailProvider::MakeThumbnail(const CProviderItem& item, CBitmap* bitmap,
                                          SIZE maxSize) {
    *bitmap = CBitmap();
    std::string path;
    CAviFile clip;
    if (!item.GetDiskFilePath(&path) || !clip.Open(path))
        return FALSE;
    return DrawClipThumbnail(clip, maxSize, bitmap);
}

BOOL DrawClipThumbnail(CAviFile& clip, SIZE maxSize, CBitmap* bitmap) {
    *bitmap = CBitmap();
    // A negative height marks a top-down picture of that many rows.
    const BITMAPINFOHEADER& format = clip.GetVideoHeader();
    const LONG height = format.biHeight == INT32_MIN ? 0 : std::abs(format.biHeight);
    SIZE fitted{};
    if (!FitThumbnailSize(maxSize, SIZE{format.biWidth, height}, &fitted))
        return FALSE;
    return clip.DrawFrame(bitmap, fitted);
}
