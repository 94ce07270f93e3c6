#include "readers/details/ThumbnailProvider.h"

#include <algorithm>

#include "readers/details/ProviderExtensions.h"

BOOL CThumbnailProvider::Reset() {
    return TRUE;
}

BOOL CThumbnailProvider::IsSupported(const std::string& path) const {
    return IsSupportedExtension(m_arrExtensions, path) ? TRUE : FALSE;
}

BOOL FitThumbnailSize(SIZE maxSize, SIZE picture, SIZE* out) {
    *out = SIZE{};
    if (maxSize.cx < 1 || maxSize.cy < 1 || picture.cx < 1 || picture.cy < 1)
        return FALSE;
    const double maxW = maxSize.cx;
    const double maxH = maxSize.cy;
    const double w = picture.cx;
    const double h = picture.cy;
    *out = picture;
    if (h / maxH >= w / maxW) {
        if (picture.cy > maxSize.cy)
            *out = SIZE{static_cast<LONG>(maxH / h * w), maxSize.cy};
    } else if (picture.cx > maxSize.cx) {
        *out = SIZE{maxSize.cx, static_cast<LONG>(maxW / w * h)};
    }
    out->cx = std::max<LONG>(out->cx, 1);
    out->cy = std::max<LONG>(out->cy, 1);
    return TRUE;
}
