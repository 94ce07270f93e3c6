#include "app/ResultListModel.h"

#include <QColor>
#include <QIcon>
#include <QThread>

#include <algorithm>
#include <limits>
#include <numeric>
#include <string_view>

#include "app/engine/AttributeUtils.h"
#include "app/engine/DetailColumns.h"
#include "platform/DateUtils.h"
#include "platform/FileTime.h"
#include "platform/TextCase.h"
#include "ui/NameText.h"
#include "ui/QtFileTypeInfoProvider.h"

namespace {

// Archive members are drawn blue on silver.
const QColor kArchiveText(0, 0, 255);
const QColor kArchiveBack(192, 192, 192);

int ThreeWay(std::int64_t a, std::int64_t b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

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
    QMetaObject::invokeMethod(
        this, [this, results, first, count] { AppendRows(results, first, count); },
        Qt::QueuedConnection);
}

void CResultListModel::ShowMessage(const std::string& text) {
    const QString message = QString::fromStdString(text);
    QMetaObject::invokeMethod(
        this, [this, message] { emit MessageRequested(message); }, Qt::QueuedConnection);
}

void CResultListModel::DeleteAllRows(const std::shared_ptr<CResultArray>& results) {
    if (QThread::currentThread() == thread())
        SetResults(results);
    else
        QMetaObject::invokeMethod(
            this, [this, results] { SetResults(results); }, Qt::QueuedConnection);
}

void CResultListModel::SetResults(std::shared_ptr<CResultArray> results) {
    beginResetModel();
    m_results = results ? std::move(results) : std::make_shared<CResultArray>();
    m_rows.clear();
    m_rows.shrink_to_fit();
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
    for (std::size_t i = 0; i < count; ++i)
        m_rows.push_back(static_cast<DWORD>(first + i));
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

int CResultListModel::RowOfRecord(std::size_t index, int hint) const {
    if (hint >= 0 && hint < GetRowCount() && m_rows[static_cast<std::size_t>(hint)] == index)
        return hint;
    const auto found = std::find(m_rows.begin(), m_rows.end(), index);
    return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
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

QString CResultListModel::GetCellText(int row, int column) const {
    const CResultItem* record = GetRecord(row);
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
            return QString::fromStdString(FormatAttributeLetters(GetResultAttributes(*record)));
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
    const bool folderA = (a.m_dwFlags & RIF_FOLDER) != 0;
    const bool folderB = (b.m_dwFlags & RIF_FOLDER) != 0;
    if (folderA != folderB)
        return folderA ? -1 : 1;

    if (info.nFlags & COLUMN_FLAG_DETAIL) {
        // Both records are checked for the slot: one whose value array is
        // shorter has no value there.
        if (slot < 0)
            return 0;
        const std::size_t s = static_cast<std::size_t>(slot);
        const bool validA = s < a.m_arrValues.size() && a.m_arrValues[s].valid;
        const bool validB = s < b.m_arrValues.size() && b.m_arrValues[s].valid;
        if (validA && validB)
            return CompareColumnValues(a.m_arrValues[s], b.m_arrValues[s], info.nType);
        if (validA != validB)
            return validA ? 1 : -1;
        return 0;
    }

    switch (info.nId) {
        case COLUMN_ID_NAME:
            return CompareUtf8NoCase(a.m_sName, b.m_sName);
        case COLUMN_ID_LOCATION:
            return CompareUtf8NoCase(a.m_sFolder, b.m_sFolder);
        case COLUMN_ID_TYPE:
            return CompareUtf8NoCase(a.m_sTypeName, b.m_sTypeName);
        case COLUMN_ID_SIZE:
            return ThreeWay(static_cast<std::int64_t>(a.m_nSize),
                            static_cast<std::int64_t>(b.m_nSize));
        case COLUMN_ID_LAST_WRITE_TIME:
            return CompareFileTime(&a.m_ftLastWrite, &b.m_ftLastWrite);
        case COLUMN_ID_LAST_ACCESS_TIME:
            return CompareFileTime(&a.m_ftLastAccess, &b.m_ftLastAccess);
        case COLUMN_ID_CREATE_TIME:
            return CompareFileTime(&a.m_ftCreation, &b.m_ftCreation);
        case COLUMN_ID_ATTRIBUTE:
            return CompareAttributes(GetResultAttributes(a), GetResultAttributes(b));
        default:
            return 0;
    }
}

void CResultListModel::ReorderRows(const std::vector<int>& order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(order.size());
    std::vector<DWORD> rows(order.size());
    for (std::size_t newRow = 0; newRow < order.size(); ++newRow) {
        const std::size_t oldRow = static_cast<std::size_t>(order[newRow]);
        rows[newRow] = m_rows[oldRow];
        newRowOf[oldRow] = static_cast<int>(newRow);
    }
    m_rows.swap(rows);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from)
        to.append(this->index(newRowOf[static_cast<std::size_t>(index.row())], index.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

namespace {

// The sort key of a standard column as one number, for the columns whose
// comparison is a comparison of numbers; false for the text columns.
bool NumericKey(int columnId, const CResultItem& record, std::uint64_t* key) {
    switch (columnId) {
        case COLUMN_ID_SIZE:
            // Compared as signed 64-bit numbers: flip the sign bit.
            *key = record.m_nSize ^ (std::uint64_t{1} << 63);
            return true;
        case COLUMN_ID_LAST_WRITE_TIME:
            *key = record.m_ftLastWrite.Value();
            return true;
        case COLUMN_ID_LAST_ACCESS_TIME:
            *key = record.m_ftLastAccess.Value();
            return true;
        case COLUMN_ID_CREATE_TIME:
            *key = record.m_ftCreation.Value();
            return true;
        case COLUMN_ID_ATTRIBUTE:
            *key = GetResultAttributes(record) & 0x27u;
            return true;
        default:
            return false;
    }
}

const CRecordText* TextKeySource(int columnId, const CResultItem& record) {
    switch (columnId) {
        case COLUMN_ID_NAME:
            return &record.m_sName;
        case COLUMN_ID_LOCATION:
            return &record.m_sFolder;
        case COLUMN_ID_TYPE:
            return &record.m_sTypeName;
        default:
            return nullptr;
    }
}

// Sorts the rows begin..end by a key taken once per row with `makeKey`,
// folders first, equal keys keeping their order.
template <class Key, class Iterator, class RecordOf, class MakeKey>
void SortByKey(Iterator begin, Iterator end, const RecordOf& record, const MakeKey& makeKey) {
    // Indexed by row number, relative to the first row of the range.
    const int first = *begin;
    std::vector<Key> keys(static_cast<std::size_t>(end - begin));
    std::vector<char> folders(keys.size());
    for (auto it = begin; it != end; ++it) {
        const std::size_t at = static_cast<std::size_t>(*it - first);
        makeKey(record(*it), keys[at]);
        folders[at] = (record(*it).m_dwFlags & RIF_FOLDER) != 0;
    }
    std::stable_sort(begin, end, [&](int x, int y) {
        const auto ux = static_cast<std::size_t>(x - first);
        const auto uy = static_cast<std::size_t>(y - first);
        if (folders[ux] != folders[uy])
            return folders[ux] > folders[uy];
        return keys[ux] < keys[uy];
    });
}

}  // namespace

void CResultListModel::SortRows(int column, int first, int last) {
    if (column < 0 || column >= static_cast<int>(m_columns.size()))
        return;
    first = std::max(first, 0);
    last = std::min(last, GetRowCount() - 1);
    if (first >= last)
        return;
    const COLUMNINFO info = m_columns[static_cast<std::size_t>(column)];
    const int slot = m_slots[static_cast<std::size_t>(column)];

    // order[new row] = old row; rows outside first..last stay where they are.
    std::vector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    const auto begin = order.begin() + first;
    const auto end = order.begin() + last + 1;
    const auto record = [&](int row) -> const CResultItem& {
        return m_results->GetAt(m_rows[static_cast<std::size_t>(row)]);
    };

    // Standard columns: each row's key is taken once, so the sort compares
    // keys that lie together instead of reaching into the records. The order
    // is the one CompareRecords gives (folders first, then the key).
    std::uint64_t probe = 0;
    const bool standard = !(info.nFlags & COLUMN_FLAG_DETAIL);
    if (standard && NumericKey(info.nId, record(first), &probe)) {
        SortByKey<std::uint64_t>(begin, end, record, [&](const CResultItem& r, std::uint64_t& key) {
            NumericKey(info.nId, r, &key);
        });
    } else if (standard && TextKeySource(info.nId, record(first))) {
        // Lower-cased once: comparing lower-case bytes is CompareUtf8NoCase.
        SortByKey<std::string>(begin, end, record, [&](const CResultItem& r, std::string& key) {
            LowerCaseUtf8(*TextKeySource(info.nId, r), key);
        });
    } else {
        std::stable_sort(begin, end, [&](int x, int y) {
            return CompareRecords(record(x), record(y), info, slot) < 0;
        });
    }
    ReorderRows(order);
}

void CResultListModel::ReverseRows() {
    std::size_t folders = 0;
    while (folders < m_rows.size() &&
           (m_results->GetAt(m_rows[folders]).m_dwFlags & RIF_FOLDER) != 0)
        ++folders;
    std::vector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::reverse(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(folders));
    std::reverse(order.begin() + static_cast<std::ptrdiff_t>(folders), order.end());
    ReorderRows(order);
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
            m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
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
