#pragma once
// The thumbnail maker of ".max" files: compound documents whose summary
// information carries a preview picture in its thumbnail property (id 17,
// clipboard data). From the clipboard format tag on, the data holds the
// picture's width (offset 10) and height (offset 12) as 16-bit numbers, and
// ends with its pixels: bottom-up rows of 24-bit blue-green-red, 3 x width
// bytes a row.

#include <memory>

#include "platform/ByteSource.h"
#include "readers/details/ThumbnailProvider.h"

class CMaxThumbnailProvider : public CThumbnailProvider {
public:
    // "max".
    BOOL InitExtensions() override;
    // Nothing for a folder, a member of an archive, an item without a path, a
    // file without the property, or a picture its data cannot hold.
    BOOL MakeThumbnail(const CProviderItem& item, CBitmap* bitmap, SIZE maxSize) override;
};

// Draws the summary picture of the compound document in `source` fitted into
// `maxSize`; FALSE, with `bitmap` empty, when it has none.
BOOL DrawSummaryThumbnail(std::unique_ptr<zb::ByteSource> source, SIZE maxSize, CBitmap* bitmap);
