#include "app/ResultListCtrl.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStackedLayout>
#include <QTableView>

#include <algorithm>
#include <type_traits>

#include "app/ResultItemDelegate.h"
#include "app/ResultListModel.h"
#include "app/SortHeaderCtrl.h"
#include "ui/DragDropConvert.h"
#include "ui/WaitCursor.h"

namespace {

constexpr int kSmallIcon = 16;
constexpr int kLargeIcon = 32;
constexpr int kSmallIconCellChars = 24;  // width of a Small Icons cell in average characters
constexpr int kListCellChars = 30;       // width of a List column in average characters
// Rows the list and icon views lay out per turn of the loop.
constexpr int kListLayoutBatch = 50000;

bool IsNavigationKey(int key) {
    switch (key) {
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_End:
        case Qt::Key_Home:
        case Qt::Key_Left:
        case Qt::Key_Up:
        case Qt::Key_Right:
        case Qt::Key_Down:
            return true;
        default:
            return false;
    }
}

// Hands type-ahead and keys to the control before the view's own handling.
template <class View>
class CResultView : public View {
public:
    explicit CResultView(CResultListCtrl* owner) : View(owner), m_pOwner(owner) {}

    void keyboardSearch(const QString& search) override { m_pOwner->OnFindItem(search); }

    void scrollTo(const QModelIndex& index,
                  QAbstractItemView::ScrollHint hint = QAbstractItemView::EnsureVisible) override {
        if constexpr (std::is_same_v<View, QTableView>) {
            // Rows are chosen whole: a cell of a wide column never scrolls
            // the name out of view.
            const int left = View::horizontalScrollBar()->value();
            View::scrollTo(index, hint);
            View::horizontalScrollBar()->setValue(left);
        } else {
            // A long list is laid out in batches while the loop turns: a row
            // whose batch has not come yet is scrolled to once it has.
            m_pendingScroll = QPersistentModelIndex();
            if (index.isValid() && View::visualRect(index).isEmpty()) {
                m_pendingScroll = index;
                m_pendingHint = hint;
                return;
            }
            View::scrollTo(index, hint);
        }
    }

protected:
    void updateGeometries() override {
        View::updateGeometries();
        if constexpr (!std::is_same_v<View, QTableView>) {
            if (m_pendingScroll.isValid() && !View::visualRect(m_pendingScroll).isEmpty()) {
                const QModelIndex index = m_pendingScroll;
                m_pendingScroll = QPersistentModelIndex();
                View::scrollTo(index, m_pendingHint);
            }
        }
    }

    // Rows leave through the owner's drag (never the view's own, which
    // would remove moved rows); drops go to the owner's handler.
    void startDrag(Qt::DropActions) override {
        if (IResultDragHandler* handler = m_pOwner->GetDragHandler())
            handler->BeginResultDrag(false);
    }
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (IResultDragHandler* handler = m_pOwner->GetDragHandler()) {
            const DWORD effect = handler->OnDragEnter(
                event->mimeData(), KeyStateOf(event->buttons(), event->modifiers()),
                event->position().toPoint());
            // The list takes the drag to follow it over its rows, whatever
            // the row under the cursor answers.
            event->setDropAction(DropActionOf(effect));
            event->accept();
            return;
        }
        event->ignore();
    }
    void dragMoveEvent(QDragMoveEvent* event) override {
        if (IResultDragHandler* handler = m_pOwner->GetDragHandler()) {
            AnswerDropEvent(event,
                            handler->OnDragOver(event->mimeData(),
                                                KeyStateOf(event->buttons(), event->modifiers()),
                                                event->position().toPoint()));
            return;
        }
        event->ignore();
    }
    void dragLeaveEvent(QDragLeaveEvent* event) override {
        if (IResultDragHandler* handler = m_pOwner->GetDragHandler())
            handler->OnDragLeave();
        event->accept();
    }
    void dropEvent(QDropEvent* event) override {
        if (IResultDragHandler* handler = m_pOwner->GetDragHandler()) {
            AnswerDropEvent(event,
                            handler->OnDrop(event->mimeData(), EffectsOf(event->possibleActions()),
                                            event->position().toPoint()));
            return;
        }
        event->ignore();
    }
    // A drag with the right button starts once the cursor moved far enough.
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::RightButton)
            m_rightPress = event->position().toPoint();
        View::mousePressEvent(event);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if ((event->buttons() & Qt::RightButton) && !(event->buttons() & Qt::LeftButton) &&
            m_rightPress.x() >= 0 &&
            (event->position().toPoint() - m_rightPress).manhattanLength() >=
                QApplication::startDragDistance()) {
            m_rightPress = QPoint(-1, -1);
            if (IResultDragHandler* handler = m_pOwner->GetDragHandler();
                handler && View::selectionModel()->hasSelection())
                handler->BeginResultDrag(true);
            return;
        }
        View::mouseMoveEvent(event);
    }
    // The menu opens when the right button is released without a drag, so
    // that a right-button drag can start; the menu key opens it at once.
    void mouseReleaseEvent(QMouseEvent* event) override {
        const bool menu = event->button() == Qt::RightButton && m_rightPress.x() >= 0;
        m_rightPress = QPoint(-1, -1);
        View::mouseReleaseEvent(event);
        if (menu)
            emit m_pOwner->ContextMenuRequested(event->globalPosition().toPoint());
    }
    void contextMenuEvent(QContextMenuEvent* event) override {
        if (event->reason() != QContextMenuEvent::Mouse)
            emit m_pOwner->ContextMenuRequested(event->globalPos());
        event->accept();
    }

    // The view calls this on every press, release, current-row change and
    // many keys; the gate is asked only where the trigger can start an edit
    // (AllEditTriggers: the owner asked it already).
    bool edit(const QModelIndex& index, QAbstractItemView::EditTrigger trigger,
              QEvent* event) override {
        if (trigger != QAbstractItemView::AllEditTriggers && (trigger & View::editTriggers()) &&
            !m_pOwner->MayEditAt(index, trigger == QAbstractItemView::SelectedClicked))
            return false;
        return View::edit(index, trigger, event);
    }

    QModelIndex moveCursor(QAbstractItemView::CursorAction action,
                           Qt::KeyboardModifiers modifiers) override {
        if constexpr (std::is_same_v<View, QTableView>) {
            // Home and End go to the first and last row, not along the columns.
            if (action == QAbstractItemView::MoveHome || action == QAbstractItemView::MoveEnd) {
                const int rows = View::model()->rowCount();
                if (rows == 0)
                    return QModelIndex();
                const QModelIndex current = View::currentIndex();
                return View::model()->index(action == QAbstractItemView::MoveHome ? 0 : rows - 1,
                                            current.isValid() ? current.column() : 0);
            }
        }
        return View::moveCursor(action, modifiers);
    }

    void keyPressEvent(QKeyEvent* event) override {
        // A key the name editor left (its Enter) is no command on the rows.
        if (View::state() != QAbstractItemView::EditingState && m_pOwner->OnKeyDown(event))
            return;
        View::keyPressEvent(event);
        // The view moved first; the status bar then follows the new selection.
        if (IsNavigationKey(event->key()))
            emit m_pOwner->Clicked();
    }

private:
    CResultListCtrl* m_pOwner;
    QPoint m_rightPress{-1, -1};
    QPersistentModelIndex m_pendingScroll;
    QAbstractItemView::ScrollHint m_pendingHint = QAbstractItemView::EnsureVisible;
};

// A Location cell that lacks room shows the start and the end of its path.
class CMiddleElideDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideMiddle;
    }
};

}  // namespace

CResultListCtrl::CResultListCtrl(CResultListModel* model, QWidget* parent)
    : QWidget(parent), m_pModel(model) {
    setObjectName(QStringLiteral("ResultList"));
    m_pStack = new QStackedLayout(this);
    m_pStack->setContentsMargins(0, 0, 0, 0);

    m_pTable = new CResultView<QTableView>(this);
    m_pHeader = new CSortHeaderCtrl(m_pTable);
    m_pTable->setHorizontalHeader(m_pHeader);
    m_pTable->setModel(model);
    m_pTable->setShowGrid(false);
    m_pTable->setWordWrap(false);
    m_pTable->verticalHeader()->hide();
    m_pTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_pTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    // The rows' sections are all alike and never hidden or moved, so the
    // hidden row header need not hear of the rows being reordered: it would
    // look at every row's section each time (tens of milliseconds for
    // millions of rows).
    disconnect(model, &QAbstractItemModel::layoutAboutToBeChanged, m_pTable->verticalHeader(),
               nullptr);
    disconnect(model, &QAbstractItemModel::layoutChanged, m_pTable->verticalHeader(), nullptr);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // A click on the name of a selected row edits it (where the gate allows).
    m_pTable->setEditTriggers(QAbstractItemView::SelectedClicked);
    m_pTable->setIconSize(QSize(kSmallIcon, kSmallIcon));

    m_pList = new CResultView<QListView>(this);
    m_pList->setModel(model);
    m_pList->setSelectionModel(m_pTable->selectionModel());
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A double-click opens like Enter.
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_pTable), static_cast<QAbstractItemView*>(m_pList)})
        connect(view, &QAbstractItemView::doubleClicked, this, [this] { emit OpenRequested(); });
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->setEditTriggers(QAbstractItemView::SelectedClicked);
    m_pList->setTextElideMode(Qt::ElideMiddle);
    m_pList->setViewMode(QListView::ListMode);
    m_pList->setUniformItemSizes(true);
    m_pList->setWrapping(true);
    m_pList->setResizeMode(QListView::Adjust);
    m_pList->setMovement(QListView::Static);
    // Laying out millions of rows at once would hold the loop up for
    // hundreds of milliseconds; batches keep each turn short.
    m_pList->setLayoutMode(QListView::Batched);
    m_pList->setBatchSize(kListLayoutBatch);
    m_pDelegate = new CResultItemDelegate(m_pList);
    m_pList->setItemDelegate(m_pDelegate);
    m_pLocationDelegate = new CMiddleElideDelegate(m_pTable);

    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_pTable), static_cast<QAbstractItemView*>(m_pList)}) {
        // Rows are dragged out and files dropped on folder rows; the owner
        // scrolls the list while a drag hovers near its edges.
        view->setDragEnabled(true);
        view->setAcceptDrops(true);
        view->viewport()->setAcceptDrops(true);
        view->setDragDropMode(QAbstractItemView::DragDrop);
        view->setDropIndicatorShown(false);
        view->setAutoScroll(false);
    }

    m_pStack->addWidget(m_pTable);
    m_pStack->addWidget(m_pList);

    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_pTable), static_cast<QAbstractItemView*>(m_pList)}) {
        for (QScrollBar* bar : {view->verticalScrollBar(), view->horizontalScrollBar()})
            connect(bar, &QScrollBar::valueChanged, this, [this] { emit VisibleRowsChanged(); });
    }

    connect(m_pHeader, &QHeaderView::sectionClicked, this, &CResultListCtrl::OnColumnClick);
    connect(model, &CResultListModel::RowsAppended, this, &CResultListCtrl::OnRowsAppended);
    // A new result generation keeps the widths the user gave the columns and
    // starts scrolled to the left; new columns take their table widths.
    connect(model, &QAbstractItemModel::modelReset, this,
            [this] { m_pTable->horizontalScrollBar()->setValue(0); });
    connect(model, &CResultListModel::VisibleColumnsChanged, this, [this] { ApplyListLayout(); });
    ApplyListLayout();
    SetViewMode(VIEW_MODE_DETAILS);
}

QItemSelectionModel* CResultListCtrl::GetSelectionModel() const {
    return m_pTable->selectionModel();
}

QAbstractItemView* CResultListCtrl::GetCurrentView() const {
    return m_nViewMode == VIEW_MODE_DETAILS ? static_cast<QAbstractItemView*>(m_pTable)
                                            : static_cast<QAbstractItemView*>(m_pList);
}

void CResultListCtrl::ApplyListLayout() {
    // The icon views show the name whatever column it stands in.
    const int name = m_pModel->FindVisibleColumn(COLUMN_ID_NAME);
    m_pList->setModelColumn(std::max(name, 0));
    const QFontMetrics metrics = fontMetrics();
    // A cell's text stands between two focus-frame margins; a header caption
    // leaves room for the sort arrow (two blanks before it, eight after).
    const int cellPadding =
        2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_pTable) + 1) + 4;
    const int captionPadding = 10 * metrics.horizontalAdvance(QLatin1Char(' '));
    for (int column = 0; column < m_pModel->columnCount(); ++column) {
        const COLUMNINFO& info = m_pModel->GetVisibleColumns()[static_cast<std::size_t>(column)];
        const int width = std::max(
            {info.nWidth * metrics.horizontalAdvance(QLatin1Char('H')),
             metrics.horizontalAdvance(QString::fromUtf8(info.szTitle)) + captionPadding,
             metrics.horizontalAdvance(m_pModel->GetWidestCellText(column)) + cellPadding});
        m_pTable->setColumnWidth(column, width);
        m_pTable->setItemDelegateForColumn(
            column, info.nId == COLUMN_ID_LOCATION ? m_pLocationDelegate : nullptr);
    }
}

void CResultListCtrl::SetViewMode(int mode) {
    const QFontMetrics metrics = fontMetrics();
    const int line = metrics.height();
    const int chars = metrics.averageCharWidth();
    QStyleOptionViewItem option;
    option.fontMetrics = metrics;
    switch (mode) {
        case VIEW_MODE_LARGE_ICONS:
            m_pDelegate->SetLayout(CResultItemDelegate::Layout::IconAbove);
            m_pList->setFlow(QListView::LeftToRight);
            m_pList->setIconSize(QSize(kLargeIcon, kLargeIcon));
            m_pList->setWordWrap(true);
            m_pList->setGridSize(m_pDelegate->sizeHint(option, QModelIndex()));
            break;
        case VIEW_MODE_SMALL_ICONS:
            m_pDelegate->SetLayout(CResultItemDelegate::Layout::IconBeside);
            m_pList->setFlow(QListView::LeftToRight);
            m_pList->setIconSize(QSize(kSmallIcon, kSmallIcon));
            m_pList->setWordWrap(false);
            m_pList->setGridSize(
                QSize(kSmallIconCellChars * chars, std::max(line, kSmallIcon) + 4));
            m_pDelegate->SetCellSize(m_pList->gridSize());
            break;
        case VIEW_MODE_LIST:
            m_pDelegate->SetLayout(CResultItemDelegate::Layout::IconBeside);
            m_pList->setFlow(QListView::TopToBottom);
            m_pList->setIconSize(QSize(kSmallIcon, kSmallIcon));
            m_pList->setWordWrap(false);
            m_pList->setGridSize(QSize(kListCellChars * chars, std::max(line, kSmallIcon) + 4));
            m_pDelegate->SetCellSize(m_pList->gridSize());
            break;
        case VIEW_MODE_THUMBNAILS:
            m_pDelegate->SetLayout(CResultItemDelegate::Layout::Thumbnail);
            m_pDelegate->SetThumbnailSize(m_thumbnailSize);
            m_pList->setFlow(QListView::LeftToRight);
            m_pList->setIconSize(QSize(kLargeIcon, kLargeIcon));
            m_pList->setWordWrap(false);
            m_pList->setGridSize(m_pDelegate->sizeHint(option, QModelIndex()));
            break;
        case VIEW_MODE_DETAILS:
            break;
        default:
            return;
    }
    const QModelIndex current = GetSelectionModel()->currentIndex();
    m_nViewMode = mode;
    m_pStack->setCurrentWidget(GetCurrentView());
    if (mode != VIEW_MODE_DETAILS) {
        m_pList->doItemsLayout();
        m_pList->viewport()->update();
    }
    if (current.isValid())
        GetCurrentView()->scrollTo(m_pModel->index(current.row(), 0));
    emit ViewModeChanged(mode);
}

bool CResultListCtrl::OnViewCommand(int id) {
    for (const ViewCommand& command : kViewCommands) {
        if (command.id != id)
            continue;
        if (command.mode == VIEW_MODE_THUMBNAILS)
            SetThumbnailView(m_thumbnailSize);
        else
            SetViewMode(command.mode);
        return true;
    }
    return false;
}

void CResultListCtrl::SetThumbnailView(const QSize& size) {
    m_thumbnailSize = size;
    SetViewMode(VIEW_MODE_THUMBNAILS);
}

void CResultListCtrl::SetThumbnailSize(const QSize& size) {
    if (m_nViewMode == VIEW_MODE_THUMBNAILS)
        SetThumbnailView(size);
    else
        m_thumbnailSize = size;
}

void CResultListCtrl::SetThumbnailSource(std::function<const CBitmap*(int row)> source) {
    m_pDelegate->SetThumbnailSource(std::move(source));
}

void CResultListCtrl::SetSortImage(int column, bool ascending) {
    m_pHeader->SetSortImage(column, ascending);
}

void CResultListCtrl::OnRowsAppended() {
    // New rows stand at the end, out of any order: the list is unsorted.
    m_nSortColumn = -1;
    SetSortImage(-1, m_bSortAscending);
}

namespace {

// Keeps the selected records selected while the rows are reordered. The
// selection is taken down before and put back after: every row at once, or
// as row ranges, which costs one pass over the rows however large it is.
// (Left standing, the selection model would keep each selected row on its
// own through the reordering.) Rows the search hands over meanwhile are taken
// in at the end of the reordering: they come back unselected, and a new
// generation keeps no selection at all.
class CSelectionKeeper {
public:
    CSelectionKeeper(CResultListModel* model, QItemSelectionModel* selection,
                     const std::vector<std::pair<int, int>>& runs)
        : m_pModel(model), m_pSelection(selection), m_results(model->GetResults()) {
        if (runs.empty())
            return;
        m_bAny = true;
        const std::span<const DWORD> map = model->GetRowIndex();
        m_nRows = map.size();
        m_bEveryRow = runs.size() == 1 && runs[0].first == 0 &&
                      static_cast<std::size_t>(runs[0].second) + 1 == m_nRows;
        if (m_bEveryRow) {
            // The search hands its rows over in the order of its records,
            // so the rows taken in later show records past all of these.
            m_nRecordsShown = std::size_t{*std::max_element(map.begin(), map.end())} + 1;
        } else {
            m_selected.assign(m_results->GetCount(), false);
            for (const auto& [first, last] : runs) {
                for (int row = first; row <= last; ++row)
                    m_selected[map[static_cast<std::size_t>(row)]] = true;
            }
        }
        m_pSelection->clearSelection();
    }
    ~CSelectionKeeper() {
        if (!m_bAny || m_pModel->GetResults() != m_results)
            return;
        const std::span<const DWORD> map = m_pModel->GetRowIndex();
        const int last = m_pModel->columnCount() - 1;
        if (m_bEveryRow && map.size() == m_nRows) {
            m_pSelection->select(QItemSelection(m_pModel->index(0, 0),
                                                m_pModel->index(m_pModel->GetRowCount() - 1, last)),
                                 QItemSelectionModel::Select);
            return;
        }
        const auto wasSelected = [&](std::size_t row) {
            const DWORD record = map[row];
            return m_bEveryRow ? record < m_nRecordsShown
                               : record < m_selected.size() && m_selected[record];
        };
        QItemSelection selection;
        std::size_t row = 0;
        while (row < map.size()) {
            if (!wasSelected(row)) {
                ++row;
                continue;
            }
            const std::size_t first = row;
            while (row < map.size() && wasSelected(row))
                ++row;
            selection.append(QItemSelectionRange(m_pModel->index(static_cast<int>(first), 0),
                                                 m_pModel->index(static_cast<int>(row - 1), last)));
        }
        m_pSelection->select(selection, QItemSelectionModel::Select);
    }
    CSelectionKeeper(const CSelectionKeeper&) = delete;
    CSelectionKeeper& operator=(const CSelectionKeeper&) = delete;

private:
    CResultListModel* m_pModel;
    QItemSelectionModel* m_pSelection;
    // The generation whose rows were selected.
    std::shared_ptr<CResultArray> m_results;
    std::vector<bool> m_selected;  // by record index
    std::size_t m_nRows = 0;
    // With every row selected: the records below this index had rows.
    std::size_t m_nRecordsShown = 0;
    bool m_bAny = false;
    bool m_bEveryRow = false;
};

}  // namespace

void CResultListCtrl::OnColumnClick(int column) {
    if (column < 0 || column >= m_pModel->columnCount())
        return;
    CWaitCursor wait;
    {
        CSelectionKeeper keep(m_pModel, GetSelectionModel(), GetSelectedRuns());
        if (column == m_nSortColumn) {
            m_pModel->ReverseRows();
            m_bSortAscending = !m_bSortAscending;
        } else {
            m_pModel->SortRows(column, 0, m_pModel->GetRowCount() - 1);
            m_nSortColumn = column;
            m_bSortAscending = true;
        }
    }
    GetCurrentView()->viewport()->update();
    SetSortImage(m_nSortColumn, m_bSortAscending);
}

void CResultListCtrl::ResortRows() {
    if (m_pModel->columnCount() == 0)
        return;
    CWaitCursor wait;
    CSelectionKeeper keep(m_pModel, GetSelectionModel(), GetSelectedRuns());
    if (m_nSortColumn < 0) {
        m_nSortColumn = 0;
        m_bSortAscending = true;
    }
    m_pModel->SortRows(m_nSortColumn, 0, m_pModel->GetRowCount() - 1);
    if (!m_bSortAscending)
        m_pModel->ReverseRows();
    SetSortImage(m_nSortColumn, m_bSortAscending);
}

void CResultListCtrl::SelectAll() {
    ApplyToAllRows(QItemSelectionModel::ClearAndSelect);
}

void CResultListCtrl::InvertSelection() {
    ApplyToAllRows(QItemSelectionModel::Toggle);
}

void CResultListCtrl::ApplyToAllRows(QItemSelectionModel::SelectionFlags flags) {
    const int rows = m_pModel->rowCount();
    if (rows == 0 || m_pModel->columnCount() == 0)
        return;
    GetSelectionModel()->select(
        QItemSelection(m_pModel->index(0, 0),
                       m_pModel->index(rows - 1, m_pModel->columnCount() - 1)),
        flags);
}

std::vector<std::pair<int, int>> CResultListCtrl::GetSelectedRuns() const {
    std::vector<std::pair<int, int>> ranges;
    for (const QItemSelectionRange& range : GetSelectionModel()->selection())
        ranges.emplace_back(range.top(), range.bottom());
    std::sort(ranges.begin(), ranges.end());
    std::vector<std::pair<int, int>> runs;
    for (const auto& [top, bottom] : ranges) {
        if (!runs.empty() && top <= runs.back().second + 1)
            runs.back().second = std::max(runs.back().second, bottom);
        else
            runs.emplace_back(top, bottom);
    }
    return runs;
}

std::vector<int> CResultListCtrl::GetSelectedRows() const {
    std::vector<int> rows;
    for (const auto& [first, last] : GetSelectedRuns()) {
        for (int row = first; row <= last; ++row)
            rows.push_back(row);
    }
    return rows;
}

std::vector<CRowRecord> CResultListCtrl::GetSelectedRecords() const {
    std::vector<CRowRecord> records;
    ForEachSelectedRecord([&records](const CRowRecord& shown) { records.push_back(shown); });
    return records;
}

void CResultListCtrl::ForEachSelectedRecord(
    const std::function<void(const CRowRecord&)>& visit) const {
    for (const auto& [first, last] : GetSelectedRuns()) {
        for (int row = first; row <= last; ++row) {
            if (const CRowRecord shown = m_pModel->GetRowRecord(row); shown.record)
                visit(shown);
        }
    }
}

int CResultListCtrl::GetSelectedCount() const {
    int count = 0;
    for (const auto& [first, last] : GetSelectedRuns())
        count += last - first + 1;
    return count;
}

bool CResultListCtrl::IsItemVisible(int row) const {
    if (row < 0 || row >= m_pModel->rowCount())
        return false;
    const QAbstractItemView* view = GetCurrentView();
    const int column = m_nViewMode == VIEW_MODE_DETAILS ? 0 : m_pList->modelColumn();
    return view->visualRect(m_pModel->index(row, column)).intersects(view->viewport()->rect());
}

bool CResultListCtrl::GetVisibleRows(int* first, int* last) const {
    *first = 0;
    *last = -1;
    const int count = m_pModel->rowCount();
    if (count == 0)
        return false;
    // Rows are laid out in order, so the rows in view are one run: the first
    // row whose cell ends below the top and the last that starts above the
    // bottom are found by halving. A long list is laid out in batches: the
    // rows not laid out yet (an empty cell) follow those that are, and count
    // as below the view.
    const QAbstractItemView* view = GetCurrentView();
    const int column = m_nViewMode == VIEW_MODE_DETAILS ? 0 : m_pList->modelColumn();
    const int height = view->viewport()->height();
    const auto rect = [&](int row) { return view->visualRect(m_pModel->index(row, column)); };
    int low = 0;
    int high = count;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (const QRect cell = rect(middle); !cell.isEmpty() && cell.bottom() < 0)
            low = middle + 1;
        else
            high = middle;
    }
    *first = low;
    low = *first;
    high = count;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (const QRect cell = rect(middle); !cell.isEmpty() && cell.top() < height)
            low = middle + 1;
        else
            high = middle;
    }
    *last = low - 1;
    return *first <= *last;
}

void CResultListCtrl::RedrawItem(int row) {
    if (row < 0 || row >= m_pModel->rowCount())
        return;
    QAbstractItemView* view = GetCurrentView();
    if (m_nViewMode == VIEW_MODE_DETAILS) {
        for (int column = 0; column < m_pModel->columnCount(); ++column)
            view->update(m_pModel->index(row, column));
    } else {
        view->update(m_pModel->index(row, m_pList->modelColumn()));
    }
}

int CResultListCtrl::RowAt(const QPoint& point) const {
    const QModelIndex index = GetCurrentView()->indexAt(point);
    return index.isValid() ? index.row() : -1;
}

void CResultListCtrl::ScrollOneLine(int direction) {
    QScrollBar* bar = GetCurrentView()->verticalScrollBar();
    if (m_nViewMode != VIEW_MODE_DETAILS && m_pList->flow() == QListView::TopToBottom)
        bar = m_pList->horizontalScrollBar();  // List mode runs in columns
    bar->triggerAction(direction < 0 ? QAbstractSlider::SliderSingleStepSub
                                     : QAbstractSlider::SliderSingleStepAdd);
}

void CResultListCtrl::OnFindItem(const QString& text) {
    if (text.isEmpty())
        return;
    // Letters typed in quick succession extend the text and search on from
    // the current row; a new text starts at the row after it.
    const bool extend = m_typeAheadTimer.isValid() &&
                        m_typeAheadTimer.elapsed() < QApplication::keyboardInputInterval();
    m_sTypeAhead = extend ? m_sTypeAhead + text : text;
    m_typeAheadTimer.start();
    const int count = m_pModel->rowCount();
    if (count == 0)
        return;
    const QModelIndex current = GetSelectionModel()->currentIndex();
    int start = current.isValid() ? current.row() : 0;
    if (!extend && current.isValid())
        start = (start + 1) % count;
    const int row = m_pModel->FindItem(start, m_sTypeAhead, true, false);
    if (row < 0)
        return;
    const QModelIndex target =
        m_pModel->index(row, m_nViewMode == VIEW_MODE_DETAILS ? 0 : m_pList->modelColumn());
    GetSelectionModel()->setCurrentIndex(
        target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    GetCurrentView()->scrollTo(target);
}

void CResultListCtrl::SetLabelEditGate(std::function<bool(int row)> allowed) {
    m_labelEditGate = std::move(allowed);
}

bool CResultListCtrl::MayEditAt(const QModelIndex& index, bool byClick) const {
    const int name = m_pModel->FindVisibleColumn(COLUMN_ID_NAME);
    // A click edits only on the name itself (the icon views show only names).
    if (!index.isValid() || (byClick && index.column() != name))
        return false;
    return m_labelEditGate && m_labelEditGate(index.row());
}

bool CResultListCtrl::EditLabel(int row) {
    const int name = m_pModel->FindVisibleColumn(COLUMN_ID_NAME);
    if (row < 0 || row >= m_pModel->rowCount() || name < 0 ||
        !MayEditAt(m_pModel->index(row, name), false))
        return false;
    const QModelIndex index = m_pModel->index(row, name);
    QAbstractItemView* view = GetCurrentView();
    m_pTable->horizontalScrollBar()->setValue(0);
    GetSelectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    view->scrollTo(index);
    view->setFocus();
    view->edit(index);
    return view->indexWidget(index) != nullptr;
}

bool CResultListCtrl::OnKeyDown(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Delete) {
            emit DeleteKeyPressed();
            return true;
        }
        if (event->key() == Qt::Key_F2) {
            emit RenameKeyPressed();
            return true;
        }
    }
    if (event->key() == Qt::Key_A && (event->modifiers() & Qt::ControlModifier)) {
        SelectAll();
        emit Clicked();
        return true;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        GetSelectedCount() > 0) {
        emit OpenRequested();
        return true;
    }
    return false;
}
