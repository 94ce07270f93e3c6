#pragma once
// Draws the cells of the result list's icon views: Large Icons puts the icon
// above the name; Thumbnails draws a framed picture cell of the thumbnail size
// with the name below it. The other views use the standard drawing.

#include <QSize>
#include <QStyledItemDelegate>

#include <functional>

#include "platform/BitmapImage.h"

class CResultItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum class Layout { IconBeside, IconAbove, Thumbnail };

    explicit CResultItemDelegate(QObject* parent = nullptr);

    void SetLayout(Layout layout) { m_layout = layout; }
    Layout GetLayout() const { return m_layout; }
    // The largest picture of a thumbnail cell (the cell's picture frame is
    // two pixels larger).
    void SetThumbnailSize(const QSize& size) { m_thumbnail = size; }
    // Icon Beside cells all take this size (the grid of Small Icons and
    // List), so that no name is cut to the width of the first row's name.
    void SetCellSize(const QSize& size) { m_cell = size; }
    // The picture frame of a Thumbnails cell whose bounds are `cell`.
    QRect ThumbnailFrame(const QRect& cell) const;
    // Asked for the picture of each row painted in Thumbnails: the picture,
    // or null while the row has none (the source asks for it then).
    void SetThumbnailSource(std::function<const CBitmap*(int row)> source) {
        m_thumbnailOf = std::move(source);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    // The picture frame with the row's picture centred in it and its small
    // icon at the bottom right; until a picture exists, the large icon
    // centred.
    void DrawThumbnailCell(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const;

    Layout m_layout = Layout::IconBeside;
    QSize m_thumbnail{128, 128};
    QSize m_cell;
    std::function<const CBitmap*(int row)> m_thumbnailOf;
};
