#pragma once
// The rows of the result list: a row index that maps each list row to a record
// of the current result generation, the texts, icons and colours of its cells,
// and the row comparison that every sort of the list uses. The model holds no
// text of its own; every cell is read from the record when the view asks.
//
// The model is the search's IResultListView: its calls are carried to the
// model's thread and applied there, in the order they were made. It is the one
// owner of "which record is at row r" (GetRowRecord).

#include <QAbstractTableModel>
#include <QLocale>

#include <cstddef>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/RowIndex.h"
#include "app/engine/ResultArray.h"
#include "app/engine/ResultList.h"
#include "readers/details/ColumnInfo.h"

class CQtFileTypeInfoProvider;

// A list row, the record it shows and that record's index in the result
// array; `record` is null when the row shows none.
struct CRowRecord {
    int row = -1;
    CResultItem* record = nullptr;
    std::size_t index = 0;
};

class CResultListModel : public QAbstractTableModel, public IResultListView {
    Q_OBJECT
public:
    // `icons` gives the row icons; it may be null (no icons) and must outlive
    // the model.
    explicit CResultListModel(CQtFileTypeInfoProvider* icons, QObject* parent = nullptr);

    // IResultListView, from any thread; on the model's own thread
    // DeleteAllRows takes effect at once.
    void DeleteAllRows(const std::shared_ptr<CResultArray>& results) override;
    void InsertRows(const std::shared_ptr<CResultArray>& results, std::size_t first,
                    std::size_t count) override;
    void ShowMessage(const std::string& text) override;

    // Starts showing a new result generation, with no rows. Row batches of any
    // other generation that are still on their way are dropped.
    void SetResults(std::shared_ptr<CResultArray> results);
    const std::shared_ptr<CResultArray>& GetResults() const { return m_results; }

    // The visible columns in display order; each detail column gets the next
    // value slot of the records, every other column none (-1).
    void SetVisibleColumns(const CColumnInfoArray& columns);
    const CColumnInfoArray& GetVisibleColumns() const { return m_columns; }
    int GetColumnSlot(int column) const;
    // The index of the visible column with this id, or -1.
    int FindVisibleColumn(int id) const;

    // "Display size in Bytes": sizes in bytes instead of rounded-up kilobytes.
    void SetSizeInBytes(bool inBytes);
    // The locale whose number form the sizes take (the default locale unless set).
    void SetNumberLocale(const QLocale& locale);

    // The row map: list row -> index of the result array, for readers of
    // every row at once.
    std::span<const DWORD> GetRowIndex() const { return m_rows; }
    int GetRowCount() const { return static_cast<int>(m_rows.size()); }
    // The record `row` shows and its index: a null record for a row outside
    // the map or a map entry outside the result array. Commands change the
    // records they are given (rename, attributes, pictures).
    CRowRecord GetRowRecord(int row) const;
    const CResultItem* GetRecord(int row) const { return GetRowRecord(row).record; }
    // The row that shows record `index`: `hint` when it still does (rows move
    // when the list is sorted), else found among rows first..last; -1 when
    // none of them shows it.
    int RowOfRecord(std::size_t index, int hint, int first = 0,
                    int last = std::numeric_limits<int>::max()) const;

    // Removes the rows `rows` (ascending, each once) from the list; their
    // records stay in the result array.
    void RemoveRows(const std::vector<int>& rows);

    // In-place editing of a name: `rename` is asked to rename the row's item
    // to the edited text; true accepts the new name (the row is drawn anew).
    void SetRenameHandler(std::function<bool(int row, const QString& name)> rename);

    // The text of one cell; empty where the row or column shows nothing.
    QString GetCellText(int row, int column) const;
    // Attributes changed on disk: the attribute words kept for the cells of
    // records whose search left bits unread are read again when next shown.
    void ForgetAttributes() { m_attributes.clear(); }
    // The widest text a cell of a fixed-form column (size, times,
    // attributes) usually shows; empty for the columns of free text.
    QString GetWidestCellText(int column) const;

    // Row comparison for the visible column `info` whose value slot is
    // `slot`: negative puts `a` first. Folders come before everything else.
    static int CompareRecords(const CResultItem& a, const CResultItem& b, const COLUMNINFO& info,
                              int slot);

    // Sorts rows first..last (inclusive) ascending by a visible column. A
    // long list is sorted on other threads while this one keeps the event
    // loop turning (user input waits, and so do rows and generations the
    // search hands over); the call returns once the rows are in order.
    void SortRows(int column, int first, int last);
    // Reverses the order in two pieces, the leading run of folder rows and
    // the rest, so that folders stay on top; a long list likewise.
    void ReverseRows();

    // Type-ahead: from `start`, stepping down (or up), the first row whose
    // name begins with `text`, ignoring case; with `wrap` the search goes on
    // from the other end up to `start`. -1 when none matches or `start` is
    // not a row.
    int FindItem(int start, const QString& text, bool wrap, bool up) const;

    // QAbstractTableModel.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The name column is editable; the view decides whether editing starts.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    // Rows were appended at the end (the list is unsorted now).
    void RowsAppended();
    // The visible columns were set again.
    void VisibleColumnsChanged();
    // The search asked for a message box with this text.
    void MessageRequested(const QString& text);

private:
    void AppendRows(const std::shared_ptr<CResultArray>& results, std::size_t first,
                    std::size_t count);
    QString SizeText(const CResultItem& record) const;
    // The whole attribute word of a row's record; bits its search left unread
    // are read once and kept (the record itself is not changed, since the
    // search thread may read it).
    DWORD CellAttributes(const CRowRecord& shown) const;
    // Takes `rows` as the row map, every persistent index (selection, current
    // row) moving from its row to newRowOf(row), so it stays on its record.
    void ReorderRows(CRowIndex rows, const std::function<int(int oldRow)>& newRowOf);
    // Runs `work`, which reorders `rows` rows: for many, on a thread of its
    // own while this one turns the event loop without user input; the calls
    // of the search wait until it is done.
    void RunBesideTheLoop(std::size_t rows, const std::function<void()>& work);

    // A call of the search, handed over from its thread. Calls wait in order
    // for the model's thread; rows handed over one batch after the other
    // while it was busy are taken in at once, as one insertion.
    struct HandedCall {
        enum class Kind { Rows, Generation, Message };
        Kind kind;
        std::shared_ptr<CResultArray> results;
        std::size_t first;
        std::size_t count;
        QString message;
    };
    void Hand(HandedCall call);
    // Carries out the calls handed over so far (none while rows are reordered).
    void TakeHandedCalls();

    // Lists shorter than this are reordered on the spot, within a frame.
    static constexpr std::size_t kRowsOrderedBesideTheLoop = 100000;

    CQtFileTypeInfoProvider* m_pIcons;
    std::shared_ptr<CResultArray> m_results = std::make_shared<CResultArray>();
    CRowIndex m_rows;
    CColumnInfoArray m_columns;
    std::vector<int> m_slots;
    bool m_bSizeInBytes = false;
    QLocale m_locale;
    std::function<bool(int row, const QString& name)> m_rename;
    // Attribute words read for the cells, by record index, of the current
    // generation; on this thread only (a sort reads the files itself).
    mutable std::unordered_map<std::size_t, DWORD> m_attributes;
    // The most words kept: more than any view shows at once.
    static constexpr std::size_t kAttributesKept = 4096;
    bool m_bReordering = false;
    std::mutex m_handedLock;
    std::vector<HandedCall> m_handed;  // under the lock
    bool m_bTakePosted = false;        // under the lock: a call to take them is on its way
};
