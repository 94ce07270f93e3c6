#include "ThumbGenerator/PCXDecoder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "ThumbGenerator/TextException.h"
#include "platform/ByteReader.h"

namespace {

constexpr std::size_t kHeaderSize = 128;
// A run of two bytes gives at most 63 bytes.
constexpr std::uint64_t kMaxExpansion = 32;

// The run-length data expanded one line at a time; a run may go on into the
// next line, never past the end of the picture.
class CPcxRunReader {
public:
    CPcxRunReader(CImageSource& source, std::uint64_t pictureBytes)
        : m_source(source), m_left(pictureBytes) {}

    void ReadLine(BYTE* out, std::size_t count) {
        std::size_t filled = 0;
        while (filled < count) {
            if (m_run == 0) {
                BYTE value = *m_source.ReadNBytes(1);
                std::uint64_t length = 1;
                if (value >= 0xC0) {
                    length = value & 0x3F;
                    value = *m_source.ReadNBytes(1);
                    if (length > m_left)
                        RaiseDecoderError(kErrCorrupt, "repeat count spans end of image.");
                }
                m_value = value;
                m_run = length;
                m_left -= length;
            }
            const std::size_t take =
                static_cast<std::size_t>(std::min<std::uint64_t>(m_run, count - filled));
            std::memset(out + filled, m_value, take);
            filled += take;
            m_run -= take;
        }
    }

private:
    CImageSource& m_source;
    std::uint64_t m_left;  // bytes of the picture not yet given or in the run
    std::uint64_t m_run = 0;
    BYTE m_value = 0;
};

struct PcxLayout {
    std::int64_t width;
    int bitsPerPixel;
    int planes;
    std::int64_t bytesPerLine;
};

// One line of planes into pixels blue, green, red, 255 through `palette`.
void ConvertLine(const PcxLayout& layout, const BYTE* line, const std::vector<RGBQUAD>& palette,
                 RGBQUAD* out) {
    const std::int64_t width = layout.width;
    const std::int64_t bytesPerLine = layout.bytesPerLine;
    const int bitsPerPixel = layout.bitsPerPixel;
    if (bitsPerPixel == 8 && layout.planes == 3) {
        for (std::int64_t x = 0; x < width; ++x)
            out[x] = RGBQUAD{line[2 * bytesPerLine + x], line[bytesPerLine + x], line[x], 255};
    } else if (layout.planes == 1) {
        const int perByte = 8 / bitsPerPixel;
        const int mask = (1 << bitsPerPixel) - 1;
        for (std::int64_t x = 0; x < width; ++x) {
            const int shift = 8 - bitsPerPixel * (1 + static_cast<int>(x % perByte));
            out[x] = palette[(line[x / perByte] >> shift) & mask];
        }
    } else {
        if (layout.planes > 4)
            RaiseDecoderError(kErrCorrupt, "Can't handle more than 4 planes.");
        if (bitsPerPixel != 1)
            RaiseDecoderError(kErrCorrupt, "Can't handle more than 1 bit per pixel.");
        for (std::int64_t x = 0; x < width; ++x) {
            int index = 0;
            for (int plane = 0; plane < layout.planes; ++plane) {
                if ((line[plane * bytesPerLine + x / 8] >> (7 - x % 8)) & 1)
                    index |= 1 << plane;
            }
            out[x] = palette[index];
        }
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
    PcxLayout layout;
    layout.bitsPerPixel = header[3];
    layout.width = std::int64_t{zb::LoadLe16(header + 8)} - zb::LoadLe16(header + 4) + 1;
    const std::int64_t height =
        std::int64_t{zb::LoadLe16(header + 10)} - zb::LoadLe16(header + 6) + 1;
    layout.planes = header[65];
    layout.bytesPerLine = zb::LoadLe16(header + 66);
    const std::int64_t width = layout.width;
    const int bitsPerPixel = layout.bitsPerPixel;
    const int planes = layout.planes;

    if (bpp != 0 && bpp != 32)
        RaiseDecoderError(kErrUnsupported, "PCX decoder: Only 32 bits per pixel can be made.");
    bpp = 32;
    if (width < 1 || height < 1)
        throw CTextException(kErrOutOfMemory, "Out of memory creating bitmap.");
    if (bitsPerPixel == 1) {
        if (planes > 4)
            RaiseDecoderError(kErrUnsupported, "Can't handle image with more than 4 planes.");
    } else if (!((bitsPerPixel == 2 || bitsPerPixel == 4 || bitsPerPixel == 8) &&
                 (planes == 1 || planes == 3))) {
        RaiseDecoderError(kErrUnsupported, "Can't handle bits per pixel image with planes.");
    }
    if (planes < 1 || layout.bytesPerLine * 8 < width * bitsPerPixel)
        RaiseDecoderError(kErrCorrupt, "Bytes per line too small for the image width.");

    // The run-length data cannot give more than kMaxExpansion bytes a byte.
    const std::uint64_t lineBytes = static_cast<std::uint64_t>(planes) * layout.bytesPerLine;
    const std::uint64_t pictureBytes = lineBytes * static_cast<std::uint64_t>(height);
    source.RequireCompressedBytes(pictureBytes, kMaxExpansion);
    bitmap.Create(static_cast<int>(width), static_cast<int>(height), 32, false);

    work.assign(256, RGBQUAD{});
    for (int i = 0; i < 16; ++i)
        work[i] = RGBQUAD{header[16 + 3 * i + 2], header[16 + 3 * i + 1], header[16 + 3 * i], 255};
    if (bitsPerPixel == 1 && planes == 1) {
        work[0] = RGBQUAD{0, 0, 0, 255};
        work[1] = RGBQUAD{255, 255, 255, 255};
    }
    // The palette of 8-bit pictures lies behind the picture: their rows keep
    // the palette indices until it has been read.
    const bool paletteBehind = bitsPerPixel == 8 && planes == 1;

    CBitmapWriteLock lock(bitmap);
    BYTE** rows = bitmap.GetLineArray();
    CPcxRunReader runs(source, pictureBytes);
    std::vector<BYTE> line(static_cast<std::size_t>(lineBytes));
    for (std::int64_t y = 0; y < height; ++y) {
        source.CheckTimeBudget();
        runs.ReadLine(line.data(), line.size());
        if (paletteBehind)
            std::memcpy(rows[y], line.data(), static_cast<std::size_t>(width));
        else
            ConvertLine(layout, line.data(), work, reinterpret_cast<RGBQUAD*>(rows[y]));
    }
    if (!paletteBehind)
        return;
    if (*source.ReadNBytes(1) != 12)
        RaiseDecoderError(kErrCorrupt, "bad color map signature.");
    const BYTE* map = source.ReadNBytes(768);
    for (int i = 0; i < 256; ++i)
        work[i] = RGBQUAD{map[3 * i + 2], map[3 * i + 1], map[3 * i], 255};
    for (std::int64_t y = 0; y < height; ++y) {
        // From the right: pixel x takes the bytes 4x to 4x + 3, whose
        // indices (x and those right of it) are read by then.
        auto* out = reinterpret_cast<RGBQUAD*>(rows[y]);
        for (std::int64_t x = width - 1; x >= 0; --x)
            out[x] = work[rows[y][x]];
    }
}
