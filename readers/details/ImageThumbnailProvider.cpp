#include "readers/details/ImageThumbnailProvider.h"

#include <utility>

CImageThumbnailProvider::CImageThumbnailProvider(std::string libraryFolder)
    : m_library(std::move(libraryFolder)) {}

BOOL CImageThumbnailProvider::InitExtensions() {
    m_arrExtensions = {"jpg", "gif",  "png", "bmp", "dib", "rle", "jpeg", "tif", "tiff",
                       "pic", "pict", "pct", "pcx", "wmf", "emf", "tga",  "pgm"};
    return TRUE;
}

BOOL CImageThumbnailProvider::MakeThumbnail(const CProviderItem& item, CBitmap* bitmap,
                                            SIZE maxSize) {
    *bitmap = CBitmap();
    std::string path;
    if (!item.GetDiskFilePath(&path))
        return FALSE;
    HBITMAP picture = nullptr;
    if (m_library.GenerateThumbnail(path, maxSize.cx, maxSize.cy, &picture) == 0)
        return FALSE;
    bitmap->Attach(picture);
    return TRUE;
}
