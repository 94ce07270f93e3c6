#include "app/ResultItemDelegate.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>

namespace {
constexpr int kSmallIcon = 16;
constexpr int kSmallIconInset = 19;  // the small icon's distance from the frame's bottom right
constexpr int kLargeIcon = 32;
constexpr int kCellMargin = 4;
constexpr int kIconAboveChars = 11;  // width of a Large Icons cell in average characters
}  // namespace

CResultItemDelegate::CResultItemDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void CResultItemDelegate::initStyleOption(QStyleOptionViewItem* option,
                                          const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (m_layout == Layout::IconAbove) {
        option->decorationPosition = QStyleOptionViewItem::Top;
        option->decorationAlignment = Qt::AlignHCenter | Qt::AlignTop;
        option->displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
        option->decorationSize = QSize(kLargeIcon, kLargeIcon);
        option->features |= QStyleOptionViewItem::WrapText;
    }
}

QSize CResultItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    const int line = option.fontMetrics.height();
    switch (m_layout) {
        case Layout::IconAbove:
            return QSize(kIconAboveChars * option.fontMetrics.averageCharWidth(),
                         kLargeIcon + 2 * line + 2 * kCellMargin);
        case Layout::Thumbnail:
            return QSize(m_thumbnail.width() + 2 + 2 * kCellMargin,
                         m_thumbnail.height() + 2 + line + 3 * kCellMargin);
        case Layout::IconBeside:
            if (m_cell.isValid())
                return m_cell;
            break;
    }
    return QStyledItemDelegate::sizeHint(option, index);
}

QRect CResultItemDelegate::ThumbnailFrame(const QRect& cell) const {
    const int width = m_thumbnail.width() + 2;
    return QRect(cell.left() + (cell.width() - width) / 2, cell.top() + kCellMargin, width,
                 m_thumbnail.height() + 2);
}

void CResultItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    if (m_layout != Layout::Thumbnail) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    DrawThumbnailCell(painter, option, index);

    // The name below the picture frame, in the row's colours.
    QStyleOptionViewItem text = option;
    initStyleOption(&text, index);
    const QRect frame = ThumbnailFrame(option.rect);
    text.rect = QRect(option.rect.left(), frame.bottom() + kCellMargin, option.rect.width(),
                      option.rect.bottom() - frame.bottom() - kCellMargin);
    text.features &= ~QStyleOptionViewItem::HasDecoration;
    text.icon = QIcon();
    text.displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &text, painter, widget);
}

void CResultItemDelegate::DrawThumbnailCell(QPainter* painter, const QStyleOptionViewItem& option,
                                            const QModelIndex& index) const {
    const QRect frame = ThumbnailFrame(option.rect);
    painter->save();
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    painter->setPen(selected ? QColor(0, 0, 255) : QColor(0, 0, 0));
    painter->drawRect(frame.adjusted(0, 0, -1, -1));
    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    const CBitmap* picture = m_thumbnailOf ? m_thumbnailOf(index.row()) : nullptr;
    if (picture != nullptr && !picture->IsEmpty()) {
        const QImage image(reinterpret_cast<const uchar*>(picture->Row(0)), picture->Width(),
                           picture->Height(), picture->Width() * 4, QImage::Format_RGB32);
        painter->drawImage(QPoint(frame.left() + (frame.width() - image.width()) / 2,
                                  frame.top() + (frame.height() - image.height()) / 2),
                           image);
        if (!icon.isNull())
            icon.paint(painter, QRect(frame.left() + frame.width() - kSmallIconInset,
                                      frame.top() + frame.height() - kSmallIconInset, kSmallIcon,
                                      kSmallIcon));
    } else {
        if (!icon.isNull()) {
            const QRect iconRect(frame.left() + (frame.width() - kLargeIcon) / 2,
                                 frame.top() + (frame.height() - kLargeIcon) / 2, kLargeIcon,
                                 kLargeIcon);
            icon.paint(painter, iconRect);
        }
    }
    painter->restore();
}
