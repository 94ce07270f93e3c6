#include "ThumbGenerator/TGADecoder.h"

#include <cstdint>
#include <cstring>

#include "ThumbGenerator/TextException.h"
#include "platform/ByteReader.h"

namespace {

constexpr std::size_t kHeaderSize = 18;

bool IsGreyType(int type) {
    return type == 3 || type == 11;
}

// One pixel of `depth` bits at `p` as blue, green, red, alpha. Grey pictures
// of 16 bits hold a grey byte and an alpha byte.
RGBQUAD ConvertPixel(const BYTE* p, int depth, bool grey, const std::vector<RGBQUAD>& table) {
    switch (depth) {
        case 8:
            return table[p[0]];
        case 15:
        case 16: {
            if (grey)
                return RGBQUAD{p[0], p[0], p[0], p[1]};
            const WORD v = zb::LoadLe16(p);
            return RGBQUAD{static_cast<BYTE>((v & 0x1F) << 3),
                           static_cast<BYTE>(((v >> 5) & 0x1F) << 3),
                           static_cast<BYTE>(((v >> 10) & 0x1F) << 3),
                           static_cast<BYTE>(v & 0x8000 ? 255 : 0)};
        }
        case 24:
            return RGBQUAD{p[0], p[1], p[2], 255};
        default:
            return RGBQUAD{p[0], p[1], p[2], p[3]};
    }
}

// Hands out the pixels of the picture in file order, from plain or
// run-length data. A run may go on across the end of a row.
class CTGAPixelReader {
public:
    CTGAPixelReader(CImageSource& source, int pixelBytes, bool runLength)
        : m_source(source), m_pixelBytes(pixelBytes), m_runLength(runLength) {}

    const BYTE* Next() {
        if (!m_runLength)
            return m_source.ReadNBytes(m_pixelBytes);
        if (m_left == 0) {
            const BYTE header = *m_source.ReadNBytes(1);
            m_repeat = header >= 128;
            m_left = m_repeat ? header - 127 : header + 1;
            if (m_repeat)
                m_pixel = m_source.ReadNBytes(m_pixelBytes);
        }
        --m_left;
        return m_repeat ? m_pixel : m_source.ReadNBytes(m_pixelBytes);
    }

private:
    CImageSource& m_source;
    int m_pixelBytes;
    bool m_runLength;
    int m_left = 0;
    bool m_repeat = false;
    const BYTE* m_pixel = nullptr;
};

}  // namespace

void CTGADecoder::DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                           CImageSource& source) {
    DecoderTrace(2, "Decoding TGA.\n");
    BYTE header[kHeaderSize];
    std::memcpy(header, source.ReadNBytes(kHeaderSize), kHeaderSize);
    const int idLength = header[0];
    const int colourMapType = header[1];
    const int imageType = header[2];
    const int firstEntry = zb::LoadLe16(header + 3);
    const int mapLength = zb::LoadLe16(header + 5);
    const int entryBits = header[7];
    const int width = zb::LoadLe16(header + 12);
    const int height = zb::LoadLe16(header + 14);
    const int depth = header[16];
    const bool topDown = (header[17] & 0x20) != 0;
    source.ReadNBytes(idLength);

    if (imageType != 1 && imageType != 2 && imageType != 3 && imageType != 9 && imageType != 10 &&
        imageType != 11)
        RaiseDecoderError(kErrUnsupported, "Unknown TGA image type.");
    if (depth != 8 && depth != 15 && depth != 16 && depth != 24 && depth != 32)
        RaiseDecoderError(kErrUnsupported, "Unknown TGA pixel depth.");

    ChooseTargetBpp(depth, bpp);
    if (bpp != 8 && bpp != 32)
        RaiseDecoderError(kErrUnsupported, "TGA decoder: Only 8 or 32 bits per pixel can be made.");
    const bool alpha = depth == 16 || depth == 32;
    // The colour map and the pixels must fit in what is left: plain pixels
    // byte for byte, a run-length packet covers at most 128 pixels.
    const int pixelBytes = (depth + 7) / 8;
    const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
    const std::uint64_t mapBytes =
        colourMapType != 0 ? std::uint64_t(mapLength) * ((entryBits + 7) / 8) : 0;
    source.RequireBytes(mapBytes + (imageType >= 9 ? (pixels + 127) / 128 * (1 + pixelBytes)
                                                   : pixels * pixelBytes));
    bitmap.Create(width, height, bpp, alpha);

    if (colourMapType != 0) {
        if (entryBits != 15 && entryBits != 16 && entryBits != 24 && entryBits != 32)
            RaiseDecoderError(kErrUnsupported, "Unknown TGA colour map entry size.");
        work.assign(256, RGBQUAD{});
        const int entryBytes = (entryBits + 7) / 8;
        // Entries that fall outside the 256-entry table are read and dropped.
        for (int i = 0; i < mapLength; ++i) {
            const RGBQUAD entry =
                ConvertPixel(source.ReadNBytes(entryBytes), entryBits, false, work);
            if (firstEntry + i < 256)
                work[firstEntry + i] = entry;
        }
        if (bpp == 8)
            bitmap.SetPalette(work.data());
    }
    if (IsGreyType(imageType)) {
        work.resize(256);
        for (int i = 0; i < 256; ++i)
            work[i] =
                RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 255};
    }
    if (work.empty())
        work.assign(256, RGBQUAD{});  // 8-bit true-colour pixels without a map

    CTGAPixelReader reader(source, pixelBytes, imageType >= 9);
    CBitmapWriteLock lock(bitmap);
    BYTE** rows = bitmap.GetLineArray();
    const bool grey = IsGreyType(imageType);
    for (int fileRow = 0; fileRow < height; ++fileRow) {
        source.CheckTimeBudget();
        BYTE* row = rows[topDown ? fileRow : height - 1 - fileRow];
        for (int x = 0; x < width; ++x) {
            const BYTE* pixel = reader.Next();
            if (bpp == 8) {
                row[x] = pixel[0];
            } else {
                const RGBQUAD colour = ConvertPixel(pixel, depth, grey, work);
                std::memcpy(row + 4 * static_cast<std::size_t>(x), &colour, 4);
            }
        }
    }
}
