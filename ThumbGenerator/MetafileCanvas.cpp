#include "ThumbGenerator/MetafileCanvas.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>

namespace {

// Mapped shapes beyond this many pixels from the origin are skipped.
constexpr double kMaxCoordinate = 1 << 24;
constexpr double kMaxPenWidth = 4096;
constexpr int kMaxFontPixels = 2048;

constexpr std::uint32_t kStockBit = 0x80000000u;
constexpr std::uint32_t PS_NULL = 5;
constexpr std::uint32_t BS_NULL = 1;
constexpr std::uint32_t BS_HATCHED = 2;
constexpr int TRANSPARENT_MODE = 1;
constexpr int WINDING = 2;
constexpr std::uint32_t TA_UPDATECP = 1;
constexpr std::uint32_t TA_RIGHT = 2;
constexpr std::uint32_t TA_CENTER = 6;
constexpr std::uint32_t TA_BOTTOM = 8;
constexpr std::uint32_t TA_BASELINE = 24;

// Raster operations.
constexpr std::uint32_t SRCCOPY = 0x00CC0020;
constexpr std::uint32_t SRCPAINT = 0x00EE0086;
constexpr std::uint32_t SRCAND = 0x008800C6;
constexpr std::uint32_t SRCINVERT = 0x00660046;
constexpr std::uint32_t NOTSRCCOPY = 0x00330008;
constexpr std::uint32_t PATINVERT = 0x005A0049;
constexpr std::uint32_t DSTINVERT = 0x00550009;
constexpr std::uint32_t BLACKNESS = 0x00000042;
constexpr std::uint32_t WHITENESS = 0x00FF0062;

bool IsSane(const QRectF& rect) {
    return std::isfinite(rect.left()) && std::isfinite(rect.top()) && std::isfinite(rect.right()) &&
           std::isfinite(rect.bottom()) && std::abs(rect.left()) < kMaxCoordinate &&
           std::abs(rect.right()) < kMaxCoordinate && std::abs(rect.top()) < kMaxCoordinate &&
           std::abs(rect.bottom()) < kMaxCoordinate;
}

GdiObject StockObject(std::uint32_t index) {
    switch (index) {
        case 0:
            return LogBrush{0, Qt::white, 0, {}};
        case 1:
            return LogBrush{0, QColor(0xC0, 0xC0, 0xC0), 0, {}};
        case 2:
            return LogBrush{0, QColor(0x80, 0x80, 0x80), 0, {}};
        case 3:
            return LogBrush{0, QColor(0x40, 0x40, 0x40), 0, {}};
        case 4:
            return LogBrush{0, Qt::black, 0, {}};
        case 5:
            return LogBrush{BS_NULL, Qt::white, 0, {}};
        case 6:
            return LogPen{0, 0, Qt::white};
        case 7:
            return LogPen{0, 0, Qt::black};
        case 8:
            return LogPen{PS_NULL, 0, Qt::black};
        case 18:
            return LogBrush{0, Qt::white, 0, {}};
        case 19:
            return LogPen{0, 0, Qt::black};
        case 10:
        case 11:
        case 12:
        case 13:
        case 14:
        case 16:
        case 17:
            return LogFont{};
        default:
            return OtherObject{};
    }
}

Qt::BrushStyle HatchStyle(std::uint32_t hatch) {
    switch (hatch) {
        case 0:
            return Qt::HorPattern;
        case 1:
            return Qt::VerPattern;
        case 2:
            return Qt::FDiagPattern;
        case 3:
            return Qt::BDiagPattern;
        case 4:
            return Qt::CrossPattern;
        default:
            return Qt::DiagCrossPattern;
    }
}

// The painter's raster operation for a binary raster operation (ROP2).
QPainter::CompositionMode Rop2Mode(int rop2) {
    switch (rop2) {
        case 6:
            return QPainter::RasterOp_NotDestination;
        case 7:
            return QPainter::RasterOp_SourceXorDestination;
        case 9:
            return QPainter::RasterOp_SourceAndDestination;
        case 15:
            return QPainter::RasterOp_SourceOrDestination;
        default:
            return QPainter::CompositionMode_SourceOver;
    }
}

QPainter::CompositionMode RopMode(std::uint32_t rop) {
    switch (rop) {
        case SRCPAINT:
            return QPainter::RasterOp_SourceOrDestination;
        case SRCAND:
            return QPainter::RasterOp_SourceAndDestination;
        case SRCINVERT:
        case PATINVERT:
            return QPainter::RasterOp_SourceXorDestination;
        case NOTSRCCOPY:
            return QPainter::RasterOp_NotSource;
        case DSTINVERT:
            return QPainter::RasterOp_NotDestination;
        case SRCCOPY:
            return QPainter::CompositionMode_Source;
        default:
            return QPainter::CompositionMode_SourceOver;
    }
}

// The parametric angle, in degrees, of the point where the ray from the
// centre of `rect` through `point` meets the ellipse.
double EllipseAngle(const QRectF& rect, QPointF point) {
    const QPointF centre = rect.center();
    const double a = rect.width() / 2;
    const double b = rect.height() / 2;
    if (a == 0 || b == 0)
        return 0;
    return std::atan2(-(point.y() - centre.y()) / b, (point.x() - centre.x()) / a) * 180 / M_PI;
}

QPainterPath RectPath(const QRectF& rect) {
    QPainterPath path;
    path.addRect(rect.normalized());
    return path;
}

bool CanDrawText() {
    // Fonts need the application's font database.
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace

CMetafileCanvas::CMetafileCanvas(QImage& target) : m_target(target), m_painter(&target) {
    m_state.brush = LogBrush{0, Qt::white, 0, {}};
    m_state.pen = LogPen{0, 0, Qt::black};
}

void CMetafileCanvas::SetReferenceResolution(double pixelsPerMmX, double pixelsPerMmY) {
    if (pixelsPerMmX > 0 && pixelsPerMmY > 0 && std::isfinite(pixelsPerMmX) &&
        std::isfinite(pixelsPerMmY)) {
        m_pixelsPerMmX = pixelsPerMmX;
        m_pixelsPerMmY = pixelsPerMmY;
    }
}

// ---------------------------------------------------------------------------
// Mapping

void CMetafileCanvas::SetMapMode(int mode) {
    if (mode >= MM_TEXT && mode <= MM_ANISOTROPIC)
        m_state.mapMode = mode;
}

void CMetafileCanvas::SetWindowExt(QSizeF extent) {
    if (extent.width() != 0 && extent.height() != 0)
        m_state.windowExt = extent;
}

void CMetafileCanvas::SetViewportExt(QSizeF extent) {
    if (extent.width() != 0 && extent.height() != 0)
        m_state.viewportExt = extent;
}

void CMetafileCanvas::ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom != 0 && yDenom != 0)
        SetWindowExt(QSizeF(m_state.windowExt.width() * xNum / xDenom,
                            m_state.windowExt.height() * yNum / yDenom));
}

void CMetafileCanvas::ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom != 0 && yDenom != 0)
        SetViewportExt(QSizeF(m_state.viewportExt.width() * xNum / xDenom,
                              m_state.viewportExt.height() * yNum / yDenom));
}

void CMetafileCanvas::ModifyWorldTransform(const QTransform& transform, int mode) {
    switch (mode) {
        case 1:
            m_state.world = QTransform();
            break;
        case 2:
            m_state.world = transform * m_state.world;
            break;
        case 3:
            m_state.world = m_state.world * transform;
            break;
        case 4:
            m_state.world = transform;
            break;
        default:
            break;
    }
}

QTransform CMetafileCanvas::PageTransform() const {
    double sx = 1;
    double sy = 1;
    const double mmPerInch = 25.4;
    switch (m_state.mapMode) {
        case MM_LOMETRIC:
            sx = 0.1 * m_pixelsPerMmX;
            sy = -0.1 * m_pixelsPerMmY;
            break;
        case MM_HIMETRIC:
            sx = 0.01 * m_pixelsPerMmX;
            sy = -0.01 * m_pixelsPerMmY;
            break;
        case MM_LOENGLISH:
            sx = 0.01 * mmPerInch * m_pixelsPerMmX;
            sy = -0.01 * mmPerInch * m_pixelsPerMmY;
            break;
        case MM_HIENGLISH:
            sx = 0.001 * mmPerInch * m_pixelsPerMmX;
            sy = -0.001 * mmPerInch * m_pixelsPerMmY;
            break;
        case MM_TWIPS:
            sx = mmPerInch / 1440 * m_pixelsPerMmX;
            sy = -mmPerInch / 1440 * m_pixelsPerMmY;
            break;
        case MM_ISOTROPIC:
        case MM_ANISOTROPIC:
            sx = m_state.viewportExt.width() / m_state.windowExt.width();
            sy = m_state.viewportExt.height() / m_state.windowExt.height();
            if (m_state.mapMode == MM_ISOTROPIC) {
                const double s = std::min(std::abs(sx), std::abs(sy));
                sx = std::copysign(s, sx);
                sy = std::copysign(s, sy);
            }
            break;
        default:
            break;
    }
    // device = (logical - window origin) * scale + viewport origin
    return QTransform(sx, 0, 0, sy, m_state.viewportOrg.x() - m_state.windowOrg.x() * sx,
                      m_state.viewportOrg.y() - m_state.windowOrg.y() * sy);
}

QTransform CMetafileCanvas::Transform() const {
    return m_state.world * PageTransform() * m_device;
}

std::optional<QPainterPath> CMetafileCanvas::Map(const QPainterPath& logical) const {
    const QTransform transform = Transform();
    if (!std::isfinite(transform.determinant()) || transform.determinant() == 0)
        return std::nullopt;
    QPainterPath mapped = transform.map(logical);
    if (!IsSane(mapped.controlPointRect()))
        return std::nullopt;
    return mapped;
}

// ---------------------------------------------------------------------------
// Objects

void CMetafileCanvas::SetObjectTableSize(std::size_t size) {
    m_objects.assign(std::min(size, kMaxObjects), std::nullopt);
}

bool CMetafileCanvas::PutObject(std::size_t index, GdiObject object) {
    if (index >= m_objects.size())
        return false;
    m_objects[index] = std::move(object);
    return true;
}

bool CMetafileCanvas::AddObject(GdiObject object) {
    for (auto& slot : m_objects) {
        if (!slot) {
            slot = std::move(object);
            return true;
        }
    }
    return false;
}

void CMetafileCanvas::SelectObject(std::uint32_t index) {
    GdiObject object;
    if (index & kStockBit) {
        object = StockObject(index & ~kStockBit);
    } else if (index < m_objects.size() && m_objects[index]) {
        object = *m_objects[index];
    } else {
        return;
    }
    if (const auto* pen = std::get_if<LogPen>(&object))
        m_state.pen = *pen;
    else if (const auto* brush = std::get_if<LogBrush>(&object))
        m_state.brush = *brush;
    else if (const auto* font = std::get_if<LogFont>(&object))
        m_state.font = *font;
}

void CMetafileCanvas::DeleteObject(std::uint32_t index) {
    if (index < m_objects.size())
        m_objects[index].reset();
}

// ---------------------------------------------------------------------------
// Saved states

void CMetafileCanvas::SaveDC() {
    if (m_saved.size() < kMaxSavedStates)
        m_saved.push_back(m_state);
}

void CMetafileCanvas::RestoreDC(int saved) {
    // Relative (below 0) or absolute (1 is the first state saved).
    const long long target = saved < 0 ? static_cast<long long>(m_saved.size()) + saved
                                       : static_cast<long long>(saved) - 1;
    if (target < 0 || target >= static_cast<long long>(m_saved.size()))
        return;
    const bool inPath = m_state.inPath;
    m_state = m_saved[static_cast<std::size_t>(target)];
    m_state.inPath = inPath;
    m_saved.resize(static_cast<std::size_t>(target));
}

// ---------------------------------------------------------------------------
// Drawing

QPen CMetafileCanvas::CurrentPen() const {
    const LogPen& pen = m_state.pen;
    if ((pen.style & 0x0F) == PS_NULL)
        return Qt::NoPen;
    const QTransform t = Transform();
    double width = pen.width * std::sqrt(std::abs(t.determinant()));
    if (!std::isfinite(width))
        width = 0;
    QPen result(pen.colour, std::min(width, kMaxPenWidth));
    switch (pen.style & 0x0F) {
        case 1:
            result.setStyle(Qt::DashLine);
            break;
        case 2:
        case 8:
            result.setStyle(Qt::DotLine);
            break;
        case 3:
            result.setStyle(Qt::DashDotLine);
            break;
        case 4:
            result.setStyle(Qt::DashDotDotLine);
            break;
        default:
            break;
    }
    const std::uint32_t cap = pen.style & 0x0F00;
    result.setCapStyle(cap == 0x100 ? Qt::SquareCap : cap == 0x200 ? Qt::FlatCap : Qt::RoundCap);
    const std::uint32_t join = pen.style & 0xF000;
    result.setJoinStyle(join == 0x1000   ? Qt::BevelJoin
                        : join == 0x2000 ? Qt::MiterJoin
                                         : Qt::RoundJoin);
    result.setMiterLimit(m_state.miterLimit);
    return result;
}

QBrush CMetafileCanvas::CurrentBrush() const {
    const LogBrush& brush = m_state.brush;
    if (brush.style == 0)
        return QBrush(brush.colour);
    if (brush.style == BS_NULL)
        return Qt::NoBrush;
    if (brush.style == BS_HATCHED)
        return QBrush(brush.colour, HatchStyle(brush.hatch));
    if (!brush.pattern.isNull())
        return QBrush(brush.pattern);
    return QBrush(brush.colour);
}

bool CMetafileCanvas::Prepare(int rop2) {
    if (rop2 == 11)  // R2_NOP
        return false;
    if (m_state.clip)
        m_painter.setClipPath(*m_state.clip);
    else
        m_painter.setClipping(false);
    m_painter.setCompositionMode(Rop2Mode(rop2));
    return true;
}

void CMetafileCanvas::DrawMapped(const QPainterPath& mapped, bool fill, bool stroke) {
    if (!Prepare(m_state.rop2))
        return;
    QPainterPath path = mapped;
    path.setFillRule(m_state.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    QPen pen = stroke ? CurrentPen() : QPen(Qt::NoPen);
    QBrush brush = fill ? CurrentBrush() : QBrush(Qt::NoBrush);
    // Black and white raster operations draw in their colour.
    if (m_state.rop2 == 1 || m_state.rop2 == 16) {
        const QColor colour = m_state.rop2 == 1 ? Qt::black : Qt::white;
        if (pen.style() != Qt::NoPen)
            pen.setColor(colour);
        if (brush.style() != Qt::NoBrush)
            brush = QBrush(colour);
    }
    if (brush.style() != Qt::NoBrush && brush.style() != Qt::SolidPattern &&
        brush.style() != Qt::TexturePattern && m_state.bkMode != TRANSPARENT_MODE) {
        // A hatched brush on an opaque background fills the gaps too.
        m_painter.fillPath(path, m_state.bkColour);
    }
    m_painter.setPen(pen);
    m_painter.setBrush(brush);
    m_painter.drawPath(path);
}

void CMetafileCanvas::Shape(const QPainterPath& logical, bool fill, bool stroke) {
    const std::optional<QPainterPath> mapped = Map(logical);
    if (!mapped)
        return;
    if (m_state.inPath) {
        m_path.addPath(*mapped);
        m_figureOpen = false;
        return;
    }
    DrawMapped(*mapped, fill, stroke);
}

void CMetafileCanvas::MoveTo(QPointF point) {
    m_state.position = point;
    m_figureOpen = false;
}

void CMetafileCanvas::LineTo(QPointF point) {
    PolylineTo(QPolygonF({point}));
}

void CMetafileCanvas::Polyline(const QPolygonF& points) {
    if (points.size() < 2)
        return;
    QPainterPath path;
    path.addPolygon(points);
    Shape(path, false, true);
}

void CMetafileCanvas::PolylineTo(const QPolygonF& points) {
    if (points.isEmpty())
        return;
    QPolygonF line = points;
    line.prepend(m_state.position);
    m_state.position = points.back();
    QPainterPath path;
    path.addPolygon(line);
    if (m_state.inPath)
        AppendFigure(path);
    else
        Shape(path, false, true);
}

void CMetafileCanvas::AppendFigure(const QPainterPath& logical) {
    const std::optional<QPainterPath> mapped = Map(logical);
    if (!mapped)
        return;
    if (m_figureOpen)
        m_path.connectPath(*mapped);
    else
        m_path.addPath(*mapped);
    m_figureOpen = true;
}

void CMetafileCanvas::Polygon(const QPolygonF& points) {
    if (points.size() < 2)
        return;
    QPainterPath path;
    path.addPolygon(points);
    path.closeSubpath();
    Shape(path, true, true);
}

void CMetafileCanvas::PolyPolygon(const std::vector<QPolygonF>& polygons) {
    QPainterPath path;
    for (const QPolygonF& polygon : polygons) {
        if (polygon.size() < 2)
            continue;
        path.addPolygon(polygon);
        path.closeSubpath();
    }
    Shape(path, true, true);
}

void CMetafileCanvas::PolyPolyline(const std::vector<QPolygonF>& lines) {
    QPainterPath path;
    for (const QPolygonF& line : lines) {
        if (line.size() >= 2)
            path.addPolygon(line);
    }
    Shape(path, false, true);
}

void CMetafileCanvas::PolyBezier(const QPolygonF& points) {
    if (points.size() < 4)
        return;
    QPainterPath path(points[0]);
    for (int i = 1; i + 2 < points.size(); i += 3)
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    Shape(path, false, true);
}

void CMetafileCanvas::PolyBezierTo(const QPolygonF& points) {
    if (points.size() < 3)
        return;
    QPainterPath path(m_state.position);
    for (int i = 0; i + 2 < points.size(); i += 3) {
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
        m_state.position = points[i + 2];
    }
    if (m_state.inPath)
        AppendFigure(path);
    else
        Shape(path, false, true);
}

void CMetafileCanvas::Rectangle(const QRectF& rect) {
    Shape(RectPath(rect), true, true);
}

void CMetafileCanvas::RoundRect(const QRectF& rect, QSizeF corner) {
    QPainterPath path;
    path.addRoundedRect(rect.normalized(), std::abs(corner.width()) / 2,
                        std::abs(corner.height()) / 2);
    Shape(path, true, true);
}

void CMetafileCanvas::Ellipse(const QRectF& rect) {
    QPainterPath path;
    path.addEllipse(rect.normalized());
    Shape(path, true, true);
}

QPainterPath CMetafileCanvas::ArcPath(const QRectF& rect, QPointF start, QPointF end,
                                      ArcKind kind) const {
    const QRectF box = rect.normalized();
    const double from = EllipseAngle(box, start);
    double sweep = EllipseAngle(box, end) - from;
    // Counter-clockwise on the image unless the direction says otherwise.
    bool clockwise = m_state.clockwise;
    if (Transform().determinant() < 0)
        clockwise = !clockwise;
    if (clockwise) {
        while (sweep >= 0)
            sweep -= 360;
    } else {
        while (sweep <= 0)
            sweep += 360;
    }
    QPainterPath path;
    if (kind == ArcKind::Pie) {
        path.moveTo(box.center());
        path.arcTo(box, from, sweep);
        path.closeSubpath();
    } else {
        if (kind == ArcKind::ArcTo) {
            path.moveTo(m_state.position);
            QPainterPath arcStart;
            arcStart.arcMoveTo(box, from);
            path.lineTo(arcStart.currentPosition());
        } else {
            path.arcMoveTo(box, from);
        }
        path.arcTo(box, from, sweep);
        if (kind == ArcKind::Chord)
            path.closeSubpath();
    }
    return path;
}

void CMetafileCanvas::Arc(const QRectF& rect, QPointF start, QPointF end, ArcKind kind) {
    const QPainterPath path = ArcPath(rect, start, end, kind);
    if (kind == ArcKind::ArcTo)
        m_state.position = path.currentPosition();
    const bool closed = kind == ArcKind::Chord || kind == ArcKind::Pie;
    Shape(path, closed, true);
}

void CMetafileCanvas::AngleArc(QPointF centre, double radius, double startDegrees,
                               double sweepDegrees) {
    if (!std::isfinite(radius) || !std::isfinite(startDegrees) || !std::isfinite(sweepDegrees))
        return;
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath path(m_state.position);
    QPainterPath arcStart;
    arcStart.arcMoveTo(box, startDegrees);
    path.lineTo(arcStart.currentPosition());
    path.arcTo(box, startDegrees, std::clamp(sweepDegrees, -360.0, 360.0));
    m_state.position = path.currentPosition();
    Shape(path, false, true);
}

void CMetafileCanvas::SetPixel(QPointF point, QColor colour) {
    const QPointF mapped = Transform().map(point);
    if (!IsSane(QRectF(mapped, QSizeF(1, 1))) || !Prepare(13))
        return;
    m_painter.fillRect(QRectF(std::floor(mapped.x()), std::floor(mapped.y()), 1, 1), colour);
}

// ---------------------------------------------------------------------------
// Text

void CMetafileCanvas::TextOut(QPointF reference, const QString& text, const QRectF* opaqueRect) {
    const QTransform t = Transform();
    if (opaqueRect != nullptr) {
        const std::optional<QPainterPath> box = Map(RectPath(*opaqueRect));
        if (box && Prepare(13))
            m_painter.fillPath(*box, m_state.bkColour);
    }
    if (text.isEmpty() || text.size() > kMaxTextLength || !CanDrawText())
        return;
    const bool updatePosition = (m_state.textAlign & TA_UPDATECP) != 0;
    const QPointF origin = t.map(updatePosition ? m_state.position : reference);
    const double yScale = std::hypot(t.m21(), t.m22());
    const double pixels = std::abs(m_state.font.height) * yScale;
    if (!IsSane(QRectF(origin, QSizeF(1, 1))) || !std::isfinite(pixels) || pixels > kMaxFontPixels)
        return;
    QFont font(m_state.font.face.isEmpty() ? QStringLiteral("Sans Serif") : m_state.font.face);
    font.setPixelSize(
        std::max(1, static_cast<int>(std::lround(pixels == 0 ? 12 * yScale : pixels))));
    if (font.pixelSize() > kMaxFontPixels)
        return;
    font.setWeight(static_cast<QFont::Weight>(std::clamp(m_state.font.weight, 100, 900)));
    font.setItalic(m_state.font.italic);
    font.setUnderline(m_state.font.underline);
    font.setStrikeOut(m_state.font.strikeOut);
    const QFontMetricsF metrics(font);
    const double width = metrics.horizontalAdvance(text);
    const std::uint32_t horizontal = m_state.textAlign & TA_CENTER;
    const std::uint32_t vertical = m_state.textAlign & TA_BASELINE;
    const double dx = horizontal == TA_CENTER ? -width / 2 : horizontal == TA_RIGHT ? -width : 0;
    const double dy = vertical == TA_BASELINE ? 0
                      : vertical == TA_BOTTOM ? -metrics.descent()
                                              : metrics.ascent();
    if (!Prepare(13))
        return;
    m_painter.save();
    m_painter.translate(origin);
    m_painter.rotate(-m_state.font.escapement / 10.0);
    m_painter.setFont(font);
    if (opaqueRect == nullptr && m_state.bkMode != TRANSPARENT_MODE)
        m_painter.fillRect(QRectF(dx, dy - metrics.ascent(), width, metrics.height()),
                           m_state.bkColour);
    m_painter.setPen(m_state.textColour);
    m_painter.drawText(QPointF(dx, dy), text);
    m_painter.restore();
    if (updatePosition && t.m11() != 0)
        m_state.position.rx() += width / t.m11();
}

// ---------------------------------------------------------------------------
// Bitmaps

void CMetafileCanvas::DrawImage(const QRectF& destination, const QRectF& source,
                                const QImage& image, std::uint32_t rop) {
    if (image.isNull() || source.width() <= 0 || source.height() <= 0)
        return;
    const std::optional<QPainterPath> box = Map(RectPath(destination));
    if (!box || !Prepare(13))
        return;
    // The source rectangle's pixels onto the destination, mirrored when the
    // destination's width or height is negative.
    const QTransform placement =
        QTransform(destination.width() / source.width(), 0, 0,
                   destination.height() / source.height(), destination.x(), destination.y()) *
        Transform();
    m_painter.save();
    m_painter.setTransform(placement);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, m_state.stretchMode == 4);
    m_painter.setCompositionMode(RopMode(rop));
    m_painter.drawImage(QRectF(0, 0, source.width(), source.height()), image, source);
    m_painter.restore();
}

void CMetafileCanvas::PatBlt(const QRectF& destination, std::uint32_t rop) {
    const std::optional<QPainterPath> box = Map(RectPath(destination));
    if (!box || !Prepare(13))
        return;
    // Inverting the destination ignores the colour.
    const QBrush brush = rop == BLACKNESS                       ? QBrush(Qt::black)
                         : rop == WHITENESS || rop == DSTINVERT ? QBrush(Qt::white)
                                                                : CurrentBrush();
    if (brush.style() == Qt::NoBrush)
        return;
    m_painter.setCompositionMode(RopMode(rop));
    m_painter.fillPath(*box, brush);
}

// ---------------------------------------------------------------------------
// Paths and clipping

void CMetafileCanvas::BeginPath() {
    m_path = QPainterPath();
    m_state.inPath = true;
    m_figureOpen = false;
}

void CMetafileCanvas::AbortPath() {
    m_path = QPainterPath();
    m_state.inPath = false;
}

void CMetafileCanvas::CloseFigure() {
    if (m_state.inPath) {
        m_path.closeSubpath();
        m_figureOpen = false;
    }
}

void CMetafileCanvas::FillPath() {
    m_state.inPath = false;
    DrawMapped(m_path, true, false);
    m_path = QPainterPath();
}

void CMetafileCanvas::StrokePath() {
    m_state.inPath = false;
    DrawMapped(m_path, false, true);
    m_path = QPainterPath();
}

void CMetafileCanvas::StrokeAndFillPath() {
    m_state.inPath = false;
    DrawMapped(m_path, true, true);
    m_path = QPainterPath();
}

void CMetafileCanvas::CombineClip(const QPainterPath& mapped, int mode) {
    QPainterPath whole;
    whole.addRect(QRectF(m_target.rect()));
    const QPainterPath current = m_state.clip ? *m_state.clip : whole;
    switch (mode) {
        case 1:
            m_state.clip = current.intersected(mapped);
            break;
        case 2:
            m_state.clip = current.united(mapped);
            break;
        case 3:
            m_state.clip = current.subtracted(mapped).united(mapped.subtracted(current));
            break;
        case 4:
            m_state.clip = current.subtracted(mapped);
            break;
        case 5:
            m_state.clip = mapped;
            break;
        default:
            break;
    }
}

void CMetafileCanvas::SelectClipPath(int mode) {
    m_state.inPath = false;
    QPainterPath path = m_path;
    path.setFillRule(m_state.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    CombineClip(path, mode);
    m_path = QPainterPath();
}

void CMetafileCanvas::IntersectClipRect(const QRectF& rect) {
    if (const std::optional<QPainterPath> mapped = Map(RectPath(rect)))
        CombineClip(*mapped, 1);
}

void CMetafileCanvas::ExcludeClipRect(const QRectF& rect) {
    if (const std::optional<QPainterPath> mapped = Map(RectPath(rect)))
        CombineClip(*mapped, 4);
}

void CMetafileCanvas::ResetClip() {
    m_state.clip.reset();
}

void CMetafileCanvas::OffsetClip(QPointF delta) {
    if (m_state.clip) {
        const QPointF shift = Transform().map(delta) - Transform().map(QPointF(0, 0));
        m_state.clip->translate(shift);
    }
}
