#include "ui/RoundButton.h"

#include <QImage>
#include <QPainter>
#include <QResizeEvent>
#include <QStyle>

#include <cmath>

#include "ui/IconResources.h"

namespace {

constexpr double kHalfPi = 1.570796327;
constexpr double kPi = 3.141592654;
constexpr int kIconSize = 16;
constexpr int kIconGap = 4;

// Calls plot(x, y) for every step of one octant of the midpoint circle of
// `radius`, from (radius, 0) until y passes x.
template <typename Plot>
void ForEachOctantStep(int radius, Plot plot) {
    int x = radius;
    int y = 0;
    int d = 1 - radius;
    while (y <= x) {
        plot(x, y);
        ++y;
        if (d < 0) {
            d += 2 * y + 1;
        } else {
            --x;
            d += 2 * (y - x) + 1;
        }
    }
}

struct RimPoint {
    int dx;
    int dy;
    double angle;
};

// The step's four points on the right half and four on the left, each with
// its own angle around the centre.
void StepPoints(int x, int y, RimPoint right[4], RimPoint left[4]) {
    const double a = std::atan2(static_cast<double>(y), static_cast<double>(x));
    right[0] = {x, y, a};
    right[1] = {y, x, kHalfPi - a};
    right[2] = {y, -x, a - kHalfPi};
    right[3] = {x, -y, -a};
    left[0] = {-y, x, a + kHalfPi};
    left[1] = {-x, y, kPi - a};
    left[2] = {-x, -y, a - kPi};
    left[3] = {-y, -x, -a - kHalfPi};
}

void SetPixel(QImage& image, int x, int y, const QColor& colour) {
    if (x >= 0 && y >= 0 && x < image.width() && y < image.height())
        image.setPixelColor(x, y, colour);
}

}  // namespace

RoundButtonShape ComputeRoundButtonShape(int width, int height) {
    RoundButtonShape shape;
    shape.pill = height < width;
    int side = shape.pill ? height : std::min(width, height);
    shape.size = shape.pill ? QSize(width, height) : QSize(side, side);
    shape.centre = QPoint(shape.size.width() / 2, shape.size.height() / 2);
    shape.radius = side / 2 - 1;
    shape.leftCentre = QPoint(height / 2 - 1, shape.centre.y());
    shape.rightCentre = QPoint(width - height / 2, shape.centre.y());
    return shape;
}

QColor GetAngleShadedColor(double angle, const QColor& lit, const QColor& dark) {
    double a = -angle - 1.88;
    if (a < -3.1415)
        a += 6.293;
    else if (a > 3.1415)
        a = 6.293 - a;
    const double w = (std::cos(a) + 1.0) / 2.0;
    const auto blend = [w](int l, int d) { return static_cast<int>(w * l + (1.0 - w) * d); };
    return QColor(blend(lit.red(), dark.red()), blend(lit.green(), dark.green()),
                  blend(lit.blue(), dark.blue()));
}

CRoundButton::CRoundButton(QWidget* parent) : QPushButton(parent) {}

CRoundButton::CRoundButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

CRoundButton::~CRoundButton() = default;

void CRoundButton::SetIcon(int iconId) {
    setIcon(iconId ? LoadIconResource(iconId, kIconSize) : QIcon());
    updateGeometry();
    update();
}

QSize CRoundButton::sizeHint() const {
    const int iconWidth = icon().isNull() ? 0 : kIconSize;
    const QFontMetrics metrics = fontMetrics();
    const int height = std::max({metrics.height() + 10, iconWidth + 10, 24});
    if (text().isEmpty())
        return QSize(height, height);
    const int textWidth = metrics.horizontalAdvance(QString(text()).remove(QLatin1Char('&')));
    return QSize(textWidth + (iconWidth ? iconWidth + kIconGap : 0) + height + 4, height);
}

void CRoundButton::resizeEvent(QResizeEvent* event) {
    QPushButton::resizeEvent(event);
    ApplyShape();
}

void CRoundButton::ApplyShape() {
    m_shape = ComputeRoundButtonShape(width(), height());
    // A circle is made square in place (coming back here with that size).
    if (!m_shape.pill && size() != m_shape.size)
        resize(m_shape.size);
    const int w = m_shape.size.width();
    const int h = m_shape.size.height();
    if (m_shape.pill) {
        m_region = QRegion(QRect(0, 0, h, h), QRegion::Ellipse)
                       .united(QRect(h / 2, 0, w - h, h))
                       .united(QRegion(QRect(w - h, 0, h, h), QRegion::Ellipse));
    } else {
        m_region = QRegion(QRect(0, 0, w, h), QRegion::Ellipse);
    }
    setMask(m_region);
}

void CRoundButton::DrawRim(QImage& image, int inset, const QColor& lit, const QColor& dark) const {
    const int radius = m_shape.radius - inset;
    if (radius <= 0)
        return;
    const QPoint rightCentre = m_shape.pill ? m_shape.rightCentre : m_shape.centre;
    const QPoint leftCentre = m_shape.pill ? m_shape.leftCentre : m_shape.centre;
    ForEachOctantStep(radius, [&](int x, int y) {
        RimPoint right[4];
        RimPoint left[4];
        StepPoints(x, y, right, left);
        for (const RimPoint& p : right)
            SetPixel(image, rightCentre.x() + p.dx, rightCentre.y() + p.dy,
                     GetAngleShadedColor(p.angle, lit, dark));
        for (const RimPoint& p : left)
            SetPixel(image, leftCentre.x() + p.dx, leftCentre.y() + p.dy,
                     GetAngleShadedColor(p.angle, lit, dark));
    });
    if (!m_shape.pill)
        return;
    // The straight edges take the colours the arcs have where they meet.
    const int top = leftCentre.y() - radius;
    const int bottom = leftCentre.y() + radius;
    const QColor topColour = image.pixelColor(leftCentre.x(), std::max(0, top));
    const QColor bottomColour =
        image.pixelColor(leftCentre.x(), std::min(image.height() - 1, bottom));
    for (int x = leftCentre.x() + 1; x < rightCentre.x(); ++x) {
        SetPixel(image, x, top, topColour);
        SetPixel(image, x, bottom, bottomColour);
    }
}

void CRoundButton::DrawPlainRim(QImage& image, int inset, const QColor& colour) const {
    DrawRim(image, inset, colour, colour);
}

void CRoundButton::paintEvent(QPaintEvent* /*event*/) {
    const QPalette& colours = palette();
    QImage image(size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(colours.color(QPalette::Button));

    const bool focusCircle = hasFocus() && m_bDrawDashedFocusCircle && !m_shape.pill;
    int inset = 0;
    if (focusCircle)
        DrawPlainRim(image, inset++, Qt::black);
    const bool pressed = isDown();
    const QColor highlight = colours.color(QPalette::Light);
    const QColor darkShadow = colours.color(QPalette::Shadow);
    const QColor light = colours.color(QPalette::Midlight);
    const QColor shadow = colours.color(QPalette::Dark);
    if (isFlat()) {
        DrawPlainRim(image, inset, pressed ? highlight : shadow);
        DrawPlainRim(image, inset + 1, pressed ? shadow : highlight);
    } else if (pressed) {
        DrawRim(image, inset, darkShadow, highlight);
        DrawRim(image, inset + 1, shadow, light);
    } else {
        DrawRim(image, inset, highlight, darkShadow);
        DrawRim(image, inset + 1, light, shadow);
    }
    if (focusCircle) {
        // Every other step of a circle two pixels inside the rims.
        const int radius = m_shape.radius - inset - 1 - 2;
        int step = 0;
        if (radius > 0) {
            ForEachOctantStep(radius, [&](int x, int y) {
                if (step++ % 2)
                    return;
                RimPoint right[4];
                RimPoint left[4];
                StepPoints(x, y, right, left);
                for (const RimPoint* half : {right, left}) {
                    for (int i = 0; i < 4; ++i)
                        SetPixel(image, m_shape.centre.x() + half[i].dx,
                                 m_shape.centre.y() + half[i].dy, Qt::black);
                }
            });
        }
    }
    QPainter painter(this);
    painter.drawImage(0, 0, image);
    DrawCaption(painter);
}

void CRoundButton::DrawCaption(QPainter& painter) const {
    const QString caption = text();
    const bool hasIcon = !icon().isNull();
    if (caption.isEmpty() && !hasIcon)
        return;
    painter.save();
    painter.setClipRegion(m_shape.pill ? QRegion(rect()) : QRegion(rect(), QRegion::Ellipse));
    const QFontMetrics metrics = fontMetrics();
    const int textWidth =
        caption.isEmpty() ? 0
                          : metrics.horizontalAdvance(QString(caption).remove(QLatin1Char('&')));
    const int iconWidth = hasIcon ? kIconSize + (caption.isEmpty() ? 0 : kIconGap) : 0;
    const int left = (width() - textWidth - iconWidth) / 2;
    if (hasIcon) {
        const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
        painter.drawPixmap(left, (height() - kIconSize) / 2,
                           icon().pixmap(kIconSize, kIconSize, mode));
    }
    if (!caption.isEmpty()) {
        const QRect textRect(left + iconWidth, (height() - metrics.height()) / 2, textWidth,
                             metrics.height());
        constexpr int kFlags = Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;
        const QPalette& colours = palette();
        if (isEnabled()) {
            painter.setPen(colours.color(QPalette::Light));
            painter.drawText(textRect, kFlags, caption);
            painter.setPen(colours.color(QPalette::Shadow));
            painter.drawText(textRect.translated(-1, -1), kFlags, caption);
        } else {
            painter.setPen(colours.color(QPalette::Light));
            painter.drawText(textRect.translated(1, 1), kFlags, caption);
            painter.setPen(colours.color(QPalette::Disabled, QPalette::WindowText));
            painter.drawText(textRect, kFlags, caption);
        }
    }
    painter.restore();
}
