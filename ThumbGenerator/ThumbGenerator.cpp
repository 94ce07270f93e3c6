#include "ThumbGenerator/ThumbGenerator.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "ThumbGenerator/GIFDecoder.h"
#include "ThumbGenerator/ImageBitmap.h"
#include "ThumbGenerator/ImageDecoder.h"
#include "ThumbGenerator/JPEGDecoder.h"
#include "ThumbGenerator/JpegLibrary.h"
#include "ThumbGenerator/MetafileDecoder.h"
#include "ThumbGenerator/PCXDecoder.h"
#include "ThumbGenerator/PGMDecoder.h"
#include "ThumbGenerator/PICTDecoder.h"
#include "ThumbGenerator/PNGDecoder.h"
#include "ThumbGenerator/TGADecoder.h"
#include "ThumbGenerator/TIFFDecoder.h"
#include "ThumbGenerator/TextException.h"
#include "platform/ByteReader.h"
#include "platform/InputFile.h"
#include "platform/Log.h"
#include "platform/PathUtils.h"
#include "platform/TextCase.h"

namespace {

constexpr const char* kTraceFormat = "error filename: %s  line: %d";
constexpr const char* kSourceFile = "ThumbGenerator.cpp";

// Trace lines of the failures, by the line numbers the traces carry.
enum : int {
    kTraceEmptyFile = 117,
    kTraceNoMemory = 124,
    kTraceLoaderRefused = 140,
    kTraceRenderFailed = 169,
    kTraceEmptyJpeg = 228,
    kTraceNoDot = 332,
    kTraceUnknownExtension = 411,
    kTraceNoFile = 465,
};

// Longest file the picture loader reads.
constexpr std::int64_t kMaxLoaderFileSize = 256 * 1024 * 1024;
// A GIF's signature and screen descriptor.
constexpr qsizetype kGifHeaderSize = 13;
// Longest extension kept (the routing table's are far shorter).
constexpr std::size_t kExtensionBuffer = 260;
// The picture loader's formats (a reader found by its content alone, as the
// icon reader is, names none).
constexpr const char* kLoaderFormats[] = {"", "bmp", "ico", "cur", "gif", "jpeg", "jpg"};

std::mutex g_sinkLock;
std::function<void(const std::string&)> g_sink;

void Trace(int line) {
    ThumbTraceError(kTraceFormat, kSourceFile, line);
}

struct BitmapDeleter {
    void operator()(ZBBITMAP* bitmap) const { DeleteObject(bitmap); }
};
using BitmapHolder = std::unique_ptr<ZBBITMAP, BitmapDeleter>;

// The pixels of a bitmap handle as an image to paint on.
QImage ImageOf(HBITMAP bitmap) {
    return QImage(bitmap->bits, bitmap->width, bitmap->height, bitmap->stride,
                  QImage::Format_RGB32);
}

class CFileDescriptor {
public:
    explicit CFileDescriptor(int fd) : m_fd(fd) {}
    ~CFileDescriptor() {
        if (m_fd >= 0)
            close(m_fd);
    }
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// Decodes with `decoder` and draws the picture into a new bitmap of the
// fitted size, pixel for pixel (no halftoning).
int RenderWithDecoder(CImageDecoder& decoder, const char* path, int maxWidth, int maxHeight,
                      HBITMAP* out) {
    CDrawDibBitmap bitmap;
    decoder.DecodeFile(path, bitmap, 0, nullptr);
    const QSize fitted =
        FitThumbnailBox(QSize(maxWidth, maxHeight), QSize(bitmap.GetWidth(), bitmap.GetHeight()));
    BitmapHolder result(CreateBitmap32(fitted.width(), fitted.height()));
    if (!result)
        return 0;
    QImage target = ImageOf(result.get());
    {
        QPainter painter(&target);
        const QRect destination(0, 0, fitted.width(), fitted.height());
        const QRect source(0, 0, bitmap.GetWidth(), bitmap.GetHeight());
        bitmap.StretchDraw(painter, &destination, &source, nullptr, true, -1);
    }
    *out = result.release();
    return 1;
}

bool IsLoaderFormat(const QByteArray& format) {
    for (const char* name : kLoaderFormats) {
        if (format == name)
            return true;
    }
    return false;
}

// The size of the picture the loader's read() gives, checked against the
// file before anything is read; invalid when the file cannot back it. A GIF
// picture is its whole screen (the reader's size() is its first image's),
// which the image data behind the screen descriptor must be able to fill.
QSize LoaderPictureSize(QImageReader& reader, const QByteArray& bytes) {
    if (reader.format() == "gif") {
        if (bytes.size() < kGifHeaderSize)
            return QSize();
        const auto* header = reinterpret_cast<const BYTE*>(bytes.constData());
        const QSize screen(zb::LoadLe16(header + 6), zb::LoadLe16(header + 8));
        const std::uint64_t pixels = static_cast<std::uint64_t>(screen.width()) * screen.height();
        const std::uint64_t dataBytes = static_cast<std::uint64_t>(bytes.size()) - kGifHeaderSize;
        return pixels <= dataBytes * kMaxLzwExpansion ? screen : QSize();
    }
    // A bitmap stored top-down reports a negative height.
    const QSize size = reader.size();
    return QSize(size.width(), std::abs(size.height()));
}

// Draws `image` (of any size) scaled smoothly into a new bitmap of `fitted`
// on black, as a fresh screen bitmap starts.
int DrawInto(const QImage& image, QSize fitted, HBITMAP* out) {
    BitmapHolder result(CreateBitmap32(fitted.width(), fitted.height()));
    if (!result)
        return 0;
    QImage target = ImageOf(result.get());
    target.fill(Qt::black);
    {
        QPainter painter(&target);
        if (image.size() == fitted)
            painter.drawImage(0, 0, image);
        else
            painter.drawImage(
                0, 0, image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    *out = result.release();
    return 1;
}

// The libjpeg steps of JpegFileToRGB over an open decompressor.
bool DecodeJpegRows(CJpegDecompressor& jpeg, QSize box, JpegPixels& pixels) {
    jpeg_decompress_struct& info = jpeg.Info();
    if (!jpeg.ReadHeader())
        return false;
    pixels.fullWidth = static_cast<int>(std::min<JDIMENSION>(info.image_width, INT32_MAX));
    pixels.fullHeight = static_cast<int>(std::min<JDIMENSION>(info.image_height, INT32_MAX));
    if (pixels.fullWidth < 1 || pixels.fullHeight < 1)
        return true;  // nothing to read; the caller traces the empty picture
    if (pixels.fullWidth > kMaxBitmapSide || pixels.fullHeight > kMaxBitmapSide ||
        std::int64_t{pixels.fullWidth} * pixels.fullHeight > kMaxBitmapPixels)
        return false;
    if (box.isValid()) {
        // Decode at 1/8, 1/4 or 1/2 while that still covers the fitted size.
        const QSize fitted = FitThumbnailBox(box, QSize(pixels.fullWidth, pixels.fullHeight));
        for (int denominator : {8, 4, 2}) {
            if ((pixels.fullWidth + denominator - 1) / denominator >= fitted.width() &&
                (pixels.fullHeight + denominator - 1) / denominator >= fitted.height()) {
                info.scale_num = 1;
                info.scale_denom = static_cast<unsigned>(denominator);
                break;
            }
        }
    }
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    if (!jpeg.Start())
        return false;
    pixels.width = static_cast<int>(info.output_width);
    pixels.height = static_cast<int>(info.output_height);
    const std::size_t width = info.output_width;
    pixels.rgb.resize(width * info.output_height * 3);
    std::vector<BYTE> line(width * 4);
    std::vector<BYTE> bgrx(width * 4);
    for (JDIMENSION y = 0; y < info.output_height; ++y) {
        BYTE* row = pixels.rgb.data() + width * 3 * y;
        JSAMPROW target = grey || cmyk ? line.data() : row;
        if (!jpeg.ReadRows(&target, 1))
            return false;
        if (grey) {
            for (std::size_t x = 0; x < width; ++x)
                row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = line[x];
        } else if (cmyk) {
            jpeg.CmykToBgrx(line.data(), bgrx.data(), width);
            for (std::size_t x = 0; x < width; ++x) {
                row[3 * x] = bgrx[4 * x + 2];
                row[3 * x + 1] = bgrx[4 * x + 1];
                row[3 * x + 2] = bgrx[4 * x];
            }
        }
    }
    return jpeg.Finish();
}

}  // namespace

void ThumbTraceError(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(g_sinkLock);
    if (g_sink)
        g_sink(std::string(buffer) + "\r\n");
    else
        DebugTrace("%s", buffer);
}

void SetThumbTraceSink(std::function<void(const std::string&)> sink) {
    std::lock_guard<std::mutex> lock(g_sinkLock);
    g_sink = std::move(sink);
}

QSize FitThumbnailBox(QSize box, QSize image) {
    const int W = box.width();
    const int H = box.height();
    const int w = image.width();
    const int h = image.height();
    if (W < 1 || H < 1 || w < 1 || h < 1)
        return QSize(std::max(1, std::min(w, W)), std::max(1, std::min(h, H)));
    if (static_cast<double>(h) / H >= static_cast<double>(w) / W) {
        if (h > H)
            return QSize(std::max(1, static_cast<int>(static_cast<double>(H) / h * w)), H);
        return image;
    }
    if (w > W)
        return QSize(W, std::max(1, static_cast<int>(static_cast<double>(W) / w * h)));
    return image;
}

std::int64_t GetStreamFileSize(int fd) {
    if (fd < 0) {
        Trace(kTraceNoFile);
        return 0;
    }
    struct stat status;
    return fstat(fd, &status) == 0 ? static_cast<std::int64_t>(status.st_size) : 0;
}

int RenderWithOlePicture(const char* path, int maxWidth, int maxHeight, HBITMAP* out) {
    const CFileDescriptor file(zb::OpenRegularFile(path));
    if (file.Get() < 0)
        return 0;
    const std::int64_t length = GetStreamFileSize(file.Get());
    if (length == 0) {
        Trace(kTraceEmptyFile);
        return 0;
    }
    if (length > kMaxLoaderFileSize) {
        Trace(kTraceNoMemory);
        return 0;
    }
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(length));
    if (zb::ReadRetrying(file.Get(), bytes.data(), static_cast<std::size_t>(length), 0) != length) {
        Trace(kTraceLoaderRefused);
        return 0;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(static_cast<int>(kMaxBitmapPixels * 4 / (1024 * 1024)));
    // The reader is asked whether it can read before anything else moves it.
    if (!reader.canRead() || !IsLoaderFormat(reader.format())) {
        Trace(kTraceLoaderRefused);
        return 0;
    }
    const QSize size = LoaderPictureSize(reader, bytes);
    if (!size.isValid() || size.width() > kMaxBitmapSide || size.height() > kMaxBitmapSide ||
        std::int64_t{size.width()} * size.height() > kMaxBitmapPixels) {
        Trace(kTraceLoaderRefused);
        return 0;
    }
    const QSize box(maxWidth, maxHeight);
    const QSize fitted = FitThumbnailBox(box, size);
    if (fitted != size)
        reader.setScaledSize(fitted);
    const QImage image = reader.read();
    if (image.isNull()) {
        Trace(kTraceRenderFailed);
        return 0;
    }
    return DrawInto(image, FitThumbnailBox(box, image.size()), out);
}

JpegPixels JpegFileToRGB(const char* path, QSize box) {
    JpegPixels pixels;
    const int fd = zb::OpenRegularFile(path);
    if (fd < 0)
        return pixels;
    std::unique_ptr<FILE, int (*)(FILE*)> file(fdopen(fd, "rb"), &std::fclose);
    if (!file) {
        close(fd);
        return pixels;
    }
    CJpegDecompressor jpeg(std::chrono::steady_clock::now() + CImageSource::kTimeLimit, nullptr);
    pixels.decoded = jpeg.SetFileSource(file.get()) && DecodeJpegRows(jpeg, box, pixels);
    if (!pixels.decoded)
        pixels.rgb.clear();
    return pixels;
}

int RenderJpegThumbnail(const char* path, int maxWidth, int maxHeight, HBITMAP* out) {
    if (RenderWithOlePicture(path, maxWidth, maxHeight, out) != 0)
        return 1;
    const JpegPixels pixels = JpegFileToRGB(path, QSize(maxWidth, maxHeight));
    if (!pixels.decoded)
        return 0;
    if (pixels.width < 1 || pixels.height < 1) {
        Trace(kTraceEmptyJpeg);
        return 0;
    }
    const QImage image(pixels.rgb.data(), pixels.width, pixels.height, pixels.width * 3,
                       QImage::Format_RGB888);
    return DrawInto(
        image,
        FitThumbnailBox(QSize(maxWidth, maxHeight), QSize(pixels.fullWidth, pixels.fullHeight)),
        out);
}

int GenerateThumbnail(const char* path, int maxWidth, int maxHeight, HBITMAP* out) noexcept {
    if (out == nullptr)
        return 0;
    *out = nullptr;
    try {
        if (path == nullptr || maxWidth < 1 || maxHeight < 1)
            return 0;
        const char* extensionText = GetFileExtension(path);
        if (extensionText == nullptr) {
            Trace(kTraceNoDot);
            return 0;
        }
        const std::size_t length = std::strlen(extensionText);
        const std::string extension =
            length < kExtensionBuffer ? LowerCaseUtf8(extensionText) : std::string();
        const auto is = [&extension](std::initializer_list<const char*> names) {
            for (const char* name : names) {
                if (extension == name)
                    return true;
            }
            return false;
        };
        if (is({"jpg", "jpeg"}))
            return RenderJpegThumbnail(path, maxWidth, maxHeight, out);
        if (is({"gif"})) {
            if (RenderWithOlePicture(path, maxWidth, maxHeight, out) != 0)
                return 1;
            CGIFDecoder decoder;
            return RenderWithDecoder(decoder, path, maxWidth, maxHeight, out);
        }
        if (is({"bmp", "dib", "rle", "ico"}))
            return RenderWithOlePicture(path, maxWidth, maxHeight, out);
        if (is({"png"})) {
            CPNGDecoder decoder;
            return RenderWithDecoder(decoder, path, maxWidth, maxHeight, out);
        }
        if (is({"tif", "tiff"})) {
            CTIFFDecoder decoder;
            return RenderWithDecoder(decoder, path, maxWidth, maxHeight, out);
        }
        if (is({"pic", "pct", "pict"})) {
            CJPEGDecoder jpeg;
            CPICTDecoder decoder(&jpeg);
            return RenderWithDecoder(decoder, path, maxWidth, maxHeight, out);
        }
        if (is({"pcx"})) {
            CPCXDecoder decoder;
            return RenderWithDecoder(decoder, path, maxWidth, maxHeight, out);
        }
        if (is({"tga"})) {
            CTGADecoder decoder;
            return RenderWithDecoder(decoder, path, maxWidth, maxHeight, out);
        }
        if (is({"pgm"})) {
            CPGMDecoder decoder;
            return RenderWithDecoder(decoder, path, maxWidth, maxHeight, out);
        }
        if (is({"wmf", "emf"})) {
            CMetafileDecoder decoder;
            return RenderWithDecoder(decoder, path, maxWidth, maxHeight, out);
        }
        Trace(kTraceUnknownExtension);
        return 0;
    } catch (...) {
        DeleteObject(*out);
        *out = nullptr;
        return 0;
    }
}
