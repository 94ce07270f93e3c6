#include "tools/windows/RenameDlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

#include "tools/windows/RenamePages.h"
#include "tools/windows/RenamePreviewModel.h"
#include "ui/DialogButtons.h"
#include "ui/IconResources.h"
#include "ui/ResourceText.h"
#include "ui/WaitCursor.h"

CRenameDlg::CRenameDlg(QWidget* parent) : CHelpDialog(IDD_RENAME, parent) {
    setWindowTitle(QStringLiteral("Rename"));
    setSizeGripEnabled(true);
    setMinimumSize(kRenameMinWidth, kRenameMinHeight);

    m_pSheet = new CRenameSheet(this);
    connect(m_pSheet, &CRenameSheet::Changed, this, &CRenameDlg::UpdateNewNames);

    m_pModel = new CRenamePreviewModel(m_job, this);
    m_pList = new QTreeView(this);
    m_pList->setObjectName(QString::number(IDC_RENAME_PREVIEW));
    m_pList->setModel(m_pModel);
    m_pList->setRootIsDecorated(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->header()->setSectionsMovable(true);
    m_pList->header()->setSectionsClickable(true);
    m_pList->header()->setStretchLastSection(false);
    for (int column = 0; column < RENAME_COLUMN_COUNT; ++column)
        m_pList->setColumnWidth(column, kRenamePreviewWidths[column]);
    m_pList->installEventFilter(this);
    connect(m_pList->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_job.SortByColumn(column);
        m_pModel->Refresh();
        ShowSortMark();
    });

    auto* side = new QVBoxLayout;
    AddDialogButtons(this, side,
                     {{IDC_RENAME_UP, "&Up", IDI_UP, [this] { OnUp(); }},
                      {IDC_RENAME_DOWN, "&Down", IDI_DOWN, [this] { OnDown(); }},
                      {IDC_RENAME_REMOVE, "Re&move", IDI_DELETE, [this] { OnRemove(); }}});
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    AddDialogButtons(
        this, bottom,
        {{IDOK, "&Rename", IDI_OK, [this] { OnRename(); }}, {IDCANCEL, "Cancel", IDI_CANCEL, {}}});
    // AddDialogButtons ends with a stretch, which a row does not want.
    delete bottom->takeAt(bottom->count() - 1);

    auto* middle = new QHBoxLayout;
    middle->addWidget(m_pList, 1);
    middle->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pSheet);
    layout->addLayout(middle, 1);
    layout->addLayout(bottom);
    resize(std::max(sizeHint().width(), kRenameMinWidth),
           std::max(sizeHint().height(), kRenameMinHeight));
}

CRenameDlg::~CRenameDlg() = default;

void CRenameDlg::SetItems(const std::vector<CResultItem*>& records,
                          const RenameDetailReader& reader) {
    {
        CWaitCursor wait;
        m_job.SetItems(records, reader);
    }
    m_pModel->Refresh();
    UpdateNewNames();
}

void CRenameDlg::UpdateNewNames() {
    if (m_job.UpdateNewNames(m_pSheet->ReadOptions()))
        emit m_pModel->dataChanged(m_pModel->index(0, 0), m_pModel->index(m_pModel->rowCount() - 1,
                                                                          RENAME_COLUMN_COUNT - 1));
}

std::vector<std::size_t> CRenameDlg::SelectedPositions() const {
    std::vector<std::size_t> positions;
    for (const QModelIndex& index : m_pList->selectionModel()->selectedRows())
        positions.push_back(static_cast<std::size_t>(index.row()));
    std::sort(positions.begin(), positions.end());
    return positions;
}

void CRenameDlg::SelectPositions(const std::vector<std::size_t>& positions) {
    QItemSelection selection;
    for (const std::size_t position : positions) {
        const int row = static_cast<int>(position);
        selection.select(m_pModel->index(row, 0), m_pModel->index(row, RENAME_COLUMN_COUNT - 1));
    }
    m_pList->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void CRenameDlg::ShowSortMark() {
    QHeaderView* header = m_pList->header();
    header->setSortIndicatorShown(m_job.GetSortColumn() >= 0);
    header->setSortIndicator(m_job.GetSortColumn(),
                             m_job.IsSortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void CRenameDlg::MoveSelection(void (CRenameJob::*move)(std::vector<std::size_t>*)) {
    std::vector<std::size_t> selected = SelectedPositions();
    (m_job.*move)(&selected);
    m_pModel->Refresh();
    SelectPositions(selected);
    UpdateNewNames();
}

void CRenameDlg::OnUp() {
    MoveSelection(&CRenameJob::MoveUp);
}

void CRenameDlg::OnDown() {
    MoveSelection(&CRenameJob::MoveDown);
}

void CRenameDlg::OnRemove() {
    m_job.Remove(SelectedPositions());
    m_pModel->Refresh();
    UpdateNewNames();
}

bool CRenameDlg::ConfirmRename() {
    return QMessageBox::question(this, windowTitle(), ResourceText(IDS_CONFIRM_RENAME),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void CRenameDlg::OnRename() {
    if (!ConfirmRename())
        return;
    int result = 0;
    {
        CWaitCursor wait;
        UpdateNewNames();
        result = m_job.DoRename();
    }
    done(result);
}

bool CRenameDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pList && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        OnRemove();
        return true;
    }
    return CHelpDialog::eventFilter(watched, event);
}
