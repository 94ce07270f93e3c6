#pragma once
// A push button shaped as a circle, or as a pill when it is wider than high,
// with two rims shaded as if lit from the upper left, an embossed caption and
// an optional icon before it. Clicks outside the shape do not reach it.

#include <QColor>
#include <QPoint>
#include <QPushButton>
#include <QRegion>
#include <QSize>

class QImage;
class QPainter;

// The shape of a round button whose client area is width x height.
struct RoundButtonShape {
    bool pill = false;  // wider than high
    QSize size;         // a circle's area is made square
    QPoint centre;      // of the circle
    QPoint leftCentre;  // of a pill's left end
    QPoint rightCentre;
    int radius = 0;
};
RoundButtonShape ComputeRoundButtonShape(int width, int height);

// The colour of a rim pixel at `angle` (radians, screen coordinates, 0 to the
// right): `lit` towards the upper left, `dark` opposite, blended between.
QColor GetAngleShadedColor(double angle, const QColor& lit, const QColor& dark);

class CRoundButton : public QPushButton {
    Q_OBJECT
public:
    explicit CRoundButton(QWidget* parent = nullptr);
    explicit CRoundButton(const QString& text, QWidget* parent = nullptr);
    ~CRoundButton() override;

    // The picture before the caption, from the icon resources (0: none).
    void SetIcon(int iconId);
    // Whether a focused round button shows its black and dotted circles.
    void SetDrawFocusCircle(bool draw) { m_bDrawDashedFocusCircle = draw; }

    const RoundButtonShape& Shape() const { return m_shape; }
    const QRegion& Region() const { return m_region; }

    // A pill around icon and caption, or a circle without a caption.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    // Takes the shape of the new size: a circle is made square in place.
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void ApplyShape();
    // One rim (a circle, or a pill's two halves and the lines between them)
    // `inset` pixels inside the shape's radius, shaded from `lit` to `dark`.
    void DrawRim(QImage& image, int inset, const QColor& lit, const QColor& dark) const;
    void DrawPlainRim(QImage& image, int inset, const QColor& colour) const;
    void DrawCaption(QPainter& painter) const;

    QRegion m_region;
    RoundButtonShape m_shape;
    bool m_bDrawDashedFocusCircle = true;
};
