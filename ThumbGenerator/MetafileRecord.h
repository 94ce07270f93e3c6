#pragma once
// Reading metafile records: little-endian fields at offsets inside one record,
// every read checked against the record's size, and the bitmaps (DIBs) that
// records carry turned into images.

#include <QColor>
#include <QImage>
#include <QString>

#include <cstddef>
#include <cstdint>

#include "platform/ByteReader.h"
#include "platform/WinTypes.h"

class CMetafileRecord {
public:
    CMetafileRecord(const BYTE* data, std::size_t size) : m_data(data), m_size(size) {}

    std::size_t Size() const { return m_size; }
    const BYTE* Data() const { return m_data; }
    // Whether `count` bytes from `offset` lie inside the record.
    bool Has(std::size_t offset, std::size_t count) const {
        return zb::RangeFits(offset, count, m_size);
    }
    // Fields outside the record read as 0.
    std::uint16_t U16(std::size_t offset) const;
    std::int16_t I16(std::size_t offset) const { return static_cast<std::int16_t>(U16(offset)); }
    std::uint32_t U32(std::size_t offset) const;
    std::int32_t I32(std::size_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
    float F32(std::size_t offset) const;
    // A COLORREF: red in the low byte.
    QColor Colour(std::size_t offset) const;

private:
    const BYTE* m_data;
    std::size_t m_size;
};

// Text of the ANSI code page (Windows-1252), up to the first NUL.
QString DecodeAnsi(const BYTE* text, std::size_t length);

// A bitmap from its header and colour table (`info`) and its pixels; a null
// image when the header is not usable, the picture is too large, or the data
// is short.
QImage DibToImage(const BYTE* info, std::size_t infoSize, const BYTE* bits, std::size_t bitsSize);
// The same for a packed bitmap: header, colour table and pixels in one block.
QImage PackedDibToImage(const BYTE* dib, std::size_t size);
