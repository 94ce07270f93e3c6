#include "ThumbGenerator/PCXDecoder.h"

#include <cstdint>
#include <cstring>

#include "ThumbGenerator/TextException.h"
#include "platform/ByteReader.h"

namespace {

constexpr std::size_t kHeaderSize = 128;
// A run of two bytes gives at most 63 bytes.
constexpr std::uint64_t kMaxExpansion = 32;
// Largest decompressed picture.
constexpr std::uint64_t kMaxDataBytes = 512u * 1024 * 1024;

// Expands the run-length data into `out`.
void Decompress(CImageSource& source, std::vector<BYTE>& out) {
    std::size_t filled = 0;
    while (filled < out.size()) {
        BYTE value = *source.ReadNBytes(1);
        std::size_t count = 1;
        if (value >= 0xC0) {
            count = value & 0x3F;
            value = *source.ReadNBytes(1);
            if (count > out.size() - filled)
                RaiseDecoderError(kErrCorrupt, "repeat count spans end of image.");
        }
        std::memset(out.data() + filled, value, count);
        filled += count;
    }
}

}  // namespace

void CPCXDecoder::DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                           CImageSource& source) {
    DecoderTrace(2, "Decoding PCX.\n");
    BYTE header[kHeaderSize];
    std::memcpy(header, source.ReadNBytes(kHeaderSize), kHeaderSize);
    if (header[0] != 10)
        RaiseDecoderError(kErrWrongFormat, "Error decoding pcx: Not a PCX file.");
    if (header[2] != 1)
        RaiseDecoderError(kErrWrongFormat, "File has unknown encoding scheme.");
    const int bitsPerPixel = header[3];
    const std::int64_t width =
        std::int64_t{zb::LoadLe16(header + 8)} - zb::LoadLe16(header + 4) + 1;
    const std::int64_t height =
        std::int64_t{zb::LoadLe16(header + 10)} - zb::LoadLe16(header + 6) + 1;
    const int planes = header[65];
    const std::int64_t bytesPerLine = zb::LoadLe16(header + 66);

    if (bpp != 0 && bpp != 32)
        RaiseDecoderError(kErrUnsupported, "PCX decoder: Only 32 bits per pixel can be made.");
    bpp = 32;
    if (width < 1 || height < 1)
        throw CTextException(kErrOutOfMemory, "Out of memory creating bitmap.");
    bitmap.Create(static_cast<int>(width), static_cast<int>(height), 32, false);

    if (bitsPerPixel == 1) {
        if (planes > 4)
            RaiseDecoderError(kErrUnsupported, "Can't handle image with more than 4 planes.");
    } else if (!((bitsPerPixel == 2 || bitsPerPixel == 4 || bitsPerPixel == 8) &&
                 (planes == 1 || planes == 3))) {
        RaiseDecoderError(kErrUnsupported, "Can't handle bits per pixel image with planes.");
    }
    if (planes < 1 || bytesPerLine * 8 < width * bitsPerPixel)
        RaiseDecoderError(kErrCorrupt, "Bytes per line too small for the image width.");

    // The run-length data cannot give more than this many bytes.
    const std::uint64_t lineBytes = static_cast<std::uint64_t>(planes) * bytesPerLine;
    const std::uint64_t total = lineBytes * static_cast<std::uint64_t>(height);
    if (total > kMaxDataBytes)
        throw CTextException(kErrOutOfMemory, "Out of memory creating bitmap.");
    if (total > source.GetBytesLeft() * kMaxExpansion)
        source.Advance(source.GetBytesLeft() + 1);  // throws: the data ends early
    std::vector<BYTE> data(total);
    Decompress(source, data);

    work.assign(256, RGBQUAD{});
    for (int i = 0; i < 16; ++i)
        work[i] = RGBQUAD{header[16 + 3 * i + 2], header[16 + 3 * i + 1], header[16 + 3 * i], 255};
    if (bitsPerPixel == 8 && planes == 1) {
        if (*source.ReadNBytes(1) != 12)
            RaiseDecoderError(kErrCorrupt, "bad color map signature.");
        const BYTE* map = source.ReadNBytes(768);
        for (int i = 0; i < 256; ++i)
            work[i] = RGBQUAD{map[3 * i + 2], map[3 * i + 1], map[3 * i], 255};
    } else if (bitsPerPixel == 1 && planes == 1) {
        work[0] = RGBQUAD{0, 0, 0, 255};
        work[1] = RGBQUAD{255, 255, 255, 255};
    }

    CBitmapWriteLock lock(bitmap);
    BYTE** rows = bitmap.GetLineArray();
    for (std::int64_t y = 0; y < height; ++y) {
        source.CheckTimeBudget();
        const BYTE* line = data.data() + lineBytes * static_cast<std::uint64_t>(y);
        auto* out = reinterpret_cast<RGBQUAD*>(rows[y]);
        if (bitsPerPixel == 8 && planes == 3) {
            for (std::int64_t x = 0; x < width; ++x)
                out[x] = RGBQUAD{line[2 * bytesPerLine + x], line[bytesPerLine + x], line[x], 255};
        } else if (planes == 1) {
            const int perByte = 8 / bitsPerPixel;
            const int mask = (1 << bitsPerPixel) - 1;
            for (std::int64_t x = 0; x < width; ++x) {
                const int shift = 8 - bitsPerPixel * (1 + static_cast<int>(x % perByte));
                out[x] = work[(line[x / perByte] >> shift) & mask];
            }
        } else {
            if (planes > 4)
                RaiseDecoderError(kErrCorrupt, "Can't handle more than 4 planes.");
            if (bitsPerPixel != 1)
                RaiseDecoderError(kErrCorrupt, "Can't handle more than 1 bit per pixel.");
            for (std::int64_t x = 0; x < width; ++x) {
                int index = 0;
                for (int plane = 0; plane < planes; ++plane) {
                    if ((line[plane * bytesPerLine + x / 8] >> (7 - x % 8)) & 1)
                        index |= 1 << plane;
                }
                out[x] = work[index];
            }
        }
    }
}
