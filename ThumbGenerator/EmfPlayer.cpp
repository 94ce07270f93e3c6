#include "ThumbGenerator/EmfPlayer.h"

#include <QPolygonF>

#include <algorithm>
#include <cmath>

#include "ThumbGenerator/ImageSource.h"
#include "ThumbGenerator/MetafileRecord.h"

namespace {

constexpr std::uint32_t kSignature = 0x464D4520;  // " EMF"
constexpr std::size_t kHeaderMinimum = 88;

enum : std::uint32_t {
    EMR_HEADER = 1,
    EMR_POLYBEZIER = 2,
    EMR_POLYGON = 3,
    EMR_POLYLINE = 4,
    EMR_POLYBEZIERTO = 5,
    EMR_POLYLINETO = 6,
    EMR_POLYPOLYLINE = 7,
    EMR_POLYPOLYGON = 8,
    EMR_SETWINDOWEXTEX = 9,
    EMR_SETWINDOWORGEX = 10,
    EMR_SETVIEWPORTEXTEX = 11,
    EMR_SETVIEWPORTORGEX = 12,
    EMR_EOF = 14,
    EMR_SETPIXELV = 15,
    EMR_SETMAPMODE = 17,
    EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19,
    EMR_SETROP2 = 20,
    EMR_SETSTRETCHBLTMODE = 21,
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_SETBKCOLOR = 25,
    EMR_OFFSETCLIPRGN = 26,
    EMR_MOVETOEX = 27,
    EMR_EXCLUDECLIPRECT = 29,
    EMR_INTERSECTCLIPRECT = 30,
    EMR_SCALEVIEWPORTEXTEX = 31,
    EMR_SCALEWINDOWEXTEX = 32,
    EMR_SAVEDC = 33,
    EMR_RESTOREDC = 34,
    EMR_SETWORLDTRANSFORM = 35,
    EMR_MODIFYWORLDTRANSFORM = 36,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_ANGLEARC = 41,
    EMR_ELLIPSE = 42,
    EMR_RECTANGLE = 43,
    EMR_ROUNDRECT = 44,
    EMR_ARC = 45,
    EMR_CHORD = 46,
    EMR_PIE = 47,
    EMR_CREATEPALETTE = 49,
    EMR_LINETO = 54,
    EMR_ARCTO = 55,
    EMR_POLYDRAW = 56,
    EMR_SETARCDIRECTION = 57,
    EMR_SETMITERLIMIT = 58,
    EMR_BEGINPATH = 59,
    EMR_ENDPATH = 60,
    EMR_CLOSEFIGURE = 61,
    EMR_FILLPATH = 62,
    EMR_STROKEANDFILLPATH = 63,
    EMR_STROKEPATH = 64,
    EMR_SELECTCLIPPATH = 67,
    EMR_ABORTPATH = 68,
    EMR_EXTSELECTCLIPRGN = 75,
    EMR_BITBLT = 76,
    EMR_STRETCHBLT = 77,
    EMR_SETDIBITSTODEVICE = 80,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTA = 83,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYBEZIER16 = 85,
    EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87,
    EMR_POLYBEZIERTO16 = 88,
    EMR_POLYLINETO16 = 89,
    EMR_POLYPOLYLINE16 = 90,
    EMR_POLYPOLYGON16 = 91,
    EMR_POLYDRAW16 = 92,
    EMR_CREATEMONOBRUSH = 93,
    EMR_CREATEDIBPATTERNBRUSHPT = 94,
    EMR_EXTCREATEPEN = 95,
};

constexpr std::uint32_t ETO_OPAQUE = 2;
constexpr std::uint32_t DIB_RGB_COLORS = 0;

// A logical rectangle from left, top, right, bottom.
QRectF ReadBox(const CMetafileRecord& r, std::size_t offset) {
    return QRectF(QPointF(r.I32(offset), r.I32(offset + 4)),
                  QPointF(r.I32(offset + 8), r.I32(offset + 12)));
}

QPointF ReadPoint(const CMetafileRecord& r, std::size_t offset, bool small) {
    return small ? QPointF(r.I16(offset), r.I16(offset + 2))
                 : QPointF(r.I32(offset), r.I32(offset + 4));
}

// `count` points from `offset`; false when they do not fit in the record.
bool ReadPoints(const CMetafileRecord& r, std::size_t offset, std::uint32_t count, bool small,
                QPolygonF& points) {
    const std::size_t step = small ? 4 : 8;
    if (count > r.Size() / step || !r.Has(offset, step * count))
        return false;
    points.resize(static_cast<qsizetype>(count));
    for (std::uint32_t i = 0; i < count; ++i)
        points[i] = ReadPoint(r, offset + step * i, small);
    return true;
}

// The figures of a poly-polyline or poly-polygon record.
bool ReadPolyPoly(const CMetafileRecord& r, bool small, std::vector<QPolygonF>& figures) {
    const std::uint32_t count = r.U32(24);
    const std::uint32_t total = r.U32(28);
    if (count > r.Size() / 4 || !r.Has(32, std::size_t{4} * count))
        return false;
    QPolygonF points;
    if (!ReadPoints(r, 32 + std::size_t{4} * count, total, small, points))
        return false;
    std::size_t next = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t n = r.U32(32 + std::size_t{4} * i);
        if (n > points.size() - next)
            return false;
        figures.push_back(points.mid(static_cast<qsizetype>(next), static_cast<qsizetype>(n)));
        next += n;
    }
    return true;
}

// The bitmap at (offBmi, cbBmi, offBits, cbBits) inside the record.
QImage ReadDib(const CMetafileRecord& r, std::size_t at, std::uint32_t usage) {
    const std::uint32_t offBmi = r.U32(at);
    const std::uint32_t cbBmi = r.U32(at + 4);
    const std::uint32_t offBits = r.U32(at + 8);
    const std::uint32_t cbBits = r.U32(at + 12);
    if (usage != DIB_RGB_COLORS || cbBmi == 0 || !r.Has(offBmi, cbBmi) || !r.Has(offBits, cbBits))
        return QImage();
    return DibToImage(r.Data() + offBmi, cbBmi, r.Data() + offBits, cbBits);
}

LogFont ReadFont(const CMetafileRecord& r) {
    LogFont font;
    font.height = r.I32(12);
    font.escapement = r.I32(20);
    font.weight = r.I32(28);
    font.italic = r.Data()[32] != 0;
    font.underline = r.Data()[33] != 0;
    font.strikeOut = r.Data()[34] != 0;
    int length = 0;
    char16_t units[32];
    for (; length < 32; ++length) {
        units[length] = static_cast<char16_t>(r.U16(40 + 2 * static_cast<std::size_t>(length)));
        if (units[length] == 0)
            break;
    }
    font.face = QString::fromUtf16(units, length);
    return font;
}

}  // namespace

bool CEmfPlayer::ReadHeader(const BYTE* data, std::size_t size, EmfHeader& header) {
    const CMetafileRecord r(data, size);
    if (r.U32(0) != EMR_HEADER || r.U32(40) != kSignature)
        return false;
    const std::uint32_t headerSize = r.U32(4);
    if (headerSize < kHeaderMinimum || headerSize > size || headerSize % 4 != 0)
        return false;
    header.bounds = ReadBox(r, 8);
    header.frame = ReadBox(r, 24);
    header.handles = r.U16(56);
    header.paletteEntries = r.U32(68);
    header.device = QSize(r.I32(72), r.I32(76));
    header.millimetres = QSize(r.I32(80), r.I32(84));
    return true;
}

std::vector<RGBQUAD> CEmfPlayer::ReadPalette(const BYTE* data, std::size_t size) {
    std::vector<RGBQUAD> palette;
    std::size_t offset = 0;
    for (std::size_t records = 0; records < kMaxRecords && offset + 8 <= size; ++records) {
        const CMetafileRecord r(data + offset, size - offset);
        const std::uint32_t recordSize = r.U32(4);
        if (recordSize < 8 || recordSize % 4 != 0 || recordSize > size - offset)
            break;
        if (r.U32(0) == EMR_EOF) {
            const CMetafileRecord eof(data + offset, recordSize);
            const std::uint32_t count = eof.U32(8);
            const std::uint32_t at = eof.U32(12);
            if (count > 0 && count <= 256 && eof.Has(at, std::size_t{4} * count)) {
                for (std::uint32_t i = 0; i < count; ++i) {
                    const BYTE* e = eof.Data() + at + 4 * i;  // red, green, blue, flags
                    palette.push_back(RGBQUAD{e[2], e[1], e[0], 255});
                }
            }
            break;
        }
        offset += recordSize;
    }
    return palette;
}

bool CEmfPlayer::Play(CMetafileCanvas& canvas) {
    std::size_t offset = 0;
    for (std::size_t records = 0; records < kMaxRecords && offset < m_size; ++records) {
        if (records % 256 == 0)
            m_source.CheckTimeBudget();
        const CMetafileRecord head(m_data + offset, m_size - offset);
        const std::uint32_t type = head.U32(0);
        const std::uint32_t size = head.U32(4);
        if (size < 8 || size % 4 != 0 || size > m_size - offset)
            return false;
        if (type == EMR_EOF)
            return true;
        PlayRecord(type, CMetafileRecord(m_data + offset, size), canvas);
        offset += size;
    }
    return true;
}

void CEmfPlayer::PlayRecord(std::uint32_t type, const CMetafileRecord& r, CMetafileCanvas& canvas) {
    QPolygonF points;
    std::vector<QPolygonF> figures;
    const bool small = type >= EMR_POLYBEZIER16 && type <= EMR_POLYDRAW16;
    switch (type) {
        case EMR_HEADER:
            canvas.SetObjectTableSize(r.U16(56));
            break;
        case EMR_POLYBEZIER:
        case EMR_POLYBEZIER16:
            if (ReadPoints(r, 28, r.U32(24), small, points))
                canvas.PolyBezier(points);
            break;
        case EMR_POLYGON:
        case EMR_POLYGON16:
            if (ReadPoints(r, 28, r.U32(24), small, points))
                canvas.Polygon(points);
            break;
        case EMR_POLYLINE:
        case EMR_POLYLINE16:
            if (ReadPoints(r, 28, r.U32(24), small, points))
                canvas.Polyline(points);
            break;
        case EMR_POLYBEZIERTO:
        case EMR_POLYBEZIERTO16:
            if (ReadPoints(r, 28, r.U32(24), small, points))
                canvas.PolyBezierTo(points);
            break;
        case EMR_POLYLINETO:
        case EMR_POLYLINETO16:
            if (ReadPoints(r, 28, r.U32(24), small, points))
                canvas.PolylineTo(points);
            break;
        case EMR_POLYPOLYLINE:
        case EMR_POLYPOLYLINE16:
            if (ReadPolyPoly(r, small, figures))
                canvas.PolyPolyline(figures);
            break;
        case EMR_POLYPOLYGON:
        case EMR_POLYPOLYGON16:
            if (ReadPolyPoly(r, small, figures))
                canvas.PolyPolygon(figures);
            break;
        case EMR_POLYDRAW:
        case EMR_POLYDRAW16: {
            const std::uint32_t count = r.U32(24);
            if (!ReadPoints(r, 28, count, small, points) ||
                !r.Has(28 + (small ? 4 : 8) * std::size_t{count}, count))
                break;
            const BYTE* kinds = r.Data() + 28 + (small ? 4 : 8) * std::size_t{count};
            for (std::uint32_t i = 0; i < count; ++i) {
                const BYTE kind = kinds[i] & 0x06;
                if (kind == 0x06) {
                    canvas.MoveTo(points[i]);
                } else if (kind == 0x04 && i + 2 < count) {
                    canvas.PolyBezierTo(QPolygonF({points[i], points[i + 1], points[i + 2]}));
                    i += 2;
                } else {
                    canvas.LineTo(points[i]);
                }
                if (kinds[i] & 0x01)
                    canvas.CloseFigure();
            }
            break;
        }
        case EMR_SETWINDOWEXTEX:
            canvas.SetWindowExt(QSizeF(r.I32(8), r.I32(12)));
            break;
        case EMR_SETWINDOWORGEX:
            canvas.SetWindowOrg(QPointF(r.I32(8), r.I32(12)));
            break;
        case EMR_SETVIEWPORTEXTEX:
            canvas.SetViewportExt(QSizeF(r.I32(8), r.I32(12)));
            break;
        case EMR_SETVIEWPORTORGEX:
            canvas.SetViewportOrg(QPointF(r.I32(8), r.I32(12)));
            break;
        case EMR_SCALEVIEWPORTEXTEX:
            canvas.ScaleViewportExt(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
            break;
        case EMR_SCALEWINDOWEXTEX:
            canvas.ScaleWindowExt(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
            break;
        case EMR_SETPIXELV:
            canvas.SetPixel(QPointF(r.I32(8), r.I32(12)), r.Colour(16));
            break;
        case EMR_SETMAPMODE:
            canvas.SetMapMode(r.I32(8));
            break;
        case EMR_SETBKMODE:
            canvas.SetBkMode(r.I32(8));
            break;
        case EMR_SETPOLYFILLMODE:
            canvas.SetPolyFillMode(r.I32(8));
            break;
        case EMR_SETROP2:
            canvas.SetRop2(r.I32(8));
            break;
        case EMR_SETSTRETCHBLTMODE:
            canvas.SetStretchBltMode(r.I32(8));
            break;
        case EMR_SETTEXTALIGN:
            canvas.SetTextAlign(r.U32(8));
            break;
        case EMR_SETTEXTCOLOR:
            canvas.SetTextColour(r.Colour(8));
            break;
        case EMR_SETBKCOLOR:
            canvas.SetBkColour(r.Colour(8));
            break;
        case EMR_SETARCDIRECTION:
            canvas.SetArcDirection(r.I32(8));
            break;
        case EMR_SETMITERLIMIT:
            canvas.SetMiterLimit(r.U32(8));
            break;
        case EMR_OFFSETCLIPRGN:
            canvas.OffsetClip(QPointF(r.I32(8), r.I32(12)));
            break;
        case EMR_MOVETOEX:
            canvas.MoveTo(QPointF(r.I32(8), r.I32(12)));
            break;
        case EMR_LINETO:
            canvas.LineTo(QPointF(r.I32(8), r.I32(12)));
            break;
        case EMR_EXCLUDECLIPRECT:
            canvas.ExcludeClipRect(ReadBox(r, 8));
            break;
        case EMR_INTERSECTCLIPRECT:
            canvas.IntersectClipRect(ReadBox(r, 8));
            break;
        case EMR_SAVEDC:
            canvas.SaveDC();
            break;
        case EMR_RESTOREDC:
            canvas.RestoreDC(r.I32(8));
            break;
        case EMR_SETWORLDTRANSFORM:
        case EMR_MODIFYWORLDTRANSFORM: {
            const QTransform t(r.F32(8), r.F32(12), r.F32(16), r.F32(20), r.F32(24), r.F32(28));
            if (type == EMR_SETWORLDTRANSFORM)
                canvas.SetWorldTransform(t);
            else
                canvas.ModifyWorldTransform(t, r.I32(32));
            break;
        }
        case EMR_SELECTOBJECT:
            canvas.SelectObject(r.U32(8));
            break;
        case EMR_DELETEOBJECT:
            canvas.DeleteObject(r.U32(8));
            break;
        case EMR_CREATEPEN:
            canvas.PutObject(r.U32(8),
                             LogPen{r.U32(12), static_cast<double>(r.I32(16)), r.Colour(24)});
            break;
        case EMR_EXTCREATEPEN:
            canvas.PutObject(r.U32(8),
                             LogPen{r.U32(28), static_cast<double>(r.U32(32)), r.Colour(40)});
            break;
        case EMR_CREATEBRUSHINDIRECT:
            canvas.PutObject(r.U32(8), LogBrush{r.U32(12), r.Colour(16), r.U32(20), {}});
            break;
        case EMR_CREATEMONOBRUSH:
        case EMR_CREATEDIBPATTERNBRUSHPT: {
            const QImage pattern = ReadDib(r, 16, type == EMR_CREATEMONOBRUSH ? 0 : r.U32(12));
            canvas.PutObject(r.U32(8), LogBrush{pattern.isNull() ? 0u : 3u, Qt::black, 0, pattern});
            break;
        }
        case EMR_CREATEPALETTE:
            canvas.PutObject(r.U32(8), OtherObject{});
            break;
        case EMR_EXTCREATEFONTINDIRECTW:
            if (r.Has(0, 104))
                canvas.PutObject(r.U32(8), ReadFont(r));
            break;
        case EMR_ANGLEARC:
            canvas.AngleArc(QPointF(r.I32(8), r.I32(12)), r.U32(16), r.F32(20), r.F32(24));
            break;
        case EMR_ELLIPSE:
            canvas.Ellipse(ReadBox(r, 8));
            break;
        case EMR_RECTANGLE:
            canvas.Rectangle(ReadBox(r, 8));
            break;
        case EMR_ROUNDRECT:
            canvas.RoundRect(ReadBox(r, 8), QSizeF(r.I32(24), r.I32(28)));
            break;
        case EMR_ARC:
        case EMR_CHORD:
        case EMR_PIE:
        case EMR_ARCTO: {
            const auto kind = type == EMR_ARC     ? CMetafileCanvas::ArcKind::Arc
                              : type == EMR_CHORD ? CMetafileCanvas::ArcKind::Chord
                              : type == EMR_PIE   ? CMetafileCanvas::ArcKind::Pie
                                                  : CMetafileCanvas::ArcKind::ArcTo;
            canvas.Arc(ReadBox(r, 8), QPointF(r.I32(24), r.I32(28)), QPointF(r.I32(32), r.I32(36)),
                       kind);
            break;
        }
        case EMR_BEGINPATH:
            canvas.BeginPath();
            break;
        case EMR_ENDPATH:
            canvas.EndPath();
            break;
        case EMR_CLOSEFIGURE:
            canvas.CloseFigure();
            break;
        case EMR_FILLPATH:
            canvas.FillPath();
            break;
        case EMR_STROKEANDFILLPATH:
            canvas.StrokeAndFillPath();
            break;
        case EMR_STROKEPATH:
            canvas.StrokePath();
            break;
        case EMR_ABORTPATH:
            canvas.AbortPath();
            break;
        case EMR_SELECTCLIPPATH:
            canvas.SelectClipPath(r.I32(8));
            break;
        case EMR_EXTSELECTCLIPRGN:
            // Only the reset of the clip; region data is device-specific.
            if (r.U32(8) == 0 && r.U32(12) == 5)
                canvas.ResetClip();
            break;
        case EMR_BITBLT:
        case EMR_STRETCHBLT: {
            const QRectF destination(r.I32(24), r.I32(28), r.I32(32), r.I32(36));
            const std::uint32_t rop = r.U32(40);
            if (r.U32(88) == 0) {
                canvas.PatBlt(destination, rop);
                break;
            }
            const QImage image = ReadDib(r, 84, r.U32(80));
            const double width = type == EMR_STRETCHBLT ? r.I32(100) : destination.width();
            const double height = type == EMR_STRETCHBLT ? r.I32(104) : destination.height();
            canvas.DrawImage(destination, QRectF(r.I32(44), r.I32(48), width, height), image, rop);
            break;
        }
        case EMR_STRETCHDIBITS:
        case EMR_SETDIBITSTODEVICE: {
            const QImage image = ReadDib(r, 48, r.U32(64));
            if (image.isNull())
                break;
            const double sourceWidth = r.I32(40);
            const double sourceHeight = r.I32(44);
            // Source rows count from the bottom of the bitmap.
            const QRectF source(r.I32(32), image.height() - r.I32(36) - sourceHeight, sourceWidth,
                                sourceHeight);
            const bool stretch = type == EMR_STRETCHDIBITS;
            const QRectF destination(r.I32(24), r.I32(28), stretch ? r.I32(72) : sourceWidth,
                                     stretch ? r.I32(76) : sourceHeight);
            canvas.DrawImage(destination, source, image, stretch ? r.U32(68) : 0x00CC0020u);
            break;
        }
        case EMR_EXTTEXTOUTA:
        case EMR_EXTTEXTOUTW: {
            const std::uint32_t count = r.U32(44);
            const std::uint32_t at = r.U32(48);
            const std::uint32_t options = r.U32(52);
            const bool wide = type == EMR_EXTTEXTOUTW;
            if (count > r.Size() || !r.Has(at, (wide ? 2 : 1) * std::size_t{count}))
                break;
            QString text;
            if (wide) {
                for (std::uint32_t i = 0; i < count; ++i)
                    text.append(QChar(r.U16(at + 2 * std::size_t{i})));
            } else {
                text = DecodeAnsi(r.Data() + at, count);
            }
            const QRectF box = ReadBox(r, 56);
            canvas.TextOut(QPointF(r.I32(36), r.I32(40)), text,
                           (options & ETO_OPAQUE) != 0 ? &box : nullptr);
            break;
        }
        default:
            break;
    }
}
