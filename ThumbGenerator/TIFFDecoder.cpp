#include "ThumbGenerator/TIFFDecoder.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "ThumbGenerator/TextException.h"

namespace {

// Largest single allocation libtiff may make for one picture.
constexpr tmsize_t kMaxTiffAllocation = 256 * 1024 * 1024;
// Pixels per band of the RGBA reader.
constexpr std::int64_t kBandPixels = 1 << 20;
// The most bytes a stored byte gives in the compressions whose expansion has
// no small bound (JPEG, LZMA, ZSTD, WebP, the fax codes and the rest); only a
// huge picture of nearly one colour comes near it.
constexpr std::uint64_t kMaxOtherExpansion = 1 << 16;

std::uint64_t MaxExpansion(std::uint16_t compression) {
    switch (compression) {
        case COMPRESSION_NONE:
            return 1;
        case COMPRESSION_PACKBITS:
            return kMaxPackBitsExpansion;
        case COMPRESSION_LZW:
            return kMaxLzwExpansion;
        case COMPRESSION_DEFLATE:
        case COMPRESSION_ADOBE_DEFLATE:
            return kMaxDeflateExpansion;
        default:
            return kMaxOtherExpansion;
    }
}

// The TIFF data in memory with its read position, and the last libtiff error.
struct TiffMemory {
    const BYTE* data;
    std::uint64_t size;
    std::uint64_t position;
    char message[512];
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
    auto* memory = static_cast<TiffMemory*>(handle);
    if (size <= 0 || memory->position >= memory->size)
        return 0;
    const std::uint64_t count =
        std::min<std::uint64_t>(static_cast<std::uint64_t>(size), memory->size - memory->position);
    std::memcpy(buffer, memory->data + memory->position, count);
    memory->position += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* memory = static_cast<TiffMemory*>(handle);
    const std::uint64_t base = whence == SEEK_CUR   ? memory->position
                               : whence == SEEK_END ? memory->size
                                                    : 0;
    if (offset > UINT64_MAX - base)
        return static_cast<toff_t>(-1);
    memory->position = base + offset;
    return memory->position;
}

int CloseProc(thandle_t) {
    return 0;
}

toff_t SizeProc(thandle_t handle) {
    return static_cast<TiffMemory*>(handle)->size;
}

int MapProc(thandle_t, void**, toff_t*) {
    return 0;
}

void UnmapProc(thandle_t, void*, toff_t) {}

std::string Format(const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof(text), format, args);
    return text;
}

int ErrorHandler(TIFF*, void* user, const char*, const char* format, va_list args) {
    auto* memory = static_cast<TiffMemory*>(user);
    const std::string text = Format(format, args);
    std::snprintf(memory->message, sizeof(memory->message), "%s\n", text.c_str());
    DecoderTrace(0, memory->message);
    return 1;
}

int WarningHandler(TIFF*, void*, const char* module, const char* format, va_list args) {
    const std::string text = Format(format, args);
    DecoderTrace(2, module != nullptr
                        ? "Warning in LIBTIFF(" + std::string(module) + "): " + text + "\n"
                        : "Warning in LIBTIFF: " + text + "\n");
    return 1;
}

// libtiff's process-wide handlers, for the few messages that have no open
// file: traced, never written to stderr.
void GlobalError(const char*, const char* format, va_list args) {
    DecoderTrace(0, Format(format, args) + "\n");
}

void GlobalWarning(const char* module, const char* format, va_list args) {
    const std::string text = Format(format, args);
    DecoderTrace(2, module != nullptr
                        ? "Warning in LIBTIFF(" + std::string(module) + "): " + text + "\n"
                        : "Warning in LIBTIFF: " + text + "\n");
}

class CTiffHandle {
public:
    explicit CTiffHandle(TiffMemory& memory) {
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (options == nullptr)
            return;
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxTiffAllocation);
        TIFFOpenOptionsSetErrorHandlerExtR(options, ErrorHandler, &memory);
        TIFFOpenOptionsSetWarningHandlerExtR(options, WarningHandler, &memory);
        m_tiff = TIFFClientOpenExt("MemSource", "r", &memory, ReadProc, WriteProc, SeekProc,
                                   CloseProc, SizeProc, MapProc, UnmapProc, options);
        TIFFOpenOptionsFree(options);
    }
    ~CTiffHandle() {
        if (m_tiff != nullptr)
            TIFFClose(m_tiff);
    }
    CTiffHandle(const CTiffHandle&) = delete;
    CTiffHandle& operator=(const CTiffHandle&) = delete;

    TIFF* Get() const { return m_tiff; }

private:
    TIFF* m_tiff = nullptr;
};

class CRgbaImage {
public:
    CRgbaImage() { std::memset(&m_image, 0, sizeof(m_image)); }
    ~CRgbaImage() {
        if (m_begun)
            TIFFRGBAImageEnd(&m_image);
    }
    CRgbaImage(const CRgbaImage&) = delete;
    CRgbaImage& operator=(const CRgbaImage&) = delete;

    bool Begin(TIFF* tiff, char* message) {
        m_begun = TIFFRGBAImageOK(tiff, message) && TIFFRGBAImageBegin(&m_image, tiff, 0, message);
        return m_begun;
    }
    TIFFRGBAImage& Get() { return m_image; }

private:
    TIFFRGBAImage m_image;
    bool m_begun = false;
};

TiffMemory& MemoryOf(TIFF* tiff) {
    return *static_cast<TiffMemory*>(TIFFClientdata(tiff));
}

}  // namespace

CTIFFDecoder::CTIFFDecoder() {
    static std::once_flag handlersInstalled;
    std::call_once(handlersInstalled, [] {
        TIFFSetErrorHandler(GlobalError);
        TIFFSetWarningHandler(GlobalWarning);
    });
}

void CTIFFDecoder::DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                            CImageSource& source) {
    TiffMemory memory{source.GetCurrentPtr(), source.GetBytesLeft(), 0, {}};
    CTiffHandle tiff(memory);
    if (tiff.Get() == nullptr)
        RaiseDecoderError(kErrWrongFormat, memory.message);
    DecodeTIFF(bitmap, work, bpp, source, tiff.Get());
}

void CTIFFDecoder::DecodeTIFF(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                              CImageSource& source, TIFF* tiff) {
    std::uint16_t bitsPerSample = 1;
    std::uint16_t samplesPerPixel = 1;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bitsPerSample);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samplesPerPixel);
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    // The whole file must be able to hold the samples in its compression.
    const std::uint64_t rowBits = std::uint64_t{width} * samplesPerPixel * bitsPerSample;
    source.RequireCompressedBytes((rowBits + 7) / 8 * height, MaxExpansion(compression));
    if (samplesPerPixel == 1 && bitsPerSample <= 8 && !TIFFIsTiled(tiff))
        DoLoColor(bitmap, work, bpp, source, tiff);
    else
        DoRGBA(bitmap, bpp, source, tiff);
}

void CTIFFDecoder::DoRGBA(CImageBitmap& bitmap, int& bpp, CImageSource& source, TIFF* tiff) {
    char message[1024] = {};
    CRgbaImage reader;
    if (!reader.Begin(tiff, message))
        RaiseDecoderError(kErrWrongFormat, message);
    TIFFRGBAImage& image = reader.Get();
    // Each band comes top row first; the file's rows run from the picture's
    // bottom up in the bottom-origin orientations (libtiff reads 7 and 8 as
    // 3 and 4), so there band k of the file lies k bands above the bottom.
    image.req_orientation = ORIENTATION_TOPLEFT;
    const bool bottomUp =
        image.orientation == ORIENTATION_BOTRIGHT || image.orientation == ORIENTATION_BOTLEFT ||
        image.orientation == ORIENTATION_RIGHTBOT || image.orientation == ORIENTATION_LEFTBOT;
    ChooseTargetBpp(32, bpp);
    if (bpp != 32)
        RaiseDecoderError(kErrUnsupported, "TIFF decoder: Only 32 bits per pixel can be made.");
    const int width = static_cast<int>(std::min<std::uint32_t>(image.width, 1u << 30));
    const int height = static_cast<int>(std::min<std::uint32_t>(image.height, 1u << 30));
    bitmap.Create(width, height, 32, image.alpha != 0);

    // The picture is read in bands of rows of the file.
    const int bandRows = static_cast<int>(std::max<std::int64_t>(1, kBandPixels / width));
    std::vector<std::uint32_t> raster;
    try {
        raster.resize(static_cast<std::size_t>(width) * std::min(bandRows, height));
    } catch (const std::bad_alloc&) {
        RaiseDecoderError(kErrOutOfMemory, "Out of memory allocating TIFF buffer.");
    }
    CBitmapWriteLock lock(bitmap);
    for (int top = 0; top < height; top += bandRows) {
        source.CheckTimeBudget();
        const int rows = std::min(bandRows, height - top);
        image.row_offset = top;
        image.col_offset = 0;
        if (!TIFFRGBAImageGet(&image, raster.data(), static_cast<std::uint32_t>(width),
                              static_cast<std::uint32_t>(rows)))
            RaiseDecoderError(kErrWrongFormat, MemoryOf(tiff).message);
        const int firstRow = bottomUp ? height - top - rows : top;
        for (int k = 0; k < rows; ++k) {
            const std::uint32_t* in = raster.data() + static_cast<std::size_t>(k) * width;
            BYTE* out = bitmap.GetLineArray()[firstRow + k];
            for (int x = 0; x < width; ++x, out += 4) {
                out[0] = static_cast<BYTE>(TIFFGetB(in[x]));
                out[1] = static_cast<BYTE>(TIFFGetG(in[x]));
                out[2] = static_cast<BYTE>(TIFFGetR(in[x]));
                out[3] = static_cast<BYTE>(TIFFGetA(in[x]));
            }
        }
    }
}

void CTIFFDecoder::DoLoColor(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                             CImageSource& source, TIFF* tiff) {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits = 1;
    std::uint16_t photometric = 0xFFFF;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    const std::uint64_t scanlineSize = TIFFScanlineSize64(tiff);
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8)
        RaiseDecoderError(kErrUnsupported, "Unsupported TIFF bits per sample.");

    const int target = bits == 1 ? 1 : 8;
    if (bpp != 0 && bpp != target)
        RaiseDecoderError(kErrUnsupported, "TIFF decoder: Unsupported bits per pixel requested.");
    bpp = target;
    bitmap.Create(static_cast<int>(std::min<std::uint32_t>(width, 1u << 30)),
                  static_cast<int>(std::min<std::uint32_t>(height, 1u << 30)), target, false);
    const int entries = 1 << bits;
    work.assign(256, RGBQUAD{});
    std::vector<BYTE> scanline;
    try {
        scanline.resize(static_cast<std::size_t>(scanlineSize));
    } catch (const std::bad_alloc&) {
        RaiseDecoderError(kErrOutOfMemory, "Out of memory allocating TIFF buffer.");
    }
    if (scanline.empty())
        RaiseDecoderError(kErrUnsupported, "TIFF decoder: Empty scan lines.");

    if (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) {
        const int step = 255 / (entries - 1);
        for (int i = 0; i < entries; ++i) {
            const int level = photometric == PHOTOMETRIC_MINISBLACK ? i : entries - 1 - i;
            const BYTE grey = static_cast<BYTE>(level * step);
            work[i] = RGBQUAD{grey, grey, grey, 255};
        }
    } else if (photometric == PHOTOMETRIC_PALETTE) {
        std::uint16_t* red = nullptr;
        std::uint16_t* green = nullptr;
        std::uint16_t* blue = nullptr;
        if (TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue) != 0) {
            bool wide = false;
            for (int i = 0; i < entries; ++i)
                wide = wide || red[i] >= 256 || green[i] >= 256 || blue[i] >= 256;
            auto level = [wide](std::uint16_t v) {
                return static_cast<BYTE>(wide ? v * 255 / 65535 : v);
            };
            for (int i = 0; i < entries; ++i)
                work[i] = RGBQUAD{level(blue[i]), level(green[i]), level(red[i]), 255};
        }
    } else {
        DecoderTrace(2, "unexpected PhotometricInterpretation in CTIFFDecoder::DoLoColor()");
    }

    CBitmapWriteLock lock(bitmap);
    const std::size_t rowBytes = static_cast<std::size_t>(bitmap.GetBytesPerLine());
    for (int row = 0; row < bitmap.GetHeight(); ++row) {
        source.CheckTimeBudget();
        BYTE* out = bitmap.GetLineArray()[row];
        if (TIFFReadScanline(tiff, scanline.data(), static_cast<std::uint32_t>(row), 0) < 0) {
            if (row < bitmap.GetHeight() / 3)
                RaiseDecoderError(kErrCorrupt, MemoryOf(tiff).message);
            continue;
        }
        if (bits == 2 || bits == 4) {
            // One pixel per byte, the high bits first.
            const int perByte = 8 / bits;
            for (int x = 0;
                 x < bitmap.GetWidth() && static_cast<std::size_t>(x / perByte) < scanline.size();
                 ++x)
                out[x] = static_cast<BYTE>(
                    (scanline[x / perByte] >> (8 - bits * (1 + x % perByte))) & (entries - 1));
        } else {
            std::memcpy(out, scanline.data(), std::min(scanline.size(), rowBytes));
        }
    }
    bitmap.SetPalette(work.data());
}
