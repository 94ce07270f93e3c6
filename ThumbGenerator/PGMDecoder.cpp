#include "ThumbGenerator/PGMDecoder.h"

#include <cstdint>

#include "ThumbGenerator/TextException.h"
#include "platform/ByteReader.h"

namespace {

// Numbers saturate here; a header value this large fails as a bitmap size.
constexpr std::uint32_t kNumberLimit = 1u << 30;

bool IsBlank(BYTE c) {
    return c == ' ' || c == '\r' || c == '\n' || c == '\t';
}

bool IsDigit(BYTE c) {
    return c >= '0' && c <= '9';
}

// Reads a decimal number after blanks (and, in the header, '#' comments that
// run to the end of the line). The character behind the number stays unread.
std::uint32_t ReadNumber(CImageSource& source, bool header) {
    for (;;) {
        const BYTE* next = source.GetBufferPtr(1);
        if (next == nullptr)
            source.ReadNBytes(1);  // throws: the data ends
        if (IsBlank(*next)) {
            source.ReadNBytes(1);
        } else if (header && *next == '#') {
            while (true) {
                const BYTE c = *source.ReadNBytes(1);
                if (c == '\n' || c == '\r')
                    break;
            }
        } else {
            break;
        }
    }
    if (!IsDigit(*source.GetBufferPtr(1)))
        RaiseDecoderError(header ? kErrUnsupported : kErrCorrupt,
                          header ? "PGM decoder: Unexpected character in the header."
                                 : "PGM decoder: Bad sample value.");
    std::uint32_t value = 0;
    for (const BYTE* next = source.GetBufferPtr(1); next != nullptr && IsDigit(*next);
         next = source.GetBufferPtr(1)) {
        value = value > kNumberLimit / 10 ? kNumberLimit : value * 10 + (*next - '0');
        source.ReadNBytes(1);
    }
    return value;
}

// Largest maximum value of the format: binary samples above 255 take two
// bytes, big-endian.
constexpr std::uint32_t kMaxMaxValue = 65535;

BYTE Scale(std::uint32_t sample, std::uint32_t maxValue) {
    if (sample > maxValue)
        sample = maxValue;
    return static_cast<BYTE>(std::uint64_t{sample} * 255 / maxValue);
}

}  // namespace

void CPGMDecoder::DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>&, int& bpp,
                           CImageSource& source) {
    DecoderTrace(2, "Decoding PGM.\n");
    const BYTE* magic = source.GetBufferPtr(2);
    if (magic == nullptr || magic[0] != 'P' || (magic[1] != '2' && magic[1] != '5'))
        RaiseDecoderError(kErrUnsupported, "PGM decoder: Is not the correct identifier P5 or P2.");
    const bool binary = magic[1] == '5';
    source.ReadNBytes(2);

    const std::uint32_t width = ReadNumber(source, true);
    const std::uint32_t height = ReadNumber(source, true);
    std::uint32_t maxValue = ReadNumber(source, true);
    if (maxValue > kMaxMaxValue || maxValue < 1)
        maxValue = 255;
    const std::size_t sampleBytes = binary && maxValue > 255 ? 2 : 1;
    source.ReadNBytes(1);  // the character that ends the maximum value

    ChooseTargetBpp(8, bpp);
    if (bpp != 8)
        RaiseDecoderError(kErrUnsupported, "PGM decoder: Only 8 bits per pixel can be made.");
    // Every sample takes at least one byte (two in wide binary files).
    source.RequireBytes(std::uint64_t{width} * height * sampleBytes);
    bitmap.Create(static_cast<int>(width), static_cast<int>(height), 8, false);

    CBitmapWriteLock lock(bitmap);
    BYTE** rows = bitmap.GetLineArray();
    for (std::uint32_t y = 0; y < height; ++y) {
        source.CheckTimeBudget();
        BYTE* row = rows[y];
        if (binary && sampleBytes == 2) {
            const BYTE* samples = source.ReadNBytes(std::size_t{width} * 2);
            for (std::uint32_t x = 0; x < width; ++x)
                row[x] = Scale(zb::LoadBe16(samples + 2 * x), maxValue);
        } else if (binary) {
            const BYTE* samples = source.ReadNBytes(width);
            for (std::uint32_t x = 0; x < width; ++x)
                row[x] = Scale(samples[x], maxValue);
        } else {
            for (std::uint32_t x = 0; x < width; ++x)
                row[x] = Scale(ReadNumber(source, false), maxValue);
        }
    }
}
