#pragma once
// The window's side of the thumbnail queue: it asks for the picture of each
// pending row the Thumbnails view paints, tells the queue which rows are in
// view and whether the view is shown, and puts each picture made into its
// record on the window's thread, where the view then repaints the row. When
// the view is entered at another size than its pictures were made at, they
// are made again.

#include <QObject>
#include <QSize>

#include <cstdint>

#include "app/engine/ThumbnailQueue.h"

class CResultListCtrl;
class CResultListModel;

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

    // Asks for the picture of `row`: nothing when the row is not in the row
    // map or its record's picture is not pending.
    void QueueThumbnail(int row);
    // Drops every request and waits for the picture in hand, so the rows'
    // pictures can be freed and made again; pictures asked before are not
    // put into the rows.
    void Clear();

private:
    // Frees every row's picture once the worker is done with it, so the
    // rows are made again.
    void RemakePictures();
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
    // The size of the pictures in the rows (none before the view was shown).
    QSize m_madeSize;
};
