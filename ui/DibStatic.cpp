#include "ui/DibStatic.h"

#include <QFile>
#include <QPainter>

#include <cstdlib>
#include <cstring>

#include "platform/DibLayout.h"

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kBannerId = 500;
constexpr char kBannerType[] = "DIB";
// Larger sides are refused: nothing the program ships comes near.
constexpr std::int64_t kMaxSide = 16384;

DWORD MaskAt(const QByteArray& data, std::size_t offset) {
    DWORD mask = 0;
    std::memcpy(&mask, data.constData() + offset, sizeof mask);
    return mask;
}

// The picture format of the pixels, or Format_Invalid for a layout that is
// not drawn.
QImage::Format PixelFormat(const BITMAPINFOHEADER& header, const QByteArray& data) {
    const bool masks = header.biCompression == BI_BITFIELDS;
    if (header.biCompression != BI_RGB && !masks)
        return QImage::Format_Invalid;
    DWORD red = 0, green = 0, blue = 0;
    if (masks) {
        // The masks follow a 40-byte header; a larger one holds them at the
        // same place.
        constexpr std::size_t at = sizeof(BITMAPINFOHEADER);
        if (static_cast<std::size_t>(data.size()) < at + 12)
            return QImage::Format_Invalid;
        red = MaskAt(data, at);
        green = MaskAt(data, at + 4);
        blue = MaskAt(data, at + 8);
    }
    switch (header.biBitCount) {
        case 8:
            return masks ? QImage::Format_Invalid : QImage::Format_Indexed8;
        case 16:
            if (!masks || (red == 0x7C00 && green == 0x03E0 && blue == 0x001F))
                return QImage::Format_RGB555;
            if (red == 0xF800 && green == 0x07E0 && blue == 0x001F)
                return QImage::Format_RGB16;
            return QImage::Format_Invalid;
        case 24:
            return masks ? QImage::Format_Invalid : QImage::Format_BGR888;
        case 32:
            if (!masks || (red == 0xFF0000 && green == 0xFF00 && blue == 0xFF))
                return QImage::Format_RGB32;
            return QImage::Format_Invalid;
        default:
            return QImage::Format_Invalid;
    }
}

}  // namespace

BOOL CDib::LoadFromResource(int id, const char* type) {
    QFile file(QStringLiteral(":/%1/%2").arg(QString::fromLatin1(type)).arg(id));
    if (!file.open(QIODevice::ReadOnly)) {
        *this = CDib();
        return FALSE;
    }
    return LoadFromFileImage(file.readAll());
}

BOOL CDib::LoadFromFileImage(const QByteArray& image) {
    *this = CDib();
    if (image.size() < kFileHeaderSize + static_cast<qsizetype>(sizeof(BITMAPINFOHEADER)) ||
        !image.startsWith("BM"))
        return FALSE;
    QByteArray data = image.mid(kFileHeaderSize);
    BITMAPINFOHEADER header;
    std::memcpy(&header, data.constData(), sizeof header);
    const std::int64_t width = header.biWidth;
    const std::int64_t height = std::llabs(header.biHeight);
    if (header.biSize < sizeof(BITMAPINFOHEADER) ||
        header.biSize > static_cast<std::size_t>(data.size()) || width <= 0 || width > kMaxSide ||
        height == 0 || height > kMaxSide)
        return FALSE;
    const QImage::Format format = PixelFormat(header, data);
    if (format == QImage::Format_Invalid)
        return FALSE;
    const std::uint64_t bits = header.biSize + DibColorTableBytes(header);
    const std::uint64_t stride = DibStride(header);
    const std::uint64_t rows = stride * static_cast<std::uint64_t>(height);
    if (bits > static_cast<std::uint64_t>(data.size()) ||
        rows > static_cast<std::uint64_t>(data.size()) - bits)
        return FALSE;
    if (header.biSizeImage == 0)
        header.biSizeImage = static_cast<DWORD>(DibImageSize(header));

    QImage picture(static_cast<int>(width), static_cast<int>(height), format);
    if (picture.isNull())
        return FALSE;
    if (format == QImage::Format_Indexed8) {
        const std::uint64_t entries = DibColorTableBytes(header) / sizeof(RGBQUAD);
        QList<QRgb> colours;
        for (std::uint64_t i = 0; i < entries && i < 256; ++i) {
            RGBQUAD quad;
            std::memcpy(&quad, data.constData() + header.biSize + i * sizeof quad, sizeof quad);
            colours << qRgb(quad.rgbRed, quad.rgbGreen, quad.rgbBlue);
        }
        // Pixels beyond a short table are black.
        while (colours.size() < 256)
            colours << qRgb(0, 0, 0);
        picture.setColorTable(colours);
    }
    const std::size_t rowBytes = std::min<std::size_t>(stride, picture.bytesPerLine());
    const bool bottomUp = header.biHeight > 0;
    for (std::int64_t y = 0; y < height; ++y) {
        const std::int64_t source = bottomUp ? height - 1 - y : y;
        std::memcpy(picture.scanLine(static_cast<int>(y)),
                    data.constData() + bits + static_cast<std::uint64_t>(source) * stride,
                    rowBytes);
    }
    m_data = std::move(data);
    m_header = header;
    m_image = std::move(picture);
    return TRUE;
}

QSize CDib::GetSize() const {
    return m_image.isNull() ? QSize() : QSize(m_header.biWidth, std::abs(m_header.biHeight));
}

const BYTE* CDib::GetBits() const {
    if (m_image.isNull())
        return nullptr;
    return reinterpret_cast<const BYTE*>(m_data.constData()) + m_header.biSize +
           DibColorTableBytes(m_header);
}

void CDib::Draw(QPainter& painter, int width, int height) const {
    if (!m_image.isNull())
        painter.drawImage(QRect(0, 0, width, height), m_image);
}

CDibStatic::CDibStatic(QWidget* parent) : QWidget(parent) {}

BOOL CDibStatic::LoadDib() {
    const BOOL loaded = m_dib.LoadFromResource(kBannerId, kBannerType);
    updateGeometry();
    update();
    return loaded;
}

QSize CDibStatic::sizeHint() const {
    const QSize size = m_dib.GetSize();
    return size.isValid() ? size : QSize(0, 0);
}

void CDibStatic::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QSize size = m_dib.GetSize();
    m_dib.Draw(painter, size.width(), size.height());
}
