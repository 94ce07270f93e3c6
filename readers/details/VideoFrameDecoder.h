#pragma once
// One compressed video frame of a clip turned into a bitmap, through
// FFmpeg's decoders (libavcodec) and scaler (libswscale). The codec is found
// by the four-character code of the stream's bitmap header, as clip files
// name it; codec data or a palette following the header is handed to the
// decoder as the clip demuxers do. FFmpeg's own messages are silenced.

#include <cstdint>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/BitmapImage.h"
#include "platform/ByteReader.h"
#include "platform/WinTypes.h"

// Decodes `frame` (its bytes as stored in the clip) of a video stream whose
// format (the stream's "strf" bytes) is `format`, and scales the picture into
// a new bitmap of `size`. FALSE, with `bitmap` empty, when no decoder takes
// the codec or the frame gives no picture.
BOOL DecodeVideoFrame(zb::ByteSpan format, const std::vector<std::uint8_t>& frame, SIZE size,
                      CBitmap* bitmap);
