#pragma once
// A picture in memory: 32-bit pixels, top-down rows, blue-green-red-alpha byte
// order. Thumbnails are made into it off the window's thread; the window turns
// it into its own image type on its thread.

#include <cstdint>
#include <vector>

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

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t> m_pixels;
};
