#pragma once
// The thumbnail maker of video clips: the first frame, fitted into the box.

#include "readers/details/ThumbnailProvider.h"

class CAviFile;

class CAviThumbnailProvider : public CThumbnailProvider {
public:
    // "avi".
    BOOL InitExtensions() override;
    // Nothing for a folder, a member of an archive, an item without a path, a
    // clip without a video stream, or one whose first frame cannot be decoded.
    BOOL MakeThumbnail(const CProviderItem& item, CBitmap* bitmap, SIZE maxSize) override;
};

// Draws the first frame of the open `clip` fitted into `maxSize`; FALSE, with
// `bitmap` empty, when the frame size is empty or the frame gives no picture.
BOOL DrawClipThumbnail(CAviFile& clip, SIZE maxSize, CBitmap* bitmap);
