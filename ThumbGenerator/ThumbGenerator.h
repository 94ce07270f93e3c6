#pragma once
// The thumbnail library's export and its routes: an image file becomes a
// bitmap fitted into a box, keeping its shape and never enlarged, through the
// system picture loader or the library's own decoders as the file's extension
// says.

#include <QSize>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/BitmapImage.h"
#include "platform/WinTypes.h"

// What the export fn_b_GenerateThumbnail does: 1 with a new bitmap of the
// fitted size in *out (the caller frees it with DeleteObject), or 0 with
// nothing left behind. Never throws.
int GenerateThumbnail(const char* path, int maxWidth, int maxHeight, HBITMAP* out) noexcept;

// The size `image` takes in `box`: the bounding side clamped, the other
// scaled and truncated, never enlarged; neither side below 1.
QSize FitThumbnailBox(QSize box, QSize image);

// The system picture loader's route (bitmaps, icons, GIF and JPEG files).
int RenderWithOlePicture(const char* path, int maxWidth, int maxHeight, HBITMAP* out);
// The JPEG route: the picture loader, else a direct libjpeg decoding.
int RenderJpegThumbnail(const char* path, int maxWidth, int maxHeight, HBITMAP* out);

// A JPEG file decoded to rows of red, green, blue bytes, top row first. With
// a box the decoder scales by 1/2, 1/4 or 1/8 while the picture still covers
// the box's fit.
struct JpegPixels {
    bool decoded = false;
    std::vector<BYTE> rgb;
    int width = 0;  // of the rows in rgb
    int height = 0;
    int fullWidth = 0;  // of the picture in the file
    int fullHeight = 0;
};
JpegPixels JpegFileToRGB(const char* path, QSize box = QSize());

// The length of an open file; 0 (with a trace) for no file.
std::int64_t GetStreamFileSize(int fd);

// Formats one trace line (at most 255 characters) for the debugger output.
void ThumbTraceError(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Receives the library's trace lines instead of the program's trace channel;
// an empty function restores that.
void SetThumbTraceSink(std::function<void(const std::string&)> sink);
