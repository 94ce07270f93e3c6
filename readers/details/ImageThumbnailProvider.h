#pragma once
// The thumbnail maker of ordinary image files: hands them to the thumbnail
// library (libzbthumb.so), loaded on the first request. Without the library
// no image gets a thumbnail; a failed load is tried again at the next request.

#include <string>

#include "platform/ThumbnailLibrary.h"
#include "readers/details/ThumbnailProvider.h"

class CImageThumbnailProvider : public CThumbnailProvider {
public:
    // Loads the library from `libraryFolder`; empty: the program's folder.
    explicit CImageThumbnailProvider(std::string libraryFolder = std::string());

    // jpg gif png bmp dib rle jpeg tif tiff pic pict pct pcx wmf emf tga pgm.
    BOOL InitExtensions() override;
    // Nothing for a folder, a member of an archive or an item without a path.
    BOOL MakeThumbnail(const CProviderItem& item, CBitmap* bitmap, SIZE maxSize) override;

    bool IsLibraryLoaded() const { return m_library.IsLoaded(); }

private:
    zb::CThumbnailLibrary m_library;
};
