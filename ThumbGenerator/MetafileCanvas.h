#pragma once
// The device context that metafile records draw into: mapping modes with
// window, viewport and world transforms, pens, brushes, fonts, text and
// background attributes, paths, clipping and saved states, drawing through a
// QPainter on a 32-bit image. Coordinates given to it are logical units.
//
// Work per call is bounded: shapes whose mapped size is absurd are skipped,
// pens, fonts and saved states have limits.

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

// Mapping modes.
enum : int {
    MM_TEXT = 1,
    MM_LOMETRIC = 2,
    MM_HIMETRIC = 3,
    MM_LOENGLISH = 4,
    MM_HIENGLISH = 5,
    MM_TWIPS = 6,
    MM_ISOTROPIC = 7,
    MM_ANISOTROPIC = 8,
};

struct LogPen {
    std::uint32_t style = 0;  // PS_ style, end cap and join bits
    double width = 0;         // logical units; 0 is one pixel
    QColor colour = Qt::black;
};

struct LogBrush {
    std::uint32_t style = 0;  // BS_SOLID 0, BS_NULL 1, BS_HATCHED 2, pattern otherwise
    QColor colour = Qt::white;
    std::uint32_t hatch = 0;
    QImage pattern;
};

struct LogFont {
    double height = 0;   // logical units; below 0 the character height, above 0 the cell height
    int escapement = 0;  // tenths of degrees
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QString face;
};

// Palettes and regions take a slot of the object table but draw nothing.
struct OtherObject {};

using GdiObject = std::variant<LogPen, LogBrush, LogFont, OtherObject>;

class CMetafileCanvas {
public:
    // Largest object table and depth of saved states.
    static constexpr std::size_t kMaxObjects = 65536;
    static constexpr std::size_t kMaxSavedStates = 1024;
    static constexpr int kMaxTextLength = 8192;

    // Draws on `target`, which must outlive the canvas.
    explicit CMetafileCanvas(QImage& target);

    // Maps device units to the image (the last step of every transform).
    void SetDeviceTransform(const QTransform& transform) { m_device = transform; }
    // Pixels per millimetre of the reference device, for the fixed mapping modes.
    void SetReferenceResolution(double pixelsPerMmX, double pixelsPerMmY);

    // Mapping.
    void SetMapMode(int mode);
    void SetWindowOrg(QPointF origin) { m_state.windowOrg = origin; }
    void SetWindowExt(QSizeF extent);
    void SetViewportOrg(QPointF origin) { m_state.viewportOrg = origin; }
    void SetViewportExt(QSizeF extent);
    void OffsetWindowOrg(QPointF delta) { m_state.windowOrg += delta; }
    void OffsetViewportOrg(QPointF delta) { m_state.viewportOrg += delta; }
    void ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
    void ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);
    void SetWorldTransform(const QTransform& transform) { m_state.world = transform; }
    // 1: reset, 2: left-multiply, 3: right-multiply, 4: set.
    void ModifyWorldTransform(const QTransform& transform, int mode);
    QSizeF WindowExt() const { return m_state.windowExt; }
    // The whole transform from logical units to image pixels.
    QTransform Transform() const;

    // Attributes.
    void SetTextColour(QColor colour) { m_state.textColour = colour; }
    void SetBkColour(QColor colour) { m_state.bkColour = colour; }
    void SetBkMode(int mode) { m_state.bkMode = mode; }
    void SetTextAlign(std::uint32_t align) { m_state.textAlign = align; }
    void SetPolyFillMode(int mode) { m_state.polyFillMode = mode; }
    void SetRop2(int rop) { m_state.rop2 = rop; }
    void SetStretchBltMode(int mode) { m_state.stretchMode = mode; }
    void SetArcDirection(int direction) { m_state.clockwise = direction == 2; }
    void SetMiterLimit(double limit) { m_state.miterLimit = limit; }

    // Objects: a table of `size` slots; stock objects have the high bit set.
    void SetObjectTableSize(std::size_t size);
    bool PutObject(std::size_t index, GdiObject object);
    // Puts the object into the lowest free slot; false when none is free.
    bool AddObject(GdiObject object);
    void SelectObject(std::uint32_t index);
    void DeleteObject(std::uint32_t index);

    // Saved states: a negative number restores relative to the top.
    void SaveDC();
    void RestoreDC(int saved);

    // Lines and shapes.
    void MoveTo(QPointF point);
    void LineTo(QPointF point);
    void Polyline(const QPolygonF& points);
    void PolylineTo(const QPolygonF& points);
    void Polygon(const QPolygonF& points);
    void PolyPolygon(const std::vector<QPolygonF>& polygons);
    void PolyPolyline(const std::vector<QPolygonF>& lines);
    void PolyBezier(const QPolygonF& points);
    void PolyBezierTo(const QPolygonF& points);
    void Rectangle(const QRectF& rect);
    void RoundRect(const QRectF& rect, QSizeF corner);
    void Ellipse(const QRectF& rect);
    enum class ArcKind { Arc, Chord, Pie, ArcTo };
    void Arc(const QRectF& rect, QPointF start, QPointF end, ArcKind kind);
    void AngleArc(QPointF centre, double radius, double startDegrees, double sweepDegrees);
    void SetPixel(QPointF point, QColor colour);

    // Text at `reference` (or the current position with TA_UPDATECP). With
    // `opaqueRect` its rectangle is filled with the background colour first.
    void TextOut(QPointF reference, const QString& text, const QRectF* opaqueRect);

    // A bitmap from `source` (image pixels, top-down) stretched into the
    // logical rectangle `destination` under the raster operation `rop`.
    void DrawImage(const QRectF& destination, const QRectF& source, const QImage& image,
                   std::uint32_t rop);
    // A raster operation without a source bitmap over a logical rectangle.
    void PatBlt(const QRectF& destination, std::uint32_t rop);

    // Paths.
    void BeginPath();
    void EndPath() { m_state.inPath = false; }
    void AbortPath();
    void CloseFigure();
    void FillPath();
    void StrokePath();
    void StrokeAndFillPath();
    // Combines the clip with the path: 1 and, 2 or, 3 xor, 4 diff, 5 copy.
    void SelectClipPath(int mode);

    // Clipping, in logical rectangles.
    void IntersectClipRect(const QRectF& rect);
    void ExcludeClipRect(const QRectF& rect);
    void ResetClip();
    void OffsetClip(QPointF delta);

private:
    struct State {
        int mapMode = MM_TEXT;
        QPointF windowOrg{0, 0};
        QSizeF windowExt{1, 1};
        QPointF viewportOrg{0, 0};
        QSizeF viewportExt{1, 1};
        QTransform world;
        LogPen pen;
        LogBrush brush;
        LogFont font;
        QColor textColour = Qt::black;
        QColor bkColour = Qt::white;
        int bkMode = 2;  // OPAQUE
        std::uint32_t textAlign = 0;
        int polyFillMode = 1;  // ALTERNATE
        int rop2 = 13;         // R2_COPYPEN
        int stretchMode = 1;
        bool clockwise = false;
        double miterLimit = 10;
        QPointF position{0, 0};
        std::optional<QPainterPath> clip;  // image pixels; none: the whole image
        bool inPath = false;
    };

    QTransform PageTransform() const;
    // The path in image pixels, or none when it is unusable (not finite,
    // absurdly large, or the transform is degenerate).
    std::optional<QPainterPath> Map(const QPainterPath& logical) const;
    // Draws (or, inside a path bracket, collects) a shape in logical units.
    void Shape(const QPainterPath& logical, bool fill, bool stroke);
    void DrawMapped(const QPainterPath& mapped, bool fill, bool stroke);
    // Inside a path bracket: continues the open figure with an open shape.
    void AppendFigure(const QPainterPath& logical);
    QPen CurrentPen() const;
    QBrush CurrentBrush() const;
    // Sets the clip and raster operation for the next drawing; false when it
    // draws nothing (R2_NOP).
    bool Prepare(int rop2);
    QPainterPath ArcPath(const QRectF& rect, QPointF start, QPointF end, ArcKind kind) const;
    void CombineClip(const QPainterPath& mapped, int mode);

    QImage& m_target;
    QPainter m_painter;
    QTransform m_device;
    double m_pixelsPerMmX = 96 / 25.4;
    double m_pixelsPerMmY = 96 / 25.4;
    State m_state;
    std::vector<State> m_saved;
    std::vector<std::optional<GdiObject>> m_objects;
    QPainterPath m_path;  // image pixels
    bool m_figureOpen = false;
};
