#include "tools/windows/RenamePreviewModel.h"

#include <QFile>

#include "platform/DateUtils.h"
#include "platform/FileTime.h"
#include "ui/QtFileTypeInfoProvider.h"

const int kRenamePreviewWidths[RENAME_COLUMN_COUNT] = {100, 100, 120, 50, 100, 100, 100, 100};

namespace {

// The titles as the list shows them.
const char* const kTitles[RENAME_COLUMN_COUNT] = {
    "Old Name", "Mew Name", "Location", "Size", "Type", "Last Write Time", "Author", "Title"};

QString NameText(std::string_view bytes) {
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

}  // namespace

CRenamePreviewModel::CRenamePreviewModel(CRenameJob& job, QObject* parent)
    : QAbstractTableModel(parent), m_job(job) {}

void CRenamePreviewModel::Refresh() {
    beginResetModel();
    endResetModel();
}

int CRenamePreviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_job.GetCount());
}

int CRenamePreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RENAME_COLUMN_COUNT;
}

QString CRenamePreviewModel::CellText(int row, int column) const {
    if (row < 0 || static_cast<std::size_t>(row) >= m_job.GetCount())
        return QString();
    const std::size_t position = static_cast<std::size_t>(row);
    const CResultItem& record = m_job.RecordAt(position);
    const RenameRow& names = m_job.RowAt(position);
    switch (column) {
        case RENAME_COL_OLD_NAME:
            return NameText(record.m_sName);
        case RENAME_COL_NEW_NAME:
            return NameText(names.newName);
        case RENAME_COL_LOCATION:
            return NameText(record.m_sFolder);
        case RENAME_COL_SIZE: {
            if (record.m_dwFlags & (RIF_FOLDER | RIF_NO_PATH))
                return QString();
            // Kilobytes rounded up, the whole number in the locale's form.
            const std::uint64_t kilobytes =
                record.m_nSize / 1024 + (record.m_nSize % 1024 != 0 ? 1 : 0);
            return m_locale.toString(static_cast<qulonglong>(kilobytes)) + QStringLiteral("KB");
        }
        case RENAME_COL_TYPE:
            return QString::fromUtf8(record.m_sTypeName.data(),
                                     static_cast<qsizetype>(record.m_sTypeName.size()));
        case RENAME_COL_LAST_WRITE:
            if (record.m_dwFlags & RIF_NO_PATH)
                return QString();
            return QString::fromStdString(FormatDateTime(FileTimeToCTime(record.m_ftLastWrite)));
        case RENAME_COL_AUTHOR:
            return QString::fromStdString(names.author);
        case RENAME_COL_TITLE:
            return QString::fromStdString(names.title);
        default:
            return QString();
    }
}

QVariant CRenamePreviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return CellText(index.row(), index.column());
    if (role == Qt::DecorationRole && index.column() == RENAME_COL_OLD_NAME) {
        const int icon = m_job.RecordAt(static_cast<std::size_t>(index.row())).m_iIcon;
        return icon >= 0 ? QVariant(SystemImageList().Icon(icon)) : QVariant();
    }
    if (role == Qt::TextAlignmentRole && index.column() == RENAME_COL_SIZE)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}

QVariant CRenamePreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= RENAME_COLUMN_COUNT)
        return QVariant();
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(kTitles[section]);
    if (role == Qt::TextAlignmentRole && section == RENAME_COL_SIZE)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}
