#include "ui/DibStatic.h"

#include <QFile>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/DibLayout.h"

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kBannerId = 500;
constexpr char kBannerType[] = "DIB";

// The picture format of the checked pixels, or Format_Invalid for a layout
// that is not drawn.
QImage::Format PixelFormat(const zb::PackedDibLayout& layout) {
    const bool masks = layout.header.biCompression == BI_BITFIELDS;
    const auto masksAre = [&](DWORD red, DWORD green, DWORD blue) {
        return layout.masks[0] == red && layout.masks[1] == green && layout.masks[2] == blue;
    };
    switch (layout.header.biBitCount) {
        case 8:
            return QImage::Format_Indexed8;
        case 16:
            if (!masks || masksAre(0x7C00, 0x03E0, 0x001F))
                return QImage::Format_RGB555;
            return masksAre(0xF800, 0x07E0, 0x001F) ? QImage::Format_RGB16 : QImage::Format_Invalid;
        case 24:
            return QImage::Format_BGR888;
        case 32:
            return !masks || masksAre(0xFF0000, 0xFF00, 0xFF) ? QImage::Format_RGB32
                                                              : QImage::Format_Invalid;
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
    if (image.size() < kFileHeaderSize || !image.startsWith("BM"))
        return FALSE;
    QByteArray data = image.mid(kFileHeaderSize);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.constData());
    zb::PackedDibLayout layout;
    if (!zb::ReadPackedDibLayout(bytes, static_cast<std::size_t>(data.size()), layout))
        return FALSE;
    const QImage::Format format = PixelFormat(layout);
    if (format == QImage::Format_Invalid)
        return FALSE;
    QImage picture(static_cast<int>(layout.width), static_cast<int>(layout.height), format);
    if (picture.isNull())
        return FALSE;
    if (format == QImage::Format_Indexed8) {
        QList<QRgb> colours;
        for (std::uint32_t i = 0; i < layout.colourCount; ++i) {
            RGBQUAD quad;
            std::memcpy(&quad, bytes + layout.header.biSize + i * sizeof quad, sizeof quad);
            colours << qRgb(quad.rgbRed, quad.rgbGreen, quad.rgbBlue);
        }
        // Pixels beyond a short table are black.
        while (colours.size() < 256)
            colours << qRgb(0, 0, 0);
        picture.setColorTable(colours);
    }
    const std::size_t rowBytes = std::min<std::size_t>(layout.stride, picture.bytesPerLine());
    for (std::uint32_t y = 0; y < layout.height; ++y) {
        const std::uint32_t source = layout.bottomUp ? layout.height - 1 - y : y;
        std::memcpy(picture.scanLine(static_cast<int>(y)),
                    bytes + layout.bitsOffset + std::uint64_t{source} * layout.stride, rowBytes);
    }
    m_data = std::move(data);
    m_header = layout.header;
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
           zb::DibColorTableBytes(m_header);
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
