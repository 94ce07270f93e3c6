#pragma once
// The base of every thumbnail maker, and the picture fitting they share.
//
// A maker draws a small picture of a file into a core bitmap (32-bit pixels,
// top-down; platform/BitmapImage.h) no larger than the size asked for; the
// window turns the bitmap into its own image type on its thread. Makers are
// found by the extension of a record's name and run on the thumbnail thread
// only. A new maker derives from this class, fills its extensions in
// InitExtensions and is added to the registry's table (ProviderRegistry.cpp).

#include <string>
#include <vector>

#include "platform/BitmapImage.h"
#include "platform/WinTypes.h"
#include "readers/details/ProviderItem.h"

class CThumbnailProvider {
public:
    CThumbnailProvider() = default;
    virtual ~CThumbnailProvider() = default;
    CThumbnailProvider(const CThumbnailProvider&) = delete;
    CThumbnailProvider& operator=(const CThumbnailProvider&) = delete;

    // Fills the extension list (lower case, without the dot).
    virtual BOOL InitExtensions() = 0;
    // The base returns 1.
    virtual BOOL Reset();
    // Makes a picture of `item` no larger than `maxSize` into `bitmap`;
    // nonzero on success. On failure `bitmap` is left empty.
    virtual BOOL MakeThumbnail(const CProviderItem& item, CBitmap* bitmap, SIZE maxSize) = 0;

    // 1 when the extension of `path` is one of the maker's.
    BOOL IsSupported(const std::string& path) const;
    const std::vector<std::string>& GetExtensions() const { return m_arrExtensions; }

protected:
    std::vector<std::string> m_arrExtensions;
};

// Fits a picture into the largest size keeping its aspect ratio and never
// enlarging it, computed in floating point: when the height limits (its
// share of the largest size is at least the width's, ties included) a picture
// taller than the box gets the box's height and a width scaled to it,
// truncated; otherwise a picture wider than the box gets the box's width and
// a scaled height. A side that truncates to 0 is made 1. FALSE, with an empty
// result, when either size has a side below 1.
BOOL FitThumbnailSize(SIZE maxSize, SIZE picture, SIZE* out);
