#include "app/ThumbnailLoader.h"

#include <memory>

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
    connect(m_pModel, &QAbstractItemModel::modelReset, this,
            [this] { m_nGeneration = m_queue.GetGeneration(); });
    connect(m_pList, &CResultListCtrl::ViewModeChanged, this, &CThumbnailLoader::OnViewModeChanged);
    connect(m_pList, &CResultListCtrl::VisibleRowsChanged, this,
            &CThumbnailLoader::PublishVisibleRows);
    m_pList->SetThumbnailRequest([this](int row) { QueueThumbnail(row); });
    OnViewModeChanged(m_pList->GetViewMode());
}

CThumbnailLoader::~CThumbnailLoader() {
    m_pList->SetThumbnailRequest({});
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

void CThumbnailLoader::QueueThumbnail(int row) {
    const CRowRecord shown = m_pModel->GetRowRecord(row);
    if (shown.record == nullptr || shown.record->m_iThumbnailState != THUMBNAIL_NONE)
        return;
    PublishVisibleRows();
    m_queue.Queue(m_nGeneration, row, shown.index, MakeProviderItem(*shown.record));
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
    if (const std::shared_ptr<CResultArray>& results = m_pModel->GetResults()) {
        for (std::size_t i = 0; i < results->GetCount(); ++i)
            results->GetAt(i).FreeThumbnail();
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
    m_queue.ApplyIfCurrent(result, [&] {
        const std::shared_ptr<CResultArray>& results = m_pModel->GetResults();
        if (result.record >= results->GetCount())
            return;
        CResultItem& record = results->GetAt(result.record);
        if (record.m_iThumbnailState != THUMBNAIL_NONE)
            return;
        if (result.made) {
            record.m_pThumbnail = std::make_unique<CBitmap>(std::move(result.bitmap));
            record.m_iThumbnailState = THUMBNAIL_MADE;
        } else {
            record.m_iThumbnailState = THUMBNAIL_FAILED;
        }
        // The row may have moved since it asked (a sort).
        m_pList->RedrawItem(m_pModel->RowOfRecord(result.record, result.row));
    });
}
