#pragma once
// The result list control: one model of found items shown in five views
// (Large Icons, Small Icons, List, Details, Thumbnails) that share one
// selection, with sorting by a column. Details is a table with a sorting
// header; the four icon views are one list view laid out for each mode with
// uniform cells, so a million rows need no per-row geometry.

#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QSize>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <utility>
#include <vector>

#include "platform/WinTypes.h"

class CBitmap;
class CResultListModel;
struct CRowRecord;
class CResultItemDelegate;
class QMimeData;
class CSortHeaderCtrl;
class QAbstractItemView;
class QItemSelectionModel;
class QKeyEvent;
class QListView;
class QStackedLayout;
class QStyledItemDelegate;
class QTableView;

// Control id of the result list.
constexpr int IDC_RESULT_LIST = 1002;

// View modes.
constexpr int VIEW_MODE_LARGE_ICONS = 1;
constexpr int VIEW_MODE_SMALL_ICONS = 2;
constexpr int VIEW_MODE_LIST = 3;
constexpr int VIEW_MODE_DETAILS = 4;
constexpr int VIEW_MODE_THUMBNAILS = 5;

// View commands (menu "List View Mode Select", button 1058 and the main menu).
constexpr int ID_VIEW_LARGE_ICONS = 40021;
constexpr int ID_VIEW_LIST = 40022;
constexpr int ID_VIEW_SMALL_ICONS = 40023;
constexpr int ID_VIEW_DETAILS = 40024;
constexpr int ID_VIEW_THUMBNAILS = 40025;
constexpr int IDR_VIEW_MENU = 168;
constexpr const char* kViewMenuTitle = "List View Mode Select";

struct ViewCommand {
    int id;
    int mode;
    const char* text;
};
// In menu order.
constexpr std::array<ViewCommand, 5> kViewCommands{{
    {ID_VIEW_LARGE_ICONS, VIEW_MODE_LARGE_ICONS, "Large Icons"},
    {ID_VIEW_LIST, VIEW_MODE_LIST, "List"},
    {ID_VIEW_SMALL_ICONS, VIEW_MODE_SMALL_ICONS, "Small Icons"},
    {ID_VIEW_DETAILS, VIEW_MODE_DETAILS, "Details"},
    {ID_VIEW_THUMBNAILS, VIEW_MODE_THUMBNAILS, "Thumbnails"},
}};

// Whoever handles dragging rows out of the list and files dropped on it (the
// main window). Points are in the current view's viewport; effects and key
// states are the DROPEFFECT_ and MK_ bits.
class IResultDragHandler {
public:
    virtual ~IResultDragHandler() = default;
    // A drag of the selected rows starts, with the left or the right button.
    virtual void BeginResultDrag(bool right) = 0;
    virtual DWORD OnDragEnter(const QMimeData* data, DWORD keyState, const QPoint& point) = 0;
    virtual DWORD OnDragOver(const QMimeData* data, DWORD keyState, const QPoint& point) = 0;
    virtual void OnDragLeave() = 0;
    virtual DWORD OnDrop(const QMimeData* data, DWORD effect, const QPoint& point) = 0;
};

class CResultListCtrl : public QWidget {
    Q_OBJECT
public:
    // The control shows `model`, which must outlive it.
    explicit CResultListCtrl(CResultListModel* model, QWidget* parent = nullptr);

    CResultListModel* GetModel() const { return m_pModel; }
    QItemSelectionModel* GetSelectionModel() const;
    // The view that shows the current mode.
    QAbstractItemView* GetCurrentView() const;
    CSortHeaderCtrl* GetHeader() const { return m_pHeader; }

    // Views.
    int GetViewMode() const { return m_nViewMode; }
    void SetViewMode(int mode);
    // Runs a view command (ID_VIEW_*); FALSE for any other id.
    bool OnViewCommand(int id);
    // Switches to Thumbnails with cells for pictures of up to `size`; also
    // called when the thumbnail size changes while Thumbnails is shown.
    void SetThumbnailView(const QSize& size);
    QSize GetThumbnailSize() const { return m_thumbnailSize; }
    // The picture size of the Thumbnails view, without switching to it.
    void SetThumbnailSize(const QSize& size);
    // Asked, while a row is painted in the Thumbnails view, for its picture
    // (null while it has none).
    void SetThumbnailSource(std::function<const CBitmap*(int row)> source);

    // Sort state: the visible column the rows are sorted by (-1: unsorted).
    int GetSortColumn() const { return m_nSortColumn; }
    bool IsSortAscending() const { return m_bSortAscending; }
    // A click on a column header: the sort column again reverses the order
    // (folders staying first), any other sorts ascending by it.
    void OnColumnClick(int column);
    // Sorts rows of a refilled list again by the current sort column and
    // direction, or ascending by the first column when the list is unsorted.
    void ResortRows();
    // Sets the header arrow.
    void SetSortImage(int column, bool ascending);

    // Selection.
    void SelectAll();
    void InvertSelection();
    // The selected rows in ascending order.
    std::vector<int> GetSelectedRows() const;
    // The same as runs of neighbouring rows: first and last row of each.
    std::vector<std::pair<int, int>> GetSelectedRuns() const;
    // The selected rows that show a record, in ascending order, with their records.
    std::vector<CRowRecord> GetSelectedRecords() const;
    // Calls `visit` for the same rows, run by run, without listing them (a
    // selection may hold millions of rows).
    void ForEachSelectedRecord(const std::function<void(const CRowRecord&)>& visit) const;
    int GetSelectedCount() const;

    // 1 when `row` exists and lies (at least partly) in the visible area.
    bool IsItemVisible(int row) const;
    // The first and last row (at least partly) in the visible area of the
    // current view; false, with first > last, when none is.
    bool GetVisibleRows(int* first, int* last) const;
    // Repaints one row.
    void RedrawItem(int row);

    // In-place editing of names: `allowed` decides for a row whether its
    // name may be edited; editing starts only where it says yes.
    void SetLabelEditGate(std::function<bool(int row)> allowed);
    // Starts editing the name of `row`: the list scrolled fully left, the row
    // made visible and focused. False when the gate refuses it.
    bool EditLabel(int row);
    // Whether a view may start editing at `index` (started by `trigger`):
    // only the name's cell, only where the gate allows.
    bool MayEditAt(const QModelIndex& index, bool byClick) const;

    // Drags of rows and drops on the list go to `handler` (none: nothing is
    // dragged or dropped).
    void SetDragHandler(IResultDragHandler* handler) { m_pDragHandler = handler; }
    IResultDragHandler* GetDragHandler() const { return m_pDragHandler; }
    // The row at a point of the current view's viewport, or -1.
    int RowAt(const QPoint& point) const;
    // Scrolls the current view one line up (-1) or down (1).
    void ScrollOneLine(int direction);

    // Type-ahead of the views: moves the current row to the next row whose
    // name starts with `text`.
    void OnFindItem(const QString& text);
    // Ctrl+A of the views: selects every row and tells the parent through
    // Clicked(); Enter with rows selected asks for them to be opened; Del
    // and F2 ask for the selection's Delete and Rename. True when the key was
    // handled. (Navigation keys get the view's own handling and then
    // Clicked() as well.)
    bool OnKeyDown(QKeyEvent* event);

signals:
    // The selection may have changed through the keyboard (the status bar
    // follows it).
    void Clicked();
    // Enter or a double-click on the selected rows: open them.
    void OpenRequested();
    // The Delete key on the list.
    void DeleteKeyPressed();
    // F2 on the list.
    void RenameKeyPressed();
    // A right click on the list, at `globalPos`.
    void ContextMenuRequested(const QPoint& globalPos);
    // The view mode changed to `mode`.
    void ViewModeChanged(int mode);
    // The rows shown in the view may have changed (scrolling, resizing).
    void VisibleRowsChanged();

private:
    // Selects, or toggles, every row of the list.
    void ApplyToAllRows(QItemSelectionModel::SelectionFlags flags);
    void OnRowsAppended();
    void ApplyListLayout();

    CResultListModel* m_pModel;
    QStackedLayout* m_pStack;
    QTableView* m_pTable;
    QListView* m_pList;
    CSortHeaderCtrl* m_pHeader;
    CResultItemDelegate* m_pDelegate;
    QStyledItemDelegate* m_pLocationDelegate;
    int m_nViewMode = VIEW_MODE_DETAILS;
    int m_nSortColumn = -1;
    bool m_bSortAscending = false;
    QSize m_thumbnailSize{128, 128};
    std::function<bool(int row)> m_labelEditGate;
    IResultDragHandler* m_pDragHandler = nullptr;
    QString m_sTypeAhead;
    QElapsedTimer m_typeAheadTimer;
};
