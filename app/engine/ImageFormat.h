#pragma once
// The pixel layout of a bitmap header.

#include "platform/Bitmap.h"

// Pixel layouts.
constexpr int IMAGE_PIXEL_UNKNOWN = 0;
constexpr int IMAGE_PIXEL_RGB555 = 1;
constexpr int IMAGE_PIXEL_RGB565 = 2;
constexpr int IMAGE_PIXEL_RGB24 = 3;
constexpr int IMAGE_PIXEL_RGB32 = 4;

// The layout of a header with its colour masks: unknown for a null header or
// a plane count other than 1; for 16 bits per pixel 5-5-5 when the compression
// is BI_RGB or the masks are 0x7C00, 0x3E0, 0x1F, 5-6-5 when they are 0xF800,
// 0x7E0, 0x1F; 24-bit for 24 bits; for 32 bits 8-8-8 when the compression is
// BI_RGB or the masks are 0xFF0000, 0xFF00, 0xFF; unknown otherwise.
int GetImagePixelFormat(const BITMAPINFOWITHMASKS* info);
