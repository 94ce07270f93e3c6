#include "app/ThumbnailLoader.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/engine/ProviderItemOfRecord.h"

CThumbnailLoader::CThumbnailLoader(CResultListModel* model, CResultListCtrl* list, QObject* parent)
    : QObject(parent),
      m_pModel(model),
      m_pList(list),
      m_queue([this](CThumbnailQueue::Result&& result) {
          auto carried = std::make_shared<CThumbnailQueue::Result>(std::move(result));
          QMetaObject::invokeMethod(
              this, [this, carried] { ApplyResult(*carried); }, Qt::QueuedConnection);
      }) {
    m_nGeneration = m_queue.GetGeneration();
    // The model shows a new generation of rows only after the queue started
    // one (clearing the results), so the generation read here is theirs.
    connect(m_pModel, &QAbstractItemModel::modelReset, this, [this] {
        m_nGeneration = m_queue.GetGeneration();
        m_pictures.Clear();
    });
    connect(m_pList, &CResultListCtrl::ViewModeChanged, this, &CThumbnailLoader::OnViewModeChanged);
    connect(m_pList, &CResultListCtrl::VisibleRowsChanged, this,
            &CThumbnailLoader::PublishVisibleRows);
    m_pList->SetThumbnailSource([this](int row) { return PictureOfRow(row); });
    OnViewModeChanged(m_pList->GetViewMode());
}

CThumbnailLoader::~CThumbnailLoader() {
    m_pList->SetThumbnailSource({});
}

void CThumbnailLoader::EnsureProviders() {
    if (m_queue.HasProviders())
        return;
    CThumbnailProviderList providers;
    CreateThumbnailProviders(providers);
    m_queue.SetProviders(std::move(providers));
}

void CThumbnailLoader::SetMaxSize(const QSize& size) {
    m_queue.SetMaxSize(SIZE{size.width(), size.height()});
}

void CThumbnailLoader::SetPictureByteLimit(std::size_t bytes) {
    m_pictures.SetByteLimit(bytes);
    DropPicturesOutOfView();
}

const CBitmap* CThumbnailLoader::PictureOfRow(int row) {
    const CRowRecord shown = m_pModel->GetRowRecord(row);
    if (shown.record == nullptr)
        return nullptr;
    if (shown.record->m_iThumbnailState == THUMBNAIL_MADE) {
        if (const CBitmap* picture = m_pictures.Use(shown.index))
            return picture;
        // The rows were shown anew (the model was reset) with records made
        // before: their pictures are made again.
        shown.record->m_iThumbnailState = THUMBNAIL_NONE;
        m_queue.Release(m_nGeneration, shown.index);
    }
    QueueThumbnail(shown);
    return nullptr;
}

void CThumbnailLoader::QueueThumbnail(const CRowRecord& shown) {
    if (shown.record->m_iThumbnailState != THUMBNAIL_NONE)
        return;
    // Scrolling publishes the rows in view; a row painted outside them shows
    // they changed otherwise (the view grew, the list was laid out further).
    if (!m_queue.IsRowVisible(shown.row))
        PublishVisibleRows();
    m_queue.Queue(m_nGeneration, shown.row, shown.index, MakeProviderItem(*shown.record));
}

void CThumbnailLoader::Clear() {
    m_queue.Clear();
    m_nGeneration = m_queue.GetGeneration();
}

void CThumbnailLoader::PublishVisibleRows() {
    int first = 0;
    int last = -1;
    if (m_pList->GetViewMode() == VIEW_MODE_THUMBNAILS)
        m_pList->GetVisibleRows(&first, &last);
    m_queue.SetVisibleRows(first, last);
}

void CThumbnailLoader::RemakePictures() {
    // The worker is done with the pictures before they go.
    Clear();
    m_pictures.Clear();
    if (const std::shared_ptr<CResultArray>& results = m_pModel->GetResults()) {
        for (std::size_t i = 0; i < results->GetCount(); ++i)
            results->GetAt(i).m_iThumbnailState = THUMBNAIL_NONE;
    }
}

void CThumbnailLoader::DropPicturesOutOfView() {
    if (!m_pictures.IsOverLimit())
        return;
    int first = 0;
    int last = -1;
    if (m_pList->GetViewMode() == VIEW_MODE_THUMBNAILS)
        m_pList->GetVisibleRows(&first, &last);
    std::vector<std::size_t> inView;
    for (int row = first; row <= last; ++row) {
        const CRowRecord shown = m_pModel->GetRowRecord(row);
        if (shown.record != nullptr)
            inView.push_back(shown.index);
    }
    const std::vector<std::size_t> dropped = m_pictures.Trim([&](std::size_t record) {
        return std::find(inView.begin(), inView.end(), record) != inView.end();
    });
    const std::shared_ptr<CResultArray>& results = m_pModel->GetResults();
    for (const std::size_t record : dropped) {
        if (record < results->GetCount())
            results->GetAt(record).m_iThumbnailState = THUMBNAIL_NONE;
        m_queue.Release(m_nGeneration, record);
    }
}

void CThumbnailLoader::OnViewModeChanged(int mode) {
    const bool thumbnails = mode == VIEW_MODE_THUMBNAILS;
    if (thumbnails) {
        // Pictures made at another size are made again at the view's.
        const QSize size = m_pList->GetThumbnailSize();
        if (m_madeSize.isValid() && size != m_madeSize)
            RemakePictures();
        m_madeSize = size;
        SetMaxSize(size);
    }
    PublishVisibleRows();
    m_queue.SetActive(thumbnails);
}

void CThumbnailLoader::ApplyResult(CThumbnailQueue::Result& result) {
    // The rows in view, asked of the view before the queue's lock is taken.
    int first = 0;
    int last = -1;
    m_pList->GetVisibleRows(&first, &last);
    const BOOL current = m_queue.ApplyIfCurrent(result, [&] {
        const std::shared_ptr<CResultArray>& results = m_pModel->GetResults();
        if (result.record >= results->GetCount())
            return;
        CResultItem& record = results->GetAt(result.record);
        if (record.m_iThumbnailState != THUMBNAIL_NONE)
            return;
        if (result.made) {
            m_pictures.Put(result.record, std::move(result.bitmap));
            record.m_iThumbnailState = THUMBNAIL_MADE;
        } else {
            record.m_iThumbnailState = THUMBNAIL_FAILED;
        }
        // The row may have moved since it asked (a sort); out of view it
        // needs no redraw.
        m_pList->RedrawItem(m_pModel->RowOfRecord(result.record, result.row, first, last));
    });
    // Outside the queue's lock: dropping a picture releases it there.
    if (current)
        DropPicturesOutOfView();
}
