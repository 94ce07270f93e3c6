#pragma once
// Helpers of the window tests that work on found rows: files written and
// read back, a search run to its end, rows found by name and selected.
#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QTest>

#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/ZembroltDlg.h"

namespace zbgui {

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Searches `names` in `folder` and waits for the rows.
inline void Find(CZembroltDlg& window, const QString& names, const QString& folder, int rows) {
    window.FileNameCombo()->setEditText(names);
    window.LookInCombo()->setEditText(folder);
    window.OnFind();
    QTRY_VERIFY(!window.IsSearching());
    QTRY_COMPARE(window.ResultModel()->GetRowCount(), rows);
}

inline int RowNamed(CZembroltDlg& window, const QString& name) {
    for (int row = 0; row < window.ResultModel()->GetRowCount(); ++row) {
        if (window.ResultModel()->GetCellText(row, 0) == name)
            return row;
    }
    return -1;
}

// Selects exactly the rows named `names` and gives the list the focus.
inline QAbstractItemView* SelectRows(CZembroltDlg& window, const QStringList& names) {
    QItemSelectionModel* selection = window.ResultList()->GetSelectionModel();
    selection->clearSelection();
    for (const QString& name : names) {
        const int row = RowNamed(window, name);
        selection->select(window.ResultModel()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection->setCurrentIndex(window.ResultModel()->index(row, 0),
                                   QItemSelectionModel::NoUpdate);
    }
    QAbstractItemView* view = window.ResultList()->GetCurrentView();
    view->setFocus();
    return view;
}

}  // namespace zbgui
