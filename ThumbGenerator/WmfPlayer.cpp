#include "ThumbGenerator/WmfPlayer.h"

#include <QPolygonF>

#include "ThumbGenerator/ImageSource.h"
#include "ThumbGenerator/MetafileRecord.h"

namespace {

enum : std::uint16_t {
    META_EOF = 0x0000,
    META_SAVEDC = 0x001E,
    META_SETBKMODE = 0x0102,
    META_SETROP2 = 0x0104,
    META_SETPOLYFILLMODE = 0x0106,
    META_SETSTRETCHBLTMODE = 0x0107,
    META_RESTOREDC = 0x0127,
    META_SELECTOBJECT = 0x012D,
    META_SETTEXTALIGN = 0x012E,
    META_DIBCREATEPATTERNBRUSH = 0x0142,
    META_DELETEOBJECT = 0x01F0,
    META_CREATEPATTERNBRUSH = 0x01F9,
    META_SETBKCOLOR = 0x0201,
    META_SETTEXTCOLOR = 0x0209,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_OFFSETWINDOWORG = 0x020F,
    META_LINETO = 0x0213,
    META_MOVETO = 0x0214,
    META_OFFSETCLIPRGN = 0x0220,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_POLYGON = 0x0324,
    META_POLYLINE = 0x0325,
    META_SCALEWINDOWEXT = 0x0410,
    META_EXCLUDECLIPRECT = 0x0415,
    META_INTERSECTCLIPRECT = 0x0416,
    META_ELLIPSE = 0x0418,
    META_RECTANGLE = 0x041B,
    META_SETPIXEL = 0x041F,
    META_TEXTOUT = 0x0521,
    META_POLYPOLYGON = 0x0538,
    META_ROUNDRECT = 0x061C,
    META_PATBLT = 0x061D,
    META_CREATEREGION = 0x06FF,
    META_ARC = 0x0817,
    META_PIE = 0x081A,
    META_CHORD = 0x0830,
    META_DIBBITBLT = 0x0940,
    META_EXTTEXTOUT = 0x0A32,
    META_DIBSTRETCHBLT = 0x0B41,
    META_SETDIBTODEV = 0x0D33,
    META_STRETCHDIB = 0x0F43,
    META_CREATEPALETTE = 0x00F7,
};

constexpr std::uint16_t ETO_OPAQUE = 2;
constexpr std::uint16_t ETO_CLIPPED = 4;
constexpr std::uint32_t SRCCOPY = 0x00CC0020;

// A rectangle from bottom, right, top, left at `offset` (the records' order).
QRectF ReadReversedBox(const CMetafileRecord& p, std::size_t offset) {
    return QRectF(QPointF(p.I16(offset + 6), p.I16(offset + 4)),
                  QPointF(p.I16(offset + 2), p.I16(offset)));
}

// A point from y, x at `offset`.
QPointF ReadReversedPoint(const CMetafileRecord& p, std::size_t offset) {
    return QPointF(p.I16(offset + 2), p.I16(offset));
}

bool ReadPoints(const CMetafileRecord& p, std::size_t offset, std::size_t count,
                QPolygonF& points) {
    if (!p.Has(offset, 4 * count))
        return false;
    points.resize(static_cast<qsizetype>(count));
    for (std::size_t i = 0; i < count; ++i)
        points[static_cast<qsizetype>(i)] =
            QPointF(p.I16(offset + 4 * i), p.I16(offset + 4 * i + 2));
    return true;
}

// The source rectangle of a bitmap record in image rows (counted from the
// bottom of the bitmap in the record).
QRectF SourceRect(const QImage& image, double x, double y, double width, double height) {
    return QRectF(x, image.height() - y - height, width, height);
}

}  // namespace

bool CWmfPlayer::IsWinMetafile(const BYTE* data, std::size_t size) {
    const CMetafileRecord header(data, size);
    const std::uint16_t type = header.U16(0);
    return size >= kHeaderSize && (type == 1 || type == 2) && header.U16(2) == 9;
}

std::optional<QRectF> CWmfPlayer::FindWindow(const BYTE* data, std::size_t size) {
    QPointF origin(0, 0);
    std::size_t offset = kHeaderSize;
    for (std::size_t records = 0; records < kMaxRecords && offset + 6 <= size; ++records) {
        const CMetafileRecord head(data + offset, size - offset);
        const std::uint64_t bytes = std::uint64_t{head.U32(0)} * 2;
        if (bytes < 6 || bytes > size - offset)
            break;
        const CMetafileRecord params(data + offset + 6, static_cast<std::size_t>(bytes) - 6);
        const std::uint16_t function = head.U16(4);
        if (function == META_EOF)
            break;
        if (function == META_SETWINDOWORG)
            origin = ReadReversedPoint(params, 0);
        if (function == META_SETWINDOWEXT) {
            const QPointF extent = ReadReversedPoint(params, 0);
            return QRectF(origin, QSizeF(extent.x(), extent.y()));
        }
        offset += static_cast<std::size_t>(bytes);
    }
    return std::nullopt;
}

bool CWmfPlayer::Play(CMetafileCanvas& canvas) {
    canvas.SetObjectTableSize(CMetafileRecord(m_data, m_size).U16(10));
    std::size_t offset = kHeaderSize;
    for (std::size_t records = 0; records < kMaxRecords && offset < m_size; ++records) {
        if (records % 256 == 0)
            m_source.CheckTimeBudget();
        const CMetafileRecord head(m_data + offset, m_size - offset);
        const std::uint64_t bytes = std::uint64_t{head.U32(0)} * 2;
        if (bytes < 6 || bytes > m_size - offset)
            return false;
        const std::uint16_t function = head.U16(4);
        if (function == META_EOF)
            return true;
        PlayRecord(function,
                   CMetafileRecord(m_data + offset + 6, static_cast<std::size_t>(bytes) - 6),
                   canvas);
        offset += static_cast<std::size_t>(bytes);
    }
    return true;
}

void CWmfPlayer::PlayRecord(std::uint16_t function, const CMetafileRecord& p,
                            CMetafileCanvas& canvas) {
    QPolygonF points;
    switch (function) {
        case META_SETBKCOLOR:
            canvas.SetBkColour(p.Colour(0));
            break;
        case META_SETBKMODE:
            canvas.SetBkMode(p.U16(0));
            break;
        case META_SETROP2:
            canvas.SetRop2(p.U16(0));
            break;
        case META_SETPOLYFILLMODE:
            canvas.SetPolyFillMode(p.U16(0));
            break;
        case META_SETSTRETCHBLTMODE:
            canvas.SetStretchBltMode(p.U16(0));
            break;
        case META_SETTEXTCOLOR:
            canvas.SetTextColour(p.Colour(0));
            break;
        case META_SETTEXTALIGN:
            canvas.SetTextAlign(p.U16(0));
            break;
        case META_SETWINDOWORG:
            canvas.SetWindowOrg(ReadReversedPoint(p, 0));
            break;
        case META_SETWINDOWEXT: {
            const QPointF extent = ReadReversedPoint(p, 0);
            canvas.SetWindowExt(QSizeF(extent.x(), extent.y()));
            break;
        }
        case META_OFFSETWINDOWORG:
            canvas.OffsetWindowOrg(ReadReversedPoint(p, 0));
            break;
        case META_SCALEWINDOWEXT:
            canvas.ScaleWindowExt(p.I16(6), p.I16(4), p.I16(2), p.I16(0));
            break;
        case META_SAVEDC:
            canvas.SaveDC();
            break;
        case META_RESTOREDC:
            canvas.RestoreDC(p.I16(0));
            break;
        case META_MOVETO:
            canvas.MoveTo(ReadReversedPoint(p, 0));
            break;
        case META_LINETO:
            canvas.LineTo(ReadReversedPoint(p, 0));
            break;
        case META_OFFSETCLIPRGN:
            canvas.OffsetClip(ReadReversedPoint(p, 0));
            break;
        case META_EXCLUDECLIPRECT:
            canvas.ExcludeClipRect(ReadReversedBox(p, 0));
            break;
        case META_INTERSECTCLIPRECT:
            canvas.IntersectClipRect(ReadReversedBox(p, 0));
            break;
        case META_RECTANGLE:
            canvas.Rectangle(ReadReversedBox(p, 0));
            break;
        case META_ELLIPSE:
            canvas.Ellipse(ReadReversedBox(p, 0));
            break;
        case META_ROUNDRECT:
            canvas.RoundRect(ReadReversedBox(p, 4), QSizeF(p.I16(2), p.I16(0)));
            break;
        case META_ARC:
        case META_PIE:
        case META_CHORD: {
            const auto kind = function == META_ARC   ? CMetafileCanvas::ArcKind::Arc
                              : function == META_PIE ? CMetafileCanvas::ArcKind::Pie
                                                     : CMetafileCanvas::ArcKind::Chord;
            canvas.Arc(ReadReversedBox(p, 8), ReadReversedPoint(p, 4), ReadReversedPoint(p, 0),
                       kind);
            break;
        }
        case META_SETPIXEL:
            canvas.SetPixel(ReadReversedPoint(p, 4), p.Colour(0));
            break;
        case META_POLYGON:
        case META_POLYLINE:
            if (ReadPoints(p, 2, p.U16(0), points)) {
                if (function == META_POLYGON)
                    canvas.Polygon(points);
                else
                    canvas.Polyline(points);
            }
            break;
        case META_POLYPOLYGON: {
            const std::size_t count = p.U16(0);
            if (!p.Has(2, 2 * count))
                break;
            std::vector<QPolygonF> polygons;
            std::size_t at = 2 + 2 * count;
            for (std::size_t i = 0; i < count; ++i) {
                const std::size_t n = p.U16(2 + 2 * i);
                if (!ReadPoints(p, at, n, points))
                    return;
                polygons.push_back(points);
                at += 4 * n;
            }
            canvas.PolyPolygon(polygons);
            break;
        }
        case META_TEXTOUT: {
            const std::size_t length = p.U16(0);
            const std::size_t padded = (length + 1) & ~std::size_t{1};
            if (!p.Has(2, padded + 4))
                break;
            canvas.TextOut(ReadReversedPoint(p, 2 + padded), DecodeAnsi(p.Data() + 2, length),
                           nullptr);
            break;
        }
        case META_EXTTEXTOUT: {
            const std::size_t length = p.U16(4);
            const std::uint16_t options = p.U16(6);
            const bool hasRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
            const std::size_t at = hasRect ? 16 : 8;
            if (!p.Has(at, length))
                break;
            const QRectF box(QPointF(p.I16(8), p.I16(10)), QPointF(p.I16(12), p.I16(14)));
            canvas.TextOut(ReadReversedPoint(p, 0), DecodeAnsi(p.Data() + at, length),
                           hasRect && (options & ETO_OPAQUE) != 0 ? &box : nullptr);
            break;
        }
        case META_SELECTOBJECT:
            canvas.SelectObject(p.U16(0));
            break;
        case META_DELETEOBJECT:
            canvas.DeleteObject(p.U16(0));
            break;
        case META_CREATEPENINDIRECT:
            canvas.AddObject(LogPen{p.U16(0), static_cast<double>(p.I16(2)), p.Colour(6)});
            break;
        case META_CREATEBRUSHINDIRECT:
            canvas.AddObject(LogBrush{p.U16(0), p.Colour(2), p.U16(6), {}});
            break;
        case META_CREATEFONTINDIRECT: {
            LogFont font;
            font.height = p.I16(0);
            font.escapement = p.I16(4);
            font.weight = p.I16(8);
            font.italic = p.Has(10, 1) && p.Data()[10] != 0;
            font.underline = p.Has(11, 1) && p.Data()[11] != 0;
            font.strikeOut = p.Has(12, 1) && p.Data()[12] != 0;
            if (p.Size() > 18)
                font.face = DecodeAnsi(p.Data() + 18, std::min<std::size_t>(32, p.Size() - 18));
            canvas.AddObject(font);
            break;
        }
        case META_DIBCREATEPATTERNBRUSH: {
            const QImage pattern =
                p.Size() > 4 ? PackedDibToImage(p.Data() + 4, p.Size() - 4) : QImage();
            canvas.AddObject(LogBrush{pattern.isNull() ? 0u : 3u, Qt::black, 0, pattern});
            break;
        }
        case META_CREATEPATTERNBRUSH:
        case META_CREATEPALETTE:
        case META_CREATEREGION:
            canvas.AddObject(OtherObject{});
            break;
        case META_PATBLT:
            canvas.PatBlt(QRectF(p.I16(10), p.I16(8), p.I16(6), p.I16(4)), p.U32(0));
            break;
        case META_DIBBITBLT:
        case META_DIBSTRETCHBLT: {
            const bool stretch = function == META_DIBSTRETCHBLT;
            // Without a bitmap the record has one reserved word more and
            // no bitmap behind it.
            const std::size_t words = stretch ? 9 : 7;
            if (p.Size() == 2 * (words + 1) + 2) {
                const std::size_t d = p.Size() - 8;
                canvas.PatBlt(QRectF(p.I16(d + 6), p.I16(d + 4), p.I16(d + 2), p.I16(d)), p.U32(0));
                break;
            }
            const std::size_t dibAt = 4 + 2 * (words - 1);
            if (p.Size() <= dibAt)
                break;
            const QImage image = PackedDibToImage(p.Data() + dibAt, p.Size() - dibAt);
            if (image.isNull())
                break;
            const std::size_t d = dibAt - 8;  // destination: height, width, y, x
            const QRectF destination(p.I16(d + 6), p.I16(d + 4), p.I16(d + 2), p.I16(d));
            const double sourceWidth = stretch ? p.I16(6) : destination.width();
            const double sourceHeight = stretch ? p.I16(4) : destination.height();
            const std::size_t s = stretch ? 8 : 4;  // source y, x
            canvas.DrawImage(destination,
                             SourceRect(image, p.I16(s + 2), p.I16(s), sourceWidth, sourceHeight),
                             image, p.U32(0));
            break;
        }
        case META_STRETCHDIB: {
            if (p.Size() <= 22 || p.U16(4) != 0)
                break;
            const QImage image = PackedDibToImage(p.Data() + 22, p.Size() - 22);
            if (image.isNull())
                break;
            const QRectF destination(p.I16(20), p.I16(18), p.I16(16), p.I16(14));
            canvas.DrawImage(destination,
                             SourceRect(image, p.I16(12), p.I16(10), p.I16(8), p.I16(6)), image,
                             p.U32(0));
            break;
        }
        case META_SETDIBTODEV: {
            if (p.Size() <= 18 || p.U16(0) != 0)
                break;
            const QImage image = PackedDibToImage(p.Data() + 18, p.Size() - 18);
            if (image.isNull())
                break;
            const double width = p.I16(12);
            const double height = p.I16(10);
            canvas.DrawImage(QRectF(p.I16(16), p.I16(14), width, height),
                             SourceRect(image, p.I16(8), p.I16(6), width, height), image, SRCCOPY);
            break;
        }
        default:
            break;
    }
}
