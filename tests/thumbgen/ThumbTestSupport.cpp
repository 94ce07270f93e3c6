#include "ThumbTestSupport.h"

#include <gif_lib.h>
#include <png.h>
#include <tiffio.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>

#include "ThumbGenerator/TextException.h"
#include "ThumbGenerator/ThumbGenerator.h"
#include "support/TempHome.h"

// jpeglib.h after our TRUE and FALSE (see JpegLibrary.h).
#include <jpeglib.h>

namespace thumbtest {

Bytes& Bytes::U8(int value) {
    m_data.push_back(static_cast<char>(value & 0xFF));
    return *this;
}

Bytes& Bytes::Le16(int value) {
    return U8(value).U8(value >> 8);
}

Bytes& Bytes::Le32(std::uint32_t value) {
    return Le16(static_cast<int>(value & 0xFFFF)).Le16(static_cast<int>(value >> 16));
}

Bytes& Bytes::Be16(int value) {
    return U8(value >> 8).U8(value);
}

Bytes& Bytes::Be32(std::uint32_t value) {
    return Be16(static_cast<int>(value >> 16)).Be16(static_cast<int>(value & 0xFFFF));
}

Bytes& Bytes::Text(const std::string& text) {
    m_data += text;
    return *this;
}

Bytes& Bytes::Zeros(std::size_t count) {
    m_data.append(count, '\0');
    return *this;
}

void DecodeBytes(CImageDecoder& decoder, const std::string& bytes, Decoded& result,
                 const std::string& name) {
    try {
        decoder.DecodeMemory(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size(), name,
                             result.bitmap, 0);
        result.code = 0;
    } catch (const CTextException& e) {
        result.code = e.GetCode();
        result.text = e.GetText();
    }
}

std::uint32_t Pixel(const CImageBitmap& bitmap, int x, int y) {
    const BYTE* row = bitmap.GetLineArray()[y];
    RGBQUAD colour;
    switch (bitmap.GetBitsPerPixel()) {
        case 1:
            colour = bitmap.GetPalette()[(row[x / 8] >> (7 - x % 8)) & 1];
            break;
        case 8:
            colour = bitmap.GetPalette()[row[x]];
            break;
        default:
            colour = RGBQUAD{row[4 * x], row[4 * x + 1], row[4 * x + 2], row[4 * x + 3]};
            break;
    }
    return static_cast<std::uint32_t>(colour.rgbRed) << 16 | colour.rgbGreen << 8 | colour.rgbBlue;
}

// ---------------------------------------------------------------------------
// Library writers

namespace {

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), length);
}

void PngFlush(png_structp) {}

int GifWrite(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

ColorMapObject* MakeColourMap(const std::vector<std::uint32_t>& colours) {
    int size = 2;
    while (size < static_cast<int>(colours.size()))
        size *= 2;
    std::vector<GifColorType> entries(size, GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < colours.size(); ++i)
        entries[i] = GifColorType{static_cast<GifByteType>(colours[i] >> 16),
                                  static_cast<GifByteType>(colours[i] >> 8),
                                  static_cast<GifByteType>(colours[i])};
    return GifMakeMapObject(size, entries.data());
}

}  // namespace

std::string EncodePng(int width, int height, int colourType, int bitDepth,
                      const PixelFunction& pixel, int alpha) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    png_set_IHDR(png, info, width, height, bitDepth, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        // Palette entry i is the colour the pixel function gives for x = i.
        for (int i = 0; i < (1 << bitDepth); ++i) {
            const std::uint32_t c = pixel(i, -1);
            palette.push_back(png_color{static_cast<png_byte>(c >> 16),
                                        static_cast<png_byte>(c >> 8), static_cast<png_byte>(c)});
        }
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    }
    png_write_info(png, info);
    const int channels = colourType == PNG_COLOR_TYPE_RGB          ? 3
                         : colourType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                         : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                   : 1;
    const int bytesPerSample = bitDepth == 16 ? 2 : 1;
    std::vector<png_byte> row(static_cast<std::size_t>(width) * channels * bytesPerSample + 8);
    for (int y = 0; y < height; ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = pixel(x, y);
            int samples[4] = {static_cast<int>(c >> 16 & 0xFF), static_cast<int>(c >> 8 & 0xFF),
                              static_cast<int>(c & 0xFF), alpha};
            if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
                samples[1] = alpha;
            if (bitDepth < 8) {
                // Packed: the pixel function gives the sample value itself.
                const int perByte = 8 / bitDepth;
                row[x / perByte] |= static_cast<png_byte>((c & ((1 << bitDepth) - 1))
                                                          << (8 - bitDepth * (1 + x % perByte)));
                continue;
            }
            for (int s = 0; s < channels; ++s) {
                const int value =
                    colourType == PNG_COLOR_TYPE_PALETTE ? static_cast<int>(c) : samples[s];
                if (bytesPerSample == 2) {
                    row[(x * channels + s) * 2] = static_cast<png_byte>(value);
                    row[(x * channels + s) * 2 + 1] = static_cast<png_byte>(value);
                } else {
                    row[x * channels + s] = static_cast<png_byte>(value);
                }
            }
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::string EncodeJpeg(int width, int height, int components, const PixelFunction& pixel,
                       bool progressive) {
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * components);
    while (info.next_scanline < info.image_height) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = pixel(x, static_cast<int>(info.next_scanline));
            if (components == 1) {
                row[x] = static_cast<JSAMPLE>(c >> 16);
            } else {
                row[3 * x] = static_cast<JSAMPLE>(c >> 16);
                row[3 * x + 1] = static_cast<JSAMPLE>(c >> 8);
                row[3 * x + 2] = static_cast<JSAMPLE>(c);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}

std::string EncodeGif(int width, int height, const std::vector<std::uint32_t>& globalColours,
                      const std::vector<GifImage>& images, int background) {
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, GifWrite, &error);
    ColorMapObject* global = globalColours.empty() ? nullptr : MakeColourMap(globalColours);
    EGifPutScreenDesc(gif, width, height, 8, background, global);
    for (const GifImage& image : images) {
        ColorMapObject* local = image.colours.empty() ? nullptr : MakeColourMap(image.colours);
        EGifPutImageDesc(gif, image.left, image.top, image.width, image.height, image.interlaced,
                         local);
        // Interlaced rows are written in the order of the four passes.
        static const int kStart[] = {0, 4, 2, 1};
        static const int kStep[] = {8, 8, 4, 2};
        std::vector<int> order;
        if (image.interlaced) {
            for (int pass = 0; pass < 4; ++pass)
                for (int y = kStart[pass]; y < image.height; y += kStep[pass])
                    order.push_back(y);
        } else {
            for (int y = 0; y < image.height; ++y)
                order.push_back(y);
        }
        for (int y : order) {
            std::vector<GifPixelType> line(image.indices.begin() + y * image.width,
                                           image.indices.begin() + (y + 1) * image.width);
            EGifPutLine(gif, line.data(), image.width);
        }
        if (local != nullptr)
            GifFreeMapObject(local);
    }
    EGifCloseFile(gif, &error);
    if (global != nullptr)
        GifFreeMapObject(global);
    return out;
}

std::string EncodeTiff(int width, int height, int bitsPerSample, int samplesPerPixel,
                       int photometric, const std::vector<std::uint8_t>& packedRows,
                       const std::vector<std::uint16_t>& colourMap, int rowsPerStrip,
                       int orientation) {
    const std::string path = zbtest::MakeTempDir("tiff") + "/picture.tif";
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bitsPerSample);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samplesPerPixel);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, orientation);
    if (!colourMap.empty()) {
        const std::size_t n = colourMap.size() / 3;
        TIFFSetField(tiff, TIFFTAG_COLORMAP, colourMap.data(), colourMap.data() + n,
                     colourMap.data() + 2 * n);
    }
    const std::size_t rowBytes = packedRows.size() / static_cast<std::size_t>(height);
    for (int y = 0; y < height; ++y)
        TIFFWriteScanline(tiff, const_cast<std::uint8_t*>(packedRows.data()) + rowBytes * y,
                          static_cast<std::uint32_t>(y), 0);
    TIFFClose(tiff);
    return ReadFileBytes(path);
}

// ---------------------------------------------------------------------------
// Files and the export

std::string WriteTemp(const std::string& name, const std::string& bytes) {
    return zbtest::WriteFile(zbtest::MakeTempDir("thumb") + "/" + name, bytes);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Thumbnail Generate(const std::string& path, int maxWidth, int maxHeight) {
    Thumbnail thumbnail;
    HBITMAP bitmap = nullptr;
    thumbnail.result = GenerateThumbnail(path.c_str(), maxWidth, maxHeight, &bitmap);
    if (thumbnail.result != 0 && bitmap != nullptr) {
        thumbnail.width = bitmap->width;
        thumbnail.height = bitmap->height;
        for (int y = 0; y < bitmap->height; ++y) {
            const auto* row =
                reinterpret_cast<const std::uint32_t*>(bitmap->bits + y * bitmap->stride);
            for (int x = 0; x < bitmap->width; ++x)
                thumbnail.pixels.push_back(row[x] & 0xFFFFFF);
        }
        DeleteObject(bitmap);
    }
    return thumbnail;
}

std::vector<std::string> CaptureTraces(const std::function<void()>& action) {
    std::vector<std::string> lines;
    std::mutex lock;
    SetThumbTraceSink([&](const std::string& line) {
        std::lock_guard<std::mutex> guard(lock);
        lines.push_back(line);
    });
    action();
    SetThumbTraceSink(nullptr);
    return lines;
}

bool Near(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift = 0; shift <= 16; shift += 8) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) -
                     static_cast<int>((b >> shift) & 0xFF)) > tolerance)
            return false;
    }
    return true;
}

}  // namespace thumbtest
