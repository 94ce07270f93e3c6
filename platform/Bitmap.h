#pragma once
// Bitmap header records in the byte layout that bitmap files and decoders use.

#include "platform/WinTypes.h"

// Compression codes of a bitmap header.
constexpr DWORD BI_RGB = 0;        // plain pixels
constexpr DWORD BI_BITFIELDS = 3;  // pixels laid out by the colour masks that follow the header

// The 40-byte header of a device-independent bitmap.
struct BITMAPINFOHEADER {
    DWORD biSize = 0;
    LONG biWidth = 0;
    LONG biHeight = 0;  // positive: rows bottom-up
    WORD biPlanes = 0;
    WORD biBitCount = 0;
    DWORD biCompression = BI_RGB;
    DWORD biSizeImage = 0;
    LONG biXPelsPerMeter = 0;
    LONG biYPelsPerMeter = 0;
    DWORD biClrUsed = 0;
    DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// One colour of a bitmap's colour table, in the byte order of the table.
struct RGBQUAD {
    BYTE rgbBlue = 0;
    BYTE rgbGreen = 0;
    BYTE rgbRed = 0;
    BYTE rgbReserved = 0;
};
static_assert(sizeof(RGBQUAD) == 4);

// A header followed by its three 32-bit colour masks (red, green, blue), as
// bit-field bitmaps carry them.
struct BITMAPINFOWITHMASKS {
    BITMAPINFOHEADER bmiHeader;
    DWORD bmiMasks[3] = {0, 0, 0};
};
static_assert(sizeof(BITMAPINFOWITHMASKS) == 52);
