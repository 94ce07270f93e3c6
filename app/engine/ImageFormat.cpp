#include "app/engine/ImageFormat.h"

namespace {

bool MasksAre(const BITMAPINFOWITHMASKS& info, DWORD red, DWORD green, DWORD blue) {
    return info.bmiMasks[0] == red && info.bmiMasks[1] == green && info.bmiMasks[2] == blue;
}

}  // namespace

int GetImagePixelFormat(const BITMAPINFOWITHMASKS* info) {
    if (info == nullptr || info->bmiHeader.biPlanes != 1)
        return IMAGE_PIXEL_UNKNOWN;
    const bool plain = info->bmiHeader.biCompression == BI_RGB;
    switch (info->bmiHeader.biBitCount) {
        case 16:
            if (plain || MasksAre(*info, 0x7C00, 0x3E0, 0x1F))
                return IMAGE_PIXEL_RGB555;
            if (MasksAre(*info, 0xF800, 0x7E0, 0x1F))
                return IMAGE_PIXEL_RGB565;
            return IMAGE_PIXEL_UNKNOWN;
        case 24:
            return IMAGE_PIXEL_RGB24;
        case 32:
            return plain || MasksAre(*info, 0xFF0000, 0xFF00, 0xFF) ? IMAGE_PIXEL_RGB32
                                                                    : IMAGE_PIXEL_UNKNOWN;
        default:
            return IMAGE_PIXEL_UNKNOWN;
    }
}
