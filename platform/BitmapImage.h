#pragma once
// A picture in memory: 32-bit pixels, top-down rows, blue-green-red-alpha byte
// order. Thumbnails are made into it off the window's thread; the window turns
// it into its own image type on its thread.

#include <cstdint>
#include <vector>

#include "platform/WinTypes.h"

// The bitmap that crosses the thumbnail library's C interface: the same pixel
// layout as CBitmap (32 bits, top-down rows, bytes blue, green, red, alpha),
// rows `stride` bytes apart. One allocation holds the record and its pixels;
// it is made by CreateBitmap32 and freed by DeleteObject, on either side of
// the library boundary.
extern "C" {
typedef struct ZBBITMAP {
    std::int32_t width;
    std::int32_t height;
    std::int32_t stride;  // bytes from one row to the next: width * 4
    std::uint8_t* bits;   // top row first
} ZBBITMAP;
typedef ZBBITMAP* HBITMAP;
}

// Largest side and pixel count of a bitmap handle.
constexpr std::int64_t kMaxBitmapSide = 16384;
constexpr std::int64_t kMaxBitmapPixels = 128 * 1024 * 1024;

// A new bitmap of width x height with every pixel 0; null when a side is below
// 1 or above the limits, or when memory runs out.
HBITMAP CreateBitmap32(int width, int height);
// Frees a bitmap made by CreateBitmap32; a null handle is ignored.
BOOL DeleteObject(HBITMAP bitmap);

class CBitmap {
public:
    CBitmap() = default;
    CBitmap(int width, int height)
        : m_width(width > 0 ? width : 0),
          m_height(height > 0 ? height : 0),
          m_pixels(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height)) {}

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool IsEmpty() const { return m_pixels.empty(); }
    std::uint32_t* Row(int y) { return m_pixels.data() + static_cast<std::size_t>(y) * m_width; }
    const std::uint32_t* Row(int y) const {
        return m_pixels.data() + static_cast<std::size_t>(y) * m_width;
    }

    // Takes the picture of a bitmap handle and frees the handle (the handle is
    // the caller's no longer). A null handle leaves an empty picture.
    void Attach(HBITMAP bitmap);

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t> m_pixels;
};
