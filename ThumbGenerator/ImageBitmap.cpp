#include "ThumbGenerator/ImageBitmap.h"

#include <QPainter>

#include <cstring>
#include <new>

#include "ThumbGenerator/TextException.h"
#include "platform/BitmapImage.h"

namespace {

constexpr const char* kCreateFailed = "Out of memory creating bitmap.";

}  // namespace

// ---------------------------------------------------------------------------
// CImageBitmap

std::int64_t CImageBitmap::BytesPerLine(std::int64_t width, int bpp) {
    std::int64_t bytes = width * bpp / 8;
    if (bpp == 1 && width % 8 != 0)
        ++bytes;
    return (bytes + 3) & ~std::int64_t{3};
}

void CImageBitmap::Create(int width, int height, int bpp, bool alpha) {
    if (width < 1 || height < 1 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
        static_cast<std::int64_t>(width) * height > kMaxBitmapPixels)
        throw CTextException(kErrOutOfMemory, kCreateFailed);
    if (bpp != 1 && bpp != 8 && bpp != 32)
        throw CTextException(kErrUnsupported, "Unsupported bits per pixel for a bitmap.");
    FreeMembers();
    try {
        InternalCreate(width, height, bpp, alpha);
    } catch (const std::bad_alloc&) {
        FreeMembers();
        throw CTextException(kErrOutOfMemory, kCreateFailed);
    }
}

int CImageBitmap::GetBytesPerLine() const {
    return static_cast<int>(BytesPerLine(m_width, m_bpp));
}

void CImageBitmap::Lock(bool, bool) {
    ++m_lockCount;
}

void CImageBitmap::Unlock() {
    if (m_lockCount > 0)
        --m_lockCount;
}

void CImageBitmap::SetPalette(const RGBQUAD* palette) {
    if (m_palette != nullptr && palette != nullptr)
        std::memcpy(m_palette, palette, sizeof(RGBQUAD) * PaletteEntries(m_bpp));
}

void CImageBitmap::InitLocals(int width, int height, int bpp, bool alpha) {
    m_width = width;
    m_height = height;
    m_bpp = bpp;
    m_alpha = alpha;
    m_lines.assign(static_cast<std::size_t>(height), nullptr);
    InitLineArray();
    const int entries = PaletteEntries(bpp);
    if (m_palette != nullptr && entries > 1) {
        const int step = 255 / (entries - 1);
        for (int i = 0; i < entries; ++i) {
            const BYTE grey = static_cast<BYTE>(i * step);
            m_palette[i] = RGBQUAD{grey, grey, grey, 255};
        }
    }
}

// ---------------------------------------------------------------------------
// CPackedDIBBitmap

CPackedDIBBitmap::CPackedDIBBitmap() {
    CPackedDIBBitmap::Create(16, 16, 8, false);
}

std::size_t CPackedDIBBitmap::GetMemUsed() const {
    return m_block.size() + sizeof(*this);
}

const BITMAPINFOHEADER& CPackedDIBBitmap::GetHeader() const {
    return *reinterpret_cast<const BITMAPINFOHEADER*>(m_block.data());
}

void CPackedDIBBitmap::AllocateBlock(int width, int height, int bpp, bool withPixels) {
    const std::size_t paletteBytes = sizeof(RGBQUAD) * PaletteEntries(bpp);
    const std::size_t pixelBytes =
        withPixels ? static_cast<std::size_t>(BytesPerLine(width, bpp)) * height : 0;
    m_block.assign(sizeof(BITMAPINFOHEADER) + paletteBytes + pixelBytes, 0);
    BITMAPINFOHEADER header;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bpp);
    header.biCompression = BI_RGB;
    std::memcpy(m_block.data(), &header, sizeof(header));
    BYTE* behindHeader = m_block.data() + sizeof(BITMAPINFOHEADER);
    m_palette = paletteBytes != 0 ? reinterpret_cast<RGBQUAD*>(behindHeader) : nullptr;
    m_bits = withPixels ? behindHeader + paletteBytes : nullptr;
}

void CPackedDIBBitmap::InternalCreate(int width, int height, int bpp, bool alpha) {
    AllocateBlock(width, height, bpp, true);
    InitLocals(width, height, bpp, alpha);
}

void CPackedDIBBitmap::FreeMembers() {
    m_block = std::vector<BYTE>();
    m_lines = std::vector<BYTE*>();
    m_palette = nullptr;
    m_bits = nullptr;
}

void CPackedDIBBitmap::InitLineArray() {
    const std::size_t stride = static_cast<std::size_t>(GetBytesPerLine());
    for (int i = 0; i < m_height; ++i)
        m_lines[i] = m_bits + stride * static_cast<std::size_t>(m_height - 1 - i);
}

// ---------------------------------------------------------------------------
// CDIBSectionBitmap

CDIBSectionBitmap::CDIBSectionBitmap() {
    CDIBSectionBitmap::Create(16, 16, 8, false);
}

std::size_t CDIBSectionBitmap::GetMemUsed() const {
    return m_block.size() + static_cast<std::size_t>(m_section.sizeInBytes()) + sizeof(*this);
}

void CDIBSectionBitmap::InternalCreate(int width, int height, int bpp, bool alpha) {
    AllocateBlock(width, height, bpp, false);
    const QImage::Format format = bpp == 1   ? QImage::Format_Mono
                                  : bpp == 8 ? QImage::Format_Indexed8
                                  : alpha    ? QImage::Format_ARGB32
                                             : QImage::Format_RGB32;
    m_section = QImage(width, height, format);
    // A failed allocation leaves a null image; its rows must match the layout.
    if (m_section.isNull() || m_section.bytesPerLine() != BytesPerLine(width, bpp))
        throw std::bad_alloc();
    std::memset(m_section.bits(), 0, static_cast<std::size_t>(m_section.sizeInBytes()));
    InitLocals(width, height, bpp, alpha);
}

void CDIBSectionBitmap::FreeMembers() {
    CPackedDIBBitmap::FreeMembers();
    m_section = QImage();
}

void CDIBSectionBitmap::InitLineArray() {
    BYTE* bits = m_section.bits();
    const std::size_t stride = static_cast<std::size_t>(m_section.bytesPerLine());
    for (int i = 0; i < m_height; ++i)
        m_lines[i] = bits + stride * static_cast<std::size_t>(i);
}

// ---------------------------------------------------------------------------
// CDrawDibBitmap

QImage CDrawDibBitmap::ToImage(const QVector<QRgb>* palette) const {
    if (m_section.isNull())
        return QImage();
    // A view of the section's pixels; 32-bit pictures are drawn without their
    // alpha byte.
    QImage image(m_section.constBits(), m_width, m_height, m_section.bytesPerLine(),
                 m_bpp == 32 ? QImage::Format_RGB32 : m_section.format());
    if (m_bpp == 32)
        return image;
    if (palette != nullptr) {
        image.setColorTable(*palette);
    } else {
        QVector<QRgb> colours(PaletteEntries(m_bpp));
        for (int i = 0; i < colours.size(); ++i)
            colours[i] = qRgb(m_palette[i].rgbRed, m_palette[i].rgbGreen, m_palette[i].rgbBlue);
        image.setColorTable(colours);
    }
    return image;
}

bool CDrawDibBitmap::StretchDraw(QPainter& painter, const QRect* destination, const QRect* source,
                                 const QVector<QRgb>* palette, bool foreground, int mode) const {
    if (!painter.isActive())
        return false;
    const QRect from = source != nullptr ? *source : QRect(0, 0, m_width, m_height);
    const QRect to = destination != nullptr ? *destination : from;
    const bool smooth = mode < 0 ? !foreground : mode == kStretchHalftone;
    QImage image = ToImage(palette);
    if (from != image.rect())
        image = image.copy(from);
    // Pixel for pixel, the picture is shrunk in its own format first, so a
    // large indexed picture is never widened to 32 bits whole.
    if (!smooth && image.size() != to.size())
        image = image.scaled(to.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(to, image);
    painter.restore();
    return true;
}
