#include "ThumbGenerator/MetafileRecord.h"

#include <QByteArray>

#include <cstring>

#include "platform/ByteReader.h"
#include "platform/TextCodec.h"

namespace {

// Largest bitmap a record may carry.
constexpr std::int64_t kMaxDibSide = 16384;
constexpr std::int64_t kMaxDibPixels = 64 * 1024 * 1024;
constexpr std::uint32_t BI_BITFIELDS_CODE = 3;
constexpr std::uint32_t BI_ALPHABITFIELDS_CODE = 6;

// Bytes of header, masks and colour table at the start of a DIB; 0 when the
// header is unusable or describes a picture over the limits.
std::size_t InfoSize(const BYTE* dib, std::size_t size) {
    if (size < 12)
        return 0;
    const std::uint32_t headerSize = zb::LoadLe32(dib);
    std::int64_t width;
    std::int64_t height;
    int bpp;
    std::size_t tableBytes;
    if (headerSize == 12) {
        width = dib[4] | dib[5] << 8;
        height = dib[6] | dib[7] << 8;
        bpp = dib[10] | dib[11] << 8;
        tableBytes = bpp <= 8 ? std::size_t{3} << bpp : 0;
    } else {
        if (headerSize < 40 || headerSize > size)
            return 0;
        width = static_cast<std::int32_t>(zb::LoadLe32(dib + 4));
        height = static_cast<std::int32_t>(zb::LoadLe32(dib + 8));
        bpp = dib[14] | dib[15] << 8;
        const std::uint32_t compression = zb::LoadLe32(dib + 16);
        std::uint32_t used = zb::LoadLe32(dib + 32);
        if (used == 0 && bpp <= 8)
            used = 1u << bpp;
        if (used > 256)
            return 0;
        tableBytes = std::size_t{4} * used;
        if (headerSize == 40 && compression == BI_BITFIELDS_CODE)
            tableBytes += 12;
        else if (headerSize == 40 && compression == BI_ALPHABITFIELDS_CODE)
            tableBytes += 16;
    }
    if (height < 0)
        height = -height;
    if (width < 1 || height < 1 || width > kMaxDibSide || height > kMaxDibSide ||
        width * height > kMaxDibPixels || bpp < 1 || bpp > 32)
        return 0;
    return headerSize + tableBytes;
}

}  // namespace

std::uint16_t CMetafileRecord::U16(std::size_t offset) const {
    return Has(offset, 2) ? zb::LoadLe16(m_data + offset) : 0;
}

std::uint32_t CMetafileRecord::U32(std::size_t offset) const {
    return Has(offset, 4) ? zb::LoadLe32(m_data + offset) : 0;
}

float CMetafileRecord::F32(std::size_t offset) const {
    const std::uint32_t bits = U32(offset);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

QColor CMetafileRecord::Colour(std::size_t offset) const {
    const std::uint32_t c = U32(offset);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

QString DecodeAnsi(const BYTE* text, std::size_t length) {
    const std::string_view bytes(reinterpret_cast<const char*>(text), length);
    return QString::fromStdString(zb::Cp1252ToUtf8(zb::UntilNul(bytes)));
}

QImage DibToImage(const BYTE* info, std::size_t infoSize, const BYTE* bits, std::size_t bitsSize) {
    const std::size_t needed = InfoSize(info, infoSize);
    if (needed == 0 || needed > infoSize)
        return QImage();
    // A bitmap file around the DIB, for the platform's bitmap reader.
    QByteArray file(14, '\0');
    const std::uint64_t total = 14 + static_cast<std::uint64_t>(needed) + bitsSize;
    if (total > 0x7FFFFFFF)
        return QImage();
    file[0] = 'B';
    file[1] = 'M';
    const std::uint32_t fileSize = static_cast<std::uint32_t>(total);
    const std::uint32_t offset = static_cast<std::uint32_t>(14 + needed);
    for (int i = 0; i < 4; ++i) {
        file[2 + i] = static_cast<char>(fileSize >> (8 * i));
        file[10 + i] = static_cast<char>(offset >> (8 * i));
    }
    file.append(reinterpret_cast<const char*>(info), static_cast<qsizetype>(needed));
    file.append(reinterpret_cast<const char*>(bits), static_cast<qsizetype>(bitsSize));
    return QImage::fromData(file, "BMP");
}

QImage PackedDibToImage(const BYTE* dib, std::size_t size) {
    const std::size_t infoSize = InfoSize(dib, size);
    if (infoSize == 0 || infoSize > size)
        return QImage();
    return DibToImage(dib, infoSize, dib + infoSize, size - infoSize);
}
