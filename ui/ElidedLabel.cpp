#include "ui/ElidedLabel.h"

#include <QPainter>
#include <QStyle>

CElidedLabel::CElidedLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QString CElidedLabel::DisplayedText() const {
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

QSize CElidedLabel::minimumSizeHint() const {
    // Room for the ellipsis and a character on either side of it.
    const QFontMetrics metrics = fontMetrics();
    const QMargins margins = contentsMargins();
    return QSize(
        metrics.horizontalAdvance(QStringLiteral("W\u2026W")) + margins.left() + margins.right(),
        QLabel::minimumSizeHint().height());
}

void CElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), static_cast<int>(alignment()), palette(),
                          isEnabled(), DisplayedText(), foregroundRole());
}
