#include "app/ResultListModel.h"

#include <QColor>
#include <QCoreApplication>
#include <QIcon>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <exception>
#include <limits>
#include <numeric>
#include <span>
#include <string_view>
#include <thread>

#include "app/engine/AttributeUtils.h"
#include "app/engine/DetailColumns.h"
#include "app/engine/RowOrder.h"
#include "platform/DateUtils.h"
#include "platform/FileTime.h"
#include "platform/TextCase.h"
#include "ui/NameText.h"
#include "ui/QtFileTypeInfoProvider.h"

namespace {

// Archive members are drawn blue on silver.
const QColor kArchiveText(0, 0, 255);
const QColor kArchiveBack(192, 192, 192);

QString TimeText(const CResultItem& record, const FILETIME& time) {
    if (record.m_dwFlags & RIF_NO_PATH)
        return QString();
    return QString::fromStdString(FormatDateTime(FileTimeToCTime(time)));
}

Qt::Alignment ColumnAlignment(int align) {
    switch (align) {
        case COLUMN_ALIGN_RIGHT:
            return Qt::AlignRight | Qt::AlignVCenter;
        case COLUMN_ALIGN_CENTER:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        default:
            return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

}  // namespace

CResultListModel::CResultListModel(CQtFileTypeInfoProvider* icons, QObject* parent)
    : QAbstractTableModel(parent), m_pIcons(icons) {
    CColumnInfoArray columns;
    GetDefaultVisibleColumns(columns);
    SetVisibleColumns(columns);
}

void CResultListModel::InsertRows(const std::shared_ptr<CResultArray>& results, std::size_t first,
                                  std::size_t count) {
    Hand({HandedCall::Kind::Rows, results, first, count, {}});
}

void CResultListModel::ShowMessage(const std::string& text) {
    Hand({HandedCall::Kind::Message, nullptr, 0, 0, QString::fromStdString(text)});
}

void CResultListModel::DeleteAllRows(const std::shared_ptr<CResultArray>& results) {
    if (QThread::currentThread() == thread() && !m_bReordering) {
        // At once, after what was handed over before.
        TakeHandedCalls();
        SetResults(results);
        return;
    }
    Hand({HandedCall::Kind::Generation, results, 0, 0, {}});
}

void CResultListModel::Hand(HandedCall call) {
    {
        std::lock_guard guard(m_handedLock);
        HandedCall* last = m_handed.empty() ? nullptr : &m_handed.back();
        if (call.kind == HandedCall::Kind::Rows && last && last->kind == HandedCall::Kind::Rows &&
            last->results == call.results && last->first + last->count == call.first) {
            last->count += call.count;
        } else {
            m_handed.push_back(std::move(call));
        }
        if (m_bTakePosted)
            return;
        m_bTakePosted = true;
    }
    QMetaObject::invokeMethod(
        this, [this] { TakeHandedCalls(); }, Qt::QueuedConnection);
}

void CResultListModel::TakeHandedCalls() {
    // While the rows are reordered the calls wait; the reordering takes them
    // when it is done.
    if (m_bReordering)
        return;
    std::vector<HandedCall> calls;
    {
        std::lock_guard guard(m_handedLock);
        calls.swap(m_handed);
        m_bTakePosted = false;
    }
    for (const HandedCall& call : calls) {
        switch (call.kind) {
            case HandedCall::Kind::Rows:
                AppendRows(call.results, call.first, call.count);
                break;
            case HandedCall::Kind::Generation:
                SetResults(call.results);
                break;
            case HandedCall::Kind::Message:
                emit MessageRequested(call.message);
                break;
        }
    }
}

void CResultListModel::SetResults(std::shared_ptr<CResultArray> results) {
    beginResetModel();
    m_results = results ? std::move(results) : std::make_shared<CResultArray>();
    m_rows.Clear();
    m_attributes.clear();
    endResetModel();
}

void CResultListModel::AppendRows(const std::shared_ptr<CResultArray>& results, std::size_t first,
                                  std::size_t count) {
    // A batch of an earlier generation, or one naming records the storage does
    // not hold, adds nothing.
    if (results != m_results || count == 0 || first > results->GetCount() ||
        count > results->GetCount() - first)
        return;
    if (m_rows.size() + count > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return;
    const int row = GetRowCount();
    beginInsertRows(QModelIndex(), row, row + static_cast<int>(count) - 1);
    m_rows.AppendRun(static_cast<DWORD>(first), count);
    endInsertRows();
    emit RowsAppended();
}

void CResultListModel::SetVisibleColumns(const CColumnInfoArray& columns) {
    beginResetModel();
    m_columns = columns;
    BuildDetailSlotMap(m_columns, m_slots);
    endResetModel();
    emit VisibleColumnsChanged();
}

int CResultListModel::GetColumnSlot(int column) const {
    return column >= 0 && column < static_cast<int>(m_slots.size()) ? m_slots[column] : -1;
}

int CResultListModel::FindVisibleColumn(int id) const {
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].nId == id)
            return static_cast<int>(i);
    }
    return -1;
}

void CResultListModel::SetSizeInBytes(bool inBytes) {
    if (m_bSizeInBytes == inBytes)
        return;
    m_bSizeInBytes = inBytes;
    const int column = FindVisibleColumn(COLUMN_ID_SIZE);
    if (column >= 0 && !m_rows.empty())
        emit dataChanged(index(0, column), index(GetRowCount() - 1, column));
}

void CResultListModel::SetNumberLocale(const QLocale& locale) {
    m_locale = locale;
}

CRowRecord CResultListModel::GetRowRecord(int row) const {
    if (row < 0 || row >= GetRowCount())
        return {};
    const DWORD index = m_rows[static_cast<std::size_t>(row)];
    if (index >= m_results->GetCount())
        return {};
    return {row, &m_results->GetAt(index), index};
}

int CResultListModel::RowOfRecord(std::size_t index, int hint, int first, int last) const {
    if (hint >= 0 && hint < GetRowCount() && m_rows[static_cast<std::size_t>(hint)] == index)
        return hint;
    first = std::max(first, 0);
    last = std::min(last, GetRowCount() - 1);
    if (first > last)
        return -1;
    const DWORD* end = m_rows.begin() + last + 1;
    const DWORD* found = std::find(m_rows.begin() + first, end, index);
    return found == end ? -1 : static_cast<int>(found - m_rows.begin());
}

QString CResultListModel::SizeText(const CResultItem& record) const {
    if ((record.m_dwFlags & (RIF_FOLDER | RIF_NO_PATH | RIF_SIZE_UNKNOWN)) ||
        static_cast<std::int64_t>(record.m_nSize) < 0)
        return QString();
    // The number is printed whole in the locale's form; no decimals are
    // added, so none need cutting off (a locale that groups thousands with a
    // '.' keeps its full number).
    if (m_bSizeInBytes)
        return m_locale.toString(static_cast<qulonglong>(record.m_nSize));
    const std::uint64_t kilobytes = record.m_nSize / 1024 + (record.m_nSize % 1024 != 0 ? 1 : 0);
    return m_locale.toString(static_cast<qulonglong>(kilobytes)) + QStringLiteral("KB");
}

DWORD CResultListModel::CellAttributes(const CRowRecord& shown) const {
    if (!(shown.record->m_dwFlags & RIF_DOS_UNREAD))
        return shown.record->m_dwAttributes;
    if (const auto kept = m_attributes.find(shown.index); kept != m_attributes.end())
        return kept->second;
    if (m_attributes.size() >= kAttributesKept)
        m_attributes.clear();
    const DWORD attributes = GetResultAttributes(*shown.record);
    m_attributes.emplace(shown.index, attributes);
    return attributes;
}

QString CResultListModel::GetCellText(int row, int column) const {
    const CRowRecord shown = GetRowRecord(row);
    const CResultItem* record = shown.record;
    if (!record || column < 0 || column >= static_cast<int>(m_columns.size()))
        return QString();
    const COLUMNINFO& info = m_columns[static_cast<std::size_t>(column)];
    if (info.nFlags & COLUMN_FLAG_DETAIL) {
        const int slot = m_slots[static_cast<std::size_t>(column)];
        if (slot < 0 || static_cast<std::size_t>(slot) >= record->m_arrValues.size())
            return QString();
        const COLUMNVALUE& value = record->m_arrValues[static_cast<std::size_t>(slot)];
        if (!value.valid)
            return QString();
        return QString::fromStdString(FormatColumnValue(value, info));
    }
    switch (info.nId) {
        case COLUMN_ID_NAME:
            return NameToText(record->m_sName);
        case COLUMN_ID_LOCATION:
            return NameToText(record->m_sFolder);
        case COLUMN_ID_SIZE:
            return SizeText(*record);
        case COLUMN_ID_LAST_WRITE_TIME:
            return TimeText(*record, record->m_ftLastWrite);
        case COLUMN_ID_LAST_ACCESS_TIME:
            return TimeText(*record, record->m_ftLastAccess);
        case COLUMN_ID_CREATE_TIME:
            return TimeText(*record, record->m_ftCreation);
        case COLUMN_ID_TYPE:
            return QString::fromUtf8(record->m_sTypeName.data(),
                                     static_cast<qsizetype>(record->m_sTypeName.size()));
        case COLUMN_ID_ATTRIBUTE:
            return QString::fromStdString(FormatAttributeLetters(CellAttributes(shown)));
        default:
            return QString();
    }
}

QString CResultListModel::GetWidestCellText(int column) const {
    if (column < 0 || column >= static_cast<int>(m_columns.size()))
        return QString();
    switch (m_columns[static_cast<std::size_t>(column)].nId) {
        case COLUMN_ID_SIZE:
            // Files of up to about 10 GB, in bytes (the longer form) whatever
            // the option says now: the settings may change it later.
            return m_locale.toString(9999999999ull);
        case COLUMN_ID_LAST_WRITE_TIME:
        case COLUMN_ID_LAST_ACCESS_TIME:
        case COLUMN_ID_CREATE_TIME:
            return QString::fromStdString(FormatDateTime(CTime(2028, 12, 28, 20, 58, 58)));
        case COLUMN_ID_ATTRIBUTE:
            return QString::fromStdString(
                FormatAttributeLetters(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
        default:
            return QString();
    }
}

int CResultListModel::CompareRecords(const CResultItem& a, const CResultItem& b,
                                     const COLUMNINFO& info, int slot) {
    return CompareResultRecords(a, b, info, slot);
}

void CResultListModel::ReorderRows(CRowIndex rows, const std::function<int(int oldRow)>& newRowOf) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_rows.swap(rows);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from)
        to.append(this->index(newRowOf(index.row()), index.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CResultListModel::RunBesideTheLoop(std::size_t rows, const std::function<void()>& work) {
    if (rows < kRowsOrderedBesideTheLoop || m_bReordering) {
        work();
        return;
    }
    // The rows and the generation stay as they are meanwhile: what the
    // search hands over waits until the work is done.
    m_bReordering = true;
    std::atomic<bool> done{false};
    std::exception_ptr fault;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            fault = std::current_exception();
        }
        done.store(true);
        // Wakes the loop below.
        QMetaObject::invokeMethod(
            this, [] {}, Qt::QueuedConnection);
    });
    while (!done.load())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
    worker.join();
    m_bReordering = false;
    if (fault)
        std::rethrow_exception(fault);
}

void CResultListModel::SortRows(int column, int first, int last) {
    if (column < 0 || column >= static_cast<int>(m_columns.size()))
        return;
    first = std::max(first, 0);
    last = std::min(last, GetRowCount() - 1);
    if (first >= last)
        return;
    const COLUMNINFO info = m_columns[static_cast<std::size_t>(column)];
    const int slot = m_slots[static_cast<std::size_t>(column)];
    const auto begin = static_cast<std::size_t>(first);
    const std::size_t count = static_cast<std::size_t>(last - first) + 1;

    // The new row map and where each row of the range went, made beside the
    // loop for a long list; rows outside first..last stay where they are.
    CRowIndex rows;
    std::vector<int> newRowOf;
    RunBesideTheLoop(count, [&] {
        const std::vector<std::uint32_t> order = SortRowOrder(
            *m_results, std::span<const DWORD>(m_rows).subspan(begin, count), info, slot);
        rows = m_rows;
        newRowOf.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            rows[begin + i] = m_rows[begin + order[i]];
            newRowOf[order[i]] = first + static_cast<int>(i);
        }
    });
    ReorderRows(std::move(rows), [&](int row) {
        return row < first || row > last ? row : newRowOf[static_cast<std::size_t>(row - first)];
    });
    TakeHandedCalls();
}

void CResultListModel::ReverseRows() {
    const std::size_t count = m_rows.size();
    std::size_t folders = 0;
    CRowIndex rows;
    RunBesideTheLoop(count, [&] {
        while (folders < count && (m_results->GetAt(m_rows[folders]).m_dwFlags & RIF_FOLDER) != 0)
            ++folders;
        CRowIndex reversed(count);
        const DWORD* split = m_rows.begin() + folders;
        std::reverse_copy(m_rows.begin(), split, reversed.data());
        std::reverse_copy(split, m_rows.end(), reversed.data() + folders);
        rows = std::move(reversed);
    });
    const auto split = static_cast<int>(folders);
    const auto total = static_cast<int>(count);
    ReorderRows(std::move(rows),
                [&](int row) { return row < split ? split - 1 - row : total - 1 - (row - split); });
    TakeHandedCalls();
}

int CResultListModel::FindItem(int start, const QString& text, bool wrap, bool up) const {
    const int count = GetRowCount();
    if (start < 0 || start >= count)
        return -1;
    const std::string wanted = LowerCaseUtf8(text.toStdString());
    const int step = up ? -1 : 1;
    std::string lower;
    int row = start;
    do {
        const CResultItem& record = m_results->GetAt(m_rows[static_cast<std::size_t>(row)]);
        if (record.m_sName.size() >= wanted.size()) {
            LowerCaseUtf8(record.m_sName, lower);
            if (lower.compare(0, wanted.size(), wanted) == 0)
                return row;
        }
        row += step;
        if (row < 0 || row >= count) {
            if (!wrap)
                return -1;
            row = up ? count - 1 : 0;
        }
    } while (row != start);
    return -1;
}

void CResultListModel::RemoveRows(const std::vector<int>& rows) {
    // From the bottom up, a run of neighbouring rows at a time.
    std::size_t end = rows.size();
    while (end > 0) {
        std::size_t begin = end - 1;
        while (begin > 0 && rows[begin - 1] == rows[begin] - 1)
            --begin;
        const int first = rows[begin];
        const int last = rows[end - 1];
        if (first >= 0 && last < GetRowCount()) {
            beginRemoveRows(QModelIndex(), first, last);
            m_rows.Erase(static_cast<std::size_t>(first), static_cast<std::size_t>(last) + 1);
            endRemoveRows();
        }
        end = begin;
    }
}

void CResultListModel::SetRenameHandler(std::function<bool(int row, const QString& name)> rename) {
    m_rename = std::move(rename);
}

Qt::ItemFlags CResultListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    // Every row can be dragged out (the list makes the drag itself).
    if (index.isValid())
        flags |= Qt::ItemIsDragEnabled;
    if (index.isValid() && index.column() == FindVisibleColumn(COLUMN_ID_NAME))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool CResultListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || !m_rename ||
        index.column() != FindVisibleColumn(COLUMN_ID_NAME) ||
        !m_rename(index.row(), value.toString()))
        return false;
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    return true;
}

int CResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : GetRowCount();
}

int CResultListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant CResultListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return QVariant();
    const CResultItem* record = GetRecord(index.row());
    if (!record)
        return QVariant();
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
        case Qt::EditRole:
            return GetCellText(index.row(), index.column());
        case Qt::DecorationRole:
            if (index.column() != 0 || !m_pIcons)
                return QVariant();
            return m_pIcons->Icon(record->m_iIcon);
        case Qt::ForegroundRole:
            return (record->m_dwFlags & RIF_IN_ARCHIVE) ? QVariant(kArchiveText) : QVariant();
        case Qt::BackgroundRole:
            return (record->m_dwFlags & RIF_IN_ARCHIVE) ? QVariant(kArchiveBack) : QVariant();
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(
                ColumnAlignment(m_columns[static_cast<std::size_t>(index.column())].nAlign));
        default:
            return QVariant();
    }
}

QVariant CResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(m_columns.size()))
        return QVariant();
    const COLUMNINFO& info = m_columns[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(info.szTitle);
    if (role == Qt::ToolTipRole)
        return QString::fromUtf8(info.szLongTitle);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(ColumnAlignment(info.nAlign));
    return QVariant();
}
