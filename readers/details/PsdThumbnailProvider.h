#pragma once
// The thumbnail maker of Photoshop documents: decodes the merged composite
// image (PsdImage.h) and draws it fitted into the thumbnail box.

#include "readers/details/ThumbnailProvider.h"

class CPsdThumbnailProvider : public CThumbnailProvider {
public:
    // "psd".
    BOOL InitExtensions() override;
    // Nothing for a folder, a member of an archive, an item without a path,
    // an image the decoder refuses (over 30,000 pixels a side, over 24
    // channels, a mode and depth it cannot decode) or damaged data.
    BOOL MakeThumbnail(const CProviderItem& item, CBitmap* bitmap, SIZE maxSize) override;
};
