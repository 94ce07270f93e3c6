#include "platform/BitmapImage.h"

#include <cstdlib>
#include <cstring>

HBITMAP CreateBitmap32(int width, int height) {
    if (width < 1 || height < 1 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
        static_cast<std::int64_t>(width) * height > kMaxBitmapPixels)
        return nullptr;
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    const std::size_t bytes = stride * static_cast<std::size_t>(height);
    // The record first, the pixels right behind it, so one free releases both.
    auto* block = static_cast<std::uint8_t*>(std::calloc(1, sizeof(ZBBITMAP) + bytes));
    if (block == nullptr)
        return nullptr;
    auto* bitmap = reinterpret_cast<ZBBITMAP*>(block);
    bitmap->width = width;
    bitmap->height = height;
    bitmap->stride = static_cast<std::int32_t>(stride);
    bitmap->bits = block + sizeof(ZBBITMAP);
    return bitmap;
}

BOOL DeleteObject(HBITMAP bitmap) {
    std::free(bitmap);
    return TRUE;
}

void CBitmap::Attach(HBITMAP bitmap) {
    if (bitmap == nullptr) {
        *this = CBitmap();
        return;
    }
    *this = CBitmap(bitmap->width, bitmap->height);
    for (int y = 0; y < m_height; ++y)
        std::memcpy(Row(y), bitmap->bits + static_cast<std::size_t>(y) * bitmap->stride,
                    static_cast<std::size_t>(m_width) * 4);
    DeleteObject(bitmap);
}
