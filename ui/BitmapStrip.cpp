#include "ui/BitmapStrip.h"

#include <QBitmap>
#include <QPixmap>

QList<QIcon> LoadBitmapStrip(int id, int width, const QColor& transparent) {
    QPixmap strip(QStringLiteral(":/BITMAP/%1").arg(id));
    QList<QIcon> icons;
    if (strip.isNull() || width <= 0)
        return icons;
    strip.setMask(strip.createMaskFromColor(transparent, Qt::MaskInColor));
    for (int x = 0; x + width <= strip.width(); x += width)
        icons << QIcon(strip.copy(x, 0, width, strip.height()));
    return icons;
}
