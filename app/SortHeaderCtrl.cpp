#include "app/SortHeaderCtrl.h"

#include <QPainter>

namespace {
constexpr int kArrowWidth = 7;
constexpr int kArrowHeight = 6;
constexpr int kArrowRightGap = 6;
}  // namespace

CSortHeaderCtrl::CSortHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setSectionsMovable(true);
    setHighlightSections(false);
}

int CSortHeaderCtrl::SetSortImage(int column, bool ascending) {
    const int previous = m_nSortColumn;
    if (column != m_nSortColumn || ascending != m_bSortAscending) {
        m_nSortColumn = column;
        m_bSortAscending = ascending;
        viewport()->update();
    }
    return previous;
}

void CSortHeaderCtrl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid())
        return;
    painter->save();
    painter->setClipRect(rect);
    painter->fillRect(rect, palette().button());

    // Text inset by two blanks on the left, and on the right by eight blanks
    // in the sort column (room for the arrow), two elsewhere.
    const int blank = fontMetrics().horizontalAdvance(QLatin1Char(' '));
    const bool sorted = logicalIndex == m_nSortColumn;
    QRect text = rect.adjusted(2 * blank, 0, -(sorted ? 8 : 2) * blank, 0);
    if (!text.isEmpty() && model()) {
        const QString title = model()->headerData(logicalIndex, orientation()).toString();
        const QVariant align =
            model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole);
        const Qt::Alignment horizontal =
            align.isValid() ? align.value<Qt::Alignment>() & Qt::AlignHorizontal_Mask
                            : Qt::AlignLeft;
        painter->setPen(palette().buttonText().color());
        painter->drawText(text,
                          static_cast<int>(horizontal | Qt::AlignVCenter | Qt::TextSingleLine),
                          fontMetrics().elidedText(title, Qt::ElideRight, text.width()));
    }
    // The item's edge, as the style draws between header items.
    painter->setPen(palette().dark().color());
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    if (sorted)
        DrawSortArrow(painter, rect);
    painter->restore();
}

void CSortHeaderCtrl::DrawSortArrow(QPainter* painter, const QRect& rect) const {
    const int right = rect.right() - kArrowRightGap;
    const int left = right - kArrowWidth + 1;
    const int top = rect.top() + (rect.height() - kArrowHeight) / 2;
    const int bottom = top + kArrowHeight - 1;
    const int middle = left + kArrowWidth / 2;
    const QColor highlight = palette().light().color();
    const QColor shadow = palette().dark().color();
    if (m_bSortAscending) {
        // Pointing up: the left edge lit, the right and bottom edges shaded.
        painter->setPen(highlight);
        painter->drawLine(left, bottom, middle, top);
        painter->setPen(shadow);
        painter->drawLine(middle, top, right, bottom);
        painter->drawLine(left, bottom, right, bottom);
    } else {
        // Pointing down: the top and left edges lit, the right edge shaded.
        painter->setPen(highlight);
        painter->drawLine(left, top, right, top);
        painter->drawLine(left, top, middle, bottom);
        painter->setPen(shadow);
        painter->drawLine(middle, bottom, right, top);
    }
}
