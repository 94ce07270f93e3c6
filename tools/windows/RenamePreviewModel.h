#pragma once
// The rename tool's preview list: one row per list position of the job,
// showing the record's old name, its new name, folder, size, type, last-write
// time, author and title. It holds no text; every cell is read from the job.

#include <QAbstractTableModel>
#include <QLocale>

#include "tools/RenameJob.h"

class CRenamePreviewModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit CRenamePreviewModel(CRenameJob& job, QObject* parent = nullptr);

    // The job's rows or order changed.
    void Refresh();
    // Sizes are printed in this locale's number form.
    void SetNumberLocale(const QLocale& locale) { m_locale = locale; }
    QString CellText(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    CRenameJob& m_job;
    QLocale m_locale;
};

// The column widths in pixels of the preview list, by column.
extern const int kRenamePreviewWidths[RENAME_COLUMN_COUNT];
