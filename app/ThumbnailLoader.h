#pragma once
// The window's side of the thumbnail queue: it asks for the picture of each
// pending row the Thumbnails view paints, tells the queue which rows are in
// view and whether the view is shown, and keeps each picture made in its
// cache on the window's thread, marking the record made, where the view then
// repaints the row. When the cache passes its bound, the pictures of rows far
// out of view go and their records are pending again, so they are asked for
// anew (newest first) when their rows come back into view. When the view is
// entered at another size than its pictures were made at, they are made
// again.

#include <QObject>
#include <QSize>

#include <cstddef>
#include <cstdint>

#include "app/engine/ThumbnailCache.h"
#include "app/engine/ThumbnailQueue.h"

class CResultListCtrl;
class CResultListModel;
struct CRowRecord;

class CThumbnailLoader : public QObject {
    Q_OBJECT
public:
    // `model` and `list` must outlive the loader.
    CThumbnailLoader(CResultListModel* model, CResultListCtrl* list, QObject* parent = nullptr);
    // The list no longer asks for pictures; the worker stops.
    ~CThumbnailLoader() override;

    CThumbnailQueue& Queue() { return m_queue; }
    // Creates the thumbnail makers, once in the loader's life.
    void EnsureProviders();
    // The largest picture.
    void SetMaxSize(const QSize& size);

    // The bound on the pixel bytes of the pictures kept
    // (CThumbnailCache::kDefaultByteLimit unless set).
    void SetPictureByteLimit(std::size_t bytes);
    const CThumbnailCache& Pictures() const { return m_pictures; }

    // The picture to paint for `row`, or null while it has none; the picture
    // of a pending row is asked for.
    const CBitmap* PictureOfRow(int row);
    // Drops every request and waits for the picture in hand, so the rows'
    // pictures can be freed and made again; pictures asked before are not
    // put into the rows.
    void Clear();

private:
    // Asks for the picture of the row's record when it is pending.
    void QueueThumbnail(const CRowRecord& shown);
    // Frees every row's picture once the worker is done with it, so the
    // rows are made again.
    void RemakePictures();
    // While the cache is over its bound, drops the pictures shown longest ago
    // but those of the rows in view; their records are pending again.
    void DropPicturesOutOfView();
    void PublishVisibleRows();
    void OnViewModeChanged(int mode);
    // Puts a picture (or the failure) into its record, when the result is
    // of the rows shown and the record still waits for it.
    void ApplyResult(CThumbnailQueue::Result& result);

    CResultListModel* m_pModel;
    CResultListCtrl* m_pList;
    // The queue's generation of the rows the model shows.
    std::uint64_t m_nGeneration = 0;
    CThumbnailQueue m_queue;
    // The pictures of the rows the model shows, by record index.
    CThumbnailCache m_pictures;
    // The size of the pictures in the rows (none before the view was shown).
    QSize m_madeSize;
};
