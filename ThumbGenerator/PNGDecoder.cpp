#include "ThumbGenerator/PNGDecoder.h"

#include <png.h>

#include <cstring>

#include "ThumbGenerator/TextException.h"
#include "platform/BitmapImage.h"

namespace {

// What libpng's callbacks need. A failure is recorded here and libpng's
// error jump taken from a frame that holds nothing to destroy.
struct PngContext {
    CImageSource* source;
    char message[256];
};

void ReadData(png_structp png, png_bytep out, png_size_t count) {
    auto* context = static_cast<PngContext*>(png_get_io_ptr(png));
    if (context->source->IsPastDeadline())
        png_error(png, "Decoding took too long.");
    const BYTE* data = context->source->TakeBytes(count);
    if (data == nullptr)
        png_error(png, "End of file reached while decoding.");
    std::memcpy(out, data, count);
}

void Error(png_structp png, png_const_charp message) {
    auto* context = static_cast<PngContext*>(png_get_error_ptr(png));
    std::strncpy(context->message, message, sizeof(context->message) - 1);
    context->message[sizeof(context->message) - 1] = '\0';
    png_longjmp(png, 1);
}

void Warning(png_structp, png_const_charp) {}

// The two libpng steps; false after a libpng error.
bool ReadHeader(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    return true;
}

bool ReadImage(png_structp png, png_infop info, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

bool SetTransforms(png_structp png, png_infop info, int colourType, int bitDepth, bool bgrFill) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
        png_set_expand(png);
    }
    if (bgrFill) {
        png_set_bgr(png);
        if (colourType == PNG_COLOR_TYPE_RGB)
            png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    if (bitDepth == 16)
        png_set_strip_16(png);
    if (bitDepth < 8)
        png_set_packing(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

class CPngReadStruct {
public:
    explicit CPngReadStruct(PngContext& context) {
        m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, Error, Warning);
        if (m_png != nullptr)
            m_info = png_create_info_struct(m_png);
    }
    ~CPngReadStruct() {
        png_destroy_read_struct(&m_png, m_info != nullptr ? &m_info : nullptr, nullptr);
    }
    CPngReadStruct(const CPngReadStruct&) = delete;
    CPngReadStruct& operator=(const CPngReadStruct&) = delete;

    png_structp Png() const { return m_png; }
    png_infop Info() const { return m_info; }

private:
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

}  // namespace

void CPNGDecoder::DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>&, int& bpp,
                           CImageSource& source) {
    PngContext context{&source, {}};
    CPngReadStruct read(context);
    if (read.Png() == nullptr || read.Info() == nullptr)
        RaiseDecoderError(kErrOutOfMemory, "Out of memory creating the PNG reader.");
    png_structp png = read.Png();
    png_infop info = read.Info();
    png_set_read_fn(png, &context, ReadData);
    png_set_user_limits(png, kMaxBitmapSide, kMaxBitmapSide);
    png_set_chunk_malloc_max(png, 16 * 1024 * 1024);
    // No chunk but the header, palette, transparency and image data is used:
    // libpng passes over the others (reading them in small pieces) instead of
    // making a buffer of the length a chunk declares.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    if (!ReadHeader(png, info))
        RaiseDecoderError(kErrUnsupported, context.message);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    const int colourType = png_get_color_type(png, info);
    // The image data behind the header must be able to inflate to the samples.
    const std::uint64_t rowBits =
        std::uint64_t{width} * png_get_channels(png, info) * static_cast<std::uint64_t>(bitDepth);
    source.RequireCompressedBytes((rowBits + 7) / 8 * height, kMaxDeflateExpansion);
    const bool alpha =
        colourType == PNG_COLOR_TYPE_GRAY_ALPHA || colourType == PNG_COLOR_TYPE_RGB_ALPHA;
    const bool eightBit = colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_PALETTE;
    ChooseTargetBpp(eightBit ? 8 : 32, bpp);
    if (bpp != (eightBit ? 8 : 32))
        RaiseDecoderError(kErrUnsupported, "PNG decoder: Unsupported bits per pixel requested.");
    bitmap.Create(static_cast<int>(width), static_cast<int>(height), bpp, alpha);

    if (colourType == PNG_COLOR_TYPE_GRAY) {
        // A ramp over the values an 8-bit (or stripped 16-bit) sample can take.
        const int entries = 1 << (bitDepth < 8 ? bitDepth : 8);
        RGBQUAD palette[256] = {};
        for (int i = 0; i < entries; ++i) {
            const BYTE grey = static_cast<BYTE>(i * 255 / (entries - 1));
            palette[i] = RGBQUAD{grey, grey, grey, 255};
        }
        bitmap.SetPalette(palette);
    } else if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp entries = nullptr;
        int count = 0;
        RGBQUAD palette[256] = {};
        if (png_get_PLTE(png, info, &entries, &count) != 0) {
            for (int i = 0; i < count && i < 256; ++i)
                palette[i] = RGBQUAD{entries[i].blue, entries[i].green, entries[i].red, 255};
        }
        bitmap.SetPalette(palette);
    }
    if (!SetTransforms(png, info, colourType, bitDepth, !eightBit))
        RaiseDecoderError(kErrUnsupported, context.message);
    if (png_get_rowbytes(png, info) > static_cast<png_size_t>(bitmap.GetBytesPerLine()))
        RaiseDecoderError(kErrUnsupported, "PNG decoder: Unexpected row size.");

    CBitmapWriteLock lock(bitmap);
    if (!ReadImage(png, info, bitmap.GetLineArray()))
        RaiseDecoderError(kErrUnsupported, context.message);
}
