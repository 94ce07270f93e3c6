#include "ThumbGenerator/MetafileDecoder.h"

#include <QImage>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ThumbGenerator/EmfPlayer.h"
#include "ThumbGenerator/MetafileCanvas.h"
#include "ThumbGenerator/MetafileRecord.h"
#include "ThumbGenerator/TextException.h"
#include "ThumbGenerator/WmfPlayer.h"

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableSize = 22;
constexpr const char* kLoadFailed = "Windows Metafile functions failed to load this image.";

// A size below 1 on either side becomes 320 x 200's side; a size over the
// limit is scaled down keeping its shape.
QSize UsableSize(double width, double height) {
    if (!std::isfinite(width) || width < 1)
        width = 320;
    if (!std::isfinite(height) || height < 1)
        height = 200;
    const double scale = std::min(1.0, CMetafileDecoder::kMaxSide / std::max(width, height));
    return QSize(std::max(1, static_cast<int>(width * scale)),
                 std::max(1, static_cast<int>(height * scale)));
}

bool ContainsEmf(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name.find(".EMF") != std::string::npos;
}

// Plays an enhanced metafile onto a new white image of its natural size; the
// palette stored with it, if any, goes to `palette`.
QImage PlayEnhanced(const BYTE* data, std::size_t size, const CImageSource& source,
                    std::vector<RGBQUAD>& palette) {
    EmfHeader header;
    if (!CEmfPlayer::ReadHeader(data, size, header))
        RaiseDecoderError(kErrCannotHandle, kLoadFailed);
    // The frame (0.01 mm) in pixels of the reference device.
    const double mmX = header.millimetres.width();
    const double mmY = header.millimetres.height();
    const double perMmX = mmX > 0 ? header.device.width() / mmX : 0;
    const double perMmY = mmY > 0 ? header.device.height() / mmY : 0;
    QRectF frame(
        QPointF(header.frame.left() * perMmX / 100, header.frame.top() * perMmY / 100),
        QPointF(header.frame.right() * perMmX / 100, header.frame.bottom() * perMmY / 100));
    const QSize pictureSize = UsableSize(frame.width(), frame.height());
    if (frame.width() < 1 || frame.height() < 1 || !frame.isValid())
        frame = QRectF(header.bounds).normalized();
    if (frame.width() < 1 || frame.height() < 1)
        frame = QRectF(0, 0, pictureSize.width(), pictureSize.height());

    QImage image(pictureSize, QImage::Format_RGB32);
    if (image.isNull())
        throw CTextException(kErrOutOfMemory, "Cannot allocate memory bitmap.");
    image.fill(Qt::white);
    {
        CMetafileCanvas canvas(image);
        canvas.SetReferenceResolution(perMmX, perMmY);
        canvas.SetDeviceTransform(QTransform(pictureSize.width() / frame.width(), 0, 0,
                                             pictureSize.height() / frame.height(),
                                             -frame.left() * pictureSize.width() / frame.width(),
                                             -frame.top() * pictureSize.height() / frame.height()));
        if (!CEmfPlayer(data, size, source).Play(canvas))
            RaiseDecoderError(kErrCorrupt, "Corrupt metafile record.");
    }
    if (header.paletteEntries >= 1 && header.paletteEntries <= 255)
        palette = CEmfPlayer::ReadPalette(data, size);
    return image;
}

// Plays a Windows metafile (behind its placeable header, if it has one) onto
// a new white image of its natural size.
QImage PlayWindows(const BYTE* data, std::size_t size, const CImageSource& source) {
    const CMetafileRecord head(data, size);
    std::optional<QRectF> window;
    QSize pictureSize;
    if (head.U32(0) == kPlaceableKey) {
        if (size < kPlaceableSize)
            RaiseDecoderError(kErrCannotHandle, kLoadFailed);
        const QRectF box(QPointF(head.I16(6), head.I16(8)), QPointF(head.I16(10), head.I16(12)));
        const double unitsPerInch = head.U16(14);
        window = box;
        pictureSize = unitsPerInch > 0
                          ? UsableSize(box.width() * CMetafileDecoder::kDotsPerInch / unitsPerInch,
                                       box.height() * CMetafileDecoder::kDotsPerInch / unitsPerInch)
                          : UsableSize(0, 0);
        data += kPlaceableSize;
        size -= kPlaceableSize;
    }
    if (!CWmfPlayer::IsWinMetafile(data, size))
        RaiseDecoderError(kErrCannotHandle, kLoadFailed);
    if (!window) {
        window = CWmfPlayer::FindWindow(data, size);
        pictureSize = window ? UsableSize(std::abs(window->width()), std::abs(window->height()))
                             : UsableSize(0, 0);
    }

    QImage image(pictureSize, QImage::Format_RGB32);
    if (image.isNull())
        throw CTextException(kErrOutOfMemory, "Cannot allocate memory bitmap.");
    image.fill(Qt::white);
    CMetafileCanvas canvas(image);
    canvas.SetMapMode(MM_ANISOTROPIC);
    canvas.SetViewportExt(QSizeF(pictureSize.width(), pictureSize.height()));
    if (window) {
        canvas.SetWindowOrg(window->topLeft());
        canvas.SetWindowExt(window->size());
    } else {
        canvas.SetWindowExt(QSizeF(pictureSize.width(), pictureSize.height()));
    }
    if (!CWmfPlayer(data, size, source).Play(canvas))
        RaiseDecoderError(kErrCorrupt, "Corrupt metafile record.");
    return image;
}

}  // namespace

void CMetafileDecoder::DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                                CImageSource& source) {
    const bool enhanced = ContainsEmf(source.GetName());
    const BYTE* data = source.GetCurrentPtr();
    const std::size_t size = source.GetBytesLeft();
    const QImage image =
        enhanced ? PlayEnhanced(data, size, source, work) : PlayWindows(data, size, source);

    const bool paletted = !work.empty();
    if (bpp != 0 && bpp != (paletted ? 8 : 32))
        RaiseDecoderError(kErrUnsupported,
                          "Metafile decoder: Unsupported bits per pixel requested.");
    bpp = paletted ? 8 : 32;
    bitmap.Create(image.width(), image.height(), bpp, !paletted);
    CBitmapWriteLock lock(bitmap);
    if (paletted) {
        // The picture in the colours of the metafile's palette (the rest of
        // the 256 entries black).
        work.resize(256, RGBQUAD{0, 0, 0, 255});
        QVector<QRgb> colours;
        for (const RGBQUAD& c : work)
            colours.push_back(qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue));
        const QImage indexed =
            image.convertToFormat(QImage::Format_Indexed8, colours, Qt::ThresholdDither);
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(bitmap.GetLineArray()[y], indexed.constScanLine(y),
                        static_cast<std::size_t>(image.width()));
        bitmap.SetPalette(work.data());
    } else {
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(bitmap.GetLineArray()[y], image.constScanLine(y),
                        static_cast<std::size_t>(image.width()) * 4);
    }
}
