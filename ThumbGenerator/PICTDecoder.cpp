#include "ThumbGenerator/PICTDecoder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "ThumbGenerator/JPEGDecoder.h"
#include "ThumbGenerator/TextException.h"
#include "platform/ByteReader.h"

namespace {

constexpr int kVariableLength = -1;

int ReadByte(CImageSource& source) {
    return *source.ReadNBytes(1);
}

int ReadWord(CImageSource& source) {
    return zb::LoadBe16(source.ReadNBytes(2));
}

std::uint32_t ReadLong(CImageSource& source) {
    return zb::LoadBe32(source.ReadNBytes(4));
}

void Skip(CImageSource& source, std::size_t count) {
    source.ReadNBytes(count);
}

// Data length of the opcodes 0x00 to 0xA1 that carry no special handling: a
// byte count, or kVariableLength for a 2-byte length followed by the data.
int OpcodeDataLength(int opcode) {
    switch (opcode) {
        case 0x02:
        case 0x09:
        case 0x0A:
        case 0x10:
        case 0x20:
            return 8;
        case 0x03:
        case 0x05:
        case 0x08:
        case 0x0D:
        case 0x15:
        case 0x16:
        case 0x23:
        case 0xA0:
            return 2;
        case 0x04:
        case 0x11:
            return 1;
        case 0x06:
        case 0x07:
        case 0x0B:
        case 0x0C:
        case 0x0E:
        case 0x0F:
        case 0x21:
            return 4;
        case 0x1A:
        case 0x1B:
        case 0x1D:
        case 0x1F:
        case 0x22:
            return 6;
        default:
            break;
    }
    if ((opcode >= 0x30 && opcode <= 0x37) || (opcode >= 0x40 && opcode <= 0x47) ||
        (opcode >= 0x50 && opcode <= 0x57))
        return 8;
    if (opcode >= 0x60 && opcode <= 0x67)
        return 12;
    if (opcode >= 0x68 && opcode <= 0x6F)
        return 4;
    if ((opcode >= 0x24 && opcode <= 0x27) || (opcode >= 0x2C && opcode <= 0x2F) ||
        (opcode >= 0x92 && opcode <= 0x97) || (opcode >= 0x9C && opcode <= 0x9F))
        return kVariableLength;
    return 0;
}

// PackBits: a flag byte below 128 copies flag + 1 units, above 128 repeats
// the next unit 257 - flag times. Output beyond `out`'s end is dropped.
void UnpackBits(const BYTE* in, std::size_t inLength, BYTE* out, std::size_t outLength,
                std::size_t unit) {
    std::size_t i = 0;
    std::size_t o = 0;
    while (i < inLength && o < outLength) {
        const int flag = in[i++];
        if (flag < 128) {
            const std::size_t count =
                std::min({static_cast<std::size_t>(flag + 1) * unit, inLength - i, outLength - o});
            std::memcpy(out + o, in + i, count);
            i += static_cast<std::size_t>(flag + 1) * unit;
            o += count;
        } else if (flag > 128) {
            if (inLength - i < unit)
                break;
            for (int n = 257 - flag; n > 0 && outLength - o >= unit; --n, o += unit)
                std::memcpy(out + o, in + i, unit);
            i += unit;
        }
    }
}

}  // namespace

void CPICTDecoder::DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                            CImageSource& source) {
    DecoderTrace(2, "Decoding mac pict.\n");
    Skip(source, 512 + 2 + 8);  // file header, picture size, picture frame
    int first = ReadByte(source);
    while (first == 0)
        first = ReadByte(source);
    if (first != 0x11)
        RaiseDecoderError(kErrWrongFormat, "Error decoding pict: Version number missing.");
    const int version = ReadByte(source);
    if (version == 1) {
        m_version = 1;
    } else if (version == 2 && ReadByte(source) == 0xFF) {
        m_version = 2;
    } else {
        RaiseDecoderError(kErrWrongFormat, "Illegal version number.");
    }
    InterpretOpcodes(bitmap, work, bpp, source);
}

void CPICTDecoder::InterpretOpcodes(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                                    CImageSource& source) {
    for (;;) {
        source.CheckTimeBudget();
        int opcode;
        if (m_version == 2) {
            if (source.GetBytesRead() % 2 != 0)
                Skip(source, 1);
            opcode = ReadWord(source);
        } else {
            opcode = ReadByte(source);
        }
        switch (opcode) {
            case 0x90:
            case 0x91:
            case 0x98:
            case 0x99:
                ReadBitmapOrPixMap(opcode, bitmap, work, bpp, source);
                return;
            case 0x9A:
            case 0x9B:
                ReadDirectPixMap(opcode, bitmap, bpp, source);
                return;
            case 0x8200:
                ReadJpeg(bitmap, source);
                return;
            case 0xFF:
                RaiseDecoderError(kErrCannotHandle, "PICT contained only vector data!\n");
            case 0x12:
            case 0x13:
            case 0x14:
                ReadPixelPattern(work, source);
                break;
            default:
                SkipOpcodeData(opcode, source);
                break;
        }
    }
}

void CPICTDecoder::SkipOpcodeData(int opcode, CImageSource& source) {
    if (opcode == 0x01) {
        const int size = ReadWord(source);
        if (size == 10)
            ReadRect(source);
        else
            Skip(source, static_cast<std::size_t>(std::max(size - 2, 0)));
    } else if (opcode >= 0x70 && opcode <= 0x77) {
        Skip(source, static_cast<std::size_t>(std::max(ReadWord(source) - 2, 0)));
    } else if (opcode >= 0x80 && opcode <= 0x87) {
        // The region opcodes carry their region; the "same region" ones
        // (0x88 to 0x8F) have no data.
        SkipRegion(source);
    } else if (opcode >= 0x28 && opcode <= 0x2B) {
        // Text: a position (a point, or one or two offset bytes), then a
        // counted string.
        Skip(source, opcode == 0x28 ? 4 : opcode == 0x2B ? 2 : 1);
        Skip(source, static_cast<std::size_t>(ReadByte(source)));
    } else if (opcode == 0xA1) {
        Skip(source, 2);
        Skip(source, static_cast<std::size_t>(ReadWord(source)));
    } else if (opcode <= 0xA1) {
        const int length = OpcodeDataLength(opcode);
        Skip(source,
             static_cast<std::size_t>(length == kVariableLength ? ReadWord(source) : length));
    } else if (opcode <= 0xAF) {
        Skip(source, static_cast<std::size_t>(ReadWord(source)));
    } else if (opcode <= 0xCF || (opcode >= 0x8000 && opcode <= 0x80FF)) {
        // no data
    } else if (opcode <= 0xFE || opcode >= 0x8100) {
        Skip(source, ReadLong(source));
    } else if (opcode == 0x0C00) {
        Skip(source, 24);
    } else {
        Skip(source, static_cast<std::size_t>((opcode >> 7) & 0xFF));
    }
}

CPICTDecoder::Rect CPICTDecoder::ReadRect(CImageSource& source) {
    Rect rect;
    rect.top = static_cast<std::int16_t>(ReadWord(source));
    rect.left = static_cast<std::int16_t>(ReadWord(source));
    rect.bottom = static_cast<std::int16_t>(ReadWord(source));
    rect.right = static_cast<std::int16_t>(ReadWord(source));
    return rect;
}

CPICTDecoder::PixMapHeader CPICTDecoder::ReadPixMapHeader(CImageSource& source) {
    const BYTE* p = source.ReadNBytes(36);
    PixMapHeader header;
    header.packType = zb::LoadBe16(p + 2);
    header.pixelSize = zb::LoadBe16(p + 18);
    header.componentCount = zb::LoadBe16(p + 20);
    return header;
}

void CPICTDecoder::ReadColourTable(std::vector<RGBQUAD>& table, CImageSource& source) {
    Skip(source, 4);  // seed
    const bool numbered = (ReadByte(source) & 0x80) != 0;
    Skip(source, 1);
    const int entries = ReadWord(source) + 1;
    table.assign(256, RGBQUAD{});
    for (int i = 0; i < entries; ++i) {
        const int value = ReadWord(source);
        const std::size_t index = static_cast<std::size_t>(numbered ? i : value);
        const BYTE* rgb = source.ReadNBytes(6);
        if (index >= table.size())
            RaiseDecoderError(kErrUnsupported, "pixel value greater than colour table size.");
        table[index] = RGBQUAD{rgb[4], rgb[2], rgb[0], 255};
    }
}

void CPICTDecoder::RequireRows(const Rect& bounds, const CImageSource& source) {
    // Every row takes at least one byte.
    source.RequireBytes(static_cast<std::uint64_t>(std::max(bounds.Height(), 0)));
}

void CPICTDecoder::SkipRegion(CImageSource& source) {
    Skip(source, static_cast<std::size_t>(std::max(ReadWord(source) - 2, 0)));
}

void CPICTDecoder::ReadPixelPattern(std::vector<RGBQUAD>& work, CImageSource& source) {
    const int type = ReadWord(source);
    if (type == 2) {
        Skip(source, 13);
    } else if (type == 1) {
        Skip(source, 8);
        const int rowBytesWord = ReadWord(source);
        const Rect bounds = ReadRect(source);
        const PixMapHeader pixMap = ReadPixMapHeader(source);
        ReadColourTable(work, source);
        ReadRows(nullptr, bounds.Width(), bounds.Height(), rowBytesWord, pixMap, source);
    } else {
        RaiseDecoderError(kErrUnsupported, "Unknown pattern type in pixPat.");
    }
}

void CPICTDecoder::ReadBitmapOrPixMap(int opcode, CImageBitmap& bitmap, std::vector<RGBQUAD>& work,
                                      int& bpp, CImageSource& source) {
    const bool withRegion = opcode == 0x91 || opcode == 0x99;
    const int rowBytesWord = ReadWord(source);
    if ((rowBytesWord & 0x8000) == 0) {
        // A version-1 bitmap: one bit per pixel, set bits black.
        const Rect bounds = ReadRect(source);
        Skip(source, 16);
        RequireRows(bounds, source);
        bitmap.Create(bounds.Width(), bounds.Height(), 8, false);
        Skip(source, 2);
        if (withRegion)
            SkipRegion(source);
        RGBQUAD palette[256] = {};
        palette[0] = RGBQUAD{255, 255, 255, 255};
        palette[1] = RGBQUAD{0, 0, 0, 255};
        bitmap.SetPalette(palette);
        PixMapHeader oneBit;
        oneBit.pixelSize = 1;
        ReadRows(&bitmap, bounds.Width(), bounds.Height(), rowBytesWord, oneBit, source);
        bpp = 8;
        return;
    }
    const Rect bounds = ReadRect(source);
    const PixMapHeader pixMap = ReadPixMapHeader(source);
    ChooseTargetBpp(pixMap.pixelSize, bpp);
    const int target = pixMap.pixelSize <= 8 ? 8 : 32;
    RequireRows(bounds, source);
    bitmap.Create(bounds.Width(), bounds.Height(), target,
                  target == 32 && pixMap.componentCount == 4);
    ReadColourTable(work, source);
    if (pixMap.pixelSize <= 8)
        bitmap.SetPalette(work.data());
    Skip(source, 18);
    if (withRegion) {
        DecoderTrace(2, "Skipping polygon or region.\n");
        SkipRegion(source);
    }
    ReadRows(&bitmap, bounds.Width(), bounds.Height(), rowBytesWord, pixMap, source);
}

void CPICTDecoder::ReadDirectPixMap(int opcode, CImageBitmap& bitmap, int& bpp,
                                    CImageSource& source) {
    Skip(source, 4);  // base address
    const int rowBytesWord = ReadWord(source);
    const Rect bounds = ReadRect(source);
    const PixMapHeader pixMap = ReadPixMapHeader(source);
    Skip(source, 18);
    if (opcode == 0x9B)
        SkipRegion(source);
    ChooseTargetBpp(pixMap.pixelSize, bpp);
    const int target = pixMap.pixelSize <= 8 ? 8 : 32;
    RequireRows(bounds, source);
    bitmap.Create(bounds.Width(), bounds.Height(), target,
                  target == 32 && pixMap.componentCount == 4);
    ReadRows(&bitmap, bounds.Width(), bounds.Height(), rowBytesWord, pixMap, source);
}

void CPICTDecoder::ReadRows(CImageBitmap* bitmap, int width, int height, int rowBytesWord,
                            const PixMapHeader& pixMap, CImageSource& source) {
    const int pixelSize = pixMap.pixelSize;
    if (pixelSize != 1 && pixelSize != 2 && pixelSize != 4 && pixelSize != 8 && pixelSize != 16 &&
        pixelSize != 32)
        RaiseDecoderError(kErrUnsupported,
                          "Illegal bpp value in unpackbits: " + std::to_string(pixelSize) + "\n");
    if (width < 1 || height < 1)
        RaiseDecoderError(kErrCorrupt, "PICT decoder: Empty picture bounds.");
    const int components = pixMap.componentCount == 4 ? 4 : 3;
    std::size_t rowBytes = static_cast<std::size_t>(rowBytesWord & 0x7FFF);
    if (rowBytes == 0)
        rowBytes = static_cast<std::size_t>(width) * (pixelSize == 16   ? 2
                                                      : pixelSize == 32 ? 4
                                                                        : 1);
    // Room for a whole row whatever the row bytes say; missing bytes stay 0.
    const std::size_t needed = pixelSize == 32
                                   ? static_cast<std::size_t>(width) * components
                                   : (static_cast<std::size_t>(width) * pixelSize + 7) / 8;
    std::vector<BYTE> row(std::max(rowBytes, needed));
    const std::size_t unit = pixelSize == 16 ? 2 : 1;

    std::unique_ptr<CBitmapWriteLock> lock;
    if (bitmap != nullptr)
        lock = std::make_unique<CBitmapWriteLock>(*bitmap);
    for (int y = 0; y < height; ++y) {
        source.CheckTimeBudget();
        std::fill(row.begin(), row.end(), 0);
        if (rowBytes < 8) {
            std::memcpy(row.data(), source.ReadNBytes(rowBytes), rowBytes);
        } else {
            const std::size_t packed = rowBytes > 250 ? static_cast<std::size_t>(ReadWord(source))
                                                      : static_cast<std::size_t>(ReadByte(source));
            UnpackBits(source.ReadNBytes(packed), packed, row.data(), rowBytes, unit);
        }
        if (bitmap == nullptr)
            continue;
        BYTE* out = bitmap->GetLineArray()[y];
        if (pixelSize <= 8) {
            const int mask = (1 << pixelSize) - 1;
            for (int x = 0; x < width; ++x) {
                const std::size_t bit = static_cast<std::size_t>(x) * pixelSize;
                out[x] = static_cast<BYTE>((row[bit / 8] >> (8 - pixelSize - bit % 8)) & mask);
            }
        } else if (pixelSize == 16) {
            for (int x = 0; x < width; ++x, out += 4) {
                const int v = row[2 * x] << 8 | row[2 * x + 1];
                out[0] = static_cast<BYTE>((v & 0x1F) << 3);
                out[1] = static_cast<BYTE>(((v >> 5) & 0x1F) << 3);
                out[2] = static_cast<BYTE>(((v >> 10) & 0x1F) << 3);
                out[3] = 255;
            }
        } else {
            const BYTE* plane = row.data() + (components == 4 ? width : 0);
            for (int x = 0; x < width; ++x, out += 4) {
                out[0] = plane[2 * width + x];
                out[1] = plane[width + x];
                out[2] = plane[x];
                out[3] = components == 4 ? row[x] : 255;
            }
        }
    }
}

void CPICTDecoder::ReadJpeg(CImageBitmap& bitmap, CImageSource& source) {
    std::uint32_t length = ReadLong(source);
    for (; length > 0; --length) {
        const BYTE* next = source.GetBufferPtr(3);
        if (next != nullptr && next[0] == 0xFF && next[1] == 0xD8 && next[2] == 0xFF) {
            if (m_jpegDecoder == nullptr)
                RaiseDecoderError(kErrCannotHandle, "Library not compiled for PICT/JPEG.");
            m_jpegDecoder->DecodeSource(source, bitmap, 0);
            return;
        }
        Skip(source, 1);
    }
    RaiseDecoderError(kErrCannotHandle, "PICT file contains unrecognized quicktime data.\n");
}
