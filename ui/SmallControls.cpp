#include "ui/SmallControls.h"

#include <QPainter>

COwnerDrawTabCtrl::COwnerDrawTabCtrl(QWidget* parent) : QTabBar(parent) {}

QString COwnerDrawTabCtrl::DrawnText(int index) const {
    return tabText(index).left(kMaxTabText);
}

QRect COwnerDrawTabCtrl::TextRect(int index) const {
    // The whole text box moves, so the text itself stands the full distance
    // lower (shrinking the box from the top would centre it only half as far).
    const QRect r = tabRect(index);
    return index == currentIndex() ? r : r.translated(0, kUnselectedDrop);
}

void COwnerDrawTabCtrl::DrawItem(QPainter& painter, int index) const {
    painter.fillRect(tabRect(index), palette().color(backgroundRole()));
    painter.setPen(CaptionColour(index));
    painter.drawText(TextRect(index), Qt::AlignCenter | Qt::TextSingleLine, DrawnText(index));
}

QColor COwnerDrawTabCtrl::CaptionColour(int /*index*/) const {
    return palette().color(foregroundRole());
}

void COwnerDrawTabCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int index = 0; index < count(); ++index)
        DrawItem(painter, index);
}

CPlainComboBox::CPlainComboBox(QWidget* parent) : QComboBox(parent) {}
